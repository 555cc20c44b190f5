// The narrow interface between the platform stand-ins and the machine they run on.
// Two implementations: headless (virtual clock, scripted input, pages kept in memory)
// and SDL2 (a real window, keyboard, joystick and audio device).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace host {

struct Rgb {
  uint8_t r, g, b;
};

struct Joystick {
  bool present = false;
  std::string name;
  int32_t axis_x = 0;  // raw, -32768..32767; the input stand-in scales to the range set
  int32_t axis_y = 0;
  uint8_t buttons[32] = {};  // 0x80 = pressed
};

// Pulled by the host's audio output for 16-bit interleaved stereo frames.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  virtual void Mix(int16_t* stereo, size_t frames) = 0;
};

class Host {
 public:
  virtual ~Host() = default;

  // The window. OpenWindow returns false when no window can be made.
  virtual bool OpenWindow(const char* title, int width, int height) = 0;
  virtual void CloseWindow() = 0;
  virtual void ShowCursor(bool visible) = 0;

  // Monotonic millisecond clock (wraps at 2^32) and a sleep.
  virtual uint32_t Ticks() = 0;
  virtual void Sleep(uint32_t ms) = 0;

  // Takes pending events; returns true when the user asked to close the window.
  virtual bool PumpEvents() = 0;

  // Keyboard by DirectInput scan code (DIK_*), and the first joystick.
  virtual bool KeyDown(uint8_t scan_code) = 0;
  virtual Joystick ReadJoystick() = 0;

  // Shows an 8-bit page through its 256-colour palette.
  virtual void Present(const uint8_t* pixels, int pitch, int width, int height,
                       const Rgb* palette) = 0;

  // Audio output: the rate in Hz (0 = no device), and the source it pulls from.
  virtual int AudioRate() = 0;
  virtual void SetAudioSource(AudioSource* source) = 0;
};

// The host in use. Set once by the program's main before anything else runs.
Host& Current();
void Install(Host* host);

}  // namespace host
