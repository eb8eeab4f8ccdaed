// A stage pack: a folder holding pack.txt (the pack's name, author and an
// optional description) and the stage sources stage01.txt .. stageNN.txt,
// read and checked whole by the stage compiler when the game starts, so
// players can play sets of stages that were never built into DATA/.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/game.h"

namespace kolvar {

inline constexpr int kMostPackStages = 99;
// A stage source (or pack.txt) is a few kilobytes; anything far larger is
// not one, and is refused before it is read.
inline constexpr size_t kMostPackSourceBytes = 1 << 20;

struct PackInfo {
  std::string name;
  std::string author;
  std::string description;
};

struct StagePack {
  std::string folder;
  PackInfo info;
  std::vector<std::string> files;  // the stage sources, stage01.txt first
  // Each stage's title as a message prints it: control bytes as \xNN.
  std::vector<std::string> titles;
  std::vector<StageGrids> stages;  // each stage compiled
};

struct PackResult {
  std::optional<StagePack> pack;  // set only when there is no fault
  // Every fault, one line each: "FILE:LINE: error: what is wrong" (or
  // "FILE: error: ..." where no line is to blame).
  std::vector<std::string> faults;
};

// Reads pack.txt's text: lines "key: value" with the keys name, author
// (each required, once) and description (once at most); blank lines, lines
// starting with ';' and an editor's UTF-8 byte-order mark are skipped. The
// name and author are UTF-8 without control characters. Faults are named
// after `file`, with what they quote of it made safe to print (\xNN).
PackInfo ParsePackInfo(std::string_view text, const std::string& file,
                       std::vector<std::string>& faults);

// Reads and compiles the pack in `folder`. Every fault of pack.txt and of
// every stage is listed, safe to print; a missing or unreadable file, a
// file that is a link leading out of the folder (not read), a gap in the
// stage numbers and a file that looks like a stage but is not named
// stageNN.txt are faults too.
PackResult ReadStagePack(const std::string& folder);

}  // namespace kolvar
