// Small file helpers the tests share.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kolvar {

// The whole of a file's bytes; empty when it cannot be read.
inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kolvar
