// The two full-screen pictures: the playfield border with its status panel, and the title.
#include <algorithm>
#include <cmath>

#include "host/common/font.h"
#include "art/draw.h"

namespace art {
namespace {

// Ground the tanks drive on and the shells fly over; everything outside is frame and panel.
constexpr int kGroundLeft = 5, kGroundRight = 795, kGroundTop = 80, kGroundBottom = 596;
// The strip the game blanks from the right, 6 pixels per mine laid.
constexpr int kGaugeLeft = 55, kGaugeTop = 45, kGaugeBottom = 54, kGaugeMines = 15;

struct Box {
  int left, top, right, bottom;  // inclusive
};

// Places where the game prints its green numbers, kept flat and dark.
constexpr Box kLivesWindow{80, 9, 140, 31};
constexpr Box kEnemiesWindow{734, 9, 794, 31};
constexpr Box kScoreWindow{734, 41, 794, 63};
constexpr Box kLevelWindow{384, 59, 434, 78};
constexpr Box kGaugeWindow{kGaugeLeft - 2, kGaugeTop - 2, kGaugeLeft + 6 * kGaugeMines + 1,
                           kGaugeBottom + 2};

void Recess(Canvas* c, const Box& b, Rgb inside) {
  c->FillRect(b.left, b.top, b.right, b.bottom, inside);
  c->FillRect(b.left - 1, b.top - 1, b.right, b.top - 1, RampColor(Ramp::kSteel, 0.08f));
  c->FillRect(b.left - 1, b.top - 1, b.left - 1, b.bottom, RampColor(Ramp::kSteel, 0.08f));
  c->FillRect(b.left - 1, b.bottom + 1, b.right + 1, b.bottom + 1, RampColor(Ramp::kSteel, 0.75f));
  c->FillRect(b.right + 1, b.top - 1, b.right + 1, b.bottom + 1, RampColor(Ramp::kSteel, 0.75f));
}

void Label(Canvas* c, int x, int y, const char* text) {
  DrawText(c, x + 1, y + 1, text, RampColor(Ramp::kSteel, 0.05f));
  DrawText(c, x, y, text, RampColor(Ramp::kSteel, 0.95f));
}

void LabelRightAligned(Canvas* c, int right, int y, const char* text) {
  Label(c, right - TextWidth(text), y, text);
}

void Rivet(Canvas* c, float x, float y) {
  c->FillDisc(x + 0.6f, y + 0.6f, 2.4f, RampColor(Ramp::kSteel, 0.15f));
  c->FillDisc(x, y, 2.2f, RampColor(Ramp::kSteel, 0.55f));
  c->FillDisc(x - 0.6f, y - 0.6f, 1.0f, RampColor(Ramp::kSteel, 0.9f));
}

// Grows a mask by `radius` pixels (a disc), for outlines and shadows.
std::vector<float> Dilate(const std::vector<float>& mask, int width, int height, int radius) {
  std::vector<float> out(mask.size(), 0.f);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (mask[size_t(y) * width + x] < 0.5f) continue;
      for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
          int px = x + dx, py = y + dy;
          if (dx * dx + dy * dy > radius * radius + radius) continue;
          if (px >= 0 && py >= 0 && px < width && py < height) out[size_t(py) * width + px] = 1.f;
        }
      }
    }
  }
  return out;
}

// Rounds the blocky corners of enlarged font pixels: blur, then cut at one half.
std::vector<float> Soften(const std::vector<float>& mask, int width, int height, int radius) {
  std::vector<float> out(mask.size(), 0.f);
  int area = (2 * radius + 1) * (2 * radius + 1);
  for (int y = radius; y < height - radius; ++y) {
    for (int x = radius; x < width - radius; ++x) {
      float sum = 0;
      for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) sum += mask[size_t(y + dy) * width + x + dx];
      }
      out[size_t(y) * width + x] = sum / float(area) >= 0.5f ? 1.f : 0.f;
    }
  }
  return out;
}

