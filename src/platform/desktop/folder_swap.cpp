#include "platform/desktop/folder_swap.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/desktop/user_files.h"

namespace kolvar {

namespace {

namespace fs = std::filesystem;

constexpr const char* kNewPart = ".new-";
constexpr const char* kOldPart = ".old-";

std::string Errno(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// Writes one file whole and flushes it to disk.
std::string WriteWhole(const fs::path& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return Errno(path.string() + ": cannot write");
  std::string failure;
  if (!WriteAll(fd, bytes)) failure = Errno(path.string() + ": cannot write");
  if (failure.empty() && fsync(fd) != 0) failure = Errno(path.string() + ": cannot flush to disk");
  if (close(fd) != 0 && failure.empty()) failure = Errno(path.string() + ": cannot write");
  return failure;
}

void SyncFolder(const fs::path& folder) {
  if (const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

// .NAME.new-XXXXXX and .NAME.old-XXXXXX beside the folder, left by a save
// that was killed.
void RemoveLeftovers(const fs::path& parent, const std::string& name) {
  std::error_code error;
  // A save killed between stepping the old folder aside and putting the
  // new one in place: the old folder is the pack, and comes back.
  if (!fs::exists(parent / name, error)) {
    for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error)) {
      if (it->path().filename().string().starts_with("." + name + kOldPart)) {
        std::rename(it->path().c_str(), (parent / name).c_str());
        break;
      }
    }
  }
  for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error)) {
    const std::string entry = it->path().filename().string();
    if (entry.starts_with("." + name + kNewPart) || entry.starts_with("." + name + kOldPart)) {
      std::error_code ignored;
      fs::remove_all(it->path(), ignored);
    }
  }
}

// Puts `fresh` where `folder` is, the old folder going to `fresh`'s name.
// Returns an error message or empty.
std::string Exchange(const fs::path& fresh, const fs::path& folder) {
  std::error_code error;
  if (!fs::exists(folder, error)) {
    if (std::rename(fresh.c_str(), folder.c_str()) != 0) {
      return Errno(folder.string() + ": cannot put the new folder in place");
    }
    return {};
  }
#ifndef __EMSCRIPTEN__
  if (renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, folder.c_str(), RENAME_EXCHANGE) == 0) {
    return {};
  }
  if (errno != EINVAL && errno != ENOSYS) {
    return Errno(folder.string() + ": cannot put the new folder in place");
  }
#endif
  // A file system that cannot exchange: the old folder steps aside first.
  // A crash between the two renames leaves it whole under its hidden name.
  std::string aside = fresh.string();
  aside.replace(aside.rfind(kNewPart), std::strlen(kNewPart), kOldPart);
  if (std::rename(folder.c_str(), aside.c_str()) != 0) {
    return Errno(folder.string() + ": cannot put the new folder in place");
  }
  if (std::rename(fresh.c_str(), folder.c_str()) != 0) {
    const std::string failure = Errno(folder.string() + ": cannot put the new folder in place");
    std::rename(aside.c_str(), folder.c_str());
    return failure;
  }
  if (std::rename(aside.c_str(), fresh.c_str()) != 0) {
    std::error_code ignored;
    fs::remove_all(aside, ignored);
  }
  return {};
}

}  // namespace

std::string ReplaceFolderFiles(const std::string& folder_name, const FolderFiles& files,
                               const std::function<bool(const std::string&)>& is_replaced,
                               const std::function<void()>& before_swap) {
  const fs::path folder = fs::path(folder_name).lexically_normal();
  const fs::path parent = folder.has_parent_path() ? folder.parent_path() : fs::path(".");
  const std::string name = folder.filename().string();
  std::error_code error;
  fs::create_directories(parent, error);
  if (error) return parent.string() + ": cannot create the folder: " + error.message();
  if (fs::exists(folder, error) && !fs::is_directory(folder, error)) {
    return folder.string() + ": is no folder; not replaced";
  }
  RemoveLeftovers(parent, name);

  std::string fresh_name = (parent / ("." + name + kNewPart + "XXXXXX")).string();
  if (!mkdtemp(fresh_name.data())) return Errno(folder.string() + ": cannot write");
  const fs::path fresh(fresh_name);
  const auto fail = [&](const std::string& failure) {
    std::error_code ignored;
    fs::remove_all(fresh, ignored);
    return failure;
  };
  // The folder keeps the permissions it had.
  if (fs::exists(folder, error)) {
    fs::permissions(fresh, fs::status(folder, error).permissions(), error);
  } else {
    fs::permissions(fresh,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec,
                    error);
  }

  for (const auto& [file, bytes] : files) {
    const std::string failure = WriteWhole(fresh / file, bytes);
    if (!failure.empty()) return fail(failure);
  }
  if (fs::is_directory(folder, error)) {
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      const std::string entry = it->path().filename().string();
      if (is_replaced(entry)) continue;
      std::error_code copy_error;
      fs::copy(it->path(), fresh / entry,
               fs::copy_options::recursive | fs::copy_options::copy_symlinks, copy_error);
      if (copy_error) {
        return fail(it->path().string() + ": cannot carry over: " + copy_error.message());
      }
    }
    if (error) return fail(folder.string() + ": cannot list the folder: " + error.message());
  }
  SyncFolder(fresh);

  if (before_swap) before_swap();
  const std::string failure = Exchange(fresh, folder);
  if (!failure.empty()) return fail(failure);
  SyncFolder(parent);
  // `fresh` holds the old folder now.
  fs::remove_all(fresh, error);
  return {};
}

}  // namespace kolvar
