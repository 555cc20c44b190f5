// The state trace: after each frame one JSON object on one line, the game's own names and
// values. Written through a large buffer so tracing costs little against the frame itself.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace recording {

// Appends the line for `frame` (with its newline), read from the game's globals.
void AppendTraceLine(long long frame, std::string* out);

// A 64-bit fingerprint of the world as the trace shows it (the random generator's state and
// every entry of the world's list; not the frame number or the clock), for recordings to
// check that a replay follows the game as it was played.
uint64_t WorldChecksum();

class TraceWriter {
 public:
  TraceWriter() = default;
  TraceWriter(const TraceWriter&) = delete;
  TraceWriter& operator=(const TraceWriter&) = delete;
  ~TraceWriter() { Close(); }

  bool Open(const std::string& path);
  void WriteFrame(long long frame);
  // Flushes and closes; false if anything failed to reach the file.
  bool Close();

 private:
  void Flush();
  std::FILE* file_ = nullptr;
  std::string buffer_;
  bool ok_ = true;
};

}  // namespace recording
