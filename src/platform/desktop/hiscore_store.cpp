#include "platform/desktop/hiscore_store.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/desktop/user_files.h"

namespace kolvar {

namespace {

constexpr const char* kHeader = "kolvar hiscore\n";
constexpr size_t kMostDigits = 10;

void PrintToStderr(const std::string& message) {
  std::fprintf(stderr, "kolvar: %s\n", message.c_str());
}

}  // namespace

std::string HiScoreText(int32_t value) {
  return kHeader + std::to_string(value < 0 ? 0 : value) + "\n";
}

std::optional<int32_t> ParseHiScore(const std::string& text) {
  const std::string header = kHeader;
  if (text.rfind(header, 0) != 0 || text.back() != '\n') return std::nullopt;
  const std::string digits = text.substr(header.size(), text.size() - header.size() - 1);
  if (digits.empty() || digits.size() > kMostDigits ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const long long value = std::stoll(digits);
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

HiScoreStore::HiScoreStore(std::string path, Report report)
    : path_(std::move(path)), report_(report ? std::move(report) : Report(PrintToStderr)) {}

int32_t HiScoreStore::Load() {
  if (path_.empty()) return 0;
  std::FILE* file = std::fopen(path_.c_str(), "rb");
  if (!file) {
    // No file yet is the first run, not a fault.
    if (errno != ENOENT) {
      report_(path_ + ": cannot read the hi-score (" + std::strerror(errno) + "); starting from 0");
    }
    return 0;
  }
  std::string text;
  char buffer[64];
  size_t n;
  // A hi-score file is a few bytes; a big one is not one and is not read whole.
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() < 4096) {
    text.append(buffer, n);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    report_(path_ + ": cannot read the hi-score; starting from 0");
    return 0;
  }
  const std::optional<int32_t> value = ParseHiScore(text);
  if (!value) {
    report_(path_ + ": not a hi-score file; starting from 0 (it is replaced at the next hi-score)");
    return 0;
  }
  return *value;
}

void HiScoreStore::Save(int32_t value) {
  if (path_.empty()) return;
  const std::string error = WriteFileAtomically(path_, HiScoreText(value));
  if (!error.empty() && !save_failure_reported_) {
    save_failure_reported_ = true;
    report_(error + "; the hi-score is not kept");
  }
}

}  // namespace kolvar
