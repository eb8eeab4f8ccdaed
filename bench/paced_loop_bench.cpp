// A paced loop of 40 ms frames in the real window (run with the dummy video
// driver): how much processor time it takes per second of wall time, and
// how regular the frames are.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "core/game.h"
#include "pacing/pacing.h"
#include "platform/sdl/sdl_platform.h"
#include "video/show.h"

namespace kolvar {
namespace {

double ProcessSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void BM_PacedLoop40ms(benchmark::State& state) {
  WindowOptions options;
  options.scale = 2;
  // The default settings, written to a file of the benchmark's own (the
  // window refuses /dev/null as a settings file, with a notice).
  const std::string settings =
      (std::filesystem::temp_directory_path() / ("kolvar_paced_loop_" + std::to_string(getpid())))
          .string();
  options.settings_file = settings;
  std::unique_ptr<Platform> platform = CreateSdlPlatform(options);
  std::filesystem::remove(settings);
  Game game(*platform);
  // The music device reads its soundfont on a thread of its own at start;
  // that one-off work is not the loop's.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  constexpr int kFrames = 150;
  std::vector<double> periods;
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    using Clock = std::chrono::steady_clock;
    const double cpu_start = ProcessSeconds();
    const auto wall_start = Clock::now();
    auto last = wall_start;
    for (int frame = 0; frame < kFrames; ++frame) {
      // The play loop's pacing: work, show, events, then wait out the frame.
      const uint32_t frame_start = platform->Clock();
      game.Crt.FillRect(0, 0, 320, 240, static_cast<uint32_t>(frame * 0x010101));
      ShowScreen(game);
      const int32_t spent = static_cast<int32_t>(platform->Clock() - frame_start);
      if (spent < 40) Delay(game, 40 - spent);
      const auto now = Clock::now();
      if (frame > 0)
        periods.push_back(std::chrono::duration<double, std::milli>(now - last).count());
      last = now;
    }
    cpu += ProcessSeconds() - cpu_start;
    wall += std::chrono::duration<double>(Clock::now() - wall_start).count();
  }
  std::sort(periods.begin(), periods.end());
  state.counters["cpu_per_wall_s"] = cpu / wall;
  state.counters["median_period_ms"] = periods[periods.size() / 2];
  state.counters["p99_period_ms"] = periods[periods.size() * 99 / 100];
}
BENCHMARK(BM_PacedLoop40ms)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kolvar
