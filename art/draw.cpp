#include "art/draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/common/font.h"

namespace art {

Rgb Mix(Rgb a, Rgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Scale(Rgb c, float k) {
  return {c.r * k, c.g * k, c.b * k};
}
float Clamp01(float v) {
  return std::clamp(v, 0.f, 1.f);
}
float SmoothStep(float edge0, float edge1, float v) {
  float t = Clamp01((v - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

uint32_t Random::Next() {
  // xorshift32; a zero state would stick at zero.
  if (state_ == 0) state_ = 0x9E3779B9u;
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_;
}
float Random::Unit() {
  return float(Next() >> 8) / float(1 << 24);
}
int Random::Below(int n) {
  return int(Next() % uint32_t(n));
}

namespace {

float Lattice(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return float(h >> 8) / float(1 << 24);
}

}  // namespace

float ValueNoise(float x, float y, uint32_t seed) {
  float fx = std::floor(x), fy = std::floor(y);
  int ix = int(fx), iy = int(fy);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  float top = Lattice(ix, iy, seed) + (Lattice(ix + 1, iy, seed) - Lattice(ix, iy, seed)) * tx;
  float bottom =
      Lattice(ix, iy + 1, seed) + (Lattice(ix + 1, iy + 1, seed) - Lattice(ix, iy + 1, seed)) * tx;
  return top + (bottom - top) * ty;
}

float Fbm(float x, float y, uint32_t seed, int octaves) {
  float sum = 0, weight = 0, amplitude = 1;
  for (int i = 0; i < octaves; ++i) {
    sum += ValueNoise(x, y, seed + uint32_t(i) * 7919u) * amplitude;
    weight += amplitude;
    amplitude *= 0.5f;
    x *= 2.03f;
    y *= 2.03f;
  }
  return sum / weight;
}

namespace {

struct RampRange {
  Ramp ramp;
  int first;
  int count;
  std::vector<Color> stops;
};

// The palette is ramps of 15 or 16 entries each, so art shades smoothly in any hue it uses;
// the text colours the game asks for (green, blue, red, yellow) are exact entries.
const std::vector<RampRange>& Ramps() {
  static const std::vector<RampRange> ramps = {
      {Ramp::kGrey, 1, 15, {{17, 17, 17}, {255, 255, 255}}},
      {Ramp::kPlayer, 16, 16, {{8, 28, 6}, {40, 90, 24}, {90, 160, 50}, {200, 245, 150}}},
      {Ramp::kEnemy, 32, 16, {{6, 10, 40}, {25, 50, 140}, {60, 110, 230}, {185, 215, 255}}},
      {Ramp::kFire,
       48,
       16,
       {{50, 0, 0}, {170, 25, 0}, {240, 110, 10}, {255, 200, 40}, {255, 255, 220}}},
      {Ramp::kSmoke, 64, 16, {{22, 20, 20}, {80, 74, 70}, {165, 157, 148}}},
      {Ramp::kEarth, 80, 16, {{45, 34, 22}, {110, 86, 58}, {180, 152, 108}}},
      {Ramp::kSteel, 97, 15, {{18, 22, 28}, {80, 90, 105}, {215, 225, 235}}},
      {Ramp::kText, 112, 16, {{0, 255, 0}, {255, 255, 0}}},
      {Ramp::kRed, 128, 16, {{30, 0, 0}, {255, 0, 0}}},
      {Ramp::kBlue, 144, 16, {{0, 0, 30}, {0, 0, 255}}},
      {Ramp::kGold, 160, 16, {{45, 25, 5}, {170, 110, 20}, {250, 210, 90}, {255, 250, 200}}},
      {Ramp::kSky,
       176,
       16,
       {{6, 8, 30}, {40, 30, 90}, {150, 60, 100}, {240, 120, 70}, {255, 205, 130}}},
      {Ramp::kHills, 192, 16, {{12, 8, 24}, {45, 30, 70}, {110, 80, 130}}},
      {Ramp::kCyan, 208, 16, {{0, 25, 35}, {0, 160, 210}, {210, 255, 255}}},
      {Ramp::kSand, 224, 16, {{50, 32, 20}, {150, 105, 60}, {230, 190, 130}}},
      {Ramp::kMoss, 240, 16, {{22, 30, 18}, {70, 85, 45}, {150, 160, 100}}},
  };
  return ramps;
}

Rgb ToRgb(Color c) {
  return {float(c.r), float(c.g), float(c.b)};
}

Rgb StopsAt(const std::vector<Color>& stops, float t) {
  float pos = Clamp01(t) * float(stops.size() - 1);
  int i = std::min(int(pos), int(stops.size()) - 2);
  return Mix(ToRgb(stops[i]), ToRgb(stops[i + 1]), pos - float(i));
}

Palette BuildPalette() {
  Palette palette{};
  for (const RampRange& range : Ramps()) {
    for (int i = 0; i < range.count; ++i) {
      Rgb c = StopsAt(range.stops, float(i) / float(range.count - 1));
      palette[range.first + i] = {uint8_t(std::lround(c.r)), uint8_t(std::lround(c.g)),
                                  uint8_t(std::lround(c.b))};
    }
  }
  palette[kTransparentIndex] = {255, 0, 255};
  return palette;
}

}  // namespace

const Palette& GamePalette() {
  static const Palette palette = BuildPalette();
  return palette;
}

Rgb RampColor(Ramp ramp, float t) {
  for (const RampRange& range : Ramps()) {
    if (range.ramp == ramp) return Scale(StopsAt(range.stops, t), 1.f / 255.f);
  }
  return {};
}

void Canvas::Blend(int x, int y, Rgb c, float a) {
  if (!Inside(x, y) || a <= 0) return;
  a = std::min(a, 1.f);
  Rgb& p = At(x, y);
  p = Mix(p, c, a);
  float& pa = AlphaAt(x, y);
  pa = pa + (1 - pa) * a;
}

void Canvas::FillRect(int x0, int y0, int x1, int y1, Rgb c, float a) {
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) Blend(x, y, c, a);
  }
}

void Canvas::FillDisc(float cx, float cy, float radius, Rgb c) {
  for (int y = int(cy - radius) - 1; y <= int(cy + radius) + 1; ++y) {
    for (int x = int(cx - radius) - 1; x <= int(cx + radius) + 1; ++x) {
      float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
      if (d <= radius) Blend(x, y, c);
    }
  }
}

void Canvas::FillPolygon(const std::vector<float>& points, Rgb c) {
  size_t n = points.size() / 2;
  float min_y = 1e9f, max_y = -1e9f;
  for (size_t i = 0; i < n; ++i) {
    min_y = std::min(min_y, points[2 * i + 1]);
    max_y = std::max(max_y, points[2 * i + 1]);
  }
  for (int y = std::max(0, int(min_y)); y <= std::min(height - 1, int(max_y)); ++y) {
    float py = y + 0.5f;
    std::vector<float> crossings;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
      float xi = points[2 * i], yi = points[2 * i + 1];
      float xj = points[2 * j], yj = points[2 * j + 1];
      if ((yi > py) != (yj > py)) crossings.push_back(xi + (py - yi) / (yj - yi) * (xj - xi));
    }
    std::sort(crossings.begin(), crossings.end());
    for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
      for (int x = int(std::ceil(crossings[k] - 0.5f)); x + 0.5f <= crossings[k + 1]; ++x) {
        Blend(x, y, c);
      }
    }
  }
}

int NearestIndex(Rgb c) {
  // Six bits a channel is finer than any ramp step; entries are found on first use.
  static std::vector<int16_t> cache(64 * 64 * 64, -1);
  int r = std::clamp(int(c.r * 63.f + 0.5f), 0, 63);
  int g = std::clamp(int(c.g * 63.f + 0.5f), 0, 63);
  int b = std::clamp(int(c.b * 63.f + 0.5f), 0, 63);
  int16_t& slot = cache[(r * 64 + g) * 64 + b];
  if (slot >= 0) return slot;
  const Palette& palette = GamePalette();
  float fr = r * 255.f / 63.f, fg = g * 255.f / 63.f, fb = b * 255.f / 63.f;
  float best = 1e30f;
  int best_index = 0;
  for (int i = 0; i < 256; ++i) {
    if (i == kTransparentIndex) continue;
    float dr = fr - palette[i].r, dg = fg - palette[i].g, db = fb - palette[i].b;
    float d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (d < best) {
      best = d;
      best_index = i;
    }
  }
  slot = int16_t(best_index);
  return best_index;
}

Image Quantise(const Canvas& canvas, bool keyed, bool dither) {
  static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  Image image(canvas.width, canvas.height, 0);
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      size_t i = size_t(y) * canvas.width + x;
      if (keyed && canvas.alpha[i] < 0.5f) {
        image.At(x, y) = kTransparentIndex;
        continue;
      }
      Rgb c = canvas.color[i];
      if (dither) {
        float d = (float(bayer[y & 3][x & 3]) / 16.f - 0.47f) * (14.f / 255.f);
        c = {c.r + d, c.g + d, c.b + d};
      }
      image.At(x, y) = uint8_t(NearestIndex(c));
    }
  }
  return image;
}

