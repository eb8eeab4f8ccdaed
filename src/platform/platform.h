// The one interface between the game and the machine it runs on.
//
// Game code never names SDL: it reads a millisecond clock, polls keys, lets
// the window process its pending events, shows a finished picture and talks
// to a music device. The backends implement it (the SDL window, the
// headless runner of tests, tools and CI, the browser page), and so do
// layers over another platform (a recording, a replay) and the bots'
// machine; the game never knows which one it holds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/music_device.h"

namespace kolvar {

// The game keys. The settings' actions (desktop/config_file.h) begin with
// them, in this order.
enum class Key { Up, Right, Down, Left, Esc, Z };
inline constexpr int kKeyCount = 6;
static_assert(static_cast<int>(Key::Z) + 1 == kKeyCount, "kKeyCount counts every key");

// A finished 32-bit picture handed to the window (0x00RRGGBB per pixel).
struct PixelView {
  const uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
};

// A line of text drawn without anti-aliasing: one byte per pixel, nonzero
// where the glyphs cover the pixel. The game draws its own text; the window
// gets the lines of its pause banner from it in this form.
struct TextBitmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> coverage;
};

// What the prompts call the control that confirms: a key ("Z", "Space")
// or a controller's button ("A").
struct ConfirmControl {
  std::string name = "Z";
  bool button = false;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Milliseconds from an arbitrary start; only differences are meaningful.
  virtual uint32_t Clock() = 0;

  // Key state in the old 16-bit form: bit 15 while the key is down, bit 0
  // when it was pressed since the previous poll of the same key. Polling
  // clears bit 0 for that key only.
  virtual uint16_t PollKey(Key key) = 0;

  // Lets the window process its pending events. Returns true when the user
  // asked to close the window.
  virtual bool PumpEvents() = 0;

  // Gives the processor away for about `ms` milliseconds (0: just yield).
  // The headless runner returns at once: its clock moves only in PumpEvents.
  virtual void Idle(uint32_t ms) = 0;

  // Makes the picture visible.
  virtual void Show(PixelView picture) = 0;

  virtual MusicDevice& Music() = 0;

  // The hi-score kept between runs: read once when the program starts (0
  // when none is kept) and written each time it rises. A platform that
  // keeps none reads 0 and writes nothing.
  virtual int32_t LoadHiScore() { return 0; }
  virtual void SaveHiScore(int32_t) {}
  // A hi-score that another game kept since the last look (another tab of
  // the same page), or 0; asked at each event pass, and the game takes it
  // when it is higher than its own. Platforms whose hi-score only this
  // game writes answer 0.
  virtual int32_t HiScoreKeptElsewhere() { return 0; }

  // The stage Continue starts, kept between runs beside the hi-score: read
  // once when the program starts (1 when none is kept) and written at each
  // game over.
  virtual int32_t LoadContinueStage() { return 1; }
  virtual void SaveContinueStage(int32_t) {}

  // The control the player confirms with, for the prompts to name. Z unless
  // the platform lets the player choose another (the headless runner keeps
  // Z, so its pictures never depend on settings).
  virtual ConfirmControl ConfirmKey() { return {}; }

  // Tells the player something outside the game's picture: above all a
  // failure that loses what the player keeps (a recording stopped, a
  // hi-score not kept). On the standard error stream and, where the
  // platform has one, once on the window's notice line.
  virtual void Notice(const std::string& message) {
    std::fprintf(stderr, "kolvar: %s\n", message.c_str());
  }
};

}  // namespace kolvar
