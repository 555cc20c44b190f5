// Creative voice files through the sound loader.
#include "fuzz/sound_fuzz.h"
#include "sound/sound.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  return fuzz::OpenSound();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::LoadAndPlay(data, size, LoadVocSound);
  return 0;
}
