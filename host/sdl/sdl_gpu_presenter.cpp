#include "host/sdl/sdl_gpu_presenter.h"

#include <SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace host::sdl {
namespace {

constexpr unsigned kGlRenderer = 0x1F01;   // GL_RENDERER, for glGetString
constexpr int kAssumedRefreshRate = 60;    // when the display does not say
constexpr int kAssumedTextureSize = 4096;  // when the renderer does not say

bool Contains(std::string_view text, std::string_view word) {
  return std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         }) != text.end();
}

// SDL calls any GL renderer accelerated: only the driver knows where it draws.
std::string GlRendererName() {
  using GetString = const unsigned char* (*)(unsigned);
  auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  if (!get_string || !SDL_GL_GetCurrentContext()) return {};
  const unsigned char* name = get_string(kGlRenderer);
  return name ? reinterpret_cast<const char*>(name) : "";
}

// SDL's accelerated renderer for `window`, with vsync; with `hardware_only`, nullptr when it
// rasterises on the CPU all the same.
SDL_Renderer* CreateRenderer(SDL_Window* window, bool hardware_only) {
  SDL_Renderer* renderer = SDL_CreateRenderer(
      window, -1,
      SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC | SDL_RENDERER_TARGETTEXTURE);
  if (!renderer) return nullptr;
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(renderer, &info);
  if (hardware_only &&
      ((info.flags & SDL_RENDERER_SOFTWARE) || IsSoftwareRasteriser(info.name ? info.name : "") ||
       IsSoftwareRasteriser(GlRendererName()))) {
    SDL_DestroyRenderer(renderer);
    return nullptr;
  }
  return renderer;
}

// The automatic choice asks a process of its own whether the display has a GPU: a GL driver
// once loaded stays (Mesa's llvmpipe brings LLVM, which cannot be unloaded, some 70 MB), so
// where the answer is the CPU, none of it comes into the game. The process is this program
// again, answering from AnswerGpuQuestion before its main could start.
constexpr char kQuestionVariable[] = "FERROWYN_ASK_GPU";
constexpr char kGpu = 'g', kNoGpu = 's', kCannotTell = '?';
// A driver that has made no context in this time is not one to play on; llvmpipe under Xvfb
// takes 0.2 to 0.3 s on a busy machine.
constexpr auto kAnswerTimeLimit = std::chrono::seconds(5);

[[gnu::constructor]] void AnswerGpuQuestion() {
  if (!std::getenv(kQuestionVariable)) return;
  char answer = kCannotTell;
  if (SDL_Init(SDL_INIT_VIDEO) == 0) {
    if (SDL_Window* window = SDL_CreateWindow("", 0, 0, 64, 64, SDL_WINDOW_HIDDEN))
      answer = CreateRenderer(window, true) ? kGpu : kNoGpu;
  }
  if (write(STDOUT_FILENO, &answer, 1) != 1) _exit(1);
  // Nothing of SDL is closed: the display drops the connection, and no exit handler runs.
  _exit(0);
}

// The answer of a process of its own on the display SDL has opened: kGpu, kNoGpu, or
// kCannotTell. One that says nothing within the time limit, or dies, is taken for kNoGpu: a
// driver that hangs or crashes in the question would do the same in the game.
char AskApart() {
  // Only a display server takes a second client; a console's driver (KMS) is asked in place.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || (std::strcmp(driver, "x11") != 0 && std::strcmp(driver, "wayland") != 0))
    return kCannotTell;
  int answer_pipe[2];
  if (pipe2(answer_pipe, O_CLOEXEC) != 0) return kCannotTell;
  // The game's environment, on the video driver SDL chose.
  std::vector<std::string> variables{std::string(kQuestionVariable) + "=1",
                                     std::string("SDL_VIDEODRIVER=") + driver};
  for (char** variable = environ; *variable; ++variable)
    if (std::strncmp(*variable, "SDL_VIDEODRIVER=", 16) != 0 &&
        std::strncmp(*variable, kQuestionVariable, sizeof kQuestionVariable - 1) != 0)
      variables.emplace_back(*variable);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  char name[] = "ferrowyn-gpu-question";
  char* argv[] = {name, nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, answer_pipe[1], STDOUT_FILENO);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(answer_pipe[1]);
  char answer = kNoGpu;
  if (spawned != 0) {
    answer = kCannotTell;
  } else {
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeLimit;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd ready{answer_pipe[0], POLLIN, 0};
      const int polled = poll(&ready, 1, std::max<int>(0, static_cast<int>(left.count())));
      if (polled < 0 && errno == EINTR) continue;
      char said = 0;
      if (polled == 1 && read(answer_pipe[0], &said, 1) == 1) answer = said;
      break;
    }
    if (answer != kGpu && answer != kCannotTell) answer = kNoGpu;
    kill(pid, SIGKILL);  // gone already unless it hangs
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  close(answer_pipe[0]);
  return answer;
}

}  // namespace

