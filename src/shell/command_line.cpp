#include "shell/command_line.h"

#include <cstdio>
#include <cstdlib>
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

// The most a stage's proof may be given, and the most casual runs: a day,
// and as many runs as make the rate's interval a point wide.
constexpr double kMaxBudgetSeconds = 86400;
constexpr uint32_t kMaxRuns = 10000;

double ParseSeconds(const std::string& option, const std::string& value) {
  char* end = nullptr;
  const double seconds = std::strtod(value.c_str(), &end);
  if (value.empty() || end != value.c_str() + value.size() || !(seconds > 0) ||
      seconds > kMaxBudgetSeconds) {
    throw BadArguments{option + " expects seconds, more than 0 and at most " +
                       std::to_string(static_cast<int>(kMaxBudgetSeconds)) + ", not '" + value +
                       "'"};
  }
  return seconds;
}

// The command line's words, read one option at a time.
class OptionReader {
 public:
  OptionReader(int argc, char** argv, bool window) : argc_(argc), argv_(argv), window_(window) {}

  // Moves on to the next option; false when there is none.
  bool Next() {
    if (++i_ >= argc_) return false;
    option_ = argv_[i_];
    return true;
  }
  const std::string& option() const { return option_; }
  // The option's value: the word after it.
  std::string Value() {
    if (i_ + 1 >= argc_) throw BadArguments{option_ + " needs a value"};
    return argv_[++i_];
  }
  // A value the option may go without: the next word unless it is an
  // option.
  std::string OptionalValue() {
    if (i_ + 1 >= argc_ || std::strncmp(argv_[i_ + 1], "--", 2) == 0) return {};
    return argv_[++i_];
  }
  // A value that may not be empty; `what` says what it names.
  std::string ValueNaming(const char* what) {
    std::string value = Value();
    if (value.empty()) throw BadArguments{option_ + " needs " + what};
    return value;
  }
  // Refuses an option only the window takes in the headless program.
  void WindowOnly() const {
    if (!window_) throw BadArguments{option_ + " is an option of the window; use kolvar"};
  }

 private:
  int argc_;
  char** argv_;
  bool window_;
  int i_ = 0;
  std::string option_;
};

// Options both programs take. False: not one of them.
bool ReadSharedOption(OptionReader& in, Arguments& args) {
  const std::string& option = in.option();
  if (option == "--headless") {
    args.headless = true;
  } else if (option == "--root") {
    args.root = in.Value();
  } else if (option == "--stages") {
    args.stages = in.ValueNaming("a folder or a pack's name");
  } else if (option == "--check-stages") {
    args.check_stages = in.ValueNaming("a folder or a pack's name");
  } else if (option == "--budget") {
    args.budget = ParseSeconds(option, in.Value());
  } else if (option == "--runs") {
    args.runs = ParseCount(option, in.Value());
    if (*args.runs > kMaxRuns) {
      throw BadArguments{"--runs must be from 0 to " + std::to_string(kMaxRuns)};
    }
  } else if (option == "--edit") {
    args.edit = true;
    args.edit_pack = in.OptionalValue();
  } else if (option == "--hiscore-file") {
    args.hiscore_file = in.Value();
  } else if (option == "--trace") {
    args.trace = in.Value();
  } else {
    return false;
  }
  return true;
}

// Options of the window. False: not one of them.
bool ReadWindowOption(OptionReader& in, Arguments& args) {
  const std::string& option = in.option();
  if (option == "--scale") {
    in.WindowOnly();
    const uint32_t scale = ParseCount(option, in.Value());
    if (scale < 1 || scale > 8) throw BadArguments{"--scale must be from 1 to 8"};
    args.scale = static_cast<int>(scale);
  } else if (option == "--fullscreen") {
    in.WindowOnly();
    args.fullscreen = true;
  } else if (option == "--renderer") {
    in.WindowOnly();
    args.renderer = in.ValueNaming("a renderer's name");
  } else if (option == "--soundfont") {
    in.WindowOnly();
    args.soundfont = in.ValueNaming("a file");
  } else if (option == "--record") {
    in.WindowOnly();
    args.record = in.Value();
  } else if (option == "--watch") {
    in.WindowOnly();
    args.watch = in.Value();
  } else {
    return false;
  }
  return true;
}

