#include "platform/scaling.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/pointer_tracker.h"

namespace kolvar {
namespace {

// The pointer's place in a window becomes the picture's pixel under it,
// bars and scale taken off; off the picture it is held at its edge.
TEST(PicturePixelAt, TakesOffTheBarsAndTheScale) {
  const struct {
    PixelRect fit;
    int x, y;
    int picture_x, picture_y;
  } cases[] = {
      {{0, 0, 320, 240}, 0, 0, 0, 0},
      {{0, 0, 320, 240}, 319, 239, 319, 239},
      {{180, 110, 640, 480}, 180, 110, 0, 0},  // the picture's corner
      {{180, 110, 640, 480}, 181, 111, 0, 0},  // the same pixel, scaled by 2
      {{180, 110, 640, 480}, 182, 113, 1, 1},
      {{180, 110, 640, 480}, 819, 589, 319, 239},  // the last pixel
      {{180, 110, 640, 480}, 100, 50, 0, 0},       // on the bar: held at the edge
      {{180, 110, 640, 480}, 179, 300, 0, 95},     // just left of the picture
      {{180, 110, 640, 480}, 999, 999, 319, 239},
      {{320, 60, 1280, 960}, 320 + 4 * 88 + 3, 60 + 4 * 102, 88, 102},
  };
  for (const auto& c : cases) {
    int x = -1, y = -1;
    PicturePixelAt(c.fit, c.x, c.y, &x, &y);
    EXPECT_EQ(x, c.picture_x) << c.x << "," << c.y;
    EXPECT_EQ(y, c.picture_y) << c.x << "," << c.y;
  }
}

TEST(FitPicture, LargestWholeMultipleCentred) {
  const struct {
    int width, height;
    PixelRect expected;
  } cases[] = {
      {320, 240, {0, 0, 320, 240}},       {640, 480, {0, 0, 640, 480}},
      {1000, 700, {180, 110, 640, 480}},   // neither side a multiple
      {1280, 1024, {0, 32, 1280, 960}},    // full width, bars above and below
      {1920, 1080, {320, 60, 1280, 960}},  // height decides
      {2560, 1440, {320, 0, 1920, 1440}},  // a high-DPI drawable of a 1280 x 720 window
      {300, 200, {0, 0, 320, 240}},        // smaller than the picture: top-left part
      {639, 479, {159, 119, 320, 240}},
  };
  for (const auto& c : cases) {
    const PixelRect r = FitPicture(c.width, c.height);
    EXPECT_EQ(r.x, c.expected.x) << c.width << "x" << c.height;
    EXPECT_EQ(r.y, c.expected.y) << c.width << "x" << c.height;
    EXPECT_EQ(r.w, c.expected.w) << c.width << "x" << c.height;
    EXPECT_EQ(r.h, c.expected.h) << c.width << "x" << c.height;
  }
}

TEST(ChooseScale, DefaultFitsComfortablyAndRequestsAreCapped) {
  const struct {
    int requested, display_width, display_height, expected;
  } cases[] = {
      {0, 1280, 1024, 3}, {8, 1280, 1024, 3},  // the 8x window that did not fit
      {2, 1280, 1024, 2}, {0, 1024, 768, 2},  {0, 800, 600, 2},
      {0, 640, 480, 1},   {5, 640, 480, 1},   {0, 3840, 2160, 3},  // the default stays at most 3
      {8, 3840, 2160, 8}, {9, 3840, 2160, 8}, {0, 100, 100, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseScale(c.requested, c.display_width, c.display_height), c.expected)
        << c.requested << " on " << c.display_width << "x" << c.display_height;
  }
}

// Every pixel of the drawn rows is the picture's pixel it covers; the
// padding at the end of each output row and the rows not asked for are
// left alone.
TEST(ScalePicture, EachPixelBecomesASquareAndNothingElseIsWritten) {
  std::vector<uint32_t> picture(kPictureWidth * kPictureHeight);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint32_t>(i * 2654435761u);
  const struct {
    int scale, first_row, end_row;
  } cases[] = {{1, 0, 240}, {2, 0, 240}, {3, 0, 240}, {5, 0, 240}, {3, 17, 18}, {2, 100, 240}};
  for (const auto [scale, first_row, end_row] : cases) {
    const int width = kPictureWidth * scale, pitch = width + 7;
    std::vector<uint32_t> out(static_cast<size_t>(pitch) * kPictureHeight * scale, 0xDEADBEEF);
    ScalePicture(picture.data(), scale, out.data(), pitch, first_row, end_row);
    int wrong = 0;
    for (int y = 0; y < kPictureHeight * scale; ++y) {
      const bool drawn = y / scale >= first_row && y / scale < end_row;
      for (int x = 0; x < pitch; ++x) {
        const uint32_t expected =
            drawn && x < width ? picture[(y / scale) * kPictureWidth + x / scale] : 0xDEADBEEF;
        wrong += out[static_cast<size_t>(y) * pitch + x] != expected;
      }
    }
    EXPECT_EQ(wrong, 0) << "scale " << scale << ", rows " << first_row << " to " << end_row;
  }
}

}  // namespace
}  // namespace kolvar
