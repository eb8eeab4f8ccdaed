// Program start: reads the command line, opens the window (or the headless
// runner) and runs the title/game loop until the window is closed.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/fatal_error.h"
#include "core/game.h"
#include "core/sheet_data.h"
#include "core/trace.h"
#include "platform/headless_platform.h"
#include "platform/sdl_platform.h"
#include "shell/data_root.h"
#include "shell/outer_loop.h"

namespace {

// The embedded window icon, one 0xAARRGGBB value a pixel.
std::vector<uint32_t> IconPixels() {
  const kolvar::IndexedImage icon = kolvar::WindowIconData();
  std::vector<uint32_t> argb(static_cast<size_t>(icon.width) * icon.height);
  for (size_t i = 0; i < argb.size(); ++i) argb[i] = icon.palette[icon.indices[i]];
  return argb;
}

constexpr const char* kUsage =
    "Usage: kolvar [--root DIR] [--scale N] [--fullscreen] [--hiscore-file FILE]\n"
    "              [--renderer NAME]\n"
    "       kolvar --headless [--root DIR] [--input FILE] [--trace FILE] [--quit-at MS]\n"
    "                         [--shot MS:FILE.png]... [--hiscore-file FILE]\n"
    "\n"
    "A maze action game: open the key chest, reach the exit door within 200 seconds\n"
    "and keep away from the enemies. Arrow keys walk, Z confirms, Esc leaves a game.\n"
    "\n"
    "  --root DIR        folder holding DATA/ and MIDI/ (default: the installed data,\n"
    "                    " KOLVAR_DATA_FROM_BINDIR
    " from the program's folder, else that folder)\n"
    "  --scale N         window scale, a whole number from 1 to 8 (default: the\n"
    "                    settings file's, else the largest that fits, at most 3)\n"
    "  --fullscreen      start on the whole screen (F11 or Alt+Enter switches)\n"
    "  --renderer NAME   draw the window with SDL's NAME renderer, e.g. opengl where\n"
    "                    a GPU makes it cheaper (default: software; SDL_RENDER_DRIVER\n"
    "                    in the environment works too)\n"
    "  --hiscore-file F  keep the hi-score in F (default for the window:\n"
    "                    $XDG_DATA_HOME/kolvar/hiscore; headless keeps none)\n"
    "  --headless        no window and no sound: virtual clock, scripted keys\n"
    "  --input FILE      key script: lines 'MS KEY down|up' (KEY: up down left right\n"
    "                    esc z) and 'MS close'\n"
    "  --trace FILE      write what happens as JSON Lines\n"
    "  --quit-at MS      close the window at that virtual time\n"
    "  --shot MS:FILE    save the picture shown at virtual time MS as PNG\n"
    "  --help, --version\n";

struct Arguments {
  bool headless = false;
  std::string root;
  int scale = 0;  // 0: the settings file's, else what fits
  bool fullscreen = false;
  std::string renderer;
  std::string hiscore_file;
  std::string input;
  std::string trace;
  std::optional<uint32_t> quit_at;
  std::vector<kolvar::Screenshot> shots;
};

struct BadArguments {
  std::string message;
};

uint32_t ParseCount(const std::string& option, const std::string& value) {
  if (value.empty() || value.size() > 9 ||
      value.find_first_not_of("0123456789") != std::string::npos) {
    throw BadArguments{option + " expects a whole number, not '" + value + "'"};
  }
  return static_cast<uint32_t>(std::stoul(value));
}

Arguments Parse(int argc, char** argv) {
  Arguments args;
  bool headless_only = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw BadArguments{option + " needs a value"};
      return argv[++i];
    };
    if (option == "--headless") {
      args.headless = true;
    } else if (option == "--root") {
      args.root = value();
    } else if (option == "--scale") {
      const uint32_t scale = ParseCount(option, value());
      if (scale < 1 || scale > 8) throw BadArguments{"--scale must be from 1 to 8"};
      args.scale = static_cast<int>(scale);
    } else if (option == "--fullscreen") {
      args.fullscreen = true;
    } else if (option == "--renderer") {
      args.renderer = value();
      if (args.renderer.empty()) throw BadArguments{"--renderer needs a renderer's name"};
    } else if (option == "--hiscore-file") {
      args.hiscore_file = value();
    } else if (option == "--input") {
      args.input = value();
      headless_only = true;
    } else if (option == "--trace") {
      args.trace = value();
    } else if (option == "--quit-at") {
      args.quit_at = ParseCount(option, value());
      headless_only = true;
    } else if (option == "--shot") {
      const std::string shot = value();
      const size_t colon = shot.find(':');
      if (colon == std::string::npos || colon + 1 == shot.size()) {
        throw BadArguments{"--shot expects MS:FILE.png, not '" + shot + "'"};
      }
      args.shots.push_back({ParseCount(option, shot.substr(0, colon)), shot.substr(colon + 1)});
      headless_only = true;
    } else {
      throw BadArguments{"unknown option '" + option + "'"};
    }
  }
  if (headless_only && !args.headless) {
    throw BadArguments{"--input, --quit-at and --shot need --headless"};
  }
  return args;
}

