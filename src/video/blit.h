// The rectangle operations that compose every picture of the game: plain
// copy, AND and OR copies and masked draws, each clipped to both surfaces.
#pragma once

#include "core/surface.h"

namespace kolvar {

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

}  // namespace kolvar
