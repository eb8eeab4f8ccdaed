#include "platform/desktop/continue_store.h"

#include <cstdio>

#include "platform/desktop/user_files.h"
#include "platform/regular_file.h"

namespace kolvar {

namespace {

constexpr const char* kHeader = "kolvar continue\n";
constexpr int32_t kMostStage = 999;

void PrintToStderr(const std::string& message) {
  std::fprintf(stderr, "kolvar: %s\n", message.c_str());
}

}  // namespace

std::string ContinueFileFor(const std::string& hiscore_path) {
  if (hiscore_path.empty()) return {};
  const size_t slash = hiscore_path.rfind('/');
  const std::string name =
      slash == std::string::npos ? hiscore_path : hiscore_path.substr(slash + 1);
  if (name == "hiscore")
    return hiscore_path.substr(0, hiscore_path.size() - name.size()) + "continue";
  return hiscore_path + ".continue";
}

std::string ContinueText(int32_t stage) {
  return kHeader + std::to_string(stage < 1 ? 1 : stage) + "\n";
}

std::optional<int32_t> ParseContinueStage(const std::string& text) {
  const std::string header = kHeader;
  int32_t stage = 0;
  bool sound = text.rfind(header, 0) == 0 && text.size() > header.size() + 1 &&
               text.size() <= header.size() + 4 && text.back() == '\n';
  for (size_t i = header.size(); sound && i + 1 < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') sound = false;
    stage = stage * 10 + (text[i] - '0');
  }
  if (!sound || stage < 1 || stage > kMostStage) return std::nullopt;
  return stage;
}

ContinueStore::ContinueStore(std::string path, Report report)
    : path_(std::move(path)), report_(report ? std::move(report) : Report(PrintToStderr)) {}

int32_t ContinueStore::Load() {
  if (path_.empty()) return 1;
  const RegularFile file = ReadRegularFile(path_, kMostContinueBytes);
  switch (file.status) {
    case RegularFile::Status::kMissing:
      return 1;  // No file yet: no game has ended.
    case RegularFile::Status::kNotRegular:
      report_(path_ + ": is " + file.reason + "; Continue starts stage 1");
      return 1;
    case RegularFile::Status::kFailed:
      report_(path_ + ": cannot read the Continue stage (" + file.reason +
              "); Continue starts stage 1");
      return 1;
    default:
      break;  // read, or too large to be one: judged below
  }
  const std::optional<int32_t> stage = file.ok() ? ParseContinueStage(file.bytes) : std::nullopt;
  if (!stage) {
    report_(
        path_ +
        ": not a Continue file; Continue starts stage 1 (it is replaced at the next game over)");
    return 1;
  }
  return *stage;
}

void ContinueStore::Save(int32_t stage) {
  if (path_.empty()) return;
  const std::string error = WriteFileAtomically(path_, ContinueText(stage));
  if (!error.empty() && !save_failure_reported_) {
    save_failure_reported_ = true;
    report_(error + "; the Continue stage is not kept");
  }
}

}  // namespace kolvar