// Large lettering: soft drop shadow, dark outline, a metal gradient with a bevelled top edge.
void DrawBigText(Canvas* c, int center_x, int top, const char* text, int scale, Ramp metal,
                 int outline) {
  int x = center_x - TextWidth(text, scale) / 2;
  std::vector<float> mask =
      Soften(TextMask(c->width, c->height, x, top, text, scale), c->width, c->height, scale / 3);
  std::vector<float> rim = Dilate(mask, c->width, c->height, outline);
  std::vector<float> shadow = Dilate(rim, c->width, c->height, outline);
  int height = host::common::font::kHeight * scale;
  int shift = std::max(2, scale);
  for (int y = 0; y < c->height; ++y) {
    for (int px = 0; px < c->width; ++px) {
      size_t i = size_t(y) * c->width + px;
      int sx = px - shift, sy = y - shift;
      if (sx >= 0 && sy >= 0 && shadow[size_t(sy) * c->width + sx] > 0) {
        c->Blend(px, y, {0, 0, 0}, 0.55f);
      }
      if (rim[i] > 0) c->Blend(px, y, RampColor(Ramp::kHills, 0.02f));
      if (mask[i] == 0) continue;
      float t = float(y - top) / float(height);
      float shade = 0.95f - 0.55f * t + 0.25f * std::exp(-std::pow((t - 0.38f) * 9.f, 2.f));
      bool lit_edge = y >= 2 && mask[i - 2 * size_t(c->width)] == 0;
      bool dark_edge = y + 2 < c->height && mask[i + 2 * size_t(c->width)] == 0;
      if (lit_edge) shade += 0.25f;
      if (dark_edge) shade -= 0.25f;
      c->Blend(px, y, RampColor(metal, shade));
    }
  }
}

void DrawGround(Canvas* c) {
  for (int y = kGroundTop; y <= kGroundBottom; ++y) {
    for (int x = kGroundLeft; x <= kGroundRight; ++x) {
      float broad = Fbm(x / 110.f, y / 110.f, 11, 4);
      float grain = ValueNoise(x / 2.2f, y / 2.2f, 12);
      float t = 0.47f + 0.22f * (broad - 0.5f) + 0.08f * (grain - 0.5f);
      Rgb earth = RampColor(Ramp::kEarth, t);
      float moss = SmoothStep(0.62f, 0.75f, Fbm(x / 140.f + 9.f, y / 140.f, 13, 4));
      c->At(x, y) = Mix(earth, RampColor(Ramp::kMoss, 0.3f + 0.1f * grain), moss * 0.55f);
    }
  }
  // Old tread marks: pairs of faint laddered bands along gentle curves.
  struct Track {
    bool across;
    float offset, amplitude, wavelength, phase;
  };
  for (const Track& tr : {Track{true, 200, 40, 160, 0.5f}, Track{true, 470, 55, 210, 2.f},
                          Track{false, 610, 45, 180, 1.f}, Track{false, 150, 35, 140, 4.f}}) {
    int length = tr.across ? kGroundRight : kGroundBottom;
    for (int s = tr.across ? kGroundLeft : kGroundTop; s <= length; ++s) {
      float centre = tr.offset + tr.amplitude * std::sin(s / tr.wavelength + tr.phase);
      if (s % 4 == 0) continue;
      for (float band : {-11.f, 7.f}) {
        for (int w = 0; w < 5; ++w) {
          int across = int(centre + band + w);
          int x = tr.across ? s : across, y = tr.across ? across : s;
          if (x < kGroundLeft || x > kGroundRight || y < kGroundTop || y > kGroundBottom) continue;
          c->At(x, y) = Scale(c->At(x, y), 0.93f);
        }
      }
    }
  }
  Random random(21);
  for (int i = 0; i < 1400; ++i) {
    int x = kGroundLeft + random.Below(kGroundRight - kGroundLeft);
    int y = kGroundTop + random.Below(kGroundBottom - kGroundTop);
    Rgb stone = RampColor(Ramp::kEarth, 0.62f + 0.3f * random.Unit());
    c->At(x, y) = stone;
    if (random.Below(3) == 0 && x + 1 <= kGroundRight) c->At(x + 1, y) = stone;
    if (y + 1 <= kGroundBottom) c->At(x, y + 1) = RampColor(Ramp::kEarth, 0.22f);
  }
}

void DrawMineGauge(Canvas* c) {
  Recess(c, kGaugeWindow, RampColor(Ramp::kSteel, 0.02f));
  c->FillRect(kGaugeLeft, kGaugeTop, kGaugeLeft + 6 * kGaugeMines - 1, kGaugeBottom,
              RampColor(Ramp::kMoss, 0.85f));
  for (int i = 0; i < kGaugeMines; ++i) {
    float cx = kGaugeLeft + 6 * i + 2.5f;
    c->FillDisc(cx, 51.f, 2.6f, RampColor(Ramp::kSteel, 0.12f));
    c->FillDisc(cx - 0.5f, 50.5f, 1.0f, RampColor(Ramp::kSteel, 0.7f));
    c->Blend(int(cx), 47, RampColor(Ramp::kRed, 1.f));
    c->Blend(int(cx), 46, RampColor(Ramp::kRed, 0.6f));
  }
}

}  // namespace

