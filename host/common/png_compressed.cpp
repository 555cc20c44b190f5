// WriteCompressedPng (png_writer.h): through libpng, which the browser build does without.
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/common/png_writer.h"

namespace host::common {
namespace {

// libpng reports a failed write by jumping back to its setjmp: kept in a function of its own,
// with nothing in it for the jump to clobber.
bool EncodePng(png_structp png, png_infop info, std::FILE* file, const uint8_t* pixels, int pitch,
               int width, int height, const Rgb* palette, uint8_t* row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = pixels + ptrdiff_t(y) * pitch;
    for (int x = 0; x < width; ++x) {
      const Rgb& c = palette[in[x]];
      row[3 * x] = c.r;
      row[3 * x + 1] = c.g;
      row[3 * x + 2] = c.b;
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool WriteCompressedPng(const std::string& path, const uint8_t* pixels, int pitch, int width,
                        int height, const Rgb* palette) {
  if (!pixels || width <= 0 || height <= 0) return false;
  std::string temporary = path + ".new";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<uint8_t> row(size_t(width) * 3);
  bool ok =
      png && info && EncodePng(png, info, file, pixels, pitch, width, height, palette, row.data());
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  ok = std::fclose(file) == 0 && ok;
  ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temporary.c_str());
  return ok;
}

}  // namespace host::common
