#include "platform/timestamped_name.h"

#include <ctime>

namespace kolvar {

std::string TimestampedName(int64_t when, int n, const std::string& extension) {
  const std::time_t time = static_cast<std::time_t>(when);
  std::tm local{};
  localtime_r(&time, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
  std::string name = std::string("kolvar_") + stamp;
  if (n > 1) name += "_" + std::to_string(n);
  return name + extension;
}

}  // namespace kolvar
