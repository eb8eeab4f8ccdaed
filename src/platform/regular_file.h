// Reading a file the user or the data folder provides, whatever sits at its
// path: only a regular file is read, and it is opened without blocking, so a
// FIFO, a device or a directory in its place is refused at once instead of
// stopping the game or filling the memory.
#pragma once

#include <cstddef>
#include <string>

namespace kolvar {

struct RegularFile {
  enum class Status {
    kRead,        // `bytes` holds the whole file
    kMissing,     // no file at the path (ENOENT, or ENOTDIR: a folder on the way is a file)
    kNotRegular,  // a directory, a FIFO, a device or a socket
    kTooLarge,    // longer than the most bytes asked for
    kFailed,      // open or read failed for another reason
  };
  Status status = Status::kFailed;
  std::string bytes;
  // Why it was not read, without the path: "No such file or directory",
  // "a directory, not a file", "larger than 65536 bytes", ...
  std::string reason;

  bool ok() const { return status == Status::kRead; }
};

// Reads the file at `path` whole when it is a regular file (a symbolic link
// to one counts) of at most `most_bytes` bytes.
RegularFile ReadRegularFile(const std::string& path, size_t most_bytes);

// What kind of thing a stat mode names, for messages: "a directory", "a
// FIFO", "a character device", ...
std::string KindOfFile(unsigned mode);

}  // namespace kolvar
