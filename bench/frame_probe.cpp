// kolvar_frame_probe: one build's drawing figures in a process of its own,
// so that kolvar_report can set an older build's beside this one's. It uses
// only what every build since the integer cross-fade offers (BlendRect,
// BlendRectReference, the game on the headless platform, busy_frame.h).
// Run from a build folder (DATA/ beside it).
//
//   kolvar_frame_probe
//       processor time per call, the best of five batches: a line
//       "blend PERCENT FAST_US LITERAL_US" for 10, 40 and 50 %, then
//       "compose US" for one play frame's drawing.
//   kolvar_frame_probe --calls N blend|literal|compose [PERCENT]
//       the same set-up, then N calls of the one figure and nothing else:
//       kolvar_report counts the instructions of N = 0 and N = 8 with
//       valgrind and takes the difference.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "busy_frame.h"
#include "core/game.h"
#include "platform/headless/headless_platform.h"
#include "video/blend.h"

namespace kolvar {
namespace {

constexpr int kWidth = 320, kHeight = 240;
constexpr int kPercents[] = {10, 40, 50};

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Processor time of one call, in microseconds: the best of five batches.
template <typename Work>
double MicrosecondsPerCall(int calls, Work work) {
  double best = 1e30;
  for (int batch = 0; batch < 5; ++batch) {
    const double start = ThreadCpuSeconds();
    for (int i = 0; i < calls; ++i) work();
    best = std::min(best, (ThreadCpuSeconds() - start) * 1e6 / calls);
  }
  return best;
}

// The benchmark's pictures: a patterned source over a black destination.
struct FadePictures {
  FadePictures() {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) src.SetPixel(x, y, static_cast<uint32_t>(x * 613 + y * 997));
    }
  }
  Surface dst{kWidth, kHeight}, src{kWidth, kHeight};
};

int Timed() {
  FadePictures p;
  for (int percent : kPercents) {
    const auto pct = static_cast<float>(percent);
    const double fast = MicrosecondsPerCall(
        200, [&] { BlendRect(p.dst, 0, 0, kWidth, kHeight, p.src, 0, 0, pct); });
    const double literal = MicrosecondsPerCall(
        20, [&] { BlendRectReference(p.dst, 0, 0, kWidth, kHeight, p.src, 0, 0, pct); });
    std::printf("blend %d %.2f %.2f\n", percent, fast, literal);
  }
  HeadlessPlatform platform{HeadlessOptions{}};
  Game game(platform);
  SetUpBusyPlayFrame(game);
  std::printf("compose %.2f\n", MicrosecondsPerCall(500, [&] { ComposePlayFrame(game); }));
  return 0;
}

int Counted(int calls, const std::string& what, int percent) {
  FadePictures p;
  HeadlessPlatform platform{HeadlessOptions{}};
  Game game(platform);
  SetUpBusyPlayFrame(game);
  const auto pct = static_cast<float>(percent);
  for (int i = 0; i < calls; ++i) {
    if (what == "blend") {
      BlendRect(p.dst, 0, 0, kWidth, kHeight, p.src, 0, 0, pct);
    } else if (what == "literal") {
      BlendRectReference(p.dst, 0, 0, kWidth, kHeight, p.src, 0, 0, pct);
    } else if (what == "compose") {
      ComposePlayFrame(game);
    } else {
      std::fprintf(stderr, "kolvar_frame_probe: no figure '%s' (blend, literal or compose)\n",
                   what.c_str());
      return 2;
    }
  }
  return 0;
}

}  // namespace
}  // namespace kolvar

int main(int argc, char** argv) {
  if (argc == 1) return kolvar::Timed();
  if (argc >= 4 && std::strcmp(argv[1], "--calls") == 0) {
    return kolvar::Counted(std::atoi(argv[2]), argv[3], argc > 4 ? std::atoi(argv[4]) : 0);
  }
  std::fprintf(stderr, "usage: kolvar_frame_probe [--calls N blend|literal|compose [PERCENT]]\n");
  return 2;
}