std::string ProgramDirectory(const char* argv0) {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) exe = std::filesystem::absolute(argv0, error);
  return exe.parent_path().string();
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("Kolvar 0.02");
      return 0;
    }
  }

  Arguments args;
  std::vector<kolvar::ScriptLine> script;
  try {
    args = Parse(argc, argv);
    if (!args.input.empty()) script = kolvar::ReadInputScript(args.input);
  } catch (const BadArguments& bad) {
    std::fprintf(stderr, "kolvar: %s\nTry 'kolvar --help'.\n", bad.message.c_str());
    return 2;
  } catch (const std::invalid_argument& bad) {
    std::fprintf(stderr, "kolvar: %s\n", bad.what());
    return 2;
  }

  const std::string program_dir = ProgramDirectory(argv[0]);

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace_file(nullptr, &std::fclose);
  try {
    // Installed, the data lies at a fixed place relative to the program (so
    // the installed tree can be moved); in the build tree, beside it.
    const kolvar::DataRoot data = kolvar::FindDataRoot(
        args.root,
        {(std::filesystem::path(program_dir) / KOLVAR_DATA_FROM_BINDIR).lexically_normal().string(),
         program_dir});
    for (const std::string& missing : data.missing_music) {
      std::fprintf(stderr, "kolvar: %s: music file missing; playing on without it\n",
                   missing.c_str());
    }
    const std::string& root = data.root;
    if (!args.trace.empty()) {
      trace_file.reset(std::fopen(args.trace.c_str(), "w"));
      if (!trace_file) throw std::runtime_error(args.trace + ": cannot write the trace");
    }
    std::unique_ptr<kolvar::Platform> platform;
    kolvar::HeadlessPlatform* headless = nullptr;
    if (args.headless) {
      kolvar::HeadlessOptions options;
      options.program_dir = program_dir;
      options.script = std::move(script);
      options.quit_at = args.quit_at;
      options.shots = args.shots;
      options.hiscore_file = args.hiscore_file;
      platform = std::make_unique<kolvar::HeadlessPlatform>(std::move(options));
      headless = static_cast<kolvar::HeadlessPlatform*>(platform.get());
    } else {
      const std::vector<uint32_t> icon = IconPixels();
      kolvar::WindowOptions options;
      options.program_dir = program_dir;
      options.scale = args.scale;
      options.fullscreen = args.fullscreen;
      options.renderer = args.renderer;
      options.hiscore_file = args.hiscore_file;
      options.icon = {icon.data(), kolvar::WindowIconData().width, kolvar::WindowIconData().height};
      platform = kolvar::CreateSdlPlatform(options);
    }
    std::optional<kolvar::Trace> trace;
    auto game = std::make_unique<kolvar::Game>(*platform, root);
    if (trace_file) {
      trace.emplace(trace_file.get(), args.trace);
      game->trace = &*trace;
    }
    try {
      kolvar::RunProgram(*game);
    } catch (const kolvar::CloseRequested&) {
      // What is still to be written must reach its file before the run
      // counts as a success.
      if (headless) {
        const std::string error = headless->WriteDueShots(true);
        if (!error.empty()) throw std::runtime_error(error);
      }
      if (trace) trace->Finish();
      return 0;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kolvar: %s\n", error.what());
    // A player who started the game from a desktop menu sees no terminal.
    if (!args.headless) kolvar::ShowErrorBox(error.what());
    return 1;
  }
}
