#include "title/title_intro.h"

#include <cmath>

#include "audio/music.h"
#include "pacing/pacing.h"
#include "video/blit.h"
#include "video/show.h"

namespace kolvar {

namespace {

constexpr int32_t kSlidePeriod = 30;  // slide and bounce frames
constexpr int32_t kWavePeriod = 50;   // wave-in and calm-down frames
constexpr int32_t kWaveAmplitude = 50;
constexpr int32_t kWaveStep = 8;  // degrees between neighbouring rows
constexpr int32_t kLastWaveStart = 272;

struct BounceRun {
  int frames;
  int32_t step;
};
// Drop, two bounces and the settling fall: 50 -> 146 -> 98 -> 146 -> 98 -> 140.
constexpr BounceRun kBounceRuns[] = {{6, 16}, {6, -8}, {6, 8}, {6, -8}, {21, 2}};

void CopyBackBufferToScreen(Game& g) {
  Blit(g.Crt, 0, 0, kPictureWidth, kPictureHeight, g.B_Crt, 0, 0);
}

void DrawCredits(Game& g, int32_t badge_x, int32_t caption_x, int32_t y) {
  DrawTitlePicture(g, art::kCreditBadge, badge_x, y);
  DrawTitlePicture(g, art::kCreditCaption, caption_x, y + 16);
}

// One frame of the wave: the background, then every row of the logo band
// plain-copied at its offset (its black surroundings included). The wait
// comes before the show in these frames.
void WaveFrame(Game& g, int32_t start, int32_t step) {
  MarkTime(g);
  CopyBackBufferToScreen(g);
  const std::array<int32_t, kWaveRows> angles = WaveAngles(start, step);
  for (int row = 0; row < kWaveRows; ++row) {
    Blit(g.Crt, 32 + RowOffset(angles[row]), 8 + row, art::kLogo.width, 1, g.Title, art::kLogo.x,
         art::kLogo.y + row);
  }
  DelayFromMark(g, kWavePeriod);
  ShowScreen(g);
}

}  // namespace

void DrawTitlePicture(Game& g, const SheetPicture& picture, int32_t x, int32_t y) {
  MaskedDraw(g.Crt, x, y, g.Title, picture);
}

int32_t RowOffset(int32_t degrees) {
  const double radians = (3.14159 / 180.0) * static_cast<double>(degrees);
  return static_cast<int32_t>(std::floor(kWaveAmplitude * std::cos(radians)));
}

std::array<int32_t, kWaveRows> WaveAngles(int32_t start, int32_t step) {
  std::array<int32_t, kWaveRows> angles{};
  int32_t angle = start;
  for (int32_t& a : angles) {
    angle += step;
    if (angle > 360) angle = 0;
    a = angle;
  }
  return angles;
}

void RunTitleIntro(Game& g, TitleState& s) {
  s.CreditY = 50;
  // The badge comes in from the left (x -64 to 64), the caption from the
  // right (x 220 to 92), 8 px a frame.
  for (int32_t i = 0; i <= 130; i += 8) {
    MarkTime(g);
    CopyBackBufferToScreen(g);
    DrawCredits(g, i - 64, 220 - i, s.CreditY);
    ShowScreen(g);
    DelayFromMark(g, kSlidePeriod);
  }
  Delay(g, 1000);

  // From here the pair stands 2 px further right, at its resting place.
  for (const BounceRun& run : kBounceRuns) {
    for (int frame = 0; frame < run.frames; ++frame) {
      MarkTime(g);
      s.CreditY += run.step;
      CopyBackBufferToScreen(g);
      DrawCredits(g, 66, 90, s.CreditY);
      ShowScreen(g);
      DelayFromMark(g, kSlidePeriod);
    }
  }
  Blit(g.B_Crt, 0, 0, kPictureWidth, kPictureHeight, g.Crt, 0, 0);

  for (int32_t start = 0; start <= kLastWaveStart; start += 16) WaveFrame(g, start, kWaveStep);
  PlayMusic(g, kTrue);
  // The rows' angles draw together until, in the eighth frame, every row
  // sits at 272 degrees, one pixel right of the menu's logo.
  for (int32_t k = 1; k <= 8; ++k) WaveFrame(g, kLastWaveStart, kWaveStep - k);
}

}  // namespace kolvar
