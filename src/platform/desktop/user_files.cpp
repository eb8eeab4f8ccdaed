#include "platform/desktop/user_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>

#include "platform/regular_file.h"

namespace kolvar {

namespace {

namespace fs = std::filesystem;

// An XDG variable counts only when it holds an absolute path.
std::string BaseDirectory(const char* variable, const char* below_home) {
  const char* value = std::getenv(variable);
  if (value && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/" + below_home;
  return {};
}

std::string WithKolvar(const std::string& base) {
  return base.empty() ? base : base + "/kolvar";
}

// user-dirs.dirs names a handful of folders in a few hundred bytes, and
// /proc/self/status is a couple of kilobytes: anything far larger is not
// what it should be, and is not read.
constexpr size_t kMostUserDirsBytes = 1 << 16;
constexpr size_t kMostProcessStatusBytes = 1 << 16;

// The value of XDG_PICTURES_DIR="..." in user-dirs.dirs, with $HOME put in.
// A file that cannot be read names no folder.
std::string PicturesFromUserDirs() {
  const std::string config = BaseDirectory("XDG_CONFIG_HOME", ".config");
  if (config.empty()) return {};
  const RegularFile file = ReadRegularFile(config + "/user-dirs.dirs", kMostUserDirsBytes);
  std::istringstream in(file.bytes);
  const std::string prefix = "XDG_PICTURES_DIR=\"";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) != 0 || line.back() != '"') continue;
    std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
    if (value.rfind("$HOME", 0) == 0) {
      const char* home = std::getenv("HOME");
      if (!home) return {};
      value = home + value.substr(5);
    }
    return value;
  }
  return {};
}

std::string Errno(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

constexpr const char* kTemporarySuffix = ".tmp";
// A temporary holds a part of a small file the game writes.
constexpr size_t kMostTemporaryBytes = 1 << 16;

// The umask, read without changing it (umask() sets it for every thread).
mode_t CurrentUmask() {
  const RegularFile file = ReadRegularFile("/proc/self/status", kMostProcessStatusBytes);
  std::istringstream status(file.bytes);
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  return 022;
}

// BASE.XXXXXX.tmp, or BASE.XXXXXX, with six letters or digits for the Xs
// (what mkstemp puts there).
bool IsTemporaryName(const std::string& name, const std::string& base) {
  constexpr size_t kRandom = 6;
  if (name.size() < base.size() + 1 + kRandom || name.compare(0, base.size(), base) != 0 ||
      name[base.size()] != '.') {
    return false;
  }
  const std::string rest = name.substr(base.size() + 1);
  if (rest.size() != kRandom && rest != rest.substr(0, kRandom) + kTemporarySuffix) return false;
  for (size_t i = 0; i < kRandom; ++i) {
    if (!std::isalnum(static_cast<unsigned char>(rest[i]))) return false;
  }
  return true;
}

}  // namespace

std::string ConfigDirectory() {
  return WithKolvar(BaseDirectory("XDG_CONFIG_HOME", ".config"));
}

std::string DataDirectory() {
  return WithKolvar(BaseDirectory("XDG_DATA_HOME", ".local/share"));
}

std::string PicturesDirectory() {
  std::string pictures;
  if (const char* value = std::getenv("XDG_PICTURES_DIR"); value && value[0] == '/') {
    pictures = value;
  } else {
    pictures = PicturesFromUserDirs();
  }
  // Where nothing names one, the folder most desktops make: ~/Pictures.
  if (pictures.empty()) {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') pictures = std::string(home) + "/Pictures";
  }
  std::error_code error;
  if (pictures.empty() || pictures[0] != '/' || !fs::is_directory(pictures, error)) return {};
  return pictures;
}

std::string FollowLinks(const std::string& path) {
  fs::path at(path);
  // As the kernel does, give up after 40 links (a loop).
  for (int links = 0; links < 40; ++links) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(at, error))) return at.string();
    const fs::path target = fs::read_symlink(at, error);
    if (error) return at.string();
    at = target.is_absolute() ? target : at.parent_path() / target;
  }
  return at.string();
}

