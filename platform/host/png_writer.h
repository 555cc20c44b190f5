// PNG files of 8-bit pages, for screenshots, captures and the icon. No platform in here.
#pragma once
#include <cstdint>
#include <string>

#include "platform/host/host.h"

namespace host {

// Writes an 8-bit page through its palette as an RGB PNG; false on a write failure.
bool WritePng(const std::string& path, const uint8_t* pixels, int pitch, int width, int height,
              const Rgb* palette);

}  // namespace host
