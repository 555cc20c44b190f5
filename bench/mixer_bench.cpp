// The software mixer's load: eight looping 8-bit sounds at assorted rates, volumes and pans,
// resampled and mixed into one second of 44100 Hz stereo, pulled in 512-frame blocks as an
// audio device would. The game plays at most a handful at once, so this is the busy case; about
// a fifth of the sum lies above the limiter's knee, so its curve is measured too.
#include <benchmark/benchmark.h>

#include <dsound.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "host/headless/headless_host.h"

namespace {

LPDIRECTSOUNDBUFFER MakeTone(LPDIRECTSOUND sound, int index) {
  WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
  DSBUFFERDESC desc = {};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY | DSBCAPS_STATIC;
  desc.dwBufferBytes = 11025;
  desc.lpwfxFormat = &format;
  LPDIRECTSOUNDBUFFER buffer = nullptr;
  sound->CreateSoundBuffer(&desc, &buffer, nullptr);
  LPVOID data = nullptr;
  DWORD bytes = 0;
  buffer->Lock(0, 0, &data, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
  auto* samples = static_cast<uint8_t*>(data);
  for (DWORD i = 0; i < bytes; ++i)
    samples[i] = uint8_t(128 + 100 * std::sin(0.05 * (index + 1) * double(i)));
  buffer->Unlock(data, bytes, nullptr, 0);
  buffer->SetFrequency(8000 + 2000 * DWORD(index));
  buffer->SetVolume(-300 * index);
  buffer->SetPan(-4000 + 1000 * index);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  return buffer;
}

void MixEightSoundsForOneSecond(benchmark::State& state) {
  host::headless::HeadlessHost headless(0, 44100);
  host::Install(&headless);
  LPDIRECTSOUND sound = nullptr;
  DirectSoundCreate(nullptr, &sound, nullptr);
  std::vector<LPDIRECTSOUNDBUFFER> buffers;
  for (int i = 0; i < 8; ++i) buffers.push_back(MakeTone(sound, i));

  constexpr size_t kBlock = 512;
  std::vector<int16_t> out(kBlock * 2);
  for (auto _ : state) {
    for (size_t done = 0; done < 44100; done += kBlock) {
      headless.RenderAudio(out.data(), std::min(kBlock, 44100 - done));
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * 44100);

  for (LPDIRECTSOUNDBUFFER buffer : buffers) buffer->Release();
  sound->Release();
  host::Install(nullptr);
}
BENCHMARK(MixEightSoundsForOneSecond)->Unit(benchmark::kMicrosecond);

}  // namespace
