#include "platform/desktop/recording_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/desktop/user_files.h"
#include "platform/regular_file.h"
#include "platform/timestamped_name.h"

namespace kolvar {

namespace fs = std::filesystem;

namespace {

// Where a recording stands among the game's own, by the name the game gave
// it: kolvar_YYYY-MM-DD_HH-MM-SS.kvr, or with _N (2 to 999) before the
// ".kvr" for the Nth of the same second. Any other name (a recording the
// player renamed, "kolvar_best.kvr") is none of the game's, and is never
// pruned.
struct RecordingOrder {
  std::string stamp;
  int n = 1;
  bool operator<(const RecordingOrder& other) const {
    return stamp != other.stamp ? stamp < other.stamp : n < other.n;
  }
};

std::optional<RecordingOrder> OrderOfGameName(const std::string& name) {
  constexpr std::string_view kPrefix = "kolvar_", kExtension = ".kvr";
  constexpr std::string_view kStampForm = "0000-00-00_00-00-00";  // 0: a digit
  if (!name.starts_with(kPrefix) || !name.ends_with(kExtension)) return std::nullopt;
  const std::string middle =
      name.substr(kPrefix.size(), name.size() - kPrefix.size() - kExtension.size());
  if (middle.size() < kStampForm.size()) return std::nullopt;
  for (size_t i = 0; i < kStampForm.size(); ++i) {
    const bool digit = middle[i] >= '0' && middle[i] <= '9';
    if (kStampForm[i] == '0' ? !digit : middle[i] != kStampForm[i]) return std::nullopt;
  }
  RecordingOrder order{middle.substr(0, kStampForm.size())};
  const std::string rest = middle.substr(kStampForm.size());
  if (rest.empty()) return order;
  // "_N": N from 2 to 999, written without a leading zero.
  constexpr size_t kMostNumberDigits = 3;
  if (rest.size() < 2 || rest.size() > 1 + kMostNumberDigits || rest[0] != '_' || rest[1] == '0') {
    return std::nullopt;
  }
  order.n = 0;
  for (size_t i = 1; i < rest.size(); ++i) {
    if (rest[i] < '0' || rest[i] > '9') return std::nullopt;
    order.n = order.n * 10 + (rest[i] - '0');
  }
  if (order.n < 2) return std::nullopt;
  return order;
}

// The recording the hi-score mark names (its first line); empty when there
// is no mark. A mark that cannot be read names none, and `notice` says why.
std::string MarkedRecording(const std::string& folder, std::string& notice) {
  const std::string path = folder + "/" + kHiScoreRecordingMark;
  const RegularFile mark = ReadRegularFile(path, kMostHiScoreMarkBytes);
  switch (mark.status) {
    case RegularFile::Status::kRead:
      return mark.bytes.substr(0, mark.bytes.find('\n'));
    case RegularFile::Status::kMissing:
      return {};
    case RegularFile::Status::kNotRegular:
    case RegularFile::Status::kTooLarge:
      notice = path + ": is " + mark.reason + ", so it names no hi-score game";
      return {};
    default:
      notice = path + ": cannot read it (" + mark.reason + "), so it names no hi-score game";
      return {};
  }
}

}  // namespace

std::string RecordingsDirectory() {
  const std::string data = DataDirectory();
  return data.empty() ? data : data + "/replays";
}

NewRecording StartRecording(const std::string& folder, int64_t when, int keep) {
  NewRecording made;
  if (folder.empty()) {
    made.error = "no folder for recordings (HOME is not set)";
    return made;
  }
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    made.error = folder + ": cannot create the folder: " + error.message();
    return made;
  }

  // The game's names hold the date and time, so their order is the
  // recordings'.
  std::vector<std::pair<RecordingOrder, std::string>> names;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    const std::optional<RecordingOrder> order = OrderOfGameName(name);
    if (order && it->is_regular_file(error)) names.emplace_back(*order, name);
  }
  std::sort(names.begin(), names.end());
  const std::string marked = MarkedRecording(folder, made.notice);
  std::erase_if(names, [&](const auto& entry) { return entry.second == marked; });
  const size_t room = keep > 1 ? static_cast<size_t>(keep - 1) : 0;
  for (size_t i = 0; i + room < names.size(); ++i) {
    fs::remove(folder + "/" + names[i].second, error);
  }

  for (int n = 1; n < 1000; ++n) {
    std::string path = folder + "/" + TimestampedName(when, n, ".kvr");
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      made.error = path + ": cannot create the recording: " + std::strerror(errno);
      return made;
    }
    made.file = fdopen(fd, "wb");
    if (!made.file) {
      made.error = path + ": cannot create the recording: " + std::strerror(errno);
      close(fd);
      return made;
    }
    made.path = std::move(path);
    return made;
  }
  made.error = folder + ": cannot create the recording: every name for this second is taken";
  return made;
}

std::string MarkHiScoreRecording(const std::string& path) {
  const fs::path file(path);
  return WriteFileAtomically((file.parent_path() / kHiScoreRecordingMark).string(),
                             file.filename().string() + "\n");
}

std::function<std::string()> MarkOnFirstHiScore(const std::string& path) {
  return [path, marked = false]() mutable -> std::string {
    if (marked) return {};
    marked = true;
    const std::string error = MarkHiScoreRecording(path);
    if (error.empty()) return {};
    return error + "; this hi-score game's recording is kept only while it is among the newest " +
           std::to_string(kKeptRecordings);
  };
}

}  // namespace kolvar
