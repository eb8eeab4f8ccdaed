#include "platform/sdl/ttf_text.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <filesystem>
#include <stdexcept>

namespace kolvar {

namespace {

constexpr size_t kCacheLimit = 256;
constexpr const char* kFontFile = "DejaVuSans.ttf";

std::string FindFont(const std::string& program_dir) {
  const std::string candidates[] = {
      program_dir + "/" + kFontFile,
      std::string("/usr/share/fonts/truetype/dejavu/") + kFontFile,
      std::string("/usr/share/fonts/dejavu/") + kFontFile,
      std::string("/usr/share/fonts/TTF/") + kFontFile,
  };
  std::string searched;
  for (const std::string& path : candidates) {
    std::error_code error;
    if (std::filesystem::exists(path, error)) return path;
    searched += (searched.empty() ? "" : ", ") + path;
  }
  throw std::runtime_error("font " + std::string(kFontFile) +
                           " not found (install fonts-dejavu-core); searched " + searched);
}

}  // namespace

TtfText::TtfText(const std::string& program_dir) : path_(FindFont(program_dir)) {
  if (TTF_WasInit() == 0 && TTF_Init() != 0) {
    throw std::runtime_error(std::string("cannot start the font renderer: ") + TTF_GetError());
  }
}

TtfText::~TtfText() {
  for (auto& [size, font] : fonts_) TTF_CloseFont(font);
  TTF_Quit();
}

TTF_Font* TtfText::FontOfSize(int pixel_size) {
  auto it = fonts_.find(pixel_size);
  if (it != fonts_.end()) return it->second;
  TTF_Font* font = TTF_OpenFont(path_.c_str(), pixel_size);
  if (!font) throw std::runtime_error(path_ + ": cannot open font: " + TTF_GetError());
  TTF_SetFontHinting(font, TTF_HINTING_MONO);
  fonts_[pixel_size] = font;
  return font;
}

TextBitmap TtfText::Render(std::string_view text, int pixel_size) {
  auto key = std::make_pair(pixel_size, std::string(text));
  if (auto it = cache_.find(key); it != cache_.end()) return it->second;

  TextBitmap bitmap;
  if (!text.empty()) {
    SDL_Surface* glyphs = TTF_RenderUTF8_Solid(FontOfSize(pixel_size), key.second.c_str(),
                                               SDL_Color{255, 255, 255, 255});
    if (glyphs) {
      // A solid rendering is an 8-bit picture: index 0 is the background.
      bitmap.width = glyphs->w;
      bitmap.height = glyphs->h;
      bitmap.coverage.resize(static_cast<size_t>(glyphs->w) * static_cast<size_t>(glyphs->h));
      SDL_LockSurface(glyphs);
      for (int y = 0; y < glyphs->h; ++y) {
        const auto* row = static_cast<const uint8_t*>(glyphs->pixels) + y * glyphs->pitch;
        for (int x = 0; x < glyphs->w; ++x) {
          bitmap.coverage[static_cast<size_t>(y) * glyphs->w + x] = row[x] != 0 ? 1 : 0;
        }
      }
      SDL_UnlockSurface(glyphs);
      SDL_FreeSurface(glyphs);
    }
  }
  if (cache_.size() >= kCacheLimit) cache_.clear();
  cache_.emplace(std::move(key), bitmap);
  return bitmap;
}

}  // namespace kolvar
