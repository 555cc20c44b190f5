// Sound files: a loaded sample is also played through the mixer, so that what the loader
// wrote into the buffer is read back to its end.
#pragma once
#include <cstddef>
#include <cstdint>

namespace fuzz {

int OpenSound();
// Loads the input with `load` (which returns a sound id or -1), plays and unloads it.
void LoadAndPlay(const uint8_t* data, size_t size, int (*load)(const char* name));

}  // namespace fuzz
