// Sprite objects: frames on off-screen surfaces, drawn with colour key 96.
#pragma once
#include <windows.h>
#include <ddraw.h>
#include "gfx/bitmap.h"

constexpr DWORD BOB_ONE_FRAME = 0x01;
constexpr DWORD BOB_CYCLE_FRAMES = 0x02;
constexpr DWORD BOB_PLAY_LIST = 0x04;
constexpr DWORD BOB_PLAY_ONCE = 0x08;
constexpr DWORD BOB_VISIBLE = 0x10;
constexpr DWORD BOB_BOUNCE = 0x20;
constexpr DWORD BOB_WRAP = 0x40;
constexpr DWORD BOB_FRAME_LOADED = 0x80;
constexpr DWORD BOB_COPY = 0x100;

constexpr int BOB_COLOUR_KEY = 96;
constexpr int BOB_MAX_FRAMES = 64;
constexpr int BOB_MAX_ANIMATIONS = 16;

struct BOB {
  int state;
  int anim_done;
  DWORD flags;
  int x, y;
  int vel_x, vel_y;
  int width, height;
  int row_pad;
  int spare[4];
  int user_slots[32];
  int frame;
  int frame_count;
  int anim_id;
  int anim_tick;
  int anim_pos;
  int anim_period;
  int* anim_lists[BOB_MAX_ANIMATIONS];
  LPDIRECTDRAWSURFACE frames[BOB_MAX_FRAMES];
};

// Sets the sprite up with `count` blank keyed frame surfaces of width x height; destroying
// releases them and the animation lists.
int CreateBob(BOB* bob, int x, int y, int width, int height, int count, DWORD flags,
              DWORD memory_caps);
int DestroyBob(BOB* bob);
// Copies a cell (or the block at a pixel) of a loaded bitmap into frame `frame`; a block
// outside the image leaves the frame blank.
int LoadBobFrame(BOB* bob, const BitmapFile* bitmap, int frame, int a, int b, int mode);
// Draws the current frame keyed at (x, y), one pixel short of the frame's width and height;
// invisible sprites draw nothing.
int DrawBob(BOB* bob, LPDIRECTDRAWSURFACE dest);
// The same, stretched to width x height.
int DrawBobScaled(BOB* bob, int width, int height, LPDIRECTDRAWSURFACE dest);
// Advances the frame every anim_period calls: one frame, cycling, or an animation list played
// looping or once.
int AnimateBob(BOB* bob);
// Moves by the velocity, wrapping or bouncing at the clip edges as the flags say. Offered, not
// used by the game.
int MoveBob(BOB* bob);
// Animation lists, position, velocity and visibility. Offered, not used by the game.
int LoadBobAnimation(BOB* bob, int index, int count, const int* frames);
int SetBobAnimation(BOB* bob, int index);
int SetBobPosition(BOB* bob, int x, int y);
int SetBobVelocity(BOB* bob, int vel_x, int vel_y);
// Sets how many AnimateBob calls a frame lasts.
int SetBobAnimPeriod(BOB* bob, int period);
int HideBob(BOB* bob);
int ShowBob(BOB* bob);
// 1 when the sprites' boxes, measured from their centres, overlap.
int BobsOverlap(const BOB* a, const BOB* b);
// A copy sharing the original's surfaces, and its release, which leaves them to the original.
// Offered, not used by the game.
int CopyBob(const BOB* source, BOB* copy);
int DiscardBob(BOB* bob);
