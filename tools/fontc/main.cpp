// fontc: draws the game's text sizes from a TrueType font with SDL_ttf and
// writes them as the C++ source of the embedded fonts (src/core/font_data.h).
//
//   fontc --font FILE.ttf --size PIXELS [--size PIXELS]... --out FILE.cpp

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "font_raster.h"
#include "replace_file.h"

namespace {

int Usage(const std::string& message) {
  std::fprintf(stderr, "fontc: %s\n", message.c_str());
  std::fprintf(stderr,
               "usage: fontc --font FILE.ttf --size PIXELS [--size PIXELS]... --out FILE.cpp\n");
  return 2;
}

// Writes the glyphs' source through a temporary file beside it.
void WriteFileAtomically(const std::string& path, const std::string& text) {
  using Step = kolvar::tools::ReplaceFault::Step;
  const std::optional<kolvar::tools::ReplaceFault> fault = kolvar::tools::ReplaceFile(path, text);
  if (!fault) return;
  if (fault->step != Step::kReplace) {
    throw fontc::FontError(kolvar::tools::TemporaryFor(path) + ": cannot be written");
  }
  throw fontc::FontError(path + ": cannot be written: " + fault->reason);
}

}  // namespace

int main(int argc, char** argv) {
  std::string font_file, out_file;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage("missing value after " + arg);
    const std::string value = argv[++i];
    if (arg == "--font") {
      font_file = value;
    } else if (arg == "--out") {
      out_file = value;
    } else if (arg == "--size") {
      int size = 0;
      try {
        size = std::stoi(value);
      } catch (const std::exception&) {
      }
      if (size < 4 || size > 64) return Usage("--size takes a pixel size from 4 to 64");
      sizes.push_back(size);
    } else {
      return Usage("unknown option " + arg);
    }
  }
  if (font_file.empty() || out_file.empty() || sizes.empty()) {
    return Usage("--font, --size and --out are required");
  }
  try {
    const std::vector<fontc::Font> fonts = fontc::RasteriseFont(font_file, sizes);
    WriteFileAtomically(
        out_file, fontc::EmitCpp(fonts, std::filesystem::path(font_file).filename().string()));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "fontc: error: %s\n", error.what());
    return 1;
  }
  return 0;
}
