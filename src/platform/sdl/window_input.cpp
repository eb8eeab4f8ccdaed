// The window's event passes: keys, game controllers and the window's own
// events (focus, size, exposure, closing).
#include <SDL.h>

#include <chrono>
#include <optional>
#include <thread>

#include "platform/sdl/sdl_window.h"

namespace kolvar {

namespace {

// Events taken from SDL's queue at a time.
constexpr int kEventBatch = 16;

}  // namespace

uint16_t SdlWindow::PollKey(Key key) {
  // Take the key and controller events that arrived since the last look,
  // so a poll sees the keys as they are now; other events wait for
  // PumpEvents. The game looks at several keys in a row: the window is
  // asked for its events once for all of them (once a millisecond at most).
  if (SDL_GetTicks64() != last_pump_ms_) {
    last_pump_ms_ = SDL_GetTicks64();
    SDL_PumpEvents();
  }
  SDL_Event events[kEventBatch];
  for (int n;
       (n = SDL_PeepEvents(events, kEventBatch, SDL_GETEVENT, SDL_KEYDOWN, SDL_KEYUP)) > 0;) {
    for (int i = 0; i < n; ++i) Handle(events[i]);
  }
  for (int n; (n = SDL_PeepEvents(events, kEventBatch, SDL_GETEVENT, SDL_CONTROLLERAXISMOTION,
                                  SDL_CONTROLLERDEVICEREMAPPED)) > 0;) {
    for (int i = 0; i < n; ++i) Handle(events[i]);
  }
  if (key == Key::Esc) EndFirstStartKeys();
  return keys_.Poll(key);
}

bool SdlWindow::PumpEvents() {
  // One look at the window's events, then everything queued in batches
  // (SDL_PollEvent would look again for each event).
  last_pump_ms_ = SDL_GetTicks64();
  SDL_PumpEvents();
  SDL_Event events[kEventBatch];
  for (int n; (n = SDL_PeepEvents(events, kEventBatch, SDL_GETEVENT, SDL_FIRSTEVENT,
                                  SDL_LASTEVENT)) > 0;) {
    for (int i = 0; i < n; ++i) Handle(events[i]);
  }
  if (pause_.wanted() && !close_requested_) Pause();
  RestoreCaptionWhenDue();
  TellMusicNotice();
  RefreshNoticeWhenDue();
  now_ = pause_.GameClock(SDL_GetTicks());
  return close_requested_;
}

void SdlWindow::Idle(uint32_t ms) {
  if (ms > 0) {
    SDL_Delay(ms);
    return;
  }
  // The last stretch before a deadline: short naps until the millisecond
  // clock moves, so the wait looks at it (and the window's events) once a
  // millisecond rather than at every nap.
  const Uint64 now = SDL_GetTicks64();
  do {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  } while (SDL_GetTicks64() == now);
}

void SdlWindow::Handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      close_requested_ = true;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (event.type == SDL_KEYDOWN) controller_in_use_ = false;
      HandleKey(event);
      break;
    case SDL_WINDOWEVENT:
      HandleWindowEvent(event.window);
      break;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_FINGERMOTION:
    case SDL_FINGERDOWN:
    case SDL_FINGERUP:
      HandlePointer(event);
      break;
    case SDL_TEXTINPUT:
      // Printable ASCII only: the game's text has no other characters.
      for (const char* c = event.text.text; *c; ++c) {
        if (*c >= ' ' && *c <= '~') QueueTypedKey(typed_, std::string(1, *c));
      }
      break;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      Present();
      break;
    default:
      // The prompts name the controller's button while it is what the
      // player last pressed.
      if (event.type == SDL_CONTROLLERBUTTONDOWN) controller_in_use_ = true;
      if (pads_ && pads_->Handle(event, pause_.paused())) pause_.Toggle();
      break;
  }
}

void SdlWindow::HandleWindowEvent(const SDL_WindowEvent& event) {
  switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // Whatever the player does in another window costs no time.
      pause_.Ask();
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED:
      drawable_ = RealWindowRect(window_);
      Present();
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      Present();
      break;
    default:
      break;
  }
}

// The digit keys of a recording's speeds; the watching line shows the speed
// asked for, which the replay takes at its next event pass.
void SdlWindow::HandleSpeedKey(SDL_Keycode key) {
  const struct {
    SDL_Keycode digit, keypad;
    int speed;
  } kSpeeds[] = {{SDLK_1, SDLK_KP_1, 1}, {SDLK_2, SDLK_KP_2, 2}, {SDLK_4, SDLK_KP_4, 4}};
  for (const auto& s : kSpeeds) {
    if (key != s.digit && key != s.keypad) continue;
    speed_key_(s.speed);
    if (!watching_.empty()) StandWatching(s.speed);
  }
}

