// DirectDraw over 8-bit software surfaces: a flipping primary whose visible page goes to
// the host, off-screen surfaces, a palette and a clipper with a rectangle list.
#include <ddraw.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/com_object.h"
#include "platform/fault.h"
#include "platform/gdi_dc.h"
#include "host/host.h"

namespace {

constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 600;

// Every object lives here until its count drops to zero.
platform::LiveObjects& Objects() {
  static auto& objects = *new platform::LiveObjects;  // never destroyed: see LiveObjects
  return objects;
}

template <typename T>
void ReleaseIfHeld(T* object) {
  if (object) object->Release();
}

// Adds a reference to the new one before dropping the old, so setting the same again is safe.
template <typename T>
void Hold(T*& slot, T* object) {
  if (object) object->AddRef();
  ReleaseIfHeld(slot);
  slot = object;
}

bool Fail(const char* name) {
  return platform::ShouldFail(name);
}

class Palette;
class Surface;

struct Display {
  int width = kDefaultWidth;
  int height = kDefaultHeight;
  Surface* primary = nullptr;
  const host::Host* presented_to = nullptr;  // the host given the last page
};

// Where a surface's pixels may differ from the page the host was last given: a list of
// rectangles, or anywhere. Over-reporting only costs the host a look; missing a place would
// leave a stale picture.
class Unseen {
 public:
  bool Anywhere() const { return anywhere_; }
  const std::vector<host::Rect>& Rects() const { return rects_; }

  void Add(const RECT& r) {
    if (anywhere_ || r.left >= r.right || r.top >= r.bottom) return;
    const host::Rect added{r.left, r.top, r.right, r.bottom};
    // A page drawn over whole each frame stays one rectangle.
    for (const host::Rect& o : rects_)
      if (Holds(o, added)) return;
    std::erase_if(rects_, [&](const host::Rect& o) { return Holds(added, o); });
    // Many small places cost the host more to visit than one box around them.
    if (rects_.size() == kMostRects) {
      host::Rect box = rects_.front();
      for (const host::Rect& o : rects_)
        box = {std::min(box.left, o.left), std::min(box.top, o.top), std::max(box.right, o.right),
               std::max(box.bottom, o.bottom)};
      rects_.assign(1, box);
    }
    rects_.push_back(added);
  }
  void Add(const Unseen& other) {
    if (other.anywhere_) SetAnywhere();
    for (const host::Rect& r : other.rects_) Add(RECT{r.left, r.top, r.right, r.bottom});
  }
  void SetAnywhere() {
    anywhere_ = true;
    rects_.clear();
  }
  void Clear() {
    anywhere_ = false;
    rects_.clear();
  }

 private:
  static bool Holds(const host::Rect& a, const host::Rect& b) {
    return a.left <= b.left && a.top <= b.top && a.right >= b.right && a.bottom >= b.bottom;
  }

