#include "platform/host/headless_host.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>

namespace host {
namespace {

// A spin on the clock gets one millisecond per this many reads without a move.
constexpr int kReadsPerIdleMillisecond = 100;

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

uint32_t Crc32(const uint8_t* data, size_t length, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < length; ++i) crc = CrcTable()[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void AppendChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBigEndian(out, static_cast<uint32_t>(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian(out, Crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored (uncompressed) deflate blocks: no compressor needed.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out = {0x78, 0x01};
  size_t pos = 0;
  do {
    size_t n = std::min<size_t>(raw.size() - pos, 65535);
    bool last = pos + n == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<uint8_t>(n));
    out.push_back(static_cast<uint8_t>(n >> 8));
    out.push_back(static_cast<uint8_t>(~n));
    out.push_back(static_cast<uint8_t>(~n >> 8));
    out.insert(out.end(), raw.begin() + pos, raw.begin() + pos + n);
    pos += n;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian(out, (b << 16) | a);
  return out;
}

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
                           const Rgb* palette) {
  page_width_ = width;
  page_height_ = height;
  page_.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    std::memcpy(&page_[static_cast<size_t>(y) * width], pixels + static_cast<ptrdiff_t>(y) * pitch,
                width);
  page_palette_.assign(palette, palette + 256);
  ++present_count_;
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
  return WritePng(path, page_.data(), page_width_, page_width_, page_height_, page_palette_.data());
}

void HeadlessHost::RenderAudio(int16_t* stereo, size_t frames) {
  if (audio_source_) {
    audio_source_->Mix(stereo, frames);
  } else {
    std::memset(stereo, 0, frames * 2 * sizeof(int16_t));
  }
}

bool WritePng(const std::string& path, const uint8_t* pixels, int pitch, int width, int height,
              const Rgb* palette) {
  if (width <= 0 || height <= 0) return false;
  std::vector<uint8_t> header;
  PutBigEndian(header, static_cast<uint32_t>(width));
  PutBigEndian(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits a sample, RGB, no interlace

  // Each row: filter type 0 (none), then the RGB bytes.
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (1 + 3 * static_cast<size_t>(width)));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * pitch;
    for (int x = 0; x < width; ++x) {
      const Rgb& c = palette[row[x]];
      raw.insert(raw.end(), {c.r, c.g, c.b});
    }
  }

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", StoredZlib(raw));
  AppendChunk(png, "IEND", {});

  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  file.close();
  return static_cast<bool>(file);
}

}  // namespace host