Image MakeBorder() {
  Canvas c(kScreenWidth, kScreenHeight);
  for (int y = 0; y < kScreenHeight; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      float brushed = Fbm(x / 60.f, y / 1.3f, 5, 3);
      c.At(x, y) = RampColor(Ramp::kSteel, 0.5f + 0.1f * (brushed - 0.5f) - 0.001f * y);
    }
  }
  // Bevels: the plate catches light on top and left, the ground sits in an inset.
  c.FillRect(0, 0, kScreenWidth - 1, 1, RampColor(Ramp::kSteel, 0.85f));
  c.FillRect(0, 0, 1, kScreenHeight - 1, RampColor(Ramp::kSteel, 0.8f));
  c.FillRect(kScreenWidth - 2, 0, kScreenWidth - 1, kScreenHeight - 1,
             RampColor(Ramp::kSteel, 0.22f));
  c.FillRect(0, kScreenHeight - 2, kScreenWidth - 1, kScreenHeight - 1,
             RampColor(Ramp::kSteel, 0.22f));
  DrawGround(&c);
  c.FillRect(kGroundLeft - 1, kGroundTop - 1, kGroundRight, kGroundTop - 1,
             RampColor(Ramp::kSteel, 0.08f));
  c.FillRect(kGroundLeft - 1, kGroundTop - 1, kGroundLeft - 1, kGroundBottom,
             RampColor(Ramp::kSteel, 0.08f));
  c.FillRect(kGroundLeft, kGroundBottom + 1, kGroundRight + 1, kGroundBottom + 1,
             RampColor(Ramp::kSteel, 0.8f));
  c.FillRect(kGroundRight + 1, kGroundTop, kGroundRight + 1, kGroundBottom + 1,
             RampColor(Ramp::kSteel, 0.8f));

  Rgb window = RampColor(Ramp::kSteel, 0.0f);
  for (const Box& b : {kLivesWindow, kEnemiesWindow, kScoreWindow, kLevelWindow}) {
    Recess(&c, b, window);
  }
  DrawMineGauge(&c);
  Label(&c, 12, 12, "LIVES");
  Label(&c, 12, 42, "MINES");
  LabelRightAligned(&c, kEnemiesWindow.left - 6, 12, "ENEMIES");
  LabelRightAligned(&c, kScoreWindow.left - 6, 44, "SCORE");
  LabelRightAligned(&c, kLevelWindow.left - 6, 62, "LEVEL");
  DrawBigText(&c, 400, 8, "FERROWYN", 2, Ramp::kGold, 1);
  for (float x : {8.f, 200.f, 600.f, 791.f}) {
    Rivet(&c, x, 8.f);
    Rivet(&c, x, 70.f);
  }
  Image border = Quantise(c, false, true);
  // Dithering would speckle the number windows; the green digits want them flat.
  uint8_t flat = uint8_t(NearestIndex(window));
  for (const Box& b : {kLivesWindow, kEnemiesWindow, kScoreWindow, kLevelWindow}) {
    for (int y = b.top; y <= b.bottom; ++y) {
      for (int x = b.left; x <= b.right; ++x) border.At(x, y) = flat;
    }
  }
  return border;
}

namespace {

// A side view of a tank as one silhouette; facing = +1 looks right, -1 left.
void TankSilhouette(Canvas* c, float base_x, float base_y, float scale, float facing, Rgb col) {
  auto shape = [&](std::initializer_list<float> pts) {
    std::vector<float> out;
    for (auto it = pts.begin(); it != pts.end(); it += 2) {
      out.push_back(base_x + facing * it[0] * scale);
      out.push_back(base_y + it[1] * scale);
    }
    c->FillPolygon(out, col);
  };
  shape({-3, -3, 0, -7, 44, -7, 48, -3, 44, 1, 1, 1});      // tracks
  shape({-1, -6, 2, -12, 38, -12, 47, -6});                 // hull
  shape({9, -12, 12, -19, 29, -20, 34, -12});               // turret
  shape({29, -17, 64, -16.4f, 64, -14.2f, 29, -14});        // barrel
  shape({61, -17.2f, 66, -17.2f, 66, -13.4f, 61, -13.4f});  // muzzle brake
  shape({14, -19, 15, -19, 11.5f, -36, 11, -36});           // antenna
}

float Ridge(float x, float base, float height, uint32_t seed, float width) {
  return base - height * Fbm(x / width, 0.5f, seed, 5);
}

}  // namespace

