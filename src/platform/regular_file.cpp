#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kolvar {

std::string KindOfFile(unsigned mode) {
  switch (mode & S_IFMT) {
    case S_IFREG:
      return "a file";
    case S_IFDIR:
      return "a directory";
    case S_IFIFO:
      return "a FIFO";
    case S_IFCHR:
      return "a character device";
    case S_IFBLK:
      return "a block device";
    case S_IFSOCK:
      return "a socket";
    default:
      return "not a file";
  }
}

RegularFile ReadRegularFile(const std::string& path, size_t most_bytes) {
  RegularFile file;
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    // A folder on the way that is a file: there is no such file either.
    file.status = errno == ENOENT || errno == ENOTDIR ? RegularFile::Status::kMissing
                                                      : RegularFile::Status::kFailed;
    file.reason = std::strerror(errno);
    return file;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    file.reason = std::strerror(errno);
    close(fd);
    return file;
  }
  file.mode = static_cast<unsigned>(info.st_mode);
  file.size = static_cast<unsigned long long>(info.st_size);
  if (!S_ISREG(info.st_mode)) {
    file.status = RegularFile::Status::kNotRegular;
    file.reason = KindOfFile(info.st_mode) + ", not a file";
    close(fd);
    return file;
  }
  if (static_cast<unsigned long long>(info.st_size) > most_bytes) {
    file.status = RegularFile::Status::kTooLarge;
    file.reason = "larger than " + std::to_string(most_bytes) + " bytes";
    close(fd);
    return file;
  }
  // The size may change while it is read: read one byte past the cap to tell.
  file.bytes.resize(static_cast<size_t>(info.st_size) + 1);
  size_t got = 0;
  for (;;) {
    if (got == file.bytes.size()) {
      if (got > most_bytes) break;
      file.bytes.resize(std::min(most_bytes + 1, got * 2 + 64));
    }
    const ssize_t n = read(fd, file.bytes.data() + got, file.bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      file.reason = std::strerror(errno);
      close(fd);
      file.bytes.clear();
      return file;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  if (got > most_bytes) {
    file.status = RegularFile::Status::kTooLarge;
    file.size = std::max<unsigned long long>(file.size, got);
    file.reason = "larger than " + std::to_string(most_bytes) + " bytes";
    file.bytes.clear();
    return file;
  }
  file.bytes.resize(got);
  file.size = got;
  file.status = RegularFile::Status::kRead;
  return file;
}

}  // namespace kolvar
