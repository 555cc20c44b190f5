#include "host/headless/headless_host.h"

#include <algorithm>
#include <cstring>

#include "host/common/png_writer.h"

namespace host::headless {
namespace {

// A spin on the clock gets one millisecond per this many reads without a move.
constexpr int kReadsPerIdleMillisecond = 100;

}  // namespace

HeadlessHost::HeadlessHost(uint32_t start_tick, int audio_rate)
    : now_(start_tick), audio_rate_(audio_rate) {}

bool HeadlessHost::OpenWindow(const char* title, int width, int height) {
  if (window_fails_) return false;
  window_open_ = true;
  window_title_ = title ? title : "";
  return true;
}

void HeadlessHost::CloseWindow() {
  window_open_ = false;
}

void HeadlessHost::ShowCursor(bool visible) {
  cursor_visible_ = visible;
}

uint32_t HeadlessHost::Ticks() {
  if (++idle_reads_ >= kReadsPerIdleMillisecond) {
    idle_reads_ = 0;
    ++now_;
  }
  return now_;
}

void HeadlessHost::Sleep(uint32_t ms) {
  if (on_sleep) on_sleep(now_);
  now_ += ms == 0 ? 1 : ms;
  idle_reads_ = 0;
}

bool HeadlessHost::PumpEvents() {
  if (on_pump) on_pump();
  bool close = close_requested_;
  close_requested_ = false;
  return close;
}

bool HeadlessHost::KeyDown(uint8_t scan_code) {
  return keys_[scan_code] != 0;
}

Joystick HeadlessHost::ReadJoystick() {
  return joystick_;
}

void HeadlessHost::Present(const uint8_t* pixels, int pitch, int width, int height,
                           const Rgb* palette, const std::vector<Rect>* changed) {
  ++present_count_;
  const bool check = changed && width == page_width_ && height == page_height_;
  page_width_ = width;
  page_height_ = height;
  page_.resize(static_cast<size_t>(width) * height);
  // Takes the new pixels inside the places given; a row still different was missed there.
  if (check) {
    for (const Rect& r : *changed) {
      const int left = std::max(r.left, 0), right = std::min(r.right, width);
      for (int y = std::max(r.top, 0); y < std::min(r.bottom, height) && left < right; ++y)
        std::memcpy(&page_[static_cast<size_t>(y) * width + left],
                    pixels + static_cast<ptrdiff_t>(y) * pitch + left, right - left);
    }
  }
  bool missed = false;
  for (int y = 0; y < height; ++y) {
    uint8_t* kept = &page_[static_cast<size_t>(y) * width];
    const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * pitch;
    if (check && std::memcmp(kept, row, width) == 0) continue;
    missed = missed || check;
    std::memcpy(kept, row, width);
  }
  if (missed && unreported_presents_++ == 0) first_unreported_ = present_count_;
  page_palette_.assign(palette, palette + 256);
  if (on_present) on_present();
}

int HeadlessHost::AudioRate() {
  return audio_rate_;
}

void HeadlessHost::SetAudioSource(AudioSource* source) {
  audio_source_ = source;
}

void HeadlessHost::SetKey(uint8_t scan_code, bool down) {
  keys_[scan_code] = down ? 0x80 : 0;
}

void HeadlessHost::SetJoystick(const Joystick& joystick) {
  joystick_ = joystick;
}

void HeadlessHost::RequestClose() {
  close_requested_ = true;
}

void HeadlessHost::SetWindowFails(bool fails) {
  window_fails_ = fails;
}

Rgb HeadlessHost::PagePixel(int x, int y) const {
  if (!HasPage() || x < 0 || y < 0 || x >= page_width_ || y >= page_height_) return Rgb{0, 0, 0};
  return page_palette_[page_[static_cast<size_t>(y) * page_width_ + x]];
}

bool HeadlessHost::SavePng(const std::string& path) const {
  if (!HasPage()) return false;
  return common::WritePng(path, page_.data(), page_width_, page_width_, page_height_,
                          page_palette_.data());
}

void HeadlessHost::RenderAudio(int16_t* stereo, size_t frames) {
  if (audio_source_) {
    audio_source_->Mix(stereo, frames);
  } else {
    std::memset(stereo, 0, frames * 2 * sizeof(int16_t));
  }
}

}  // namespace host::headless
