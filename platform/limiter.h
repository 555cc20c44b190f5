// The mixer's last stage: keeps the sum of the voices inside 16 bits without the hard corners
// of clipping, which are heard as crackle when explosions, the jingle and the music overlap.
// It has no memory, so it cannot pump: each sample is bent on its own, the same way every time.
#pragma once

namespace platform {

// -3 dBFS: 32767 * 10^(-3/20) = 23197.3. Every sample up to here passes exactly.
inline constexpr float kLimiterKnee = 23197.0f;
// What the curve tends to and never reaches, so no sample comes out at full scale.
inline constexpr float kLimiterCeiling = 32766.0f;

// One sample on the 16-bit scale, either sign: itself up to the knee; above it
// knee + room * u / sqrt(1 + u^2), with room = ceiling - knee and u = (|x| - knee) / room,
// which leaves the knee with slope 1 and no bend, so a sound growing across it changes
// smoothly. Never beyond +-kLimiterCeiling, which float rounding reaches only for sums far
// past full scale.
float Limit(float sample);

}  // namespace platform
