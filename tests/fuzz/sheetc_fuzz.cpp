// sheetc's readers and composer on any text. The input is three parts split
// by lines of "----": a palette, picture grids and a layout. Every problem is
// an ArtError "file:line: error: ..."; anything else escaping is a finding.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "art_source.h"
#include "fuzz_check.h"
#include "sheet_compose.h"

namespace {

std::string_view Part(std::string_view text, int index) {
  for (int i = 0; i < index; ++i) {
    const size_t split = text.find("\n----\n");
    if (split == std::string_view::npos) return {};
    text.remove_prefix(split + 6);
  }
  return text.substr(0, text.find("\n----\n"));
}

void CheckMessage(const sheetc::ArtError& error) {
  const std::string message = error.what();
  kolvar::fuzz::Check(kolvar::fuzz::IsToolMessage(message, "fuzz.pal") ||
                          kolvar::fuzz::IsToolMessage(message, "fuzz.pic") ||
                          kolvar::fuzz::IsToolMessage(message, "layout.txt"),
                      "message form: " + message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::map<std::string, sheetc::Palette> palettes;
  std::vector<sheetc::Picture> pictures;
  sheetc::Layout layout;
  try {
    palettes.emplace("fuzz", sheetc::ParsePalette(Part(text, 0), "fuzz.pal", "fuzz"));
    pictures = sheetc::ParsePictures(Part(text, 1), "fuzz.pic", palettes);
    layout = sheetc::ParseLayout(Part(text, 2), "layout.txt");
  } catch (const sheetc::ArtError& error) {
    CheckMessage(error);
    return 0;
  }
  // Each small sheet on its own, then the whole set as the game wants it.
  std::map<std::string, sheetc::Picture> by_name;
  for (const sheetc::Picture& picture : pictures) by_name.emplace(picture.name, picture);
  for (const sheetc::SheetLayout& sheet : layout.sheets) {
    if (int64_t{sheet.width} * sheet.height > 256 * 256) continue;
    try {
      const sheetc::Canvas canvas = sheetc::ComposeCanvas(sheet, layout.file, by_name);
      const sheetc::Sheet indexed =
          sheetc::IndexCanvas(sheet.name, canvas, "layout.txt:1: error: ");
      kolvar::fuzz::Check(indexed.indices.size() == canvas.pixels.size(), "index count");
    } catch (const sheetc::ArtError& error) {
      CheckMessage(error);
    }
  }
  try {
    sheetc::BuildSheets(layout, pictures);
  } catch (const sheetc::ArtError& error) {
    CheckMessage(error);
  }
  return 0;
}
