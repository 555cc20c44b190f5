#include "host/web/web_host.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

#include "host/common/key_names.h"
#include "host/common/overlay_text.h"
#include "host/common/scan_codes.h"

// The browser half (web_host.js) does the work these name.
EM_JS(void, web_canvas_size, (int* width, int* height), {
  const size = FerrowynHost.canvasSize();
  HEAP32[width >> 2] = size[0];
  HEAP32[height >> 2] = size[1];
});
EM_JS(void, web_canvas_resize, (int width, int height),
      { FerrowynHost.resizeCanvas(width, height); });
EM_JS(void, web_canvas_put,
      (const uint32_t* pixels, int x, int y, int width, int height, int first, int end),
      { FerrowynHost.putRows(pixels, x, y, width, height, first, end); });
EM_JS(void, web_presented, (), { FerrowynHost.presents++; });
EM_JS(void, web_cursor, (bool visible), { FerrowynHost.showCursor(visible); });
EM_JS(int, web_audio_open, (), { return FerrowynHost.openAudio(); });
EM_JS(void, web_paused, (bool paused), { FerrowynHost.setPaused(paused); });
EM_JS(void, web_download_png, (const uint32_t* pixels, int width, int height, const char* name),
      { FerrowynHost.downloadPng(pixels, width, height, UTF8ToString(name)); });
EM_JS(void, web_report, (const char* name, const char* text),
      { FerrowynHost.reports[UTF8ToString(name)] = UTF8ToString(text); });
EM_JS(void, web_finished, (int status), { FerrowynHost.finished(status); });
EM_JS(void, web_full_screen, (), { FerrowynHost.fullScreen(); });
EM_JS(void, web_note, (const char* text), { FerrowynHost.note(UTF8ToString(text)); });
EM_JS(void, web_publish_settings, (const char* text), {
  FerrowynHost.settingsText = UTF8ToString(text);
  FerrowynHost.tellPage('settings', FerrowynHost.settingsText);
});
EM_JS(char*, web_key_label, (const char* code), {
  const text = FerrowynHost.keyLabel(UTF8ToString(code));
  const size = lengthBytesUTF8(text) + 1;
  const copy = _malloc(size);
  stringToUTF8(text, copy, size);
  return copy;
});
EM_JS(void, web_store, (const char* name, const char* text),
      { FerrowynHost.store(UTF8ToString(name), UTF8ToString(text)); });
EM_JS(char*, web_stored, (const char* name), {
  const text = FerrowynHost.stored(UTF8ToString(name));
  const size = lengthBytesUTF8(text) + 1;
  const copy = _malloc(size);
  stringToUTF8(text, copy, size);
  return copy;
});

namespace host::web {
namespace {

// While paused, how often the page is looked at for a key, a button or a new size.
constexpr uint32_t kPausedPollMs = 30;

// What the player's keyboard layout prints on a key, as far as the browser says; else its
// DirectInput name.
std::string KeyLabel(uint8_t scan_code) {
  if (const char* code = KeyCodeOfScanCode(scan_code)) {
    char* label = web_key_label(code);
    std::string text = label;
    std::free(label);
    if (!text.empty()) return text;
  }
  return common::NameOfScanCode(scan_code);
}

// One host at a time answers the browser's calls.
WebHost* current_web_host = nullptr;

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* event, void* data) {
  return static_cast<WebHost*>(data)->KeyEvent(event->code, type == EMSCRIPTEN_EVENT_KEYDOWN,
                                               event->repeat);
}

EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void* data) {
  // Key releases made elsewhere never reach the page: forget every key rather than keep it held.
  static_cast<WebHost*>(data)->ReleaseAllKeys();
  return false;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* event, void* data) {
  static_cast<WebHost*>(data)->PageHidden(event->hidden);
  return false;
}

}  // namespace

WebHost::WebHost(const common::Settings& settings, uint32_t start_tick)
    : settings_(settings),
      start_tick_(start_tick),
      menu_(&settings_, false),
      keys_(settings),
      joystick_(NoPad()) {
  current_web_host = this;
  const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  // Keys reach the window last: a text field on the page can keep its own.
  emscripten_set_keydown_callback(window, this, false, OnKey);
  emscripten_set_keyup_callback(window, this, false, OnKey);
  emscripten_set_blur_callback(window, this, true, OnBlur);
  emscripten_set_visibilitychange_callback(this, true, OnVisibility);
}

