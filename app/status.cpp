#include <windows.h>

#include "app/app.h"
#include "game/world.h"
#include "gfx/display.h"
#include "gfx/text.h"
#include "input/input.h"

namespace {

const COLORREF GREEN = RGB(0, 255, 0);
const COLORREF BLUE = RGB(0, 0, 255);
const COLORREF RED = RGB(255, 0, 0);
const COLORREF YELLOW = RGB(255, 255, 0);
const COLORREF PALE_YELLOW = RGB(255, 255, 50);

void DrawDebugOverlay() {
  PrintFormatted(10, 90, GREEN, back_buffer, "- DEBUG DISPLAY -");
  PrintFormatted(10, 110, GREEN, back_buffer, "X %d", player_tank.x);
  PrintFormatted(10, 130, GREEN, back_buffer, "Y %d", player_tank.y);
  PrintFormatted(10, 150, BLUE, back_buffer, "Blue Onscreen %d", enemies_placed);
  for (int i = 0; i < enemy_slots; i++)
    PrintFormatted(10 + 15 * i, 170, BLUE, back_buffer, "%d,", enemy_list[i]);
  const BYTE* buttons = joystick_state.rgbButtons;
  PrintFormatted(0, 540, RED, back_buffer, "Joystick: X-Axis=%d, Y-Axis=%d, buttons(%d,%d,%d,%d)",
                 static_cast<int>(joystick_state.lX), static_cast<int>(joystick_state.lY),
                 buttons[0], buttons[1], buttons[2], buttons[3]);
  PrintText(joystick_name, 0, 520, PALE_YELLOW, back_buffer);
  if (blast_pickup.state == BLAST_SHOWN)
    PrintFormatted(10, 460, YELLOW, back_buffer, "Timer: %d", blast_timer);
  PrintFormatted(680, 100, BLUE, back_buffer, "B-Tank_Add %d", arrival_tick);
  PrintFormatted(680, 120, BLUE, back_buffer, "B_Add_One %d", arrival_wanted);
  PrintFormatted(680, 150, BLUE, back_buffer, "B Onscreen %d", enemies_onscreen);
  for (const BOB& tank : enemy_tanks) {
    if (tank.state != ENEMY_ACTIVE) continue;
    const int* words = tank.user_slots;
    if (words[SLOT_AI_MODE] == AI_MOVE)
      PrintFormatted(tank.x, tank.y - 12, GREEN, back_buffer, "MOVE");
    if (words[SLOT_AI_MODE] == AI_HUNT)
      PrintFormatted(tank.x, tank.y - 12, GREEN, back_buffer, "HUNT");
    PrintFormatted(tank.x, tank.y + 50, GREEN, back_buffer, "MAX: %d", words[SLOT_AI_PERIOD]);
    PrintFormatted(tank.x, tank.y + 35, GREEN, back_buffer, "AI Ctr: %d", words[SLOT_AI_COUNT]);
  }
  PrintFormatted(20, 400, GREEN, back_buffer, "SM Ctr: %d", music_latch);
}

}  // namespace

int DrawStatusPanel() {
  // The mine gauge: each mine laid blanks 6 more pixels of the strip, from x = 145 leftwards.
  FillRectangle(145 - 6 * mines_laid, 45, 145, 55, 0, back_buffer);
  PrintFormatted(85, 12, GREEN, back_buffer, " %d", lives);
  PrintFormatted(740, 12, GREEN, back_buffer, " %d", enemies_left);
  PrintFormatted(390, 62, GREEN, back_buffer, " %d", level);
  PrintFormatted(740, 44, GREEN, back_buffer, " %d", score);
  if (debug_display == 1) DrawDebugOverlay();
  return 1;
}
