// Readers for the art sources under assets/art: palettes (*.pal), pixel grids
// (*.pic) and the sheet layout (layout.txt). The format is described in
// assets/art/README.md.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sheetc {

// Every problem found in the art is reported as an ArtError whose message
// starts with "file:line: error: " so it can be fixed without guessing.
class ArtError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Colours are 0xAARRGGBB. Alpha 0 marks a transparent pixel; every other
// colour is fully opaque.
constexpr uint32_t kTransparent = 0x00000000u;
constexpr uint32_t kOpaqueBlack = 0xFF000000u;
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;

// The largest width or height of a sheet, a picture or a masked area. The
// game's sheets are far smaller; the limit keeps a typo from asking for
// gigabytes.
constexpr int kMaxSide = 4096;

struct Palette {
  std::string name;
  std::string file;
  std::map<char, uint32_t> colours;
};

// Parses one palette file. Each line is "<char> RRGGBB" or
// "<char> transparent", optionally followed by a description.
Palette ParsePalette(std::string_view text, const std::string& file, const std::string& name);

struct Picture {
  std::string name;
  std::string file;
  int line = 0;  // the line of its "picture" header
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // width * height colours, rows top to bottom
};

// Parses one picture file, which may hold several pictures. Each grid
// character is looked up in the palette named by the last "palette" line.
std::vector<Picture> ParsePictures(std::string_view text, const std::string& file,
                                   const std::map<std::string, Palette>& palettes);

struct Placement {
  std::string picture;
  int x = 0;
  int y = 0;
  bool has_mask = false;
  int mask_x = 0;
  int mask_y = 0;
  int line = 0;
};

// The mask of the sheet rectangle (x, y, width, height), written at (to_x, to_y).
struct MaskRegion {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int to_x = 0;
  int to_y = 0;
  int line = 0;
};

struct SheetLayout {
  std::string name;  // the C++ function that returns the sheet
  int width = 0;
  int height = 0;
  bool keep_alpha = false;  // transparent pixels keep alpha 0 instead of turning black
  int line = 0;
  std::vector<Placement> placements;
  std::vector<MaskRegion> masks;
};

struct Layout {
  std::string file;
  std::vector<SheetLayout> sheets;
};

Layout ParseLayout(std::string_view text, const std::string& file);

// Splits text into lines, dropping a trailing '\r' from each.
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace sheetc
