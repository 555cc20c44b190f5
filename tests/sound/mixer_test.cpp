// The DirectSound stand-in and its mixer, heard through the headless host's audio output.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "platform/limiter.h"
#include "platform/mixer.h"
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
    platform::SharedMixer().SetOutputLevels(100, 100);
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

  // An 8-bit square wave, 50 samples per half period, at +-20480 (under the limiter's knee)
  // or at full scale.
  LPDIRECTSOUNDBUFFER Square(bool full_scale = false) {
    std::vector<uint8_t> bytes(2000);
    for (size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = (i / 50) % 2 ? (full_scale ? 0x00 : 0x30) : (full_scale ? 0xFF : 0xD0);
    return MakeBuffer(bytes);
  }

  // A 16-bit mono buffer at the output rate, so that what it holds is what is heard.
  LPDIRECTSOUNDBUFFER MakeBuffer16(const std::vector<int16_t>& samples, DWORD rate = 44100) {
    std::vector<uint8_t> bytes;
    for (int16_t value : samples) {
      bytes.push_back(uint8_t(value & 0xFF));
      bytes.push_back(uint8_t((value >> 8) & 0xFF));
    }
    return MakeBuffer(bytes, 1, 16, rate);
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
  LPDIRECTSOUNDBUFFER buffer = Square();
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  int full = Peak(Render(2000), 0);
  EXPECT_EQ(full, 20480);
  buffer->Stop();
  ASSERT_EQ(buffer->SetVolume(-600), DS_OK);
  buffer->SetCurrentPosition(0);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  int half = Peak(Render(2000), 0);
  EXPECT_NEAR(double(half) / full, 0.5, 0.005);
}

TEST_F(MixerTest, APositiveVolumeIsRefusedAndTheLevelKept) {
  LPDIRECTSOUNDBUFFER buffer = Square();
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

TEST_F(MixerTest, ASumUnderMinusThreeDecibelsComesOutExactly) {
  MakeBuffer(std::vector<uint8_t>(400, 0xA0))->Play(0, 0, DSBPLAY_LOOPING);  // +8192
  MakeBuffer(std::vector<uint8_t>(400, 0xB0))->Play(0, 0, DSBPLAY_LOOPING);  // +12288
  std::vector<int16_t> out = Render(100);
  EXPECT_EQ(out[100], 8192 + 12288);
  EXPECT_EQ(out[101], 8192 + 12288);
  for (LPDIRECTSOUNDBUFFER buffer : buffers_) buffer->Stop();

  // A sine peaking just under the knee, sample for sample.
  std::vector<int16_t> sine(1000);
  for (size_t i = 0; i < sine.size(); ++i)
    sine[i] = int16_t(std::lround(23190 * std::sin(2 * std::numbers::pi * double(i) / 97)));
  MakeBuffer16(sine)->Play(0, 0, 0);
  out = Render(sine.size());
  for (size_t i = 0; i < sine.size(); ++i) {
    ASSERT_EQ(out[2 * i], sine[i]) << i;
    ASSERT_EQ(out[2 * i + 1], sine[i]) << i;
  }
}

TEST_F(MixerTest, ASumThatWouldClipIsBentUnderFullScale) {
  // Three full-scale squares in step: three times over the top at both rails.
  for (int i = 0; i < 3; ++i) Square(true)->Play(0, 0, DSBPLAY_LOOPING);
  std::vector<int16_t> out = Render(2000);
  auto [low, high] = std::minmax_element(out.begin(), out.end());
  EXPECT_EQ(*high, int(std::lrint(platform::Limit(3 * 32512.0f))));
  EXPECT_EQ(*low, int(std::lrint(platform::Limit(3 * -32768.0f))));
  EXPECT_GT(*high, 32400);  // bent close under the ceiling, not scaled down
  EXPECT_LE(*high, 32766);
  EXPECT_GE(*low, -32766);
}

TEST_F(MixerTest, ASwellingToneCrossesTheKneeWithoutAJump) {
  // Two voices of one sine swelling from 8000 to 32000 each: the sum passes the knee near
  // its start and goes to twice full scale. Bent, no step may be larger than the sum's own.
  std::vector<int16_t> tone(8820);
  for (size_t i = 0; i < tone.size(); ++i) {
    double amplitude = 8000 + 24000 * double(i) / double(tone.size());
    tone[i] = int16_t(std::lround(amplitude * std::sin(2 * std::numbers::pi * double(i) / 50)));
  }
  MakeBuffer16(tone)->Play(0, 0, 0);
  MakeBuffer16(tone)->Play(0, 0, 0);
  std::vector<int16_t> out = Render(tone.size());
  for (size_t i = 1; i < tone.size(); ++i) {
    int sum_step = 2 * std::abs(tone[i] - tone[i - 1]);
    ASSERT_LE(std::abs(out[2 * i] - out[2 * i - 2]), sum_step + 1) << i;
  }
  EXPECT_GT(Peak(out, 0), 32000);
}

TEST_F(MixerTest, PanHardRightSilencesTheLeftChannel) {
  LPDIRECTSOUNDBUFFER buffer = Square();
  ASSERT_EQ(buffer->SetPan(DSBPAN_RIGHT), DS_OK);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  std::vector<int16_t> out = Render(1000);
  EXPECT_EQ(Peak(out, 0), 0);
  EXPECT_EQ(Peak(out, 1), 20480);

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

TEST_F(MixerTest, OutputLevelsActOnTheSquareAndTheMusicLevelOnlyOnTheLoop) {
  // The music (looping) alone on the left, an effect alone on the right, both at 16384.
  LPDIRECTSOUNDBUFFER music = MakeBuffer(std::vector<uint8_t>(400, 0xC0));
  LPDIRECTSOUNDBUFFER effect = MakeBuffer(std::vector<uint8_t>(44100, 0xC0));
  music->SetPan(DSBPAN_LEFT);
  effect->SetPan(DSBPAN_RIGHT);
  music->Play(0, 0, DSBPLAY_LOOPING);
  effect->Play(0, 0, 0);
  // Levels after the 5 ms glide, left and right.
  auto settled = [](int master, int music_level) {
    platform::SharedMixer().SetOutputLevels(master, music_level);
    std::vector<int16_t> out = Render(300);
    return std::pair{int(out[2 * 299]), int(out[2 * 299 + 1])};
  };
  EXPECT_EQ(settled(100, 100), std::pair(16384, 16384));

  platform::SharedMixer().SetOutputLevels(100, 50);
  std::vector<int16_t> out = Render(300);
  for (size_t i = 1; i < 300; ++i) {
    ASSERT_LE(std::abs(out[2 * i] - out[2 * i - 2]), 60) << "the music clicks at " << i;
    ASSERT_EQ(out[2 * i + 1], 16384) << "the effect moved at " << i;
  }
  EXPECT_EQ(out[2 * 299], 16384 / 4);

  EXPECT_EQ(settled(50, 50), std::pair(16384 / 16, 16384 / 4));
  EXPECT_EQ(settled(0, 100), std::pair(0, 0));
  effect->Play(0, 0, DSBPLAY_LOOPING);  // played on as a loop, it is music now
  EXPECT_EQ(settled(100, 50), std::pair(16384 / 4, 16384 / 4));
  effect->Play(0, 0, 0);
  EXPECT_EQ(settled(250, -5), std::pair(0, 16384));  // clamped to 100 and 0
  EXPECT_EQ(settled(100, 100), std::pair(16384, 16384));
}

TEST_F(MixerTest, ALoopReadsItsFirstFrameAfterItsLastAtAnyRate) {
  // Frames 0, 4000, 8000, 12000 looping, in blocks of 7 frames so that passes end anywhere.
  LPDIRECTSOUNDBUFFER buffer = MakeBuffer16({0, 4000, 8000, 12000}, 11025);
  auto render = [](size_t frames) {
    std::vector<int16_t> left;
    while (left.size() < frames) {
      std::vector<int16_t> block = Render(7);
      for (size_t i = 0; i < block.size(); i += 2) left.push_back(block[i]);
    }
    left.resize(frames);
    return left;
  };
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  // Four output frames a source frame; the last one glides back towards the first.
  std::vector<int16_t> expected;
  for (int lap = 0; lap < 3; ++lap) {
    for (int k = 0; k < 12; ++k) expected.push_back(int16_t(1000 * k));
    for (int k = 0; k < 4; ++k) expected.push_back(int16_t(12000 - 3000 * k));
  }
  EXPECT_EQ(render(48), expected);

  // Three source frames an output frame: three steps in four pass the end.
  buffer->Stop();
  buffer->SetCurrentPosition(0);
  buffer->SetFrequency(3 * 44100);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  EXPECT_EQ(render(8), (std::vector<int16_t>{0, 12000, 8000, 4000, 0, 12000, 8000, 4000}));
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
