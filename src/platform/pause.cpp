#include "platform/pause.h"

#include "platform/scaling.h"

namespace kolvar {
namespace {

// Rows of the band behind the pause words.
constexpr size_t kPauseBandTop = 88;
constexpr size_t kPauseBandBottom = 146;

void DrawCentred(std::vector<uint32_t>& picture, const RenderTextFunction& render_text,
                 const std::string& line, int pixel_size, int top) {
  if (!render_text) return;
  const TextBitmap text = render_text(line, pixel_size);
  const int left = (kPictureWidth - text.width) / 2;
  for (int y = 0; y < text.height; ++y) {
    for (int x = 0; x < text.width; ++x) {
      const int px = left + x, py = top + y;
      if (px < 0 || py < 0 || px >= kPictureWidth || py >= kPictureHeight) continue;
      if (text.coverage[static_cast<size_t>(y) * text.width + x]) {
        picture[static_cast<size_t>(py) * kPictureWidth + px] = 0xFFFFFF;
      }
    }
  }
}

}  // namespace

std::string ResumeLine(const std::string& pause_key) {
  return "Press " + (pause_key.empty() ? std::string() : pause_key + " or ") + "Start to play on";
}

std::vector<uint32_t> PausePicture(const std::vector<uint32_t>& last,
                                   const RenderTextFunction& render_text,
                                   const std::string& resume_line) {
  std::vector<uint32_t> picture(last.size());
  if (last.size() != static_cast<size_t>(kPictureWidth) * kPictureHeight) return picture;
  for (size_t i = 0; i < last.size(); ++i) {
    const uint32_t p = last[i];
    picture[i] =
        ((p >> 16 & 0xFF) * 2 / 5) << 16 | ((p >> 8 & 0xFF) * 2 / 5) << 8 | (p & 0xFF) * 2 / 5;
  }
  // A darker band keeps the words readable over any picture.
  for (size_t i = kPictureWidth * kPauseBandTop; i < kPictureWidth * kPauseBandBottom; ++i) {
    picture[i] = picture[i] >> 2 & 0x3F3F3F;
  }
  DrawCentred(picture, render_text, "PAUSE", 19, 96);
  DrawCentred(picture, render_text, resume_line, 12, 126);
  return picture;
}

void PauseState::Toggle() {
  if (paused_) {
    paused_ = false;
  } else {
    wanted_ = true;
  }
}

void PauseState::Ask() {
  if (!paused_) wanted_ = true;
}

void PauseState::Begin(uint32_t now, const std::vector<uint32_t>& last,
                       const RenderTextFunction& render_text, const std::string& pause_key) {
  BeginSaying(now, last, render_text, ResumeLine(pause_key));
}

void PauseState::BeginSaying(uint32_t now, const std::vector<uint32_t>& last,
                             const RenderTextFunction& render_text,
                             const std::string& resume_line) {
  wanted_ = false;
  paused_ = true;
  start_ = now;
  resume_line_ = resume_line;
  picture_ = PausePicture(last, render_text, resume_line_);
}

void PauseState::End(uint32_t now) {
  paused_ = false;
  paused_ms_ += now - start_;
}

}  // namespace kolvar
