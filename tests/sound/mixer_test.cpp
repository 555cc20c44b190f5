// The DirectSound stand-in and its mixer, heard through the headless host's audio output.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "sound_test_support.h"

namespace {

constexpr DWORD kAllControls = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;

class MixerTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::ResetFaults();
    ASSERT_EQ(DirectSoundCreate(nullptr, &sound_, nullptr), DS_OK);
    ASSERT_EQ(sound_->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DS_OK);
  }
  void TearDown() override {
    for (LPDIRECTSOUNDBUFFER buffer : buffers_) buffer->Release();
    sound_->Release();
  }

  // A buffer holding `bytes` in the given format, at `rate` Hz.
  LPDIRECTSOUNDBUFFER MakeBuffer(const std::vector<uint8_t>& bytes, int channels = 1, int bits = 8,
                                 DWORD rate = 11025) {
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = WORD(channels);
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = WORD(bits);
    format.nBlockAlign = WORD(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    DSBUFFERDESC desc = {};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = kAllControls | DSBCAPS_STATIC;
    desc.dwBufferBytes = DWORD(bytes.size());
    desc.lpwfxFormat = &format;
    LPDIRECTSOUNDBUFFER buffer = nullptr;
    EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
    LPVOID part = nullptr;
    DWORD part_bytes = 0;
    EXPECT_EQ(buffer->Lock(0, 0, &part, &part_bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER),
              DS_OK);
    std::memcpy(part, bytes.data(), part_bytes);
    EXPECT_EQ(buffer->Unlock(part, part_bytes, nullptr, 0), DS_OK);
    buffers_.push_back(buffer);
    return buffer;
  }

  // An 8-bit square wave at full scale, 50 samples per half period.
  LPDIRECTSOUNDBUFFER FullScaleSquare() {
    std::vector<uint8_t> bytes(2000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = (i / 50) % 2 ? 0x00 : 0xFF;
    return MakeBuffer(bytes);
  }

  LPDIRECTSOUND sound_ = nullptr;
  std::vector<LPDIRECTSOUNDBUFFER> buffers_;
};

int Peak(const std::vector<int16_t>& out, int channel) {
  int peak = 0;
  for (size_t i = channel; i < out.size(); i += 2) peak = std::max(peak, std::abs(int(out[i])));
  return peak;
}

TEST_F(MixerTest, MinusSixDecibelsHalvesTheAmplitude) {
  LPDIRECTSOUNDBUFFER buffer = FullScaleSquare();
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  int full = Peak(Render(2000), 0);
  EXPECT_GE(full, 32500);
  buffer->Stop();
  ASSERT_EQ(buffer->SetVolume(-600), DS_OK);
  buffer->SetCurrentPosition(0);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  int half = Peak(Render(2000), 0);
  EXPECT_NEAR(double(half) / full, 0.5, 0.005);
}

TEST_F(MixerTest, APositiveVolumeIsRefusedAndTheLevelKept) {
  LPDIRECTSOUNDBUFFER buffer = FullScaleSquare();
  ASSERT_EQ(buffer->SetVolume(-1000), DS_OK);
  EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetVolume(-10001), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetPan(10001), DSERR_INVALIDPARAM);
  LONG volume = 0;
  buffer->GetVolume(&volume);
  EXPECT_EQ(volume, -1000);
}

