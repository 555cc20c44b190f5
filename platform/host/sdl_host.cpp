#include "platform/host/sdl_host.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "platform/host/headless_host.h"

namespace host {
namespace {

// Physical keys to DirectInput scan codes: every key of a standard PC keyboard.
constexpr std::pair<SDL_Scancode, uint8_t> kKeyPairs[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},
    {SDL_SCANCODE_1, 0x02},
    {SDL_SCANCODE_2, 0x03},
    {SDL_SCANCODE_3, 0x04},
    {SDL_SCANCODE_4, 0x05},
    {SDL_SCANCODE_5, 0x06},
    {SDL_SCANCODE_6, 0x07},
    {SDL_SCANCODE_7, 0x08},
    {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A},
    {SDL_SCANCODE_0, 0x0B},
    {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D},
    {SDL_SCANCODE_BACKSPACE, 0x0E},
    {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10},
    {SDL_SCANCODE_W, 0x11},
    {SDL_SCANCODE_E, 0x12},
    {SDL_SCANCODE_R, 0x13},
    {SDL_SCANCODE_T, 0x14},
    {SDL_SCANCODE_Y, 0x15},
    {SDL_SCANCODE_U, 0x16},
    {SDL_SCANCODE_I, 0x17},
    {SDL_SCANCODE_O, 0x18},
    {SDL_SCANCODE_P, 0x19},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B},
    {SDL_SCANCODE_RETURN, 0x1C},
    {SDL_SCANCODE_LCTRL, 0x1D},
    {SDL_SCANCODE_A, 0x1E},
    {SDL_SCANCODE_S, 0x1F},
    {SDL_SCANCODE_D, 0x20},
    {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22},
    {SDL_SCANCODE_H, 0x23},
    {SDL_SCANCODE_J, 0x24},
    {SDL_SCANCODE_K, 0x25},
    {SDL_SCANCODE_L, 0x26},
    {SDL_SCANCODE_SEMICOLON, 0x27},
    {SDL_SCANCODE_APOSTROPHE, 0x28},
    {SDL_SCANCODE_GRAVE, 0x29},
    {SDL_SCANCODE_LSHIFT, 0x2A},
    {SDL_SCANCODE_BACKSLASH, 0x2B},
    {SDL_SCANCODE_NONUSHASH, 0x2B},  // the ISO key in the same place
    {SDL_SCANCODE_Z, 0x2C},
    {SDL_SCANCODE_X, 0x2D},
    {SDL_SCANCODE_C, 0x2E},
    {SDL_SCANCODE_V, 0x2F},
    {SDL_SCANCODE_B, 0x30},
    {SDL_SCANCODE_N, 0x31},
    {SDL_SCANCODE_M, 0x32},
    {SDL_SCANCODE_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, 0x34},
    {SDL_SCANCODE_SLASH, 0x35},
    {SDL_SCANCODE_RSHIFT, 0x36},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37},
    {SDL_SCANCODE_LALT, 0x38},
    {SDL_SCANCODE_SPACE, 0x39},
    {SDL_SCANCODE_CAPSLOCK, 0x3A},
    {SDL_SCANCODE_F1, 0x3B},
    {SDL_SCANCODE_F2, 0x3C},
    {SDL_SCANCODE_F3, 0x3D},
    {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F},
    {SDL_SCANCODE_F6, 0x40},
    {SDL_SCANCODE_F7, 0x41},
    {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43},
    {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45},
    {SDL_SCANCODE_SCROLLLOCK, 0x46},
    {SDL_SCANCODE_KP_7, 0x47},
    {SDL_SCANCODE_KP_8, 0x48},
    {SDL_SCANCODE_KP_9, 0x49},
    {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B},
    {SDL_SCANCODE_KP_5, 0x4C},
    {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F},
    {SDL_SCANCODE_KP_2, 0x50},
    {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_0, 0x52},
    {SDL_SCANCODE_KP_PERIOD, 0x53},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
    {SDL_SCANCODE_F11, 0x57},
    {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_F13, 0x64},
    {SDL_SCANCODE_F14, 0x65},
    {SDL_SCANCODE_F15, 0x66},
    {SDL_SCANCODE_KP_EQUALS, 0x8D},
    {SDL_SCANCODE_KP_ENTER, 0x9C},
    {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5},
    {SDL_SCANCODE_PRINTSCREEN, 0xB7},
    {SDL_SCANCODE_RALT, 0xB8},
    {SDL_SCANCODE_PAUSE, 0xC5},
    {SDL_SCANCODE_HOME, 0xC7},
    {SDL_SCANCODE_UP, 0xC8},
    {SDL_SCANCODE_PAGEUP, 0xC9},
    {SDL_SCANCODE_LEFT, 0xCB},
    {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF},
    {SDL_SCANCODE_DOWN, 0xD0},
    {SDL_SCANCODE_PAGEDOWN, 0xD1},
    {SDL_SCANCODE_INSERT, 0xD2},
    {SDL_SCANCODE_DELETE, 0xD3},
    {SDL_SCANCODE_LGUI, 0xDB},
    {SDL_SCANCODE_RGUI, 0xDC},
    {SDL_SCANCODE_APPLICATION, 0xDD},
};

