#include "platform/limiter.h"

#include <cmath>

namespace platform {

float Limit(float sample) {
  float size = std::fabs(sample);
  if (size <= kLimiterKnee) return sample;
  constexpr float kRoom = kLimiterCeiling - kLimiterKnee;
  // Beyond a million the curve is flat in float anyway, and u * u must stay finite. Square
  // root and division round exactly on every target, so the audio is the same everywhere.
  float u = std::fmin((size - kLimiterKnee) / kRoom, 1e6f);
  float bent = kLimiterKnee + kRoom * (u / std::sqrt(1.0f + u * u));
  return std::copysign(bent, sample);
}

}  // namespace platform
