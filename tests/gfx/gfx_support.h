// Shared by the graphics tests: a started 800 x 600 display, pixel access, a host that
// reports each sleep, and small files in a temporary folder.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/app_shell.h"
#include "gfx/display.h"
#include "platform/fault.h"
#include "platform/host/headless_host.h"

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

// The headless host, with a hook run before every sleep (a frame wait's pause).
class SleepWatchHost : public host::HeadlessHost {
 public:
  using HeadlessHost::HeadlessHost;
  void Sleep(uint32_t ms) override {
    slept += ms;
    if (before_sleep) before_sleep();
    HeadlessHost::Sleep(ms);
  }
  uint32_t slept = 0;
  std::function<void()> before_sleep;
};

// Installs a host for one scope and puts the previous one back.
class ScopedHost {
 public:
  explicit ScopedHost(host::Host* replacement) : previous_(&host::Current()) {
    host::Install(replacement);
  }
  ~ScopedHost() { host::Install(previous_); }

 private:
  host::Host* previous_;
};

inline std::string TempPath(const std::string& name) { return testing::TempDir() + name; }

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
