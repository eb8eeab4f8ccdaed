#include "stage/entry_sequence.h"

#include <array>
#include <string>

#include "core/sheet_layout.h"
#include "pacing/keyboard.h"
#include "pacing/pacing.h"
#include "platform/platform.h"
#include "scene/hud.h"
#include "scene/map_layer.h"
#include "scene/radar.h"
#include "scene/sequence_frame.h"
#include "scene/sprites.h"
#include "video/blend.h"
#include "video/show.h"

namespace kolvar {

namespace {

constexpr std::array<SheetPicture, 10> kDigits = {
    art::kDigit0, art::kDigit1, art::kDigit2, art::kDigit3, art::kDigit4,
    art::kDigit5, art::kDigit6, art::kDigit7, art::kDigit8, art::kDigit9};

void DrawDigit(Game& g, char digit, int x) {
  MaskedDraw(g.Crt, x, 80, g.Title, kDigits[static_cast<size_t>(digit - '0')]);
}

void DrawFullEntryFrame(Game& g) {
  DrawSequenceFrame(g);
  DrawStageBanner(g);
}

}  // namespace

void DrawStageBanner(Game& g) {
  const std::string digits = ZeroPadded(g.StageNumber, 2);
  MaskedDraw(g.Crt, 80, 80, g.Title, art::kWordStage);
  // Stage numbers have two digits; anything else has no glyphs to show.
  if (digits.size() != 2 || digits[0] < '0' || digits[0] > '9') return;
  DrawDigit(g, digits[0], 180);
  DrawDigit(g, digits[1], 202);
}

void RunEntrySequence(Game& g) {
  DrawBareView(g);
  DrawSprites(g);
  DrawStageBanner(g);
  ShowScreen(g);

  // Walk out of the door, facing right.
  for (int step = 0; step < kEntryWalkSteps; ++step) {
    MarkTime(g);
    g.PlayerX += kWalkStepPixels;
    g.PlayerAnimStep = g.PlayerAnimStep + 1 > 2 ? 0 : g.PlayerAnimStep + 1;
    DrawFullEntryFrame(g);
    ShowScreen(g);
    DelayFromMark(g, kFramePeriod);
  }

  // Turn to the viewer.
  g.PlayerDir = kDown;
  Delay(g, 100);
  DrawFullEntryFrame(g);
  ShowScreen(g);
  Delay(g, 400);

  // The door closes behind the player: 21 -> 20 -> 19 -> 18, then floor.
  for (int step = 0; step < 3; ++step) {
    MarkTime(g);
    const uint8_t code = g.TileMap.Get(g.StartCellX, g.StartCellY);
    g.TileMap.Set(g.StartCellX, g.StartCellY, static_cast<uint8_t>(code - 1));
    DrawFullEntryFrame(g);
    ShowScreen(g);
    DelayFromMark(g, kFramePeriod + 80);
  }
  g.TileMap.Set(g.StartCellX, g.StartCellY, kFloor);
  DrawMapToBuffer(g);

  // Fade the banner out toward the bare map.
  for (int step = 0; step < 6; ++step) {
    MarkTime(g);
    BlendRect(g.Crt, 0, 0, kPictureWidth, kPictureHeight, g.B_Crt, 0, 0, 40);
    DrawSceneLayers(g);
    ShowScreen(g);
    DelayFromMark(g, 40);
  }

  FlushKeys(g, {Key::Up, Key::Down, Key::Left, Key::Right});
}

}  // namespace kolvar
