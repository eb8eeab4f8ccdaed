#include "shell/program.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <vector>

#include "core/fatal_error.h"
#include "core/game.h"
#include "core/trace.h"
#include "flow/outer_loop.h"
#include "platform/printable.h"
#include "platform/recording_platform.h"
#include "platform/replay_platform.h"
#include "shell/data_root.h"
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

namespace {

using FileCloser = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// The data folder: installed, it lies at a fixed place relative to the
// program (so the installed tree can be moved); in the build tree, beside it.
DataRoot FindProgramData(const Arguments& args, const std::string& program_dir,
                         const std::string& data_from_bindir) {
  return FindDataRoot(
      args.root,
      {(std::filesystem::path(program_dir) / data_from_bindir).lexically_normal().string(),
       program_dir},
      !args.data_built_in);
}

// A fault that stops the program before anything opens: on standard error
// and, for a player who sees no terminal, where the backend shows it. Of
// `faults` (one line each) the box lists the first kMostFaultsInBox, so it
// fits a screen; the terminal gets them all.
void Refuse(const char* program, const Backend& backend, const std::vector<std::string>& faults,
            const std::string& summary) {
  std::string listed, boxed;
  for (size_t i = 0; i < faults.size(); ++i) {
    listed += faults[i] + "\n";
    if (i < kMostFaultsInBox) boxed += faults[i] + "\n";
  }
  if (faults.size() > kMostFaultsInBox) {
    boxed += "and " + std::to_string(faults.size() - kMostFaultsInBox) + " more\n";
  }
  std::fprintf(stderr, "%s%s: %s\n", listed.c_str(), program, summary.c_str());
  if (backend.show_error) backend.show_error(boxed + summary);
}

// A message of several lines as one line: an indented list after a line
// ending in ':' joined by commas, other lines by semicolons.
std::string OneLine(const std::string& message) {
  std::string line;
  bool listing = false;  // the lines so far are a list's items
  size_t start = 0;
  while (start <= message.size()) {
    size_t end = message.find('\n', start);
    if (end == std::string::npos) end = message.size();
    std::string part = message.substr(start, end - start);
    const bool item = part.starts_with("  ");
    part.erase(0, part.find_first_not_of(' '));
    if (start > 0) line += item && line.ends_with(':') ? " " : item && listing ? ", " : "; ";
    listing = item;
    line += part;
    start = end + 1;
  }
  return line;
}

// The stage pack `--stages` or the settings' `stages` names, compiled, into
// `request` and `stages`. Returns the exit status when the command line's
// pack cannot be found or has faults. The settings' pack is then reported
// on its line (the faults on standard error, the line in `notices` for the
// player) and the game's own stages are played.
std::optional<int> ReadPlayedPack(const char* program, const Arguments& args,
                                  const std::string& data_root, const Backend& backend,
                                  OpenRequest& request, std::vector<StageGrids>& stages,
                                  std::vector<std::string>& notices) {
  if (args.stages.empty()) return std::nullopt;  // the game's own stages
  const auto unplayable = [&](const std::vector<std::string>& faults,
                              const std::string& summary) -> std::optional<int> {
    if (args.stages_setting.empty()) {
      Refuse(program, backend, faults, summary);
      return 2;
    }
    for (const std::string& fault : faults) std::fprintf(stderr, "%s\n", fault.c_str());
    notices.push_back(args.stages_setting + ": stages: " + OneLine(summary) +
                      "; playing the game's own stages");
    return std::nullopt;
  };
  std::string folder;
  try {
    folder = FindPackFolder(args.stages, data_root);
  } catch (const std::runtime_error& error) {
    return unplayable({}, error.what());
  }
  PackResult read = ReadStagePack(folder);
  if (!read.pack) {
    const size_t count = read.faults.size();
    return unplayable(read.faults,
                      "the stage pack " + PrintableUtf8(folder) + " has " + std::to_string(count) +
                          " fault" + (count == 1 ? "" : "s") +
                          (args.stages_setting.empty() ? "; the game does not start" : ""));
  }
  request.pack_name = read.pack->info.name;
  request.pack_key = PackFileKey(folder);
  request.files_key = PackIdentityKey(read.pack->info.name, read.pack->info.author);
  if (IsInstalledPack(folder, data_root)) request.old_files_key = request.pack_key;
  stages = std::move(read.pack->stages);
  return std::nullopt;
}

// The trace file `--trace` names, open for writing; null without one.
FileCloser OpenTraceFile(const std::string& path) {
  FileCloser file(nullptr, &std::fclose);
  if (path.empty()) return file;
  file.reset(std::fopen(path.c_str(), "w"));
  if (!file) throw std::runtime_error(path + ": cannot write the trace");
#ifdef __EMSCRIPTEN__
  // In a browser page the trace is read while the game runs.
  std::setvbuf(file.get(), nullptr, _IOLBF, 0);
#endif
  return file;
}

// Removes the file at `path` when it is a regular file holding nothing.
void RemoveIfEmpty(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error)) &&
      std::filesystem::file_size(path, error) == 0 && !error) {
    std::filesystem::remove(path, error);
  }
}

