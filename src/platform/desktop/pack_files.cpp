#include "platform/desktop/pack_files.h"

#include <cstdio>
#include <filesystem>

#include "platform/desktop/continue_store.h"
#include "platform/desktop/hiscore_store.h"
#include "platform/desktop/user_files.h"
#include "platform/regular_file.h"

namespace kolvar {

namespace {

namespace fs = std::filesystem;

// Copies the file `from` to `to` when `to` is missing and `from` is a
// regular file of at most `most_bytes`.
void CopyIfMissing(const std::string& from, const std::string& to, size_t most_bytes) {
  std::error_code error;
  if (fs::symlink_status(to, error).type() != fs::file_type::not_found) return;
  const RegularFile old = ReadRegularFile(from, most_bytes);
  if (!old.ok()) return;
  const std::string fault = WriteFileAtomically(to, old.bytes);
  if (!fault.empty()) std::fprintf(stderr, "kolvar: %s\n", fault.c_str());
}

}  // namespace

std::string PackHiScoreFile(const std::string& data_directory, const std::string& key,
                            const std::string& old_key) {
  const std::string file = data_directory + "/hiscore-" + key;
  if (!old_key.empty() && old_key != key) {
    const std::string old_file = data_directory + "/hiscore-" + old_key;
    CopyIfMissing(old_file, file, kMostHiScoreBytes);
    CopyIfMissing(ContinueFileFor(old_file), ContinueFileFor(file), kMostContinueBytes);
  }
  return file;
}

}  // namespace kolvar
