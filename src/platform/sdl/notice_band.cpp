#include "platform/sdl/notice_band.h"

#include <algorithm>
#include <utility>

#include "platform/scaling.h"

namespace kolvar {

namespace {

// How long a notice stays at the bottom of the window, and its text's size.
constexpr uint32_t kNoticeMs = 5000;
constexpr int kNoticePixelSize = 12;

}  // namespace

NoticeBand::NoticeBand(RenderTextFunction render_text) : render_text_(std::move(render_text)) {}

void NoticeBand::Queue(const std::string& line) {
  for (const std::string& told : told_) {
    if (told == line) return;
  }
  told_.push_back(line);
  waiting_.push_back(line);
}

void NoticeBand::Stand(const std::string& line) {
  if (line == standing_ || !render_text_) return;
  standing_ = line;
  // The old standing line leaves the screen at the next drawing.
  if (standing_shown_) until_ = SDL_GetTicks();
  standing_shown_ = false;
}

bool NoticeBand::Due() const {
  if (standing_shown_) return !waiting_.empty();
  const bool expired = texture_ && static_cast<int32_t>(SDL_GetTicks() - until_) >= 0;
  return expired || (!texture_ && (!waiting_.empty() || !standing_.empty()));
}

void NoticeBand::Release() {
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
  standing_shown_ = false;
}

bool NoticeBand::Render(SDL_Renderer* renderer, int zoom, int width, std::string line) {
  if (!render_text_) return false;
  TextBitmap text = render_text_(line, kNoticePixelSize);
  while (text.width * zoom > width && line.size() > 4) {
    line.erase(line.size() - 4);
    line += "...";
    text = render_text_(line, kNoticePixelSize);
  }
  if (text.width <= 0) return false;
  std::vector<uint32_t> pixels(text.coverage.size());
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = text.coverage[i] ? 0xFFFFFFFF : 0;
  texture_ = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC,
                               text.width, text.height);
  if (!texture_) return false;
  SDL_UpdateTexture(texture_, nullptr, pixels.data(), text.width * 4);
  SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_BLEND);
  SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
  width_ = text.width;
  height_ = text.height;
  return true;
}

// Takes the next queued line as the one on screen, else the standing line,
// drawn at `zoom` and at most `width` pixels wide (cut short with "..."
// when longer).
void NoticeBand::TakeNext(SDL_Renderer* renderer, int zoom, int width) {
  Release();
  fit_width_ = width;
  while (!texture_ && !waiting_.empty()) {
    const std::string line = waiting_.front();
    waiting_.pop_front();
    // Shorter while more wait, so a row of them does not hold the last one
    // back for long.
    if (Render(renderer, zoom, width, line)) {
      until_ = SDL_GetTicks() + (waiting_.empty() ? kNoticeMs : kNoticeMs * 3 / 5);
    }
  }
  if (!texture_ && !standing_.empty()) {
    standing_shown_ = Render(renderer, zoom, width, standing_);
  }
}

namespace {

// The line's size in the band: half the picture's scale, at least 1.
int Zoom(const SDL_Rect& picture) {
  return std::max(1, picture.w / kPictureWidth / 2);
}

}  // namespace

bool NoticeBand::Update(SDL_Renderer* renderer, const SDL_Rect& picture) {
  const int zoom = Zoom(picture);
  const int fit_width = picture.w - 8 * zoom;
  // The standing line gives way to a queued one, and is drawn again for a
  // window of another size.
  const bool done = standing_shown_ ? !waiting_.empty() || fit_width != fit_width_
                                    : static_cast<int32_t>(SDL_GetTicks() - until_) >= 0;
  bool changed = false;
  if (texture_ && done) {
    Release();
    changed = true;
  }
  if (!texture_) {
    TakeNext(renderer, zoom, fit_width);
    changed = changed || texture_;
  }
  return changed;
}

SDL_Rect NoticeBand::Band(const SDL_Rect& picture) const {
  if (!texture_) return {picture.x, picture.y + picture.h, picture.w, 0};
  const int band_height = std::min(picture.h, (height_ + 4) * Zoom(picture));
  return {picture.x, picture.y + picture.h - band_height, picture.w, band_height};
}

void NoticeBand::DrawLine(SDL_Renderer* renderer, const SDL_Rect& picture) const {
  if (!texture_) return;
  const int zoom = Zoom(picture);
  const SDL_Rect band = Band(picture);
  SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 192);
  SDL_RenderFillRect(renderer, &band);
  SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
  const SDL_Rect text{picture.x + (picture.w - width_ * zoom) / 2, band.y + 2 * zoom, width_ * zoom,
                      height_ * zoom};
  SDL_RenderCopy(renderer, texture_, nullptr, &text);
}

void NoticeBand::Draw(SDL_Renderer* renderer, const SDL_Rect& picture) {
  Update(renderer, picture);
  DrawLine(renderer, picture);
}

}  // namespace kolvar
