#include "platform/host/sdl_host.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "platform/host/pictures_folder.h"
#include "platform/host/png_writer.h"
#include "platform/host/sdl_keys.h"

namespace host {
namespace {

// About 21 ms at 48 kHz: short enough for effects to feel immediate, long enough not to
// starve when the machine is busy.
constexpr int kAudioFrames = 1024;

}  // namespace

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
  uint8_t dik = DirectInputKey(key.scancode);
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
  // Only the rows that changed are converted and sent to the screen.
  KeptPage::Change change = page_.Update(pixels, pitch, width, height, palette);
  if (change.palette) colours_format_ = 0;
  if (change.size || change.palette) whole_page_stale_ = true;
  if (change.rows || whole_page_stale_ || bars_stale_) Redraw();
}

void SdlHost::Redraw() {
  if (!window_ || page_.Empty()) return;
  SDL_Surface* surface = SDL_GetWindowSurface(window_.get());
  if (!surface) return;
  if (surface->w != surface_width_ || surface->h != surface_height_) {
    surface_width_ = surface->w;
    surface_height_ = surface->h;
    bars_stale_ = true;
  }
  PageRect rect = FitPage(page_.Width(), page_.Height(), surface->w, surface->h);
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
    for (int i = 0; i < 256; ++i) {
      const Rgb& rgb = page_.Palette()[i];
      colours_[i] = SDL_MapRGB(target->format, rgb.r, rgb.g, rgb.b);
    }
    colours_format_ = target->format->format;
    whole_page_stale_ = true;
  }

  const bool whole = bars_stale_ || whole_page_stale_;
  if (bars_stale_) SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
  if (SDL_MUSTLOCK(target) && SDL_LockSurface(target) != 0) return;
  auto* origin = static_cast<uint8_t*>(target->pixels);
  if (direct) origin += static_cast<ptrdiff_t>(rect.y) * target->pitch + rect.x * 4;
  scaler_.Scale(page_.Pixels(), page_.Width(), page_.Width(), page_.Height(), colours_.data(),
                reinterpret_cast<uint32_t*>(origin), target->pitch, rect.width, rect.height,
                whole ? nullptr : page_.ChangedRows());
  if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
  page_.MarkDrawn();
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
  if (page_.Empty()) return;
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

  if (WritePng(path.string(), page_.Pixels(), page_.Width(), page_.Width(), page_.Height(),
               page_.Palette()))
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
