#include "shell/headless_launch.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "editor/proof_runner.h"
#include "platform/data_files.h"
#include "platform/headless/headless_platform.h"
#include "shell/check_stages.h"
#include "shell/edit_mode.h"
#include "shell/program.h"

namespace kolvar {

int RunHeadless(const char* program, const Arguments& args, const std::string& program_dir,
                const std::string& data_from_bindir) {
  std::vector<ScriptLine> script;
  try {
    if (!args.input.empty()) script = ReadInputScript(args.input);
  } catch (const std::invalid_argument& bad) {
    std::fprintf(stderr, "%s: %s\n", program, bad.what());
    return 2;
  }
  // A run with neither a close line nor --quit-at would play on forever at
  // full speed. It ends once the script has run out and the last screenshot
  // is due, with a word on why. A replay ends with its recording instead.
  std::optional<uint32_t> quit_at = args.quit_at;
  std::string ran_out;
  const bool closes = std::any_of(script.begin(), script.end(), [](const ScriptLine& line) {
    return line.action == ScriptLine::Action::kClose;
  });
  if (!quit_at && !closes && args.replay.empty()) {
    uint32_t end = script.empty() ? 0 : script.back().ms;
    for (const ShotRequest& shot : args.shots) end = std::max(end, shot.ms + 1);
    quit_at = end;
    ran_out = (args.input.empty() ? std::string("no input script (--input) and no --quit-at")
                                  : args.input + ": the input script has no close line") +
              ": the run ends at " + std::to_string(end) +
              " ms, when the script has run out (end it with 'MS close' or give --quit-at MS)";
  }
  HeadlessPlatform* headless = nullptr;
  // Replaying, the recording keeps the time; shots and --quit-at follow it.
  Platform* replay = nullptr;
  Backend backend;
  backend.open = [&](const OpenRequest& request) -> std::unique_ptr<Platform> {
    HeadlessOptions options;
    options.music_folder = ResolveDataFile(request.data_root, "MIDI");
    options.script = std::move(script);
    options.quit_at = quit_at;
    for (const ShotRequest& shot : args.shots) options.shots.push_back({shot.ms, shot.path});
    options.hiscore_file = args.hiscore_file;
    if (!args.replay.empty()) options.clock = [&replay] { return replay ? replay->Clock() : 0; };
    auto platform = std::make_unique<HeadlessPlatform>(std::move(options));
    headless = platform.get();
    return platform;
  };
  backend.attach = [&](Platform& platform) {
    if (!args.replay.empty()) replay = &platform;
  };
  backend.finish = [&] {
    if (!ran_out.empty()) std::fprintf(stderr, "%s: %s\n", program, ran_out.c_str());
    return headless ? headless->WriteDueShots(true) : std::string();
  };
  backend.edit = RunEditMode;
  // The script's clock is virtual: each look at the prover waits for its
  // answer, so a script sees the proof after the same frames on any machine.
  backend.prover = [](const std::string& data_root) -> std::shared_ptr<ProofRunner> {
    return MakeWaitingProofRunner(MakeThreadProofRunner(data_root));
  };
  backend.check_stages = [](const std::string& pack_folder, const std::string& data_root,
                            const CheckOptions& options) {
    return CheckStages(pack_folder, data_root, stdout, stderr, options);
  };
  return RunKolvar(program, args, program_dir, data_from_bindir, backend);
}

}  // namespace kolvar