Image MakeTitle() {
  Canvas c(kScreenWidth, kScreenHeight);
  const float sun_x = 590, sun_y = 292, sun_r = 62;
  const int horizon = 330;
  for (int y = 0; y < kScreenHeight; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      float glow = std::exp(-std::hypot(x - sun_x, (y - sun_y) * 1.6f) / 150.f);
      if (y <= horizon + 40) {
        float t = std::pow(float(y) / horizon, 1.5f);
        Rgb sky = RampColor(Ramp::kSky, 0.04f + 0.8f * t);
        c.At(x, y) = Mix(sky, RampColor(Ramp::kSky, 1.f), glow * 0.6f);
        if (y < horizon && std::hypot(x + 0.5f - sun_x, y + 0.5f - sun_y) < sun_r) {
          float band = (y > sun_y + 10 && int(y - sun_y) % 9 < 3) ? 0.85f : 1.f;
          c.At(x, y) =
              Scale(RampColor(Ramp::kGold, 0.9f - 0.25f * (y - sun_y + sun_r) / (2 * sun_r)), band);
        }
      } else {
        // The calm middle: a plain of sand, only gently shaded.
        float depth = float(y - horizon) / float(kScreenHeight - horizon);
        float t = 0.55f - 0.3f * depth + 0.06f * (Fbm(x / 120.f, y / 30.f, 41, 3) - 0.5f);
        c.At(x, y) = Mix(RampColor(Ramp::kSand, t), RampColor(Ramp::kSky, 0.8f),
                         0.25f * (1 - depth) + glow * 0.2f);
      }
    }
  }
  Random random(7);
  for (int i = 0; i < 170; ++i) {
    int x = random.Below(kScreenWidth), y = random.Below(230);
    float bright = (0.4f + 0.6f * random.Unit()) * (1 - float(y) / 260.f);
    c.Blend(x, y, RampColor(Ramp::kGrey, 1.f), bright);
    if (bright > 0.75f) {
      for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
        c.Blend(x + dx, y + dy, RampColor(Ramp::kGrey, 0.8f), bright * 0.35f);
      }
    }
  }
  // Far range in haze, near hills darker; both end in the plain.
  for (int x = 0; x < kScreenWidth; ++x) {
    int far_top = int(Ridge(float(x), 318.f, 95.f, 3, 170.f));
    int near_top = int(Ridge(float(x), 352.f, 60.f, 4, 110.f));
    for (int y = far_top; y < horizon + 12; ++y) {
      float haze = float(y - far_top) / 60.f;
      c.Blend(
          x, y,
          Mix(RampColor(Ramp::kHills, 0.55f), RampColor(Ramp::kSky, 0.62f), Clamp01(haze) * 0.6f));
    }
    for (int y = near_top; y < horizon + 22; ++y) {
      float fade = Clamp01(float(y - (horizon + 8)) / 14.f);
      c.Blend(x, y, RampColor(Ramp::kHills, 0.18f + 0.1f * float(y - near_top) / 40.f), 1.f - fade);
    }
  }
  Rgb dark = RampColor(Ramp::kHills, 0.03f);
  TankSilhouette(&c, 650, Ridge(650, 352.f, 60.f, 4, 110.f) + 4, 2.6f, -1, dark);
  TankSilhouette(&c, 95, Ridge(95, 352.f, 60.f, 4, 110.f) + 3, 1.6f, 1, dark);

  DrawBigText(&c, 400, 42, "Ferrowyn", 7, Ramp::kGold, 4);

  // The controls, on a dark glass plate near the bottom.
  const int top = 452, row = 18;
  struct Control {
    const char* keys;
    const char* action;
  };
  const Control controls[] = {{"F1", "Start a game"},        {"Arrows or joystick", "Move"},
                              {"Space or button 0", "Fire"}, {"Ctrl or button 1", "Lay a mine"},
                              {"F4", "Music on/off"},        {"Esc", "Quit"}};
  for (int y = top - 12; y <= top + 6 * row + 10; ++y) {
    for (int x = 210; x <= 590; ++x) c.Blend(x, y, {0.02f, 0.02f, 0.05f}, 0.62f);
  }
  Rgb edge = RampColor(Ramp::kGold, 0.55f);
  c.FillRect(210, top - 13, 590, top - 13, edge);
  c.FillRect(210, top + 6 * row + 11, 590, top + 6 * row + 11, edge);
  c.FillRect(209, top - 13, 209, top + 6 * row + 11, edge);
  c.FillRect(591, top - 13, 591, top + 6 * row + 11, edge);
  for (int i = 0; i < 6; ++i) {
    int y = top + i * row;
    int keys_x = 392 - TextWidth(controls[i].keys);
    DrawText(&c, keys_x + 1, y + 1, controls[i].keys, {0, 0, 0});
    DrawText(&c, keys_x, y, controls[i].keys, RampColor(Ramp::kGold, 0.85f));
    DrawText(&c, 408, y, controls[i].action, RampColor(Ramp::kGrey, 0.92f));
  }
  return Quantise(c, false, true);
}

}  // namespace art
