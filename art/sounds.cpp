// The seven sounds, synthesised: effects, the intro and level-won jingles, and the music loop.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "art/draw.h"

namespace art {
namespace {

constexpr float kRate = float(kSampleRate);
constexpr float kNyquist = kRate / 2;
constexpr float kTwoPi = 2 * std::numbers::pi_v<float>;

using Wave = std::vector<float>;

Wave Silence(float seconds) {
  return Wave(size_t(seconds * kRate), 0.f);
}

float MidiHz(int note) {
  return 440.f * std::pow(2.f, float(note - 69) / 12.f);
}

// Sum of harmonics 1/k^rolloff (only odd ones if `odd`), never above the Nyquist limit,
// so bright tones do not alias at this low rate.
float Harmonics(float phase, float hz, float rolloff, bool odd, int most) {
  float sum = 0;
  for (int k = 1; k <= most && k * hz < kNyquist * 0.9f; k += odd ? 2 : 1) {
    sum += std::sin(kTwoPi * phase * float(k)) / std::pow(float(k), rolloff);
  }
  return sum;
}

struct Voice {
  float rolloff;
  bool odd;
  int harmonics;
  float attack, decay, sustain, release;  // seconds, and the sustain level
  float vibrato;                          // depth in semitones, after the attack
};

constexpr Voice kBrass{1.0f, false, 10, 0.025f, 0.12f, 0.75f, 0.09f, 0.12f};
constexpr Voice kReed{1.2f, true, 9, 0.01f, 0.08f, 0.6f, 0.12f, 0.0f};
constexpr Voice kLead{2.2f, false, 4, 0.015f, 0.15f, 0.7f, 0.09f, 0.1f};
constexpr Voice kBass{2.0f, true, 7, 0.008f, 0.2f, 0.65f, 0.06f, 0.0f};
constexpr Voice kPad{2.5f, false, 4, 0.08f, 0.3f, 0.8f, 0.25f, 0.0f};

float Envelope(const Voice& v, float t, float length) {
  float level;
  if (t < v.attack) {
    level = t / v.attack;
  } else if (t < v.attack + v.decay) {
    level = 1 - (1 - v.sustain) * (t - v.attack) / v.decay;
  } else {
    level = v.sustain;
  }
  if (t > length) level *= std::max(0.f, 1 - (t - length) / v.release);
  return level;
}

// Adds a note at `start` seconds; with `wrap` the tail continues at the buffer's start,
// which is what makes a loop seamless.
void AddNote(Wave* w, const Voice& v, float start, float length, int note, float gain,
             bool wrap = false) {
  float hz = MidiHz(note);
  float phase = 0;
  int count = int((length + v.release) * kRate);
  int first = int(start * kRate);
  for (int i = 0; i < count; ++i) {
    float t = float(i) / kRate;
    float bend = t > v.attack * 3 ? v.vibrato * std::sin(kTwoPi * 5.5f * t) *
                                        std::min(1.f, (t - v.attack * 3) / 0.2f)
                                  : 0.f;
    float f = hz * std::pow(2.f, bend / 12.f);
    phase += f / kRate;
    phase -= std::floor(phase);
    size_t at = size_t(first + i);
    if (wrap) at %= w->size();
    if (at >= w->size()) break;
    (*w)[at] += gain * Envelope(v, t, length) * Harmonics(phase, f, v.rolloff, v.odd, v.harmonics);
  }
}

// White noise through a one-pole low-pass whose brightness follows `cutoff(t)` (0..1).
template <typename Cutoff, typename Gain>
void AddNoise(Wave* w, float start, float seconds, uint32_t seed, Cutoff cutoff, Gain gain) {
  Random random(seed);
  float low = 0;
  int first = int(start * kRate);
  for (int i = 0; i < int(seconds * kRate) && first + i < int(w->size()); ++i) {
    float t = float(i) / kRate;
    float white = random.Unit() * 2 - 1;
    low += cutoff(t) * (white - low);
    (*w)[size_t(first + i)] += gain(t) * low;
  }
}

// A sine that glides from `from_hz` towards `to_hz`: thumps, kicks and rumbles.
void AddSweep(Wave* w, float start, float seconds, float from_hz, float to_hz, float glide,
              float decay, float gain) {
  float phase = 0;
  int first = int(start * kRate);
  for (int i = 0; i < int(seconds * kRate) && first + i < int(w->size()); ++i) {
    float t = float(i) / kRate;
    phase += (to_hz + (from_hz - to_hz) * std::exp(-t / glide)) / kRate;
    (*w)[size_t(first + i)] += gain * std::exp(-t / decay) * std::sin(kTwoPi * phase);
  }
}

void AddPartial(Wave* w, float start, float hz, float decay, float gain) {
  int first = int(start * kRate);
  for (int i = 0; first + i < int(w->size()); ++i) {
    float t = float(i) / kRate;
    (*w)[size_t(first + i)] += gain * std::exp(-t / decay) * std::sin(kTwoPi * hz * t);
  }
}

Samples Quantise(const Wave& w, float peak) {
  float most = 1e-9f;
  for (float v : w) most = std::max(most, std::abs(v));
  Samples out(w.size());
  for (size_t i = 0; i < w.size(); ++i) {
    out[i] = uint8_t(std::clamp(std::lround(128.f + w[i] / most * peak * 127.f), 1L, 255L));
  }
  return out;
}

// Effects: no DC (a gentle high-pass), a few milliseconds of fade at both ends so they
// start and stop on silence, then scaled to just under full scale.
Samples FinishEffect(Wave w) {
  float prev_in = 0, prev_out = 0;
  for (float& v : w) {
    float out = v - prev_in + 0.995f * prev_out;
    prev_in = v;
    prev_out = out;
    v = out;
  }
  size_t fade_in = size_t(0.002f * kRate), fade_out = size_t(0.02f * kRate);
  for (size_t i = 0; i < fade_in; ++i) w[i] *= float(i) / float(fade_in);
  for (size_t i = 0; i < fade_out; ++i) w[w.size() - 1 - i] *= float(i) / float(fade_out);
  return Quantise(w, 0.96f);
}

struct Note {
  float beat, beats;
  int note;
};

}  // namespace

Samples MakeShot() {
  Wave w = Silence(0.3f);
  AddNoise(
      &w, 0, 0.3f, 101, [](float t) { return 0.9f * std::exp(-t / 0.05f) + 0.08f; },
      [](float t) { return std::exp(-t / 0.045f); });
  AddSweep(&w, 0, 0.3f, 900, 85, 0.018f, 0.07f, 0.9f);
  return FinishEffect(w);
}

Samples MakeExplosion() {
  Wave w = Silence(1.9f);
  AddNoise(
      &w, 0, 0.15f, 202, [](float) { return 0.9f; }, [](float t) { return std::exp(-t / 0.02f); });
  AddNoise(
      &w, 0, 1.9f, 203, [](float t) { return 0.05f + 0.35f * std::exp(-t / 0.25f); },
      [](float t) { return std::min(1.f, t / 0.006f) * 2.6f * std::exp(-t / 0.42f); });
  AddSweep(&w, 0, 1.9f, 140, 42, 0.12f, 0.5f, 0.7f);
  AddSweep(&w, 0.05f, 1.8f, 95, 55, 0.3f, 0.35f, 0.35f);
  return FinishEffect(w);
}

Samples MakeIntro() {
  Wave w = Silence(1.75f);
  // A rising call and a held chord: G C E G ... E G over C.
  const Note call[] = {{0, 0.5f, 67}, {0.5f, 0.5f, 72}, {1, 0.5f, 76},
                       {1.5f, 1, 79}, {2.6f, 0.4f, 76}, {3.0f, 2.3f, 79}};
  const float beat = 0.3f;
  for (const Note& n : call) AddNote(&w, kBrass, n.beat * beat, n.beats * beat - 0.03f, n.note, 1);
  for (int low : {60, 64, 55}) AddNote(&w, kBrass, 3.0f * beat, 2.3f * beat, low, 0.45f);
  return FinishEffect(w);
}

Samples MakeMineDrop() {
  Wave w = Silence(0.55f);
  // Inharmonic partials ring like struck steel; a second, softer hit is the bounce.
  const float partials[][3] = {{415, 0.16f, 1},
                               {1127, 0.11f, 0.7f},
                               {1864, 0.08f, 0.5f},
                               {2641, 0.05f, 0.35f},
                               {3493, 0.035f, 0.25f}};
  for (auto [start, level] : {std::pair{0.f, 1.f}, {0.13f, 0.45f}}) {
    for (const auto& p : partials) AddPartial(&w, start, p[0], p[1], p[2] * level);
    AddSweep(&w, start, 0.12f, 220, 90, 0.01f, 0.04f, 0.8f * level);
    AddNoise(
        &w, start, 0.01f, 303, [](float) { return 0.8f; },
        [level = level](float t) { return level * std::exp(-t / 0.003f); });
  }
  return FinishEffect(w);
}

Samples MakePickup() {
  Wave w = Silence(0.65f);
  // C E G C, quickly rising, each a small bell.
  const int notes[] = {84, 88, 91, 96};
  for (int i = 0; i < 4; ++i) {
    float hz = MidiHz(notes[i]), start = 0.065f * i;
    AddPartial(&w, start, hz, 0.22f, 1);
    AddPartial(&w, start, hz * 2.01f, 0.09f, 0.3f);
    if (hz * 2.76f < kNyquist * 0.9f) AddPartial(&w, start, hz * 2.76f, 0.05f, 0.15f);
  }
  return FinishEffect(w);
}

Samples MakeLevelWon() {
  Wave w = Silence(1.6f);
  const Note tune[] = {
      {0, 0.5f, 76}, {0.5f, 0.5f, 79}, {1, 0.5f, 84}, {1.5f, 0.5f, 79}, {2, 3.2f, 84}};
  const float beat = 0.24f;
  for (const Note& n : tune) AddNote(&w, kReed, n.beat * beat, n.beats * beat - 0.02f, n.note, 1);
  for (int low : {72, 76, 67}) AddNote(&w, kReed, 2 * beat, 3.2f * beat, low, 0.4f);
  return FinishEffect(w);
}

Samples MakeMusic() {
  // Sixteen bars of 4/4 at 120 beats a minute in A minor: 32 s exactly.
  constexpr float kBeat = 0.5f;
  constexpr int kBars = 16;
  Wave w = Silence(kBars * 4 * kBeat);
  // Chord roots as MIDI notes, with minor (true) or major thirds.
  const std::pair<int, bool> chords[kBars] = {{57, true},  {53, false}, {48, false}, {55, false},
                                              {57, true},  {53, false}, {55, false}, {52, false},
                                              {53, false}, {55, false}, {48, false}, {57, true},
                                              {50, true},  {52, true},  {53, false}, {52, false}};
  const std::vector<Note> melody = {
      {0, 1.5f, 76},  {1.5f, 0.5f, 74},  {2, 1, 72},        {3, 1, 69},   // Am
      {4, 1, 72},     {5, 1.5f, 77},     {6.5f, 0.5f, 76},  {7, 1, 72},   // F
      {8, 1.5f, 76},  {9.5f, 0.5f, 79},  {10, 1, 76},       {11, 1, 72},  // C
      {12, 1, 74},    {13, 1, 71},       {14, 2, 67},                     // G
      {16, 0.5f, 69}, {16.5f, 0.5f, 72}, {17, 1, 76},       {18, 1.5f, 81},    {19.5f, 0.5f, 79},
      {20, 1, 77},    {21, 1, 76},       {22, 1, 72},       {23, 1, 69},        // F
      {24, 1, 71},    {25, 1, 74},       {26, 1, 79},       {27, 1, 77},        // G
      {28, 3, 76},    {31, 1, 68},                                              // E
      {32, 1.5f, 81}, {33.5f, 0.5f, 79}, {34, 1, 77},       {35, 1, 72},        // F
      {36, 1, 74},    {37, 1.5f, 79},    {38.5f, 0.5f, 77}, {39, 1, 74},        // G
      {40, 1, 76},    {41, 1, 79},       {42, 1.5f, 84},    {43.5f, 0.5f, 83},  // C
      {44, 2, 81},    {46, 1, 76},       {47, 1, 72},                           // Am
      {48, 1, 74},    {49, 1, 77},       {50, 1.5f, 81},    {51.5f, 0.5f, 79},  // Dm
      {52, 1, 79},    {53, 1, 76},       {54, 1, 71},       {55, 1, 76},        // Em
      {56, 1.5f, 77}, {57.5f, 0.5f, 76}, {58, 1, 74},       {59, 1, 72},        // F
      {60, 2, 71},    {62, 1, 68},       {63, 1, 71},                           // E
  };
  for (const Note& n : melody) {
    AddNote(&w, kLead, n.beat * kBeat, n.beats * kBeat - 0.04f, n.note, 0.34f, true);
  }
  for (int bar = 0; bar < kBars; ++bar) {
    auto [root, minor] = chords[bar];
    float start = bar * 4 * kBeat;
    // Bass: root, octave, fifth, octave, one octave down.
    const int steps[] = {0, 12, 7, 12};
    for (int beat = 0; beat < 4; ++beat) {
      AddNote(&w, kBass, start + beat * kBeat, kBeat * 0.8f, root - 12 + steps[beat], 0.42f, true);
    }
    for (int interval : {0, minor ? 3 : 4, 7}) {
      AddNote(&w, kPad, start, 4 * kBeat - 0.2f, root + 12 + interval, 0.07f, true);
    }
    // Light drums: a soft kick on one and three, a hat on every off-beat.
    for (int beat : {0, 2}) AddSweep(&w, start + beat * kBeat, 0.2f, 130, 48, 0.02f, 0.07f, 0.4f);
    for (int half = 0; half < 4; ++half) {
      AddNoise(
          &w, start + (half + 0.5f) * kBeat, 0.05f, 900u + uint32_t(bar * 4 + half),
          [](float) { return 0.95f; }, [](float t) { return 0.06f * std::exp(-t / 0.012f); });
    }
  }
  // The mean is removed over the whole loop, so the seam stays where the waveform is.
  float mean = 0;
  for (float v : w) mean += v;
  mean /= float(w.size());
  for (float& v : w) v -= mean;
  return Quantise(w, 0.8f);
}

std::vector<uint8_t> EncodeWav(const Samples& samples) {
  std::vector<uint8_t> out;
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(t[i]));
  };
  auto u16 = [&](uint32_t v) { PutLe16(&out, v); };
  auto u32 = [&](uint32_t v) { PutLe32(&out, v); };
  uint32_t data = uint32_t(samples.size());
  uint32_t pad = data & 1;  // chunks are word-aligned
  tag("RIFF");
  u32(4 + 8 + 16 + 8 + data + pad);
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(kSampleRate);
  u32(kSampleRate);  // bytes a second
  u16(1);            // block align
  u16(8);            // bits a sample
  tag("data");
  u32(data);
  out.insert(out.end(), samples.begin(), samples.end());
  if (pad) out.push_back(128);
  return out;
}

}  // namespace art
