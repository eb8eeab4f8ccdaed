#include "sheet_compose.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <unordered_map>

namespace sheetc {
namespace {

std::string Where(const std::string& file, int line) {
  return file + ":" + std::to_string(line) + ": error: ";
}

std::string Rect(int x, int y, int w, int h) {
  return std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(x) + "," +
         std::to_string(y);
}

// In 64 bits: a placement near the largest int must not wrap into the sheet.
bool Fits(int x, int y, int w, int h, int sheet_w, int sheet_h) {
  return x >= 0 && y >= 0 && w >= 0 && h >= 0 && int64_t{x} + w <= sheet_w &&
         int64_t{y} + h <= sheet_h;
}

bool Intersect(int ax, int ay, int aw, int ah, int bx, int by, int bw, int bh) {
  return ax < bx + bw && bx < ax + aw && ay < by + bh && by < ay + ah;
}

// Remembers which placement or mask owns each sheet pixel, to report overlaps.
class Claims {
 public:
  Claims(int width, int height) : width_(width), owner_(static_cast<size_t>(width) * height, -1) {}

  void Claim(int x, int y, int w, int h, const std::string& what, const std::string& where) {
    for (int yy = y; yy < y + h; ++yy) {
      for (int xx = x; xx < x + w; ++xx) {
        int& owner = owner_[static_cast<size_t>(yy) * width_ + xx];
        if (owner >= 0) {
          throw ArtError(where + what + " overlaps " + names_[owner] + " at pixel " +
                         std::to_string(xx) + "," + std::to_string(yy));
        }
      }
    }
    const int id = static_cast<int>(names_.size());
    names_.push_back(what + " (" + where.substr(0, where.find(": error: ")) + ")");
    for (int yy = y; yy < y + h; ++yy) {
      for (int xx = x; xx < x + w; ++xx) owner_[static_cast<size_t>(yy) * width_ + xx] = id;
    }
  }