constexpr std::array<uint8_t, SDL_NUM_SCANCODES> MakeKeyTable() {
  std::array<uint8_t, SDL_NUM_SCANCODES> table = {};
  for (const auto& [scancode, dik] : kKeyPairs) table[scancode] = dik;
  return table;
}
constexpr std::array<uint8_t, SDL_NUM_SCANCODES> kKeyTable = MakeKeyTable();

// About 21 ms at 48 kHz: short enough for effects to feel immediate, long enough not to
// starve when the machine is busy.
constexpr int kAudioFrames = 1024;

}  // namespace

PageRect FitPage(int page_width, int page_height, int target_width, int target_height) {
  if (page_width <= 0 || page_height <= 0 || target_width <= 0 || target_height <= 0) return {};
  PageRect rect;
  if (int64_t{target_width} * page_height <= int64_t{target_height} * page_width) {
    rect.width = target_width;
    rect.height = static_cast<int>(int64_t{target_width} * page_height / page_width);
  } else {
    rect.height = target_height;
    rect.width = static_cast<int>(int64_t{target_height} * page_width / page_height);
  }
  rect.x = (target_width - rect.width) / 2;
  rect.y = (target_height - rect.height) / 2;
  return rect;
}

std::vector<PageScaler::Tap> PageScaler::Taps(int page_size, int target_size) {
  std::vector<Tap> taps(std::max(target_size, 0));
  if (page_size <= 0 || target_size <= 0) return taps;
  if (target_size < page_size) {
    // Smaller than the page: the page pixel under each target pixel's centre.
    for (int i = 0; i < target_size; ++i) {
      int source = static_cast<int>((2 * int64_t{i} + 1) * page_size / (2 * int64_t{target_size}));
      taps[i] = {source, source, 0};
    }
    return taps;
  }
  // Target pixel i covers [i, i + 1) * span / target_size of the page scaled up `whole` times,
  // which is at most one of its pixels: so it sees one or two of them.
  const int64_t whole = target_size / page_size;
  const int64_t span = whole * page_size;
  for (int i = 0; i < target_size; ++i) {
    int64_t start = i * span, end = (i + 1) * span;  // in 1/target_size of a scaled pixel
    int64_t scaled = start / target_size;
    int64_t boundary = (scaled + 1) * target_size;
    int first = static_cast<int>(scaled / whole);
    Tap tap{first, first, 0};
    if (end > boundary) {
      int second = static_cast<int>((scaled + 1) / whole);
      uint32_t weight = static_cast<uint32_t>(((end - boundary) * 256 + span / 2) / span);
      if (second != first && weight > 0)
        tap = weight >= 256 ? Tap{second, second, 0} : Tap{first, second, weight};
    }
    taps[i] = tap;
  }
  return taps;
}

namespace {

// a + (b - a) * weight / 256, byte by byte: the loops are simple enough for the compiler to do
// sixteen bytes at a time. The weights are below 256, so the sums fit in 16 bits.
void BlendBytes(const uint8_t* a, const uint8_t* b, const uint8_t* weights, uint8_t* out,
                size_t count) {
  for (size_t i = 0; i < count; ++i)
    out[i] = static_cast<uint8_t>((a[i] * (256 - weights[i]) + b[i] * weights[i]) >> 8);
}

void BlendBytes(const uint8_t* a, const uint8_t* b, uint32_t weight, uint8_t* out, size_t count) {
  const uint32_t keep = 256 - weight;
  for (size_t i = 0; i < count; ++i)
    out[i] = static_cast<uint8_t>((a[i] * keep + b[i] * weight) >> 8);
}

}  // namespace

