#include "tools/headless/wav_writer.h"

#include <vector>

namespace runner {

namespace {

void Put16(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(v & 0xFF);
  out->push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>* out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

constexpr int kChannels = 2;
constexpr int kBytesPerFrame = kChannels * 2;
constexpr uint64_t kMaxData = 0xFFFFFFFFull - 36;  // the RIFF size field is 32 bits

}  // namespace

bool WavWriter::Open(const std::string& path, int sample_rate) {
  Close();
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) return false;
  sample_rate_ = sample_rate;
  data_bytes_ = 0;
  ok_ = true;
  return WriteHeader();
}

bool WavWriter::WriteHeader() {
  uint32_t data = static_cast<uint32_t>(data_bytes_ > kMaxData ? kMaxData : data_bytes_);
  std::vector<uint8_t> h;
  h.insert(h.end(), {'R', 'I', 'F', 'F'});
  Put32(&h, 36 + data);
  h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(&h, 16);
  Put16(&h, 1);  // PCM
  Put16(&h, kChannels);
  Put32(&h, static_cast<uint32_t>(sample_rate_));
  Put32(&h, static_cast<uint32_t>(sample_rate_) * kBytesPerFrame);
  Put16(&h, kBytesPerFrame);
  Put16(&h, 16);
  h.insert(h.end(), {'d', 'a', 't', 'a'});
  Put32(&h, data);
  ok_ = ok_ && std::fwrite(h.data(), 1, h.size(), file_) == h.size();
  return ok_;
}

bool WavWriter::Write(const int16_t* stereo, size_t frames) {
  if (!file_ || frames == 0) return ok_;
  // Little-endian samples, whatever the machine.
  std::vector<uint8_t> bytes(frames * kBytesPerFrame);
  for (size_t i = 0; i < frames * kChannels; ++i) {
    uint16_t s = static_cast<uint16_t>(stereo[i]);
    bytes[2 * i] = s & 0xFF;
    bytes[2 * i + 1] = s >> 8;
  }
  ok_ = ok_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
  data_bytes_ += bytes.size();
  return ok_;
}

bool WavWriter::Close() {
  if (!file_) return ok_;
  if (std::fseek(file_, 0, SEEK_SET) != 0) ok_ = false;
  if (ok_) WriteHeader();
  if (std::fclose(file_) != 0) ok_ = false;
  file_ = nullptr;
  return ok_;
}

}  // namespace runner
