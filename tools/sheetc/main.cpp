// sheetc: compiles the pixel grids under assets/art into the C++ source of the
// game's graphics sheets.
//
//   sheetc --art DIR --out FILE.cpp [--header FILE.h] [--png DIR [--png-scale N]]
//          [--icon SIZE:FILE.png]...
//
// --header writes where every picture lies (core/sheet_layout.h, see
// EmitLayoutHeader).
// --icon writes the window icon as a SIZE x SIZE PNG, scaled by nearest
// neighbour (the desktop icons of the installed game).

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "art_source.h"
#include "png_out.h"
#include "replace_file.h"
#include "sheet_compose.h"
#include "sheet_emit.h"

namespace {

int Usage(const char* message) {
  std::fprintf(stderr, "sheetc: %s\n", message);
  std::fprintf(stderr,
               "usage: sheetc --art DIR --out FILE.cpp [--header FILE.h]"
               " [--png DIR [--png-scale N]] [--icon SIZE:FILE.png]...\n");
  return 2;
}

// Writes beside the target and renames, so a failed run never leaves half a
// file that the build would take as up to date.
void WriteFileAtomically(const std::string& path, const std::string& text) {
  const auto fault = kolvar::tools::ReplaceFile(path, text);
  if (!fault) return;
  if (fault->step == kolvar::tools::ReplaceFault::Step::kReplace)
    throw sheetc::ArtError(path + ": error: cannot be written: " + fault->reason);
  throw sheetc::ArtError(kolvar::tools::TemporaryFor(path) + ": error: cannot be written");
}

}  // namespace

int main(int argc, char** argv) {
  std::string art_dir;
  std::string out_file;
  std::string header_file;
  std::string png_dir;
  int png_scale = 1;
  std::vector<std::pair<int, std::string>> icons;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage(("missing value after " + arg).c_str());
    const std::string value = argv[++i];
    if (arg == "--art") {
      art_dir = value;
    } else if (arg == "--out") {
      out_file = value;
    } else if (arg == "--header") {
      header_file = value;
    } else if (arg == "--png") {
      png_dir = value;
    } else if (arg == "--png-scale") {
      try {
        png_scale = std::stoi(value);
      } catch (const std::exception&) {
        png_scale = 0;
      }
      if (png_scale < 1 || png_scale > 16) return Usage("--png-scale takes a number from 1 to 16");
    } else if (arg == "--icon") {
      const size_t colon = value.find(':');
      int size = 0;
      try {
        size = colon == std::string::npos ? 0 : std::stoi(value.substr(0, colon));
      } catch (const std::exception&) {
      }
      if (size < 1 || size > 1024 || colon + 1 >= value.size()) {
        return Usage("--icon takes SIZE:FILE.png, SIZE from 1 to 1024");
      }
      icons.emplace_back(size, value.substr(colon + 1));
    } else {
      return Usage(("unknown option " + arg).c_str());
    }
  }
  if (art_dir.empty()) return Usage("--art DIR is required");
  if (out_file.empty() && header_file.empty() && png_dir.empty() && icons.empty()) {
    return Usage("give --out FILE.cpp, --header FILE.h, --png DIR or --icon SIZE:FILE.png");
  }

  try {
    sheetc::ArtSet art = sheetc::LoadArtDirectory(art_dir);
    std::vector<sheetc::Sheet> sheets = sheetc::BuildSheets(art.layout, art.pictures);
    if (!out_file.empty()) WriteFileAtomically(out_file, sheetc::EmitCpp(sheets));
    if (!header_file.empty()) {
      WriteFileAtomically(header_file, sheetc::EmitLayoutHeader(art.layout, art.pictures));
    }
    if (!png_dir.empty()) {
      std::filesystem::create_directories(png_dir);
      for (const sheetc::Sheet& sheet : sheets) {
        sheetc::WritePng(sheet, (std::filesystem::path(png_dir) / (sheet.name + ".png")).string(),
                         png_scale);
      }
    }
    for (const auto& [size, path] : icons) {
      for (const sheetc::Sheet& sheet : sheets) {
        if (sheet.name != "WindowIconData") continue;
        const std::filesystem::path parent = std::filesystem::path(path).parent_path();
        if (!parent.empty()) std::filesystem::create_directories(parent);
        sheetc::WritePng(sheetc::ScaleNearest(sheet, size, size), path, 1);
      }
    }
  } catch (const sheetc::ArtError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "sheetc: error: %s\n", error.what());
    return 1;
  }
  return 0;
}
