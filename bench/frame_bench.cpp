// The cost of a cross-fade and of composing one play frame.
#include <benchmark/benchmark.h>

#include "busy_frame.h"
#include "core/game.h"
#include "platform/headless/headless_platform.h"
#include "video/blend.h"

namespace kolvar {
namespace {

// A 320 x 240 cross-fade at the game's three percentages, in the integer
// form the game uses and in the literal floating-point form it must equal.
template <auto Blend>
void BM_Blend320x240(benchmark::State& state) {
  Surface dst(320, 240), src(320, 240);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) src.SetPixel(x, y, static_cast<uint32_t>(x * 613 + y * 997));
  const float percent = static_cast<float>(state.range(0));
  for (auto _ : state) {
    Blend(dst, 0, 0, 320, 240, src, 0, 0, percent);
    benchmark::DoNotOptimize(dst.data());
  }
}
BENCHMARK(BM_Blend320x240<BlendRect>)
    ->Name("BlendRect320x240")
    ->Arg(10)
    ->Arg(40)
    ->Arg(50)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Blend320x240<BlendRectReference>)
    ->Name("BlendRectLiteral320x240")
    ->Arg(10)
    ->Arg(40)
    ->Arg(50)
    ->Unit(benchmark::kMicrosecond);

// One play frame's drawing: the background copy, the player and eleven
// enemies in view, the radar and the HUD line with three lives and the key.
void BM_PlayFrameComposition(benchmark::State& state) {
  HeadlessPlatform platform{HeadlessOptions{}};
  Game game(platform);
  SetUpBusyPlayFrame(game);
  for (auto _ : state) {
    ComposePlayFrame(game);
    benchmark::DoNotOptimize(game.Crt.data());
  }
}
BENCHMARK(BM_PlayFrameComposition)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kolvar