 private:
  int width_;
  std::vector<int> owner_;
  std::vector<std::string> names_;
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ArtError(Where(path.string(), 1) + "cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

Canvas ComposeCanvas(const SheetLayout& sheet, const std::string& layout_file,
                     const std::map<std::string, Picture>& pictures) {
  Canvas canvas{
      sheet.width, sheet.height,
      std::vector<uint32_t>(static_cast<size_t>(sheet.width) * sheet.height, kTransparent)};
  Claims claims(sheet.width, sheet.height);
  const std::string sheet_size = std::to_string(sheet.width) + "x" + std::to_string(sheet.height);

  struct PendingMask {
    int x, y, w, h, to_x, to_y, line;
  };
  std::vector<PendingMask> masks;

  for (const Placement& place : sheet.placements) {
    const std::string where = Where(layout_file, place.line);
    auto it = pictures.find(place.picture);
    if (it == pictures.end()) {
      throw ArtError(where + "no picture named '" + place.picture + "'");
    }
    const Picture& pic = it->second;
    const std::string what = "picture '" + pic.name + "'";
    if (!Fits(place.x, place.y, pic.width, pic.height, sheet.width, sheet.height)) {
      throw ArtError(where + what + " (" + Rect(place.x, place.y, pic.width, pic.height) +
                     ") does not fit in sheet " + sheet.name + " (" + sheet_size + ")");
    }
    claims.Claim(place.x, place.y, pic.width, pic.height, what, where);
    for (int y = 0; y < pic.height; ++y) {
      std::copy_n(
          pic.pixels.begin() + static_cast<ptrdiff_t>(y) * pic.width, pic.width,
          canvas.pixels.begin() + static_cast<ptrdiff_t>(place.y + y) * sheet.width + place.x);
    }
    if (place.has_mask) {
      masks.push_back(
          {place.x, place.y, pic.width, pic.height, place.mask_x, place.mask_y, place.line});
    }
  }
  for (const MaskRegion& mask : sheet.masks) {
    const std::string where = Where(layout_file, mask.line);
    if (!Fits(mask.x, mask.y, mask.width, mask.height, sheet.width, sheet.height)) {
      throw ArtError(where + "masked area (" + Rect(mask.x, mask.y, mask.width, mask.height) +
                     ") does not fit in sheet " + sheet.name + " (" + sheet_size + ")");
    }
    masks.push_back({mask.x, mask.y, mask.width, mask.height, mask.to_x, mask.to_y, mask.line});
  }

  // Masks are read from the finished pictures, so the order of the layout
  // lines does not matter.
  const std::vector<uint32_t> art = canvas.pixels;
  for (const PendingMask& m : masks) {
    const std::string where = Where(layout_file, m.line);
    const std::string what = "mask of " + Rect(m.x, m.y, m.w, m.h);
    if (!Fits(m.to_x, m.to_y, m.w, m.h, sheet.width, sheet.height)) {
      throw ArtError(where + what + " (" + Rect(m.to_x, m.to_y, m.w, m.h) +
                     ") does not fit in sheet " + sheet.name + " (" + sheet_size + ")");
    }
    if (Intersect(m.x, m.y, m.w, m.h, m.to_x, m.to_y, m.w, m.h)) {
      throw ArtError(where + what + " would cover the area it masks");
    }
    claims.Claim(m.to_x, m.to_y, m.w, m.h, what, where);
    for (int y = 0; y < m.h; ++y) {
      for (int x = 0; x < m.w; ++x) {
        const uint32_t source = art[static_cast<size_t>(m.y + y) * sheet.width + m.x + x];
        canvas.pixels[static_cast<size_t>(m.to_y + y) * sheet.width + m.to_x + x] =
            source == kTransparent ? kOpaqueWhite : kOpaqueBlack;
      }
    }
  }

  if (!sheet.keep_alpha) {
    for (uint32_t& pixel : canvas.pixels) {
      if (pixel == kTransparent) pixel = kOpaqueBlack;
    }
  }
  return canvas;
}

Sheet IndexCanvas(const std::string& name, const Canvas& canvas, const std::string& where) {
  Sheet sheet;
  sheet.name = name;
  sheet.width = canvas.width;
  sheet.height = canvas.height;
  sheet.indices.reserve(canvas.pixels.size());
  std::unordered_map<uint32_t, int> index_of;
  std::vector<uint32_t> colours{kOpaqueBlack};
  index_of[kOpaqueBlack] = 0;
  for (uint32_t pixel : canvas.pixels) {
    auto [it, added] = index_of.emplace(pixel, static_cast<int>(colours.size()));
    if (added) colours.push_back(pixel);
    if (it->second < 256) sheet.indices.push_back(static_cast<uint8_t>(it->second));
  }
  if (colours.size() > 256) {
    throw ArtError(where + "sheet " + name + " uses " + std::to_string(colours.size()) +
                   " colours; a sheet holds at most 256");
  }
  sheet.palette = colours;
  sheet.palette.resize(256, kOpaqueBlack);
  return sheet;
}

Sheet ScaleNearest(const Sheet& sheet, int width, int height) {
  Sheet scaled{sheet.name, width, height, {}, sheet.palette};
  scaled.indices.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    // The centre of new pixel y, (y + 1/2) / height of the way down, in old pixels.
    const int64_t source_y = (2 * int64_t{y} + 1) * sheet.height / (2 * int64_t{height});
    for (int x = 0; x < width; ++x) {
      const int64_t source_x = (2 * int64_t{x} + 1) * sheet.width / (2 * int64_t{width});
      scaled.indices[static_cast<size_t>(y) * width + x] =
          sheet.indices[static_cast<size_t>(source_y * sheet.width + source_x)];
    }
  }
  return scaled;
}

const std::vector<RequiredSheet>& GameSheets() {
  static const std::vector<RequiredSheet> kSheets = {
      {"TitleSheetData", 512, 368, false},
      {"ChrSheetData", 720, 256, false},
      {"MapChipSheetData", 192, 192, false},
      {"WindowIconData", 32, 32, true},
  };
  return kSheets;
}

std::vector<Sheet> BuildSheets(const Layout& layout, const std::vector<Picture>& pictures) {
  std::map<std::string, Picture> by_name;
  for (const Picture& pic : pictures) {
    auto [it, added] = by_name.emplace(pic.name, pic);
    if (!added) {
      throw ArtError(Where(pic.file, pic.line) + "picture '" + pic.name +
                     "' is already defined at " + it->second.file + ":" +
                     std::to_string(it->second.line));
    }
  }

  for (const RequiredSheet& required : GameSheets()) {
    auto it = std::find_if(layout.sheets.begin(), layout.sheets.end(),
                           [&](const SheetLayout& s) { return s.name == required.name; });
    const std::string size = std::to_string(required.width) + " " + std::to_string(required.height);
    if (it == layout.sheets.end()) {
      throw ArtError(Where(layout.file, 1) + "the layout has no 'sheet " + required.name + " " +
                     size + (required.keep_alpha ? " alpha" : "") + "'");
    }
    if (it->width != required.width || it->height != required.height ||
        it->keep_alpha != required.keep_alpha) {
      throw ArtError(Where(layout.file, it->line) + "the game expects 'sheet " + required.name +
                     " " + size + (required.keep_alpha ? " alpha" : "") + "'");
    }
  }
  for (const SheetLayout& sheet : layout.sheets) {
    auto it = std::find_if(GameSheets().begin(), GameSheets().end(),
                           [&](const RequiredSheet& r) { return sheet.name == r.name; });
    if (it == GameSheets().end()) {
      throw ArtError(Where(layout.file, sheet.line) + "the game has no sheet named " + sheet.name);
    }
  }

  std::set<std::string> placed;
  for (const SheetLayout& sheet : layout.sheets) {
    for (const Placement& place : sheet.placements) placed.insert(place.picture);
  }
  for (const Picture& pic : pictures) {
    if (placed.count(pic.name) == 0) {
      throw ArtError(Where(pic.file, pic.line) + "picture '" + pic.name +
                     "' is not placed on any sheet in " + layout.file);
    }
  }

  std::vector<Sheet> sheets;
  for (const SheetLayout& sheet : layout.sheets) {
    Canvas canvas = ComposeCanvas(sheet, layout.file, by_name);
    sheets.push_back(IndexCanvas(sheet.name, canvas, Where(layout.file, sheet.line)));
  }
  return sheets;
}

ArtSet LoadArtDirectory(const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_directory(dir, error)) throw ArtError(dir + ": error: is not a directory");
  std::vector<fs::path> palette_files;
  std::vector<fs::path> picture_files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    if (entry.path().extension() == ".pal") palette_files.push_back(entry.path());
    if (entry.path().extension() == ".pic") picture_files.push_back(entry.path());
  }
  std::sort(palette_files.begin(), palette_files.end());
  std::sort(picture_files.begin(), picture_files.end());

  std::map<std::string, Palette> palettes;
  for (const fs::path& path : palette_files) {
    const std::string name = path.stem().string();
    Palette palette = ParsePalette(ReadFile(path), path.string(), name);
    auto [it, added] = palettes.emplace(name, std::move(palette));
    if (!added) {
      throw ArtError(Where(path.string(), 1) + "palette '" + name + "' is already defined in " +
                     it->second.file);
    }
  }
  ArtSet art;
  for (const fs::path& path : picture_files) {
    std::vector<Picture> pictures = ParsePictures(ReadFile(path), path.string(), palettes);
    art.pictures.insert(art.pictures.end(), pictures.begin(), pictures.end());
  }
  const fs::path layout_path = fs::path(dir) / "layout.txt";
  art.layout = ParseLayout(ReadFile(layout_path), layout_path.string());
  return art;
}

}  // namespace sheetc
