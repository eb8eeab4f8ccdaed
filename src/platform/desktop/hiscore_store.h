// The kept hi-score: one small text file holding the number, read at start
// and replaced whole each time the hi-score rises.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kolvar {

// The file's text for a hi-score, and the hi-score in a file's text
// (nothing when the text is not exactly what HiScoreText writes).
std::string HiScoreText(int32_t value);
std::optional<int32_t> ParseHiScore(const std::string& text);

class HiScoreStore {
 public:
  using Report = std::function<void(const std::string&)>;

  // `path` empty: nothing is read or written. Problems go to `report`
  // (standard error by default), each kind at most once a run.
  explicit HiScoreStore(std::string path, Report report = {});

  // The kept hi-score; 0 when there is no file yet, and 0 (reported) when
  // it cannot be read or is not a hi-score file.
  int32_t Load();
  // Keeps `value`. A failure is reported the first time; play goes on.
  void Save(int32_t value);

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  Report report_;
  bool save_failure_reported_ = false;
};

}  // namespace kolvar
