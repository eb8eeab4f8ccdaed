// The game in a real window: SDL2 video, keyboard and audio.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace kolvar {

inline constexpr const char* kWindowCaption =
    "Kolvar Version\xCE\xB2"
    "0.02";

// Opens the window, centred, showing the 320 x 240 picture at a whole-number
// `scale` with square pixels. Throws std::runtime_error when no window can
// be opened. `icon` is the window's icon, 0xAARRGGBB per pixel (alpha 0
// where transparent); an empty view leaves the system's default icon.
std::unique_ptr<Platform> CreateSdlPlatform(const std::string& program_dir, int scale,
                                            const PixelView& icon = {});

}  // namespace kolvar
