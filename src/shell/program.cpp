#include "shell/program.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <vector>

#include "core/fatal_error.h"
#include "core/game.h"
#include "core/trace.h"
#include "platform/recording_platform.h"
#include "platform/replay_platform.h"
#include "shell/check_stages.h"
#include "shell/data_root.h"
#include "shell/outer_loop.h"
#include "shell/pack_folder.h"
#include "shell/recordings.h"
#include "stage/stage_pack.h"

namespace kolvar {

std::string ProgramDirectory(const char* argv0) {
  std::error_code error;
#ifdef __EMSCRIPTEN__
  // Under Node, /proc/self/exe is Node itself; argv[0] is the program's
  // script (kolvar-headless.js).
  std::filesystem::path exe = std::filesystem::absolute(argv0, error);
#else
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) exe = std::filesystem::absolute(argv0, error);
#endif
  return exe.parent_path().string();
}

std::string ShortenLists(const std::string& message, size_t most) {
  std::string shown;
  size_t run = 0;  // indented lines in a row so far
  size_t left_out = 0;
  const auto close_run = [&] {
    if (left_out > 0) shown += "\n  and " + std::to_string(left_out) + " more";
    run = left_out = 0;
  };
  size_t start = 0;
  for (bool first = true; start <= message.size(); first = false) {
    size_t end = message.find('\n', start);
    if (end == std::string::npos) end = message.size();
    const std::string line = message.substr(start, end - start);
    if (line.starts_with("  ")) {
      if (++run > most) {
        ++left_out;
      } else {
        shown += (first ? "" : "\n") + line;
      }
    } else {
      close_run();
      shown += (first ? "" : "\n") + line;
    }
    start = end + 1;
  }
  close_run();
  return shown;
}

int RunKolvar(const char* program, const Arguments& args, const std::string& program_dir,
              const std::string& data_from_bindir, const Backend& backend) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace_file(nullptr, &std::fclose);
  try {
    // Installed, the data lies at a fixed place relative to the program (so
    // the installed tree can be moved); in the build tree, beside it.
    const DataRoot data = FindDataRoot(
        args.root,
        {(std::filesystem::path(program_dir) / data_from_bindir).lexically_normal().string(),
         program_dir});
    if (!args.check_stages.empty()) {
      return CheckStages(FindPackFolder(args.check_stages, data.root), data.root, stdout, stderr);
    }
    OpenRequest request;
    request.data_root = data.root;
    std::vector<StageGrids> stages;
    if (!args.stages.empty()) {
      std::string folder;
      try {
        folder = FindPackFolder(args.stages, data.root);
      } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "%s: %s\n", program, error.what());
        if (backend.show_error) backend.show_error(error.what());
        return 2;
      }
      PackResult read = ReadStagePack(folder);
      if (!read.pack) {
        std::string listed;
        for (const std::string& fault : read.faults) listed += fault + "\n";
        const std::string summary =
            "the stage pack " + folder + " has " + std::to_string(read.faults.size()) + " fault" +
            (read.faults.size() == 1 ? "" : "s") + "; the game does not start";
        std::fprintf(stderr, "%s%s: %s\n", listed.c_str(), program, summary.c_str());
        if (backend.show_error) backend.show_error(listed + summary);
        return 2;
      }
      request.pack_name = read.pack->info.name;
      request.pack_key = PackFileKey(folder);
      stages = std::move(read.pack->stages);
    }
    for (const std::string& missing : data.missing_music) {
      std::fprintf(stderr, "%s: %s: music file missing; playing on without it\n", program,
                   missing.c_str());
    }
    // A recording to play is read and checked before anything opens.
    const std::string& replay_path = args.watch.empty() ? args.replay : args.watch;
    const bool recording = backend.start_recording && replay_path.empty();
    // A recording names the stages this run plays (a pack's as compiled),
    // and a recording replays only on the stages it names.
    std::optional<StageSet> stage_set;
    if (recording || !replay_path.empty()) {
      stage_set = stages.empty() ? OwnStageSet(data.root)
                                 : PackStageSet(stages, request.pack_name, request.pack_key);
    }
    std::optional<OpenedRecording> replay;
    if (!replay_path.empty()) {
      replay.emplace(OpenRecording(replay_path, *stage_set));
      if (!replay->notice.empty())
        std::fprintf(stderr, "%s: %s\n", program, replay->notice.c_str());
    }
    if (!args.trace.empty()) {
      trace_file.reset(std::fopen(args.trace.c_str(), "w"));
      if (!trace_file) throw std::runtime_error(args.trace + ": cannot write the trace");
#ifdef __EMSCRIPTEN__
      // In a browser page the trace is read while the game runs.
      std::setvbuf(trace_file.get(), nullptr, _IOLBF, 0);
#endif
    }
    std::unique_ptr<Platform> base = backend.open(request);
    // The game plays on the backend's platform, through a replay or a
    // recording layered over it.
    std::unique_ptr<ReplayPlatform> replaying;
    std::unique_ptr<RecordingPlatform> recorder;
    Platform* platform = base.get();
    if (replay) {
      ReplayOptions options;
      options.name = replay_path;
      options.paced = !args.watch.empty();
      options.speed_request = backend.watch_speed;
      replaying = std::make_unique<ReplayPlatform>(*base, std::move(replay->reader), replay->header,
                                                   std::move(options));
      platform = replaying.get();
    } else if (recording) {
      // A game that cannot be recorded is still played, with a notice.
      auto notice = [program](const std::string& message) {
        std::fprintf(stderr, "%s: %s\n", program, message.c_str());
      };
      RecordingTarget target = backend.start_recording();
      if (target.file) {
        recorder = std::make_unique<RecordingPlatform>(*base, target.file, target.path,
                                                       NewRecordingHeader(*stage_set), notice,
                                                       std::move(target.on_hiscore));
        platform = recorder.get();
      } else {
        notice(target.error + "; this game is not recorded");
      }
    }
    if (backend.attach) backend.attach(*platform);
    std::optional<Trace> trace;
    auto game = std::make_unique<Game>(*platform, data.root);
    game->stages = std::move(stages);
    if (trace_file) {
      trace.emplace(trace_file.get(), args.trace);
      game->trace = &*trace;
    }
    try {
      RunProgram(*game);
    } catch (const CloseRequested&) {
      // What is still to be written must reach its file before the run
      // counts as a success.
      if (backend.finish) {
        const std::string error = backend.finish();
        if (!error.empty()) throw std::runtime_error(error);
      }
      if (trace) trace->Finish();
      if (recorder) {
        const std::string error = recorder->Close();
        if (!error.empty()) throw std::runtime_error(error);
      }
      if (replaying && !replaying->EndNote().empty()) {
        std::fprintf(stderr, "%s: %s\n", program, replaying->EndNote().c_str());
        // Bytes no recorder writes are a fault, though what came before
        // them has been played; a recording cut off by a crash or a kill
        // is not.
        if (replaying->Corrupt()) return 1;
      }
      return 0;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", program, error.what());
    if (backend.show_error) backend.show_error(ShortenLists(error.what()));
    return 1;
  }
}

}  // namespace kolvar
