#include "host/sdl/sdl_host.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "host/common/overlay_text.h"
#include "host/common/pictures_folder.h"
#include "host/common/png_writer.h"
#include "host/sdl/sdl_gpu_presenter.h"
#include "host/sdl/sdl_keys.h"

namespace host::sdl {
namespace {

// About 21 ms at 48 kHz: short enough for effects to feel immediate, long enough not to
// starve when the machine is busy.
constexpr int kAudioFrames = 1024;

// The desktop entry's name, so docks match the window to the game's icon.
constexpr char kAppId[] = "io.github.ferrowyn.Ferrowyn";
// The smallest window: half the page each way, where its text is still legible.
constexpr int kMinimumWidth = 400;
constexpr int kMinimumHeight = 300;
// The game's own key that the pad's Start presses on the title screen (F1).
constexpr uint8_t kStartKey = 0x3B;
// How long the pad's quit button is held to quit, and how long a notice shows.
constexpr uint32_t kQuitHoldMs = 1000;
constexpr uint32_t kNoticeMs = 2500;
// A d-pad press is the stick pushed all the way.
constexpr int16_t kFullDeflection = 32767;

// True when SDL could only give a video driver that shows nothing, and nobody asked for it.
bool InvisibleDriver() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver) return true;
  if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return false;
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  return !asked || std::strcmp(asked, driver) != 0;
}

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// ALSA prints a page of its own errors when there is no sound card, before SDL says the one
// line that matters; SDL loads the library itself, so it is quietened through the same copy.
void QuietenAlsa() {
  void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NOLOAD);
  if (!alsa) alsa = dlopen("libasound.so.2", RTLD_LAZY);
  if (!alsa) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
    set(IgnoreAlsaError);
}

}  // namespace

SdlHost::SdlHost(SdlConfig config) : config_(std::move(config)), keys_(config_.settings) {
  // The game reads its stick whether or not the window has the focus.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  // X11 and Wayland take the window's class from these when SDL starts its video.
  setenv("SDL_VIDEO_X11_WMCLASS", kAppId, 0);
  setenv("SDL_VIDEO_WAYLAND_WMCLASS", kAppId, 0);
  if (SDL_Init(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) == 0) {
    // The player's own pad mappings add to SDL's built-in ones (and to
    // SDL_GAMECONTROLLERCONFIG, which SDL reads itself).
    std::error_code ec;
    if (!config_.pad_mappings.empty() && std::filesystem::exists(config_.pad_mappings, ec))
      SDL_GameControllerAddMappingsFromFile(config_.pad_mappings.c_str());
    OpenFirstJoystick();
  }
}

