// The cost of a cross-fade and of composing one play frame.
#include <benchmark/benchmark.h>

#include "core/game.h"
#include "platform/headless_platform.h"
#include "scene/hud.h"
#include "scene/radar.h"
#include "scene/sprites.h"
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
  game.WalkFrameX = {0, 24, 48, 24};
  game.MapLimit = 31;
  game.Lives = 3;
  game.Score = 12345;
  game.TimeLeft = 150;
  game.GameFlags[kKeyHeld] = kTrue;
  game.PlayerX = 100;
  game.PlayerY = 100;
  for (int i = 0; i < kEnemySlots; ++i) {
    EnemySlot& e = game.EnemyTable[static_cast<size_t>(i)];
    e.Active = kTrue;
    e.Kind = 1 + i % 9;
    e.X = 24 * i;
    e.Y = 16 * i;
    e.Facing = i % 4;
    e.AnimFrame = i % 4;
  }
  for (auto _ : state) {
    Blit(game.Crt, 0, 0, 320, 240, game.B_Crt, 0, 0);
    DrawSprites(game);
    DrawRadar(game);
    DrawHud(game);
    benchmark::DoNotOptimize(game.Crt.data());
  }
}
BENCHMARK(BM_PlayFrameComposition)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kolvar
