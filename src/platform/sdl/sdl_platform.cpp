#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop/config_file.h"
#include "platform/desktop/continue_store.h"
#include "platform/desktop/hiscore_store.h"
#include "platform/desktop/user_files.h"
#include "platform/key_state.h"
#include "platform/pause_picture.h"
#include "platform/scaling.h"
#include "platform/sdl/gamepad.h"
#include "platform/sdl/music_choice.h"
#include "platform/sdl/screenshot.h"
#include "platform/sdl/sdl_key_names.h"
#include "platform/sdl/sdl_music.h"
#include "platform/sdl/window_geometry.h"

namespace kolvar {

namespace {

// How long a window manager gets to carry out a change of the window's size.
constexpr uint32_t kWholeScreenWaitMs = 500;

// How long a notice stays at the bottom of the window, and its text's size.
constexpr uint32_t kNoticeMs = 5000;
constexpr int kNoticePixelSize = 12;

// How long the caption names a screenshot just saved.
constexpr uint32_t kCaptionNoticeMs = 4000;

// Events taken from SDL's queue at a time.
constexpr int kEventBatch = 16;

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + ": " + SDL_GetError());
}

// SDL falls back to its invisible drivers when no display answers; the game
// would then run with nobody able to see or steer it. They are taken only
// when SDL_VIDEODRIVER names them.
void RefuseInvisibleDriver() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver) return;
  const std::string name = driver;
  if (name != "offscreen" && name != "dummy") return;
  const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  if (asked && std::string(asked).find(name) != std::string::npos) return;
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  throw std::runtime_error(
      "no display to open the window on (SDL found only its invisible '" + name +
      "' video driver); check DISPLAY or WAYLAND_DISPLAY, or play with --headless");
}

// The picture is small and changes 25 times a second, so SDL's software
// renderer, scaling it straight into the window's own frame buffer, costs
// the least wherever the GL driver is itself a software rasteriser: under X
// without a GPU, SDL's default choice of OpenGL takes about 85 MB more and
// twice the processor time. `name` (or SDL_RENDER_DRIVER) picks another
// renderer for machines whose GPU does it better.
SDL_Renderer* CreateRenderer(SDL_Window* window, const std::string& name) {
  if (name.empty()) {
    // Both hints give way to the same variables set in the environment.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
    if (!renderer) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer) Fail("cannot draw into the window");
    return renderer;
  }
  std::string known;
  for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) != 0) continue;
    if (name == info.name) {
      if (name == "software") SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
      SDL_Renderer* renderer = SDL_CreateRenderer(window, i, 0);
      if (!renderer) Fail("cannot draw into the window with the '" + name + "' renderer");
      return renderer;
    }
    known += (known.empty() ? "" : ", ") + std::string(info.name);
  }
  throw std::runtime_error("--renderer: SDL has no renderer named '" + name +
                           "' (it has: " + known + ")");
}

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

