// The narrow interface between the platform stand-ins and the machine they run on.
// Three implementations, a folder each beside this file: headless (virtual clock, scripted
// input, pages kept in memory), sdl (a real window, keyboard, joystick and audio device) and
// web (a canvas, the keyboard, the Gamepad API and Web Audio in a browser).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace host {

struct Rgb {
  uint8_t r, g, b;
};

// Columns [left, right) of rows [top, bottom) of a page.
struct Rect {
  int left, top, right, bottom;
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
  // Writes `frames` frames (twice as many samples); may be called from another thread.
  virtual void Mix(int16_t* stereo, size_t frames) = 0;
};

class Host {
 public:
  virtual ~Host() = default;

  // Opens the game's window titled `title` for a page of this size; false when none can be made.
  virtual bool OpenWindow(const char* title, int width, int height) = 0;
  // Closes the window if one is open; the host stays usable.
  virtual void CloseWindow() = 0;
  // Shows or hides the pointer over the window.
  virtual void ShowCursor(bool visible) = 0;

  // Milliseconds, never going back (wraps at 2^32).
  virtual uint32_t Ticks() = 0;
  // Gives up the processor for about `ms` milliseconds (0: at least a moment).
  virtual void Sleep(uint32_t ms) = 0;

  // Takes pending events; returns true when the user asked to close the window.
  virtual bool PumpEvents() = 0;

  // Whether the key with this DirectInput scan code (DIK_*) is held, as of the last pump.
  virtual bool KeyDown(uint8_t scan_code) = 0;
  // The first joystick as it is now; `present` false when there is none.
  virtual Joystick ReadJoystick() = 0;

  // Shows an 8-bit page through its 256-colour palette; both are copied before it returns.
  // `changed` holds every place where the page may differ from the one this host was given
  // before (more is harmless); nullptr when that is not known.
  virtual void Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette,
                       const std::vector<Rect>* changed) = 0;

  // The output rate in Hz; 0 when there is no device.
  virtual int AudioRate() = 0;
  // What the output pulls from (nullptr: silence); the old source is never called again once
  // this returns.
  virtual void SetAudioSource(AudioSource* source) = 0;
};

// The host in use, set once by the program's main before anything else runs; ends the
// program with a message when there is none.
Host& Current();
// Makes `host` the current one (nullptr: none); the caller keeps it alive while installed.
void Install(Host* host);

}  // namespace host
