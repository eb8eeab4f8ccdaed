#include "flow/play_loop.h"

#include "core/trace.h"
#include "enemies/enemy_step.h"
#include "flow/end_sequences.h"
#include "pacing/events.h"
#include "pacing/keyboard.h"
#include "pacing/pacing.h"
#include "player/player_step.h"
#include "player/screen_scroll.h"
#include "scene/hud.h"
#include "scene/play_background.h"
#include "scene/radar.h"
#include "scene/sprites.h"
#include "stage/start_stage.h"
#include "video/blit.h"
#include "video/show.h"

namespace kolvar {

void ResetGame(Game& g) {
  // Presses made on the title screen must not act in the game.
  FlushKeys(g, {Key::Up, Key::Down, Key::Left, Key::Right, Key::Esc});
  g.TileMap = CellGrid{};
  g.SpawnMap = CellGrid{};
  g.PlayerDir = kDown;
  g.Lives = kStartingLives;
  g.Score = 0;
}

namespace {

// The stage clock is wall-clock time since the stage started; a time-out is
// a miss.
void UpdateStageClock(Game& g) {
  const int32_t elapsed = static_cast<int32_t>(Clock(g) - g.StageStartTime) / 1000;
  g.TimeLeft = kStageSeconds - elapsed;
  if (g.TimeLeft <= 0) {
    g.GameFlags[kMiss] = kTrue;
    g.TimeLeft = 0;
  }
}

}  // namespace

void BeginGame(Game& g) {
  TraceEvent(g, "game");
  ResetGame(g);
  StartStage(g);
}

int32_t PlayFrame(Game& g, int32_t move_code) {
  UpdateStageClock(g);
  g.FrameStartTime = Clock(g);

  if (g.draws) {
    RestorePlayBackground(g);
    DrawSprites(g);
    DrawRadar(g);
    DrawHud(g);
  }
  ScrollScreen(g, move_code);
  MoveEnemies(g);
  CheckEnemyContact(g);
  move_code = StepPlayer(g);
  if (g.draws) ShowScreen(g);
  if (g.trace) g.trace->Frame(g);
  return move_code;
}

bool EndFrame(Game& g) {
  if (g.GameFlags[kMiss] == kTrue) LoseLife(g);
  if (g.GameFlags[kGameOver] == kTrue) return false;
  if (g.GameFlags[kStageCleared] == kTrue) {
    StageClear(g);
    if (g.GameFlags[kAllClear] != kFalse) {
      AllStagesClear(g);
      return false;
    }
    StartStage(g);
  }

  ProcessEvents(g);
  if (KeyPressed(g, Key::Esc)) return false;

  const int32_t spent = static_cast<int32_t>(Clock(g) - g.FrameStartTime);
  if (spent < kFramePeriod) Delay(g, kFramePeriod - spent);
  return true;
}

void RunGame(Game& g) {
  BeginGame(g);
  int32_t move_code = 0;
  do {
    move_code = PlayFrame(g, move_code);
  } while (EndFrame(g));
}

}  // namespace kolvar