int TextWidth(const char* text, int scale) {
  return host::common::font::TextWidth(text, int(std::strlen(text))) * scale;
}

std::vector<float> TextMask(int width, int height, int x, int y, const char* text, int scale) {
  std::vector<float> mask(size_t(width) * height, 0.f);
  for (const char* p = text; *p; ++p) {
    int advance = host::common::font::Advance(*p);
    for (int fy = 0; fy < host::common::font::kHeight; ++fy) {
      for (int fx = 0; fx < advance; ++fx) {
        if (!host::common::font::Pixel(*p, fx, fy)) continue;
        for (int sy = 0; sy < scale; ++sy) {
          for (int sx = 0; sx < scale; ++sx) {
            int px = x + fx * scale + sx, py = y + fy * scale + sy;
            if (px >= 0 && py >= 0 && px < width && py < height) {
              mask[size_t(py) * width + px] = 1.f;
            }
          }
        }
      }
    }
    x += advance * scale;
  }
  return mask;
}

void DrawText(Canvas* canvas, int x, int y, const char* text, Rgb c, int scale) {
  std::vector<float> mask = TextMask(canvas->width, canvas->height, x, y, text, scale);
  for (int py = 0; py < canvas->height; ++py) {
    for (int px = 0; px < canvas->width; ++px) {
      if (mask[size_t(py) * canvas->width + px] > 0) canvas->Blend(px, py, c);
    }
  }
}

