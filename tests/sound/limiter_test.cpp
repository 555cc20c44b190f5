// The limiter's curve on its own; the mixer tests hear it on real sums.
#include "platform/limiter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using platform::kLimiterCeiling;
using platform::kLimiterKnee;
using platform::Limit;

TEST(Limiter, EverySampleUpToMinusThreeDecibelsPassesExactly) {
  EXPECT_NEAR(20 * std::log10(kLimiterKnee / 32767.0), -3.0, 0.001);
  for (int x = -23197; x <= 23197; ++x) ASSERT_EQ(Limit(float(x)), float(x)) << x;
  // A mix of resampled, scaled voices is fractional.
  EXPECT_EQ(Limit(kLimiterKnee - 0.25f), kLimiterKnee - 0.25f);
  EXPECT_EQ(Limit(-1234.567f), -1234.567f);
}

TEST(Limiter, AboveTheKneeTheCurveBendsWithoutACornerAndStaysUnderTheCeiling) {
  // Slopes over 64-unit steps from below the knee to ten times full scale: between 0 and 1
  // (never turning back, never steeper than the sum) and changing gradually, from 1 at the
  // knee; a corner or a step in the curve changes the slope at once.
  constexpr float kStep = 64.0f;
  float previous = 1.0f;
  for (float x = kLimiterKnee - 1024; x < 327680; x += kStep) {
    float slope = (Limit(x + kStep) - Limit(x)) / kStep;
    ASSERT_GE(slope, 0.0f) << x;
    ASSERT_LE(slope, 1.0f) << x;
    ASSERT_NEAR(slope, previous, 0.01f) << x;
    ASSERT_EQ(Limit(-x), -Limit(x)) << x;
    previous = slope;
  }
  EXPECT_LT(previous, 0.001f);  // flat by then, close under the ceiling
  EXPECT_GT(Limit(327680), kLimiterCeiling - 100);
  for (float huge : {1e6f, 1e30f, std::numeric_limits<float>::max()}) {
    EXPECT_LE(Limit(huge), kLimiterCeiling) << huge;
    EXPECT_GE(Limit(-huge), -kLimiterCeiling) << huge;
  }
}

}  // namespace
