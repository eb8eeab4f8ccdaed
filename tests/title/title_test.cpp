#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/fatal_error.h"
#include "flow/play_loop.h"
#include "scene/hud.h"
#include "support/test_game.h"
#include "title/title_intro.h"
#include "title/title_screen.h"
#include "video/blend.h"
#include "video/blit.h"

namespace kolvar {
namespace {

using testing::TestGame;

// From a fresh start the first menu frame is shown at 5056 ms: 501 black,
// 17 x 31 slide, 1001 pause, 45 x 31 bounce, 18 x 51 wave, 8 x 51 calm-down
// and 6 x 51 floor fade-in. A Z already down chooses there, and the fade-out
// takes 6 x 41 more.
constexpr uint32_t kFirstMenuFrame = 5056;
constexpr uint32_t kFadeOut = 246;

// A platform that keeps every shown picture.
class FilmingPlatform : public testing::TestPlatform {
 public:
  using TestPlatform::TestPlatform;
  void Show(PixelView picture) override {
    TestPlatform::Show(picture);
    frames.push_back(
        {Clock(),
         std::vector<uint32_t>(picture.pixels, picture.pixels + picture.width * picture.height)});
  }
  struct Frame {
    uint32_t time;
    std::vector<uint32_t> pixels;
  };
  std::vector<Frame> frames;
};

// The picture `frame` holds, as a surface.
Surface Picture(const std::vector<uint32_t>& pixels) {
  Surface picture(320, 240);
  std::copy(pixels.begin(), pixels.end(), picture.data());
  return picture;
}

// Black with the credits drawn where the intro puts them.
Surface Credits(int32_t badge_x, int32_t caption_x, int32_t y) {
  TestGame t;
  t.game.Crt.Clear();
  DrawTitlePicture(t.game, art::kCreditBadge, badge_x, y);
  DrawTitlePicture(t.game, art::kCreditCaption, caption_x, y + 16);
  return t.game.Crt;
}

// How many pixels of rows [y0, y1) differ between a shown picture and a
// surface.
int Differ(const std::vector<uint32_t>& shown, const Surface& want, int y0, int y1) {
  int wrong = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = 0; x < 320; ++x)
      wrong += shown[static_cast<size_t>(y) * 320 + x] != want.Pixel(x, y);
  }
  return wrong;
}

TEST(RowOffset, FollowsTheCosineWithPiTakenAsFiveDigits) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 50},    {8, 49},   {90, 0},  {92, -2},
                                               {180, -50}, {270, -1}, {272, 1}, {360, 49}};
  for (const auto& [degrees, offset] : cases) EXPECT_EQ(RowOffset(degrees), offset) << degrees;
}

TEST(WaveAngles, RowsOfTheFirstWaveAndCalmDownFrames) {
  struct Case {
    const char* frame;
    int32_t start, step;
    int row;
    int32_t angle, offset;
  };
  const Case cases[] = {
      {"first wave", 0, 8, 0, 8, 49},         {"first wave", 0, 8, 1, 16, 48},
      {"first wave", 0, 8, 2, 24, 45},        {"first wave", 0, 8, 44, 360, 49},
      {"first wave", 0, 8, 45, 0, 50},        {"first wave", 0, 8, 64, 152, -45},
      {"first calm-down", 272, 7, 0, 279, 7}, {"first calm-down", 272, 7, 11, 356, 49},
      {"first calm-down", 272, 7, 12, 0, 50},
  };
  for (const Case& c : cases) {
    const int32_t angle = WaveAngles(c.start, c.step)[static_cast<size_t>(c.row)];
    EXPECT_EQ(angle, c.angle) << c.frame << " row " << c.row;
    EXPECT_EQ(RowOffset(angle), c.offset) << c.frame << " row " << c.row;
  }
  for (int32_t angle : WaveAngles(272, 0)) EXPECT_EQ(RowOffset(angle), 1);
}

