// The notice band drawn into a software renderer: which line is on screen
// is told by its width, as each test line is a solid block of white.
#include "platform/sdl/notice_band.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

namespace kolvar {
namespace {

constexpr int kGlyphWidth = 6;
constexpr int kLineHeight = 12;

TextBitmap SolidLine(std::string_view text, int) {
  TextBitmap bitmap;
  bitmap.width = static_cast<int>(text.size()) * kGlyphWidth;
  bitmap.height = kLineHeight;
  bitmap.coverage.assign(static_cast<size_t>(bitmap.width) * bitmap.height, 1);
  return bitmap;
}

struct NoticeBandTest : ::testing::Test {
  NoticeBandTest() {
    surface = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 32, SDL_PIXELFORMAT_ARGB8888);
    renderer = SDL_CreateSoftwareRenderer(surface);
  }
  ~NoticeBandTest() override {
    band.Release();
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
  }
  // Draws the band over a black picture of `width` x 480 (zoom 1); returns
  // the width of the line on screen in characters, 0 for none.
  int Shown(int width = 640) {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    band.Draw(renderer, {0, 0, width, 480});
    SDL_RenderPresent(renderer);
    int white = 0;
    const auto* pixels = static_cast<const uint32_t*>(surface->pixels);
    for (int i = 0; i < surface->w * surface->h; ++i) white += (pixels[i] & 0xFFFFFF) == 0xFFFFFF;
    return white / (kGlyphWidth * kLineHeight);
  }

  SDL_Surface* surface = nullptr;
  SDL_Renderer* renderer = nullptr;
  NoticeBand band{SolidLine};
};

// The standing line stays while nothing else needs the band and gives way
// to a queued notice for the notice's time, also when it changes meanwhile.
TEST_F(NoticeBandTest, TheStandingLineGivesWayToNotices) {
  ASSERT_NE(renderer, nullptr) << SDL_GetError();
  EXPECT_FALSE(band.Due());
  band.Stand("Watching a - x1");
  EXPECT_TRUE(band.Due());
  EXPECT_EQ(Shown(), 15);
  EXPECT_FALSE(band.Due());  // it stands: nothing to draw again
  EXPECT_EQ(Shown(), 15);

  band.Queue("saved");
  EXPECT_TRUE(band.Due());
  EXPECT_EQ(Shown(), 5);
  band.Stand("Watching a - x2");
  EXPECT_FALSE(band.Due());
  EXPECT_EQ(Shown(), 5);
}

// Set again, the standing line changes or goes at the next drawing, and is
// fitted again to a window of another size.
TEST_F(NoticeBandTest, TheStandingLineChangesGoesAndFitsTheWindow) {
  ASSERT_NE(renderer, nullptr) << SDL_GetError();
  band.Stand("Watching a - x1");
  EXPECT_EQ(Shown(), 15);
  band.Stand("Watching a - x4");
  EXPECT_TRUE(band.Due());
  EXPECT_EQ(Shown(), 15);
  band.Stand(std::string(80, 'k'));
  EXPECT_EQ(Shown(), 80);
  // 320 pixels less the margins hold 52 characters: the line is cut short
  // with "...".
  EXPECT_EQ(Shown(320), 52);
  band.Stand("");
  EXPECT_TRUE(band.Due());
  EXPECT_EQ(Shown(), 0);
  EXPECT_FALSE(band.Due());
  EXPECT_FALSE(band.Pending());
}

}  // namespace
}  // namespace kolvar
