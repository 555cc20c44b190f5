#include "platform/mixer.h"

#include <algorithm>
#include <cmath>

#include "platform/limiter.h"

namespace platform {
namespace {

// Output frames mixed per pass; the lock is taken once per pass, so the game thread never
// waits for more than one short pass.
constexpr size_t kPassFrames = 256;

struct Frame {
  float left;
  float right;
};

// A sample on the 16-bit scale: 8-bit ones are unsigned, 16-bit ones signed little-endian.
template <int kBytes>
float ReadSample(const uint8_t* p) {
  if constexpr (kBytes == 1) {
    return float(int(p[0]) - 128) * 256.0f;
  } else {
    return float(int16_t(uint16_t(p[0] | p[1] << 8)));
  }
}

template <int kBytes, int kChannels>
Frame ReadFrame(const uint8_t* data, uint32_t index) {
  const uint8_t* p = data + size_t(index) * (kBytes * kChannels);
  float left = ReadSample<kBytes>(p);
  return {left, kChannels == 2 ? ReadSample<kBytes>(p + kBytes) : left};
}

float Fraction(uint64_t position) {
  return float(uint32_t(position)) * (1.0f / 4294967296.0f);
}

// Adds one output frame: the source `fraction` of the way from `a` to `b`, at `gain`.
void AddFrame(float* out, Frame a, Frame b, float fraction, const float* gain) {
  out[0] += (a.left + (b.left - a.left) * fraction) * gain[0];
  out[1] += (a.right + (b.right - a.right) * fraction) * gain[1];
}

// Mixes `frames` output frames that all read a frame and its next one inside the sample, with
// the volume ramp (if any) not ending among them: nothing to test inside the loop.
template <int kBytes, int kChannels, bool kRamp>
void MixRun(Voice& voice, float* sum, size_t frames, uint64_t step) {
  const uint8_t* data = voice.sample->data();
  uint64_t position = voice.position;
  float gain[2] = {voice.gain[0], voice.gain[1]};
  for (size_t i = 0; i < frames; ++i) {
    uint32_t index = uint32_t(position >> 32);
    if constexpr (kRamp) {
      gain[0] += voice.ramp_step[0];
      gain[1] += voice.ramp_step[1];
    }
    AddFrame(sum + 2 * i, ReadFrame<kBytes, kChannels>(data, index),
             ReadFrame<kBytes, kChannels>(data, index + 1), Fraction(position), gain);
    position += step;
  }
  voice.position = position;
  voice.gain[0] = gain[0];
  voice.gain[1] = gain[1];
  if constexpr (kRamp) voice.ramp_left -= int(frames);
}

using RunFunction = void (*)(Voice&, float*, size_t, uint64_t);

// What depends on a voice's sample format, chosen once per voice and pass.
struct Format {
  Frame (*read)(const uint8_t* data, uint32_t index);
  RunFunction run[2];  // steady gain, ramping gain
};

template <int kBytes, int kChannels>
constexpr Format kFormat = {ReadFrame<kBytes, kChannels>,
                            {MixRun<kBytes, kChannels, false>, MixRun<kBytes, kChannels, true>}};

const Format& FormatOf(const Voice& voice) {
  static constexpr const Format* kFormats[2][2] = {{&kFormat<1, 1>, &kFormat<1, 2>},
                                                   {&kFormat<2, 1>, &kFormat<2, 2>}};
  return *kFormats[voice.bytes_per_sample - 1][voice.channels - 1];
}

// One output frame where a run cannot go: reading the last source frame, whose next one is
// the loop's first or (for a one-shot) silence, or the ramp's last frame, which lands on the
// target exactly.
void MixEdgeFrame(Voice& voice, const Format& format, float* out, uint64_t step) {
  const uint8_t* data = voice.sample->data();
  uint32_t index = uint32_t(voice.position >> 32);
  Frame b = index + 1 < voice.FrameCount() ? format.read(data, index + 1)
            : voice.looping                ? format.read(data, 0)
                                           : Frame{0.0f, 0.0f};
  if (voice.ramp_left > 0) {
    voice.gain[0] += voice.ramp_step[0];
    voice.gain[1] += voice.ramp_step[1];
    if (--voice.ramp_left == 0) {
      voice.gain[0] = voice.target[0];
      voice.gain[1] = voice.target[1];
    }
  }
  AddFrame(out, format.read(data, index), b, Fraction(voice.position), voice.gain);
  voice.position += step;
}

// Mixes one voice into `sum` for `frames` output frames, advancing it by `step` source
// frames (32.32) per output frame, in runs up to the next edge frame.
void MixVoice(Voice& voice, float* sum, size_t frames, uint64_t step) {
  const Format& format = FormatOf(voice);
  uint64_t end = uint64_t(voice.FrameCount()) << 32;
  uint64_t last = end - (uint64_t(1) << 32);  // from here a frame's next one is not inside
  size_t done = 0;
  while (done < frames) {
    uint64_t run = frames - done;
    run = std::min(run, voice.position < last ? (last - voice.position - 1) / step + 1 : 0);
    if (voice.ramp_left > 0) run = std::min(run, uint64_t(voice.ramp_left - 1));
    if (run > 0) {
      format.run[voice.ramp_left > 0](voice, sum + 2 * done, size_t(run), step);
    } else {
      MixEdgeFrame(voice, format, sum + 2 * done, step);
      run = 1;
    }
    done += size_t(run);
    // Only the last step of a run can pass the end: the ones before it read inside.
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

float PercentGain(int percent) {
  float fraction = float(std::clamp(percent, 0, 100)) / 100.0f;
  return fraction * fraction;
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
  // A stopped voice starts at its levels; a playing one glides only if its output level moves.
  bool aim = !voice->playing || output_[looping] != output_[voice->looping];
  voice->looping = looping;
  if (aim) Aim(*voice);
  voice->playing = true;
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
  voice->level[0] = left;
  voice->level[1] = right;
  Aim(*voice);
}

void Mixer::SetOutputLevels(int master_percent, int music_percent) {
  float master = PercentGain(master_percent);
  const float output[2] = {master, master * PercentGain(music_percent)};
  std::lock_guard lock(mutex_);
  // Voices whose output level stays are left alone, a glide in progress included.
  const bool moved[2] = {output[0] != output_[0], output[1] != output_[1]};
  output_[0] = output[0];
  output_[1] = output[1];
  for (Voice* voice : voices_) {
    if (moved[voice->looping]) Aim(*voice);
  }
}

void Mixer::Aim(Voice& voice) {
  float output = output_[voice.looping];
  voice.target[0] = voice.level[0] * output;
  voice.target[1] = voice.level[1] * output;
  int ramp = rate_ / 200;
  if (!voice.playing || ramp <= 0) {
    voice.gain[0] = voice.target[0];
    voice.gain[1] = voice.target[1];
    voice.ramp_left = 0;
    return;
  }
  // A sudden step in level is heard as a click; glide over 5 ms instead.
  voice.ramp_step[0] = (voice.target[0] - voice.gain[0]) / float(ramp);
  voice.ramp_step[1] = (voice.target[1] - voice.gain[1]) / float(ramp);
  voice.ramp_left = ramp;
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
    for (size_t i = 0; i < pass * 2; ++i) stereo[i] = int16_t(std::lrint(Limit(sum[i])));
    stereo += pass * 2;
    frames -= pass;
  }
}

}  // namespace platform
