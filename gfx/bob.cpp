#include "gfx/bob.h"

#include <cstdlib>
#include <cstring>

#include "gfx/display.h"
#include "gfx/text.h"

namespace {

int ReleaseBobParts(BOB* bob, bool release) {
  for (int i = 0; i < BOB_MAX_FRAMES; i++) {
    if (release && bob->frames[i]) bob->frames[i]->Release();
    bob->frames[i] = nullptr;
  }
  for (int i = 0; i < BOB_MAX_ANIMATIONS; i++) {
    if (release) std::free(bob->anim_lists[i]);
    bob->anim_lists[i] = nullptr;
  }
  return 1;
}

// Three eighths of a size, rounded down piecewise.
int HalfExtent(int size) {
  return (size >> 1) - (size >> 3);
}

int Distance(int a, int b) {
  return a > b ? a - b : b - a;
}

}  // namespace

int CreateBob(BOB* bob, int x, int y, int width, int height, int count, DWORD flags,
              DWORD memory_caps) {
  if (!bob || count < 0 || count > BOB_MAX_FRAMES) return 0;
  bob->state = 1;
  bob->flags = flags;
  bob->anim_done = 0;
  std::memset(bob->spare, 0, sizeof(bob->spare));
  bob->frame = 0;
  bob->frame_count = count;
  bob->anim_id = 0;
  bob->anim_tick = 0;
  bob->anim_pos = 0;
  bob->anim_period = 0;
  bob->x = x;
  bob->y = y;
  bob->vel_x = 0;
  bob->vel_y = 0;
  bob->width = width;
  bob->height = height;
  ReleaseBobParts(bob, false);
  // Frame surfaces are a whole number of 8-pixel groups wide.
  bob->row_pad = (width % 8 == 0) ? 0 : 8 - (width % 8);
  WriteLog("\nCreate BOB %d", bob->row_pad);
  for (int i = 0; i < count; i++) {
    bob->frames[i] = CreateKeyedSurface(width + bob->row_pad, height, memory_caps, BOB_COLOUR_KEY);
    if (!bob->frames[i]) return 0;
  }
  return 1;
}

int DestroyBob(BOB* bob) {
  if (!bob) return 0;
  return ReleaseBobParts(bob, true);
}

int LoadBobFrame(BOB* bob, const BitmapFile* bitmap, int frame, int a, int b, int mode) {
  if (!bob || frame < 0 || frame >= BOB_MAX_FRAMES || !bob->frames[frame]) return 0;
  const UCHAR* source = FindBitmapBlock(bitmap, a, b, bob->width, bob->height, mode);
  if (!source) return 0;
  LPDIRECTDRAWSURFACE surface = bob->frames[frame];
  DDSURFACEDESC desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return 0;
  // Rows go in at the width the surface was created with.
  UCHAR* dest = static_cast<UCHAR*>(desc.lpSurface);
  size_t dest_stride = static_cast<size_t>(bob->width + bob->row_pad);
  size_t source_stride = static_cast<size_t>(bitmap->info_header.biWidth);
  for (int row = 0; row < bob->height; row++) {
    std::memcpy(dest + dest_stride * row, source + source_stride * row,
                static_cast<size_t>(bob->width));
  }
  surface->Unlock(desc.lpSurface);
  bob->flags |= BOB_FRAME_LOADED;
  return 1;
}

int DrawBobScaled(BOB* bob, int width, int height, LPDIRECTDRAWSURFACE dest) {
  if (!bob) return 0;
  if (!(bob->flags & BOB_VISIBLE)) return 1;
  if (!dest || bob->frame < 0 || bob->frame >= BOB_MAX_FRAMES || !bob->frames[bob->frame]) return 0;
  // Right and bottom are exclusive: the frame's last column and row never show.
  RECT dest_rect{bob->x, bob->y, bob->x + width - 1, bob->y + height - 1};
  RECT source_rect{0, 0, bob->width - 1, bob->height - 1};
  if (dest->Blt(&dest_rect, bob->frames[bob->frame], &source_rect, DDBLT_WAIT | DDBLT_KEYSRC,
                nullptr) != DD_OK)
    return 0;
  return 1;
}

int DrawBob(BOB* bob, LPDIRECTDRAWSURFACE dest) {
  if (!bob) return 0;
  return DrawBobScaled(bob, bob->width, bob->height, dest);
}

