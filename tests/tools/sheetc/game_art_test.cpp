// The game's own art: the sheets linked into the game match what the tool
// builds from assets/art, and the masks and sizes are what the drawing code
// relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/sheet_data.h"
#include "core/sheet_layout.h"
#include "sheet_compose.h"

namespace sheetc {
namespace {

class GameArtTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ArtSet art = LoadArtDirectory(SHEETC_ART_DIR);
    pictures_ = new std::vector<Picture>(art.pictures);
    sheets_ = new std::vector<Sheet>(BuildSheets(art.layout, art.pictures));
  }
  static void TearDownTestSuite() {
    delete pictures_;
    delete sheets_;
  }
  static const Sheet& Built(const std::string& name) {
    for (const Sheet& s : *sheets_) {
      if (s.name == name) return s;
    }
    throw std::runtime_error("no sheet " + name);
  }
  static uint32_t Colour(const kolvar::IndexedImage& image, int x, int y) {
    return image.palette[image.indices[static_cast<size_t>(y) * image.width + x]];
  }
  // Checks the mask of the w x h area at (x, y), stored at (mx, my): only
  // white and black, picture black wherever the mask is white, and at least
  // one opaque pixel.
  static void ExpectMask(const kolvar::IndexedImage& image, int x, int y, int w, int h, int mx,
                         int my, const std::string& what) {
    int opaque = 0;
    for (int yy = 0; yy < h; ++yy) {
      for (int xx = 0; xx < w; ++xx) {
        const uint32_t mask = Colour(image, mx + xx, my + yy);
        ASSERT_TRUE(mask == kOpaqueWhite || mask == kOpaqueBlack)
            << what << " mask pixel " << xx << "," << yy;
        if (mask == kOpaqueWhite) {
          ASSERT_EQ(Colour(image, x + xx, y + yy), kOpaqueBlack) << what << " " << xx << "," << yy;
        } else {
          ++opaque;
        }
      }
    }
    EXPECT_GT(opaque, 0) << what << " is empty";
  }
  static std::vector<Picture>* pictures_;
  static std::vector<Sheet>* sheets_;
};
std::vector<Picture>* GameArtTest::pictures_ = nullptr;
std::vector<Sheet>* GameArtTest::sheets_ = nullptr;

TEST_F(GameArtTest, LinkedSheetsMatchTheArtSources) {
  const std::pair<const char*, kolvar::IndexedImage> linked[] = {
      {"TitleSheetData", kolvar::TitleSheetData()},
      {"ChrSheetData", kolvar::ChrSheetData()},
      {"MapChipSheetData", kolvar::MapChipSheetData()},
      {"WindowIconData", kolvar::WindowIconData()},
  };
  for (const auto& [name, image] : linked) {
    const Sheet& built = Built(name);
    ASSERT_EQ(image.width, built.width) << name;
    ASSERT_EQ(image.height, built.height) << name;
    EXPECT_EQ(std::memcmp(image.indices, built.indices.data(), built.indices.size()), 0) << name;
    EXPECT_EQ(std::memcmp(image.palette, built.palette.data(), 256 * sizeof(uint32_t)), 0) << name;
  }
}

