#include "png_out.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

namespace sheetc {

void WritePng(const Sheet& sheet, const std::string& path, int scale) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) throw ArtError(path + ": error: cannot be written");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, nullptr);
    throw ArtError(path + ": error: libpng could not start");
  }
  const int width = sheet.width * scale;
  const int height = sheet.height * scale;
  std::vector<png_byte> row(static_cast<size_t>(width) * 4);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw ArtError(path + ": error: libpng failed while writing");
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t argb =
          sheet.palette[sheet.indices[static_cast<size_t>(y / scale) * sheet.width + x / scale]];
      png_byte* out = &row[static_cast<size_t>(x) * 4];
      out[0] = static_cast<png_byte>(argb >> 16);
      out[1] = static_cast<png_byte>(argb >> 8);
      out[2] = static_cast<png_byte>(argb);
      out[3] = static_cast<png_byte>(argb >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
}

}  // namespace sheetc
