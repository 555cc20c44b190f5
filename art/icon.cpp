// The desktop icon: the player's tank from the sprite sheet, pixel for pixel but seven times
// as large, on a dark patch of the battlefield.
#include <algorithm>
#include <cmath>

#include "art/draw.h"

namespace art {

Image MakeIcon() {
  constexpr int kArt = 31;  // the tank's art area
  constexpr int kZoom = kIconSize * 7 / 8 / kArt;
  constexpr int kLeft = (kIconSize - kArt * kZoom) / 2;
  const Canvas tank = DrawTank(Ramp::kPlayer, 0);
  auto covered = [&](int x, int y, int shift_x, int shift_y) {
    int ax = (x - kLeft - shift_x) / kZoom, ay = (y - kLeft - shift_y) / kZoom;
    return x - kLeft - shift_x >= 0 && y - kLeft - shift_y >= 0 && ax < kArt && ay < kArt &&
           tank.alpha[size_t(ay) * tank.width + ax] >= 0.5f;
  };

  // Ground and shadow are dithered so the vignette does not band; the tank is not, so its
  // big pixels stay flat.
  Canvas ground(kIconSize, kIconSize);
  Canvas top(kIconSize, kIconSize);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      float dx = (x + 0.5f) / kIconSize - 0.5f, dy = (y + 0.5f) / kIconSize - 0.5f;
      float vignette = 1.f - 1.6f * (dx * dx + dy * dy);
      float n = Fbm(x / 24.f, y / 24.f, 4242, 4);
      ground.Blend(x, y, RampColor(Ramp::kMoss, std::max(0.f, (0.1f + 0.3f * n) * vignette)));
      if (covered(x, y, kZoom, kZoom)) ground.Blend(x, y, {0, 0, 0}, 0.55f);
      if (covered(x, y, 0, 0)) {
        int ax = (x - kLeft) / kZoom, ay = (y - kLeft) / kZoom;
        top.Blend(x, y, tank.color[size_t(ay) * tank.width + ax]);
      }
    }
  }
  Image icon = Quantise(ground, false, true);
  Image tank_layer = Quantise(top, true, false);
  for (size_t i = 0; i < icon.pixels.size(); ++i) {
    if (tank_layer.pixels[i] != kTransparentIndex) icon.pixels[i] = tank_layer.pixels[i];
  }
  return icon;
}

Image ScaleIcon(const Image& icon, int size) {
  const Palette& palette = GamePalette();
  Image scaled(size, size, 0);
  for (int y = 0; y < size; ++y) {
    int top = y * icon.height / size;
    int bottom = std::max(top + 1, (y + 1) * icon.height / size);
    for (int x = 0; x < size; ++x) {
      int left = x * icon.width / size;
      int right = std::max(left + 1, (x + 1) * icon.width / size);
      Rgb sum;
      for (int sy = top; sy < bottom; ++sy) {
        for (int sx = left; sx < right; ++sx) {
          const Color& c = palette[icon.At(sx, sy)];
          sum.r += c.r;
          sum.g += c.g;
          sum.b += c.b;
        }
      }
      scaled.At(x, y) =
          uint8_t(NearestIndex(Scale(sum, 1.f / (255.f * (bottom - top) * (right - left)))));
    }
  }
  return scaled;
}

}  // namespace art
