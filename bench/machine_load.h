// The whole machine's processor time from /proc/stat: the bench reports
// state how busy the machine was while they measured.
#pragma once

#include <fstream>
#include <string>
#include <utility>

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

}  // namespace kolvar::bench