int AnimateBob(BOB* bob) {
  if (!bob) return 0;
  if (bob->flags & BOB_ONE_FRAME) {
    bob->frame = 0;
  } else if (bob->flags & BOB_CYCLE_FRAMES) {
    if (++bob->anim_tick >= bob->anim_period) {
      bob->anim_tick = 0;
      if (++bob->frame >= bob->frame_count) bob->frame = 0;
    }
  } else if (bob->flags & BOB_PLAY_LIST) {
    if (bob->anim_id < 0 || bob->anim_id >= BOB_MAX_ANIMATIONS) return 0;
    const int* list = bob->anim_lists[bob->anim_id];
    if (!list) return 0;
    if (++bob->anim_tick >= bob->anim_period) {
      bob->anim_tick = 0;
      // The position moves before the entry is read: a fresh list starts on its second entry.
      bob->frame = list[++bob->anim_pos];
      if (bob->frame == -1) {
        if (bob->flags & BOB_PLAY_ONCE) {
          bob->anim_done = 1;
          bob->frame = list[--bob->anim_pos];
        } else {
          bob->anim_pos = 0;
          bob->frame = list[0];
        }
      }
    }
  }
  return 1;
}

int MoveBob(BOB* bob) {
  if (!bob) return 0;
  bob->x += bob->vel_x;
  bob->y += bob->vel_y;
  if (bob->flags & BOB_WRAP) {
    if (bob->x > clip_max_x)
      bob->x = clip_min_x - bob->width;
    else if (bob->x < clip_min_x - bob->width)
      bob->x = clip_max_x;
    if (bob->y > clip_max_y)
      bob->y = clip_min_y - bob->height;
    else if (bob->y < clip_min_y - bob->height)
      bob->y = clip_max_y;
  } else if (bob->flags & BOB_BOUNCE) {
    // Only the velocity turns; the position is left where the move put it.
    if (bob->x > clip_max_x - bob->width || bob->x < clip_min_x) bob->vel_x = -bob->vel_x;
    if (bob->y > clip_max_y - bob->height || bob->y < clip_min_y) bob->vel_y = -bob->vel_y;
  }
  return 1;
}

int LoadBobAnimation(BOB* bob, int index, int count, const int* frames) {
  if (!bob || index < 0 || index >= BOB_MAX_ANIMATIONS || count < 0) return 0;
  int* list = static_cast<int*>(std::malloc(sizeof(int) * (static_cast<size_t>(count) + 1)));
  if (!list) return 0;
  std::memcpy(list, frames, sizeof(int) * static_cast<size_t>(count));
  list[count] = -1;
  bob->anim_lists[index] = list;
  return 1;
}

int SetBobAnimation(BOB* bob, int index) {
  if (!bob) return 0;
  bob->anim_id = index;
  bob->anim_pos = 0;
  return 1;
}

int SetBobPosition(BOB* bob, int x, int y) {
  if (!bob) return 0;
  bob->x = x;
  bob->y = y;
  return 1;
}

int SetBobVelocity(BOB* bob, int vel_x, int vel_y) {
  if (!bob) return 0;
  bob->vel_x = vel_x;
  bob->vel_y = vel_y;
  return 1;
}

int SetBobAnimPeriod(BOB* bob, int period) {
  if (!bob) return 0;
  bob->anim_period = period;
  return 1;
}

int HideBob(BOB* bob) {
  if (!bob) return 0;
  bob->flags &= ~BOB_VISIBLE;
  return 1;
}

int ShowBob(BOB* bob) {
  if (!bob) return 0;
  bob->flags |= BOB_VISIBLE;
  return 1;
}

int BobsOverlap(const BOB* a, const BOB* b) {
  if (!a || !b) return 0;
  int a_half_w = HalfExtent(a->width), a_half_h = HalfExtent(a->height);
  int b_half_w = HalfExtent(b->width), b_half_h = HalfExtent(b->height);
  int dx = Distance(a->x + a_half_w, b->x + b_half_w);
  int dy = Distance(a->y + a_half_h, b->y + b_half_h);
  return (dx < a_half_w + b_half_w && dy < a_half_h + b_half_h) ? 1 : 0;
}

int CopyBob(const BOB* source, BOB* copy) {
  if (!source || !copy) return 0;
  *copy = *source;
  copy->flags |= BOB_COPY;
  return 1;
}

int DiscardBob(BOB* bob) {
  if (!bob) return 0;
  // A copy shares its surfaces and lists with the original, which keeps them.
  return ReleaseBobParts(bob, !(bob->flags & BOB_COPY));
}
