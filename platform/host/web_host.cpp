#include "platform/host/web_host.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/host/png_writer.h"

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
EM_JS(void, web_download, (const char* path, const char* name),
      { FerrowynHost.download(UTF8ToString(path), UTF8ToString(name)); });
EM_JS(void, web_report, (const char* name, const char* text),
      { FerrowynHost.reports[UTF8ToString(name)] = UTF8ToString(text); });
EM_JS(void, web_finished, (int status), { FerrowynHost.finished(status); });

namespace host {
namespace {

// While paused, how often the page is looked at for a key, a button or a new size.
constexpr uint32_t kPausedPollMs = 30;

// One host at a time answers the browser's calls.
WebHost* current_web_host = nullptr;

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* event, void* data) {
  auto* host = static_cast<WebHost*>(data);
  uint8_t code = ScanCodeOfKeyCode(event->code);
  if (!code) return false;
  bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
  if (down && !event->repeat) {
    if (code == scan::kP || code == scan::kPause) {
      host->SetPaused(!host->Paused());
    } else if (code == scan::kEscape) {
      host->SetPaused(false);  // so the game sees it and ends
    }
  }
  // Browsers on some systems never report Print Screen going down.
  if (!down && code == scan::kPrintScreen) host->SaveScreenshot();
  host->QueueKey(code, down);
  return KeepFromBrowser(event->code);
}

EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void* data) {
  // Key releases made elsewhere never reach the page: forget every key rather than keep it held.
  static_cast<WebHost*>(data)->ReleaseAllKeys();
  return false;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* event, void* data) {
  // A hidden page gets a timer a second at most: the game would crawl, so it waits instead.
  if (event->hidden) static_cast<WebHost*>(data)->SetPaused(true);
  return false;
}

}  // namespace

WebHost::WebHost(uint32_t start_tick) : start_tick_(start_tick), joystick_(NoPad()) {
  current_web_host = this;
  const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  emscripten_set_keydown_callback(window, this, true, OnKey);
  emscripten_set_keyup_callback(window, this, true, OnKey);
  emscripten_set_blur_callback(window, this, true, OnBlur);
  emscripten_set_visibilitychange_callback(this, true, OnVisibility);
}

WebHost::~WebHost() {
  const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  emscripten_set_keydown_callback(window, nullptr, true, nullptr);
  emscripten_set_keyup_callback(window, nullptr, true, nullptr);
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
  ReadGamepad();
  ApplyKeys();
  if (on_pump) on_pump();
  // Paused, no frame runs: the game waits here while the browser goes on.
  while (paused_) {
    emscripten_sleep(kPausedPollMs);
    ReadGamepad();
    ApplyKeys();
    Redraw(false);
  }
  Redraw(false);  // only if the canvas changed size
  bool close = close_requested_;
  close_requested_ = false;
  return close;
}

void WebHost::QueueKey(uint8_t scan_code, bool down) {
  key_queue_.push_back({scan_code, down});
}

void WebHost::TapKey(uint8_t scan_code) {
  QueueKey(scan_code, true);
  QueueKey(scan_code, false);
}

void WebHost::ApplyKeys() {
  for (int code = 0; code < 256; ++code) {
    if (release_next_[code]) keys_[code] = 0;
  }
  std::memset(release_next_, 0, sizeof release_next_);
  uint8_t pressed_now[256] = {};
  for (const KeyEvent& event : key_queue_) {
    if (event.down) {
      keys_[event.scan_code] = 0x80;
      pressed_now[event.scan_code] = 1;
      release_next_[event.scan_code] = 0;
    } else if (pressed_now[event.scan_code]) {
      // A tap shorter than one pump still reads as held until the next one, or the game
      // (which polls once a frame) would never see it.
      release_next_[event.scan_code] = 1;
    } else {
      keys_[event.scan_code] = 0;
    }
  }
  key_queue_.clear();
}

void WebHost::ReleaseAllKeys() {
  std::memset(keys_, 0, sizeof keys_);
  std::memset(release_next_, 0, sizeof release_next_);
  key_queue_.clear();
}