void PageScaler::ScaleAcross(const uint8_t* in, const uint32_t* colours, uint32_t* out) {
  const size_t width = columns_.size();
  if (column_weights_.empty()) {
    for (size_t x = 0; x < width; ++x) out[x] = colours[in[columns_[x].first]];
    return;
  }
  for (size_t x = 0; x < width; ++x) {
    out[x] = colours[in[columns_[x].first]];
    seconds_[x] = colours[in[columns_[x].second]];
  }
  auto* bytes = reinterpret_cast<uint8_t*>(out);
  BlendBytes(bytes, reinterpret_cast<const uint8_t*>(seconds_.data()), column_weights_.data(),
             bytes, width * 4);
}

void PageScaler::Scale(const uint8_t* page, int page_pitch, int page_width, int page_height,
                       const uint32_t* colours, uint32_t* target, int target_pitch, int width,
                       int height, const uint8_t* changed_rows) {
  written_.clear();
  if (width <= 0 || height <= 0 || page_width <= 0 || page_height <= 0) return;
  if (static_cast<int>(columns_.size()) != width || columns_page_ != page_width) {
    columns_ = Taps(page_width, width);
    columns_page_ = page_width;
    column_weights_.clear();
    if (std::any_of(columns_.begin(), columns_.end(), [](const Tap& tap) { return tap.weight; })) {
      for (const Tap& tap : columns_) column_weights_.insert(column_weights_.end(), 4, tap.weight);
    }
    seconds_.resize(width);
    for (auto& row : scratch_) row.resize(width);
  }
  if (static_cast<int>(rows_.size()) != height || rows_page_ != page_height) {
    rows_ = Taps(page_height, height);
    rows_page_ = page_height;
  }
  // Each page row is scaled across once: into the target row that shows it alone, or into
  // scratch when it is only ever blended; later rows that need it copy or blend from there.
  const uint32_t* across[2] = {};  // page rows scaled across, by the row's parity
  int across_row[2] = {-1, -1};
  auto scaled = [&](int row, uint32_t* out) {
    const int slot = row & 1;
    if (across_row[slot] != row) {
      uint32_t* into = out ? out : scratch_[slot].data();
      ScaleAcross(page + static_cast<ptrdiff_t>(row) * page_pitch, colours, into);
      across[slot] = into;
      across_row[slot] = row;
    }
    return across[slot];
  };
  auto* rows = reinterpret_cast<uint8_t*>(target);
  for (int y = 0; y < height; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(rows + static_cast<ptrdiff_t>(y) * target_pitch);
    const Tap& tap = rows_[y];
    if (changed_rows && !changed_rows[tap.first] && !changed_rows[tap.second]) continue;
    if (!written_.empty() && written_.back().end == y)
      ++written_.back().end;
    else
      written_.push_back({y, y + 1});
    if (!tap.weight) {
      const uint32_t* first = scaled(tap.first, out);
      if (first != out) std::memcpy(out, first, sizeof(uint32_t) * width);
      continue;
    }
    const uint32_t* first = scaled(tap.first, nullptr);
    const uint32_t* second = scaled(tap.second, nullptr);
    BlendBytes(reinterpret_cast<const uint8_t*>(first), reinterpret_cast<const uint8_t*>(second),
               tap.weight, reinterpret_cast<uint8_t*>(out), sizeof(uint32_t) * width);
  }
}

std::filesystem::path PicturesFolder() {
  namespace fs = std::filesystem;
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
  };
  if (const char* pictures = set("XDG_PICTURES_DIR")) return pictures;
  const char* home = set("HOME");
  if (!home) return ".";
  // A desktop names its folders in user-dirs.dirs, in the user's language:
  // XDG_PICTURES_DIR="$HOME/Bilder".
  const char* config = set("XDG_CONFIG_HOME");
  std::ifstream dirs((config ? fs::path(config) : fs::path(home) / ".config") / "user-dirs.dirs");
  const std::string key = "XDG_PICTURES_DIR=\"";
  for (std::string line; std::getline(dirs, line);) {
    if (line.rfind(key, 0) != 0 || line.size() < key.size() + 2 || line.back() != '"') continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.rfind("$HOME", 0) == 0) return fs::path(home + value.substr(5));
    if (!value.empty() && value[0] == '/') return value;
  }
  return fs::path(home) / "Pictures";
}