std::vector<uint8_t> EncodeBmp(const Image& image, const Palette& palette) {
  const uint32_t header_bytes = 14 + 40 + 256 * 4;
  const uint32_t image_bytes = uint32_t(image.width) * uint32_t(image.height);
  std::vector<uint8_t> out;
  out.reserve(header_bytes + image_bytes);
  auto u16 = [&](uint32_t v) { PutLe16(&out, v); };
  auto u32 = [&](uint32_t v) { PutLe32(&out, v); };
  out.push_back('B');
  out.push_back('M');
  u32(header_bytes + image_bytes);
  u32(0);  // two reserved words
  u32(header_bytes);
  u32(40);
  u32(uint32_t(image.width));
  u32(uint32_t(image.height));  // positive: bottom-up
  u16(1);                       // planes
  u16(8);                       // bits per pixel
  u32(0);                       // BI_RGB
  u32(image_bytes);
  u32(2835);  // 72 dpi, both ways
  u32(2835);
  u32(256);
  u32(256);
  for (const Color& c : palette) {
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(0);
  }
  for (int y = image.height - 1; y >= 0; --y) {
    const uint8_t* row = &image.pixels[size_t(y) * image.width];
    out.insert(out.end(), row, row + image.width);
  }
  return out;
}

void PutLe16(std::vector<uint8_t>* out, uint32_t value) {
  out->push_back(uint8_t(value));
  out->push_back(uint8_t(value >> 8));
}

void PutLe32(std::vector<uint8_t>* out, uint32_t value) {
  PutLe16(out, value & 0xFFFF);
  PutLe16(out, value >> 16);
}

}  // namespace art
