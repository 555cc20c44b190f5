// The software mixer behind the DirectSound stand-in. The host's audio output pulls it (on
// SDL from its own thread) while the game thread starts, stops and adjusts the buffers, so
// every change goes through the mixer's lock; Mix itself never allocates.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "host/host.h"

namespace platform {

// One buffer as the mixer plays it. The buffer owns it; the mixer only points at the voices
// attached to it. Fields are read and written under the mixer's lock only.
struct Voice {
  // The sample bytes, shared by a buffer and its duplicates.
  std::shared_ptr<std::vector<uint8_t>> sample;
  int channels = 1;          // 1 or 2, interleaved
  int bytes_per_sample = 1;  // 1: unsigned 8-bit; 2: signed 16-bit little-endian
  uint32_t frequency = 11025;
  bool playing = false;
  bool looping = false;
  uint64_t position = 0;          // in frames, 32.32 fixed point
  float level[2] = {1.0f, 1.0f};  // the buffer's own volume and pan, as amplitudes
  // The gain applied now, and where it glides to: the level times the output level.
  float gain[2] = {1.0f, 1.0f};
  float target[2] = {1.0f, 1.0f};
  float ramp_step[2] = {0.0f, 0.0f};
  int ramp_left = 0;  // output frames until gain reaches target

  uint32_t BlockBytes() const { return uint32_t(channels * bytes_per_sample); }
  uint32_t FrameCount() const { return uint32_t(sample->size() / BlockBytes()); }
};

struct VoiceStatus {
  bool playing;
  bool looping;
};

// Linear amplitude of a level in hundredths of a decibel: 10^(level/2000). As with
// DirectSound, -10000 and below is silence rather than a faint remainder.
float Amplitude(LONG level);

class Mixer final : public host::AudioSource {
 public:
  void SetOutputRate(int rate);

  void Attach(Voice* voice);
  void Detach(Voice* voice);

  // Starting a stopped voice takes its levels at once; a playing one keeps its place.
  void Play(Voice* voice, bool looping);
  void Stop(Voice* voice);
  void SetFramePosition(Voice* voice, uint32_t frame);
  uint32_t FramePosition(Voice* voice);
  VoiceStatus Status(Voice* voice);
  void SetFrequency(Voice* voice, uint32_t frequency);
  // Volume and pan in hundredths of a decibel; a playing voice glides there over about 5 ms.
  void SetLevels(Voice* voice, LONG volume, LONG pan);

  // The player's output levels, each 0 (silence) to 100 (as the game mixes it, the default),
  // values outside clamped. The music, the game's one looping sound, gets both; every other
  // sound the master alone. The gain is the square of the fraction, near even steps in
  // loudness: 50 is -12 dB, 10 is -40 dB. Playing voices glide there as for SetLevels.
  void SetOutputLevels(int master_percent, int music_percent);

  // Adds every playing voice, resampled to the output rate, at its level and output level,
  // and rounds the sum to 16 bits through the limiter: below -3 dBFS exactly as summed,
  // above it bent smoothly towards a ceiling under full scale.
  void Mix(int16_t* stereo, size_t frames) override;

 private:
  // Under the lock: sends the voice's gain towards its level times its output level, at once
  // when it is not heard, else over about 5 ms.
  void Aim(Voice& voice);

  std::mutex mutex_;
  std::vector<Voice*> voices_;
  int rate_ = 44100;
  float output_[2] = {1.0f, 1.0f};  // the output gain of one-shots and of looping voices
};

// The one mixer the DirectSound stand-in plays through. It lives as long as the program, so
// the output levels may be set before the game opens its sound.
Mixer& SharedMixer();

}  // namespace platform
