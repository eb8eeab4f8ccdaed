// The window behind CreateSdlPlatform: one class, its work in files by job.
//   sdl_platform.cpp    opening and closing the window, the settings, the
//                       kept hi-score and Continue stage
//   window_input.cpp    the event passes: keys, controllers, window events
//   window_pause.cpp    the pause, the screenshot key, the caption's and the
//                       window's notices
//   window_standing.cpp the notice band's standing lines: the keys on a first
//                       start, the recording being watched
//   window_present.cpp  drawing the picture into the window; the whole screen
// The line of notices along the bottom is a NoticeBand (notice_band), the
// pause's flags, time and picture a PauseState (platform/pause), shared with
// the browser's window.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop/config_file.h"
#include "platform/desktop/continue_store.h"
#include "platform/desktop/hiscore_store.h"
#include "platform/key_state.h"
#include "platform/pause.h"
#include "platform/pointer_tracker.h"
#include "platform/scaling.h"
#include "platform/sdl/gamepad.h"
#include "platform/sdl/notice_band.h"
#include "platform/sdl/sdl_music.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/sdl/window_geometry.h"

namespace kolvar {

// Throws std::runtime_error with `what` and SDL's own word on it.
[[noreturn]] void FailWithSdlError(const std::string& what);

class SdlWindow final : public Platform {
 public:
  explicit SdlWindow(const WindowOptions& options);
  ~SdlWindow() override;
  SdlWindow(const SdlWindow&) = delete;
  SdlWindow& operator=(const SdlWindow&) = delete;

  // The game's clock moves only when the window processes its events, as
  // the headless runner's does: the rules see the same times live and in a
  // recording's replay. It does not move while the game is paused.
  uint32_t Clock() override { return now_; }
  uint16_t PollKey(Key key) override;
  bool PumpEvents() override;
  void Idle(uint32_t ms) override;
  void Show(PixelView picture) override;
  MusicDevice& Music() override { return *music_; }
  int32_t LoadHiScore() override;
  void SaveHiScore(int32_t value) override { hiscore_.Save(value); }
  int32_t LoadContinueStage() override { return continue_.Load(); }
  void SaveContinueStage(int32_t stage) override { continue_.Save(stage); }
  ConfirmControl ConfirmKey() override;
  // On the standard error stream and on the notice line (window_pause.cpp).
  void Notice(const std::string& message) override;

  PointerState PollPointer() override { return pointer_.Poll(); }
  std::vector<TypedKey> TakeTypedKeys() override { return std::exchange(typed_, {}); }
  void SetTyping(bool on) override { typing_ = on; }
  bool CopyToClipboard(const std::string& text) override {
    return SDL_SetClipboardText(text.c_str()) == 0;
  }

 private:
  // sdl_platform.cpp
  void LoadSettingsFile(const std::string& requested);
  int WindowScale(int requested);
  void SetIcon(const PixelView& icon);

  // window_input.cpp
  void Handle(const SDL_Event& event);
  void HandleWindowEvent(const SDL_WindowEvent& event);
  void HandleKey(const SDL_Event& event);
  void HandleSpeedKey(SDL_Keycode key);
  void HandlePointer(const SDL_Event& event);
  void TypeNamedKey(const SDL_Keysym& key);

  // window_pause.cpp
  void Pause();
  void TakeScreenshot();
  void ShowInCaption(const std::string& notice);
  void RestoreCaptionWhenDue();
  void TellMusicNotice();
  void RefreshNoticeWhenDue();

  // window_standing.cpp
  void StandFirstStartKeys();
  void EndFirstStartKeys();
  void StandWatching(int speed);

  // window_present.cpp
  void Present(bool only_changes = false);
  PixelRect PictureFit(int* width, int* height);
  bool DrawIntoWindowSurface(const std::vector<uint32_t>& picture, const SDL_Rect& target,
                             const SDL_Rect (&bars)[4], bool only_changes, const SDL_Rect& band,
                             bool line_changed, SDL_Rect* changed);
  void ToggleFullscreen();
  void EnterWholeScreen();
  void LeaveWholeScreen();
  int CurrentScale();

  std::string caption_;
  RenderTextFunction render_text_;
  std::function<void(int)> speed_key_;
  std::string watching_;           // the recording watched; empty: none
  bool first_start_keys_ = false;  // the keys stand on the band until a game starts
  HiScoreStore hiscore_;
  ContinueStore continue_;
  Settings settings_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  bool software_renderer_ = false;  // draws into the window's own surface
  // What the window shows: the picture, and where it was drawn; on the
  // window's own surface (the software renderer) also the surface and the
  // first row of the picture under the notice band.
  std::vector<uint32_t> drawn_;
  SDL_Surface* drawn_surface_ = nullptr;
  int drawn_w_ = 0, drawn_h_ = 0;
  SDL_Rect drawn_target_{};
  int drawn_band_row_ = kPictureHeight;
  bool presented_ = false;  // the renderer last presented drawn_ (not the surface)
  Uint64 last_pump_ms_ = ~Uint64{0};
  std::vector<uint32_t> last_;  // the game's picture
  KeyState keys_;
  PointerTracker pointer_;
  std::vector<TypedKey> typed_;
  bool typing_ = false;
  std::unique_ptr<Gamepads> pads_;
  bool close_requested_ = false;
  bool controller_in_use_ = false;
  // How the window covers the whole screen, if it does.
  enum class WholeScreen { Off, Desktop, Covered };
  WholeScreen whole_screen_ = WholeScreen::Off;
  WindowRect windowed_;  // the window's place and size before the whole screen
  WindowRect drawable_;  // what the window really has on the screen
  PauseState pause_;
  NoticeBand notices_;
  uint32_t now_ = 0;
  bool caption_notice_ = false;
  uint32_t caption_until_ = 0;
  std::unique_ptr<SdlMusic> music_;
};

}  // namespace kolvar
