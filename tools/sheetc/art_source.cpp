#include "art_source.h"

#include <charconv>
#include <set>
#include <sstream>

namespace sheetc {
namespace {

std::string Where(const std::string& file, int line) {
  return file + ":" + std::to_string(line) + ": error: ";
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    size_t start = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
    if (i > start) words.push_back(s.substr(start, i - start));
  }
  return words;
}

bool IsBlankOrComment(std::string_view line) {
  std::string_view t = Trim(line);
  return t.empty() || t.front() == '#';
}

// A printable character that can stand for a colour in a grid.
bool IsPixelChar(char c) {
  return c > ' ' && c < 127 && c != '#';
}

std::string Describe(char c) {
  if (c > ' ' && c < 127) return std::string("'") + c + "'";
  std::ostringstream out;
  out << "byte 0x" << std::hex << static_cast<int>(static_cast<unsigned char>(c));
  return out.str();
}

int ParseInt(std::string_view word, const std::string& where, const char* what) {
  int value = 0;
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size()) {
    throw ArtError(where + what + " must be a whole number, got '" + std::string(word) + "'");
  }
  return value;
}

int ParseNonNegative(std::string_view word, const std::string& where, const char* what) {
  int value = ParseInt(word, where, what);
  if (value < 0) throw ArtError(where + what + " must not be negative");
  return value;
}

int ParsePositive(std::string_view word, const std::string& where, const char* what) {
  int value = ParseInt(word, where, what);
  if (value <= 0) throw ArtError(where + what + " must be at least 1");
  return value;
}

// A width or height of a sheet or a picture: from 1 to kMaxSide.
int ParseSide(std::string_view word, const std::string& where, const char* what) {
  int value = ParsePositive(word, where, what);
  if (value > kMaxSide) {
    throw ArtError(where + what + " " + std::to_string(value) + " is more than " +
                   std::to_string(kMaxSide));
  }
  return value;
}

bool IsName(std::string_view word) {
  if (word.empty()) return false;
  for (char c : word) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '-' || c == '.';
    if (!ok) return false;
  }
  return true;
}

bool IsCppName(std::string_view word) {
  if (word.empty() || (word[0] >= '0' && word[0] <= '9')) return false;
  for (char c : word) {
    bool ok =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

Palette ParsePalette(std::string_view text, const std::string& file, const std::string& name) {
  Palette palette{name, file, {}};
  std::vector<std::string_view> lines = SplitLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int line_no = static_cast<int>(i) + 1;
    const std::string where = Where(file, line_no);
    if (IsBlankOrComment(lines[i])) continue;
    std::vector<std::string_view> words = Words(lines[i]);
    if (words[0].size() != 1 || !IsPixelChar(words[0][0])) {
      throw ArtError(where +
                     "a palette entry starts with one printable character other than '#', got '" +
                     std::string(words[0]) + "'");
    }
    const char key = words[0][0];
    if (words.size() < 2) {
      throw ArtError(where + "character '" + std::string(1, key) +
                     "' needs a colour (RRGGBB or 'transparent')");
    }
    uint32_t colour = kTransparent;
    if (words[1] != "transparent") {
      const std::string_view hex = words[1];
      unsigned int rgb = 0;
      auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), rgb, 16);
      if (hex.size() != 6 || ec != std::errc() || end != hex.data() + hex.size()) {
        throw ArtError(where + "colour '" + std::string(hex) +
                       "' is not six hex digits RRGGBB (or 'transparent')");
      }
      colour = 0xFF000000u | rgb;
    }
    if (!palette.colours.emplace(key, colour).second) {
      throw ArtError(where + "character '" + std::string(1, key) + "' is defined twice");
    }
  }
  if (palette.colours.empty()) {
    throw ArtError(Where(file, 1) + "palette '" + name + "' has no colours");
  }
  return palette;
}