bool IsSoftwareRasteriser(std::string_view name) {
  for (std::string_view word : {"llvmpipe", "softpipe", "swrast", "software"})
    if (Contains(name, word)) return true;
  return false;
}

std::unique_ptr<GpuPresenter> GpuPresenter::Open(SDL_Window* window, bool hardware_only) {
  if (hardware_only && AskApart() == kNoGpu) return nullptr;
  // A GPU found apart is asked again here, as where it could not be asked apart.
  SDL_Renderer* renderer = CreateRenderer(window, hardware_only);
  return renderer ? std::make_unique<GpuPresenter>(window, renderer) : nullptr;
}

GpuPresenter::GpuPresenter(SDL_Window* window, SDL_Renderer* renderer)
    : renderer_(renderer), format_(SDL_AllocFormat(SDL_PIXELFORMAT_XRGB8888)) {
  SDL_DisplayMode mode{};
  const int display = std::max(0, SDL_GetWindowDisplayIndex(window));
  const int rate = SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0
                       ? mode.refresh_rate
                       : kAssumedRefreshRate;
  refresh_ticks_ = SDL_GetPerformanceFrequency() / rate;
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(renderer, &info);
  max_texture_size_ = std::min(info.max_texture_width, info.max_texture_height);
  if (max_texture_size_ <= 0) max_texture_size_ = kAssumedTextureSize;
}

GpuPresenter::~GpuPresenter() = default;

void GpuPresenter::Update(const uint8_t* page, int width, int height, const uint32_t* colours,
                          const common::PageScaler::Span* changed) {
  if (!page_ || width != page_width_ || height != page_height_) {
    page_.reset(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_XRGB8888,
                                  SDL_TEXTUREACCESS_STREAMING, width, height));
    if (!page_) return;
    SDL_SetTextureScaleMode(page_.get(), SDL_ScaleModeNearest);
    page_width_ = width;
    page_height_ = height;
    multiple_ = 0;
    pixels_.assign(static_cast<size_t>(width) * height, 0);
    changed = nullptr;
  }
  converter_.Scale(page, width, width, height, colours, pixels_.data(), width * 4, width, height,
                   changed);
  for (const common::PageRect& area : converter_.Written()) {
    SDL_Rect rect{area.x, area.y, area.width, area.height};
    SDL_UpdateTexture(page_.get(), &rect,
                      pixels_.data() + static_cast<size_t>(area.y) * width + area.x, width * 4);
  }
}

void GpuPresenter::DrawOver(
    const std::function<void(uint32_t* pixels, int pitch, int width, int height)>& draw) {
  if (!page_) return;
  over_ = pixels_;
  draw(over_.data(), page_width_ * 4, page_width_, page_height_);
  SDL_UpdateTexture(page_.get(), nullptr, over_.data(), page_width_ * 4);
}

void GpuPresenter::Show() {
  held_back_ = true;
  ShowDue();
}

void GpuPresenter::ShowDue() {
  if (!held_back_) return;
  if (last_shown_ && SDL_GetPerformanceCounter() - last_shown_ < refresh_ticks_) return;
  Draw();
  SDL_RenderPresent(renderer_.get());
  last_shown_ = SDL_GetPerformanceCounter();
  held_back_ = false;
}

void GpuPresenter::Draw() {
  SDL_Renderer* renderer = renderer_.get();
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RenderClear(renderer);
  int width = 0, height = 0;
  SDL_GetRendererOutputSize(renderer, &width, &height);
  const common::PageRect rect = common::FitPage(page_width_, page_height_, width, height, scaling_);
  if (!page_ || rect.width <= 0 || rect.height <= 0) return;
  // Enlarged with nearest pixels to the first whole multiple at least as large as the window's
  // rectangle, then brought down smoothly: a pixel of the window blends two page pixels only
  // where it straddles their edge, as the software scaler's averaging does (smoothing up from
  // the multiple below would blur every edge over three window pixels).
  const int multiple =
      std::clamp(std::max((rect.width + page_width_ - 1) / page_width_,
                          (rect.height + page_height_ - 1) / page_height_),
                 1, std::max(1, max_texture_size_ / std::max(page_width_, page_height_)));
  if (multiple != multiple_) {
    enlarged_.reset(SDL_CreateTexture(renderer, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_TARGET,
                                      page_width_ * multiple, page_height_ * multiple));
    multiple_ = enlarged_ ? multiple : 0;
    if (!enlarged_) return;
  }
  // Smaller than the page, nearest pixels alone, as in software.
  const bool smaller = rect.width < page_width_;
  SDL_SetTextureScaleMode(enlarged_.get(), smaller ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
  SDL_SetRenderTarget(renderer, enlarged_.get());
  SDL_RenderCopy(renderer, page_.get(), nullptr, nullptr);
  SDL_SetRenderTarget(renderer, nullptr);
  const SDL_Rect area{rect.x, rect.y, rect.width, rect.height};
  SDL_RenderCopy(renderer, enlarged_.get(), nullptr, &area);
}

}  // namespace host::sdl