TEST_F(GameArtTest, TitleRightHalfIsTheMaskOfTheLeftHalf) {
  const kolvar::IndexedImage title = kolvar::TitleSheetData();
  ExpectMask(title, 0, 0, 256, 368, 256, 0, "title");
  // Every title picture has something drawn in it, and its mask where the
  // generated header (core/sheet_layout.h) says.
  namespace art = kolvar::art;
  const kolvar::SheetPicture pictures[] = {art::kLogo,        art::kMenuArrow,     art::kMenuPanel,
                                           art::kCreditBadge, art::kCreditCaption, art::kWordStage,
                                           art::kStageClear,  art::kGameOver};
  for (const kolvar::SheetPicture& p : pictures) {
    ExpectMask(title, p.x, p.y, p.width, p.height, p.mask_x, p.mask_y,
               "title picture at " + std::to_string(p.x) + "," + std::to_string(p.y));
  }
  const kolvar::SheetPicture digits[] = {art::kDigit0, art::kDigit1, art::kDigit2, art::kDigit3,
                                         art::kDigit4, art::kDigit5, art::kDigit6, art::kDigit7,
                                         art::kDigit8, art::kDigit9};
  for (int d = 0; d < 10; ++d) {
    const int x = digits[d].x;
    const int y = digits[d].y;
    ASSERT_EQ(digits[d].width, 32);
    ExpectMask(title, x, y, 32, 32, digits[d].mask_x, digits[d].mask_y,
               "digit " + std::to_string(d));
    // Two digits are drawn 22 px apart, so a glyph may be at most 22 wide.
    int left = 32;
    int right = -1;
    for (int yy = 0; yy < 32; ++yy) {
      for (int xx = 0; xx < 32; ++xx) {
        if (Colour(title, digits[d].mask_x + xx, digits[d].mask_y + yy) == kOpaqueBlack) {
          left = std::min(left, xx);
          right = std::max(right, xx);
        }
      }
    }
    EXPECT_LE(right - left + 1, 22) << "digit " << d;
  }
  // The title screen draws the caption over the badge's right side, so the
  // caption's first 40 columns stay clear.
  for (int y = 128; y < 176; ++y) {
    for (int x = 64; x < 104; ++x)
      ASSERT_EQ(Colour(title, 256 + x, y), kOpaqueWhite) << x << "," << y;
  }
  // The wave effect copies rows 0-64 without the mask: row 64 must be black.
  for (int x = 0; x < 256; ++x) ASSERT_EQ(Colour(title, x, 64), kOpaqueBlack) << x;
}

TEST_F(GameArtTest, EveryCharacterFrameHasItsMask128PixelsBelow) {
  const kolvar::IndexedImage chr = kolvar::ChrSheetData();
  for (int type = 0; type < 10; ++type) {
    for (int facing = 0; facing < 4; ++facing) {
      for (int frame = 0; frame < 3; ++frame) {
        const int x = 72 * type + 24 * frame;
        const int y = 32 * facing;
        const std::string what = "character " + std::to_string(type) + " facing " +
                                 std::to_string(facing) + " frame " + std::to_string(frame);
        ExpectMask(chr, x, y, 24, 32, x, y + 128, what);
        // Nobody floats at the top of the cell: the lowest drawn row is in
        // the bottom quarter.
        int lowest = -1;
        for (int yy = 0; yy < 32; ++yy) {
          for (int xx = 0; xx < 24; ++xx) {
            if (Colour(chr, x + xx, y + 128 + yy) == kOpaqueBlack) lowest = yy;
          }
        }
        EXPECT_GE(lowest, 24) << what;
      }
    }
  }
}

TEST_F(GameArtTest, MapTilesAreOpaqueAndKeyAndLifeHaveMasks) {
  for (const Picture& pic : *pictures_) {
    if (pic.name.rfind("tile_", 0) != 0) continue;
    EXPECT_EQ(pic.width, 32) << pic.name;
    EXPECT_EQ(pic.height, 32) << pic.name;
    for (uint32_t pixel : pic.pixels) {
      ASSERT_NE(pixel, kTransparent) << pic.name << " has a transparent pixel";
    }
  }
  const kolvar::IndexedImage chips = kolvar::MapChipSheetData();
  for (const auto& [p, what] :
       {std::pair{kolvar::art::kKey, "key"}, std::pair{kolvar::art::kLife, "life icon"}}) {
    ExpectMask(chips, p.x, p.y, p.width, p.height, p.mask_x, p.mask_y, what);
  }
  // The rest of the life icon's tile is black.
  for (int y = 128; y < 160; ++y) {
    for (int x = 48; x < 64; ++x) ASSERT_EQ(Colour(chips, x, y), kOpaqueBlack) << x << "," << y;
  }
}

TEST_F(GameArtTest, WindowIconHasTransparentAndOpaquePixels) {
  const kolvar::IndexedImage icon = kolvar::WindowIconData();
  int clear = 0;
  int solid = 0;
  for (int i = 0; i < 32 * 32; ++i) {
    const uint32_t argb = icon.palette[icon.indices[i]];
    if (argb >> 24 == 0) ++clear;
    if (argb >> 24 == 0xFF) ++solid;
  }
  EXPECT_GT(clear, 0);
  EXPECT_GT(solid, 0);
  EXPECT_EQ(clear + solid, 32 * 32);
}

}  // namespace
}  // namespace sheetc
