// Software pixel surfaces: the window's screen and back buffer, the three
// graphics sheets and the collision sensor are all plain 32-bit buffers.
// Pixels are 0x00RRGGBB. The rectangle operations that draw on them are in
// video/blit.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/sheet_data.h"

namespace kolvar {

inline constexpr uint32_t kBlack = 0x000000;
inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr uint32_t kBlue = 0x0000FF;
inline constexpr uint32_t kLightRed = 0xFF0000;

// Where a surface has been drawn on since its record was last cleared: the
// rectangles the drawing operations name (a superset: rectangles beyond
// the room kept are merged), or anywhere once something wrote through
// data(), cleared or replaced the whole surface.
struct SurfaceDamage {
  struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
  };
  static constexpr int kKept = 32;
  std::array<Rect, kKept> rects{};
  int count = 0;
  bool anywhere = true;  // a new surface's pixels are nobody's copy

  bool none() const { return !anywhere && count == 0; }
  void Add(int left, int top, int right, int bottom);
};

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, uint32_t background = kBlack);
  Surface(const Surface&) = default;
  Surface(Surface&&) = default;
  // A surface given new pixels has been drawn on anywhere.
  Surface& operator=(const Surface& other);
  Surface& operator=(Surface&& other);

  // A surface holding a 256-colour sheet converted to true colour.
  static Surface FromIndexed(const IndexedImage& image);

  int width() const { return width_; }
  int height() const { return height_; }
  uint32_t background() const { return background_; }
  // The pixels, to write anywhere (the damage record says so).
  uint32_t* data() {
    damage_.anywhere = true;
    return pixels_.data();
  }
  const uint32_t* data() const { return pixels_.data(); }
  // The pixels, for a drawing that writes only inside [left, right) x
  // [top, bottom), which the damage record keeps.
  uint32_t* data_within(int left, int top, int right, int bottom) {
    damage_.Add(left, top, right, bottom);
    return pixels_.data();
  }
  const SurfaceDamage& damage() const { return damage_; }
  void ClearDamage() { damage_ = SurfaceDamage{.anywhere = false}; }

  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Pixel at (x, y); pixels outside the surface read as black.
  uint32_t Pixel(int x, int y) const {
    return Contains(x, y) ? pixels_[static_cast<std::size_t>(y) * width_ + x] : kBlack;
  }
  // Sets one pixel; outside the surface nothing is drawn.
  void SetPixel(int x, int y, uint32_t colour) {
    if (!Contains(x, y)) return;
    damage_.Add(x, y, x + 1, y + 1);
    pixels_[static_cast<std::size_t>(y) * width_ + x] = colour;
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
  SurfaceDamage damage_;
};

}  // namespace kolvar
