// Reading palettes, pixel grids and the layout, and the messages for bad input.
#include "art_source.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "support/error_of.h"

namespace sheetc {
namespace {

// The message of the ArtError that f throws.
template <typename Code>
std::string ErrorOf(Code&& f) {
  return kolvar::testing::ErrorOf<ArtError>(std::forward<Code>(f));
}

std::map<std::string, Palette> TwoColours() {
  return {{"duo", ParsePalette(". transparent\nr ff0000 red\nG 00ff00\n", "duo.pal", "duo")}};
}

TEST(PaletteTest, ReadsColoursTransparencyAndSkipsComments) {
  Palette p =
      ParsePalette("# comment\n\n.  transparent\nk 000000 outline\r\nS 1a2B3c\n", "a.pal", "a");
  EXPECT_EQ(p.name, "a");
  ASSERT_EQ(p.colours.size(), 3u);
  EXPECT_EQ(p.colours.at('.'), kTransparent);
  EXPECT_EQ(p.colours.at('k'), 0xFF000000u);
  EXPECT_EQ(p.colours.at('S'), 0xFF1A2B3Cu);
}

TEST(PaletteTest, RejectsBadEntriesNamingFileAndLine) {
  EXPECT_EQ(ErrorOf([] { ParsePalette("k 000000\nr ff00zz\n", "p.pal", "p"); }),
            "p.pal:2: error: colour 'ff00zz' is not six hex digits RRGGBB (or 'transparent')");
  EXPECT_EQ(ErrorOf([] { ParsePalette("r 12345\n", "p.pal", "p"); }).substr(0, 8), "p.pal:1:");
  EXPECT_EQ(ErrorOf([] { ParsePalette("r ff0000\n\nr 00ff00\n", "p.pal", "p"); }),
            "p.pal:3: error: character 'r' is defined twice");
  EXPECT_NE(ErrorOf([] { ParsePalette("rr ff0000\n", "p.pal", "p"); }).find("p.pal:1:"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { ParsePalette("r\n", "p.pal", "p"); }).find("needs a colour"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { ParsePalette("# only a comment\n", "p.pal", "p"); }).find("no colours"),
            std::string::npos);
}

TEST(PictureTest, ReadsSeveralPicturesAndLooksUpEachPixel) {
  const char* text =
      "# two pictures\n"
      "palette duo\n"
      "picture a 3 2\n"
      "r.G\n"
      "GGr\n"
      "\n"
      "picture b 1 1\n"
      ".\n";
  std::vector<Picture> pics = ParsePictures(text, "x.pic", TwoColours());
  ASSERT_EQ(pics.size(), 2u);
  EXPECT_EQ(pics[0].name, "a");
  EXPECT_EQ(pics[0].line, 3);
  EXPECT_EQ(pics[0].width, 3);
  EXPECT_EQ(pics[0].height, 2);
  EXPECT_EQ(pics[0].pixels, (std::vector<uint32_t>{0xFFFF0000u, kTransparent, 0xFF00FF00u,
                                                   0xFF00FF00u, 0xFF00FF00u, 0xFFFF0000u}));
  EXPECT_EQ(pics[1].pixels, std::vector<uint32_t>{kTransparent});
}

TEST(PictureTest, RejectsMalformedGrids) {
  auto parse = [](const char* text) { ParsePictures(text, "x.pic", TwoColours()); };
  EXPECT_EQ(ErrorOf([&] { parse("palette duo\npicture a 3 2\nrrr\nrr\n"); }),
            "x.pic:4: error: row 2 of picture 'a' is 2 characters wide, expected 3");
  EXPECT_EQ(ErrorOf([&] { parse("palette duo\npicture a 3 1\nrzr\n"); }),
            "x.pic:3: error: column 2: 'z' is not in palette 'duo'");
  EXPECT_EQ(ErrorOf([&] { parse("palette duo\npicture a 2 3\nrr\nrr\n"); }),
            "x.pic:5: error: picture 'a' ends after 2 of 3 rows");
  EXPECT_EQ(ErrorOf([&] { parse("picture a 1 1\nr\n"); }),
            "x.pic:1: error: picture 'a' comes before any 'palette NAME' line");
  EXPECT_EQ(ErrorOf([&] { parse("palette trio\n"); }),
            "x.pic:1: error: no palette named 'trio' (palettes are the *.pal files)");
  EXPECT_EQ(ErrorOf([&] { parse("palette duo\npicture a 0 1\n"); }),
            "x.pic:2: error: picture width must be at least 1");
  EXPECT_EQ(ErrorOf([&] { parse("palette duo\npicture a 2 x\n"); }),
            "x.pic:2: error: picture height must be a whole number, got 'x'");
  EXPECT_EQ(ErrorOf([&] { parse("palette duo\nrr\n"); }),
            "x.pic:2: error: expected 'palette NAME' or 'picture NAME WIDTH HEIGHT', got 'rr'");
  // A blank line inside a grid is a short row, not a separator.
  EXPECT_EQ(ErrorOf([&] { parse("palette duo\npicture a 1 2\nr\n\n"); }),
            "x.pic:4: error: row 2 of picture 'a' is 0 characters wide, expected 1");
  // Sizes are capped before any memory is set aside for the pixels.
  EXPECT_EQ(ErrorOf([&] { parse("palette duo\npicture a 11111132 32\n"); }),
            "x.pic:2: error: picture width 11111132 is more than 4096");
  EXPECT_EQ(ErrorOf([&] { parse("palette duo\npicture a 1 2147483647\nr\n"); }),
            "x.pic:2: error: picture height 2147483647 is more than 4096");
}

TEST(LayoutTest, ReadsSheetsPlacementsAndMasks) {
  Layout layout = ParseLayout(
      "# layout\n"
      "sheet Title 16 8\n"
      "place logo 0 0\n"
      "place arrow 4 2 mask 8 2\n"
      "mask 0 0 8 8 at 8 0\n"
      "sheet Icon 4 4 alpha\n",
      "layout.txt");
  ASSERT_EQ(layout.sheets.size(), 2u);
  const SheetLayout& title = layout.sheets[0];
  EXPECT_EQ(title.name, "Title");
  EXPECT_EQ(title.width, 16);
  EXPECT_FALSE(title.keep_alpha);
  ASSERT_EQ(title.placements.size(), 2u);
  EXPECT_FALSE(title.placements[0].has_mask);
  EXPECT_EQ(title.placements[1].picture, "arrow");
  EXPECT_EQ(title.placements[1].line, 4);
  EXPECT_TRUE(title.placements[1].has_mask);
  EXPECT_EQ(title.placements[1].mask_x, 8);
  EXPECT_EQ(title.placements[1].mask_y, 2);
  ASSERT_EQ(title.masks.size(), 1u);
  EXPECT_EQ(title.masks[0].width, 8);
  EXPECT_EQ(title.masks[0].to_x, 8);
  EXPECT_EQ(title.masks[0].to_y, 0);
  EXPECT_TRUE(layout.sheets[1].keep_alpha);
}

TEST(LayoutTest, RejectsMalformedLines) {
  auto parse = [](const char* text) { ParseLayout(text, "layout.txt"); };
  EXPECT_EQ(ErrorOf([&] { parse("place logo 0 0\n"); }),
            "layout.txt:1: error: 'place' comes before any 'sheet' line");
  EXPECT_EQ(ErrorOf([&] { parse("sheet A 4 4\nput logo 0 0\n"); }),
            "layout.txt:2: error: expected 'sheet', 'place' or 'mask', got 'put'");
  EXPECT_EQ(ErrorOf([&] { parse("sheet A 4 4\nplace logo -1 0\n"); }),
            "layout.txt:2: error: x must not be negative");
  EXPECT_EQ(ErrorOf([&] { parse("sheet A 4 4\nplace logo 0 0 mask 1\n"); }),
            "layout.txt:2: error: expected 'place PICTURE X Y' or 'place PICTURE X Y mask X Y'");
  EXPECT_EQ(ErrorOf([&] { parse("sheet A 4 4\nmask 0 0 2 2 to 2 2\n"); }),
            "layout.txt:2: error: expected 'mask X Y WIDTH HEIGHT at X Y'");
  EXPECT_EQ(ErrorOf([&] { parse("sheet A 4 4\nsheet A 4 4\n"); }),
            "layout.txt:2: error: sheet 'A' is declared twice");
  EXPECT_EQ(ErrorOf([&] { parse("sheet 9A 4 4\n"); }),
            "layout.txt:1: error: sheet name '9A' must be a C++ function name");
  EXPECT_EQ(ErrorOf([&] { parse("sheet A 4 4 beta\n"); }),
            "layout.txt:1: error: expected 'sheet FUNCTION WIDTH HEIGHT [alpha]'");
  EXPECT_EQ(ErrorOf([] { ParseLayout("sheet A 4097 8\n", "layout.txt"); }),
            "layout.txt:1: error: sheet width 4097 is more than 4096");
}

}  // namespace
}  // namespace sheetc
