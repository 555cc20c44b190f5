#include "host/sdl/sdl_audio.h"

#include <SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

namespace host::sdl {
namespace {

// About 21 ms at 48 kHz: short enough for effects to feel immediate, long enough not to
// starve when the machine is busy.
constexpr int kAudioFrames = 1024;

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// ALSA prints a page of its own errors when there is no sound card, before SDL says the one
// line that matters; SDL loads the library itself, so it is quietened through the same copy.
void QuietenAlsa() {
  void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NOLOAD);
  if (!alsa) alsa = dlopen("libasound.so.2", RTLD_LAZY);
  if (!alsa) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
    set(IgnoreAlsaError);
}

}  // namespace

SdlAudio::~SdlAudio() {
  if (device_) SDL_CloseAudioDevice(device_);
}

int SdlAudio::Rate() {
  Open();
  return rate_;
}

void SdlAudio::SetSource(AudioSource* source) {
  Open();
  if (!device_) {
    source_ = source;
    return;
  }
  SDL_LockAudioDevice(device_);
  source_ = source;
  SDL_UnlockAudioDevice(device_);
}

void SdlAudio::Pause(bool paused) {
  paused_ = paused;
  if (device_) SDL_PauseAudioDevice(device_, paused);
}

void SdlAudio::Open() {
  if (tried_) return;
  tried_ = true;
  if (!wanted_) return;
  QuietenAlsa();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "ferrowyn: no sound: %s\n", SDL_GetError());
    return;
  }
  SDL_AudioSpec want{};
  want.freq = 48000;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kAudioFrames;
  want.callback = Pull;
  want.userdata = this;
  SDL_AudioSpec have{};
  // Take the device's own rate when it is a usual one, so SDL need not resample again.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
  if (device_ && have.freq != 44100 && have.freq != 48000) {
    SDL_CloseAudioDevice(device_);
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  }
  if (!device_) {
    std::fprintf(stderr, "ferrowyn: no sound: %s\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  rate_ = have.freq;
  SDL_PauseAudioDevice(device_, paused_);
}

void SdlAudio::Pull(void* audio, uint8_t* stream, int bytes) {
  auto* self = static_cast<SdlAudio*>(audio);
  if (self->source_)
    self->source_->Mix(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(bytes) / 4);
  else
    std::memset(stream, 0, bytes);
}

}  // namespace host::sdl
