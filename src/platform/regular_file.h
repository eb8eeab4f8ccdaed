// Reading a file the user or the data folder provides, whatever sits at its
// path: only a regular file is read, and it is opened without blocking, so a
// FIFO, a device or a directory in its place is refused at once instead of
// stopping the game or filling the memory. Its size is checked on the opened
// descriptor before a byte is read.
//
// Every file the game reads goes through here, each kind with a cap of its
// own beside the code that reads it; tests/layers/check_file_reads.sh fails
// on any other way of reading a file under src/.
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
  // What was opened, as fstat told on the opened descriptor (0 when nothing
  // was opened): its kind (a stat mode) and its size in bytes (for
  // kTooLarge, at least the most bytes asked for and one).
  unsigned mode = 0;
  unsigned long long size = 0;

  bool ok() const { return status == Status::kRead; }
};

// Reads the file at `path` whole when it is a regular file (a symbolic link
// to one counts) of at most `most_bytes` bytes. A file that grows past the
// cap while it is read is refused too.
RegularFile ReadRegularFile(const std::string& path, size_t most_bytes);

// What kind of thing a stat mode names, for messages: "a directory", "a
// FIFO", "a character device", ...
std::string KindOfFile(unsigned mode);

}  // namespace kolvar
