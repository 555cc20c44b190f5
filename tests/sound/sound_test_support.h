// Shared by the sound tests: the headless host's audio, files written for a test, and a fresh
// sound system per test.
#pragma once
#include "support/temp_path.h"
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/fault.h"
#include "host/headless/headless_host.h"
#include "sound/sound.h"

inline host::headless::HeadlessHost& Headless() {
  return static_cast<host::headless::HeadlessHost&>(host::Current());
}

// Interleaved stereo frames pulled from the mixer, as the host's audio output would.
inline std::vector<int16_t> Render(size_t frames) {
  std::vector<int16_t> out(frames * 2);
  Headless().RenderAudio(out.data(), frames);
  return out;
}

inline std::vector<char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string WriteTempFile(const std::string& name, const std::vector<char>& bytes) {
  std::string path = TempPath(name);
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  return path;
}

inline std::string TestData(const char* name) {
  return std::string(FERROWYN_TEST_DATA "/") + name;
}

class SoundSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::ResetFaults();
    CloseSoundSystem();
    sound_first_open = 1;
    ASSERT_EQ(OpenSoundSystem(), 1);
  }
  void TearDown() override {
    platform::ResetFaults();
    CloseSoundSystem();
  }
};

// The sample bytes a slot's buffer holds.
inline std::vector<uint8_t> BufferBytes(int id) {
  LPVOID part1 = nullptr;
  DWORD bytes1 = 0;
  LPDIRECTSOUNDBUFFER buffer = sound_slots[id].buffer;
  if (!buffer ||
      buffer->Lock(0, 0, &part1, &bytes1, nullptr, nullptr, DSBLOCK_ENTIREBUFFER) != DS_OK)
    return {};
  std::vector<uint8_t> copy(static_cast<uint8_t*>(part1), static_cast<uint8_t*>(part1) + bytes1);
  buffer->Unlock(part1, bytes1, nullptr, 0);
  return copy;
}
