// Shared by the graphics tests: a started 800 x 600 display, pixel access, a host that
// reports each frame-clock step, and files in the test's temporary folder.
#pragma once
#include "support/temp_path.h"
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "shell/app_shell.h"
#include "gfx/display.h"
#include "platform/fault.h"
#include "host/headless/headless_host.h"

class DisplayTest : public testing::Test {
 protected:
  void SetUp() override {
    main_window = reinterpret_cast<HWND>(1);
    ASSERT_EQ(StartDisplay(800, 600, 8), 1);
  }
  void TearDown() override {
    StopDisplay();
    platform::ResetFaults();
  }
};

inline UCHAR PixelAt(LPDIRECTDRAWSURFACE surface, int x, int y) {
  int pitch = 0;
  UCHAR* pixels = LockSurface(surface, &pitch);
  UCHAR value = pixels[y * pitch + x];
  UnlockSurface(surface, pixels);
  return value;
}

// The headless host for one scope; on_step runs at the first sleep after each new mark.
class StepWatchHost : public host::headless::HeadlessHost {
 public:
  explicit StepWatchHost(uint32_t start_tick = 0) : HeadlessHost(start_tick) {
    host::Install(this);
  }
  ~StepWatchHost() override { host::Install(previous_); }
  void Sleep(uint32_t ms) override {
    slept += ms;
    if (steps == 0 || frame_start_tick != mark_) ++steps, on_step();
    mark_ = frame_start_tick;
    HeadlessHost::Sleep(ms);
  }
  uint32_t slept = 0;
  int steps = 0;
  std::function<void()> on_step = [] {};

 private:
  host::Host* previous_ = &host::Current();
  DWORD mark_ = 0;
};

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}
