// The SDL host's sound: an audio device that pulls the game's mixer on SDL's audio thread.
#pragma once
#include <cstdint>

#include "host/host.h"

namespace host::sdl {

class SdlAudio {
 public:
  // `wanted` false: no device is opened, and the game plays silently.
  explicit SdlAudio(bool wanted) : wanted_(wanted) {}
  ~SdlAudio();
  SdlAudio(const SdlAudio&) = delete;
  SdlAudio& operator=(const SdlAudio&) = delete;

  // Opens the device on first use: 44100 or 48000 Hz, or 0 without one.
  int Rate();
  // Swapped under the device's lock: once this returns the old source is never called again.
  void SetSource(AudioSource* source);
  // Stops the device while the game is paused; a device opened later starts as this says.
  void Pause(bool paused);

 private:
  void Open();
  static void Pull(void* audio, uint8_t* stream, int bytes);

  bool wanted_;
  bool tried_ = false;
  bool paused_ = false;
  uint32_t device_ = 0;
  int rate_ = 0;
  AudioSource* source_ = nullptr;  // read on the audio thread under the device lock
};

}  // namespace host::sdl
