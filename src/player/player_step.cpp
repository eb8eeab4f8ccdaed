#include "player/player_step.h"

#include "pacing/keyboard.h"
#include "player/key_exit_sequences.h"

namespace kolvar {

namespace {

constexpr int32_t kStep = kWalkStepPixels;

bool BothHold(const Game& g, const ProbePair& p, uint8_t code) {
  return g.TileMap.Get(p.a.column, p.a.row) == code && g.TileMap.Get(p.b.column, p.b.row) == code;
}

bool EitherHolds(const Game& g, const ProbePair& p, uint8_t code) {
  return g.TileMap.Get(p.a.column, p.a.row) == code || g.TileMap.Get(p.b.column, p.b.row) == code;
}

}  // namespace

ProbePair PlayerProbes(const Game& g, int32_t facing) {
  return ProbeCells(g.PlayerX, g.PlayerY, g.ViewX, g.ViewY, facing);
}

int32_t StepPlayer(Game& g) {
  // Arrow keys in the order of the directions; the first pressed one acts
  // and the keys after it are not polled this frame, so their presses wait.
  static constexpr Key kArrows[kDirectionCount] = {Key::Up, Key::Right, Key::Down, Key::Left};
  int32_t facing = -1;
  for (int32_t i = 0; i < kDirectionCount; ++i) {
    if (KeyPressed(g, kArrows[i])) {
      facing = i;
      break;
    }
  }
  if (facing < 0) return kNoMove;

  g.PlayerDir = facing;
  if (BothHold(g, PlayerProbes(g, facing), kFloor)) {
    switch (facing) {
      case kUp:
        g.PlayerY -= kStep;
        break;
      case kRight:
        g.PlayerX += kStep;
        break;
      case kDown:
        g.PlayerY += kStep;
        break;
      default:
        g.PlayerX -= kStep;
        break;
    }
    g.PlayerAnimStep = g.PlayerAnimStep + 1 >= kWalkSteps ? 0 : g.PlayerAnimStep + 1;
  }

  // The chest and the door are tested on the cells just ahead of the feet
  // after the step, so a sequence starts in the frame the player reaches
  // them. The key sequence may change the map and the key flag, so the door
  // test looks again.
  if (EitherHolds(g, PlayerProbes(g, facing), kKeyChest)) TakeKey(g);
  if (EitherHolds(g, PlayerProbes(g, facing), kExitDoor)) OpenExit(g);
  return MoveCode(facing);
}

}  // namespace kolvar
