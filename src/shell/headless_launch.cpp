#include "shell/headless_launch.h"

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/headless/headless_platform.h"
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
  HeadlessPlatform* headless = nullptr;
  Backend backend;
  backend.open = [&](const std::string& data_root) -> std::unique_ptr<Platform> {
    HeadlessOptions options;
    options.music_folder = data_root + "/MIDI";
    options.script = std::move(script);
    options.quit_at = args.quit_at;
    for (const ShotRequest& shot : args.shots) options.shots.push_back({shot.ms, shot.path});
    options.hiscore_file = args.hiscore_file;
    auto platform = std::make_unique<HeadlessPlatform>(std::move(options));
    headless = platform.get();
    return platform;
  };
  backend.finish = [&] { return headless ? headless->WriteDueShots(true) : std::string(); };
  return RunKolvar(program, args, program_dir, data_from_bindir, backend);
}

}  // namespace kolvar
