// The one pseudo-random generator of the whole program: the classic linear-congruential
// rule, so a game's course depends only on its seed and the player's input.
#pragma once
#include <cstdint>

void RandomSeed(uint32_t seed);
int RandomNext();        // 0..32767
uint32_t RandomState();  // the raw 32-bit state, for traces
