#include "platform/desktop/png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace kolvar {

std::string WritePng(const std::string& path, PixelView picture) {
  if (!picture.pixels || picture.width <= 0 || picture.height <= 0) {
    return path + ": nothing has been shown yet";
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(static_cast<size_t>(picture.width) * picture.height * 3);
  for (size_t i = 0; i < rgb.size() / 3; ++i) {
    const uint32_t p = picture.pixels[i];
    rgb[3 * i] = static_cast<png_byte>(p >> 16);
    rgb[3 * i + 1] = static_cast<png_byte>(p >> 8);
    rgb[3 * i + 2] = static_cast<png_byte>(p);
  }
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
    return path + ": cannot write PNG: " + image.message;
  }
  return {};
}

}  // namespace kolvar