// The platform the game plays on: the backend's own, or a replay or a
// recording layered over it.
struct PlayedPlatform {
  std::unique_ptr<Platform> base;
  std::unique_ptr<ReplayPlatform> replaying;
  std::unique_ptr<RecordingPlatform> recorder;
  Platform* platform = nullptr;
};

// What one run plays, read and checked before anything opens.
struct RunPlan {
  OpenRequest request;
  std::vector<StageGrids> stages;
  std::string replay_path;  // `--replay` or `--watch`; empty: none
  bool recording = false;   // the backend records this game
  // The stages as a recording names them, when one is made or replayed.
  std::optional<StageSet> stage_set;
  std::optional<OpenedRecording> replay;
  // What the player is told once the platform is open.
  std::vector<std::string> notices;
};

// The recording to play, read and checked against the stages this run
// plays; and the stage set a new recording names.
void PlanRecordings(const char* program, const Arguments& args, const Backend& backend,
                    RunPlan& plan) {
  plan.replay_path = args.watch.empty() ? args.replay : args.watch;
  plan.recording = backend.start_recording && plan.replay_path.empty();
  if (!plan.recording && plan.replay_path.empty()) return;
  // A recording names the stages this run plays (a pack's as compiled),
  // and a recording replays only on the stages it names.
  plan.stage_set = plan.stages.empty()
                       ? OwnStageSet(plan.request.data_root)
                       : PackStageSet(plan.stages, plan.request.pack_name, plan.request.pack_key);
  if (plan.replay_path.empty()) return;
  plan.replay.emplace(OpenRecording(plan.replay_path, *plan.stage_set));
  if (!plan.replay->notice.empty())
    std::fprintf(stderr, "%s: %s\n", program, plan.replay->notice.c_str());
}

// Layers a recorder over the backend's platform when the backend can make
// the file. A game that cannot be recorded is still played; what is lost
// (the recording, the mark of a hi-score game) goes to the platform's
// notice line. A file that could not take the recording's header is removed
// again rather than left empty.
void StartRecorder(const Backend& backend, const RunPlan& plan, PlayedPlatform& played) {
  Platform& base = *played.base;
  const auto notice = [&base](const std::string& message) { base.Notice(message); };
  RecordingTarget target = backend.start_recording();
  if (!target.notice.empty()) notice(target.notice);
  if (!target.file) {
    notice(target.error + "; this game is not recorded");
    return;
  }
  auto on_hiscore = [hook = std::move(target.on_hiscore), notice] {
    if (!hook) return;
    if (const std::string lost = hook(); !lost.empty()) notice(lost);
  };
  played.recorder = std::make_unique<RecordingPlatform>(
      base, target.file, target.path, NewRecordingHeader(*plan.stage_set), notice, on_hiscore);
  if (played.recorder->Failed()) {
    played.recorder.reset();
    RemoveIfEmpty(target.path);
    return;
  }
  played.platform = played.recorder.get();
}

