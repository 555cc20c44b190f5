// The WAV and VOC loaders against real files and every kind of damage to them.
#include <cstring>

#include "sound_test_support.h"

namespace {

constexpr DWORD kGameFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;
// Layout of the sox tone: RIFF header 12, "fmt " chunk 24, data header at 36, samples at 44.
constexpr size_t kSamplesAt = 44;
constexpr size_t kSampleCount = 551;

using SoundFileTest = SoundSystemTest;

void PutDword(std::vector<char>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> (8 * i));
}

int LoadWaveBytes(const std::vector<char>& bytes) {
  return LoadWaveSound(WriteTempFile("sound-under-test.wav", bytes).c_str(), kGameFlags);
}

int LoadVocBytes(const std::vector<char>& bytes) {
  return LoadVocSound(WriteTempFile("sound-under-test.voc", bytes).c_str());
}

TEST_F(SoundFileTest, ASoxToneLoadsWithItsOwnBytesAndRate) {
  std::vector<char> file = ReadFile(TestData("wav-tone-11025.wav"));
  ASSERT_EQ(file.size(), kSamplesAt + kSampleCount + 1);  // odd data chunk, one pad byte
  int id = LoadWaveSound(TestData("wav-tone-11025.wav").c_str(), kGameFlags);
  ASSERT_EQ(id, 0);
  EXPECT_EQ(sound_slots[id].sample_rate, 11025);
  EXPECT_EQ(sound_slots[id].byte_count, int(kSampleCount));
  std::vector<uint8_t> expected(file.begin() + kSamplesAt,
                                file.begin() + kSamplesAt + kSampleCount);
  EXPECT_EQ(BufferBytes(id), expected);
  EXPECT_EQ(sound_buffer_desc.dwFlags, 0xEAu);
}

TEST_F(SoundFileTest, AListChunkBeforeTheDataIsSkipped) {
  std::vector<uint8_t> plain =
      BufferBytes(LoadWaveSound(TestData("wav-tone-11025.wav").c_str(), kGameFlags));
  int id = LoadWaveSound(TestData("wav-list-before-data.wav").c_str(), kGameFlags);
  ASSERT_EQ(id, 1);
  EXPECT_EQ(BufferBytes(id), plain);
}

TEST_F(SoundFileTest, ATruncatedFileLoadsWhatIsThereOrNothing) {
  std::vector<char> file = ReadFile(TestData("wav-tone-11025.wav"));
  // Every cut through the headers, then every tenth through the samples.
  for (size_t length = 0; length < file.size(); length += length < 64 ? 1 : 10) {
    SCOPED_TRACE(length);
    ASSERT_EQ(OpenSoundSystem(), 1);
    int id = LoadWaveBytes(std::vector<char>(file.begin(), file.begin() + length));
    // A buffer needs at least 4 bytes; a short data chunk plays what is there.
    if (length < kSamplesAt + DSBSIZE_MIN) {
      EXPECT_EQ(id, -1);
    } else {
      ASSERT_EQ(id, 0);
      EXPECT_EQ(sound_slots[id].byte_count, int(std::min(length - kSamplesAt, kSampleCount)));
    }
  }
}

TEST_F(SoundFileTest, WrongTagsAndMissingChunksAreRefused) {
  std::vector<char> file = ReadFile(TestData("wav-tone-11025.wav"));
  auto damaged = [&](size_t at, const char* text) {
    std::vector<char> copy = file;
    std::memcpy(copy.data() + at, text, std::strlen(text));
    return copy;
  };
  EXPECT_EQ(LoadWaveBytes(damaged(0, "RIFX")), -1);
  EXPECT_EQ(LoadWaveBytes(damaged(8, "AVI ")), -1);
  EXPECT_EQ(LoadWaveBytes(damaged(36, "dat ")), -1);
  EXPECT_EQ(LoadWaveBytes(damaged(20, "\x03")), -1);  // IEEE float, not PCM
  // The format is read from whatever chunk comes first: one before "fmt " spoils it.
  std::vector<char> list_first(file.begin(), file.begin() + 12);
  const char list[] = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
  list_first.insert(list_first.end(), list, list + sizeof(list));
  list_first.insert(list_first.end(), file.begin() + 12, file.end());
  PutDword(list_first, 4, uint32_t(list_first.size() - 8));
  EXPECT_EQ(LoadWaveBytes(list_first), -1);
  // An empty data chunk gives no buffer.
  std::vector<char> empty(file.begin(), file.begin() + kSamplesAt);
  PutDword(empty, 40, 0);
  EXPECT_EQ(LoadWaveBytes(empty), -1);
}

