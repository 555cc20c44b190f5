// Random presses and releases of the game's keys for soak runs. Its own generator, so the
// game's random course is not disturbed by the choice of keys.
#pragma once
#include <cstdint>
#include <functional>

namespace runner {

class RandomInput {
 public:
  explicit RandomInput(uint64_t seed) : state_(seed) {}

  // Decides the keys for the next frame; `set_key(scan_code, down)` is called for every
  // key whose state changes.
  void Step(const std::function<void(int, bool)>& set_key);

 private:
  uint64_t Next();
  uint64_t state_;
  bool held_[256] = {};
};

}  // namespace runner