SdlHost::~SdlHost() {
  if (audio_device_) SDL_CloseAudioDevice(audio_device_);
  pad_.reset();
  joystick_.reset();
  gpu_.reset();
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
  if (InvisibleDriver()) {
    std::fprintf(stderr,
                 "ferrowyn: no display to show the game on (DISPLAY and WAYLAND_DISPLAY are "
                 "not set, or name no display that can be opened)\n");
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  // Scaled in software, the page goes straight into the window on X11: far cheaper than SDL's
  // renderer on the CPU. Drivers with no such framebuffer (Wayland, KMS) need the renderer.
  if (const char* driver = SDL_GetCurrentVideoDriver(); driver && std::strcmp(driver, "x11") == 0)
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  window_width_ = width;
  window_height_ = height;
  const common::Settings& settings = config_.settings;
  SDL_Rect place{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height};
  Uint32 flags = SDL_WINDOW_RESIZABLE;
  if (settings.fullscreen) {
    // Made as large as the desktop too, so it covers the screen even with no window manager
    // to honour the full-screen request.
    SDL_GetDisplayBounds(0, &place);
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  } else if (settings.window_width > 0) {
    place.w = settings.window_width;
    place.h = settings.window_height;
  } else {
    place.w = width * WholeScale(0);
    place.h = height * WholeScale(0);
  }
  window_.reset(SDL_CreateWindow(title, place.x, place.y, place.w, place.h, flags));
  if (!window_) {
    std::fprintf(stderr, "ferrowyn: cannot open a window: %s\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  SDL_SetWindowMinimumSize(window_.get(), kMinimumWidth, kMinimumHeight);
  const int icon = config_.icon_size;
  if (icon > 0 && config_.icon_rgba.size() == size_t(icon) * icon * 4) {
    if (SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
            config_.icon_rgba.data(), icon, icon, 32, icon * 4, SDL_PIXELFORMAT_RGBA32)) {
      SDL_SetWindowIcon(window_.get(), surface);
      SDL_FreeSurface(surface);
    }
  }
  const common::Renderer renderer =
      common::ParseRenderer(settings.renderer).value_or(common::Renderer::kAutomatic);
  if (renderer != common::Renderer::kSoftware) {
    gpu_ = GpuPresenter::Open(window_.get(), renderer == common::Renderer::kAutomatic);
    if (!gpu_ && renderer == common::Renderer::kGpu)
      std::fprintf(stderr, "ferrowyn: no GPU renderer (%s): drawing in software\n", SDL_GetError());
  }
  bars_stale_ = true;
  colours_format_ = 0;
  return true;
}

int SdlHost::WholeScale(int display) const {
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(display, &usable) != 0 || window_width_ <= 0 ||
      window_height_ <= 0)
    return 1;
  return std::max(1, std::min(usable.w / window_width_, usable.h / window_height_));
}

void SdlHost::ShowError(const std::string& title, const std::string& message) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
  if (!InvisibleDriver())
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), message.c_str(), nullptr);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlHost::CloseWindow() {
  if (!window_) return;
  gpu_.reset();
  staging_.reset();
  window_.reset();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlHost::ShowCursor(bool visible) {
  SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

uint32_t SdlHost::Ticks() {
  return clock_.Ticks();
}

void SdlHost::Sleep(uint32_t ms) {
  clock_.Sleep(ms);
}

bool SdlHost::PumpEvents() {
  keys_.BeginPump();
  bool close = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) HandleEvent(event, &close);
  if (quit_held_since_ && SDL_GetTicks() - quit_held_since_ >= kQuitHoldMs) close = true;
  if (!notice_.empty() && SDL_TICKS_PASSED(SDL_GetTicks(), notice_until_)) {
    notice_.clear();
    whole_page_stale_ = true;
    Redraw();
  }
  // A page held back within a refresh goes out now.
  if (gpu_) gpu_->ShowDue();
  WaitWhilePaused(&close);
  // Once the player has asked to close, the game winds down over a few more pumps: the window
  // losing the focus on the way must not pause it.
  closing_ = closing_ || close;
  return close;
}

void SdlHost::HandleEvent(const SDL_Event& event, bool* close) {
  switch (event.type) {
    case SDL_QUIT:
      *close = true;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      HandleKey(event);
      break;
    case SDL_WINDOWEVENT:
      HandleWindowEvent(event);
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      HandlePadButton(event);
      break;
    case SDL_JOYDEVICEADDED:
      if (!joystick_ && !pad_) OpenFirstJoystick();
      break;
    case SDL_JOYDEVICEREMOVED:
      if (event.jdevice.which == joystick_id_) {
        pad_.reset();
        joystick_.reset();
        joystick_id_ = -1;
        quit_held_since_ = 0;
        OpenFirstJoystick();
      }
      break;
  }
}

// While paused no frame runs: the game waits here, in its own pump, so its clock, world and
// random draws stand still, and the next frame starts afresh rather than catching up.
void SdlHost::WaitWhilePaused(bool* close) {
  SDL_Event event;
  while (paused_ != Pause::kNo && !*close && !closing_) {
    if (SDL_WaitEventTimeout(&event, 100)) HandleEvent(event, close);
    if (quit_held_since_ && SDL_GetTicks() - quit_held_since_ >= kQuitHoldMs) *close = true;
  }
}

void SdlHost::SetPause(Pause pause) {
  if (pause == paused_ || (closing_ && pause != Pause::kNo)) return;
  paused_ = pause;
  if (audio_device_) SDL_PauseAudioDevice(audio_device_, pause != Pause::kNo);
  whole_page_stale_ = true;
  Redraw();
}

void SdlHost::Notice(const std::string& text, uint32_t for_ms) {
  notice_ = text;
  notice_until_ = SDL_GetTicks() + for_ms;
  whole_page_stale_ = true;
  Redraw();
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
  uint8_t physical = DirectInputKey(key.scancode);
  if (!physical) return;
  if (std::optional<common::Action> action = keys_.Map().HostAction(physical)) {
    if (!first_press) return;
    if (*action == common::Action::kFullScreen) ToggleFullScreen();
    if (*action == common::Action::kScreenshot) SaveScreenshot();
    if (*action == common::Action::kPause)
      SetPause(paused_ == Pause::kNo ? Pause::kByPlayer : Pause::kNo);
    return;
  }
  keys_.Physical(physical, down);
}

void SdlHost::HandlePadButton(const SDL_Event& event) {
  if (!pad_ || event.cbutton.which != joystick_id_) return;
  bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
  int button = event.cbutton.button;
  if (PadHas(common::PadAction::kQuit, button))
    quit_held_since_ = down ? std::max(1u, SDL_GetTicks()) : 0;
  if (!down || !PadHas(common::PadAction::kStart, button)) return;
  if (paused_ != Pause::kNo) {
    SetPause(Pause::kNo);
  } else if (config_.in_play && config_.in_play()) {
    SetPause(Pause::kByPlayer);
  } else {
    keys_.Press(kStartKey);
    keys_.Release(kStartKey);
  }
}

void SdlHost::HandleWindowEvent(const SDL_Event& event) {
  switch (event.window.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      // The size the player gave the window is kept for the next run.
      if (window_ && !(SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_FULLSCREEN)) {
        config_.settings.window_width = event.window.data1;
        config_.settings.window_height = event.window.data2;
      }
      [[fallthrough]];
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
      bars_stale_ = true;
      Redraw();
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // Key releases made elsewhere never reach us: forget every key rather than keep it held.
      keys_.ReleaseAll();
      if (config_.settings.pause_on_focus_loss && paused_ == Pause::kNo) SetPause(Pause::kByFocus);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      if (paused_ == Pause::kByFocus) SetPause(Pause::kNo);
      break;
  }
}

bool SdlHost::KeyDown(uint8_t scan_code) {
  return keys_.Held(scan_code);
}

void SdlHost::OpenFirstJoystick() {
  for (int index = 0; index < SDL_NumJoysticks(); ++index) {
    // A pad SDL knows goes through its game-controller layer: the same buttons on every make.
    if (SDL_IsGameController(index)) {
      if (SDL_GameController* pad = SDL_GameControllerOpen(index)) {
        pad_.reset(pad);
        joystick_id_ = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
        return;
      }
    }
    if (SDL_Joystick* joystick = SDL_JoystickOpen(index)) {
      joystick_.reset(joystick);
      joystick_id_ = SDL_JoystickInstanceID(joystick);
      return;
    }
  }
}

bool SdlHost::PadHas(common::PadAction action, int sdl_button) const {
  static constexpr SDL_GameControllerButton kButtons[common::kPadButtonCount] = {
      SDL_CONTROLLER_BUTTON_A,
      SDL_CONTROLLER_BUTTON_B,
      SDL_CONTROLLER_BUTTON_X,
      SDL_CONTROLLER_BUTTON_Y,
      SDL_CONTROLLER_BUTTON_BACK,
      SDL_CONTROLLER_BUTTON_GUIDE,
      SDL_CONTROLLER_BUTTON_START,
      SDL_CONTROLLER_BUTTON_LEFTSTICK,
      SDL_CONTROLLER_BUTTON_RIGHTSTICK,
      SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
      SDL_CONTROLLER_BUTTON_RIGHTSHOULDER};
  for (common::PadButton button : config_.settings.pad[size_t(action)])
    if (kButtons[size_t(button)] == sdl_button) return true;
  return false;
}

Joystick SdlHost::ReadJoystick() {
  Joystick state;
  if (SDL_GameController* pad = pad_.get()) {
    state.present = true;
    if (const char* name = SDL_GameControllerName(pad)) state.name = name;
    auto held = [pad](int b) {
      return SDL_GameControllerGetButton(pad, SDL_GameControllerButton(b)) != 0;
    };
    state.axis_x = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX);
    state.axis_y = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY);
    if (held(SDL_CONTROLLER_BUTTON_DPAD_LEFT)) state.axis_x = -kFullDeflection;
    if (held(SDL_CONTROLLER_BUTTON_DPAD_RIGHT)) state.axis_x = kFullDeflection;
    if (held(SDL_CONTROLLER_BUTTON_DPAD_UP)) state.axis_y = -kFullDeflection;
    if (held(SDL_CONTROLLER_BUTTON_DPAD_DOWN)) state.axis_y = kFullDeflection;
    // The game fires with button 0 and lays mines with button 1.
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
      if (!held(b)) continue;
      if (PadHas(common::PadAction::kFire, b)) state.buttons[0] = 0x80;
      if (PadHas(common::PadAction::kMine, b)) state.buttons[1] = 0x80;
    }
    return state;
  }
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
    config_.settings.fullscreen = false;
    // The largest whole multiple of the page that fits keeps every pixel the same size.
    int display = std::max(0, SDL_GetWindowDisplayIndex(window));
    int scale = WholeScale(display);
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
    config_.settings.fullscreen = true;
  }
  bars_stale_ = true;
  Redraw();
}

