// The pause, as both windows (the desktop's and the browser's) keep it:
// asked for by a key, a button or the window losing the player's
// attention; held inside the window's event processing while the game's
// clock stands still; shown as the last picture dimmed, with "PAUSE" over a
// darker band and a line telling how to play on. The backends have no text
// of their own: the game hands them its line drawing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kolvar {

using RenderTextFunction = std::function<TextBitmap(std::string_view text, int pixel_size)>;

// The banner's line: "Press P or Start to play on", naming the first key
// the settings give to pausing (`pause_key`; empty: none, only Start).
std::string ResumeLine(const std::string& pause_key);

// `last` is a 320 x 240 picture (0x00RRGGBB); `resume_line` says how to play
// on. Without `render_text` the picture is dimmed without words.
std::vector<uint32_t> PausePicture(const std::vector<uint32_t>& last,
                                   const RenderTextFunction& render_text,
                                   const std::string& resume_line);

// A window's pause. Times are the window's own milliseconds, which run on
// through a pause; the game's clock is that less every pause's length.
class PauseState {
 public:
  bool paused() const { return paused_; }
  // Asked for and not yet held: the window holds it at its next event pass.
  bool wanted() const { return wanted_; }

  // The pause key or button: asks for a pause, or plays on from the one held.
  void Toggle();
  // The player's attention went elsewhere (another window, a hidden tab):
  // a pause is asked for, unless one is held already.
  void Ask();

  // The pause is held from `now`: the window shows `last` dimmed with the
  // banner naming `pause_key` (see ResumeLine).
  void Begin(uint32_t now, const std::vector<uint32_t>& last, const RenderTextFunction& render_text,
             const std::string& pause_key);
  // As Begin, the banner saying `resume_line` (a touch screen names its
  // pause button instead of keys).
  void BeginSaying(uint32_t now, const std::vector<uint32_t>& last,
                   const RenderTextFunction& render_text, const std::string& resume_line);
  // Play goes on at `now`; the time held is left out of the game's clock.
  void End(uint32_t now);

  // The game's clock at the window's `now`: it did not move while paused.
  uint32_t GameClock(uint32_t now) const { return now - paused_ms_; }

  // What the window shows: the pause picture while paused, else `last`.
  const std::vector<uint32_t>& Shown(const std::vector<uint32_t>& last) const {
    return paused_ ? picture_ : last;
  }
  // The banner's line of the pause held last.
  const std::string& resume_line() const { return resume_line_; }

 private:
  bool paused_ = false;
  bool wanted_ = false;
  uint32_t start_ = 0;
  uint32_t paused_ms_ = 0;
  std::string resume_line_;
  std::vector<uint32_t> picture_;
};

}  // namespace kolvar
