// What the program does with recordings besides playing: the stage set's
// digests for a recording's header, and a recording file read and checked
// against this program and these stages before anything opens.
#pragma once

#include <array>
#include <string>

#include "platform/recording.h"

namespace kolvar {

using StageDigests = std::array<uint32_t, kRecordedStageFiles>;

// FNV-1a of each stage file under `root`, in the order DATA/Stage01.MAP,
// DATA/Stage01.IVM, DATA/Stage02.MAP... Throws FatalError naming a file
// that cannot be read.
StageDigests DigestStages(const std::string& root);

// The header of a new recording made by this program with these stages.
RecordingHeader NewRecordingHeader(const StageDigests& stages);

// The largest recording read: a day of play is far less.
inline constexpr size_t kMaxRecordingBytes = 256u << 20;

struct OpenedRecording {
  RecordingHeader header;
  RecordingReader reader{std::string()};
  // A line for the player when the recording was made by another version
  // of the program (it is played all the same); else empty.
  std::string notice;
};

// Reads the recording at `path` and checks it can replay here. Throws
// std::runtime_error with one line naming `path` and what is wrong: it
// cannot be read, is not a recording, is of another format version, or was
// recorded with other stages (naming the first stage file that differs).
OpenedRecording OpenRecording(const std::string& path, const StageDigests& stages);

}  // namespace kolvar
