#include "shell/command_line.h"

#include <cstdio>
#include <cstring>

namespace kolvar {

namespace {

uint32_t ParseCount(const std::string& option, const std::string& value) {
  if (value.empty() || value.size() > 9 ||
      value.find_first_not_of("0123456789") != std::string::npos) {
    throw BadArguments{option + " expects a whole number, not '" + value + "'"};
  }
  return static_cast<uint32_t>(std::stoul(value));
}

}  // namespace

Arguments ParseArguments(int argc, char** argv, ProgramKind kind) {
  const bool window = kind == ProgramKind::kWindow;
  Arguments args;
  args.headless = !window;
  bool headless_only = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw BadArguments{option + " needs a value"};
      return argv[++i];
    };
    auto window_option = [&] {
      if (!window) throw BadArguments{option + " is an option of the window; use kolvar"};
    };
    if (option == "--headless") {
      args.headless = true;
    } else if (option == "--root") {
      args.root = value();
    } else if (option == "--scale") {
      window_option();
      const uint32_t scale = ParseCount(option, value());
      if (scale < 1 || scale > 8) throw BadArguments{"--scale must be from 1 to 8"};
      args.scale = static_cast<int>(scale);
    } else if (option == "--fullscreen") {
      window_option();
      args.fullscreen = true;
    } else if (option == "--renderer") {
      window_option();
      args.renderer = value();
      if (args.renderer.empty()) throw BadArguments{"--renderer needs a renderer's name"};
    } else if (option == "--stages") {
      args.stages = value();
      if (args.stages.empty()) throw BadArguments{"--stages needs a folder or a pack's name"};
    } else if (option == "--check-stages") {
      args.check_stages = value();
      if (args.check_stages.empty()) {
        throw BadArguments{"--check-stages needs a folder or a pack's name"};
      }
    } else if (option == "--soundfont") {
      window_option();
      args.soundfont = value();
      if (args.soundfont.empty()) throw BadArguments{"--soundfont needs a file"};
    } else if (option == "--hiscore-file") {
      args.hiscore_file = value();
    } else if (option == "--record") {
      window_option();
      args.record = value();
    } else if (option == "--watch") {
      window_option();
      args.watch = value();
    } else if (option == "--replay") {
      args.replay = value();
      headless_only = true;
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
  if (!args.check_stages.empty() && !args.stages.empty()) {
    throw BadArguments{"--check-stages and --stages name a pack each; give one"};
  }
  if (headless_only && !args.headless) {
    throw BadArguments{"--input, --replay, --quit-at and --shot need --headless"};
  }
  if (args.headless && (!args.record.empty() || !args.watch.empty())) {
    throw BadArguments{"--record and --watch are for the window; replay headless with --replay"};
  }
  if (!args.input.empty() && !args.replay.empty()) {
    throw BadArguments{"--input and --replay both give the keys; use one"};
  }
  if (!args.record.empty() && !args.watch.empty()) {
    throw BadArguments{"--watch plays a recording; it records nothing (drop --record)"};
  }
  return args;
}

std::string UsageText(ProgramKind kind, const std::string& data_from_bindir) {
  const bool window = kind == ProgramKind::kWindow;
  std::string text;
  if (window) {
    text +=
        "Usage: kolvar [--root DIR] [--stages PACK] [--scale N] [--fullscreen]\n"
        "              [--hiscore-file FILE] [--renderer NAME] [--soundfont FILE]\n"
        "              [--record FILE] [--trace FILE]\n"
        "       kolvar --watch FILE [--root DIR] [--scale N] [--fullscreen] [--trace FILE]\n"
        "       kolvar --headless [--root DIR] [--stages PACK] [--input FILE | --replay FILE]\n"
        "                         [--trace FILE] [--quit-at MS] [--shot MS:FILE.png]...\n"
        "                         [--hiscore-file FILE]\n"
        "       kolvar --check-stages PACK [--root DIR]\n";
  } else {
    text +=
        "Usage: kolvar-headless [--root DIR] [--stages PACK] [--input FILE | --replay FILE]\n"
        "                       [--trace FILE] [--quit-at MS] [--shot MS:FILE.png]...\n"
        "                       [--hiscore-file FILE]\n"
        "       kolvar-headless --check-stages PACK [--root DIR]\n";
  }
  text +=
      "\n"
      "A maze action game: open the key chest, reach the exit door within 200 seconds\n"
      "and keep away from the enemies. Arrow keys walk, Z confirms, Esc leaves a game.\n";
  if (!window) {
    text +=
        "This program plays it without a window or sound, on a virtual clock, as\n"
        "kolvar --headless does.\n";
  }
  text +=
      "\n"
      "  --root DIR        folder holding DATA/ and MIDI/ (default: the installed data,\n"
      "                    " +
      data_from_bindir +
      " from the program's folder, else that folder)\n"
      "  --stages PACK     play a stage pack: a folder holding pack.txt and\n"
      "                    stage01.txt..., or the name of one in\n"
      "                    $XDG_DATA_HOME/kolvar/stages/ or the installed stages/\n"
      "  --check-stages P  prove every stage of pack P clearable: its rules, then the\n"
      "                    solver; one line a stage, exit 1 when one is not\n";
  if (window) {
    text +=
        "  --scale N         window scale, a whole number from 1 to 8 (default: the\n"
        "                    settings file's, else the largest that fits, at most 3)\n"
        "  --fullscreen      start on the whole screen (F11 or Alt+Enter switches)\n"
        "  --renderer NAME   draw the window with SDL's NAME renderer, e.g. opengl where\n"
        "                    a GPU makes it cheaper (default: software; SDL_RENDER_DRIVER\n"
        "                    in the environment works too)\n"
        "  --soundfont FILE  play the music with this SoundFont (.sf2) (default: the\n"
        "                    settings file's, else the first General MIDI one found)\n"
        "  --hiscore-file F  keep the hi-score in F (default for the window:\n"
        "                    $XDG_DATA_HOME/kolvar/hiscore, hiscore-PACK for a pack;\n"
        "                    headless keeps none)\n"
        "  --record FILE     write this game's recording to FILE (default: a new file in\n"
        "                    $XDG_DATA_HOME/kolvar/replays; the last 20 are kept)\n"
        "  --watch FILE      play a recording again in the window: 1, 2, 4 speed,\n"
        "                    P pause, Esc stop\n"
        "  --headless        no window and no sound: virtual clock, scripted keys\n";
  } else {
    text +=
        "  --hiscore-file F  read the hi-score from F and keep it there (default: none)\n"
        "  --headless        accepted for kolvar's sake; this program has no window\n";
  }
  text +=
      "  --input FILE      key script: lines 'MS KEY down|up' (KEY: up down left right\n"
      "                    esc z) and 'MS close'\n"
      "  --replay FILE     play a recording (.kvr) again instead of a key script\n"
      "  --trace FILE      write what happens as JSON Lines\n"
      "  --quit-at MS      close the window at that virtual time\n"
      "  --shot MS:FILE    save the picture shown at virtual time MS as PNG\n"
      "  --help, --version\n";
  return text;
}

std::optional<int> ReadCommandLine(int argc, char** argv, ProgramKind kind, const char* program,
                                   const std::string& data_from_bindir, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(UsageText(kind, data_from_bindir).c_str(), stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts(kVersionLine);
      return 0;
    }
  }
  try {
    args = ParseArguments(argc, argv, kind);
  } catch (const BadArguments& bad) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program, bad.message.c_str(), program);
    return 2;
  }
  return std::nullopt;
}

}  // namespace kolvar
