#include "main/recorder.h"

#include <windows.h>
#include <dinput.h>

#include <algorithm>
#include <cstdio>

#include "input/input.h"
#include "recording/trace.h"

namespace program {

bool ForwardingHost::OpenWindow(const char* title, int width, int height) {
  return inner_->OpenWindow(title, width, height);
}
void ForwardingHost::CloseWindow() {
  inner_->CloseWindow();
}
void ForwardingHost::ShowCursor(bool visible) {
  inner_->ShowCursor(visible);
}
uint32_t ForwardingHost::Ticks() {
  return inner_->Ticks();
}
void ForwardingHost::Sleep(uint32_t ms) {
  inner_->Sleep(ms);
}
bool ForwardingHost::PumpEvents() {
  return inner_->PumpEvents();
}
bool ForwardingHost::KeyDown(uint8_t scan_code) {
  return inner_->KeyDown(scan_code);
}
host::Joystick ForwardingHost::ReadJoystick() {
  return inner_->ReadJoystick();
}
void ForwardingHost::Present(const uint8_t* pixels, int pitch, int width, int height,
                             const host::Rgb* palette, const std::vector<host::Rect>* changed) {
  inner_->Present(pixels, pitch, width, height, palette, changed);
}
int ForwardingHost::AudioRate() {
  return inner_->AudioRate();
}
void ForwardingHost::SetAudioSource(host::AudioSource* source) {
  inner_->SetAudioSource(source);
}

uint32_t RecordingHost::Ticks() {
  uint32_t now = inner_->Ticks();
  if (!tick_recorded_) recorder_->StartTick(now);
  tick_recorded_ = true;
  return now;
}

bool RecordingHost::PumpEvents() {
  bool close = inner_->PumpEvents();
  long long frame = frames_++;
  if (frame > 0) RecordStick(frame - 1);
  if (frame % kCheckEvery == 0) recorder_->Check(frame, recording::WorldChecksum());
  for (int code = 1; code < 256; ++code) {
    bool down = inner_->KeyDown(uint8_t(code));
    if (down != keys_[code]) recorder_->Key(frame, code, down);
    keys_[code] = down;
  }
  return close;
}

// The stick as the game read it during `frame` (the input module keeps the last reading), so
// a replay scales back to exactly the same values.
void RecordingHost::RecordStick(long long frame) {
  if (!joystick_ready) return;
  if (!stick_seen_) {
    recorder_->Joystick(joystick_name);
    stick_seen_ = true;
  }
  const int32_t axes[2] = {joystick_state.lX, joystick_state.lY};
  for (int axis = 0; axis < 2; ++axis) {
    if (axes[axis] != axes_[axis]) recorder_->Axis(frame, axis, axes[axis]);
    axes_[axis] = axes[axis];
  }
  for (int button = 0; button < 32; ++button) {
    bool down = (joystick_state.rgbButtons[button] & 0x80) != 0;
    if (down != buttons_[button]) recorder_->Button(frame, button, down);
    buttons_[button] = down;
  }
}

uint32_t ReplayHost::Ticks() {
  uint32_t now = inner_->Ticks();
  if (!clock_offset_) clock_offset_ = start_tick_.value_or(now) - now;
  return now + *clock_offset_;
}

bool ReplayHost::PumpEvents() {
  bool close = inner_->PumpEvents();
  long long frame = frames_++;
  // Past the recording's end a game still running (the recorded one was killed, or its
  // window closed) is asked once to close, the way the window's close button asks; asked
  // again on every pass, the requests would keep ahead of the quit they lead to.
  if (end_ && frame == *end_ + 1) close = true;
  if (std::optional<uint64_t> recorded = player_.CheckAt(frame); recorded && !diverged_) {
    ++checks_;
    uint64_t now = recording::WorldChecksum();
    if (now != *recorded) {
      diverged_ = true;
      std::fprintf(stderr,
                   "ferrowyn: the replay diverges before frame %lld: world checksum %016llx, "
                   "recorded %016llx\n",
                   frame, static_cast<unsigned long long>(now),
                   static_cast<unsigned long long>(*recorded));
    }
  }
  player_.Advance(frame, [this](int code, bool down) { keys_[code] = down; });
  return close;
}

std::string ReplayHost::Summary() const {
  // Frames run while the game closed are not the recording's.
  const long long reached = end_ ? std::min(Frames(), *end_) : Frames();
  std::string line = "replayed " + std::to_string(reached) + " frames";
  if (end_ && reached < *end_) line += " of " + std::to_string(*end_);
  if (diverged_) return line + "; the game left the recorded one (see above)";
  return line + ", every checksum matched (" + std::to_string(checks_) + ")";
}

}  // namespace program
