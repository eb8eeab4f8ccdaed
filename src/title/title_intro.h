// The title's opening animation: the credit badge and caption slide in from
// both sides and bounce to rest, then the logo waves in row by row while the
// title music starts, and calms down until it stands straight.
#pragma once

#include <array>
#include <cstdint>

#include "core/game.h"
#include "core/sheet_layout.h"

namespace kolvar {

// Masked draw of a picture of the title sheet (art::kLogo, art::kMenuArrow,
// ...) with its top-left at (x, y) of Crt.
void DrawTitlePicture(Game& game, const SheetPicture& picture, int32_t x, int32_t y);

// The title screen's own state for one run of it.
struct TitleState {
  int32_t CreditY = 50;      // top of the credit badge; the caption is 16 px lower
  int32_t MenuCursorY = 80;  // top of the menu arrow: 80 Start, 110 Continue
  int32_t ScrollX = 0;       // left edge of the floor's copy from B_Crt
};

// The wave copies this many rows of the sheet: the rows of the logo and the
// blank row under it.
inline constexpr int kWaveRows = art::kLogo.height + 1;

// Horizontal displacement of a logo row whose wave angle is `degrees`:
// floor(50 cos(degrees in radians)), with pi taken as 3.14159 so that the
// offsets (360 degrees gives 49, 270 gives -1) are those of the finished art.
int32_t RowOffset(int32_t degrees);

// The wave angle of each row in one wave frame: the first row's angle is
// start + step, each further row adds step, and an angle beyond 360 starts
// again from 0 (exactly 360 is kept).
std::array<int32_t, kWaveRows> WaveAngles(int32_t start, int32_t step);

// Runs the whole animation on a black screen: afterwards Crt shows the
// straight logo (at x 33) and the credit pictures at CreditY 140, B_Crt the
// same without the logo, and the title music plays in a loop.
void RunTitleIntro(Game& game, TitleState& state);

}  // namespace kolvar
