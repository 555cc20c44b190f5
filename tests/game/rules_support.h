// A quiet world for the rule tests: every pool shaped as start-up leaves it (sizes, flags,
// frame counts, states) but without surfaces, the counters as at program start, no sound.
#pragma once
#include <gtest/gtest.h>

#include <functional>

#include "game/world.h"

namespace rules {

void ResetWorld();

// A key on the headless host, read through the engine's keyboard (opened on first use).
// ResetWorld lets every key go.
void HoldKey(int scan_code, bool down);

// One play frame of gameplay steps, in the frame driver's order, without any drawing.
void PlayFrame();

// Seeds the generator with the first seed whose next draws satisfy `wanted` (tested on a
// scratch run of the generator), so a test can ask for a lucky draw without knowing seeds.
void SeedSoThat(const std::function<bool()>& wanted);

// Puts player shell `shell` onto enemy tank `slot` and runs the shell hit test.
void ShootTank(int shell, int slot);

// Makes tank `slot` active at (x, y), as the level-start placement would.
void ActivateTank(int slot, int x, int y);

class Rules : public testing::Test {
 protected:
  void SetUp() override { ResetWorld(); }
};

}  // namespace rules