  static constexpr size_t kMostRects = 128;
  bool anywhere_ = true;  // a new surface: nothing is known of the host's page
  std::vector<host::Rect> rects_;
};

Display& TheDisplay() {
  static Display display;
  return display;
}

void PresentPrimary();

class Palette final : public platform::ComObject<IDirectDrawPalette> {
 public:
  explicit Palette(const PALETTEENTRY* initial) { std::memcpy(entries_, initial, sizeof entries_); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE GetEntries(DWORD flags, DWORD base, DWORD count,
                                       LPPALETTEENTRY entries) override {
    if (Fail("IDirectDrawPalette::GetEntries")) return DDERR_GENERIC;
    if (!entries || base >= 256 || count > 256 - base) return DDERR_INVALIDPARAMS;
    std::memcpy(entries, entries_ + base, count * sizeof(PALETTEENTRY));
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE SetEntries(DWORD flags, DWORD start, DWORD count,
                                       LPPALETTEENTRY entries) override {
    if (Fail("IDirectDrawPalette::SetEntries")) return DDERR_GENERIC;
    if (!entries || start >= 256 || count > 256 - start) return DDERR_INVALIDPARAMS;
    std::memcpy(entries_ + start, entries, count * sizeof(PALETTEENTRY));
    if (IsOnScreen()) PresentPrimary();
    return DD_OK;
  }

  const PALETTEENTRY* Entries() const { return entries_; }
  bool IsOnScreen() const;

 private:
  PALETTEENTRY entries_[256];
};

class Clipper final : public platform::ComObject<IDirectDrawClipper> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE GetClipList(LPRECT rect, LPRGNDATA clip_list, LPDWORD size) override {
    if (Fail("IDirectDrawClipper::GetClipList")) return DDERR_NOCLIPLIST;
    if (!size) return DDERR_INVALIDPARAMS;
    if (!window_ && !has_list_) return DDERR_NOCLIPLIST;
    std::vector<RECT> rects = window_ ? std::vector<RECT>{DisplayRect()} : rects_;
    if (rect) {
      std::vector<RECT> cut;
      for (const RECT& r : rects) {
        RECT c;
        if (Intersect(r, *rect, &c)) cut.push_back(c);
      }
      rects = std::move(cut);
    }
    DWORD needed = static_cast<DWORD>(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    if (!clip_list) {
      *size = needed;
      return DD_OK;
    }
    if (*size < needed) return DDERR_REGIONTOOSMALL;
    RGNDATAHEADER& header = clip_list->rdh;
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(rects.size());
    header.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    header.rcBound = RECT{0, 0, 0, 0};
    for (size_t i = 0; i < rects.size(); ++i) {
      const RECT& r = rects[i];
      RECT& b = header.rcBound;
      if (i == 0) b = r;
      b = RECT{std::min(b.left, r.left), std::min(b.top, r.top), std::max(b.right, r.right),
               std::max(b.bottom, r.bottom)};
    }
    if (!rects.empty()) std::memcpy(clip_list->Buffer, rects.data(), rects.size() * sizeof(RECT));
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE SetClipList(LPRGNDATA clip_list, DWORD flags) override {
    if (Fail("IDirectDrawClipper::SetClipList")) return DDERR_GENERIC;
    if (window_) return DDERR_CLIPPERISUSINGHWND;
    if (!clip_list) {
      rects_.clear();
      has_list_ = false;
      return DD_OK;
    }
    const RGNDATAHEADER& header = clip_list->rdh;
    if (header.dwSize != sizeof(RGNDATAHEADER) || header.iType != RDH_RECTANGLES)
      return DDERR_INVALIDPARAMS;
    rects_.resize(header.nCount);
    if (header.nCount) std::memcpy(rects_.data(), clip_list->Buffer, header.nCount * sizeof(RECT));
    has_list_ = true;
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE SetHWnd(DWORD flags, HWND window) override {
    if (Fail("IDirectDrawClipper::SetHWnd")) return DDERR_GENERIC;
    window_ = window;
    return DD_OK;
  }

  // Calls visit(rect) for each rectangle a blit onto a surface of this size is cut to.
  template <typename Visit>
  void ForEachRegionRect(int width, int height, Visit visit) const {
    if (window_ || !has_list_) {
      visit(RECT{0, 0, width, height});
      return;
    }
    for (const RECT& rect : rects_) visit(rect);
  }

  static bool Intersect(const RECT& a, const RECT& b, RECT* out) {
    *out = RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    return out->left < out->right && out->top < out->bottom;
  }

 private:
  static RECT DisplayRect() { return RECT{0, 0, TheDisplay().width, TheDisplay().height}; }

  std::vector<RECT> rects_;
  bool has_list_ = false;
  HWND window_ = nullptr;
};

class Surface final : public platform::ComObject<IDirectDrawSurface> {
 public:
  Surface(int width, int height, DWORD caps)
      : width_(width), height_(height), pitch_((width + 3) & ~3), caps_(caps) {
    pixels_.assign(static_cast<size_t>(pitch_) * height_, 0);
  }

  ~Surface() override {
    if (TheDisplay().primary == this) TheDisplay().primary = nullptr;
    ReleaseIfHeld(palette_);
    ReleaseIfHeld(clipper_);
    ReleaseIfHeld(back_);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }

  // The back page of a new flipping chain; the primary keeps a reference to it.
  void AttachBack(Surface* back) {
    back_ = back;
    front_of_chain_ = true;
  }

  HRESULT STDMETHODCALLTYPE Blt(LPRECT dest_rect, LPDIRECTDRAWSURFACE source, LPRECT source_rect,
                                DWORD flags, LPDDBLTFX fx) override {
    if (Fail("IDirectDrawSurface::Blt")) return DDERR_SURFACELOST;
    auto* from = static_cast<Surface*>(source);
    if (Busy() || (from && from->Busy())) return DDERR_SURFACEBUSY;

    RECT dest = dest_rect ? *dest_rect : RECT{0, 0, width_, height_};
    if (dest.left >= dest.right || dest.top >= dest.bottom) return DDERR_INVALIDRECT;
    if (!clipper_ && !Inside(dest, width_, height_)) return DDERR_INVALIDRECT;

    if (flags & DDBLT_COLORFILL) {
      if (!fx) return DDERR_INVALIDPARAMS;
      auto colour = static_cast<uint8_t>(fx->dwFillColor);
      ForEachPart(dest, [&](const RECT& part) {
        for (LONG y = part.top; y < part.bottom; ++y)
          std::memset(Row(y) + part.left, colour, part.right - part.left);
      });
      return DD_OK;
    }

    if (!from) return DDERR_INVALIDPARAMS;
    RECT src = source_rect ? *source_rect : RECT{0, 0, from->width_, from->height_};
    if (src.left >= src.right || src.top >= src.bottom || !Inside(src, from->width_, from->height_))
      return DDERR_INVALIDRECT;

    DDCOLORKEY key{};
    bool keyed = false;
    if (flags & DDBLT_KEYSRCOVERRIDE) {
      if (!fx) return DDERR_INVALIDPARAMS;
      key = fx->ddckSrcColorkey;
      keyed = true;
    } else if (flags & DDBLT_KEYSRC) {
      if (!from->has_source_key_) return DDERR_NOCOLORKEY;
      key = from->source_key_;
      keyed = true;
    }

    // A copy within one surface reads from a snapshot, so overlapping areas come out right.
    std::vector<uint8_t> snapshot;
    const uint8_t* source_pixels = from->pixels_.data();
    if (from == this) {
      snapshot = pixels_;
      source_pixels = snapshot.data();
    }

    // Every destination pixel maps back into the source in proportion to the full
    // rectangles, so clipping cuts the source alike and stretching picks the nearest pixel.
    LONG dest_w = dest.right - dest.left, dest_h = dest.bottom - dest.top;
    LONG src_w = src.right - src.left, src_h = src.bottom - src.top;
    // The sprites of a frame are copied at their own size: then a source row is a plain
    // offset of the destination row, with no division per pixel.
    const bool same_width = src_w == dest_w;
    const DWORD key_low = keyed ? key.dwColorSpaceLowValue : 1;
    const DWORD key_high = keyed ? key.dwColorSpaceHighValue : 0;  // an empty range: no key
    ForEachPart(dest, [&](const RECT& part) {
      for (LONG y = part.top; y < part.bottom; ++y) {
        LONG sy = src.top + static_cast<LONG>(int64_t{y - dest.top} * src_h / dest_h);
        const uint8_t* in = source_pixels + static_cast<ptrdiff_t>(sy) * from->pitch_;
        uint8_t* out = Row(y);
        if (same_width) {
          const LONG shift = src.left - dest.left;
          for (LONG x = part.left; x < part.right; ++x) {
            uint8_t pixel = in[x + shift];
            if (pixel < key_low || pixel > key_high) out[x] = pixel;
          }
          continue;
        }
        for (LONG x = part.left; x < part.right; ++x) {
          LONG sx = src.left + static_cast<LONG>(int64_t{x - dest.left} * src_w / dest_w);
          uint8_t pixel = in[sx];
          if (pixel < key_low || pixel > key_high) out[x] = pixel;
        }
      }
    });
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE target_override, DWORD flags) override {
    if (Fail("IDirectDrawSurface::Flip")) return DDERR_SURFACELOST;
    if (Fail("IDirectDrawSurface::Flip.StillDrawing")) return DDERR_WASSTILLDRAWING;
    if (!front_of_chain_) return DDERR_NOTFLIPPABLE;
    if (target_override && target_override != back_) return DDERR_INVALIDPARAMS;
    if (Busy() || back_->Busy()) return DDERR_SURFACEBUSY;
    // The pages trade places, with what each holds unseen; the interfaces keep their roles.
    std::swap(pixels_, back_->pixels_);
    std::swap(unseen_, back_->unseen_);
    if (this == TheDisplay().primary) PresentPrimary();
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps,
                                               LPDIRECTDRAWSURFACE* attached) override {
    if (Fail("IDirectDrawSurface::GetAttachedSurface")) return DDERR_NOTFOUND;
    if (!caps || !attached) return DDERR_INVALIDPARAMS;
    if (!back_ || !(caps->dwCaps & DDSCAPS_BACKBUFFER)) return DDERR_NOTFOUND;
    back_->AddRef();
    *attached = back_;
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE GetColorKey(DWORD flags, LPDDCOLORKEY key) override {
    if (Fail("IDirectDrawSurface::GetColorKey")) return DDERR_NOCOLORKEY;
    if (!key) return DDERR_INVALIDPARAMS;
    if (flags & DDCKEY_SRCBLT) {
      if (!has_source_key_) return DDERR_NOCOLORKEY;
      *key = source_key_;
      return DD_OK;
    }
    if (flags & DDCKEY_DESTBLT) {
      if (!has_dest_key_) return DDERR_NOCOLORKEY;
      *key = dest_key_;
      return DD_OK;
    }
    return DDERR_INVALIDPARAMS;
  }

  HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) override {
    if (Fail("IDirectDrawSurface::GetDC")) return DDERR_SURFACELOST;
    if (!dc) return DDERR_INVALIDPARAMS;
    if (locked_) return DDERR_SURFACEBUSY;
    if (dc_) return DDERR_DCALREADYCREATED;
    dc_ = std::make_unique<HDC__>();
    dc_->pixels = pixels_.data();
    dc_->pitch = pitch_;
    dc_->width = width_;
    dc_->height = height_;
    *dc = dc_.get();
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE GetPalette(LPDIRECTDRAWPALETTE* palette) override {
    if (Fail("IDirectDrawSurface::GetPalette")) return DDERR_NOPALETTEATTACHED;
    if (!palette) return DDERR_INVALIDPARAMS;
    if (!palette_) return DDERR_NOPALETTEATTACHED;
    palette_->AddRef();
    *palette = palette_;
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC desc) override {
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    Describe(desc, nullptr);
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE IsLost() override {
    return Fail("IDirectDrawSurface::IsLost") ? DDERR_SURFACELOST : DD_OK;
  }

  HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags,
                                 HANDLE event) override {
    if (Fail("IDirectDrawSurface::Lock")) return DDERR_SURFACELOST;
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    if (rect &&
        (rect->left >= rect->right || rect->top >= rect->bottom || !Inside(*rect, width_, height_)))
      return DDERR_INVALIDRECT;
    if (locked_ || dc_) return DDERR_SURFACEBUSY;
    locked_ = true;
    unseen_.Add(rect ? *rect : RECT{0, 0, width_, height_});
    Describe(desc, rect);
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) override {
    if (Fail("IDirectDrawSurface::ReleaseDC")) return DDERR_NODC;
    if (!dc_ || dc != dc_.get()) return DDERR_NODC;
    unseen_.Add(dc_->drawn);
    dc_.reset();
    // Text printed straight onto the visible page shows at once.
    if (this == TheDisplay().primary) PresentPrimary();
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE Restore() override {
    return Fail("IDirectDrawSurface::Restore") ? DDERR_WRONGMODE : DD_OK;
  }

  HRESULT STDMETHODCALLTYPE SetClipper(LPDIRECTDRAWCLIPPER clipper) override {
    if (Fail("IDirectDrawSurface::SetClipper")) return DDERR_GENERIC;
    Hold(clipper_, static_cast<Clipper*>(clipper));
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) override {
    if (Fail("IDirectDrawSurface::SetColorKey")) return DDERR_GENERIC;
    if (flags & DDCKEY_SRCBLT) {
      has_source_key_ = key != nullptr;
      if (key) source_key_ = *key;
      return DD_OK;
    }
    if (flags & DDCKEY_DESTBLT) {
      has_dest_key_ = key != nullptr;
      if (key) dest_key_ = *key;
      return DD_OK;
    }
    return DDERR_INVALIDPARAMS;
  }

  HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) override {
    if (Fail("IDirectDrawSurface::SetPalette")) return DDERR_GENERIC;
    Hold(palette_, static_cast<Palette*>(palette));
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE Unlock(LPVOID pixels) override {
    if (Fail("IDirectDrawSurface::Unlock")) return DDERR_NOTLOCKED;
    if (!locked_) return DDERR_NOTLOCKED;
    locked_ = false;
    if (this == TheDisplay().primary) PresentPrimary();
    return DD_OK;
  }

  const Palette* AttachedPalette() const { return palette_; }

  void Present() {
    host::Rgb rgb[256] = {};
    if (palette_) {
      const PALETTEENTRY* entries = palette_->Entries();
      for (int i = 0; i < 256; ++i)
        rgb[i] = {entries[i].peRed, entries[i].peGreen, entries[i].peBlue};
    }
    host::Host& host = host::Current();
    // Another host never saw our pages.
    if (&host != TheDisplay().presented_to) unseen_.SetAnywhere();
    TheDisplay().presented_to = &host;
    host.Present(pixels_.data(), pitch_, width_, height_, rgb,
                 unseen_.Anywhere() ? nullptr : &unseen_.Rects());
    // The back page now differs from the host's where it differed from the last page and
    // where this one did. When either is not known, one look at both pages says, so that
    // "anywhere" does not pass from page to page for good.
    if (back_ && (unseen_.Anywhere() || back_->unseen_.Anywhere())) {
      back_->unseen_.Clear();
      back_->AddDifferences(*this);
    } else if (back_) {
      back_->unseen_.Add(unseen_);
    }
    unseen_.Clear();
  }

 private:
  static bool Inside(const RECT& r, int width, int height) {
    return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height;
  }

  bool Busy() const { return locked_ || dc_ != nullptr; }

  // Notes as unseen the box around each run of rows where our pixels differ from `other`'s
  // (a surface of our size).
  void AddDifferences(const Surface& other) {
    RECT run{0, 0, 0, 0};
    for (int y = 0; y < height_; ++y) {
      const uint8_t* ours = &pixels_[static_cast<size_t>(y) * pitch_];
      const uint8_t* theirs = &other.pixels_[static_cast<size_t>(y) * pitch_];
      if (std::memcmp(ours, theirs, width_) == 0) {
        unseen_.Add(run);
        run = RECT{0, 0, 0, 0};
        continue;
      }
      int first = 0, end = width_;
      while (ours[first] == theirs[first]) ++first;
      while (ours[end - 1] == theirs[end - 1]) --end;
      run = run.top < run.bottom ? RECT{std::min<LONG>(run.left, first), run.top,
                                        std::max<LONG>(run.right, end), y + 1}
                                 : RECT{first, y, end, y + 1};
    }
    unseen_.Add(run);
  }

  uint8_t* Row(LONG y) { return pixels_.data() + static_cast<ptrdiff_t>(y) * pitch_; }

  // Calls draw(part) for each piece of a destination rectangle that may be drawn: cut to
  // the clip list when a clipper is attached (and always to the surface itself).
  template <typename Draw>
  void ForEachPart(const RECT& dest, Draw draw) {
    const RECT bounds{0, 0, width_, height_};
    auto cut_to = [&](const RECT& clip) {
      RECT cut, part;
      if (Clipper::Intersect(dest, clip, &cut) && Clipper::Intersect(cut, bounds, &part)) {
        unseen_.Add(part);
        draw(part);
      }
    };
    if (clipper_) {
      clipper_->ForEachRegionRect(width_, height_, cut_to);
    } else {
      cut_to(bounds);
    }
  }

  void Describe(LPDDSURFACEDESC desc, const RECT* rect) {
    *desc = DDSURFACEDESC{};
    desc->dwSize = sizeof(DDSURFACEDESC);
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(width_);
    desc->dwHeight = static_cast<DWORD>(height_);
    desc->lPitch = pitch_;
    desc->ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc->ddpfPixelFormat.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    desc->ddpfPixelFormat.dwRGBBitCount = 8;
    desc->ddsCaps.dwCaps = caps_;
    if (locked_) {
      desc->dwFlags |= DDSD_LPSURFACE;
      uint8_t* first = pixels_.data();
      if (rect) first += static_cast<ptrdiff_t>(rect->top) * pitch_ + rect->left;
      desc->lpSurface = first;
    }
    if (has_source_key_) {
      desc->dwFlags |= DDSD_CKSRCBLT;
      desc->ddckCKSrcBlt = source_key_;
    }
  }

  int width_, height_, pitch_;
  DWORD caps_;
  std::vector<uint8_t> pixels_;
  Unseen unseen_;
  bool locked_ = false;
  std::unique_ptr<HDC__> dc_;
  bool has_source_key_ = false;
  DDCOLORKEY source_key_{};
  bool has_dest_key_ = false;
  DDCOLORKEY dest_key_{};
  Palette* palette_ = nullptr;
  Clipper* clipper_ = nullptr;
  Surface* back_ = nullptr;
  bool front_of_chain_ = false;
};

bool Palette::IsOnScreen() const {
  const Surface* primary = TheDisplay().primary;
  return primary && primary->AttachedPalette() == this;
}

void PresentPrimary() {
  TheDisplay().primary->Present();
}

class DirectDraw final : public platform::ComObject<IDirectDraw> {
 public:
  // Releasing the object gives the desktop its mode back.
  ~DirectDraw() override {
    TheDisplay().width = kDefaultWidth;
    TheDisplay().height = kDefaultHeight;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper,
                                          IUnknown* outer) override {
    if (Fail("IDirectDraw::CreateClipper")) return DDERR_OUTOFMEMORY;
    if (!clipper) return DDERR_INVALIDPARAMS;
    *clipper = Objects().Make<Clipper>();
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                          LPDIRECTDRAWPALETTE* palette, IUnknown* outer) override {
    if (Fail("IDirectDraw::CreatePalette")) return DDERR_OUTOFMEMORY;
    if (!palette || !entries) return DDERR_INVALIDPARAMS;
    if (!(flags & DDPCAPS_8BIT)) return DDERR_UNSUPPORTED;  // 8-bit surfaces only
    *palette = Objects().Make<Palette>(entries);
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface,
                                          IUnknown* outer) override {
    if (Fail("IDirectDraw::CreateSurface")) return DDERR_OUTOFMEMORY;
    if (!surface || !desc || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    if ((desc->dwFlags & DDSD_PIXELFORMAT) && desc->ddpfPixelFormat.dwRGBBitCount != 8)
      return DDERR_INVALIDPIXELFORMAT;
    DWORD caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
    Display& display = TheDisplay();

    if (caps & DDSCAPS_PRIMARYSURFACE) {
      if (desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
      if (display.primary) return DDERR_PRIMARYSURFACEALREADYEXISTS;
      DWORD back_count = (desc->dwFlags & DDSD_BACKBUFFERCOUNT) ? desc->dwBackBufferCount : 0;
      if (back_count > 1) return DDERR_UNSUPPORTED;  // one back buffer is all we keep
      if (back_count == 1 &&
          (caps & (DDSCAPS_FLIP | DDSCAPS_COMPLEX)) != (DDSCAPS_FLIP | DDSCAPS_COMPLEX))
        return DDERR_INVALIDCAPS;
      Surface* primary =
          Objects().Make<Surface>(display.width, display.height,
                                  caps | DDSCAPS_VISIBLE | (back_count ? DDSCAPS_FRONTBUFFER : 0));
      if (back_count == 1)
        primary->AttachBack(Objects().Make<Surface>(
            display.width, display.height, (caps & ~DDSCAPS_PRIMARYSURFACE) | DDSCAPS_BACKBUFFER));
      display.primary = primary;
      *surface = primary;
      return DD_OK;
    }

    if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) ||
        desc->dwWidth == 0 || desc->dwHeight == 0 || desc->dwWidth > 16384 ||
        desc->dwHeight > 16384)
      return DDERR_INVALIDPARAMS;
    *surface = Objects().Make<Surface>(static_cast<int>(desc->dwWidth),
                                       static_cast<int>(desc->dwHeight), caps);
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE RestoreDisplayMode() override { return DD_OK; }

  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override {
    if (Fail("IDirectDraw::SetCooperativeLevel")) return DDERR_EXCLUSIVEMODEALREADYSET;
    if ((flags & DDSCL_EXCLUSIVE) && !window) return DDERR_INVALIDPARAMS;
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bpp) override {
    if (Fail("IDirectDraw::SetDisplayMode")) return DDERR_INVALIDMODE;
    if (bpp != 8 || width == 0 || height == 0 || width > 4096 || height > 4096)
      return DDERR_INVALIDMODE;
    TheDisplay().width = static_cast<int>(width);
    TheDisplay().height = static_cast<int>(height);
    return DD_OK;
  }

  HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD flags, HANDLE event) override {
    if (Fail("IDirectDraw::WaitForVerticalBlank")) return DDERR_WASSTILLDRAWING;
    return DD_OK;
  }
};

}  // namespace

namespace platform {

const PALETTEENTRY* ScreenPalette() {
  const Surface* primary = TheDisplay().primary;
  const Palette* palette = primary ? primary->AttachedPalette() : nullptr;
  return palette ? palette->Entries() : nullptr;
}

}  // namespace platform

HRESULT WINAPI DirectDrawCreate(GUID* driver, LPDIRECTDRAW* draw, IUnknown* outer) {
  if (Fail("DirectDrawCreate")) return DDERR_GENERIC;
  if (!draw) return DDERR_INVALIDPARAMS;
  *draw = Objects().Make<DirectDraw>();
  return DD_OK;
}
