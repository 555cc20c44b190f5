// The three sprite sheets: tanks and the blast pick-up, the explosion, the mine and the shell.
#include <cmath>
#include <numbers>

#include "art/draw.h"

namespace art {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

Image NewSheet(int width, int height) {
  // Width rounded up to a multiple of 4: the game's loader assumes unpadded rows.
  Image sheet((width + 3) / 4 * 4, height, uint8_t(NearestIndex({0.25f, 0.25f, 0.28f})));
  return sheet;
}

void PutCell(Image* sheet, const SheetRow& row, int column, const Image& cell) {
  for (int y = 0; y < row.cell_height; ++y) {
    for (int x = 0; x < row.cell_width; ++x) {
      sheet->At(CellLeft(row, column) + x, CellTop(row) + y) = cell.At(x, y);
    }
  }
}

// Darkens the silhouette's rim so sprites stand out on any ground.
void Outline(Canvas* c, float keep) {
  Canvas src = *c;
  for (int y = 0; y < c->height; ++y) {
    for (int x = 0; x < c->width; ++x) {
      if (src.AlphaAt(x, y) < 0.5f) continue;
      bool rim = false;
      for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
        rim |= !src.Inside(x + dx, y + dy) || src.AlphaAt(x + dx, y + dy) < 0.5f;
      }
      if (rim) c->At(x, y) = Scale(src.At(x, y), keep);
    }
  }
}

}  // namespace

// The game never shows a cell's last row and column, hence the 31 x 31 art area.
Canvas DrawTank(Ramp body, int tread_phase) {
  Canvas c(32, 32);
  auto paint = [&](int x, int y, Rgb col) { c.Blend(x, y, col); };
  for (int y = 3; y <= 28; ++y) {
    for (int side = 0; side < 2; ++side) {
      int x0 = side == 0 ? 3 : 22;
      for (int x = x0; x <= x0 + 5; ++x) {
        bool corner = (y == 3 || y == 28) && (x == x0 || x == x0 + 5);
        if (corner) continue;
        float t = 0.32f;
        if ((y + tread_phase) % 4 == 0) t = 0.12f;
        if (x == x0 + (side == 0 ? 0 : 5)) t += 0.12f;
        if (x == x0 + 2 || x == x0 + 3) t += 0.06f;
        paint(x, y, RampColor(Ramp::kSteel, t));
      }
    }
  }
  for (int y = 5; y <= 26; ++y) {
    for (int x = 9; x <= 21; ++x) {
      float t = 0.55f;
      if (y <= 7) t = 0.72f;
      if (y >= 23) t = (y % 2 == 0 && x >= 11 && x <= 19) ? 0.3f : 0.45f;
      if (x == 9) t += 0.15f;
      if (x == 21) t -= 0.18f;
      paint(x, y, RampColor(body, t));
    }
  }
  for (int y = 1; y <= 11; ++y) {
    for (int x = 14; x <= 16; ++x) {
      float t = x == 15 ? 0.62f : 0.38f;
      paint(x, y, RampColor(body, y <= 2 ? t - 0.2f : t));
    }
  }
  paint(13, 1, RampColor(body, 0.2f));
  paint(17, 1, RampColor(body, 0.2f));
  for (int y = 9; y <= 23; ++y) {
    for (int x = 8; x <= 22; ++x) {
      float dx = x + 0.5f - 15.5f, dy = y + 0.5f - 16.5f;
      float d = std::hypot(dx, dy);
      if (d > 5.8f) continue;
      float t = 0.62f - 0.05f * (dx + dy);
      if (d > 4.8f) t -= 0.2f;
      paint(x, y, RampColor(body, t));
    }
  }
  c.FillDisc(17.5f, 18.2f, 1.7f, RampColor(body, 0.25f));
  c.Blend(17, 17, RampColor(body, 0.8f));
  Outline(&c, 0.5f);
  return c;
}