class SdlPlatform final : public Platform {
 public:
  explicit SdlPlatform(const WindowOptions& options)
      : caption_(options.caption.empty() ? kWindowCaption : options.caption),
        render_text_(options.render_text),
        speed_key_(options.speed_key),
        hiscore_(options.hiscore_file.empty() && !DataDirectory().empty()
                     ? DataDirectory() + "/hiscore"
                     : options.hiscore_file),
        continue_(ContinueFileFor(hiscore_.path())) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) Fail("cannot start video");
    RefuseInvisibleDriver();
    LoadSettingsFile(options.settings_file);
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    const int scale = WindowScale(options.scale > 0 ? options.scale : settings_.scale);
    window_ = SDL_CreateWindow(caption_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               kPictureWidth * scale, kPictureHeight * scale,
                               SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!window_) Fail("cannot open the window");
    SDL_SetWindowMinimumSize(window_, kPictureWidth, kPictureHeight);
    SetIcon(options.icon);
    renderer_ = CreateRenderer(window_, options.renderer);
    // The whole screen at start goes the way F11 does, so the window knows
    // its size and place to come back to.
    if (options.fullscreen || settings_.fullscreen) EnterWholeScreen();
    drawable_ = RealWindowRect(window_);
    SDL_RendererInfo info{};
    software_renderer_ =
        SDL_GetRendererInfo(renderer_, &info) == 0 && std::strcmp(info.name, "software") == 0;
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 kPictureWidth, kPictureHeight);
    if (!texture_) Fail("cannot create the screen texture");
    SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
    last_.assign(static_cast<size_t>(kPictureWidth) * kPictureHeight, 0);
    Present();
    pads_ = std::make_unique<Gamepads>(keys_);
    music_ = CreateWindowMusic(options.music_folder,
                               options.soundfont.empty() ? settings_.soundfont : options.soundfont);
    music_->SetVolume(settings_.music_volume);
    TellMusicNotice();
    now_ = SDL_GetTicks();
  }

  ~SdlPlatform() override {
    music_.reset();
    pads_.reset();
    if (notice_texture_) SDL_DestroyTexture(notice_texture_);
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  }

  // The game's clock moves only when the window processes its events, as
  // the headless runner's does: the rules see the same times live and in a
  // recording's replay. It does not move while the game is paused.
  uint32_t Clock() override { return now_; }

  uint16_t PollKey(Key key) override {
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
    return keys_.Poll(key);
  }

  bool PumpEvents() override {
    // One look at the window's events, then everything queued in batches
    // (SDL_PollEvent would look again for each event).
    last_pump_ms_ = SDL_GetTicks64();
    SDL_PumpEvents();
    SDL_Event events[kEventBatch];
    for (int n; (n = SDL_PeepEvents(events, kEventBatch, SDL_GETEVENT, SDL_FIRSTEVENT,
                                    SDL_LASTEVENT)) > 0;) {
      for (int i = 0; i < n; ++i) Handle(events[i]);
    }
    if (pause_wanted_ && !close_requested_) Pause();
    RestoreCaptionWhenDue();
    TellMusicNotice();
    RefreshNoticeWhenDue();
    now_ = SDL_GetTicks() - paused_ms_;
    return close_requested_;
  }

  void Idle(uint32_t ms) override {
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

  void Show(PixelView picture) override {
    if (picture.width != kPictureWidth || picture.height != kPictureHeight) return;
    last_.assign(picture.pixels, picture.pixels + last_.size());
    Present(true);
  }

  MusicDevice& Music() override { return *music_; }

  int32_t LoadHiScore() override {
    if (hiscore_.path().empty())
      Notice("no home folder (HOME is not set): the hi-score is not kept");
    return hiscore_.Load();
  }
  void SaveHiScore(int32_t value) override { hiscore_.Save(value); }
  int32_t LoadContinueStage() override { return continue_.Load(); }
  void SaveContinueStage(int32_t stage) override { continue_.Save(stage); }

  ConfirmControl ConfirmKey() override { return ConfirmControlOf(settings_, controller_in_use_); }

 private:
  void LoadSettingsFile(const std::string& requested) {
    std::string path = requested;
    if (path.empty() && !ConfigDirectory().empty()) path = ConfigDirectory() + "/kolvar.conf";
    if (path.empty()) {
      settings_ = DefaultSettings(SdlKeyNames());
      Notice("no home folder (HOME is not set): playing with the default settings");
      return;
    }
    SettingsResult result = LoadSettings(path, SdlKeyNames());
    for (const std::string& problem : result.problems) Notice(problem);
    settings_ = std::move(result.settings);
  }

  // The scale to open at on the display the window opens on; a scale asked
  // for that does not fit is brought down, with a notice.
  int WindowScale(int requested) {
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return requested > 0 ? requested : 2;
    const int scale = ChooseScale(requested, usable.w, usable.h);
    if (requested > scale) {
      Notice("a window at scale " + std::to_string(requested) + " does not fit on this " +
             std::to_string(usable.w) + " x " + std::to_string(usable.h) +
             " display; using scale " + std::to_string(scale));
    }
    return scale;
  }

  void Handle(const SDL_Event& event) {
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
        switch (event.window.event) {
          case SDL_WINDOWEVENT_FOCUS_LOST:
            // Whatever the player does in another window costs no time.
            if (!paused_) pause_wanted_ = true;
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
        break;
      case SDL_RENDER_TARGETS_RESET:
      case SDL_RENDER_DEVICE_RESET:
        Present();
        break;
      default:
        // The prompts name the controller's button while it is what the
        // player last pressed.
        if (event.type == SDL_CONTROLLERBUTTONDOWN) controller_in_use_ = true;
        if (pads_ && pads_->Handle(event, paused_)) TogglePause();
        break;
    }
  }

  void HandleKey(const SDL_Event& event) {
    const SDL_Keysym& key = event.key.keysym;
    if (event.type == SDL_KEYUP) {
      keys_.ReleaseSources(key.scancode, key.scancode);
      return;
    }
    if (key.sym == SDLK_RETURN && (key.mod & KMOD_ALT)) {
      if (!event.key.repeat) ToggleFullscreen();
      return;
    }
    const std::optional<Action> action = ActionOfKey(settings_, key.sym);
    if (!action) {
      if (speed_key_ && !event.key.repeat) {
        if (key.sym == SDLK_1 || key.sym == SDLK_KP_1) speed_key_(1);
        if (key.sym == SDLK_2 || key.sym == SDLK_KP_2) speed_key_(2);
        if (key.sym == SDLK_4 || key.sym == SDLK_KP_4) speed_key_(4);
      }
      return;
    }
    if (static_cast<int>(*action) < kKeyCount) {
      keys_.Press(static_cast<Key>(*action), key.scancode, !paused_);
      return;
    }
    if (event.key.repeat) return;
    switch (*action) {
      case Action::Pause:
        TogglePause();
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

  void TogglePause() {
    if (paused_) {
      paused_ = false;
    } else {
      pause_wanted_ = true;
    }
  }

  // Waits here, inside the game's event processing, until the player plays
  // on or closes the window. The game's clock stands still meanwhile, so
  // the stage clock, every wait and the music timer see no time pass.
  void Pause() {
    pause_wanted_ = false;
    paused_ = true;
    const uint32_t start = SDL_GetTicks();
    music_->SetPaused(true);
    DrawPausePicture();
    Present();
    while (paused_ && !close_requested_) {
      SDL_Event event;
      if (SDL_WaitEventTimeout(&event, 250)) {
        Handle(event);
        while (SDL_PollEvent(&event)) Handle(event);
      }
      RestoreCaptionWhenDue();
      RefreshNoticeWhenDue();
    }
    paused_ = false;
    music_->SetPaused(false);
    paused_ms_ += SDL_GetTicks() - start;
    Present();
  }

  // The last picture dimmed, with "PAUSE" over it and how to play on.
  void DrawPausePicture() {
    std::string resume = "Press ";
    const std::vector<SDL_Keycode>& pause_keys = settings_.keys[static_cast<int>(Action::Pause)];
    if (!pause_keys.empty()) resume += std::string(SDL_GetKeyName(pause_keys.front())) + " or ";
    pause_picture_ = PausePicture(last_, render_text_, resume + "Start to play on");
  }

  void ToggleFullscreen() {
    if (whole_screen_ == WholeScreen::Off) {
      EnterWholeScreen();
    } else {
      LeaveWholeScreen();
    }
    Present();
  }

  // Asks for the desktop's whole screen and checks that the window really
  // got it. Without a window manager nobody carries the request out (SDL
  // would still draw for the whole screen, cropped); the window then
  // covers the screen itself, borderless, and where even that fails it
  // stays as it was.
  void EnterWholeScreen() {
    SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
    const WindowRect real = RealWindowRect(window_);
    windowed_.w = real.w;
    windowed_.h = real.h;
    const WindowRect screen = DisplayRectOf(window_);
    if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0 &&
        WaitForWindowRect(window_, screen, kWholeScreenWaitMs)) {
      whole_screen_ = WholeScreen::Desktop;
    } else {
      SDL_SetWindowFullscreen(window_, 0);
      SDL_SetWindowBordered(window_, SDL_FALSE);
      SDL_SetWindowPosition(window_, screen.x, screen.y);
      SDL_SetWindowSize(window_, screen.w, screen.h);
      whole_screen_ = WholeScreen::Covered;
      if (!WaitForWindowRect(window_, screen, kWholeScreenWaitMs)) {
        LeaveWholeScreen();
        Notice("cannot switch to the whole screen: the window stays as it was");
        return;
      }
    }
    SDL_ShowCursor(SDL_DISABLE);
    drawable_ = RealWindowRect(window_);
  }

  // Back to the window's size and place from before the whole screen.
  void LeaveWholeScreen() {
    if (whole_screen_ == WholeScreen::Desktop) SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowBordered(window_, SDL_TRUE);
    SDL_SetWindowSize(window_, windowed_.w, windowed_.h);
    SDL_SetWindowPosition(window_, windowed_.x, windowed_.y);
    whole_screen_ = WholeScreen::Off;
    WaitForWindowRect(window_, windowed_, kWholeScreenWaitMs);
    SDL_ShowCursor(SDL_ENABLE);
    drawable_ = RealWindowRect(window_);
  }

  // The whole multiple the picture is drawn at now.
  int CurrentScale() {
    int width = 0, height = 0;
    if (SDL_GetRendererOutputSize(renderer_, &width, &height) != 0) return 1;
    return FitPicture(width, height).w / kPictureWidth;
  }

  void TakeScreenshot() {
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
    ShowNotice("screenshot saved: " + name);
  }

  void ShowInCaption(const std::string& notice) {
    SDL_SetWindowTitle(window_, (caption_ + " - " + notice).c_str());
    caption_until_ = SDL_GetTicks() + kCaptionNoticeMs;
    caption_notice_ = true;
  }

  void RestoreCaptionWhenDue() {
    if (!caption_notice_ || static_cast<int32_t>(SDL_GetTicks() - caption_until_) < 0) return;
    caption_notice_ = false;
    SDL_SetWindowTitle(window_, caption_.c_str());
  }

  // A notice goes to the standard error stream and, for a player started
  // from the desktop with no terminal, onto the window, once each.
  void Notice(const std::string& message) {
    PrintNotice(message);
    ShowNotice(ShortNotice(message));
  }

  void TellMusicNotice() {
    if (!music_) return;
    if (const std::string notice = music_->TakeNotice(); !notice.empty()) Notice(notice);
  }

  // Queues a line for the bottom of the window; a line already shown is not
  // shown again.
  void ShowNotice(const std::string& line) {
    for (const std::string& told : notices_told_) {
      if (told == line) return;
    }
    notices_told_.push_back(line);
    notices_.push_back(line);
  }

  // Shows the next notice when the one on screen has had its time.
  void RefreshNoticeWhenDue() {
    const bool expired =
        notice_texture_ && static_cast<int32_t>(SDL_GetTicks() - notice_until_) >= 0;
    if (expired || (!notice_texture_ && !notices_.empty())) Present();
  }

  // Takes the next queued notice as the one on screen, drawn at `zoom`
  // and at most `width` pixels wide (cut short with "..." when longer).
  void TakeNextNotice(int zoom, int width) {
    if (notice_texture_) SDL_DestroyTexture(notice_texture_);
    notice_texture_ = nullptr;
    while (!notice_texture_ && !notices_.empty()) {
      std::string line = notices_.front();
      notices_.pop_front();
      if (!render_text_) continue;
      TextBitmap text = render_text_(line, kNoticePixelSize);
      while (text.width * zoom > width && line.size() > 4) {
        line.erase(line.size() - 4);
        line += "...";
        text = render_text_(line, kNoticePixelSize);
      }
      if (text.width <= 0) continue;
      std::vector<uint32_t> pixels(text.coverage.size());
      for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = text.coverage[i] ? 0xFFFFFFFF : 0;
      notice_texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                          SDL_TEXTUREACCESS_STATIC, text.width, text.height);
      if (!notice_texture_) continue;
      SDL_UpdateTexture(notice_texture_, nullptr, pixels.data(), text.width * 4);
      SDL_SetTextureBlendMode(notice_texture_, SDL_BLENDMODE_BLEND);
      SDL_SetTextureScaleMode(notice_texture_, SDL_ScaleModeNearest);
      notice_width_ = text.width;
      notice_height_ = text.height;
      // Shorter while more wait, so a row of them does not hold the last
      // one back for long.
      notice_until_ = SDL_GetTicks() + (notices_.empty() ? kNoticeMs : kNoticeMs * 3 / 5);
    }
  }

  // The notice on screen, white on a dark band along the bottom of the
  // picture as the window shows it: drawn at the window's own resolution
  // over the scaled picture, never into the game's picture, so screenshots
  // and the game's own pictures stay as they are.
  void DrawNotice(const SDL_Rect& picture) {
    const int zoom = std::max(1, picture.w / kPictureWidth / 2);
    if (notice_texture_ && static_cast<int32_t>(SDL_GetTicks() - notice_until_) >= 0) {
      SDL_DestroyTexture(notice_texture_);
      notice_texture_ = nullptr;
    }
    if (!notice_texture_) TakeNextNotice(zoom, picture.w - 8 * zoom);
    if (!notice_texture_) return;
    const int band_height = (notice_height_ + 4) * zoom;
    const SDL_Rect band{picture.x, picture.y + picture.h - band_height, picture.w, band_height};
    SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 192);
    SDL_RenderFillRect(renderer_, &band);
    SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
    const SDL_Rect text{picture.x + (picture.w - notice_width_ * zoom) / 2, band.y + 2 * zoom,
                        notice_width_ * zoom, notice_height_ * zoom};
    SDL_RenderCopy(renderer_, notice_texture_, nullptr, &text);
  }

  // Draws the picture at the largest whole multiple that fits the window's
  // drawable (its pixels, not its points, so high-DPI screens stay sharp),
  // centred on black. With `only_changes`, where the window's surface still
  // holds the picture shown before, only the rows that differ from it are
  // drawn and sent to the screen (in play most of the picture stands still).
  void Present(bool only_changes = false) {
    const std::vector<uint32_t>& picture = paused_ ? pause_picture_ : last_;
    int width = kPictureWidth, height = kPictureHeight;
    SDL_GetRendererOutputSize(renderer_, &width, &height);
    // SDL's own idea of the window can be larger than the window (a whole
    // screen asked for and not granted); only what is on the screen counts.
    if (drawable_.w > 0 && drawable_.h > 0) {
      width = std::min(width, drawable_.w);
      height = std::min(height, drawable_.h);
    }
    const PixelRect fit = FitPicture(width, height);
    const SDL_Rect target{fit.x, fit.y, fit.w, fit.h};
    // Black bars where the picture does not reach, and nothing more: a
    // whole clear would first wipe the picture's own (much larger) area.
    const SDL_Rect bars[4] = {
        {0, 0, width, target.y},
        {0, target.y + target.h, width, height - target.y - target.h},
        {0, target.y, target.x, target.h},
        {target.x + target.w, target.y, width - target.x - target.w, target.h}};
    SDL_Rect changed{};
    if (DrawIntoWindowSurface(picture, target, bars, only_changes, &changed)) {
      if (notice_texture_ || !notices_.empty()) {
        // The renderer draws a notice over the picture on the same surface:
        // the whole window goes to the screen, and the next picture is
        // drawn whole over the notice's band.
        DrawNotice(target);
        if (notice_texture_) {
          drawn_surface_ = nullptr;
          SDL_RenderPresent(renderer_);
          return;
        }
      }
      if (changed.h > 0) SDL_UpdateWindowSurfaceRects(window_, &changed, 1);
      return;
    }
    drawn_surface_ = nullptr;
    SDL_UpdateTexture(texture_, nullptr, picture.data(), kPictureWidth * 4);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    for (const SDL_Rect& bar : bars) {
      if (bar.w > 0 && bar.h > 0) SDL_RenderFillRect(renderer_, &bar);
    }
    SDL_RenderCopy(renderer_, texture_, nullptr, &target);
    DrawNotice(target);
    SDL_RenderPresent(renderer_);
  }

  // The software renderer draws into the window's own surface, which is
  // what the screen shows: the picture is scaled by whole pixels straight
  // into it, written once, where SDL's general stretch would work out each
  // pixel's source and go through a texture first. False (nothing drawn)
  // for other renderers, a surface of another pixel layout, or a window
  // smaller than the picture; the renderer then draws it. `changed` is the
  // part of the window to send to the screen.
  bool DrawIntoWindowSurface(const std::vector<uint32_t>& picture, const SDL_Rect& target,
                             const SDL_Rect (&bars)[4], bool only_changes, SDL_Rect* changed) {
    if (!software_renderer_) return false;
    SDL_RenderFlush(renderer_);
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface || surface->format->BytesPerPixel != 4 || surface->format->Rmask != 0xFF0000 ||
        surface->format->Gmask != 0xFF00 || surface->format->Bmask != 0xFF ||
        target.x + target.w > surface->w || target.y + target.h > surface->h) {
      return false;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
    const int pitch = surface->pitch / 4;
    const int scale = target.w / kPictureWidth;
    uint32_t* const out = static_cast<uint32_t*>(surface->pixels) + target.y * pitch + target.x;
    const bool unmoved = only_changes && surface == drawn_surface_ && surface->w == drawn_w_ &&
                         surface->h == drawn_h_ && target.x == drawn_target_.x &&
                         target.y == drawn_target_.y && target.w == drawn_target_.w;
    int first = 0, end = kPictureHeight;
    if (unmoved) {
      // The rows from the first to the last that differ are drawn again.
      const auto row_differs = [&](int y) {
        const size_t at = static_cast<size_t>(y) * kPictureWidth;
        return std::memcmp(&picture[at], &drawn_[at], kPictureWidth * sizeof(uint32_t)) != 0;
      };
      while (first < end && !row_differs(first)) ++first;
      while (end > first && !row_differs(end - 1)) --end;
    }
    ScalePicture(picture.data(), scale, out, pitch, first, end);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (unmoved) {
      *changed = {target.x, target.y + first * scale, target.w, (end - first) * scale};
    } else {
      for (const SDL_Rect& bar : bars) {
        if (bar.w > 0 && bar.h > 0) SDL_FillRect(surface, &bar, 0);
      }
      *changed = {0, 0, surface->w, surface->h};
    }
    drawn_ = picture;
    drawn_surface_ = surface;
    drawn_w_ = surface->w;
    drawn_h_ = surface->h;
    drawn_target_ = target;
    return true;
  }

  void SetIcon(const PixelView& icon) {
    if (!icon.pixels || icon.width <= 0 || icon.height <= 0) return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(icon.pixels), icon.width, icon.height, 32, icon.width * 4,
        SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return;  // a window without its icon still plays
    SDL_SetWindowIcon(window_, surface);
    SDL_FreeSurface(surface);
  }

  std::string caption_;
  std::function<TextBitmap(std::string_view, int)> render_text_;
  std::function<void(int)> speed_key_;
  HiScoreStore hiscore_;
  ContinueStore continue_;
  Settings settings_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  bool software_renderer_ = false;  // draws into the window's own surface
  // What the window's surface holds: the picture, and where it was drawn.
  std::vector<uint32_t> drawn_;
  SDL_Surface* drawn_surface_ = nullptr;
  int drawn_w_ = 0, drawn_h_ = 0;
  SDL_Rect drawn_target_{};
  Uint64 last_pump_ms_ = ~Uint64{0};
  std::vector<uint32_t> last_;
  std::vector<uint32_t> pause_picture_;
  KeyState keys_;
  std::unique_ptr<Gamepads> pads_;
  bool close_requested_ = false;
  bool controller_in_use_ = false;
  // How the window covers the whole screen, if it does.
  enum class WholeScreen { Off, Desktop, Covered };
  WholeScreen whole_screen_ = WholeScreen::Off;
  WindowRect windowed_;  // the window's place and size before the whole screen
  WindowRect drawable_;  // what the window really has on the screen
  bool paused_ = false;
  bool pause_wanted_ = false;
  uint32_t paused_ms_ = 0;
  std::deque<std::string> notices_;        // waiting to be shown
  std::vector<std::string> notices_told_;  // every line shown or waiting
  SDL_Texture* notice_texture_ = nullptr;  // the line on screen
  int notice_width_ = 0;
  int notice_height_ = 0;
  uint32_t notice_until_ = 0;
  uint32_t now_ = 0;
  bool caption_notice_ = false;
  uint32_t caption_until_ = 0;
  std::unique_ptr<SdlMusic> music_;
};

bool HasDesktop() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0)) {
    return false;
  }
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

std::unique_ptr<Platform> CreateSdlPlatform(const WindowOptions& options) {
  return std::make_unique<SdlPlatform>(options);
}

void ShowErrorBox(const std::string& message) {
  if (!HasDesktop()) return;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kWindowCaption, message.c_str(), nullptr);
}

}  // namespace kolvar
