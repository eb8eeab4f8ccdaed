#include "platform/desktop/hiscore_store.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/desktop/user_files.h"
#include "platform/regular_file.h"

namespace kolvar {

namespace {

constexpr const char* kHeader = "kolvar hiscore";
// How long a save waits for another game's save to finish. Saves take
// milliseconds; a game stopped in the middle of one must not stop this one.
constexpr int kLockWaitMs = 1000;

void PrintToStderr(const std::string& message) {
  std::fprintf(stderr, "kolvar: %s\n", message.c_str());
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsBlank(const std::string& text) {
  for (char c : text) {
    if (!IsSpace(c)) return false;
  }
  return true;
}

// Bytes a save killed part-way may have left: a beginning of HiScoreText.
bool IsPartOfHiScoreText(const std::string& bytes) {
  const std::string header = std::string(kHeader) + "\n";
  if (bytes.size() <= header.size()) return header.compare(0, bytes.size(), bytes) == 0;
  if (bytes.compare(0, header.size(), header) != 0) return false;
  for (size_t i = header.size(); i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (!(c >= '0' && c <= '9') && !(c == '\n' && i + 1 == bytes.size())) return false;
  }
  return true;
}

}  // namespace

std::string HiScoreText(int32_t value) {
  return std::string(kHeader) + "\n" + std::to_string(value < 0 ? 0 : value) + "\n";
}

std::optional<int32_t> ParseHiScore(const std::string& text) {
  size_t at = 0;
  const auto skip_space = [&] {
    while (at < text.size() && IsSpace(text[at])) ++at;
  };
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) at = 3;  // a byte-order mark from an editor
  skip_space();
  // The header, with any spacing between its two words.
  if (text.compare(at, 6, "kolvar") == 0) {
    at += 6;
    const size_t gap = at;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    if (at == gap || text.compare(at, 7, "hiscore") != 0) return std::nullopt;
    at += 7;
    skip_space();
  }
  if (at < text.size() && text[at] == '+') ++at;
  while (at + 1 < text.size() && text[at] == '0' && text[at + 1] >= '0' && text[at + 1] <= '9') {
    ++at;  // leading zeros
  }
  int64_t value = 0;
  const size_t digits = at;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > INT32_MAX) return std::nullopt;
  }
  if (at == digits) return std::nullopt;
  skip_space();
  if (at != text.size()) return std::nullopt;
  return static_cast<int32_t>(value);
}

HiScoreStore::HiScoreStore(std::string path, Report report)
    : path_(std::move(path)), report_(report ? std::move(report) : Report(PrintToStderr)) {}

void HiScoreStore::ReportOnce(bool& reported, const std::string& message) {
  if (reported) return;
  reported = true;
  report_(message);
}

int32_t HiScoreStore::Load() {
  if (path_.empty()) return 0;
  {
    // Under the lock no other game is between writing a temporary and
    // renaming it, so every temporary found is stale.
    FileLock lock(path_, kLockWaitMs);
    if (lock.locked()) RemoveStaleTemporaries(path_, 0, IsPartOfHiScoreText);
  }
  const RegularFile file = ReadRegularFile(path_, kMostHiScoreBytes);
  switch (file.status) {
    case RegularFile::Status::kMissing:
      return 0;  // No file yet is the first run, not a fault.
    case RegularFile::Status::kNotRegular:
      not_a_file_ = true;
      report_(path_ + ": is " + file.reason + "; the hi-score is not kept");
      return 0;
    case RegularFile::Status::kRead:
      if (const std::optional<int32_t> value = ParseHiScore(file.bytes)) return *value;
      if (IsBlank(file.bytes)) {
        report_(path_ + ": the hi-score file is empty; starting from 0");
        return 0;
      }
      report_(path_ + ": not a hi-score file; starting from 0 (it is kept as " + path_ +
              ".bad at the next hi-score)");
      return 0;
    default:
      report_(path_ + ": cannot read the hi-score (" + file.reason +
              "); starting from 0 (it is kept as " + path_ + ".bad at the next hi-score)");
      return 0;
  }
}

bool HiScoreStore::KeepUnreadable(const std::string& target) {
  std::string bad = target + ".bad";
  struct stat taken {};
  for (int n = 2; lstat(bad.c_str(), &taken) == 0; ++n) {
    bad = target + ".bad." + std::to_string(n);
  }
  if (std::rename(target.c_str(), bad.c_str()) != 0) {
    ReportOnce(save_failure_reported_, path_ +
                                           ": cannot be read as a hi-score and cannot be moved "
                                           "aside; the hi-score is not kept");
    return false;
  }
  report_(path_ + ": could not be read as a hi-score; kept as " + bad);
  return true;
}

HiScoreStore::~HiScoreStore() {
  if (held_back_ == kNothingHeld) return;
  try {
    FileLock lock(path_, kLockWaitMs);
    if (lock.locked()) {
      WriteLocked(held_back_);
    } else {
      report_(path_ + ": another game held the lock until this one closed; the hi-score " +
              std::to_string(held_back_) + " is not kept");
    }
  } catch (...) {
    // Closing goes on: the score is lost, nothing else is.
  }
}

void HiScoreStore::Save(int32_t value) {
  if (path_.empty() || not_a_file_) return;
  held_back_ = std::max(held_back_, value);
  FileLock lock(path_, lock_timed_out_ ? 0 : kLockWaitMs);
  if (!lock.locked()) {
    if (lock.busy()) {
      lock_timed_out_ = true;
      ReportOnce(lock_failure_reported_,
                 lock.error() + "; the hi-score is written at the next save that gets the lock");
    } else {
      // No lock file can be made here (a read-only folder): nor can a
      // hi-score file.
      held_back_ = kNothingHeld;
      ReportOnce(save_failure_reported_, lock.error() + "; the hi-score is not kept");
    }
    return;
  }
  lock_timed_out_ = false;
  const int32_t score = held_back_;
  held_back_ = kNothingHeld;
  WriteLocked(score);
}

void HiScoreStore::WriteLocked(int32_t value) {
  // Another game may have kept a higher score since this one started.
  const std::string target = FollowLinks(path_);
  const RegularFile kept = ReadRegularFile(target, kMostHiScoreBytes);
  switch (kept.status) {
    case RegularFile::Status::kMissing:
      break;
    case RegularFile::Status::kNotRegular:
      not_a_file_ = true;
      ReportOnce(save_failure_reported_,
                 path_ + ": is " + kept.reason + "; the hi-score is not kept");
      return;
    case RegularFile::Status::kRead:
      if (const std::optional<int32_t> old = ParseHiScore(kept.bytes)) {
        if (*old >= value) return;
        break;
      }
      if (IsBlank(kept.bytes)) break;
      if (!KeepUnreadable(target)) return;
      break;
    default:
      if (!KeepUnreadable(target)) return;
      break;
  }
  // Looked at once more just before the new file replaces the old, for a
  // writer that takes no lock (an older version of the game).
  const auto still_higher = [&] {
    const RegularFile now = ReadRegularFile(target, kMostHiScoreBytes);
    const std::optional<int32_t> kept_now = now.ok() ? ParseHiScore(now.bytes) : std::nullopt;
    return !kept_now || *kept_now < value;
  };
  const std::string error = WriteFileAtomically(path_, HiScoreText(value), still_higher);
  if (!error.empty()) ReportOnce(save_failure_reported_, error + "; the hi-score is not kept");
}

}  // namespace kolvar
