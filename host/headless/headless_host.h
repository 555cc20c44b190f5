// The host without a window or sound device: a virtual clock, keys and joystick set by
// the caller (a script), presented pages kept in memory, audio mixed on request.
// Deterministic: the same calls give the same pages and audio on every run.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/host.h"

namespace host::headless {

class HeadlessHost : public Host {
 public:
  // The clock starts at `start_tick`; AudioRate reports `audio_rate`.
  explicit HeadlessHost(uint32_t start_tick = 0, int audio_rate = 44100);

  // Notes the title; false only after SetWindowFails(true).
  bool OpenWindow(const char* title, int width, int height) override;
  // Notes that the window is gone.
  void CloseWindow() override;
  // Notes the pointer's visibility.
  void ShowCursor(bool visible) override;
  // Virtual time: moves only by Sleep (Sleep(0) counts as 1 ms, so a yielding wait ends),
  // and by 1 ms after many reads without a move, so that no spin on the clock is endless.
  uint32_t Ticks() override;
  // Moves the virtual clock on at once; never waits.
  void Sleep(uint32_t ms) override;
  // Runs on_pump, then reports a close asked for by RequestClose (once).
  bool PumpEvents() override;
  // The key as SetKey left it.
  bool KeyDown(uint8_t scan_code) override;
  // The stick as SetJoystick left it (none at first).
  Joystick ReadJoystick() override;
  // Keeps a copy of the page and its palette, then runs on_present. Checks `changed`: a page
  // that differs from the last outside it counts in UnreportedPresents.
  void Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette,
               const std::vector<Rect>* changed) override;
  // The rate given to the constructor.
  int AudioRate() override;
  // Kept for RenderAudio; nothing pulls it otherwise.
  void SetAudioSource(AudioSource* source) override;

  // Driven by the caller.
  // Holds or lets go of a key for KeyDown.
  void SetKey(uint8_t scan_code, bool down);
  // What ReadJoystick returns from now on.
  void SetJoystick(const Joystick& joystick);
  void RequestClose();               // the next PumpEvents reports a close request
  void SetWindowFails(bool fails);   // OpenWindow returns false (no display)
  std::function<void()> on_pump;     // called at the start of every PumpEvents
  std::function<void()> on_present;  // called after every page presented
  // Called as Sleep begins, with the time before the clock moves on: what happened up to
  // then (a sound started) belongs before the sleep.
  std::function<void(uint32_t now)> on_sleep;

  // What was presented last, as 8-bit indices with its palette, and as RGB.
  bool HasPage() const { return !page_.empty(); }
  int PageWidth() const { return page_width_; }
  int PageHeight() const { return page_height_; }
  const std::vector<uint8_t>& Page() const { return page_; }
  const std::vector<Rgb>& PagePalette() const { return page_palette_; }
  Rgb PagePixel(int x, int y) const;  // black outside the page or before any
  int PresentCount() const { return present_count_; }
  // Presents whose page changed outside the places handed with it (a stand-in's fault), and
  // the first such (its PresentCount, 0 for none).
  int UnreportedPresents() const { return unreported_presents_; }
  int FirstUnreported() const { return first_unreported_; }
  bool SavePng(const std::string& path) const;  // false if it cannot be written

  // Mixes `frames` stereo frames from the audio source (silence without one).
  void RenderAudio(int16_t* stereo, size_t frames);

  // What the game asked of the window and pointer.
  bool WindowOpen() const { return window_open_; }
  const std::string& WindowTitle() const { return window_title_; }
  bool CursorVisible() const { return cursor_visible_; }

 private:
  uint32_t now_;
  int audio_rate_;
  int idle_reads_ = 0;
  bool window_open_ = false;
  std::string window_title_;
  bool window_fails_ = false;
  bool cursor_visible_ = true;
  bool close_requested_ = false;
  uint8_t keys_[256] = {};
  Joystick joystick_;
  AudioSource* audio_source_ = nullptr;
  std::vector<uint8_t> page_;
  std::vector<Rgb> page_palette_;
  int page_width_ = 0;
  int page_height_ = 0;
  int unreported_presents_ = 0;
  int first_unreported_ = 0;
  int present_count_ = 0;
};

}  // namespace host::headless
