// What the fuzz targets share: a check that stops the run with a message
// (libFuzzer then saves the input as a crash).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kolvar::fuzz {

inline void Check(bool ok, const std::string& what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::abort();
}

// A message of the asset tools starts "file:line: error: ".
inline bool IsToolMessage(const std::string& message, const std::string& file) {
  if (message.rfind(file + ":", 0) != 0) return false;
  size_t at = file.size() + 1;
  const size_t digits = at;
  while (at < message.size() && message[at] >= '0' && message[at] <= '9') ++at;
  return at > digits && message.compare(at, 9, ": error: ") == 0;
}

}  // namespace kolvar::fuzz
