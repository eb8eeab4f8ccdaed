#include "platform/sdl_platform.h"

#include <SDL.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl_music.h"
#include "platform/ttf_text.h"

namespace kolvar {

namespace {

constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 240;

std::optional<Key> KeyOf(SDL_Keycode code) {
  switch (code) {
    case SDLK_UP:
      return Key::Up;
    case SDLK_RIGHT:
      return Key::Right;
    case SDLK_DOWN:
      return Key::Down;
    case SDLK_LEFT:
      return Key::Left;
    case SDLK_ESCAPE:
      return Key::Esc;
    case SDLK_z:
      return Key::Z;
    default:
      return std::nullopt;
  }
}

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

class SdlPlatform final : public Platform {
 public:
  SdlPlatform(const std::string& program_dir, int scale, const PixelView& icon)
      : text_(program_dir) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) Fail("cannot start video");
    RefuseInvisibleDriver();
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    window_ = SDL_CreateWindow(kWindowCaption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               kPictureWidth * scale, kPictureHeight * scale, SDL_WINDOW_SHOWN);
    if (!window_) Fail("cannot open the window");
    SetIcon(icon);
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) Fail("cannot draw into the window");
    SDL_RenderSetLogicalSize(renderer_, kPictureWidth, kPictureHeight);
    SDL_RenderSetIntegerScale(renderer_, SDL_TRUE);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 kPictureWidth, kPictureHeight);
    if (!texture_) Fail("cannot create the screen texture");
    last_.assign(static_cast<size_t>(kPictureWidth) * kPictureHeight, 0);
    Present();
    music_ = CreateSdlMusicDevice();
  }

  ~SdlPlatform() override {
    music_.reset();
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  }

  uint32_t Clock() override { return SDL_GetTicks(); }

  uint16_t PollKey(Key key) override {
    // Take the key events that arrived since the last look, so a poll sees
    // the keyboard as it is now; other events wait for PumpEvents.
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_KEYDOWN, SDL_KEYUP) > 0) HandleKey(event);
    const int k = static_cast<int>(key);
    const uint16_t state = static_cast<uint16_t>((down_[k] ? 0x8000 : 0) | (pressed_[k] ? 1 : 0));
    pressed_[k] = false;
    return state;
  }

  bool PumpEvents() override {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      switch (event.type) {
        case SDL_QUIT:
          close_requested_ = true;
          break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
          HandleKey(event);
          break;
        case SDL_WINDOWEVENT:
          if (event.window.event == SDL_WINDOWEVENT_EXPOSED) Present();
          break;
        default:
          break;
      }
    }
    return close_requested_;
  }

  void Idle(uint32_t ms) override {
    if (ms > 0) {
      SDL_Delay(ms);
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }

  void Show(PixelView picture) override {
    if (picture.width != kPictureWidth || picture.height != kPictureHeight) return;
    last_.assign(picture.pixels, picture.pixels + last_.size());
    Present();
  }

  TextBitmap RenderText(std::string_view text, int pixel_size) override {
    return text_.Render(text, pixel_size);
  }

  MusicDevice& Music() override { return *music_; }

 private:
  void HandleKey(const SDL_Event& event) {
    const std::optional<Key> key = KeyOf(event.key.keysym.sym);
    if (!key) return;
    const int k = static_cast<int>(*key);
    if (event.type == SDL_KEYDOWN) {
      if (!event.key.repeat) pressed_[k] = true;
      down_[k] = true;
    } else {
      down_[k] = false;
    }
  }

  void Present() {
    SDL_UpdateTexture(texture_, nullptr, last_.data(), kPictureWidth * 4);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
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

  TtfText text_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  std::vector<uint32_t> last_;
  bool down_[kKeyCount] = {};
  bool pressed_[kKeyCount] = {};
  bool close_requested_ = false;
  std::unique_ptr<MusicDevice> music_;
};

}  // namespace

std::unique_ptr<Platform> CreateSdlPlatform(const std::string& program_dir, int scale,
                                            const PixelView& icon) {
  return std::make_unique<SdlPlatform>(program_dir, scale, icon);
}

}  // namespace kolvar
