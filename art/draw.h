// Drawing helpers shared by the picture generators: a floating-point RGB canvas with
// coverage, seeded noise, the palette's ramps, text in the game's own font, and the
// conversion to palette indices.
#pragma once

#include <cstdint>
#include <vector>

#include "art/assets.h"

namespace art {

struct Rgb {
  float r = 0, g = 0, b = 0;
};
Rgb Mix(Rgb a, Rgb b, float t);
Rgb Scale(Rgb c, float k);
float Clamp01(float v);
float SmoothStep(float edge0, float edge1, float v);

// Our own generator, so the output never depends on the standard library's.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed) {}
  uint32_t Next();
  float Unit();  // [0, 1)
  int Below(int n);

 private:
  uint32_t state_;
};

// Smooth value noise in [0, 1], and a few octaves of it.
float ValueNoise(float x, float y, uint32_t seed);
float Fbm(float x, float y, uint32_t seed, int octaves);

// The palette's ramps, so the art picks colours that quantise cleanly.
enum class Ramp {
  kGrey,
  kPlayer,
  kEnemy,
  kFire,
  kSmoke,
  kEarth,
  kSteel,
  kText,
  kRed,
  kBlue,
  kGold,
  kSky,
  kHills,
  kCyan,
  kSand,
  kMoss
};
// t in [0, 1] from the ramp's darkest to its lightest entry.
Rgb RampColor(Ramp ramp, float t);

struct Canvas {
  int width;
  int height;
  std::vector<Rgb> color;
  std::vector<float> alpha;

  Canvas(int w, int h) : width(w), height(h), color(size_t(w) * h), alpha(size_t(w) * h, 0.f) {}
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  Rgb& At(int x, int y) { return color[size_t(y) * width + x]; }
  float& AlphaAt(int x, int y) { return alpha[size_t(y) * width + x]; }
  // Paints over what is there with coverage a; outside pixels are ignored.
  void Blend(int x, int y, Rgb c, float a = 1.f);
  void FillRect(int x0, int y0, int x1, int y1, Rgb c, float a = 1.f);  // inclusive
  void FillDisc(float cx, float cy, float radius, Rgb c);
  // Even-odd fill of a polygon given as x, y pairs.
  void FillPolygon(const std::vector<float>& points, Rgb c);
};

// Nearest palette entry, never the colour key.
int NearestIndex(Rgb c);
// Pixels with coverage below one half become the colour key when `keyed`; `dither` adds an
// ordered dither so gradients do not band.
Image Quantise(const Canvas& canvas, bool keyed, bool dither);

// A tank facing up in the 31 x 31 art area of a 32 x 32 canvas; tread_phase shifts the track
// links. The sprite sheet turns it; the icon draws it large.
Canvas DrawTank(Ramp body, int tread_phase);

// Text in the game's font; scale > 1 enlarges each font pixel to a scale x scale block.
int TextWidth(const char* text, int scale = 1);
void DrawText(Canvas* canvas, int x, int y, const char* text, Rgb c, int scale = 1);
// 1 where the text's ink is, on a canvas-sized grid.
std::vector<float> TextMask(int width, int height, int x, int y, const char* text, int scale);

// Little-endian words appended to a file being built, as both file formats store them.
void PutLe16(std::vector<uint8_t>* out, uint32_t value);
void PutLe32(std::vector<uint8_t>* out, uint32_t value);

}  // namespace art
