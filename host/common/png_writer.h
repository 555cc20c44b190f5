// PNG files of 8-bit pages, for screenshots, captures and the icon. No platform in here.
#pragma once
#include <cstdint>
#include <string>

#include "host/host.h"

namespace host::common {

// Writes an 8-bit page through its palette as an RGB PNG, stored without compression; false
// on a write failure. The runner's captures are written this way: their bytes are what the
// golden hashes were recorded from.
bool WritePng(const std::string& path, const uint8_t* pixels, int pitch, int width, int height,
              const Rgb* palette);

// The same picture through libpng, compressed (the title comes to about a twentieth of the
// stored size), written to a temporary file and renamed; for screenshots. Not in the browser
// build, which has no libpng: there the browser compresses its own.
bool WriteCompressedPng(const std::string& path, const uint8_t* pixels, int pitch, int width,
                        int height, const Rgb* palette);

}  // namespace host::common
