#include "tools/headless/random_input.h"

#include "recording/script.h"
#include "host/common/key_names.h"

namespace runner {

namespace {

// Chances per frame, in 1/1000: of pressing a released key and of letting a held key go.
// Movement and fire are busy; the keys that change the course of the game are rare, and
// Escape is left out so that a soak run is not cut short.
struct KeyOdds {
  const char* name;
  int press;
  int release;
};
constexpr KeyOdds kOdds[] = {
    {"UP", 100, 120},    {"DOWN", 100, 120},    {"LEFT", 100, 120},   {"RIGHT", 100, 120},
    {"SPACE", 150, 250}, {"LCONTROL", 15, 300}, {"RCONTROL", 5, 300}, {"RETURN", 3, 500},
    {"F1", 20, 500},     {"F2", 3, 500},        {"F3", 3, 500},       {"F4", 2, 500},
};

}  // namespace

uint64_t RandomInput::Next() {
  // splitmix64
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void RandomInput::Step(const std::function<void(int, bool)>& set_key) {
  for (const KeyOdds& key : kOdds) {
    int code = host::common::ScanCodeOf(key.name);
    bool held = held_[code];
    int chance = held ? key.release : key.press;
    if (static_cast<int>(Next() % 1000) < chance) {
      held_[code] = !held;
      set_key(code, !held);
    }
  }
}

}  // namespace runner
