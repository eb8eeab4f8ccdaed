// kolvar: reads the command line, opens the window (or the headless runner)
// and runs the title/game loop until the window is closed.

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/sheet_data.h"
#include "platform/data_files.h"
#include "platform/sdl/sdl_platform.h"
#include "shell/command_line.h"
#include "shell/headless_launch.h"
#include "shell/program.h"
#include "video/text.h"

namespace {

// The embedded window icon, one 0xAARRGGBB value a pixel.
std::vector<uint32_t> IconPixels() {
  const kolvar::IndexedImage icon = kolvar::WindowIconData();
  std::vector<uint32_t> argb(static_cast<size_t>(icon.width) * icon.height);
  for (size_t i = 0; i < argb.size(); ++i) argb[i] = icon.palette[icon.indices[i]];
  return argb;
}

}  // namespace

int main(int argc, char** argv) {
  using kolvar::ProgramKind;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kolvar::UsageText(ProgramKind::kWindow, KOLVAR_DATA_FROM_BINDIR).c_str(), stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts(kolvar::kVersionLine);
      return 0;
    }
  }

  kolvar::Arguments args;
  try {
    args = kolvar::ParseArguments(argc, argv, ProgramKind::kWindow);
  } catch (const kolvar::BadArguments& bad) {
    std::fprintf(stderr, "kolvar: %s\nTry 'kolvar --help'.\n", bad.message.c_str());
    return 2;
  }

  const std::string program_dir = kolvar::ProgramDirectory(argv[0]);
  if (args.headless) {
    return kolvar::RunHeadless("kolvar", args, program_dir, KOLVAR_DATA_FROM_BINDIR);
  }

  const std::vector<uint32_t> icon = IconPixels();
  kolvar::Backend window;
  window.open = [&](const std::string& data_root) {
    kolvar::WindowOptions options;
    options.music_folder = kolvar::ResolveDataFile(data_root, "MIDI");
    options.scale = args.scale;
    options.fullscreen = args.fullscreen;
    options.renderer = args.renderer;
    options.hiscore_file = args.hiscore_file;
    options.icon = {icon.data(), kolvar::WindowIconData().width, kolvar::WindowIconData().height};
    options.render_text = kolvar::RenderTextLine;
    return kolvar::CreateSdlPlatform(options);
  };
  // A player who started the game from a desktop menu sees no terminal.
  window.show_error = [](const std::string& message) { kolvar::ShowErrorBox(message); };
  return kolvar::RunKolvar("kolvar", args, program_dir, KOLVAR_DATA_FROM_BINDIR, window);
}