TEST(TitleIntro, EndsWithTheLogoStraightAtX33OverTheRestingCredits) {
  struct Filmed {
    FilmingPlatform platform;
    Game game{platform};
  } t;
  TitleState s;
  RunTitleIntro(t.game, s);
  EXPECT_EQ(s.CreditY, 140);
  EXPECT_EQ(t.platform.music.log, "play;");
  EXPECT_EQ(t.game.MusicLoop, kTrue);
  // The slide: frame k shows the badge at x 8 k - 64 and the caption at
  // 220 - 8 k, at y 50, on black.
  ASSERT_GE(t.platform.frames.size(), 17u);
  for (int k = 0; k < 17; ++k) {
    ASSERT_EQ(Differ(t.platform.frames[static_cast<size_t>(k)].pixels,
                     Credits(8 * k - 64, 220 - 8 * k, 50), 0, 240),
              0)
        << "slide frame " << k;
  }
  // The credits stay at rest behind the wave, in every wave frame.
  const Surface resting = Credits(66, 90, 140);
  EXPECT_EQ(Differ(t.platform.frames.back().pixels, resting, 140, 240), 0);
  EXPECT_EQ(Differ(t.platform.frames[t.platform.frames.size() - 26].pixels, resting, 140, 240), 0);
  // The last calm-down frame plain-copies all 65 rows one pixel right of
  // the menu's logo; B_Crt keeps the credits without the logo.
  for (int row = 0; row < kWaveRows; ++row) {
    for (int x = 0; x < 256; ++x) {
      ASSERT_EQ(t.game.Crt.Pixel(33 + x, 8 + row), t.game.Title.Pixel(x, row)) << x << "," << row;
    }
  }
  EXPECT_EQ(t.game.Crt.Pixel(32, 40), kBlack);
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      if (y >= 140 || x < 33)
        ASSERT_EQ(t.game.B_Crt.Pixel(x, y), t.game.Crt.Pixel(x, y));
      else
        ASSERT_EQ(t.game.B_Crt.Pixel(x, y), kBlack) << x << "," << y;
    }
  }
}

// The menu's choice: Up before Down before Z in each frame; presses made
// during the intro are flushed, keys still held are not.
TEST(TitleScreen, MenuChoosesStartOrContinue) {
  struct Case {
    const char* what;
    const char* script;
    int32_t stage;
    uint32_t z_time;  // the Z that chooses
  };
  const Case cases[] = {
      {"Z held from the start chooses Start on the first menu frame", "0 z down\n", 1,
       kFirstMenuFrame},
      {"a Z tap in the intro chooses nothing", "100 z down\n200 z up\n6000 z down\n", 1, 6000},
      {"a Down tap in the intro is forgotten", "100 down down\n200 down up\n6000 z down\n", 1,
       6000},
      {"Down moves to Continue", "5500 down down\n5600 down up\n6000 z down\n", 7, 6000},
      {"Down and Z in one frame choose Continue", "6000 down down\n6000 z down\n", 7, 6000},
      {"Up and Down in one frame leave Continue",
       "5500 up down\n5500 down down\n5600 up up\n5600 down up\n6000 z down\n", 7, 6000},
      {"Up moves back to Start", "5500 down down\n5600 down up\n5700 up down\n6000 z down\n", 1,
       6000},
      {"Esc, Left and Right do nothing",
       "5500 esc down\n5500 left down\n5500 right down\n"
       "6000 z down\n",
       1, 6000},
  };
  for (const Case& c : cases) {
    TestGame t(".", c.script);
    t.game.ContinueStage = 7;
    TitleScreen(t.game);
    EXPECT_EQ(t.game.StageNumber, c.stage) << c.what;
    // The choice comes on the first menu frame (41 ms apart) that polls
    // after the press, and the fade-out follows at once.
    const uint32_t end = t.platform.Clock();
    EXPECT_GE(end, c.z_time + kFadeOut) << c.what;
    EXPECT_LE(end, c.z_time + 41 + kFadeOut) << c.what;
  }
}

TEST(TitleScreen, EndsFadedWithTheTitleMusicLooping) {
  struct Filmed {
    FilmingPlatform platform{"0 z down\n"};
    Game game{platform};
  } t;
  TitleScreen(t.game);
  // Each of the six fade-out frames is the one before it 40 % of the way
  // to black.
  const auto& frames = t.platform.frames;
  ASSERT_GE(frames.size(), 7u);
  Surface fading = Picture(frames[frames.size() - 7].pixels);
  const Surface black(320, 240);
  for (size_t k = frames.size() - 6; k < frames.size(); ++k) {
    BlendRect(fading, 0, 0, 320, 240, black, 0, 0, 40);
    ASSERT_EQ(Differ(frames[k].pixels, fading, 0, 240), 0) << "fade-out frame " << k;
  }
  EXPECT_EQ(t.platform.Clock(), kFirstMenuFrame + kFadeOut);
  EXPECT_EQ(t.platform.music.log, "close;open title.mid;play;");
  EXPECT_EQ(t.game.MusicLoop, kTrue);
  for (int y = 0; y < t.game.B_Crt.height(); ++y) {
    for (int x = 0; x < t.game.B_Crt.width(); ++x) ASSERT_EQ(t.game.B_Crt.Pixel(x, y), kBlack);
  }
  // About 4.7 % of the menu is left: the brightest pixel is dim.
  uint32_t brightest = 0;
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      const uint32_t p = t.game.Crt.Pixel(x, y);
      brightest = std::max({brightest, p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF});
    }
  }
  EXPECT_GT(brightest, 0u);
  EXPECT_LE(brightest, 13u);
}