WebHost::~WebHost() {
  const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  emscripten_set_keydown_callback(window, nullptr, false, nullptr);
  emscripten_set_keyup_callback(window, nullptr, false, nullptr);
  emscripten_set_blur_callback(window, nullptr, true, nullptr);
  emscripten_set_visibilitychange_callback(nullptr, true, nullptr);
  if (current_web_host == this) current_web_host = nullptr;
}

bool WebHost::OpenWindow(const char*, int, int) {
  // The page's canvas is the window; its size is the page's business.
  return true;
}

void WebHost::CloseWindow() {}

void WebHost::ShowCursor(bool visible) {
  web_cursor(visible);
}

uint32_t WebHost::Ticks() {
  if (clock_origin_ < 0) return start_tick_;
  return start_tick_ +
         static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now() - clock_origin_));
}

void WebHost::Sleep(uint32_t ms) {
  if (ms > 0) emscripten_sleep(ms);
}

bool WebHost::PumpEvents() {
  if (clock_origin_ < 0) clock_origin_ = emscripten_get_now();
  ApplyKeys();
  ReadGamepad();
  if (on_pump) on_pump();
  if (high_score_place) {
    const int place = high_score_place();
    if (place != high_score_place_) {
      high_score_place_ = place;
      Redraw(true);
    }
  }
  // Paused, no frame runs: the game waits here while the browser goes on.
  while (pause_.Paused() && !close_requested_) {
    emscripten_sleep(kPausedPollMs);
    ApplyKeys();
    ReadGamepad();
    Redraw(false);
  }
  Redraw(false);  // only if the canvas changed size
  bool close = close_requested_;
  close_requested_ = false;
  return close;
}

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

void WebHost::SetPaused(bool paused) {
  if (pause_.Set(paused ? common::Pause::kByPlayer : common::Pause::kNo)) PauseChanged();
}

void WebHost::PageHidden(bool hidden) {
  // A hidden page gets a timer a second at most: the game would crawl, so it waits instead.
  const bool changed =
      hidden ? pause_.FocusLost(settings_.pause_on_focus_loss) : pause_.FocusGained();
  if (changed) PauseChanged();
}

void WebHost::PauseChanged() {
  if (pause_.Paused() && !menu_.IsOpen()) menu_.Open();
  if (!pause_.Paused()) menu_.Close();
  web_paused(pause_.Paused());
  Redraw(true);
}

void WebHost::Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette) {
  web_presented();
  if (!pixels || width <= 0 || height <= 0) return;
  // Only the rows that changed are scaled and put on the canvas.
  common::KeptPage::Change change = page_.Update(pixels, pitch, width, height, palette);
  if (change.palette) {
    // Canvas pixels are R, G, B, A in memory.
    for (int i = 0; i < 256; ++i) {
      const Rgb& rgb = page_.Palette()[i];
      colours_[i] = rgb.r | rgb.g << 8 | rgb.b << 16 | 0xFFu << 24;
    }
  }
  rows_pending_ = rows_pending_ || change.rows;
  if (change.rows || change.size || change.palette) Redraw(change.size || change.palette);
}

void WebHost::Redraw(bool whole) {
  if (page_.Empty()) return;
  int width = 0, height = 0;
  web_canvas_size(&width, &height);
  if (width != canvas_width_ || height != canvas_height_) {
    canvas_width_ = width;
    canvas_height_ = height;
    web_canvas_resize(width, height);  // black all over
    rect_ = common::FitPage(page_.Width(), page_.Height(), width, height, settings_.scaling);
    scaled_.assign(static_cast<size_t>(rect_.width) * rect_.height, 0);
    whole = true;
  }
  if (rect_.width <= 0 || rect_.height <= 0) return;
  // What was drawn over the page last time goes with the whole page under it.
  const bool overlay = menu_.IsOpen() || high_score_place_ > 0;
  // Paused, the page is looked at often: the menu is drawn again only when something changed.
  if (overlay && overlay_drawn_ && !whole && !rows_pending_) return;
  rows_pending_ = false;
  whole = whole || overlay || overlay_drawn_;
  scaler_.Scale(page_.Pixels(), page_.Width(), page_.Width(), page_.Height(), colours_.data(),
                scaled_.data(), rect_.width * 4, rect_.width, rect_.height,
                whole ? nullptr : page_.Changes());
  page_.MarkDrawn();
  overlay_drawn_ = overlay;
  if (overlay) {
    // Canvas pixels are R, G, B, A in memory.
    constexpr uint32_t kInk = 0xFFFFFFFFu, kShade = 0xFF000000u, kSelected = 0xFF40DCFFu;
    const int pitch = rect_.width * 4;
    const int scale = std::max(1, rect_.height / 300);
    if (high_score_place_ > 0)
      common::DrawOverlayText(scaled_.data(), pitch, rect_.width, rect_.height,
                              "NEW HIGH SCORE  -  PLACE " + std::to_string(high_score_place_),
                              rect_.height / 3, scale, kSelected, kShade);
    if (menu_.IsOpen())
      common::DrawMenuPicture(scaled_.data(), pitch, rect_.width, rect_.height,
                              menu_.Picture(KeyLabel), kInk, kSelected, kShade);
    web_canvas_put(scaled_.data(), rect_.x, rect_.y, rect_.width, rect_.height, 0, rect_.height);
    return;
  }
  // The canvas takes whole rows: the scaled picture is whole in every column.
  for (const common::PageRect& area : scaler_.Written())
    web_canvas_put(scaled_.data(), rect_.x, rect_.y, rect_.width, rect_.height, area.y,
                   area.y + area.height);
}

