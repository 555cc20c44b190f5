#include "platform/mixer.h"

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

// Output frames mixed per pass; the lock is taken once per pass, so the game thread never
// waits for more than one short pass.
constexpr size_t kPassFrames = 256;

struct Frame {
  float left;
  float right;
};

Frame ReadFrame(const Voice& voice, uint32_t index) {
  const uint8_t* p = voice.sample->data() + size_t(index) * voice.BlockBytes();
  if (voice.bytes_per_sample == 1) {
    float left = float(int(p[0]) - 128) * 256.0f;
    float right = voice.channels == 2 ? float(int(p[1]) - 128) * 256.0f : left;
    return {left, right};
  }
  float left = float(int16_t(uint16_t(p[0] | p[1] << 8)));
  float right = voice.channels == 2 ? float(int16_t(uint16_t(p[2] | p[3] << 8))) : left;
  return {left, right};
}

// Mixes one voice into `sum` for `frames` output frames, advancing it by `step` source
// frames (32.32) per output frame.
void MixVoice(Voice& voice, float* sum, size_t frames, uint64_t step) {
  uint32_t count = voice.FrameCount();
  uint64_t end = uint64_t(count) << 32;
  for (size_t i = 0; i < frames; ++i) {
    uint32_t index = uint32_t(voice.position >> 32);
    float fraction = float(uint32_t(voice.position)) * (1.0f / 4294967296.0f);
    Frame a = ReadFrame(voice, index);
    // Past the last frame a loop goes on with its first, a one-shot with silence.
    Frame b = index + 1 < count ? ReadFrame(voice, index + 1)
              : voice.looping   ? ReadFrame(voice, 0)
                                : Frame{0.0f, 0.0f};
    if (voice.ramp_left > 0) {
      voice.gain[0] += voice.ramp_step[0];
      voice.gain[1] += voice.ramp_step[1];
      if (--voice.ramp_left == 0) {
        voice.gain[0] = voice.target[0];
        voice.gain[1] = voice.target[1];
      }
    }
    sum[2 * i] += (a.left + (b.left - a.left) * fraction) * voice.gain[0];
    sum[2 * i + 1] += (a.right + (b.right - a.right) * fraction) * voice.gain[1];
    voice.position += step;
    if (voice.position >= end) {
      if (!voice.looping) {
        voice.playing = false;
        voice.position = 0;
        return;
      }
      voice.position %= end;
    }
  }
}

int16_t Saturate(float value) {
  return int16_t(std::lrint(std::clamp(value, -32768.0f, 32767.0f)));
}

}  // namespace

float Amplitude(LONG level) {
  if (level <= -10000) return 0.0f;
  return float(std::pow(10.0, double(level) / 2000.0));
}

void Mixer::SetOutputRate(int rate) {
  std::lock_guard lock(mutex_);
  rate_ = rate;
}

void Mixer::Attach(Voice* voice) {
  std::lock_guard lock(mutex_);
  voices_.push_back(voice);
}

void Mixer::Detach(Voice* voice) {
  std::lock_guard lock(mutex_);
  std::erase(voices_, voice);
}

void Mixer::Play(Voice* voice, bool looping) {
  std::lock_guard lock(mutex_);
  if (!voice->playing) {
    voice->gain[0] = voice->target[0];
    voice->gain[1] = voice->target[1];
    voice->ramp_left = 0;
  }
  voice->playing = true;
  voice->looping = looping;
}

void Mixer::Stop(Voice* voice) {
  std::lock_guard lock(mutex_);
  voice->playing = false;
}

void Mixer::SetFramePosition(Voice* voice, uint32_t frame) {
  std::lock_guard lock(mutex_);
  voice->position = uint64_t(frame) << 32;
}

uint32_t Mixer::FramePosition(Voice* voice) {
  std::lock_guard lock(mutex_);
  return uint32_t(voice->position >> 32);
}

VoiceStatus Mixer::Status(Voice* voice) {
  std::lock_guard lock(mutex_);
  return {voice->playing, voice->looping};
}

void Mixer::SetFrequency(Voice* voice, uint32_t frequency) {
  std::lock_guard lock(mutex_);
  voice->frequency = frequency;
}

void Mixer::SetLevels(Voice* voice, LONG volume, LONG pan) {
  // Panning to one side lowers the other side by the same law as the volume.
  float left = Amplitude(volume - std::max<LONG>(pan, 0));
  float right = Amplitude(volume + std::min<LONG>(pan, 0));
  std::lock_guard lock(mutex_);
  voice->target[0] = left;
  voice->target[1] = right;
  int ramp = rate_ / 200;
  if (!voice->playing || ramp <= 0) {
    voice->gain[0] = left;
    voice->gain[1] = right;
    voice->ramp_left = 0;
    return;
  }
  // A sudden step in level is heard as a click; glide over 5 ms instead.
  voice->ramp_step[0] = (left - voice->gain[0]) / float(ramp);
  voice->ramp_step[1] = (right - voice->gain[1]) / float(ramp);
  voice->ramp_left = ramp;
}

void Mixer::Mix(int16_t* stereo, size_t frames) {
  float sum[kPassFrames * 2];
  while (frames > 0) {
    size_t pass = std::min(frames, kPassFrames);
    std::fill_n(sum, pass * 2, 0.0f);
    {
      std::lock_guard lock(mutex_);
      if (rate_ > 0) {
        for (Voice* voice : voices_) {
          if (!voice->playing) continue;
          uint64_t step = (uint64_t(voice->frequency) << 32) / uint64_t(rate_);
          MixVoice(*voice, sum, pass, step);
        }
      }
    }
    for (size_t i = 0; i < pass * 2; ++i) stereo[i] = Saturate(sum[i]);
    stereo += pass * 2;
    frames -= pass;
  }
}

}  // namespace platform
