#include "platform/desktop/user_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

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

// The value of XDG_PICTURES_DIR="..." in user-dirs.dirs, with $HOME put in.
std::string PicturesFromUserDirs() {
  const std::string config = BaseDirectory("XDG_CONFIG_HOME", ".config");
  if (config.empty()) return {};
  std::ifstream in(config + "/user-dirs.dirs");
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
  std::error_code error;
  if (pictures.empty() || pictures[0] != '/' || !fs::is_directory(pictures, error)) return {};
  return pictures;
}

std::string WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const fs::path target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return folder.string() + ": cannot create the folder: " + error.message();

  std::string temporary = path + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return Errno(path + ": cannot write");
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  std::string failure;
  if (written != bytes.size()) failure = Errno(path + ": cannot write");
  if (failure.empty() && fsync(fd) != 0) failure = Errno(path + ": cannot flush to disk");
  if (close(fd) != 0 && failure.empty()) failure = Errno(path + ": cannot write");
  if (failure.empty() && std::rename(temporary.c_str(), path.c_str()) != 0) {
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

}  // namespace kolvar