PlayedPlatform OpenPlatform(const Arguments& args, const Backend& backend, RunPlan& plan) {
  PlayedPlatform played;
  played.base = backend.open(plan.request);
  played.platform = played.base.get();
  if (plan.replay) {
    ReplayOptions options;
    options.name = plan.replay_path;
    options.paced = !args.watch.empty();
    options.speed_request = backend.watch_speed;
    played.replaying = std::make_unique<ReplayPlatform>(
        *played.base, std::move(plan.replay->reader), plan.replay->header, std::move(options));
    played.platform = played.replaying.get();
  } else if (plan.recording) {
    StartRecorder(backend, plan, played);
  }
  for (const std::string& notice : plan.notices) played.base->Notice(notice);
  if (backend.attach) backend.attach(*played.platform);
  return played;
}

// After the close request: what is still to be written must reach its file
// before the run counts as a success. Returns the exit status.
int FinishRun(const char* program, const Backend& backend, std::optional<Trace>& trace,
              PlayedPlatform& played) {
  if (backend.finish) {
    const std::string error = backend.finish();
    if (!error.empty()) throw std::runtime_error(error);
  }
  if (trace) trace->Finish();
  if (played.recorder) {
    const std::string error = played.recorder->Close();
    if (!error.empty()) throw std::runtime_error(error);
  }
  if (played.replaying && !played.replaying->EndNote().empty()) {
    std::fprintf(stderr, "%s: %s\n", program, played.replaying->EndNote().c_str());
    // Bytes no recorder writes are a fault, though what came before them
    // has been played; a recording cut off by a crash or a kill is not.
    if (played.replaying->Corrupt()) return 1;
  }
  return 0;
}

// Plays the title/game loop until the close request; returns the exit
// status.
int PlayUntilClosed(const char* program, const Arguments& args, const Backend& backend,
                    RunPlan& plan) {
  FileCloser trace_file = OpenTraceFile(args.trace);
  PlayedPlatform played = OpenPlatform(args, backend, plan);
  std::optional<Trace> trace;
  auto game = std::make_unique<Game>(*played.platform, plan.request.data_root);
  game->stages = std::move(plan.stages);
  if (trace_file) {
    trace.emplace(trace_file.get(), args.trace);
    game->trace = &*trace;
  }
  try {
    RunProgram(*game);
  } catch (const CloseRequested&) {
    return FinishRun(program, backend, trace, played);
  }
  return 0;  // RunProgram ends only by a close request or a fault
}

}  // namespace

int RunKolvar(const char* program, const Arguments& args, const std::string& program_dir,
              const std::string& data_from_bindir, const Backend& backend) {
  try {
    const DataRoot data = FindProgramData(args, program_dir, data_from_bindir);
    if (args.edit) {
      if (!backend.edit) throw std::runtime_error("--edit: this program has no stage editor");
      return backend.edit(program, args, data.root, backend);
    }
    if (!args.check_stages.empty()) {
      CheckOptions check;
      if (args.budget) check.budget_seconds = *args.budget;
      if (args.runs) check.runs = static_cast<int>(*args.runs);
#ifdef __EMSCRIPTEN__
      check.progress = false;  // under Node the output says it is a terminal even when piped
#else
      check.progress = isatty(fileno(stdout)) != 0;
#endif
      if (!backend.check_stages)
        throw std::runtime_error("--check-stages: this program does not check stages");
      return backend.check_stages(FindPackFolder(args.check_stages, data.root), data.root, check);
    }
    RunPlan plan;
    plan.request.data_root = data.root;
    if (const std::optional<int> refused = ReadPlayedPack(
            program, args, data.root, backend, plan.request, plan.stages, plan.notices)) {
      return *refused;
    }
    for (const std::string& missing : data.missing_music) {
      std::fprintf(stderr, "%s: %s: music file missing; playing on without it\n", program,
                   missing.c_str());
    }
    PlanRecordings(program, args, backend, plan);
    return PlayUntilClosed(program, args, backend, plan);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", program, error.what());
    if (backend.show_error) backend.show_error(ShortenLists(error.what()));
    return 1;
  }
}

}  // namespace kolvar
