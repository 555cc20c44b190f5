#include "recording/trace.h"

#include <charconv>
#include <cstdint>

#include "game/world.h"
#include "shell/app_shell.h"
#include "shell/random.h"

namespace recording {

namespace {

constexpr size_t kFlushAt = 1 << 20;

void Number(std::string* out, long long value) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  out->append(digits, end);
}

// `"name":` preceded by a comma unless it opens the object.
void Key(std::string* out, const char* name) {
  if (out->back() != '{') out->push_back(',');
  out->push_back('"');
  out->append(name);
  out->append("\":");
}

void Field(std::string* out, const char* name, long long value) {
  Key(out, name);
  Number(out, value);
}

void Numbers(std::string* out, const int* values, int count) {
  out->push_back('[');
  for (int i = 0; i < count; ++i) {
    if (i) out->push_back(',');
    Number(out, values[i]);
  }
  out->push_back(']');
}

void Sprite(std::string* out, const BOB& bob) {
  out->push_back('{');
  Field(out, "state", bob.state);
  Field(out, "x", bob.x);
  Field(out, "y", bob.y);
  Field(out, "frame", bob.frame);
  Field(out, "anim_tick", bob.anim_tick);
  Key(out, "user");
  Numbers(out, bob.user_slots, 8);
  out->push_back('}');
}

void Sprites(std::string* out, const BOB* pool, int count) {
  out->push_back('[');
  for (int i = 0; i < count; ++i) {
    if (i) out->push_back(',');
    Sprite(out, pool[i]);
  }
  out->push_back(']');
}

// Each kind of world entry as JSON: a number, a list of numbers, a sprite, a list of sprites.
struct WorldValue {
  std::string* out;
  void operator()(const char* name, int value) const { Field(out, name, value); }
  template <int N>
  void operator()(const char* name, const int (&values)[N]) const {
    Key(out, name);
    Numbers(out, values, N);
  }
  void operator()(const char* name, const BOB& bob) const {
    Key(out, name);
    Sprite(out, bob);
  }
  template <int N>
  void operator()(const char* name, const BOB (&pool)[N]) const {
    Key(out, name);
    Sprites(out, pool, N);
  }
};

void AppendWorld(std::string* out) {
  Field(out, "rand_state", RandomState());
  VisitWorld(WorldValue{out});
}

}  // namespace

void AppendTraceLine(long long frame, std::string* out) {
  out->push_back('{');
  Field(out, "frame", frame);
  Field(out, "tick", frame_start_tick);
  AppendWorld(out);
  out->append("}\n");
}

uint64_t WorldChecksum() {
  std::string world = "{";
  AppendWorld(&world);
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : world) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

bool TraceWriter::Open(const std::string& path) {
  Close();
  file_ = std::fopen(path.c_str(), "wb");
  ok_ = file_ != nullptr;
  buffer_.reserve(kFlushAt + (64 << 10));
  return ok_;
}

void TraceWriter::WriteFrame(long long frame) {
  if (!file_) return;
  AppendTraceLine(frame, &buffer_);
  if (buffer_.size() >= kFlushAt) Flush();
}

void TraceWriter::Flush() {
  if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
    ok_ = false;
  buffer_.clear();
}

bool TraceWriter::Close() {
  if (!file_) return ok_;
  Flush();
  if (std::fclose(file_) != 0) ok_ = false;
  file_ = nullptr;
  return ok_;
}

}  // namespace recording
