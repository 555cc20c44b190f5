// A 16-bit stereo PCM WAV file written as it grows; the sizes are filled in on Close.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace runner {

class WavWriter {
 public:
  WavWriter() = default;
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;
  ~WavWriter() { Close(); }

  bool Open(const std::string& path, int sample_rate);
  bool Write(const int16_t* stereo, size_t frames);
  // Patches the header; false if anything failed to reach the file.
  bool Close();
  bool IsOpen() const { return file_ != nullptr; }

 private:
  bool WriteHeader();
  std::FILE* file_ = nullptr;
  int sample_rate_ = 0;
  uint64_t data_bytes_ = 0;
  bool ok_ = true;
};

}  // namespace runner
