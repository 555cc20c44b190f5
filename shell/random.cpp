#include "shell/random.h"

namespace {
uint32_t random_state = 1;
}

void RandomSeed(uint32_t seed) {
  random_state = seed;
}

int RandomNext() {
  random_state = random_state * 214013u + 2531011u;
  return static_cast<int>((random_state >> 16) & 0x7FFF);
}

uint32_t RandomState() {
  return random_state;
}