void WebHost::SetKey(uint8_t scan_code, bool down) {
  keys_[scan_code] = down ? 0x80 : 0;
  release_next_[scan_code] = 0;
}

bool WebHost::KeyDown(uint8_t scan_code) {
  return keys_[scan_code] != 0;
}

void WebHost::ReadGamepad() {
  joystick_ = NoPad();
  bool start = false, back = false;
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
      joystick_ = PadJoystick(pad);
      start = PadStart(pad);
      back = PadBack(pad);
      break;
    }
  }
  const bool playing = in_play && in_play();
  PadButtons::Actions actions =
      pad_buttons_.Update(start, back, emscripten_get_now(), playing, paused_);
  if (actions.toggle_pause) SetPaused(!paused_);
  if (actions.tap_f1) TapKey(scan::kF1);
  if (actions.tap_escape) {
    SetPaused(false);
    TapKey(scan::kEscape);
  }
}

Joystick WebHost::ReadJoystick() {
  return joystick_;
}

void WebHost::SetPaused(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  web_paused(paused);
}

void WebHost::Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette) {
  web_presented();
  if (!pixels || width <= 0 || height <= 0) return;
  // Only the rows that changed are scaled and put on the canvas.
  KeptPage::Change change = page_.Update(pixels, pitch, width, height, palette);
  if (change.palette) {
    // Canvas pixels are R, G, B, A in memory.
    for (int i = 0; i < 256; ++i) {
      const Rgb& rgb = page_.Palette()[i];
      colours_[i] = rgb.r | rgb.g << 8 | rgb.b << 16 | 0xFFu << 24;
    }
  }
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
    rect_ = FitPage(page_.Width(), page_.Height(), width, height);
    scaled_.assign(static_cast<size_t>(rect_.width) * rect_.height, 0);
    whole = true;
  }
  if (rect_.width <= 0 || rect_.height <= 0) return;
  scaler_.Scale(page_.Pixels(), page_.Width(), page_.Width(), page_.Height(), colours_.data(),
                scaled_.data(), rect_.width * 4, rect_.width, rect_.height,
                whole ? nullptr : page_.ChangedRows());
  page_.MarkDrawn();
  for (const PageScaler::RowRun& run : scaler_.Written())
    web_canvas_put(scaled_.data(), rect_.x, rect_.y, rect_.width, rect_.height, run.first, run.end);
}

void WebHost::SaveScreenshot() const {
  if (page_.Empty()) return;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char name[48];
  std::strftime(name, sizeof name, "ferrowyn-%Y-%m-%d-%H%M%S.png", &local);
  // Through the in-memory file system: the browser offers the file as a download.
  const char* path = "/tmp/screenshot.png";
  if (WritePng(path, page_.Pixels(), page_.Width(), page_.Width(), page_.Height(), page_.Palette()))
    web_download(path, name);
  std::remove(path);
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

void WebHost::Finished(int status) {
  ReleaseAllKeys();
  web_finished(status);
}

}  // namespace host

// Called by web_host.js.
extern "C" {

EMSCRIPTEN_KEEPALIVE void web_host_mix(int16_t* stereo, int frames) {
  if (host::current_web_host)
    host::current_web_host->MixAudio(stereo, static_cast<size_t>(frames));
  else
    std::memset(stereo, 0, static_cast<size_t>(frames) * 4);
}

EMSCRIPTEN_KEEPALIVE void web_host_set_paused(int paused) {
  if (host::current_web_host) host::current_web_host->SetPaused(paused != 0);
}

EMSCRIPTEN_KEEPALIVE void web_host_screenshot() {
  if (host::current_web_host) host::current_web_host->SaveScreenshot();
}

// The world's state as the page's test hook reads it (a string the caller must not keep).
EMSCRIPTEN_KEEPALIVE const char* web_host_inspect() {
  static std::string text;
  text = host::current_web_host && host::current_web_host->inspect
             ? host::current_web_host->inspect()
             : std::string();
  return text.c_str();
}

}  // extern "C"