void SdlHost::Present(const uint8_t* pixels, int pitch, int width, int height, const Rgb* palette) {
  if (!pixels || width <= 0 || height <= 0) return;
  // Only where the rows changed is converted and sent to the screen.
  common::KeptPage::Change change = page_.Update(pixels, pitch, width, height, palette);
  if (change.palette) colours_format_ = 0;
  if (change.size || change.palette) whole_page_stale_ = true;
  if (change.rows || whole_page_stale_ || bars_stale_) Redraw();
}

void SdlHost::Redraw() {
  if (!window_ || page_.Empty()) return;
  if (!gpu_) {
    RedrawSurface();
    return;
  }
  if (colours_format_ != gpu_->Format()->format) MapColours(gpu_->Format());
  // A notice is drawn over the page at its own size, and enlarged with it.
  const bool overlay = paused_ != Pause::kNo || !notice_.empty();
  gpu_->Update(page_.Pixels(), page_.Width(), page_.Height(), colours_.data(),
               whole_page_stale_ || overlay ? nullptr : page_.Changes());
  if (overlay) {
    gpu_->DrawOver([this](uint32_t* pixels, int pitch, int width, int height) {
      DrawNotices(gpu_->Format(), pixels, pitch, width, height);
    });
  }
  page_.MarkDrawn();
  whole_page_stale_ = false;
  bars_stale_ = false;
  gpu_->Show();
}

