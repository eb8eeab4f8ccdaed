// The command line of both programs: `kolvar` (the window, or --headless)
// and `kolvar-headless` (no window, no sound; the same options as
// `kolvar --headless`).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kolvar_version.h"

namespace kolvar {

struct ShotRequest {
  uint32_t ms = 0;
  std::string path;
};

struct Arguments {
  bool headless = false;
  std::string root;
  int scale = 0;  // 0: the settings file's, else what fits
  bool fullscreen = false;
  std::string renderer;
  std::string soundfont;  // empty: the settings file's, else the first found
  std::string hiscore_file;
  std::string input;
  std::string trace;
  std::optional<uint32_t> quit_at;
  std::vector<ShotRequest> shots;
  // --stages: the pack to play, a folder or an installed pack's name.
  std::string stages;
  // Where `stages` came from when the settings file named the pack
  // ("FILE:LINE"); empty when the command line did. A pack the settings
  // name that cannot be played is reported on that line and the game's own
  // stages are played, as for any settings line the game cannot use.
  std::string stages_setting;
  // --check-stages: the pack to prove clearable instead of playing; each
  // stage's proof gets --budget processor seconds, and the players play it
  // --runs times (0: not at all).
  std::string check_stages;
  std::optional<double> budget;
  std::optional<uint32_t> runs;
  // The window: where this game's recording goes (empty: the recordings
  // folder), or the recording to watch instead of playing.
  std::string record;
  std::string watch;
  // Headless: the recording to replay instead of an input script.
  std::string replay;
  // The browser: the data is part of the program, built and checked with
  // it, so the start does not read and check every stage file again (each
  // is still checked when its stage starts).
  bool data_built_in = false;
  // --edit: open the stage editor on a pack (a folder or a pack's name;
  // empty: a new pack) instead of playing.
  bool edit = false;
  std::string edit_pack;
  // The page the editor's links are made for: the settings file's
  // share_site (empty: kDefaultShareSite, as a program without settings).
  std::string share_site;
};

struct BadArguments {
  std::string message;
};

// Which program reads the command line: the one with a window takes the
// window's options and --headless; the headless one refuses the window's
// options and always runs headless (--headless is accepted and changes
// nothing).
enum class ProgramKind { kWindow, kHeadlessOnly };

// Throws BadArguments with a one-line message.
Arguments ParseArguments(int argc, char** argv, ProgramKind kind);

// The --help text; `data_from_bindir` is where the installed data lies
// relative to the program's folder.
std::string UsageText(ProgramKind kind, const std::string& data_from_bindir);

inline constexpr const char* kVersionLine = "Kolvar " KOLVAR_VERSION;

// What both programs do with their command line first: --help and
// --version (anywhere on it) are answered on stdout, a bad command line is
// explained on stderr in `program`'s name. Returns the exit status then (0,
// or 2 for a bad command line); otherwise nothing, with `args` read.
std::optional<int> ReadCommandLine(int argc, char** argv, ProgramKind kind, const char* program,
                                   const std::string& data_from_bindir, Arguments& args);

}  // namespace kolvar
