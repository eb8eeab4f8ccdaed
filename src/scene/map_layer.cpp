#include "scene/map_layer.h"

#include "video/blit.h"

namespace kolvar {

namespace {
constexpr int kSheetTiles = 6;  // the tile sheet is 6 x 6 tiles
}

void DrawMapTo(Game& g, Surface& target) {
  for (int y = 0; y < kViewRows; ++y) {
    for (int x = 0; x < kViewColumns; ++x) {
      const int c = (g.ViewX + x) & kMapLimit;
      const int r = (g.ViewY + y) & kMapLimit;
      const uint8_t code = g.TileMap.Get(c, r);
      const int sheet_column = code & 15, sheet_row = code >> 4;
      if (sheet_column < kSheetTiles && sheet_row < kSheetTiles) {
        Blit(target, kCellPixels * x, kCellPixels * y, kCellPixels, kCellPixels, g.MapChip,
             kCellPixels * sheet_column, kCellPixels * sheet_row);
      } else {
        target.FillRect(kCellPixels * x, kCellPixels * y, kCellPixels, kCellPixels, kBlack);
      }
    }
  }
}

void DrawMapToBuffer(Game& g) {
  DrawMapTo(g, g.B_Crt);
}
void DrawMapToScreen(Game& g) {
  DrawMapTo(g, g.Crt);
}

}  // namespace kolvar
