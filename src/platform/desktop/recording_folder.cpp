#include "platform/desktop/recording_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/desktop/user_files.h"
#include "platform/regular_file.h"
#include "platform/timestamped_name.h"

namespace kolvar {

namespace fs = std::filesystem;

namespace {

bool IsRecordingName(const std::string& name) {
  return name.size() > 11 && name.rfind("kolvar_", 0) == 0 &&
         name.compare(name.size() - 4, 4, ".kvr") == 0;
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

  // The names hold the date and time, so their order is the recordings'.
  std::vector<std::string> names;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (IsRecordingName(name) && it->is_regular_file(error)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  const std::string marked = MarkedRecording(folder, made.notice);
  names.erase(std::remove(names.begin(), names.end(), marked), names.end());
  const size_t room = keep > 1 ? static_cast<size_t>(keep - 1) : 0;
  for (size_t i = 0; i + room < names.size(); ++i) fs::remove(folder + "/" + names[i], error);

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

}  // namespace kolvar