// The mouse and the fingers, in the picture's pixels. SDL also makes
// mouse events of touches; the fingers' own events are taken instead, so a
// touch is known as one.
void SdlWindow::HandlePointer(const SDL_Event& event) {
  int width = 0, height = 0;
  const PixelRect fit = PictureFit(&width, &height);
  int x = 0, y = 0;
  const bool touch =
      event.type == SDL_FINGERMOTION || event.type == SDL_FINGERDOWN || event.type == SDL_FINGERUP;
  if (touch) {
    // A finger's place is a fraction of the window.
    PicturePixelAt(fit, static_cast<int>(event.tfinger.x * static_cast<float>(width)),
                   static_cast<int>(event.tfinger.y * static_cast<float>(height)), &x, &y);
  } else {
    if (event.motion.which == SDL_TOUCH_MOUSEID) return;
    // The mouse is in the window's points, which a high-DPI screen draws
    // with more pixels each.
    int points_w = 0, points_h = 0;
    SDL_GetWindowSize(window_, &points_w, &points_h);
    const int mouse_x = event.type == SDL_MOUSEMOTION ? event.motion.x : event.button.x;
    const int mouse_y = event.type == SDL_MOUSEMOTION ? event.motion.y : event.button.y;
    PicturePixelAt(fit, points_w > 0 ? mouse_x * width / points_w : mouse_x,
                   points_h > 0 ? mouse_y * height / points_h : mouse_y, &x, &y);
    if (event.type != SDL_MOUSEMOTION && event.button.button != SDL_BUTTON_LEFT) return;
  }
  if (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_FINGERDOWN) {
    pointer_.Press(x, y, touch);
  } else if (event.type == SDL_MOUSEBUTTONUP || event.type == SDL_FINGERUP) {
    pointer_.Release(x, y, touch);
  } else {
    pointer_.Move(x, y, touch);
  }
}

// The keys typed by name (TypedKey): editing keys, function keys and
// letters with Ctrl.
void SdlWindow::TypeNamedKey(const SDL_Keysym& key) {
  static const std::pair<SDL_Keycode, const char*> kNamed[] = {
      {SDLK_RETURN, "Return"}, {SDLK_KP_ENTER, "Return"}, {SDLK_BACKSPACE, "Backspace"},
      {SDLK_DELETE, "Delete"}, {SDLK_TAB, "Tab"},         {SDLK_HOME, "Home"},
      {SDLK_END, "End"},       {SDLK_PAGEUP, "PageUp"},   {SDLK_PAGEDOWN, "PageDown"},
  };
  for (const auto& [sym, name] : kNamed) {
    if (key.sym == sym) {
      QueueTypedKey(typed_, name);
      return;
    }
  }
  if (key.sym >= SDLK_F1 && key.sym <= SDLK_F12) {
    QueueTypedKey(typed_, "F" + std::to_string(key.sym - SDLK_F1 + 1));
  } else if ((key.mod & KMOD_CTRL) && key.sym >= SDLK_a && key.sym <= SDLK_z) {
    QueueTypedKey(typed_, "Ctrl+" + std::string(1, static_cast<char>(key.sym)));
  }
}

void SdlWindow::HandleKey(const SDL_Event& event) {
  const SDL_Keysym& key = event.key.keysym;
  if (event.type == SDL_KEYUP) {
    keys_.ReleaseSources(key.scancode, key.scancode);
    return;
  }
  TypeNamedKey(key);
  // While the player types, a key that writes a character only types it.
  if (typing_ && key.sym >= ' ' && key.sym <= '~') return;
  if (key.sym == SDLK_RETURN && (key.mod & KMOD_ALT)) {
    if (!event.key.repeat) ToggleFullscreen();
    return;
  }
  const std::optional<Action> action = ActionOfKey(settings_, key.sym);
  if (!action) {
    if (speed_key_ && !event.key.repeat) HandleSpeedKey(key.sym);
    return;
  }
  if (static_cast<int>(*action) < kKeyCount) {
    keys_.Press(static_cast<Key>(*action), key.scancode, !pause_.paused());
    return;
  }
  if (event.key.repeat) return;
  switch (*action) {
    case Action::Pause:
      pause_.Toggle();
      break;
    case Action::Fullscreen:
      ToggleFullscreen();
      break;
    case Action::Screenshot:
      TakeScreenshot();
      break;
    default:
      break;
  }
}

}  // namespace kolvar
