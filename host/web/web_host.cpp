#include "host/web/web_host.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <ctime>

#include "host/common/overlay_text.h"

// The browser half (web_host.js) does the work these name.
EM_JS(void, web_canvas_size, (int* width, int* height), {
  const size = FerrowynHost.canvasSize();
  HEAP32[width >> 2] = size[0];
  HEAP32[height >> 2] = size[1];
});
EM_JS(void, web_canvas_resize, (int width, int height),
      { FerrowynHost.resizeCanvas(width, height); });
EM_JS(void, web_canvas_put,
      (const uint32_t* pixels, int x, int y, int width, int height, int area_x, int area_y,
       int area_width, int area_height),
      {
        FerrowynHost.putArea(pixels, x, y, width, height, area_x, area_y, area_width, area_height);
      });
EM_JS(void, web_presented, (), { FerrowynHost.presents++; });
EM_ASYNC_JS(void, web_sleep_until, (double due), { await FerrowynHost.sleepUntil(due); });
EM_JS(void, web_cursor, (bool visible), { FerrowynHost.showCursor(visible); });
EM_JS(int, web_audio_open, (), { return FerrowynHost.openAudio(); });
EM_JS(void, web_paused, (bool paused), { FerrowynHost.setPaused(paused); });
EM_JS(void, web_download_png, (const uint32_t* pixels, int width, int height, const char* name),
      { FerrowynHost.downloadPng(pixels, width, height, UTF8ToString(name)); });

namespace host::web {
namespace {

// While paused, how often the page is looked at for a key, a button or a new size.
constexpr uint32_t kPausedPollMs = 30;

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
  return start_tick_ + static_cast<uint32_t>(static_cast<uint64_t>(Now()));
}

double WebHost::Now() const {
  return std::max(std::floor(emscripten_get_now() - clock_origin_), woken_);
}

void WebHost::Sleep(uint32_t ms) {
  if (clock_origin_ < 0) {
    if (ms > 0) emscripten_sleep(ms);
    return;
  }
  // To the start of the first tick that begins `ms` or more from now, as a sleeper on a
  // Windows timer wakes on its ticks: a frame's wait then wakes as its tick begins instead of
  // polling the clock, twice a frame rather than three times. A browser's timer ends within a
  // millisecond or so of the time asked, either side; the clock reads the tick woken on from
  // then on, however early.
  const double due = Now() + ms + 1;
  web_sleep_until(clock_origin_ + due);
  woken_ = due;
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

void WebHost::Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette,
                      const std::vector<Rect>* changed) {
  web_presented();
  if (!pixels || width <= 0 || height <= 0) return;
  // Only the rows that changed are scaled and put on the canvas.
  common::KeptPage::Change change = page_.Update(pixels, pitch, width, height, palette, changed);
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
    web_canvas_put(scaled_.data(), rect_.x, rect_.y, rect_.width, rect_.height, 0, 0, rect_.width,
                   rect_.height);
    return;
  }
  // Only what the scaler wrote goes to the canvas: the browser copies every pixel it is given.
  for (const common::PageRect& area : scaler_.Written())
    web_canvas_put(scaled_.data(), rect_.x, rect_.y, rect_.width, rect_.height, area.x, area.y,
                   area.width, area.height);
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
