// The kept Continue stage: the stage of the last game over, which the
// title's Continue starts. One small text file beside the hi-score, read at
// start and replaced whole at each game over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kolvar {

// Where the Continue stage is kept for a hi-score file: "continue" in the
// same folder for the usual hi-score file (named "hiscore"), else the
// hi-score file's name with ".continue" added. Empty for an empty path.
std::string ContinueFileFor(const std::string& hiscore_path);

// A Continue file's text ("kolvar continue", then the stage on a line of
// its own), as the desktop writes it and the browser keeps it in
// localStorage; and the stage such a text keeps (nothing when it is not
// one: a damaged file is replaced at the next game over).
std::string ContinueText(int32_t stage);
std::optional<int32_t> ParseContinueStage(const std::string& text);

// The most bytes read of a Continue file: its header and a stage number
// take under 20, so a larger file is no Continue file.
inline constexpr size_t kMostContinueBytes = 64;

class ContinueStore {
 public:
  using Report = std::function<void(const std::string&)>;

  // `path` empty: nothing is read or written. Problems go to `report`
  // (standard error by default).
  explicit ContinueStore(std::string path, Report report = {});

  // The kept stage; 1 when there is no file yet, and 1 (reported) when it
  // cannot be read or is not a Continue file. Only a regular file is read
  // (a FIFO, a device or a directory is refused at once).
  int32_t Load();
  // Keeps `stage`. A failure is reported the first time; play goes on.
  void Save(int32_t stage);

 private:
  std::string path_;
  Report report_;
  bool save_failure_reported_ = false;
};

}  // namespace kolvar
