#include "platform/scaling.h"

#include <gtest/gtest.h>

namespace kolvar {
namespace {

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

}  // namespace
}  // namespace kolvar
