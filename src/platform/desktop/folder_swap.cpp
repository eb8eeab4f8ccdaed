#include "platform/desktop/folder_swap.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

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

// Copies the file, folder (with everything in it) or symbolic link at
// `from` to `to`, which does not exist yet: files and folders keep their
// permissions, a link is copied as the link it is. Anything else (a pipe,
// a device) is not carried over. Returns an error message, or empty.
// (Written on the system's calls rather than std::filesystem::copy, whose
// file copying brings the whole of the C++ streams and locales into the
// browser's program.)
std::string CopyEntry(const std::string& from, const std::string& to) {
  struct stat status {};
  if (lstat(from.c_str(), &status) != 0) return Errno(from);
  const mode_t mode = status.st_mode & 07777;
  if (S_ISLNK(status.st_mode)) {
    std::string target(static_cast<std::size_t>(status.st_size) + 1, '\0');
    const ssize_t length = readlink(from.c_str(), target.data(), target.size());
    if (length < 0) return Errno(from);
    target.resize(static_cast<std::size_t>(length));
    if (symlink(target.c_str(), to.c_str()) != 0) return Errno(to);
    return {};
  }
  if (S_ISDIR(status.st_mode)) {
    if (mkdir(to.c_str(), mode) != 0) return Errno(to);
    chmod(to.c_str(), mode);  // past the umask, as the folder was
    DIR* folder = opendir(from.c_str());
    if (!folder) return Errno(from);
    std::string failure;
    errno = 0;
    while (const dirent* entry = readdir(folder)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      failure = CopyEntry(from + "/" + name, to + "/" + name);
      if (!failure.empty()) break;
      errno = 0;
    }
    if (failure.empty() && errno != 0) failure = Errno(from);
    closedir(folder);
    return failure;
  }
  if (!S_ISREG(status.st_mode)) return from + ": is no file, folder or link";
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Errno(from);
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (out < 0) {
    const std::string failure = Errno(to);
    close(in);
    return failure;
  }
  std::string failure;
  char buffer[1 << 14];
  for (;;) {
    const ssize_t count = read(in, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) failure = Errno(from);
    if (count <= 0) break;
    if (!WriteAll(out, std::string_view(buffer, static_cast<std::size_t>(count)))) {
      failure = Errno(to);
      break;
    }
  }
  if (failure.empty() && fchmod(out, mode) != 0) failure = Errno(to);
  if (close(out) != 0 && failure.empty()) failure = Errno(to);
  close(in);
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
      const std::string copy_error = CopyEntry(it->path().string(), (fresh / entry).string());
      if (!copy_error.empty()) {
        return fail(it->path().string() + ": cannot carry over: " + copy_error);
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
