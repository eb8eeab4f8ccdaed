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
#include <functional>
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
std::string WriteWhole(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return Errno(path + ": cannot write");
  std::string failure;
  if (!WriteAll(fd, bytes)) failure = Errno(path + ": cannot write");
  if (failure.empty() && fsync(fd) != 0) failure = Errno(path + ": cannot flush to disk");
  if (close(fd) != 0 && failure.empty()) failure = Errno(path + ": cannot write");
  return failure;
}

// Calls `visit` with the name of each entry of `folder` (not . and ..)
// until it returns false. Returns false when the folder cannot be listed
// (errno says why).
bool ForEachEntry(const std::string& folder, const std::function<bool(const std::string&)>& visit) {
  DIR* listing = opendir(folder.c_str());
  if (!listing) return false;
  errno = 0;
  bool listed = true;
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name != "." && name != ".." && !visit(name)) break;
    errno = 0;
  }
  if (errno != 0) listed = false;
  const int error = errno;
  closedir(listing);
  errno = error;
  return listed;
}

bool Exists(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0;
}

// Removes `path` and, when it is a folder (not a link to one), all it holds.
void RemoveTree(const std::string& path) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) return;
  if (S_ISDIR(status.st_mode)) {
    ForEachEntry(path, [&](const std::string& name) {
      RemoveTree(path + "/" + name);
      return true;
    });
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

// Copies the file, folder (with everything in it) or symbolic link at
// `from` to `to`, which does not exist yet: files and folders keep their
// permissions, a link is copied as the link it is. Anything else (a pipe,
// a device) is not carried over. Returns an error message, or empty.
// (The folder's work is done with the system's calls rather than
// std::filesystem: its copying alone brought the whole of the C++ streams
// and locales into the browser's program.)
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
    std::string failure;
    const bool listed = ForEachEntry(from, [&](const std::string& name) {
      failure = CopyEntry(from + "/" + name, to + "/" + name);
      return failure.empty();
    });
    if (!listed && failure.empty()) failure = Errno(from);
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

void SyncFolder(const std::string& folder) {
  if (const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

// .NAME.new-XXXXXX and .NAME.old-XXXXXX beside the folder, left by a save
// that was killed.
void RemoveLeftovers(const std::string& parent, const std::string& name) {
  const std::string folder = parent + "/" + name;
  // A save killed between stepping the old folder aside and putting the
  // new one in place: the old folder is the pack, and comes back.
  if (!Exists(folder)) {
    ForEachEntry(parent, [&](const std::string& entry) {
      if (!entry.starts_with("." + name + kOldPart)) return true;
      std::rename((parent + "/" + entry).c_str(), folder.c_str());
      return false;
    });
  }
  ForEachEntry(parent, [&](const std::string& entry) {
    if (entry.starts_with("." + name + kNewPart) || entry.starts_with("." + name + kOldPart)) {
      RemoveTree(parent + "/" + entry);
    }
    return true;
  });
}

// Puts `fresh` where `folder` is, the old folder going to `fresh`'s name.
// Returns an error message or empty.
std::string Exchange(const std::string& fresh, const std::string& folder) {
  if (!Exists(folder)) {
    if (std::rename(fresh.c_str(), folder.c_str()) != 0) {
      return Errno(folder + ": cannot put the new folder in place");
    }
    return {};
  }
#ifndef __EMSCRIPTEN__
  if (renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, folder.c_str(), RENAME_EXCHANGE) == 0) {
    return {};
  }
  if (errno != EINVAL && errno != ENOSYS) {
    return Errno(folder + ": cannot put the new folder in place");
  }
#endif
  // A file system that cannot exchange: the old folder steps aside first.
  // A crash between the two renames leaves it whole under its hidden name.
  std::string aside = fresh;
  aside.replace(aside.rfind(kNewPart), std::strlen(kNewPart), kOldPart);
  if (std::rename(folder.c_str(), aside.c_str()) != 0) {
    return Errno(folder + ": cannot put the new folder in place");
  }
  if (std::rename(fresh.c_str(), folder.c_str()) != 0) {
    const std::string failure = Errno(folder + ": cannot put the new folder in place");
    std::rename(aside.c_str(), folder.c_str());
    return failure;
  }
  if (std::rename(aside.c_str(), fresh.c_str()) != 0) RemoveTree(aside);
  return {};
}

}  // namespace

std::string ReplaceFolderFiles(const std::string& folder_name, const FolderFiles& files,
                               const std::function<bool(const std::string&)>& is_replaced,
                               const std::function<void()>& before_swap) {
  const fs::path normal = fs::path(folder_name).lexically_normal();
  const std::string folder = normal.string();
  const std::string parent = normal.has_parent_path() ? normal.parent_path().string() : ".";
  const std::string name = normal.filename().string();
  std::error_code error;
  fs::create_directories(parent, error);
  if (error) return parent + ": cannot create the folder: " + error.message();
  struct stat old_status {};
  const bool existed = stat(folder.c_str(), &old_status) == 0;
  if (existed && !S_ISDIR(old_status.st_mode)) return folder + ": is no folder; not replaced";
  RemoveLeftovers(parent, name);

  std::string fresh = parent + "/." + name + kNewPart + "XXXXXX";
  if (!mkdtemp(fresh.data())) return Errno(folder + ": cannot write");
  const auto fail = [&](const std::string& failure) {
    RemoveTree(fresh);
    return failure;
  };
  // The folder keeps the permissions it had.
  chmod(fresh.c_str(), existed ? old_status.st_mode & 07777 : 0755);

  for (const auto& [file, bytes] : files) {
    const std::string failure = WriteWhole(fresh + "/" + file, bytes);
    if (!failure.empty()) return fail(failure);
  }
  if (existed) {
    std::string failure;
    const bool listed = ForEachEntry(folder, [&](const std::string& entry) {
      if (is_replaced(entry)) return true;
      const std::string copy_error = CopyEntry(folder + "/" + entry, fresh + "/" + entry);
      if (!copy_error.empty())
        failure = folder + "/" + entry + ": cannot carry over: " + copy_error;
      return failure.empty();
    });
    if (!failure.empty()) return fail(failure);
    if (!listed) return fail(Errno(folder + ": cannot list the folder"));
  }
  SyncFolder(fresh);

  if (before_swap) before_swap();
  const std::string failure = Exchange(fresh, folder);
  if (!failure.empty()) return fail(failure);
  SyncFolder(parent);
  // `fresh` holds the old folder now.
  RemoveTree(fresh);
  return {};
}

}  // namespace kolvar
