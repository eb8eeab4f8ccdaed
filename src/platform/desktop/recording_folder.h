// The folder of recorded games: $XDG_DATA_HOME/kolvar/replays, one file
// kolvar_DATE_TIME.kvr a game. The newest recordings are kept, and the one
// of the game that set the kept hi-score, which a small file names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace kolvar {

inline constexpr int kKeptRecordings = 20;
// The file in the folder naming the recording that set the kept hi-score.
inline constexpr const char* kHiScoreRecordingMark = "hiscore-game";
// The mark holds one file name; a larger one is no mark and is not read.
inline constexpr size_t kMostHiScoreMarkBytes = 4096;

// $XDG_DATA_HOME/kolvar/replays; empty without a home folder.
std::string RecordingsDirectory();

struct NewRecording {
  std::FILE* file = nullptr;  // open for writing; null on failure
  std::string path;
  std::string error;
  // A line for the player when the recording was made all the same: the
  // hi-score mark could not be read (a FIFO, say), so no recording was
  // kept for it.
  std::string notice;
};

// Makes `folder`, removes the oldest of the game's own recordings (the
// names it gives them; a file the player named is left alone) so that with
// the new one `keep` remain (the recording named by the hi-score mark is
// kept besides them; a mark that is no regular file names none, with a
// notice), and creates kolvar_DATE_TIME.kvr there (local time of `when`,
// "_2", "_3"... when the name is taken; never over an existing file).
NewRecording StartRecording(const std::string& folder, int64_t when, int keep = kKeptRecordings);

// Names the recording at `path` as the one that set the kept hi-score,
// atomically. Returns an error message, or empty.
std::string MarkHiScoreRecording(const std::string& path);

// What a recorded game does at each new hi-score: the first time, marks its
// recording at `path` (MarkHiScoreRecording). Returns what is lost when the
// mark could not be written, as a line for the player; else empty.
std::function<std::string()> MarkOnFirstHiScore(const std::string& path);

}  // namespace kolvar