void SdlHost::SdlDeleter::operator()(SDL_Window* window) const {
  SDL_DestroyWindow(window);
}
void SdlHost::SdlDeleter::operator()(SDL_Surface* surface) const {
  SDL_FreeSurface(surface);
}
void SdlHost::SdlDeleter::operator()(_SDL_Joystick* joystick) const {
  SDL_JoystickClose(joystick);
}

SdlHost::SdlHost() {
  // The game reads its stick whether or not the window has the focus.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  if (SDL_Init(SDL_INIT_JOYSTICK) == 0) OpenFirstJoystick();
}

SdlHost::~SdlHost() {
  if (audio_device_) SDL_CloseAudioDevice(audio_device_);
  joystick_.reset();
  staging_.reset();
  window_.reset();
  SDL_Quit();
}

bool SdlHost::OpenWindow(const char* title, int width, int height) {
  CloseWindow();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "ferrowyn: cannot open a window: %s\n", SDL_GetError());
    return false;
  }
  // On X11 the page is scaled in software straight into the window: far cheaper than SDL's
  // renderer. Drivers with no such framebuffer (Wayland, KMS) need the renderer behind it.
  if (const char* driver = SDL_GetCurrentVideoDriver(); driver && std::strcmp(driver, "x11") == 0)
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Made as large as the desktop too, so it covers the screen even with no window manager to
  // honour the full-screen request.
  SDL_Rect desktop{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height};
  SDL_GetDisplayBounds(0, &desktop);
  window_.reset(SDL_CreateWindow(title, desktop.x, desktop.y, desktop.w, desktop.h,
                                 SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_RESIZABLE));
  if (!window_) {
    std::fprintf(stderr, "ferrowyn: cannot open a window: %s\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  window_width_ = width;
  window_height_ = height;
  bars_stale_ = true;
  return true;
}

void SdlHost::CloseWindow() {
  if (!window_) return;
  staging_.reset();
  window_.reset();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlHost::ShowCursor(bool visible) {
  SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

uint32_t SdlHost::Ticks() {
  return static_cast<uint32_t>(SDL_GetTicks64());
}

void SdlHost::Sleep(uint32_t ms) {
  SDL_Delay(ms);
}

bool SdlHost::PumpEvents() {
  for (int dik = 0; dik < 256; ++dik)
    if (release_next_[dik]) keys_[dik] = 0;
  std::memset(pressed_now_, 0, sizeof pressed_now_);
  std::memset(release_next_, 0, sizeof release_next_);
  bool close = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    switch (event.type) {
      case SDL_QUIT:
        close = true;
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        HandleKey(event);
        break;
      case SDL_WINDOWEVENT:
        HandleWindowEvent(event);
        break;
      case SDL_JOYDEVICEADDED:
        if (!joystick_) OpenFirstJoystick();
        break;
      case SDL_JOYDEVICEREMOVED:
        if (event.jdevice.which == joystick_id_) {
          joystick_.reset();
          joystick_id_ = -1;
          OpenFirstJoystick();
        }
        break;
    }
  }
  return close;
}

void SdlHost::HandleKey(const SDL_Event& event) {
  const SDL_Keysym& key = event.key.keysym;
  bool down = event.type == SDL_KEYDOWN;
  bool first_press = down && !event.key.repeat;
  bool enter = key.scancode == SDL_SCANCODE_RETURN || key.scancode == SDL_SCANCODE_KP_ENTER;
  if (down && enter && (key.mod & KMOD_ALT)) {
    // Alt+Enter belongs to the host: the game would take Enter for its debug overlay.
    if (first_press) ToggleFullScreen();
    return;
  }
  if (first_press && key.scancode == SDL_SCANCODE_F11) ToggleFullScreen();
  if (first_press && key.scancode == SDL_SCANCODE_PRINTSCREEN) SaveScreenshot();
  if (key.scancode < 0 || key.scancode >= SDL_NUM_SCANCODES) return;
  uint8_t dik = kKeyTable[key.scancode];
  if (!dik) return;
  if (down) {
    keys_[dik] = 0x80;
    pressed_now_[dik] = 1;
    release_next_[dik] = 0;
  } else if (pressed_now_[dik]) {
    // A tap shorter than one pump still reads as held until the next one, or the game
    // (which polls once a frame) would never see it.
    release_next_[dik] = 1;
  } else {
    keys_[dik] = 0;
  }
}

void SdlHost::HandleWindowEvent(const SDL_Event& event) {
  switch (event.window.event) {
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      bars_stale_ = true;
      Redraw();
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // Key releases made elsewhere never reach us: forget every key rather than keep it held.
      std::memset(keys_, 0, sizeof keys_);
      std::memset(release_next_, 0, sizeof release_next_);
      break;
  }
}

bool SdlHost::KeyDown(uint8_t scan_code) {
  return keys_[scan_code] != 0;
}

void SdlHost::OpenFirstJoystick() {
  for (int index = 0; index < SDL_NumJoysticks(); ++index) {
    if (SDL_Joystick* joystick = SDL_JoystickOpen(index)) {
      joystick_.reset(joystick);
      joystick_id_ = SDL_JoystickInstanceID(joystick);
      return;
    }
  }
}

Joystick SdlHost::ReadJoystick() {
  Joystick state;
  SDL_Joystick* joystick = joystick_.get();
  if (!joystick) return state;
  state.present = true;
  if (const char* name = SDL_JoystickName(joystick)) state.name = name;
  int axes = SDL_JoystickNumAxes(joystick);
  if (axes > 0) state.axis_x = SDL_JoystickGetAxis(joystick, 0);
  if (axes > 1) state.axis_y = SDL_JoystickGetAxis(joystick, 1);
  int buttons = std::min(SDL_JoystickNumButtons(joystick), static_cast<int>(sizeof state.buttons));
  for (int i = 0; i < buttons; ++i)
    state.buttons[i] = SDL_JoystickGetButton(joystick, i) ? 0x80 : 0;
  return state;
}

void SdlHost::ToggleFullScreen() {
  SDL_Window* window = window_.get();
  if (!window) return;
  if (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) {
    SDL_SetWindowFullscreen(window, 0);
    // The largest whole multiple of the page that fits keeps every pixel the same size.
    int display = std::max(0, SDL_GetWindowDisplayIndex(window));
    int scale = 1;
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(display, &usable) == 0 && window_width_ > 0 &&
        window_height_ > 0)
      scale = std::max(1, std::min(usable.w / window_width_, usable.h / window_height_));
    SDL_SetWindowSize(window, window_width_ * scale, window_height_ * scale);
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                          SDL_WINDOWPOS_CENTERED_DISPLAY(display));
  } else {
    // Cover the desktop first: without a window manager the request alone changes nothing.
    SDL_Rect desktop;
    if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window)), &desktop) == 0) {
      SDL_SetWindowPosition(window, desktop.x, desktop.y);
      SDL_SetWindowSize(window, desktop.w, desktop.h);
    }
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
  }
  bars_stale_ = true;
  Redraw();
}

