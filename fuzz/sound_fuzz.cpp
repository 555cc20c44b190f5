#include "fuzz/sound_fuzz.h"

#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/host/headless_host.h"
#include "platform/host/host.h"
#include "sound/sound.h"

namespace fuzz {

int OpenSound() {
  InstallHost();
  return OpenSoundSystem() ? 0 : 1;
}

void LoadAndPlay(const uint8_t* data, size_t size, int (*load)(const char* name)) {
  int id = load(WriteInput(data, size));
  if (id < 0) return;
  StartSound(id, 0);
  // Long enough for any sample the small inputs hold to play to its end.
  std::vector<int16_t> stereo(2 * 4096);
  static_cast<host::HeadlessHost&>(host::Current()).RenderAudio(stereo.data(), 4096);
  UnloadAllSounds();
}

}  // namespace fuzz
