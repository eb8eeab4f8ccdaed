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
#include <utility>
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

// Where the pointer (a mouse, or a finger on a touch screen) is and what it
// did since the last look, in the picture's own pixels: the window's scaling
// and borders are taken off, so (0, 0) is the picture's top-left pixel
// whatever size it is shown at. The game's play reads no pointer; the stage
// editor does.
struct PointerState {
  bool seen = false;  // a pointer has been over the picture at least once
  int x = 0, y = 0;   // its last place, clamped to the picture
  bool down = false;  // the main button held, or a finger on the glass
  // Pressed and let go since the last look: a click shorter than the time
  // between two looks still shows as pressed and released.
  bool pressed = false;
  bool released = false;
  bool touch = false;  // last moved by a finger rather than a mouse
};

// A key typed for text or a command, beside the game keys: a printable
// ASCII character as itself ("a", "#"), or a key by name: "Return",
// "Backspace", "Delete", "Tab", "Home", "End", "PageUp", "PageDown",
// "F1".."F12", and a letter with Ctrl held as "Ctrl+z".
using TypedKey = std::string;

// Keys typed and not yet taken are kept up to this many (the oldest go
// first): play never takes them, and a long game must not pile them up.
inline constexpr size_t kMostTypedKeys = 64;

inline void QueueTypedKey(std::vector<TypedKey>& queue, TypedKey key) {
  if (queue.size() >= kMostTypedKeys) queue.erase(queue.begin());
  queue.push_back(std::move(key));
}

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

  // The pointer as it is now, with what it did since the last look (which
  // clears `pressed` and `released`). A platform without one never sees it.
  virtual PointerState PollPointer() { return {}; }

  // The keys typed since the last call, in order, taken from the platform.
  // A platform without a keyboard for text has none.
  virtual std::vector<TypedKey> TakeTypedKeys() { return {}; }

  // While on, a key that types a printable character is only typed: it
  // presses no game key and starts no window action (P would pause), so a
  // player can write any text. The arrows, Esc and the named keys act as
  // ever. Off when the platform starts.
  virtual void SetTyping(bool) {}

  // Puts `text` on the system's clipboard, where the platform has one;
  // true when it did.
  virtual bool CopyToClipboard(const std::string&) { return false; }
};

}  // namespace kolvar
