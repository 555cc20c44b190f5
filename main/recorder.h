// --record and --replay in the game itself: wrappers around the real host. The game's frames
// are the host's pumps (one a pass of its message loop), so a recording is the keys and the
// stick that each frame saw, in the headless runner's script format.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "host/host.h"
#include "recording/script.h"

namespace program {

// Every call goes to the wrapped host; the two below replace only what they must.
class ForwardingHost : public host::Host {
 public:
  explicit ForwardingHost(host::Host* inner) : inner_(inner) {}
  bool OpenWindow(const char* title, int width, int height) override;
  void CloseWindow() override;
  void ShowCursor(bool visible) override;
  uint32_t Ticks() override;
  void Sleep(uint32_t ms) override;
  bool PumpEvents() override;
  bool KeyDown(uint8_t scan_code) override;
  host::Joystick ReadJoystick() override;
  void Present(const uint8_t* pixels, int pitch, int width, int height, const host::Rgb* palette,
               const std::vector<host::Rect>* changed) override;
  int AudioRate() override;
  void SetAudioSource(host::AudioSource* source) override;

 protected:
  host::Host* inner_;
};

// Writes, at each pump, the key changes the coming frame will see and the stick as the frame
// before read it, and the world's checksum every kCheckEvery frames.
class RecordingHost : public ForwardingHost {
 public:
  static constexpr long long kCheckEvery = 50;
  RecordingHost(host::Host* inner, recording::ScriptRecorder* recorder)
      : ForwardingHost(inner), recorder_(recorder) {}
  // The game's first reading of the clock is its random seed: it goes into the recording.
  uint32_t Ticks() override;
  bool PumpEvents() override;
  // The frames played: the pump that ends the game runs none.
  long long Frames() const { return frames_ > 0 ? frames_ - 1 : 0; }

 private:
  void RecordStick(long long frame);
  recording::ScriptRecorder* recorder_;
  bool tick_recorded_ = false;
  long long frames_ = 0;
  bool keys_[256] = {};
  bool stick_seen_ = false;
  int32_t axes_[2] = {};
  bool buttons_[32] = {};
};

// The keys and the stick come from a recording; the window, clock, picture and sound stay
// real. A recorded checksum that the world does not match is reported once, on stderr. At
// the recording's end the game is asked to close.
class ReplayHost : public ForwardingHost {
 public:
  ReplayHost(host::Host* inner, const recording::Script& script)
      : ForwardingHost(inner),
        player_(script),
        start_tick_(script.start_tick),
        end_(recording::PlayedFrames(script)) {}
  // The real clock, moved so that its first reading is the recorded one.
  uint32_t Ticks() override;
  bool PumpEvents() override;
  bool KeyDown(uint8_t scan_code) override { return keys_[scan_code]; }
  host::Joystick ReadJoystick() override { return player_.Stick(); }
  bool Diverged() const { return diverged_; }
  // Frames played back so far, and how many checksums were compared.
  long long Frames() const { return frames_ > 0 ? frames_ - 1 : 0; }
  int Checks() const { return checks_; }
  // One line on how the replay went, for when it ends.
  std::string Summary() const;

 private:
  recording::ScriptPlayer player_;
  std::optional<uint32_t> start_tick_;
  std::optional<uint32_t> clock_offset_;
  std::optional<long long> end_;
  long long frames_ = 0;
  bool keys_[256] = {};
  bool diverged_ = false;
  int checks_ = 0;
};

}  // namespace program
