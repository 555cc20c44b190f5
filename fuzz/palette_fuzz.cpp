// Palette text files: 256 lines of four numbers, or fewer, or anything else.
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "gfx/palette.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PALETTEENTRY entries[256];
  std::memset(entries, 0, sizeof(entries));
  LoadPaletteFile(fuzz::WriteInput(data, size), entries);
  return 0;
}
