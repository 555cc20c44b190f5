// The host in a web browser, on emscripten's own browser APIs: the page's canvas, the keyboard,
// the first gamepad and Web Audio. The game keeps its own loops (built with ASYNCIFY): only
// Sleep hands control back to the browser, and events that arrive meanwhile wait for the next
// PumpEvents. Its JavaScript half is web_host.js; the page around it lives in web/.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/common/game_keys.h"
#include "host/common/kept_page.h"
#include "host/common/menu.h"
#include "host/common/pad_policy.h"
#include "host/common/page_scaler.h"
#include "host/common/settings.h"
#include "host/web/web_input.h"

namespace host::web {

// What the player's keyboard layout prints on a key, as far as the browser says; else its
// DirectInput name.
std::string KeyLabel(uint8_t scan_code);

class WebHost : public Host {
 public:
  // The player's key and pad bindings and pause setting come from `settings`. The clock reads
  // `start_tick` until the game first pumps its events, then runs in real time from there:
  // loading does not count.
  WebHost(const common::Settings& settings, uint32_t start_tick);
  ~WebHost() override;
  WebHost(const WebHost&) = delete;
  WebHost& operator=(const WebHost&) = delete;

  bool OpenWindow(const char* title, int width, int height) override;
  void CloseWindow() override;
  void ShowCursor(bool visible) override;
  uint32_t Ticks() override;
  // To the start of the tick `ms` after the current one (the next, for 0), as the desktop's.
  void Sleep(uint32_t ms) override;
  bool PumpEvents() override;
  bool KeyDown(uint8_t scan_code) override;
  Joystick ReadJoystick() override;
  void Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette,
               const std::vector<Rect>* changed) override;
  int AudioRate() override;
  void SetAudioSource(AudioSource* source) override;

  // For the program's main.
  std::function<void()> on_pump;         // called at the start of every PumpEvents
  std::function<bool()> in_play;         // whether a game is under way (the pad's Start pauses it)
  std::function<std::string()> inspect;  // the world's state, for the page's test hook
  // The menu changed the settings: the program applies the volumes and keeps them.
  std::function<void(const common::Settings&)> settings_changed;
  // The best games so far, one line each, for the menu's High scores screen.
  std::function<std::vector<std::string>()> high_scores;
  // Asked once a pump: the place a game that has just ended took in the high scores, shown
  // over the game-over page while it is not 0.
  std::function<int()> high_score_place;
  void RequestClose();  // the next PumpEvents reports a close request
  // Hands the page a named text, which its test hook reads.
  void Report(const char* name, const std::string& text);
  // Tells the page the game has ended with this exit status.
  void Finished(int status);
  // The settings text the page keeps in the browser's storage ("" when there is none).
  static std::string StoredSettingsText();
  // Shows the page the settings in effect, as the settings file would hold them.
  static void ShowSettingsText(const std::string& text);
  // Keeps the settings text in the browser's storage, for the next visit; no reload.
  static void StoreSettingsText(const std::string& text);
  // Any other text the program keeps in the browser's storage under `name` ("" when none).
  static std::string StoredText(const char* name);
  static void StoreText(const char* name, const std::string& text);
  // A line for the player on the page, beside the game.
  static void Note(const std::string& text);

  // Called from the browser's event handlers, between the game's frames.
  // A key by its KeyboardEvent.code: a host action at once, the game's keys at the next pump.
  // Returns whether the browser must leave the key alone.
  bool KeyEvent(const char* code, bool down, bool repeat);
  // A touch control went down or up: the action's game key, the pause, or in the menu a move
  // (fire chooses, mine goes back).
  void TouchAction(common::Action action, bool down);
  void ReleaseAllKeys();                          // the page lost the focus
  void SetPaused(bool paused);                    // by the player: no frame runs, the sound stops
  void PageHidden(bool hidden);                   // paused while hidden, if the settings say so
  void SaveScreenshot() const;                    // offers the page as a PNG download
  void MixAudio(int16_t* stereo, size_t frames);  // the output pulls the game's mixer

 private:
  struct PhysicalKey {
    uint8_t scan_code;
    bool down;
  };
  void PauseChanged();
  bool MenuKey(const char* code, uint8_t physical, bool down, bool repeat);
  void MenuPad(const PadState& pad);
  void Apply(const common::MenuOutcome& outcome);
  void ApplyKeys();
  void ReadGamepad();
  void Redraw(bool whole);
  double Now() const;  // the clock's whole milliseconds since its origin

  common::Settings settings_;
  uint32_t start_tick_;
  double clock_origin_ = -1;  // browser time of the first pump, ms; < 0 = not yet
  double woken_ = 0;          // the tick the last sleep ended on, since the origin
  bool close_requested_ = false;
  common::PauseState pause_;  // hiding the page counts as losing the focus
  common::Menu menu_;         // open while paused
  PadMenuReader pad_menu_;
  int high_score_place_ = 0;
  bool overlay_drawn_ = false;  // the canvas has the menu or a notice over the page
  bool rows_pending_ = false;   // the page changed since it was last drawn

  std::vector<PhysicalKey> key_queue_;    // arrived since the last pump
  std::vector<PhysicalKey> touch_queue_;  // game keys from the touch controls, the same way
  common::GameKeys keys_;
  Joystick joystick_;
  common::PadPolicy pad_policy_;

  common::KeptPage page_;
  std::array<uint32_t, 256> colours_ = {};  // the page's palette as canvas pixels (RGBA bytes)
  int canvas_width_ = 0, canvas_height_ = 0;
  common::PageRect rect_;
  std::vector<uint32_t> scaled_;  // the page as shown, rect_ in size
  common::PageScaler scaler_;

  bool audio_tried_ = false;
  int audio_rate_ = 0;
  AudioSource* audio_source_ = nullptr;
};

}  // namespace host::web