// Options of the headless runner; `headless_only` is set by each. False:
// not one of them.
bool ReadHeadlessOption(OptionReader& in, Arguments& args, bool& headless_only) {
  const std::string& option = in.option();
  if (option == "--replay") {
    args.replay = in.Value();
  } else if (option == "--input") {
    args.input = in.Value();
  } else if (option == "--quit-at") {
    args.quit_at = ParseCount(option, in.Value());
  } else if (option == "--shot") {
    const std::string shot = in.Value();
    const size_t colon = shot.find(':');
    if (colon == std::string::npos || colon + 1 == shot.size()) {
      throw BadArguments{"--shot expects MS:FILE.png, not '" + shot + "'"};
    }
    args.shots.push_back({ParseCount(option, shot.substr(0, colon)), shot.substr(colon + 1)});
  } else {
    return false;
  }
  headless_only = true;
  return true;
}

// Options that each make sense alone but not together.
void CheckCombination(const Arguments& args, bool headless_only) {
  if (!args.check_stages.empty() && !args.stages.empty()) {
    throw BadArguments{"--check-stages and --stages name a pack each; give one"};
  }
  if ((args.budget || args.runs) && args.check_stages.empty()) {
    throw BadArguments{"--budget and --runs go with --check-stages"};
  }
  if (args.edit && (!args.stages.empty() || !args.check_stages.empty() || !args.record.empty() ||
                    !args.watch.empty() || !args.replay.empty())) {
    throw BadArguments{
        "--edit opens the editor; it plays, checks, records and replays nothing (drop the "
        "other option)"};
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
}

}  // namespace

Arguments ParseArguments(int argc, char** argv, ProgramKind kind) {
  const bool window = kind == ProgramKind::kWindow;
  Arguments args;
  args.headless = !window;
  bool headless_only = false;
  OptionReader in(argc, argv, window);
  while (in.Next()) {
    if (!ReadSharedOption(in, args) && !ReadWindowOption(in, args) &&
        !ReadHeadlessOption(in, args, headless_only)) {
      throw BadArguments{"unknown option '" + in.option() + "'"};
    }
  }
  CheckCombination(args, headless_only);
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
        "       kolvar --check-stages PACK [--budget SECONDS] [--runs N] [--root DIR]\n"
        "       kolvar --edit [PACK|DIR] [--root DIR] [--scale N] [--fullscreen]\n";
  } else {
    text +=
        "Usage: kolvar-headless [--root DIR] [--stages PACK] [--input FILE | --replay FILE]\n"
        "                       [--trace FILE] [--quit-at MS] [--shot MS:FILE.png]...\n"
        "                       [--hiscore-file FILE]\n"
        "       kolvar-headless --check-stages PACK [--budget SECONDS] [--runs N]\n"
        "                       [--root DIR]\n"
        "       kolvar-headless --edit [PACK|DIR] [--root DIR] [--input FILE] [--trace FILE]\n"
        "                       [--quit-at MS] [--shot MS:FILE.png]...\n";
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
      "                    solver; one line a stage with the casual player's clear\n"
      "                    rate, exit 1 when one is not proved\n"
      "  --budget SECONDS  processor time each stage's proof may take (default: 10)\n"
      "  --runs N          the casual player's runs a stage (default: 50; 0: none)\n"
      "  --edit [PACK]     the stage editor on pack PACK (a folder, or a pack's name;\n"
      "                    the game's own are copied when saved), or on a new pack;\n"
      "                    saved in $XDG_DATA_HOME/kolvar/stages/\n";
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
      "                    esc z) and 'MS close'; for the editor also 'MS pointer X Y\n"
      "                    [down|up]', 'MS touch ...', 'MS type TEXT', 'MS press NAME'\n"
      "  --replay FILE     play a recording (.kvr) again instead of a key script\n"
      "  --trace FILE      write what happens as JSON Lines\n"
      "  --quit-at MS      close the window at that virtual time\n"
      "  --shot MS:FILE    save the picture shown at virtual time MS as PNG\n"
      "  -h, --help, --version\n";
  return text;
}

std::optional<int> ReadCommandLine(int argc, char** argv, ProgramKind kind, const char* program,
                                   const std::string& data_from_bindir, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
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
