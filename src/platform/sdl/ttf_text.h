// Text rendering with SDL2_ttf and DejaVu Sans, shared by the window and the
// headless runner. Glyphs are rendered without anti-aliasing, so text stays
// crisp when the picture is scaled up.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "platform/platform.h"

typedef struct _TTF_Font TTF_Font;

namespace kolvar {

class TtfText {
 public:
  // Finds the font beside the program or in the system's font folders;
  // throws std::runtime_error naming the places searched when there is none.
  explicit TtfText(const std::string& program_dir);
  ~TtfText();
  TtfText(const TtfText&) = delete;
  TtfText& operator=(const TtfText&) = delete;

  TextBitmap Render(std::string_view text, int pixel_size);
  const std::string& font_path() const { return path_; }

 private:
  TTF_Font* FontOfSize(int pixel_size);

  std::string path_;
  std::map<int, TTF_Font*> fonts_;
  // The same few lines are printed every frame; keep their bitmaps.
  std::map<std::pair<int, std::string>, TextBitmap> cache_;
};

}  // namespace kolvar
