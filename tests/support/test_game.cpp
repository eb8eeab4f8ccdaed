#include "support/test_game.h"

#include <cstdio>

#include "core/fatal_error.h"
#include "core/trace.h"
#include "platform/recording.h"
#include "platform/replay_platform.h"
#include "flow/outer_loop.h"
#include "support/files.h"

namespace kolvar::testing {

Surface Filled(int width, int height, uint32_t colour) {
  Surface s(width, height);
  s.FillRect(0, 0, width, height, colour);
  return s;
}

void FillMap(Game& game, uint8_t code) {
  game.TileMap.cells.fill(code);
}

void SetCells(Game& game, int c0, int r0, int c1, int r1, uint8_t code) {
  for (int c = c0; c <= c1; ++c) {
    for (int r = r0; r <= r1; ++r) game.TileMap.Set(c, r, code);
  }
}

EnemySlot& PlaceEnemy(Game& game, int slot, int32_t kind, int32_t x, int32_t y) {
  EnemySlot& e = game.EnemyTable[static_cast<size_t>(slot)];
  e = EnemySlot{};
  e.Active = kTrue;
  e.Kind = kind;
  e.X = x;
  e.Y = y;
  e.Facing = 2;
  return e;
}

std::string PlayTraced(Platform& platform, const std::string& trace_path) {
  std::FILE* file = std::fopen(trace_path.c_str(), "w");
  if (!file) return {};
  {
    Trace trace(file);
    Game game(platform, ".");
    game.trace = &trace;
    try {
      RunProgram(game);
    } catch (const CloseRequested&) {
    }
    trace.Finish();
  }
  std::fclose(file);
  return ReadWholeFile(trace_path);
}

Replayed ReplayRecording(std::string bytes, const std::string& trace_path) {
  RecordingReader reader(std::move(bytes));
  RecordingHeader header;
  Replayed out;
  if (const auto fault = reader.ReadHeader(header)) {
    out.header_fault = *fault;
    return out;
  }
  ReplayPlatform* replay = nullptr;
  HeadlessOptions options;
  options.music_folder = "MIDI";
  options.clock = [&replay] { return replay->Clock(); };
  HeadlessPlatform headless(options);
  ReplayOptions replay_options;
  replay_options.name = "game.kvr";
  ReplayPlatform replaying(headless, std::move(reader), header, replay_options);
  replay = &replaying;
  out.trace = PlayTraced(replaying, trace_path);
  out.note = replaying.EndNote();
  out.corrupt = replaying.Corrupt();
  return out;
}

}  // namespace kolvar::testing
