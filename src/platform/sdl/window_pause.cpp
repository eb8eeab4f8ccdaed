// The window's pause, its screenshot key, and what it tells the player: the
// caption's short notices and the line of notices along the bottom.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/desktop/key_prompts.h"
#include "platform/scaling.h"
#include "platform/sdl/screenshot.h"
#include "platform/sdl/sdl_key_names.h"
#include "platform/sdl/sdl_window.h"

namespace kolvar {

namespace {

// How long the caption names a screenshot just saved.
constexpr uint32_t kCaptionNoticeMs = 4000;

void PrintNotice(const std::string& message) {
  std::fprintf(stderr, "kolvar: %s\n", message.c_str());
}

// A notice as the screen shows it: a settings file named by its own name,
// without the folders before it.
std::string ShortNotice(const std::string& message) {
  if (message.empty() || message[0] != '/') return message;
  const size_t colon = message.find(':');
  if (colon == std::string::npos) return message;
  const size_t slash = message.rfind('/', colon);
  return message.substr(slash + 1);
}

}  // namespace

// Waits here, inside the game's event processing, until the player plays
// on or closes the window. The game's clock stands still meanwhile, so the
// stage clock, every wait and the music timer see no time pass.
void SdlWindow::Pause() {
  pause_.Begin(SDL_GetTicks(), last_, render_text_,
               FirstKeyName(settings_, Action::Pause, SdlKeyNames()));
  music_->SetPaused(true);
  Present();
  while (pause_.paused() && !close_requested_) {
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, 250)) {
      Handle(event);
      while (SDL_PollEvent(&event)) Handle(event);
    }
    RestoreCaptionWhenDue();
    RefreshNoticeWhenDue();
  }
  music_->SetPaused(false);
  pause_.End(SDL_GetTicks());
  Present();
}

void SdlWindow::TakeScreenshot() {
  const SavedScreenshot saved =
      SaveScreenshot({last_.data(), kPictureWidth, kPictureHeight}, CurrentScale(),
                     ScreenshotFolder(), static_cast<int64_t>(std::time(nullptr)));
  if (saved.path.empty()) {
    Notice("screenshot not saved: " + saved.error);
    ShowInCaption("screenshot not saved");
    Present();
    return;
  }
  const std::string name = saved.path.substr(saved.path.rfind('/') + 1);
  if (!saved.error.empty()) {
    // The picture is kept; only its scaled twin is missing.
    Notice("screenshot saved to " + saved.path + ", but not its scaled copy: " + saved.error);
    ShowInCaption("saved " + name + " (not the scaled copy)");
    return;
  }
  std::printf("kolvar: screenshot saved to %s\n", saved.path.c_str());
  std::fflush(stdout);
  ShowInCaption("saved " + name);
  const char* home = std::getenv("HOME");
  notices_.Queue(SavedScreenshotLine(saved.path, home ? home : ""));
}

void SdlWindow::ShowInCaption(const std::string& notice) {
  SDL_SetWindowTitle(window_, (caption_ + " - " + notice).c_str());
  caption_until_ = SDL_GetTicks() + kCaptionNoticeMs;
  caption_notice_ = true;
}

void SdlWindow::RestoreCaptionWhenDue() {
  if (!caption_notice_ || static_cast<int32_t>(SDL_GetTicks() - caption_until_) < 0) return;
  caption_notice_ = false;
  SDL_SetWindowTitle(window_, caption_.c_str());
}

// A notice goes to the standard error stream and, for a player started
// from the desktop with no terminal, onto the window, once each.
void SdlWindow::Notice(const std::string& message) {
  PrintNotice(message);
  notices_.Queue(ShortNotice(message));
}

void SdlWindow::TellMusicNotice() {
  if (!music_) return;
  if (const std::string notice = music_->TakeNotice(); !notice.empty()) Notice(notice);
}

// Shows the next notice when the one on screen has had its time.
void SdlWindow::RefreshNoticeWhenDue() {
  if (notices_.Due()) Present(true);
}

}  // namespace kolvar
