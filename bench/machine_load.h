// Processor time from /proc: a process's, and the whole machine's, with
// which the bench reports state how busy the machine was while they
// measured.
#pragma once

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kolvar::bench {

// {busy, total} clock ticks of all processors since the machine started.
inline std::pair<double, double> ReadMachineTicks() {
  std::ifstream in("/proc/stat");
  std::string cpu;
  in >> cpu;
  double total = 0, idle = 0;
  for (int i = 0; i < 8; ++i) {
    double v = 0;
    in >> v;
    total += v;
    if (i == 3 || i == 4) idle += v;  // idle and iowait
  }
  return {total - idle, total};
}

// utime + stime of a /proc stat line (/proc/PID/stat: a process, its
// dead threads included), in seconds.
inline double StatCpuSeconds(const std::string& stat_path) {
  std::ifstream in(stat_path);
  std::string line;
  std::getline(in, line);
  const size_t paren = line.rfind(')');
  if (paren == std::string::npos) return 0;
  std::istringstream fields(line.substr(paren + 2));
  std::vector<std::string> f;
  for (std::string word; fields >> word;) f.push_back(word);
  if (f.size() < 13) return 0;
  return static_cast<double>(std::stoll(f[11]) + std::stoll(f[12])) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace kolvar::bench
