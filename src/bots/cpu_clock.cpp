#include "bots/cpu_clock.h"

#include <chrono>
#include <ctime>

namespace kolvar::bots {

double ThreadSeconds() {
#ifdef CLOCK_THREAD_CPUTIME_ID
  timespec now{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) == 0) {
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
  }
#endif
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace kolvar::bots
