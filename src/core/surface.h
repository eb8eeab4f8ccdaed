// Software pixel surfaces: the window's screen and back buffer, the three
// graphics sheets and the collision sensor are all plain 32-bit buffers.
// Pixels are 0x00RRGGBB. The rectangle operations that draw on them are in
// video/blit.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/sheet_data.h"

namespace kolvar {

inline constexpr uint32_t kBlack = 0x000000;
inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr uint32_t kBlue = 0x0000FF;
inline constexpr uint32_t kLightRed = 0xFF0000;

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, uint32_t background = kBlack);

  // A surface holding a 256-colour sheet converted to true colour.
  static Surface FromIndexed(const IndexedImage& image);

  int width() const { return width_; }
  int height() const { return height_; }
  uint32_t background() const { return background_; }
  uint32_t* data() { return pixels_.data(); }
  const uint32_t* data() const { return pixels_.data(); }

  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Pixel at (x, y); pixels outside the surface read as black.
  uint32_t Pixel(int x, int y) const {
    return Contains(x, y) ? pixels_[static_cast<std::size_t>(y) * width_ + x] : kBlack;
  }
  // Sets one pixel; outside the surface nothing is drawn.
  void SetPixel(int x, int y, uint32_t colour) {
    if (Contains(x, y)) pixels_[static_cast<std::size_t>(y) * width_ + x] = colour;
  }
  // Every pixel back to the background colour.
  void Clear();
  // Fills a rectangle, clipped to the surface.
  void FillRect(int x, int y, int w, int h, uint32_t colour);

 private:
  int width_ = 0;
  int height_ = 0;
  uint32_t background_ = kBlack;
  std::vector<uint32_t> pixels_;
};

}  // namespace kolvar
