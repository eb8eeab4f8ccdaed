// kolvar-headless: the game without a window or sound, for tests, replays,
// bots and CI. It takes the options of `kolvar --headless` and links none of
// the desktop's window, font or synthesizer libraries.

#include <cstdio>
#include <cstring>

#include "shell/command_line.h"
#include "shell/headless_launch.h"
#include "shell/program.h"

int main(int argc, char** argv) {
  using kolvar::ProgramKind;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kolvar::UsageText(ProgramKind::kHeadlessOnly, KOLVAR_DATA_FROM_BINDIR).c_str(),
                 stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts(kolvar::kVersionLine);
      return 0;
    }
  }
  kolvar::Arguments args;
  try {
    args = kolvar::ParseArguments(argc, argv, ProgramKind::kHeadlessOnly);
  } catch (const kolvar::BadArguments& bad) {
    std::fprintf(stderr, "kolvar-headless: %s\nTry 'kolvar-headless --help'.\n",
                 bad.message.c_str());
    return 2;
  }
  return kolvar::RunHeadless("kolvar-headless", args, kolvar::ProgramDirectory(argv[0]),
                             KOLVAR_DATA_FROM_BINDIR);
}