TEST_F(SoundFileTest, SizesPastTheEndOfTheFileAreCutToTheFile) {
  std::vector<char> file = ReadFile(TestData("wav-tone-11025.wav"));
  std::vector<char> riff_too_big = file;
  PutDword(riff_too_big, 4, 0xFFFFFFFF);
  EXPECT_EQ(LoadWaveBytes(riff_too_big), 0);
  std::vector<char> data_too_big = file;
  PutDword(data_too_big, 40, 0x7FFFFFF0);
  int id = LoadWaveBytes(data_too_big);
  ASSERT_EQ(id, 1);
  EXPECT_EQ(sound_slots[id].byte_count, int(kSampleCount + 1));  // the pad byte is in the file
  // A format chunk that claims the rest of the file hides the data chunk.
  std::vector<char> fmt_too_big = file;
  PutDword(fmt_too_big, 16, 0xFFFFFF00);
  EXPECT_EQ(LoadWaveBytes(fmt_too_big), -1);
  EXPECT_EQ(LoadWaveSound("no-such-file.wav", kGameFlags), -1);
}

TEST_F(SoundFileTest, ARecordingAtAnotherRateKeepsItsRateOnlyOnRecord) {
  std::vector<char> file = ReadFile(TestData("wav-tone-11025.wav"));
  PutDword(file, 24, 22050);
  int id = LoadWaveBytes(file);
  ASSERT_EQ(id, 0);
  EXPECT_EQ(sound_slots[id].sample_rate, 22050);
  EXPECT_EQ(sound_wave_format.nSamplesPerSec, 11025u);
}

TEST_F(SoundFileTest, AVoiceFileLoadsItsFirstBlock) {
  std::vector<char> file = ReadFile(TestData("voc-tone.voc"));
  ASSERT_EQ(file[20], 26);
  int id = LoadVocSound(TestData("voc-tone.voc").c_str());
  ASSERT_EQ(id, 0);
  EXPECT_EQ(sound_slots[id].byte_count, 112);
  EXPECT_EQ(sound_slots[id].sample_rate, 1000000 / (256 - 0xA5));
  std::vector<uint8_t> expected(file.begin() + 32, file.begin() + 32 + 110);
  EXPECT_EQ(BufferBytes(id), expected);
  EXPECT_EQ(LoadVocSound("no-such-file.voc"), -1);
}

TEST_F(SoundFileTest, ADamagedVoiceFileIsRefusedWithoutClaimingASlot) {
  std::vector<char> file = ReadFile(TestData("voc-tone.voc"));
  for (size_t length = 0; length < 26 + 6 + 110; length += length < 40 ? 1 : 10) {
    SCOPED_TRACE(length);
    EXPECT_EQ(LoadVocBytes(std::vector<char>(file.begin(), file.begin() + length)), -1);
  }
  EXPECT_EQ(LoadVocBytes(std::vector<char>(file.begin(), file.begin() + 141)), -1);
  for (int size : {0, 1}) {
    std::vector<char> small = file;
    small[27] = char(size);
    small[28] = small[29] = 0;
    EXPECT_EQ(LoadVocBytes(small), -1);
  }
  std::vector<char> far_block = file;
  far_block[20] = char(200);
  EXPECT_EQ(LoadVocBytes(far_block), -1);
  EXPECT_EQ(sound_slots[0].state, SOUND_SLOT_FREE);
}

}  // namespace