void SdlHost::MapColours(const SDL_PixelFormat* format) {
  for (int i = 0; i < 256; ++i) {
    const Rgb& rgb = page_.Palette()[i];
    colours_[i] = SDL_MapRGB(format, rgb.r, rgb.g, rgb.b);
  }
  colours_format_ = format->format;
  whole_page_stale_ = true;
}

void SdlHost::RedrawSurface() {
  SDL_Surface* surface = SDL_GetWindowSurface(window_.get());
  if (!surface) return;
  if (surface->w != surface_width_ || surface->h != surface_height_) {
    surface_width_ = surface->w;
    surface_height_ = surface->h;
    bars_stale_ = true;
  }
  common::PageRect rect = common::FitPage(page_.Width(), page_.Height(), surface->w, surface->h);
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
  if (colours_format_ != target->format->format) MapColours(target->format);

  // A notice over the picture is redrawn with the whole page under it, and wiped with it.
  const bool overlay = paused_ != Pause::kNo || !notice_.empty();
  const bool whole = bars_stale_ || whole_page_stale_ || overlay;
  if (bars_stale_) SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
  if (SDL_MUSTLOCK(target) && SDL_LockSurface(target) != 0) return;
  auto* origin = static_cast<uint8_t*>(target->pixels);
  if (direct) origin += static_cast<ptrdiff_t>(rect.y) * target->pitch + rect.x * 4;
  scaler_.Scale(page_.Pixels(), page_.Width(), page_.Width(), page_.Height(), colours_.data(),
                reinterpret_cast<uint32_t*>(origin), target->pitch, rect.width, rect.height,
                whole ? nullptr : page_.Changes());
  if (overlay)
    DrawNotices(target->format, reinterpret_cast<uint32_t*>(origin), target->pitch, rect.width,
                rect.height);
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
  for (const common::PageRect& area : scaler_.Written())
    update_rects_.push_back({rect.x + area.x, rect.y + area.y, area.width, area.height});
  if (!update_rects_.empty())
    SDL_UpdateWindowSurfaceRects(window_.get(), update_rects_.data(),
                                 static_cast<int>(update_rects_.size()));
}

void SdlHost::DrawNotices(const SDL_PixelFormat* format, uint32_t* picture, int pitch, int width,
                          int height) {
  const int scale = std::max(1, height / 300);
  const uint32_t ink = SDL_MapRGB(format, 255, 255, 255);
  const uint32_t shade = SDL_MapRGB(format, 0, 0, 0);
  if (paused_ != Pause::kNo)
    common::DrawOverlayText(picture, pitch, width, height, "PAUSED", height / 2, scale, ink, shade);
  if (!notice_.empty()) {
    common::OverlayRows band = common::OverlayBand(0, scale);
    common::DrawOverlayText(picture, pitch, width, height, notice_, height + band.first - 2 * scale,
                            scale, ink, shade);
  }
}

void SdlHost::SaveScreenshot() {
  if (page_.Empty()) return;
  namespace fs = std::filesystem;
  fs::path folder = common::PicturesFolder();
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

  if (common::WriteCompressedPng(path.string(), page_.Pixels(), page_.Width(), page_.Width(),
                                 page_.Height(), page_.Palette())) {
    std::fprintf(stderr, "ferrowyn: screenshot saved as %s\n", path.c_str());
    Notice("saved " + path.filename().string(), kNoticeMs);
  } else {
    std::fprintf(stderr, "ferrowyn: cannot write the screenshot %s\n", path.c_str());
    Notice("cannot save the screenshot", kNoticeMs);
  }
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
  if (!config_.sound) return;
  QuietenAlsa();
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
  SDL_PauseAudioDevice(audio_device_, paused_ != Pause::kNo);
}

void SdlHost::AudioCallback(void* host, uint8_t* stream, int bytes) {
  auto* self = static_cast<SdlHost*>(host);
  if (self->audio_source_)
    self->audio_source_->Mix(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(bytes) / 4);
  else
    std::memset(stream, 0, bytes);
}

}  // namespace host::sdl
