#include "scene/sprites.h"

#include <array>

#include "core/sheet_layout.h"
#include "video/blit.h"

namespace kolvar {

namespace {

constexpr int kSpriteWidth = kCharacterWidth;
constexpr int kSpriteHeight = kCharacterHeight;
// The x of walk steps 0..3 within a character's picture; steps 1 and 3 show
// the same frame.
constexpr std::array<int, kWalkSteps> kWalkFrameX = {0, kSpriteWidth, 2 * kSpriteWidth,
                                                     kSpriteWidth};

// Each character's picture on the character sheet: the player's, then the
// enemy kinds' by their code. A picture holds a row of frames per Direction.
constexpr std::array<SheetPicture, kEnemyKindCount + 1> kCharacters = [] {
  std::array<SheetPicture, kEnemyKindCount + 1> pictures{};
  pictures[0] = art::kChrPlayer;
  pictures[kSlime] = art::kChrSlime;
  pictures[kBat] = art::kChrBat;
  pictures[kGhost] = art::kChrGhost;
  pictures[kSkeleton] = art::kChrSkeleton;
  pictures[kSpider] = art::kChrSpider;
  pictures[kWraith] = art::kChrWraith;
  pictures[kImp] = art::kChrImp;
  pictures[kKnight] = art::kChrKnight;
  pictures[kDemon] = art::kChrDemon;
  return pictures;
}();

constexpr bool EveryCharacterHasItsFrames() {
  for (const SheetPicture& p : kCharacters) {
    if (p.width != 3 * kSpriteWidth || p.height != kDirectionCount * kSpriteHeight ||
        p.mask_x < 0) {
      return false;
    }
  }
  return true;
}
static_assert(EveryCharacterHasItsFrames(),
              "a character's picture is three masked frames wide and a row per direction tall");

// The walk frame's x within the picture; steps and frames stay 0..3 in play,
// and anything else shows the first frame rather than reading past the table.
int WalkFrame(int32_t step) {
  return (step >= 0 && step < kWalkSteps) ? kWalkFrameX[static_cast<size_t>(step)] : 0;
}

void DrawCharacter(Game& g, int x, int y, const SheetPicture& picture, int frame_x,
                   int32_t facing) {
  const int row = kSpriteHeight * (facing & 3);
  MaskedDraw(g.Crt, x, y, kSpriteWidth, kSpriteHeight, g.Chr, picture.x + frame_x, picture.y + row,
             picture.mask_x + frame_x, picture.mask_y + row);
}

}  // namespace

const SheetPicture& CharacterPicture(int32_t kind) {
  // A kind outside the table shows the player's picture.
  return (kind >= 0 && kind <= kEnemyKindCount) ? kCharacters[static_cast<size_t>(kind)]
                                                : kCharacters[0];
}

void DrawSprites(Game& g) {
  DrawCharacter(g, g.PlayerX + 4, g.PlayerY, kCharacters[0], WalkFrame(g.PlayerAnimStep),
                g.PlayerDir);
  if (g.GameFlags[kMiss] == kTrue) return;

  const int32_t view_left = g.ViewX * kCellPixels, view_top = g.ViewY * kCellPixels;
  for (const EnemySlot& e : g.EnemyTable) {
    if (e.Active != kTrue) continue;
    // Enemies well outside the view are not drawn; below it, the bound is
    // the top of the view's last row, not its bottom.
    if (e.X - 16 > (g.ViewX + kViewColumns) * kCellPixels || e.X + 16 < view_left ||
        e.Y - 16 > (g.ViewY + 6) * kCellPixels || e.Y + 16 < view_top) {
      continue;
    }
    DrawCharacter(g, e.X - view_left + 4, e.Y - view_top, CharacterPicture(e.Kind),
                  WalkFrame(e.AnimFrame), e.Facing);
  }
}

}  // namespace kolvar
