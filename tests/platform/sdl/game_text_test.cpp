// The game's text against SDL_ttf, whose lines it replaces: every line the
// game prints, every character alone and every pair of characters, and
// seeded random lines, at both sizes, must come out of RenderTextLine as
// TTF_RenderUTF8_Solid draws them from DejaVu Sans with monochrome hinting
// (width, height and every pixel).
#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "video/text.h"

namespace kolvar {
namespace {

TextBitmap SdlTtfLine(TTF_Font* font, const std::string& text) {
  TextBitmap bitmap;
  SDL_Surface* drawn = TTF_RenderUTF8_Solid(font, text.c_str(), SDL_Color{255, 255, 255, 255});
  if (!drawn) return bitmap;  // SDL_ttf draws no line of no width
  bitmap.width = drawn->w;
  bitmap.height = drawn->h;
  SDL_LockSurface(drawn);
  for (int y = 0; y < drawn->h; ++y) {
    const auto* row = static_cast<const uint8_t*>(drawn->pixels) + y * drawn->pitch;
    for (int x = 0; x < drawn->w; ++x) bitmap.coverage.push_back(row[x] != 0 ? 1 : 0);
  }
  SDL_UnlockSurface(drawn);
  SDL_FreeSurface(drawn);
  return bitmap;
}

// Empty when the two agree, else where they part.
std::string Difference(const TextBitmap& game, const TextBitmap& ttf) {
  if (game.width != ttf.width || game.height != ttf.height) {
    return "game " + std::to_string(game.width) + " x " + std::to_string(game.height) +
           ", SDL_ttf " + std::to_string(ttf.width) + " x " + std::to_string(ttf.height);
  }
  for (size_t i = 0; i < ttf.coverage.size(); ++i) {
    if ((game.coverage[i] != 0) != (ttf.coverage[i] != 0)) {
      return "pixel (" + std::to_string(i % ttf.width) + ", " + std::to_string(i / ttf.width) +
             "): game " + std::to_string(game.coverage[i] != 0) + ", SDL_ttf " +
             std::to_string(ttf.coverage[i] != 0);
    }
  }
  return "";
}

std::vector<std::string> Lines() {
  std::vector<std::string> lines = {"SCORE 00000          TIME 200",
                                    "HISCORE 12345",
                                    "Please Hit Z Key ",
                                    "TIME BONUS 123",
                                    "Your All Stage Clear!! ",
                                    "Next Challenge! Aspire HighScore!! ",
                                    "PAUSE",
                                    "Press P or Start to play on",
                                    "Please Hit Space Key ",
                                    "",
                                    " ",
                                    "   "};
  for (char a = ' '; a <= '~'; ++a) {
    lines.push_back(std::string(1, a));
    for (char b = ' '; b <= '~'; ++b) lines.push_back(std::string{a, b});
  }
  std::mt19937 random(20260611);
  for (int i = 0; i < 400; ++i) {
    std::string line(1 + random() % 48, ' ');
    for (char& c : line) c = static_cast<char>(' ' + random() % 95);
    lines.push_back(line);
  }
  return lines;
}

TEST(GameText, EveryLineIsSdlTtfsLinePixelForPixel) {
  ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
  const std::vector<std::string> lines = Lines();
  for (const int points : {kSmallFontPoints, kLargeFontPoints}) {
    const int pixel_size = FontPixelSize(points);
    TTF_Font* font = TTF_OpenFont(KOLVAR_TEXT_FONT, pixel_size);
    ASSERT_NE(font, nullptr) << KOLVAR_TEXT_FONT << ": " << TTF_GetError();
    TTF_SetFontHinting(font, TTF_HINTING_MONO);
    int differing = 0;
    for (const std::string& line : lines) {
      const std::string difference =
          Difference(RenderTextLine(line, pixel_size), SdlTtfLine(font, line));
      if (difference.empty()) continue;
      ADD_FAILURE() << pixel_size << " px \"" << line << "\": " << difference;
      if (++differing == 20) break;
    }
    EXPECT_EQ(differing, 0) << "of " << lines.size() << " lines at " << pixel_size << " px";
    TTF_CloseFont(font);
  }
  TTF_Quit();
}

}  // namespace
}  // namespace kolvar
