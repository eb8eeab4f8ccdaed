// Screenshots as PNG files.
#pragma once

#include <string>

#include "platform/platform.h"

namespace kolvar {

// Writes the picture as an 8-bit RGB PNG. Returns an error message, or an
// empty string on success.
std::string WritePng(const std::string& path, PixelView picture);

}  // namespace kolvar
