// Writes the composed sheets as the C++ source of the kolvar_sheets library.
#pragma once

#include <string>
#include <vector>

#include "art_source.h"
#include "sheet_compose.h"

namespace sheetc {

// One function per sheet, as declared in src/core/sheet_data.h. The indices
// are string literals, which compilers read far faster than long lists of
// numbers.
std::string EmitCpp(const std::vector<Sheet>& sheets);

// The C++ constant that names a picture: "k" and the name's words, split at
// '_', '-' and '.', each with a capital first letter ("menu_arrow" is
// kMenuArrow, "tile_00" kTile00).
std::string PictureConstant(const std::string& picture);

// The header that names where every picture lies on its sheet
// (core/sheet_layout.h): one kolvar::SheetPicture per placed picture, its
// rectangle and, for a picture with a mask of its own or inside a masked
// area, where its mask lies. Two pictures whose constants would be the same
// name are an error naming both placements.
std::string EmitLayoutHeader(const Layout& layout, const std::vector<Picture>& pictures);

}  // namespace sheetc
