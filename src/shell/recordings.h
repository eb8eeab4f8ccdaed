// What the program does with recordings besides playing: the stages played
// described for a recording's header, and a recording file read and checked
// against this program and the stages this run plays before anything opens.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/game.h"
#include "platform/recording.h"

namespace kolvar {

// The stages a run plays, as a recording names them: two digests per stage
// (FNV-1a of its map's 1024 bytes, then of its enemy placement's), and the
// stage pack's name and folder name when a pack is played.
struct StageSet {
  std::vector<uint32_t> digests;
  std::string pack_name;  // empty: the game's own stages
  std::string pack_key;
};

// The game's own stages: the stage files under `root`, in the order
// DATA/Stage01.MAP, DATA/Stage01.IVM, DATA/Stage02.MAP... Throws FatalError
// naming a file that cannot be read.
StageSet OwnStageSet(const std::string& root);

// A stage pack's stages as the game plays them: the grids its sources
// compiled to, laid out as the stage files are. A pack compiled to the same
// grids as the game's own stages (the pack "kolvar") has their digests.
StageSet PackStageSet(const std::vector<StageGrids>& stages, const std::string& pack_name,
                      const std::string& pack_key);

// The header of a new recording made by this program with these stages.
RecordingHeader NewRecordingHeader(const StageSet& stages);

// Why a recording made on the stages its header names cannot replay on
// `here`: one line naming both sets and the first stage (or the stage
// count) that differs. Nothing when the digests are the same, whatever the
// packs are called.
std::optional<std::string> StageSetDifference(const RecordingHeader& recorded,
                                              const StageSet& here);

// The largest recording read: a day of play is far less.
inline constexpr size_t kMaxRecordingBytes = 256u << 20;

struct OpenedRecording {
  RecordingHeader header;
  RecordingReader reader{std::string()};
  // A line for the player when the recording was made by another version
  // of the program (it is played all the same); else empty.
  std::string notice;
};

// Reads the recording at `path` and checks it can replay on `here`. Throws
// std::runtime_error with one line naming `path` and what is wrong: it
// cannot be read or is no regular file (a FIFO is refused at once, not
// waited on), is not a recording, is of a format version this program
// does not read, or was recorded with other stages (StageSetDifference).
OpenedRecording OpenRecording(const std::string& path, const StageSet& here);

}  // namespace kolvar