void SdlHost::Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette) {
  if (!pixels || width <= 0 || height <= 0) return;
  // Only the rows that changed are converted and sent to the screen: in play that is the
  // few bands the sprites move in.
  if (width != page_width_ || height != page_height_) {
    page_.assign(static_cast<size_t>(width) * height, 0);
    page_width_ = width;
    page_height_ = height;
    whole_page_stale_ = true;
  }
  changed_rows_.resize(height);
  bool changed = false;
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = pixels + static_cast<ptrdiff_t>(y) * pitch;
    uint8_t* kept = page_.data() + static_cast<size_t>(y) * width;
    if (std::memcmp(kept, in, width) == 0) continue;
    std::memcpy(kept, in, width);
    changed_rows_[y] = 1;
    changed = true;
  }
  if (std::memcmp(palette_.data(), palette, sizeof palette_) != 0) {
    std::memcpy(palette_.data(), palette, sizeof palette_);
    colours_format_ = 0;
    whole_page_stale_ = true;
  }
  if (changed || whole_page_stale_ || bars_stale_) Redraw();
}

void SdlHost::Redraw() {
  if (!window_ || page_.empty()) return;
  SDL_Surface* surface = SDL_GetWindowSurface(window_.get());
  if (!surface) return;
  if (surface->w != surface_width_ || surface->h != surface_height_) {
    surface_width_ = surface->w;
    surface_height_ = surface->h;
    bars_stale_ = true;
  }
  PageRect rect = FitPage(page_width_, page_height_, surface->w, surface->h);
  if (rect.width <= 0 || rect.height <= 0) return;

  // The scaler blends whole bytes: straight into the window only when its pixels are 8 bits a
  // channel.
  bool direct = SDL_PIXELLAYOUT(surface->format->format) == SDL_PACKEDLAYOUT_8888;
  SDL_Surface* target = surface;
  if (!direct) {
    if (!staging_ || staging_->w != rect.width || staging_->h != rect.height) {
      staging_.reset(
          SDL_CreateRGBSurfaceWithFormat(0, rect.width, rect.height, 32, SDL_PIXELFORMAT_XRGB8888));
      whole_page_stale_ = true;
    }
    if (!staging_) return;
    target = staging_.get();
  }
  if (colours_format_ != target->format->format) {
    for (int i = 0; i < 256; ++i)
      colours_[i] = SDL_MapRGB(target->format, palette_[i].r, palette_[i].g, palette_[i].b);
    colours_format_ = target->format->format;
    whole_page_stale_ = true;
  }

  const bool whole = bars_stale_ || whole_page_stale_;
  if (bars_stale_) SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
  if (SDL_MUSTLOCK(target) && SDL_LockSurface(target) != 0) return;
  auto* origin = static_cast<uint8_t*>(target->pixels);
  if (direct) origin += static_cast<ptrdiff_t>(rect.y) * target->pitch + rect.x * 4;
  scaler_.Scale(page_.data(), page_width_, page_width_, page_height_, colours_.data(),
                reinterpret_cast<uint32_t*>(origin), target->pitch, rect.width, rect.height,
                whole ? nullptr : changed_rows_.data());
  if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
  std::fill(changed_rows_.begin(), changed_rows_.end(), 0);
  whole_page_stale_ = false;

  SDL_Rect area{rect.x, rect.y, rect.width, rect.height};
  if (!direct) SDL_BlitSurface(target, nullptr, surface, &area);
  if (bars_stale_) {
    SDL_UpdateWindowSurface(window_.get());
    bars_stale_ = false;
    return;
  }
  update_rects_.clear();
  for (const PageScaler::RowRun& run : scaler_.Written())
    update_rects_.push_back({rect.x, rect.y + run.first, rect.width, run.end - run.first});
  if (!update_rects_.empty())
    SDL_UpdateWindowSurfaceRects(window_.get(), update_rects_.data(),
                                 static_cast<int>(update_rects_.size()));
}

