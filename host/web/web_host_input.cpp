// The web host's input: keys through the player's bindings and the menu, the Gamepad API,
// and the page's touch buttons.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstring>

#include "host/common/scan_codes.h"
#include "host/web/web_host.h"

EM_JS(void, web_full_screen, (), { FerrowynHost.fullScreen(); });

namespace host::web {

bool WebHost::KeyEvent(const char* code, bool down, bool repeat) {
  uint8_t physical = ScanCodeOfKeyCode(code);
  if (!physical) return false;
  if (menu_.IsOpen() && MenuKey(code, physical, down, repeat)) return true;
  if (std::optional<common::Action> action = keys_.Map().HostAction(physical)) {
    // Browsers on some systems never report Print Screen going down: a picture on the way up.
    if (*action == common::Action::kScreenshot && !down) SaveScreenshot();
    if (*action == common::Action::kFullScreen && down && !repeat) web_full_screen();
    if (*action == common::Action::kPause && down && !repeat && pause_.Toggle()) PauseChanged();
    return true;
  }
  // The game's own quit key plays on, so that the game sees it and ends.
  if (down && keys_.Map().GameKey(physical) == common::GameKeyOf(common::Action::kQuit) &&
      pause_.Set(common::Pause::kNo))
    PauseChanged();
  // A key pressed in the menu is not held once play goes on.
  if (!down || !menu_.IsOpen()) key_queue_.push_back({physical, down});
  return KeepFromBrowser(code);
}

// The menu's own keys, by their place: the arrows, Enter or Space, Escape; while it waits for
// a binding, any key. True when the key was the menu's.
bool WebHost::MenuKey(const char* code, uint8_t physical, bool down, bool repeat) {
  if (menu_.WaitingForBinding()) {
    if (down && !repeat) Apply(menu_.BindKeyPress(physical));
    return true;
  }
  struct Named {
    const char* code;
    common::MenuPress press;
  };
  static constexpr Named kKeys[] = {
      {"ArrowUp", common::MenuPress::kUp},     {"ArrowDown", common::MenuPress::kDown},
      {"ArrowLeft", common::MenuPress::kLeft}, {"ArrowRight", common::MenuPress::kRight},
      {"Enter", common::MenuPress::kChoose},   {"NumpadEnter", common::MenuPress::kChoose},
      {"Space", common::MenuPress::kChoose},   {"Escape", common::MenuPress::kBack}};
  for (const Named& key : kKeys) {
    if (std::strcmp(code, key.code) != 0) continue;
    const bool moves =
        key.press != common::MenuPress::kChoose && key.press != common::MenuPress::kBack;
    if (down && (!repeat || moves)) Apply(menu_.Press(key.press));
    return true;
  }
  return false;
}

void WebHost::MenuPad(const PadState& pad) {
  std::vector<common::MenuPress> presses;
  std::optional<common::PadButton> pressed;
  pad_menu_.Read(pad, &presses, &pressed);
  if (!menu_.IsOpen()) return;
  if (menu_.WaitingForBinding()) {
    if (pressed) Apply(menu_.BindPadPress(*pressed));
    return;
  }
  for (common::MenuPress press : presses)
    if (menu_.IsOpen()) Apply(menu_.Press(press));
}

void WebHost::Apply(const common::MenuOutcome& outcome) {
  if (outcome.bindings_changed) keys_ = common::GameKeys(settings_);
  if (outcome.settings_changed && settings_changed) settings_changed(settings_);
  if (outcome.quit) {
    close_requested_ = true;
    if (pause_.Set(common::Pause::kNo)) PauseChanged();
  }
  if (outcome.close && pause_.Set(common::Pause::kNo)) PauseChanged();
  if (outcome.redraw) {
    if (menu_.Screen() == common::MenuScreen::kHighScores && high_scores)
      menu_.SetHighScores(high_scores());
    Redraw(true);
  }
}

void WebHost::ApplyKeys() {
  keys_.BeginPump();
  for (const PhysicalKey& key : key_queue_) keys_.Physical(key.scan_code, key.down);
  key_queue_.clear();
  for (const PhysicalKey& key : touch_queue_) {
    if (key.down)
      keys_.Press(key.scan_code);
    else
      keys_.Release(key.scan_code);
  }
  touch_queue_.clear();
}

void WebHost::TouchAction(common::Action action, bool down) {
  if (action == common::Action::kPause) {
    if (down && pause_.Toggle()) PauseChanged();
    return;
  }
  if (menu_.IsOpen()) {
    if (!down) return;
    if (menu_.WaitingForBinding()) {
      // Touch has no key to bind: the back button cancels.
      if (action == common::Action::kMine) Apply(menu_.BindKeyPress(common::kDikEscape));
      return;
    }
    static constexpr std::pair<common::Action, common::MenuPress> kMoves[] = {
        {common::Action::kUp, common::MenuPress::kUp},
        {common::Action::kDown, common::MenuPress::kDown},
        {common::Action::kLeft, common::MenuPress::kLeft},
        {common::Action::kRight, common::MenuPress::kRight},
        {common::Action::kFire, common::MenuPress::kChoose},
        {common::Action::kMine, common::MenuPress::kBack}};
    for (auto [touched, press] : kMoves)
      if (touched == action) Apply(menu_.Press(press));
    return;
  }
  if (const uint8_t game_key = common::GameKeyOf(action)) touch_queue_.push_back({game_key, down});
}

void WebHost::ReleaseAllKeys() {
  keys_.ReleaseAll();
  key_queue_.clear();
  touch_queue_.clear();
}

bool WebHost::KeyDown(uint8_t scan_code) {
  return keys_.Held(scan_code);
}

void WebHost::ReadGamepad() {
  joystick_ = NoPad();
  bool start = false, quit = false, binding = false;
  if (emscripten_sample_gamepad_data() == EMSCRIPTEN_RESULT_SUCCESS) {
    const int count = emscripten_get_num_gamepads();
    for (int index = 0; index < count; ++index) {
      EmscriptenGamepadEvent state;
      if (emscripten_get_gamepad_status(index, &state) != EMSCRIPTEN_RESULT_SUCCESS ||
          !state.connected)
        continue;
      bool buttons[64];
      const int button_count = std::clamp(state.numButtons, 0, 64);
      for (int b = 0; b < button_count; ++b) buttons[b] = state.digitalButton[b] != 0;
      PadState pad;
      pad.name = state.id;
      pad.standard = std::strcmp(state.mapping, "standard") == 0;
      pad.axes = state.axis;
      pad.axis_count = std::clamp(state.numAxes, 0, 64);
      pad.buttons = buttons;
      pad.button_count = button_count;
      joystick_ = PadJoystick(pad, settings_);
      start = PadHeld(pad, settings_, common::PadAction::kStart);
      quit = PadHeld(pad, settings_, common::PadAction::kQuit);
      binding = menu_.WaitingForBinding();
      MenuPad(pad);
      break;
    }
  }
  const bool playing = in_play && in_play();
  // A Start pressed to be bound neither pauses nor plays on.
  common::PauseState untouched = pause_;
  const common::PadPolicy::Start did =
      pad_policy_.StartButton(start, playing, binding ? &untouched : &pause_);
  if (did == common::PadPolicy::Start::kPauseChanged) PauseChanged();
  if (did == common::PadPolicy::Start::kTapStartKey) {
    keys_.Press(common::GameKeyOf(common::Action::kStart));
    keys_.Release(common::GameKeyOf(common::Action::kStart));
  }
  pad_policy_.BackButton(quit, Ticks());
  // Held for a second, as closing the window would.
  if (pad_policy_.QuitDue(Ticks())) close_requested_ = true;
}

Joystick WebHost::ReadJoystick() {
  return joystick_;
}

}  // namespace host::web
