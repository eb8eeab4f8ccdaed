#include "scene/sprites.h"

#include <array>

#include "video/blit.h"

namespace kolvar {

namespace {

constexpr int kSpriteWidth = 24;
constexpr int kSpriteHeight = 32;
constexpr int kKindColumns = 72;  // each character kind owns 72 pixels of the sheet
constexpr int kMaskRowOffset = 128;
// The x of walk frames 0..3 within a kind's columns; frames 1 and 3 show the
// same picture.
constexpr std::array<int, 4> kWalkFrameX = {0, 24, 48, 24};

// The walk frame's x in the sheet; steps and frames stay 0..3 in play, and
// anything else shows the first frame rather than reading past the table.
int WalkFrame(int32_t step) {
  return (step >= 0 && step < 4) ? kWalkFrameX[static_cast<size_t>(step)] : 0;
}

void DrawCharacter(Game& g, int x, int y, int sheet_x, int32_t facing) {
  const int row = kSpriteHeight * (facing & 3);
  MaskedDraw(g.Crt, x, y, kSpriteWidth, kSpriteHeight, g.Chr, sheet_x, row, sheet_x,
             kMaskRowOffset + row);
}

}  // namespace

void DrawSprites(Game& g) {
  DrawCharacter(g, g.PlayerX + 4, g.PlayerY, WalkFrame(g.PlayerAnimStep), g.PlayerDir);
  if (g.GameFlags[kMiss] == kTrue) return;

  const int32_t view_left = g.ViewX * kCellPixels, view_top = g.ViewY * kCellPixels;
  for (const EnemySlot& e : g.EnemyTable) {
    if (e.Active != kTrue) continue;
    if (e.X - 16 > (g.ViewX + 10) * kCellPixels || e.X + 16 < view_left ||
        e.Y - 16 > (g.ViewY + 6) * kCellPixels || e.Y + 16 < view_top) {
      continue;
    }
    const int kind_x = (e.Kind >= 0 && e.Kind <= kEnemyKindCount) ? kKindColumns * e.Kind : 0;
    DrawCharacter(g, e.X - view_left + 4, e.Y - view_top, kind_x + WalkFrame(e.AnimFrame),
                  e.Facing);
  }
}

}  // namespace kolvar