TEST_F(MixerTest, ALoopRunsOnAcrossItsEndWithoutAJump) {
  // One period of a cosine: the loop point sits on the crest, where a drop would show.
  std::vector<uint8_t> bytes(100);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = uint8_t(128 + std::lround(127 * std::cos(2 * std::numbers::pi * i / 100.0)));
  LPDIRECTSOUNDBUFFER buffer = MakeBuffer(bytes);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  std::vector<int16_t> out = Render(4000);  // ten times round the loop
  int biggest_step = 0;
  for (size_t i = 2; i < out.size(); i += 2)
    biggest_step = std::max(biggest_step, std::abs(out[i] - out[i - 2]));
  // The steepest part of the wave moves about 2 pi * 32512 / 400 = 511 per output frame (a
  // little more after 8-bit rounding); falling off the crest at the loop point would be
  // thousands.
  EXPECT_LT(biggest_step, 1000);
  DWORD status = 0;
  buffer->GetStatus(&status);
  EXPECT_EQ(status, DWORD(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
}

TEST_F(MixerTest, TwoSoundsAddUpAndTheSumSaturates) {
  LPDIRECTSOUNDBUFFER low = MakeBuffer(std::vector<uint8_t>(400, 0xA0));   // +8192
  LPDIRECTSOUNDBUFFER high = MakeBuffer(std::vector<uint8_t>(400, 0xC0));  // +16384
  low->Play(0, 0, DSBPLAY_LOOPING);
  high->Play(0, 0, DSBPLAY_LOOPING);
  std::vector<int16_t> out = Render(100);
  EXPECT_EQ(out[100], 8192 + 16384);
  EXPECT_EQ(out[101], 8192 + 16384);

  // Two full-scale sources clip at the rails instead of wrapping round.
  MakeBuffer(std::vector<uint8_t>(400, 0xFF))->Play(0, 0, DSBPLAY_LOOPING);
  EXPECT_EQ(Render(10)[4], 32767);
  low->Stop();
  high->Stop();
  buffers_.back()->Stop();
  MakeBuffer(std::vector<uint8_t>(400, 0x00))->Play(0, 0, DSBPLAY_LOOPING);
  MakeBuffer(std::vector<uint8_t>(400, 0x00))->Play(0, 0, DSBPLAY_LOOPING);
  EXPECT_EQ(Render(10)[4], -32768);
}

TEST_F(MixerTest, PanHardRightSilencesTheLeftChannel) {
  LPDIRECTSOUNDBUFFER buffer = FullScaleSquare();
  ASSERT_EQ(buffer->SetPan(DSBPAN_RIGHT), DS_OK);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  std::vector<int16_t> out = Render(1000);
  EXPECT_EQ(Peak(out, 0), 0);
  EXPECT_GE(Peak(out, 1), 32500);

  // Half-way right lowers the left by the pan in hundredths of a decibel.
  buffer->Stop();
  buffer->SetPan(600);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  out = Render(1000);
  EXPECT_NEAR(double(Peak(out, 0)) / Peak(out, 1), 0.5, 0.005);
}

TEST_F(MixerTest, AOneShotStopsAtItsEndAndFallsSilent) {
  LPDIRECTSOUNDBUFFER buffer = MakeBuffer(std::vector<uint8_t>(441, 0xC0));
  buffer->Play(0, 0, 0);
  std::vector<int16_t> out = Render(441 * 4 + 100);
  DWORD status = 1;
  buffer->GetStatus(&status);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(out[2 * 100], 16384);
  EXPECT_EQ(out[2 * (441 * 4 + 50)], 0);
  DWORD play = 1;
  buffer->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 0u);
}

TEST_F(MixerTest, AVolumeChangeWhilePlayingGlidesInsteadOfClicking) {
  LPDIRECTSOUNDBUFFER buffer = MakeBuffer(std::vector<uint8_t>(400, 0xC0));
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  Render(10);
  buffer->SetVolume(-3000);
  std::vector<int16_t> out = Render(441);
  EXPECT_GT(out[0], 16000);  // still nearly the old level
  for (size_t i = 2; i < out.size(); i += 2) EXPECT_LE(std::abs(out[i] - out[i - 2]), 100);
  EXPECT_NEAR(out[2 * 440], 16384 * std::pow(10.0, -1.5), 1.0);  // reached within ~5 ms
}

TEST_F(MixerTest, SixteenBitStereoKeepsChannelsAndInterpolatesBetweenSamples) {
  // Left climbs 4000 a sample; right stays at -1000.
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 8; ++i) {
    for (int16_t value : {int16_t(4000 * i), int16_t(-1000)}) {
      bytes.push_back(uint8_t(value & 0xFF));
      bytes.push_back(uint8_t((value >> 8) & 0xFF));
    }
  }
  LPDIRECTSOUNDBUFFER buffer = MakeBuffer(bytes, 2, 16);
  buffer->Play(0, 0, 0);
  std::vector<int16_t> out = Render(12);
  for (int frame = 0; frame < 12; ++frame) {
    EXPECT_EQ(out[2 * frame], 1000 * frame);
    EXPECT_EQ(out[2 * frame + 1], -1000);
  }
  // Twice the frequency plays twice as fast.
  buffer->SetCurrentPosition(0);
  ASSERT_EQ(buffer->SetFrequency(22050), DS_OK);
  buffer->Play(0, 0, 0);
  out = Render(4);
  EXPECT_EQ(out[2 * 3], 6000);
}

TEST_F(MixerTest, LockHandsOutTwoRegionsAcrossTheEnd) {
  LPDIRECTSOUNDBUFFER buffer = MakeBuffer(std::vector<uint8_t>(16, 0x80));
  LPVOID part1 = nullptr;
  LPVOID part2 = nullptr;
  DWORD bytes1 = 0;
  DWORD bytes2 = 0;
  ASSERT_EQ(buffer->Lock(12, 10, &part1, &bytes1, &part2, &bytes2, 0), DS_OK);
  EXPECT_EQ(bytes1, 4u);
  EXPECT_EQ(bytes2, 6u);
  auto* start = static_cast<uint8_t*>(part2);
  EXPECT_EQ(part1, start + 12);
  ASSERT_EQ(buffer->Unlock(part1, bytes1, part2, bytes2), DS_OK);

  ASSERT_EQ(buffer->SetCurrentPosition(8), DS_OK);
  ASSERT_EQ(buffer->Lock(0, 8, &part1, &bytes1, &part2, &bytes2, DSBLOCK_FROMWRITECURSOR), DS_OK);
  EXPECT_EQ(part1, start + 8);
  EXPECT_EQ(bytes1, 8u);
  EXPECT_EQ(part2, nullptr);
  EXPECT_EQ(bytes2, 0u);

  EXPECT_EQ(buffer->Lock(0, 17, &part1, &bytes1, &part2, &bytes2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(16, 1, &part1, &bytes1, &part2, &bytes2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetCurrentPosition(16), DSERR_INVALIDPARAM);
  uint8_t elsewhere[4];
  EXPECT_EQ(buffer->Unlock(elsewhere, 4, nullptr, 0), DSERR_INVALIDPARAM);
}

}  // namespace