bool WriteAll(int fd, std::string_view bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

std::string WriteFileAtomically(const std::string& path, const std::string& bytes,
                                const std::function<bool()>& still_wanted) {
  const std::string target_path = FollowLinks(path);
  const fs::path target(target_path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::error_code error;
  // Still a link after FollowLinks: a loop of links. Nothing is replaced.
  if (fs::is_symlink(fs::symlink_status(target, error))) {
    return path + ": " + std::strerror(ELOOP) + "; not replaced";
  }
  fs::create_directories(folder, error);
  if (error) return folder.string() + ": cannot create the folder: " + error.message();

  // The file's own permissions carry over to the new one.
  mode_t mode = 0666 & ~CurrentUmask();
  struct stat old {};
  if (stat(target_path.c_str(), &old) == 0) {
    if (!S_ISREG(old.st_mode)) {
      return path + ": is " + KindOfFile(old.st_mode) + ", not a file; not replaced";
    }
    mode = old.st_mode & 07777;
  }

  std::string temporary = target_path + ".XXXXXX" + kTemporarySuffix;
  const int fd =
      mkostemps(temporary.data(), static_cast<int>(std::strlen(kTemporarySuffix)), O_CLOEXEC);
  if (fd < 0) return Errno(path + ": cannot write");
  std::string failure;
  if (!WriteAll(fd, bytes)) failure = Errno(path + ": cannot write");
  if (failure.empty() && fchmod(fd, mode) != 0) failure = Errno(path + ": cannot set its mode");
  if (failure.empty() && fsync(fd) != 0) failure = Errno(path + ": cannot flush to disk");
  if (close(fd) != 0 && failure.empty()) failure = Errno(path + ": cannot write");
  if (failure.empty() && still_wanted && !still_wanted()) {
    unlink(temporary.c_str());
    return {};
  }
  if (failure.empty() && std::rename(temporary.c_str(), target_path.c_str()) != 0) {
    failure = Errno(path + ": cannot replace");
  }
  if (!failure.empty()) {
    unlink(temporary.c_str());
    return failure;
  }
  // The rename itself reaches the disk with the folder's entry.
  if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return {};
}

int RemoveStaleTemporaries(const std::string& path, int min_age_seconds,
                           const std::function<bool(const std::string&)>& is_ours) {
  const fs::path target(FollowLinks(path));
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const std::string base = target.filename().string();
  const time_t now = std::time(nullptr);
  int removed = 0;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!IsTemporaryName(name, base)) continue;
    struct stat info {};
    if (lstat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        now - info.st_mtime < min_age_seconds) {
      continue;
    }
    // Without the .tmp ending the name could be the user's (PATH.backup):
    // only a file left as mkstemp made it, 0600, counts.
    if (!name.ends_with(kTemporarySuffix) && (info.st_mode & 07777) != 0600) continue;
    const RegularFile file = ReadRegularFile(it->path().string(), kMostTemporaryBytes);
    if (file.ok() && is_ours(file.bytes) && unlink(it->path().c_str()) == 0) ++removed;
  }
  return removed;
}

FileLock::FileLock(const std::string& path, int wait_ms) {
  const fs::path target(FollowLinks(path));
  const std::string lock_path = target.string() + ".lock";
  std::error_code error;
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), error);
  if (error) {
    error_ = target.parent_path().string() + ": cannot create the folder: " + error.message();
    return;
  }
  const int fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                      0666 & ~CurrentUmask());
  if (fd < 0) {
    error_ = Errno(lock_path + ": cannot lock");
    return;
  }
  // A game stopped (SIGSTOP, a debugger) while it holds the lock must not
  // stop this one: after `wait_ms` it gives up.
  constexpr int kStepMs = 5;
  for (int waited = 0;; waited += kStepMs) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) break;
    if (waited >= wait_ms) {
      errno = EWOULDBLOCK;
      break;
    }
    usleep(kStepMs * 1000);
  }
  busy_ = errno == EWOULDBLOCK;
  error_ = busy_ ? lock_path + ": another game held it for " + std::to_string(wait_ms) + " ms"
                 : Errno(lock_path + ": cannot lock");
  close(fd);
}

FileLock::~FileLock() {
  if (fd_ >= 0) close(fd_);  // closing drops the lock
}

}  // namespace kolvar