void WebHost::SaveScreenshot() const {
  if (page_.Empty()) return;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char name[48];
  std::strftime(name, sizeof name, "ferrowyn-%Y-%m-%d-%H%M%S.png", &local);
  // The page itself at its own size: the browser makes it a compressed PNG.
  std::vector<uint32_t> picture(static_cast<size_t>(page_.Width()) * page_.Height());
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = colours_[page_.Pixels()[i]];
  web_download_png(picture.data(), page_.Width(), page_.Height(), name);
}

int WebHost::AudioRate() {
  if (!audio_tried_) {
    audio_tried_ = true;
    audio_rate_ = web_audio_open();
  }
  return audio_rate_;
}

void WebHost::SetAudioSource(AudioSource* source) {
  audio_source_ = source;
}

void WebHost::MixAudio(int16_t* stereo, size_t frames) {
  // Called between the game's frames (while it sleeps), never in the middle of one.
  if (audio_source_)
    audio_source_->Mix(stereo, frames);
  else
    std::memset(stereo, 0, frames * 4);
}

void WebHost::RequestClose() {
  close_requested_ = true;
}

void WebHost::Report(const char* name, const std::string& text) {
  web_report(name, text.c_str());
}

std::string WebHost::StoredText(const char* name) {
  char* stored = web_stored(name);
  std::string text = stored;
  std::free(stored);
  return text;
}

void WebHost::StoreText(const char* name, const std::string& text) {
  web_store(name, text.c_str());
}

std::string WebHost::StoredSettingsText() {
  return StoredText("ferrowyn-settings");
}

void WebHost::StoreSettingsText(const std::string& text) {
  StoreText("ferrowyn-settings", text);
  ShowSettingsText(text);
}

void WebHost::ShowSettingsText(const std::string& text) {
  web_publish_settings(text.c_str());
}

void WebHost::Note(const std::string& text) {
  web_note(text.c_str());
}

void WebHost::Finished(int status) {
  ReleaseAllKeys();
  web_finished(status);
}

}  // namespace host::web

// Called by web_host.js.
extern "C" {

EMSCRIPTEN_KEEPALIVE void web_host_mix(int16_t* stereo, int frames) {
  if (host::web::current_web_host)
    host::web::current_web_host->MixAudio(stereo, static_cast<size_t>(frames));
  else
    std::memset(stereo, 0, static_cast<size_t>(frames) * 4);
}

EMSCRIPTEN_KEEPALIVE void web_host_set_paused(int paused) {
  if (host::web::current_web_host) host::web::current_web_host->SetPaused(paused != 0);
}

EMSCRIPTEN_KEEPALIVE void web_host_touch(int action, int down) {
  if (host::web::current_web_host && action >= 0 && action < host::common::kActionCount)
    host::web::current_web_host->TouchAction(host::common::Action(action), down != 0);
}

EMSCRIPTEN_KEEPALIVE void web_host_screenshot() {
  if (host::web::current_web_host) host::web::current_web_host->SaveScreenshot();
}

// The world's state as the page's test hook reads it (a string the caller must not keep).
EMSCRIPTEN_KEEPALIVE const char* web_host_inspect() {
  static std::string text;
  text = host::web::current_web_host && host::web::current_web_host->inspect
             ? host::web::current_web_host->inspect()
             : std::string();
  return text.c_str();
}

}  // extern "C"