TEST(TitleScreen, AfterAGameLeftWithEscTheTitleMusicWaitsForTheWave) {
  TestGame t(".", "0 z down\n");
  t.game.MusicLoop = kTrue;  // the stage music was looping when Esc ended the game
  TitleScreen(t.game);
  // Without the stop the music timer would rewind and play the opened title
  // piece within a second ("seek;play;" before the wave's "play;").
  EXPECT_EQ(t.platform.music.log, "stop;close;open title.mid;play;");
}

TEST(TitleScreen, CloseRequestEndsItAtOnceInEveryPhase) {
  struct Case {
    const char* phase;
    const char* script;
    uint32_t close_time;
  };
  const Case cases[] = {
      {"black pause", "300 close\n", 300},
      {"slide", "800 close\n", 800},
      {"bounce", "2500 close\n", 2500},
      {"wave", "4000 close\n", 4000},
      {"floor fade-in", "4900 close\n", 4900},
      {"menu", "5500 close\n", 5500},
      {"fade-out", "0 z down\n5200 close\n", 5200},
  };
  for (const Case& c : cases) {
    TestGame t(".", c.script);
    EXPECT_THROW(TitleScreen(t.game), CloseRequested) << c.phase;
    EXPECT_EQ(t.platform.Clock(), c.close_time) << c.phase;
    EXPECT_TRUE(t.platform.music.log.ends_with("stop;")) << c.phase;
    EXPECT_EQ(t.game.MusicLoop, kFalse) << c.phase;
  }
}

TEST(TitleScreen, MenuFloorScrollsTwoPixelsAFrameAndRepeatsEverySixteen) {
  FilmingPlatform platform("6000 z down\n");
  Game g(platform);
  TitleScreen(g);
  // The completed picture and the first menu frame are both shown at
  // 5056 ms; menu frame k follows 41 k ms later with ScrollX 2 (k + 1) mod 32.
  // The Z at 6000 is read by the frame at 6040, shown together with the
  // first fade-out frame.
  std::vector<const FilmingPlatform::Frame*> menu;
  bool completed_seen = false;
  for (const auto& f : platform.frames) {
    if (f.time < kFirstMenuFrame || f.time >= 6040) continue;
    if (!completed_seen) {
      completed_seen = true;
      continue;
    }
    menu.push_back(&f);
  }
  ASSERT_EQ(menu.size(), 24u);
  // The hi-score line over every menu frame.
  TestGame hiscore;
  hiscore.game.Crt.Clear();
  DrawHiScore(hiscore.game);
  for (size_t k = 0; k < menu.size(); ++k) {
    const int scroll = static_cast<int>(2 * (k + 1) % 32);
    int hiscore_pixels = 0;
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 320; ++x) {
        if (hiscore.game.Crt.Pixel(x, y) != kWhite) continue;
        ++hiscore_pixels;
        ASSERT_EQ(menu[k]->pixels[static_cast<size_t>(y) * 320 + x], kWhite)
            << "frame " << k << " at " << x << "," << y;
      }
    }
    ASSERT_GT(hiscore_pixels, 20);
    // The floor across the whole width where no picture covers it (below
    // the credits), and the black strip under it.
    for (int y = 204; y < 240; ++y) {
      for (int x = 0; x < 320; ++x) {
        const uint32_t want = y < 224 ? g.MapChip.Pixel(32 + (x + scroll) % 32, y % 32) : kBlack;
        ASSERT_EQ(menu[k]->pixels[static_cast<size_t>(y) * 320 + x], want)
            << "frame " << k << " at " << x << "," << y;
      }
    }
  }
}

