// Placing pictures, deriving masks, indexing colours and generating the C++.
#include "sheet_compose.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "sheet_emit.h"
#include "support/error_of.h"

namespace sheetc {
namespace {

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;

// The message of the ArtError that f throws.
template <typename Code>
std::string ErrorOf(Code&& f) {
  return kolvar::testing::ErrorOf<ArtError>(std::forward<Code>(f));
}

// A 2x2 picture: red, transparent / transparent, blue.
Picture Diagonal(const std::string& name) {
  return Picture{name, "d.pic", 1, 2, 2, {kRed, kTransparent, kTransparent, kBlue}};
}

std::map<std::string, Picture> Pictures() {
  return {{"d", Diagonal("d")}, {"e", Diagonal("e")}};
}

uint32_t At(const Canvas& c, int x, int y) {
  return c.pixels[static_cast<size_t>(y) * c.width + x];
}

TEST(ComposeTest, PlacesPictureAndWritesItsMaskBelow) {
  SheetLayout sheet{"S", 4, 4, false, 1, {{"d", 1, 0, true, 1, 2, 2}}, {}};
  Canvas c = ComposeCanvas(sheet, "layout.txt", Pictures());
  EXPECT_EQ(At(c, 1, 0), kRed);
  EXPECT_EQ(At(c, 2, 1), kBlue);
  // Transparent picture pixels and uncovered sheet pixels come out black.
  EXPECT_EQ(At(c, 2, 0), kOpaqueBlack);
  EXPECT_EQ(At(c, 0, 0), kOpaqueBlack);
  // Mask: black under opaque pixels, white under transparent ones.
  EXPECT_EQ(At(c, 1, 2), kOpaqueBlack);
  EXPECT_EQ(At(c, 2, 2), kOpaqueWhite);
  EXPECT_EQ(At(c, 1, 3), kOpaqueWhite);
  EXPECT_EQ(At(c, 2, 3), kOpaqueBlack);
  EXPECT_EQ(At(c, 0, 3), kOpaqueBlack);  // outside the mask
}

TEST(ComposeTest, RegionMaskCoversUncoveredPixelsAndIgnoresLineOrder) {
  // The mask line comes first in the file but still sees the picture.
  SheetLayout sheet{"S", 6, 2, false, 1, {{"d", 0, 0, false, 0, 0, 3}}, {{0, 0, 3, 2, 3, 0, 2}}};
  Canvas c = ComposeCanvas(sheet, "layout.txt", Pictures());
  EXPECT_EQ(At(c, 3, 0), kOpaqueBlack);
  EXPECT_EQ(At(c, 4, 0), kOpaqueWhite);
  EXPECT_EQ(At(c, 5, 0), kOpaqueWhite);  // nothing drawn there: transparent
  EXPECT_EQ(At(c, 4, 1), kOpaqueBlack);
  EXPECT_EQ(At(c, 5, 1), kOpaqueWhite);
}

TEST(ComposeTest, AlphaSheetKeepsTransparency) {
  SheetLayout sheet{"I", 2, 2, true, 1, {{"d", 0, 0, false, 0, 0, 2}}, {}};
  Canvas c = ComposeCanvas(sheet, "layout.txt", Pictures());
  EXPECT_EQ(At(c, 1, 0), kTransparent);
  EXPECT_EQ(At(c, 0, 0), kRed);
}

TEST(ComposeTest, RejectsBadPlacements) {
  auto compose = [](SheetLayout sheet) { ComposeCanvas(sheet, "layout.txt", Pictures()); };
  EXPECT_EQ(ErrorOf([&] {
              compose({"S", 4, 4, false, 1, {{"d", 3, 0, false, 0, 0, 5}}, {}});
            }),
            "layout.txt:5: error: picture 'd' (2x2 at 3,0) does not fit in sheet S (4x4)");
  EXPECT_EQ(ErrorOf([&] {
              compose({"S", 4, 4, false, 1, {{"x", 0, 0, false, 0, 0, 5}}, {}});
            }),
            "layout.txt:5: error: no picture named 'x'");
  EXPECT_EQ(
      ErrorOf([&] {
        compose(
            {"S", 4, 4, false, 1, {{"d", 0, 0, false, 0, 0, 2}, {"e", 1, 1, false, 0, 0, 3}}, {}});
      }),
      "layout.txt:3: error: picture 'e' overlaps picture 'd' (layout.txt:2) at pixel 1,1");
  // A mask may not land on a picture either.
  EXPECT_EQ(
      ErrorOf([&] {
        compose(
            {"S", 4, 4, false, 1, {{"d", 0, 0, true, 2, 0, 2}, {"e", 2, 0, false, 0, 0, 3}}, {}});
      }),
      "layout.txt:2: error: mask of 2x2 at 0,0 overlaps picture 'e' (layout.txt:3) at pixel 2,0");
  EXPECT_EQ(ErrorOf([&] {
              compose({"S", 4, 4, false, 1, {{"d", 0, 0, true, 3, 3, 2}}, {}});
            }),
            "layout.txt:2: error: mask of 2x2 at 0,0 (2x2 at 3,3) does not fit in sheet S (4x4)");
  EXPECT_EQ(ErrorOf([&] {
              compose({"S", 4, 4, false, 1, {}, {{0, 0, 2, 2, 1, 1, 7}}});
            }),
            "layout.txt:7: error: mask of 2x2 at 0,0 would cover the area it masks");
  EXPECT_EQ(ErrorOf([&] {
              compose({"S", 4, 4, false, 1, {}, {{2, 2, 3, 3, 0, 0, 7}}});
            }),
            "layout.txt:7: error: masked area (3x3 at 2,2) does not fit in sheet S (4x4)");
  // Coordinates near the largest int must not wrap around into the sheet.
  constexpr int kHuge = 2147483647;
  EXPECT_EQ(ErrorOf([&] {
              compose({"S", 4, 4, false, 1, {{"d", kHuge, 0, false, 0, 0, 5}}, {}});
            }),
            "layout.txt:5: error: picture 'd' (2x2 at 2147483647,0) does not fit in sheet S (4x4)");
  EXPECT_EQ(ErrorOf([&] {
              compose({"S", 4, 4, false, 1, {{"d", 0, 0, true, 2, kHuge, 5}}, {}});
            }),
            "layout.txt:5: error: mask of 2x2 at 0,0 (2x2 at 2,2147483647) does not fit in sheet "
            "S (4x4)");
  EXPECT_EQ(ErrorOf([&] {
              compose({"S", 4, 4, false, 1, {}, {{kHuge, kHuge, 2, 2, 0, 0, 7}}});
            }),
            "layout.txt:7: error: masked area (2x2 at 2147483647,2147483647) does not fit in "
            "sheet S (4x4)");
}

TEST(IndexTest, BlackComesFirstThenColoursInOrderOfAppearance) {
  Canvas c{3, 1, {kBlue, kOpaqueBlack, kRed}};
  Sheet s = IndexCanvas("S", c, "layout.txt:1: error: ");
  EXPECT_EQ(s.indices, (std::vector<uint8_t>{1, 0, 2}));
  ASSERT_EQ(s.palette.size(), 256u);
  EXPECT_EQ(s.palette[0], kOpaqueBlack);
  EXPECT_EQ(s.palette[1], kBlue);
  EXPECT_EQ(s.palette[2], kRed);
}

TEST(IndexTest, AllowsExactly256Colours) {
  Canvas c{257, 1, {}};
  for (uint32_t i = 0; i < 257; ++i) c.pixels.push_back(0xFF000000u | i);
  EXPECT_EQ(ErrorOf([&] { IndexCanvas("S", c, "layout.txt:4: error: "); }),
            "layout.txt:4: error: sheet S uses 257 colours; a sheet holds at most 256");
  c.pixels.pop_back();
  c.width = 256;
  Sheet s = IndexCanvas("S", c, "layout.txt:4: error: ");
  EXPECT_EQ(s.indices.back(), 255);
  EXPECT_EQ(s.palette[255], 0xFF0000FFu);
}

Layout GameLayout() {
  Layout layout;
  layout.file = "layout.txt";
  int line = 1;
  for (const RequiredSheet& r : GameSheets()) {
    layout.sheets.push_back({r.name, r.width, r.height, r.keep_alpha, line++, {}, {}});
  }
  return layout;
}

TEST(BuildTest, ChecksTheGameSheetsAndThatEveryPictureIsUsed) {
  EXPECT_EQ(BuildSheets(GameLayout(), {}).size(), 4u);

  Layout missing = GameLayout();
  missing.sheets.pop_back();
  EXPECT_EQ(ErrorOf([&] { BuildSheets(missing, {}); }),
            "layout.txt:1: error: the layout has no 'sheet WindowIconData 32 32 alpha'");

  Layout wrong_size = GameLayout();
  wrong_size.sheets[1].height = 255;
  EXPECT_EQ(ErrorOf([&] { BuildSheets(wrong_size, {}); }),
            "layout.txt:2: error: the game expects 'sheet ChrSheetData 720 256'");

  Layout extra = GameLayout();
  extra.sheets.push_back({"Other", 4, 4, false, 9, {}, {}});
  EXPECT_EQ(ErrorOf([&] { BuildSheets(extra, {}); }),
            "layout.txt:9: error: the game has no sheet named Other");

  EXPECT_EQ(ErrorOf([&] { BuildSheets(GameLayout(), {Diagonal("d")}); }),
            "d.pic:1: error: picture 'd' is not placed on any sheet in layout.txt");

  Layout placed = GameLayout();
  placed.sheets[0].placements.push_back({"d", 0, 0, false, 0, 0, 7});
  EXPECT_EQ(ErrorOf([&] {
              BuildSheets(placed, {Diagonal("d"), Diagonal("d")});
            }),
            "d.pic:1: error: picture 'd' is already defined at d.pic:1");
}

// Reads back the string literals of generated code the way a compiler would.
std::vector<uint8_t> DecodeLiterals(const std::string& code, size_t from) {
  std::vector<uint8_t> bytes;
  size_t i = code.find('"', from);
  while (i < code.size() && code[i] == '"') {
    ++i;
    while (code[i] != '"') {
      if (code[i] == '\\') {
        bytes.push_back(static_cast<uint8_t>(std::stoi(code.substr(i + 1, 3), nullptr, 8)));
        i += 4;
      } else {
        bytes.push_back(static_cast<uint8_t>(code[i++]));
      }
    }
    i = code.find_first_not_of(" \n", i + 1);
  }
  return bytes;
}

TEST(EmitTest, StringLiteralsCarryEveryByteValue) {
  Sheet sheet{"WindowIconData", 16, 16, {}, std::vector<uint32_t>(256, kOpaqueBlack)};
  // Every byte value, each followed by a digit-like value to catch escapes
  // that would swallow the next character.
  for (int i = 0; i < 256; ++i) sheet.indices.push_back(static_cast<uint8_t>((i * 7 + 48) % 256));
  sheet.palette[3] = 0x12ABCDEFu;
  const std::string code = EmitCpp({sheet});
  EXPECT_NE(code.find("IndexedImage WindowIconData()"), std::string::npos);
  EXPECT_NE(code.find("0x12ABCDEFu"), std::string::npos);
  EXPECT_NE(code.find("kWindowIconDataIndices[257]"), std::string::npos);
  EXPECT_EQ(DecodeLiterals(code, code.find("kWindowIconDataIndices")), sheet.indices);
}

// The header names each placed picture's rectangle and where its mask lies:
// its own, its place inside a masked area that covers it whole, or none.
// Names that would make the same constant are refused, naming both lines.
TEST(EmitTest, LayoutHeaderNamesEveryPictureAndItsMask) {
  const std::vector<Picture> pictures = {Diagonal("d"), Diagonal("menu_arrow"),
                                         Diagonal("tile-0.b"), Diagonal("menu-arrow")};
  Layout layout{"layout.txt",
                {{"S",
                  8,
                  8,
                  false,
                  1,
                  {{"d", 1, 0, true, 1, 2, 2}, {"menu_arrow", 4, 4, false, 0, 0, 3}},
                  {{4, 3, 2, 3, 6, 0, 4}}},
                 {"T", 4, 4, false, 5, {{"tile-0.b", 2, 2, false, 0, 0, 6}}, {}}}};
  const auto has = [](const std::string& header, const std::string& line) {
    return header.find("inline constexpr SheetPicture " + line + "\n") != std::string::npos;
  };
  std::string header = EmitLayoutHeader(layout, pictures);
  EXPECT_TRUE(has(header, "kD{1, 0, 2, 2, 1, 2};")) << header;
  EXPECT_TRUE(has(header, "kMenuArrow{4, 4, 2, 2, 6, 1};")) << header;
  EXPECT_TRUE(has(header, "kTile0B{2, 2, 2, 2, -1, -1};")) << header;

  layout.sheets[0].masks[0].height = 2;  // now it leaves the arrow's last row out
  header = EmitLayoutHeader(layout, pictures);
  EXPECT_TRUE(has(header, "kMenuArrow{4, 4, 2, 2, -1, -1};")) << header;

  layout.sheets[1].placements.push_back({"menu-arrow", 0, 0, false, 0, 0, 7});
  EXPECT_EQ(ErrorOf([&] { EmitLayoutHeader(layout, pictures); }),
            "layout.txt:7: error: picture 'menu-arrow' would be named kMenuArrow in the "
            "generated header, as the picture placed on line 3 is");
}

// Nearest-neighbour resampling of a 4 x 2 sheet whose pixels are numbered
// 0..7 row by row: each new pixel shows the old pixel under its centre.
TEST(ScaleNearest, EachPixelTakesTheOldPixelUnderItsCentre) {
  const Sheet source{"icon", 4, 2, {0, 1, 2, 3, 4, 5, 6, 7}, std::vector<uint32_t>(256, kRed)};
  struct Case {
    int width, height;
    std::vector<uint8_t> indices;
  };
  const Case cases[] = {
      {4, 2, {0, 1, 2, 3, 4, 5, 6, 7}},                        // same size
      {8, 4, {0, 0, 1, 1, 2, 2, 3, 3, 0, 0, 1, 1, 2, 2, 3, 3,  // doubled
              4, 4, 5, 5, 6, 6, 7, 7, 4, 4, 5, 5, 6, 6, 7, 7}},
      {2, 1, {5, 7}},                                                  // halved
      {6, 3, {0, 1, 1, 2, 3, 3, 4, 5, 5, 6, 7, 7, 4, 5, 5, 6, 7, 7}},  // 1.5 times
  };
  for (const Case& c : cases) {
    const Sheet scaled = ScaleNearest(source, c.width, c.height);
    EXPECT_EQ(scaled.width, c.width);
    EXPECT_EQ(scaled.height, c.height);
    EXPECT_EQ(scaled.indices, c.indices) << c.width << " x " << c.height;
    EXPECT_EQ(scaled.palette, source.palette);
  }
}

}  // namespace
}  // namespace sheetc
