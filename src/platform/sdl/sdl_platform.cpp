#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/desktop/key_prompts.h"
#include "platform/desktop/user_files.h"
#include "platform/scaling.h"
#include "platform/sdl/music_choice.h"
#include "platform/sdl/sdl_key_names.h"
#include "platform/sdl/sdl_window.h"

namespace kolvar {

namespace {

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
    if (!renderer) FailWithSdlError("cannot draw into the window");
    return renderer;
  }
  std::string known;
  for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) != 0) continue;
    if (name == info.name) {
      if (name == "software") SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
      SDL_Renderer* renderer = SDL_CreateRenderer(window, i, 0);
      if (!renderer) {
        FailWithSdlError("cannot draw into the window with the '" + name + "' renderer");
      }
      return renderer;
    }
    known += (known.empty() ? "" : ", ") + std::string(info.name);
  }
  throw std::runtime_error("--renderer: SDL has no renderer named '" + name +
                           "' (it has: " + known + ")");
}

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

void FailWithSdlError(const std::string& what) {
  throw std::runtime_error(what + ": " + SDL_GetError());
}

SdlWindow::SdlWindow(const WindowOptions& options)
    : caption_(options.caption.empty() ? kWindowCaption : options.caption),
      render_text_(options.render_text),
      speed_key_(options.speed_key),
      watching_(options.watching),
      // What the player keeps and cannot keep is told on the notice line.
      hiscore_(options.hiscore_file.empty() && !DataDirectory().empty()
                   ? DataDirectory() + "/hiscore"
                   : options.hiscore_file,
               [this](const std::string& message) { Notice(message); }),
      continue_(ContinueFileFor(hiscore_.path()),
                [this](const std::string& message) { Notice(message); }),
      notices_(options.render_text) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    FailWithSdlError("cannot start video");
  }
  RefuseInvisibleDriver();
  LoadSettingsFile(options.settings_file);
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  const int scale = WindowScale(options.scale > 0 ? options.scale : settings_.scale);
  window_ = SDL_CreateWindow(caption_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             kPictureWidth * scale, kPictureHeight * scale,
                             SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!window_) FailWithSdlError("cannot open the window");
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
  if (!texture_) FailWithSdlError("cannot create the screen texture");
  SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
  last_.assign(static_cast<size_t>(kPictureWidth) * kPictureHeight, 0);
  if (!watching_.empty()) {
    StandWatching(1);
  } else if (first_start_keys_) {
    StandFirstStartKeys();
  }
  Present();
  pads_ = std::make_unique<Gamepads>(keys_);
  music_ = CreateWindowMusic(options.music_folder,
                             options.soundfont.empty() ? settings_.soundfont : options.soundfont);
  music_->SetVolume(settings_.music_volume);
  TellMusicNotice();
  now_ = SDL_GetTicks();
}

SdlWindow::~SdlWindow() {
  music_.reset();
  pads_.reset();
  notices_.Release();
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

void SdlWindow::Show(PixelView picture) {
  if (picture.width != kPictureWidth || picture.height != kPictureHeight) return;
  last_.assign(picture.pixels, picture.pixels + last_.size());
  Present(true);
}

int32_t SdlWindow::LoadHiScore() {
  if (hiscore_.path().empty()) Notice("no home folder (HOME is not set): the hi-score is not kept");
  return hiscore_.Load();
}

ConfirmControl SdlWindow::ConfirmKey() {
  return ConfirmControlOf(settings_, SdlKeyNames(), controller_in_use_);
}

void SdlWindow::LoadSettingsFile(const std::string& requested) {
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
  first_start_keys_ = result.first_start;
}

// The scale to open at on the display the window opens on; a scale asked
// for that does not fit is brought down, with a notice.
int SdlWindow::WindowScale(int requested) {
  SDL_Rect usable{};
  if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return requested > 0 ? requested : 2;
  const int scale = ChooseScale(requested, usable.w, usable.h);
  if (requested > scale) {
    Notice("a window at scale " + std::to_string(requested) + " does not fit on this " +
           std::to_string(usable.w) + " x " + std::to_string(usable.h) + " display; using scale " +
           std::to_string(scale));
  }
  return scale;
}

void SdlWindow::SetIcon(const PixelView& icon) {
  if (!icon.pixels || icon.width <= 0 || icon.height <= 0) return;
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(icon.pixels), icon.width,
                                         icon.height, 32, icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return;  // a window without its icon still plays
  SDL_SetWindowIcon(window_, surface);
  SDL_FreeSurface(surface);
}

std::unique_ptr<Platform> CreateSdlPlatform(const WindowOptions& options) {
  return std::make_unique<SdlWindow>(options);
}

void ShowErrorBox(const std::string& message) {
  if (!HasDesktop()) return;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kWindowCaption, message.c_str(), nullptr);
}

}  // namespace kolvar