// The floor fades in over six frames, each 10 % of the way from the frame
// before to the floor (seen below the credits, where nothing covers it).
TEST(TitleScreen, FloorFadesInTenPercentAFrame) {
  FilmingPlatform platform("0 z down\n");
  Game g(platform);
  TitleScreen(g);
  size_t completed = 0;
  while (completed < platform.frames.size() && platform.frames[completed].time < kFirstMenuFrame) {
    ++completed;
  }
  ASSERT_GE(completed, 6u);
  Surface floor(352, 372);
  for (int row = 0; row < 7; ++row) {
    for (int column = 0; column < 11; ++column) {
      Blit(floor, 32 * column, 32 * row, 32, 32, g.MapChip, 32, 0);
    }
  }
  Surface fading(320, 240);
  for (size_t k = completed - 6; k < completed; ++k) {
    BlendRect(fading, 0, 0, 320, 240, floor, 0, 0, 10);
    ASSERT_EQ(Differ(platform.frames[k].pixels, fading, 204, 240), 0) << "fade-in frame " << k;
  }
}

// Every life ends at once (as if an enemy stood on the start), and the
// game-over prompt gets its Z half a second after the last life is lost.
class DoomedPlatform : public testing::TestPlatform {
 public:
  Game* game = nullptr;
  bool doomed = false;
  uint32_t close_at = 0;
  bool PumpEvents() override {
    const bool close = TestPlatform::PumpEvents() || (close_at != 0 && Clock() >= close_at);
    if (doomed && game->Lives > 0) {
      game->Score = 1500;
      game->GameFlags[kMiss] = kTrue;
    }
    if (doomed && game->Lives == 0) {
      if (last_life_at_ == 0) last_life_at_ = Clock();
      if (Clock() == last_life_at_ + 500) PressKey(Key::Z);
      if (Clock() == last_life_at_ + 501) ReleaseKey(Key::Z);
    }
    return close;
  }

 private:
  uint32_t last_life_at_ = 0;
};

TEST(TitleScreen, ContinueStartsAfreshOnTheStageWhereTheLastGameEnded) {
  DoomedPlatform platform;
  Game g(platform);
  platform.game = &g;
  g.ContinueStage = 1;
  g.HiScore = 4321;
  g.StageNumber = 5;
  platform.doomed = true;
  RunGame(g);
  ASSERT_EQ(g.GameFlags[kGameOver], kTrue);
  EXPECT_EQ(g.ContinueStage, 5);
  EXPECT_EQ(g.Score, 1500);

  // Down and Z held through the intro: the first menu frame moves the
  // arrow to Continue and chooses it.
  platform.doomed = false;
  platform.PressKey(Key::Down);
  platform.PressKey(Key::Z);
  TitleScreen(g);
  EXPECT_EQ(g.StageNumber, 5);
  platform.ReleaseKey(Key::Down);
  platform.ReleaseKey(Key::Z);

  platform.close_at = platform.Clock() + 3000;
  EXPECT_THROW(RunGame(g), CloseRequested);
  EXPECT_EQ(g.StageNumber, 5);
  EXPECT_EQ(g.Lives, 3);
  EXPECT_EQ(g.Score, 0);
  EXPECT_EQ(g.HiScore, 4321);
  EXPECT_EQ(g.GameFlags[kGameOver], kFalse);
}

TEST(TitleArt, HiScoreLineLeavesTheLogoClear) {
  TestGame t;
  t.game.HiScore = 88888;
  DrawHiScore(t.game);
  int lit = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 320; ++x) {
      if (t.game.Crt.Pixel(x, y) != kWhite) continue;
      ++lit;
      // Every lit pixel and its neighbours lie where the logo (drawn at
      // (32, 8)) is transparent: its mask is white there.
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int lx = x + dx - 32, ly = y + dy - 8;
          if (lx < 0 || ly < 0 || lx >= art::kLogo.width || ly >= art::kLogo.height) continue;
          ASSERT_EQ(t.game.Title.Pixel(art::kLogo.mask_x + lx, art::kLogo.mask_y + ly), kWhite)
              << lx << "," << ly;
        }
      }
    }
  }
  EXPECT_GT(lit, 20);
}

// The arrow, drawn at x 66, ends before the words of the panel, drawn at
// x 100, begin.
TEST(TitleArt, MenuArrowStopsShortOfTheWords) {
  TestGame t;
  auto opaque_columns = [&](const SheetPicture& p) {
    int left = p.width, right = -1;
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        if (t.game.Title.Pixel(p.mask_x + x, p.mask_y + y) == kBlack) {
          left = std::min(left, x);
          right = std::max(right, x);
        }
      }
    }
    return std::pair{left, right};
  };
  EXPECT_LT(66 + opaque_columns(art::kMenuArrow).second,
            100 + opaque_columns(art::kMenuPanel).first);
}

}  // namespace
}  // namespace kolvar
