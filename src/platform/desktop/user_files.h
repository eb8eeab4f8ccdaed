// Where the game keeps its files in the user's home, after the XDG base
// directory rules, and how it writes them so a crash never leaves half a
// file.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kolvar {

// $XDG_CONFIG_HOME/kolvar, else ~/.config/kolvar; empty without either.
std::string ConfigDirectory();
// $XDG_DATA_HOME/kolvar, else ~/.local/share/kolvar; empty without either.
std::string DataDirectory();
// The user's pictures folder: $XDG_PICTURES_DIR, else the one named in
// user-dirs.dirs, else ~/Pictures, when it exists; else empty.
std::string PicturesDirectory();

// The file `path` names once symbolic links are followed: a link's target
// (relative to the link's folder), its target's target, and so on. `path`
// itself when it is no link; the last target when that does not exist yet.
std::string FollowLinks(const std::string& path);

// Writes `bytes` to `path` through a temporary file in the same folder
// (PATH.XXXXXX.tmp) that is flushed to disk and then renamed over `path`, so
// readers see the old file or the new one, never a part. A symbolic link is
// written through: its target is replaced and the link stays. The file keeps
// its permissions; a new one gets the usual 0666 less the umask. Creates
// missing folders; refuses to replace a directory, a FIFO or a device.
// Returns an error message, or an empty string on success.
//
// `still_wanted`, when given, is asked once more after the new bytes are on
// the disk and just before they replace the file; false leaves the file as
// it is (and is no error).
// Writes all of `bytes` to the open file `fd`, going on after interrupted
// and short writes; false when the system refuses the rest (errno says why).
bool WriteAll(int fd, std::string_view bytes);

std::string WriteFileAtomically(const std::string& path, const std::string& bytes,
                                const std::function<bool()>& still_wanted = {});

// Removes what WriteFileAtomically left of `path` when a run was killed in
// the middle of a write: files beside (the link target of) `path` named
// PATH.XXXXXX.tmp, or PATH.XXXXXX with mode 0600 as older versions left
// them, at least `min_age_seconds` old, whose bytes `is_ours` accepts (a part
// of what the game writes there). Returns how many were removed.
int RemoveStaleTemporaries(const std::string& path, int min_age_seconds,
                           const std::function<bool(const std::string&)>& is_ours);

// An exclusive lock on `path`'s file, held while alive, so that two games
// writing it take turns. It is a lock on PATH.lock beside (the link target
// of) `path`. Gives up after `wait_ms`: `locked()` is then false and
// `error()` says why (as when the folder or the lock file cannot be made).
class FileLock {
 public:
  FileLock(const std::string& path, int wait_ms);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool locked() const { return fd_ >= 0; }
  // Not locked because another holder kept the lock for all of `wait_ms`
  // (rather than because the lock file could not be made).
  bool busy() const { return busy_; }
  const std::string& error() const { return error_; }

 private:
  int fd_ = -1;
  bool busy_ = false;
  std::string error_;
};

}  // namespace kolvar