namespace {

// Quarter turns clockwise inside the 31 x 31 art area.
Canvas Rotate(const Canvas& src, int quarters) {
  Canvas out = src;
  for (int q = 0; q < quarters; ++q) {
    Canvas prev = out;
    for (int y = 0; y < 31; ++y) {
      for (int x = 0; x < 31; ++x) {
        out.At(x, y) = prev.At(y, 30 - x);
        out.AlphaAt(x, y) = prev.AlphaAt(y, 30 - x);
      }
    }
  }
  return out;
}

void PutTankRow(Image* sheet, const SheetRow& row, Ramp body) {
  for (int frame = 0; frame < row.frames; ++frame) {
    Canvas tank = Rotate(DrawTank(body, frame < 4 ? 0 : 2), frame % 4);
    PutCell(sheet, row, frame, Quantise(tank, true, false));
  }
}

// A spinning radiation sign in a pulsing star: the pick-up that wipes out the field.
Canvas DrawBlast(int frame) {
  Canvas c(32, 32);
  float pulse = 0.5f + 0.5f * std::cos(2 * kPi * frame / kBlastRow.frames);
  float spin = 2 * kPi / 8 * frame / kBlastRow.frames;
  float blade_turn = 2 * kPi / 3 * frame / kBlastRow.frames;
  for (int y = 0; y < 31; ++y) {
    for (int x = 0; x < 31; ++x) {
      float dx = x + 0.5f - 15.5f, dy = y + 0.5f - 15.5f;
      float r = std::hypot(dx, dy), a = std::atan2(dy, dx);
      float star = 11.5f + (2.2f + 1.2f * pulse) * (0.5f + 0.5f * std::cos(8 * (a - spin)));
      if (r > star) continue;
      Rgb col;
      if (r > 10.5f) {
        col = RampColor(Ramp::kFire, 0.35f + 0.45f * pulse + 0.25f * (star - r) / 3.f);
      } else if (r > 9.5f) {
        col = RampColor(Ramp::kSmoke, 0.05f);
      } else {
        col = RampColor(Ramp::kGold, 0.82f + 0.12f * pulse - 0.02f * r);
        float blade = std::fmod(a - blade_turn + 8 * kPi, 2 * kPi / 3);
        bool in_blade = blade < kPi / 3 && r > 2.9f && r < 8.6f;
        if (in_blade || r < 1.9f) col = RampColor(Ramp::kSmoke, 0.03f);
      }
      c.Blend(x, y, col);
    }
  }
  Outline(&c, 0.6f);
  return c;
}

// Frames 1 to 9 are what the game shows: flash, growth, fire, smoke, fade.
Canvas DrawExplosion(int frame) {
  static const float radius[14] = {3,     9,  12,    14, 15.5f, 16.5f, 17,
                                   17.5f, 18, 18.5f, 19, 19,    19,    19};
  static const float heat[14] = {0.95f, 1.1f, 1.0f, 0.88f, 0.74f, 0.6f, 0.46f,
                                 0.32f, 0.2f, 0.1f, 0.05f, 0.02f, 0,    0};
  static const float solid[14] = {1,    1,     1,     1,     1,     0.95f, 0.9f,
                                  0.8f, 0.62f, 0.42f, 0.26f, 0.15f, 0.08f, 0.03f};
  Canvas c(42, 36);
  float cx = 20.5f, cy = 17.5f - 0.35f * frame;
  for (int y = 0; y < 35; ++y) {
    for (int x = 0; x < 41; ++x) {
      float dx = (x + 0.5f - cx) / 1.15f, dy = y + 0.5f - cy;
      float d = std::hypot(dx, dy) / radius[frame];
      float n = Fbm(x / 6.f + frame * 0.15f, y / 6.f - frame * 0.3f, 1234, 3);
      if (d + (n - 0.5f) * 0.7f >= 1.f) continue;
      float holes = Fbm(x / 4.f, y / 4.f - frame * 0.5f, 777, 3);
      if (holes < 1.f - solid[frame] * (1.1f - 0.3f * d)) continue;
      float h = heat[frame] * (1.2f - 0.75f * d) + (n - 0.5f) * 0.3f;
      Rgb fire = RampColor(Ramp::kFire, (h - 0.15f) / 0.85f);
      Rgb smoke = RampColor(Ramp::kSmoke, 0.2f + 0.5f * holes);
      c.Blend(x, y, Mix(smoke, fire, SmoothStep(0.12f, 0.32f, h)));
    }
  }
  if (frame >= 2 && frame <= 7) {
    Random random(uint32_t(frame) * 31u + 5u);
    for (int i = 0; i < 7; ++i) {
      float a = random.Unit() * 2 * kPi;
      float r = radius[frame] * (1.05f + 0.35f * random.Unit());
      int x = int(cx + std::cos(a) * r * 1.15f), y = int(cy + std::sin(a) * r);
      if (x >= 0 && x < 41 && y >= 0 && y < 35) {
        c.Blend(x, y, RampColor(Ramp::kFire, 0.9f - 0.08f * frame));
      }
    }
  }
  return c;
}

// A dark round mine with studs and a red light that blinks once per cycle.
Canvas DrawMine(int frame) {
  static const float blink[5] = {1.f, 1.f, 0.9f, 0.55f, 0.25f};
  float light = frame < 5 ? blink[frame] : 0.f;
  Canvas c(16, 16);
  for (auto [x, y] :
       {std::pair{7, 1}, {7, 13}, {1, 7}, {13, 7}, {3, 3}, {11, 3}, {3, 11}, {11, 11}}) {
    c.Blend(x, y, RampColor(Ramp::kSteel, 0.75f));
  }
  for (int y = 0; y < 15; ++y) {
    for (int x = 0; x < 15; ++x) {
      float dx = x + 0.5f - 7.5f, dy = y + 0.5f - 7.5f;
      float d = std::hypot(dx, dy);
      if (d > 5.4f) continue;
      float t = 0.38f - 0.05f * (dx + dy);
      if (d > 4.5f) t = 0.12f;
      c.Blend(x, y, RampColor(Ramp::kSteel, t));
      if (light > 0 && d < 2.9f) c.Blend(x, y, RampColor(Ramp::kRed, 0.8f), 0.3f * light);
    }
  }
  c.FillDisc(7.5f, 7.5f, 1.6f, RampColor(Ramp::kRed, 0.3f + 0.7f * light));
  if (light > 0.8f) c.FillRect(7, 7, 7, 7, RampColor(Ramp::kFire, 0.95f));
  return c;
}

// Round so it reads the same in all four directions.
Canvas DrawShell() {
  Canvas c(16, 16);
  c.FillDisc(7.5f, 7.5f, 4.3f, RampColor(Ramp::kFire, 0.5f));
  c.FillDisc(7.5f, 7.5f, 3.4f, RampColor(Ramp::kFire, 0.72f));
  c.FillDisc(7.5f, 7.5f, 2.5f, RampColor(Ramp::kFire, 0.88f));
  c.FillDisc(7.5f, 7.5f, 1.5f, RampColor(Ramp::kGrey, 1.f));
  return c;
}

}  // namespace

