// Composes the sheets named in the layout from the pictures, derives their
// masks and turns each into a 256-colour indexed image.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "art_source.h"

namespace sheetc {

// A sheet's colours before they are indexed (0xAARRGGBB).
struct Canvas {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

struct Sheet {
  std::string name;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> indices;   // width * height
  std::vector<uint32_t> palette;  // always 256 entries
};

// Places the pictures and writes the masks. Pictures may neither leave the
// sheet nor overlap one another or a mask. A mask pixel is white where the
// masked area is transparent and black where it is opaque. Afterwards every
// transparent pixel turns black, unless the sheet keeps its alpha.
Canvas ComposeCanvas(const SheetLayout& sheet, const std::string& layout_file,
                     const std::map<std::string, Picture>& pictures);

// Numbers the colours of a canvas: black first (so an all-zero image is
// black), then in order of first appearance. More than 256 colours is an
// error naming the sheet.
Sheet IndexCanvas(const std::string& name, const Canvas& canvas, const std::string& where);

// The sheet resampled to width x height by nearest neighbour: each new pixel
// takes the colour of the old pixel under its centre, so pixel art keeps hard
// edges at any size (the desktop icons are made this way from the window
// icon).
Sheet ScaleNearest(const Sheet& sheet, int width, int height);

// The sheets the game links against (see src/core/sheet_data.h).
struct RequiredSheet {
  const char* name;
  int width;
  int height;
  bool keep_alpha;
};
const std::vector<RequiredSheet>& GameSheets();

// Builds every sheet of the layout. Also checks that the layout declares
// exactly the game's sheets with their sizes, that picture names are unique
// and that every picture is placed somewhere.
std::vector<Sheet> BuildSheets(const Layout& layout, const std::vector<Picture>& pictures);

// The art of one directory: every *.pal and *.pic below it and layout.txt.
struct ArtSet {
  std::vector<Picture> pictures;
  Layout layout;
};
ArtSet LoadArtDirectory(const std::string& dir);

}  // namespace sheetc
