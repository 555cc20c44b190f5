// The one pseudo-random generator of the whole program: the classic linear-congruential
// rule, so a game's course depends only on its seed and the player's input.
#pragma once
#include <cstdint>

// Starts the sequence afresh from a seed.
void RandomSeed(uint32_t seed);
// The next number, 0..32767.
int RandomNext();
// The raw 32-bit state, for traces.
uint32_t RandomState();