Image MakePlayersSheet() {
  Image sheet = NewSheet(1 + 10 * 33, 1 + 3 * 33);
  Image empty(32, 32, kTransparentIndex);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 10; ++column) {
      PutCell(&sheet, {"", row, 0, 32, 32}, column, empty);
    }
  }
  PutTankRow(&sheet, kPlayerTankRow, Ramp::kPlayer);
  PutTankRow(&sheet, kEnemyTankRow, Ramp::kEnemy);
  for (int frame = 0; frame < kBlastRow.frames; ++frame) {
    PutCell(&sheet, kBlastRow, frame, Quantise(DrawBlast(frame), true, false));
  }
  return sheet;
}

Image MakeExplodeSheet() {
  Image sheet = NewSheet(1 + kExplosionRow.frames * 43, 1 + 37);
  for (int frame = 0; frame < kExplosionRow.frames; ++frame) {
    PutCell(&sheet, kExplosionRow, frame, Quantise(DrawExplosion(frame), true, false));
  }
  return sheet;
}

Image MakeArsenalSheet() {
  Image sheet = NewSheet(1 + kMineRow.frames * 17, 1 + 2 * 17);
  Image empty(16, 16, kTransparentIndex);
  for (int frame = 0; frame < kMineRow.frames; ++frame) {
    PutCell(&sheet, kMineRow, frame, Quantise(DrawMine(frame), true, false));
    PutCell(&sheet, kShellRow, frame, empty);
  }
  PutCell(&sheet, kShellRow, 0, Quantise(DrawShell(), true, false));
  return sheet;
}

}  // namespace art
