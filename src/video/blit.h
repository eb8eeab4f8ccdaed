// The rectangle operations that compose every picture of the game: plain
// copy, AND and OR copies and masked draws, each clipped to both surfaces.
#pragma once

#include <algorithm>

#include "core/surface.h"

namespace kolvar {

// The part of a w x h rectangle whose source and destination both lie
// inside their surfaces, as offsets into the rectangle.
struct Clip {
  int left = 0, top = 0, right = 0, bottom = 0;

  bool empty() const { return left >= right || top >= bottom; }
  bool operator==(const Clip&) const = default;
};

inline Clip ClipRect(const Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx,
                     int sy) {
  return {std::max({0, -dx, -sx}), std::max({0, -dy, -sy}),
          std::min({w, dst.width() - dx, src.width() - sx}),
          std::min({h, dst.height() - dy, src.height() - sy})};
}

enum class RasterOp { kCopy, kAnd, kOr };

// Copies the w x h rectangle at (sx, sy) of `src` to (dx, dy) of `dst` with
// the raster operation. Whatever falls outside either surface is skipped, so
// a rectangle partly off the screen draws only its visible part.
void Blit(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
          RasterOp op = RasterOp::kCopy);

// The transparency convention of every sprite, caption and logo: AND the
// mask (white where transparent) onto the destination, then OR the image
// (black where transparent).
void MaskedDraw(Surface& dst, int dx, int dy, int w, int h, const Surface& sheet, int image_x,
                int image_y, int mask_x, int mask_y);

// The masked draw of a whole picture of `sheet` that has a mask
// (core/sheet_layout.h names them) with its top left at (dx, dy).
void MaskedDraw(Surface& dst, int dx, int dy, const Surface& sheet, const SheetPicture& picture);

}  // namespace kolvar
