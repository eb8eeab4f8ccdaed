// The kept hi-score: one small text file holding the number, read at start
// and replaced whole each time the hi-score rises. Two games may run at once:
// a save takes a lock, reads the file again and never writes a lower score
// than the one kept there; without the lock it writes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kolvar {

// The file's text for a hi-score, and the hi-score in a file's text. Hand
// edits are read too: CR LF line ends, no final newline, spaces and tabs, a
// '+' sign, leading zeros, a bare number without the "kolvar hiscore" line.
// Nothing when the text holds no such number (or an empty file).
std::string HiScoreText(int32_t value);
std::optional<int32_t> ParseHiScore(const std::string& text);

// A hi-score file is a few bytes; a big one is not one and is not read whole.
inline constexpr size_t kMostHiScoreBytes = 4096;

class HiScoreStore {
 public:
  using Report = std::function<void(const std::string&)>;

  // `path` empty: nothing is read or written. Problems go to `report`
  // (standard error by default), each kind at most once a run.
  explicit HiScoreStore(std::string path, Report report = {});
  // Writes a score held back for want of the lock, waiting for it once more.
  ~HiScoreStore();
  HiScoreStore(const HiScoreStore&) = delete;
  HiScoreStore& operator=(const HiScoreStore&) = delete;

  // The kept hi-score; 0 when there is no file yet, and 0 (reported) when
  // it cannot be read or is not a hi-score file. Removes what a game killed
  // during a save left behind.
  int32_t Load();
  // Keeps `value` unless the file already holds a higher one. A file that
  // cannot be read as a hi-score is first kept as PATH.bad (reported). A
  // failure is reported the first time; play goes on.
  //
  // Only under the lock: while another game holds it (one stopped in the
  // middle of a save) nothing is written. The first such save waits a
  // second for it and says so, once; later ones only try it, so play does
  // not stall at each rise of the score. The highest score held back is
  // written by the next save that gets the lock, or when the store closes.
  void Save(int32_t value);

  const std::string& path() const { return path_; }

 private:
  void ReportOnce(bool& reported, const std::string& message);
  // Moves the unreadable file aside as PATH.bad (PATH.bad.2, ... when
  // taken). False when it could not be moved.
  bool KeepUnreadable(const std::string& target);
  // Reads the file again and writes `value` if it is higher; the caller
  // holds the lock.
  void WriteLocked(int32_t value);

  static constexpr int32_t kNothingHeld = -1;

  std::string path_;
  Report report_;
  bool save_failure_reported_ = false;
  bool lock_failure_reported_ = false;
  // The last save found the lock held: the next ones only try it.
  bool lock_timed_out_ = false;
  // The highest score a save could not write for want of the lock.
  int32_t held_back_ = kNothingHeld;
  // Not a file (a FIFO, a directory): nothing is written there.
  bool not_a_file_ = false;
};

}  // namespace kolvar
