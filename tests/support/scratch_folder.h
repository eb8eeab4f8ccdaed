// A folder of a test's own under the system's temporary folder: made new
// and empty (its name cannot be taken by another test or another run), and
// removed with all it holds when the test is done.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace kolvar::testing {

class ScratchFolder {
 public:
  // `tag` starts the folder's name, so a folder left behind by a crashed
  // test tells whose it was.
  explicit ScratchFolder(std::string_view tag = "kolvar") {
    std::string name =
        (std::filesystem::temp_directory_path() / (std::string(tag) + "-XXXXXX")).string();
    if (!mkdtemp(name.data())) throw std::runtime_error(name + ": cannot make a scratch folder");
    path_ = name;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  // A path inside the folder (nothing is made).
  std::filesystem::path operator/(const std::filesystem::path& relative) const {
    return path_ / relative;
  }
  // Writes `bytes` to `relative` inside the folder, making the folders on
  // the way; returns the file's path.
  std::filesystem::path Write(const std::filesystem::path& relative, std::string_view bytes) const {
    const std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error(file.string() + ": cannot write");
    return file;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace kolvar::testing