void SdlHost::SaveScreenshot() const {
  if (page_.empty()) return;
  namespace fs = std::filesystem;
  fs::path folder = PicturesFolder();
  std::error_code error;
  fs::create_directories(folder, error);

  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[48];
  std::strftime(stamp, sizeof stamp, "ferrowyn-%Y-%m-%d-%H%M%S", &local);
  // Two shots within one second must not overwrite each other.
  fs::path path = folder / (std::string(stamp) + ".png");
  for (int n = 2; fs::exists(path, error); ++n)
    path = folder / (std::string(stamp) + "-" + std::to_string(n) + ".png");

  if (WritePng(path.string(), page_.data(), page_width_, page_width_, page_height_,
               palette_.data()))
    std::fprintf(stderr, "ferrowyn: screenshot saved as %s\n", path.c_str());
  else
    std::fprintf(stderr, "ferrowyn: cannot write the screenshot %s\n", path.c_str());
}

int SdlHost::AudioRate() {
  OpenAudio();
  return audio_rate_;
}

void SdlHost::SetAudioSource(AudioSource* source) {
  OpenAudio();
  if (!audio_device_) {
    audio_source_ = source;
    return;
  }
  SDL_LockAudioDevice(audio_device_);
  audio_source_ = source;
  SDL_UnlockAudioDevice(audio_device_);
}

void SdlHost::OpenAudio() {
  if (audio_tried_) return;
  audio_tried_ = true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "ferrowyn: no sound: %s\n", SDL_GetError());
    return;
  }
  SDL_AudioSpec want{};
  want.freq = 48000;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kAudioFrames;
  want.callback = AudioCallback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // Take the device's own rate when it is a usual one, so SDL need not resample again.
  audio_device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
  if (audio_device_ && have.freq != 44100 && have.freq != 48000) {
    SDL_CloseAudioDevice(audio_device_);
    audio_device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  }
  if (!audio_device_) {
    std::fprintf(stderr, "ferrowyn: no sound: %s\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  audio_rate_ = have.freq;
  SDL_PauseAudioDevice(audio_device_, 0);
}

void SdlHost::AudioCallback(void* host, uint8_t* stream, int bytes) {
  auto* self = static_cast<SdlHost*>(host);
  if (self->audio_source_)
    self->audio_source_->Mix(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(bytes) / 4);
  else
    std::memset(stream, 0, bytes);
}

}  // namespace host