std::vector<Picture> ParsePictures(std::string_view text, const std::string& file,
                                   const std::map<std::string, Palette>& palettes) {
  std::vector<Picture> pictures;
  const Palette* palette = nullptr;
  std::vector<std::string_view> lines = SplitLines(text);
  size_t i = 0;
  while (i < lines.size()) {
    const int line_no = static_cast<int>(i) + 1;
    const std::string where = Where(file, line_no);
    if (IsBlankOrComment(lines[i])) {
      ++i;
      continue;
    }
    std::vector<std::string_view> words = Words(lines[i]);
    if (words[0] == "palette") {
      if (words.size() != 2) throw ArtError(where + "expected 'palette NAME'");
      auto it = palettes.find(std::string(words[1]));
      if (it == palettes.end()) {
        throw ArtError(where + "no palette named '" + std::string(words[1]) +
                       "' (palettes are the *.pal files)");
      }
      palette = &it->second;
      ++i;
      continue;
    }
    if (words[0] != "picture") {
      throw ArtError(where + "expected 'palette NAME' or 'picture NAME WIDTH HEIGHT', got '" +
                     std::string(words[0]) + "'");
    }
    if (words.size() != 4) throw ArtError(where + "expected 'picture NAME WIDTH HEIGHT'");
    if (!IsName(words[1])) {
      throw ArtError(where + "picture name '" + std::string(words[1]) +
                     "' may use only letters, digits, '_', '-' and '.'");
    }
    if (palette == nullptr) {
      throw ArtError(where + "picture '" + std::string(words[1]) +
                     "' comes before any 'palette NAME' line");
    }
    Picture picture;
    picture.name = std::string(words[1]);
    picture.file = file;
    picture.line = line_no;
    picture.width = ParseSide(words[2], where, "picture width");
    picture.height = ParseSide(words[3], where, "picture height");
    ++i;
    // Room for the pixels only once the rows are known to be there.
    if (lines.size() - i >= static_cast<size_t>(picture.height)) {
      picture.pixels.reserve(static_cast<size_t>(picture.width) * picture.height);
    }
    for (int row = 0; row < picture.height; ++row, ++i) {
      if (i >= lines.size()) {
        throw ArtError(Where(file, static_cast<int>(i) + 1) + "picture '" + picture.name +
                       "' ends after " + std::to_string(row) + " of " +
                       std::to_string(picture.height) + " rows");
      }
      const std::string row_where = Where(file, static_cast<int>(i) + 1);
      const std::string_view grid_row = lines[i];
      if (static_cast<int>(grid_row.size()) != picture.width) {
        throw ArtError(row_where + "row " + std::to_string(row + 1) + " of picture '" +
                       picture.name + "' is " + std::to_string(grid_row.size()) +
                       " characters wide, expected " + std::to_string(picture.width));
      }
      for (size_t col = 0; col < grid_row.size(); ++col) {
        auto it = palette->colours.find(grid_row[col]);
        if (it == palette->colours.end()) {
          throw ArtError(row_where + "column " + std::to_string(col + 1) + ": " +
                         Describe(grid_row[col]) + " is not in palette '" + palette->name + "'");
        }
        picture.pixels.push_back(it->second);
      }
    }
    pictures.push_back(std::move(picture));
  }
  return pictures;
}

Layout ParseLayout(std::string_view text, const std::string& file) {
  Layout layout;
  layout.file = file;
  std::set<std::string> sheet_names;
  std::vector<std::string_view> lines = SplitLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int line_no = static_cast<int>(i) + 1;
    const std::string where = Where(file, line_no);
    if (IsBlankOrComment(lines[i])) continue;
    std::vector<std::string_view> words = Words(lines[i]);
    if (words[0] == "sheet") {
      const bool alpha = words.size() == 5 && words[4] == "alpha";
      if (words.size() != 4 && !alpha) {
        throw ArtError(where + "expected 'sheet FUNCTION WIDTH HEIGHT [alpha]'");
      }
      if (!IsCppName(words[1])) {
        throw ArtError(where + "sheet name '" + std::string(words[1]) +
                       "' must be a C++ function name");
      }
      SheetLayout sheet;
      sheet.name = std::string(words[1]);
      sheet.width = ParseSide(words[2], where, "sheet width");
      sheet.height = ParseSide(words[3], where, "sheet height");
      sheet.keep_alpha = alpha;
      sheet.line = line_no;
      if (!sheet_names.insert(sheet.name).second) {
        throw ArtError(where + "sheet '" + sheet.name + "' is declared twice");
      }
      layout.sheets.push_back(std::move(sheet));
      continue;
    }
    if (words[0] != "place" && words[0] != "mask") {
      throw ArtError(where + "expected 'sheet', 'place' or 'mask', got '" + std::string(words[0]) +
                     "'");
    }
    if (layout.sheets.empty()) {
      throw ArtError(where + "'" + std::string(words[0]) + "' comes before any 'sheet' line");
    }
    SheetLayout& sheet = layout.sheets.back();
    if (words[0] == "place") {
      const bool with_mask = words.size() == 7 && words[4] == "mask";
      if (words.size() != 4 && !with_mask) {
        throw ArtError(where + "expected 'place PICTURE X Y' or 'place PICTURE X Y mask X Y'");
      }
      Placement placement;
      placement.picture = std::string(words[1]);
      placement.x = ParseNonNegative(words[2], where, "x");
      placement.y = ParseNonNegative(words[3], where, "y");
      placement.has_mask = with_mask;
      if (with_mask) {
        placement.mask_x = ParseNonNegative(words[5], where, "mask x");
        placement.mask_y = ParseNonNegative(words[6], where, "mask y");
      }
      placement.line = line_no;
      sheet.placements.push_back(std::move(placement));
    } else {
      if (words.size() != 8 || words[5] != "at") {
        throw ArtError(where + "expected 'mask X Y WIDTH HEIGHT at X Y'");
      }
      MaskRegion mask;
      mask.x = ParseNonNegative(words[1], where, "x");
      mask.y = ParseNonNegative(words[2], where, "y");
      mask.width = ParseSide(words[3], where, "mask width");
      mask.height = ParseSide(words[4], where, "mask height");
      mask.to_x = ParseNonNegative(words[6], where, "target x");
      mask.to_y = ParseNonNegative(words[7], where, "target y");
      mask.line = line_no;
      sheet.masks.push_back(mask);
    }
  }
  return layout;
}

}  // namespace sheetc
