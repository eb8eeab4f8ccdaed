#include "platform/sdl/screenshot.h"

#include <filesystem>

#include "platform/desktop/png_writer.h"
#include "platform/desktop/user_files.h"
#include "platform/timestamped_name.h"

namespace kolvar {

namespace fs = std::filesystem;

std::string ScreenshotFolder() {
  const std::string pictures = PicturesDirectory();
  if (!pictures.empty()) return pictures;
  const std::string data = DataDirectory();
  return data.empty() ? data : data + "/screenshots";
}

std::vector<uint32_t> ScaleUp(PixelView picture, int scale) {
  const int width = picture.width * scale;
  std::vector<uint32_t> big(static_cast<size_t>(width) * picture.height * scale);
  for (int y = 0; y < picture.height * scale; ++y) {
    const uint32_t* row = picture.pixels + static_cast<size_t>(y / scale) * picture.width;
    uint32_t* out = big.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) out[x] = row[x / scale];
  }
  return big;
}

SavedScreenshot SaveScreenshot(PixelView picture, int scale, const std::string& folder,
                               int64_t when) {
  if (folder.empty()) return {{}, "no folder for screenshots (HOME is not set)"};
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return {{}, folder + ": cannot create the folder: " + error.message()};

  std::string base = folder + "/" + TimestampedName(when);
  for (int n = 2; fs::exists(base + ".png", error); ++n) {
    base = folder + "/" + TimestampedName(when, n);
  }

  SavedScreenshot saved;
  saved.error = WritePng(base + ".png", picture);
  if (!saved.error.empty()) return saved;
  saved.path = base + ".png";
  if (scale > 1) {
    const std::vector<uint32_t> big = ScaleUp(picture, scale);
    saved.error = WritePng(base + "_x" + std::to_string(scale) + ".png",
                           {big.data(), picture.width * scale, picture.height * scale});
  }
  return saved;
}

std::string SavedScreenshotLine(const std::string& path, std::string home) {
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "screenshot saved: " + path;
  std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  const bool at_home =
      !home.empty() && home != "/" && (folder == home || folder.rfind(home + "/", 0) == 0);
  if (at_home) folder = "~" + folder.substr(home.size());
  return "screenshot saved: " + path.substr(slash + 1) + " in " + folder;
}

}  // namespace kolvar
