#include "fuzz/sound_fuzz.h"

#include <vector>

#include "fuzz/fuzz_support.h"
#include "host/headless/headless_host.h"
#include "host/host.h"
#include "sound/sound.h"

namespace fuzz {

int OpenSound() {
  InstallHost();
  return OpenSoundSystem() ? 0 : 1;
}

void LoadAndPlay(const uint8_t* data, size_t size, int (*load)(const char* name)) {
  int id = load(WriteInput(data, size));
  if (id >= 0 && StartSound(id, DSBPLAY_LOOPING)) {
    // Looping, so that the mixer reads a short sample to its end and wraps round.
    std::vector<int16_t> stereo(2 * 4096);
    static_cast<host::headless::HeadlessHost&>(host::Current()).RenderAudio(stereo.data(), 4096);
  }
  // Unloading, and some refusals, keep slots claimed: the next input gets a fresh set.
  OpenSoundSystem();
}

}  // namespace fuzz
