#include <cstdlib>

#include "sound_test_support.h"

namespace {

constexpr DWORD kGameFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;

using SoundModuleTest = SoundSystemTest;

LONG VolumeOf(int id) {
  LONG volume = 1;
  EXPECT_EQ(sound_slots[id].buffer->GetVolume(&volume), DS_OK);
  return volume;
}

TEST_F(SoundModuleTest, IdsAreDenseFromZeroAndTheSixtyFifthLoadFails) {
  std::string tone = TestData("wav-tone-11025.wav");
  for (int expected = 0; expected < SOUND_SLOT_COUNT; ++expected)
    ASSERT_EQ(LoadWaveSound(tone.c_str(), kGameFlags), expected);
  EXPECT_EQ(LoadWaveSound(tone.c_str(), kGameFlags), -1);
  EXPECT_EQ(sound_slots[63].slot_index, 63);

  // An unloaded slot stays claimed until the system is reopened.
  UnloadSound(5);
  EXPECT_EQ(LoadWaveSound(tone.c_str(), kGameFlags), -1);
  ASSERT_EQ(OpenSoundSystem(), 1);
  EXPECT_EQ(LoadWaveSound(tone.c_str(), kGameFlags), 0);
}

TEST_F(SoundModuleTest, RestartingAPlayingSoundRewindsItAndNeverDoublesIt) {
  int id = LoadWaveSound(TestData("wav-tone-11025.wav").c_str(), kGameFlags);
  ASSERT_EQ(id, 0);
  ASSERT_EQ(StartSound(id, 0), 1);
  std::vector<int16_t> first = Render(400);
  EXPECT_EQ(GetSoundStatus(id), DSBSTATUS_PLAYING);
  DWORD played = 0;
  sound_slots[id].buffer->GetCurrentPosition(&played, nullptr);
  EXPECT_EQ(played, 100u);  // 400 frames at 44100 Hz are 100 samples at 11025 Hz

  ASSERT_EQ(StartSound(id, 0), 1);
  std::vector<int16_t> again = Render(400);
  EXPECT_EQ(again, first);  // one copy from the start, not two summed
}

TEST_F(SoundModuleTest, VolumeMapsToHundredthsOfADecibelAndAboveOneHundredIsRefused) {
  int id = LoadWaveSound(TestData("wav-tone-11025.wav").c_str(), kGameFlags);
  EXPECT_EQ(VolumeOf(id), 0);
  EXPECT_EQ(SetSoundVolume(id, 110), 0);
  EXPECT_EQ(VolumeOf(id), 0);
  EXPECT_EQ(SetSoundVolume(id, 80), 1);
  EXPECT_EQ(VolumeOf(id), -600);
  EXPECT_EQ(SetSoundVolume(id, 130), 0);
  EXPECT_EQ(VolumeOf(id), -600);
  EXPECT_EQ(SetSoundVolume(id, 0), 1);
  EXPECT_EQ(VolumeOf(id), -3000);

  // Quiet is not silent: -30 dB of the tone still reaches the output.
  StartSound(id, 0);
  std::vector<int16_t> out = Render(800);
  int peak = 0;
  for (int16_t s : out) peak = std::max(peak, std::abs(int(s)));
  EXPECT_GT(peak, 300);
  EXPECT_LT(peak, 1500);
}

TEST_F(SoundModuleTest, IdsOutsideTheTableOrWithoutABufferDoNothing) {
  for (int id : {-1, 64, 1000}) {
    EXPECT_EQ(StartSound(id, 0), 0);
    EXPECT_EQ(StopSound(id), 0);
    EXPECT_EQ(UnloadSound(id), 0);
    EXPECT_EQ(SetSoundVolume(id, 50), 0);
    EXPECT_EQ(SetSoundFrequency(id, 22050), 0);
    EXPECT_EQ(SetSoundPan(id, 100), 0);
    EXPECT_EQ(GetSoundStatus(id), -1);
    EXPECT_EQ(DuplicateSound(id), -1);
  }
  // An empty slot: start, stop and unload report success, the rest failure.
  EXPECT_EQ(StartSound(3, 0), 1);
  EXPECT_EQ(StopSound(3), 1);
  EXPECT_EQ(UnloadSound(3), 1);
  EXPECT_EQ(SetSoundVolume(3, 50), 0);
  EXPECT_EQ(GetSoundStatus(3), -1);
}

TEST_F(SoundModuleTest, ADuplicateSharesTheSampleButKeepsItsOwnSettings) {
  int id = LoadWaveSound(TestData("wav-tone-11025.wav").c_str(), kGameFlags);
  int copy = DuplicateSound(id);
  ASSERT_EQ(copy, 1);
  EXPECT_EQ(sound_slots[copy].slot_index, 1);
  EXPECT_EQ(sound_slots[copy].byte_count, sound_slots[id].byte_count);
  EXPECT_EQ(BufferBytes(copy), BufferBytes(id));

  EXPECT_EQ(SetSoundVolume(copy, 0), 1);
  EXPECT_EQ(VolumeOf(id), 0);
  EXPECT_EQ(SetSoundFrequency(copy, 22050), 1);
  StartSound(copy, 0);
  EXPECT_EQ(GetSoundStatus(id), 0);
  EXPECT_EQ(GetSoundStatus(copy), DSBSTATUS_PLAYING);

  platform::FailCall("IDirectSound::DuplicateSoundBuffer");
  EXPECT_EQ(DuplicateSound(id), -1);
  EXPECT_EQ(sound_slots[2].state, SOUND_SLOT_FREE);
  EXPECT_EQ(sound_slots[2].buffer, nullptr);
}

TEST_F(SoundModuleTest, RefusalsDuringALoadFollowTheSlotRules) {
  std::string tone = TestData("wav-tone-11025.wav");
  // Buffer creation refused: -1, the slot stays claimed without a buffer.
  platform::FailCall("IDirectSound::CreateSoundBuffer");
  EXPECT_EQ(LoadWaveSound(tone.c_str(), kGameFlags), -1);
  EXPECT_EQ(sound_slots[0].state, SOUND_SLOT_LOADED);
  EXPECT_EQ(sound_slots[0].buffer, nullptr);
  // Lock refused: -1, the slot keeps its buffer.
  platform::FailCall("IDirectSoundBuffer::Lock");
  EXPECT_EQ(LoadWaveSound(tone.c_str(), kGameFlags), -1);
  EXPECT_EQ(sound_slots[1].state, SOUND_SLOT_LOADED);
  EXPECT_NE(sound_slots[1].buffer, nullptr);
  // The file cannot be opened: nothing is claimed.
  platform::FailCall("mmioOpenA");
  EXPECT_EQ(LoadWaveSound(tone.c_str(), kGameFlags), -1);
  EXPECT_EQ(LoadWaveSound(tone.c_str(), kGameFlags), 2);
  // A refused play reports 0.
  platform::FailCall("IDirectSoundBuffer::Play");
  EXPECT_EQ(StartSound(2, 0), 0);
}

TEST_F(SoundModuleTest, WithoutDirectSoundEverythingIsSilentAndSafe) {
  CloseSoundSystem();
  sound_first_open = 1;
  platform::FailCall("DirectSoundCreate");
  EXPECT_EQ(OpenSoundSystem(), 0);
  EXPECT_EQ(LoadWaveSound(TestData("wav-tone-11025.wav").c_str(), kGameFlags), -1);
  EXPECT_EQ(LoadVocSound(TestData("voc-tone.voc").c_str()), -1);
  EXPECT_EQ(StartSound(0, DSBPLAY_LOOPING), 1);
  EXPECT_EQ(SetSoundVolume(0, 100), 0);
  EXPECT_EQ(CloseSoundSystem(), 1);
}

TEST_F(SoundModuleTest, ClosingReleasesBuffersAndTheDevice) {
  int id = LoadWaveSound(TestData("wav-tone-11025.wav").c_str(), kGameFlags);
  StartSound(id, DSBPLAY_LOOPING);
  EXPECT_EQ(CloseSoundSystem(), 1);
  EXPECT_EQ(sound_slots[id].buffer, nullptr);
  EXPECT_EQ(sound_device, nullptr);
  // Nothing is left feeding the output.
  std::vector<int16_t> out = Render(64);
  EXPECT_EQ(out, std::vector<int16_t>(128, 0));
}

}  // namespace
