// The screenshot key: the picture as PNG, once at its own 320 x 240 and once
// at the window's scale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kolvar {

// The user's pictures folder, else screenshots/ in the game's data folder;
// empty when there is no home folder either.
std::string ScreenshotFolder();

// `picture` with every pixel made a `scale` x `scale` block.
std::vector<uint32_t> ScaleUp(PixelView picture, int scale);

struct SavedScreenshot {
  std::string path;   // the 320 x 240 file, when written
  std::string error;  // what went wrong, else empty; with `path` set, the scaled copy failed
};

// Writes FOLDER/kolvar_YYYY-MM-DD_HH-MM-SS.png (with _2, _3, ... when that
// name is taken) and, when `scale` is above 1, the scaled copy beside it as
// ..._x3.png. The time is `when`, seconds since 1970, in local time.
SavedScreenshot SaveScreenshot(PixelView picture, int scale, const std::string& folder,
                               int64_t when);

// The notice band's line for a screenshot saved at `path`: its name and its
// folder, the home folder `home` written "~" ("screenshot saved:
// kolvar_....png in ~/Pictures").
std::string SavedScreenshotLine(const std::string& path, std::string home);

}  // namespace kolvar
