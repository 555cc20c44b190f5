// The SDL host's GPU path. On a private X server (Xvfb) the only GL is Mesa's CPU rasteriser:
// the automatic choice must keep to software there, without its driver loaded into the game,
// and the GPU path forced onto it must show the picture the software scaler shows.
#include <SDL.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "host/sdl/sdl_gpu_presenter.h"
#include "host/sdl/sdl_host.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

extern char** environ;

namespace {

using host::common::Renderer;

TEST(SdlRenderer, SoftwareRasterisersAreKnownByName) {
  for (const char* name : {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Software Rasterizer",
                           "opengl (swrast)", "software"})
    EXPECT_TRUE(host::sdl::IsSoftwareRasteriser(name)) << name;
  // LLVM compiles shaders for real GPUs too.
  for (const char* name : {"AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49)",
                           "Mesa Intel(R) UHD Graphics 630 (CFL GT2)", "NVIDIA GeForce GTX 1060"})
    EXPECT_FALSE(host::sdl::IsSoftwareRasteriser(name)) << name;
}

TEST(SdlRenderer, NamedAsTheSettingsNameIt) {
  EXPECT_EQ(host::common::ParseRenderer("gpu"), Renderer::kGpu);
  EXPECT_EQ(host::common::ParseRenderer("software"), Renderer::kSoftware);
  EXPECT_EQ(host::common::ParseRenderer("auto"), Renderer::kAutomatic);
  EXPECT_EQ(host::common::ParseRenderer("GPU"), std::nullopt);
}

// A host drawing with the renderer of this name.
host::sdl::SdlConfig Drawing(const char* renderer) {
  host::sdl::SdlConfig config;
  config.settings.renderer = renderer;
  return config;
}

// Xvfb on a display of its own, so parallel tests never meet; stopped at the end.
class XServer {
 public:
  explicit XServer(const char* screen) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return;
    const std::string fd = std::to_string(pipe_fds[1]);
    // -noreset: by default the server resets when its last client leaves, and refuses
    // connections meanwhile; on a busy machine the next window came in that gap.
    const char* args[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen",  "0",
                          screen, "-nolisten",  "tcp",      "-noreset", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(args), environ) != 0)
      pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    // It writes its display number once it listens: a minute is for a loaded machine.
    pollfd ready{pipe_fds[0], POLLIN, 0};
    char number[16] = {};
    if (pid_ && poll(&ready, 1, 60000) == 1 && read(pipe_fds[0], number, sizeof number - 1) > 0)
      display_ = ":" + std::to_string(std::atoi(number));
    close(pipe_fds[0]);
  }
  ~XServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = 0;
  std::string display_;
};

constexpr int kScreenWidth = 1920, kScreenHeight = 1080;

class SdlGpuTest : public testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v Xvfb >/dev/null && command -v import >/dev/null") != 0)
      GTEST_SKIP() << "needs Xvfb and ImageMagick";
    ASSERT_FALSE(server_.Display().empty()) << "Xvfb did not start";
    setenv("DISPLAY", server_.Display().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }

  // Shows `page` and returns the screen as the X server holds it (8-bit RGB) once it shows a
  // page: the window mapped and drawn, and a page held back for vsync gone out, the same in two
  // pictures running. A busy machine may take seconds for that; a deadline bounds the wait.
  std::vector<uint8_t> Shown(host::sdl::SdlHost& sdl, const std::vector<uint8_t>& page,
                             const host::Rgb* palette) {
    sdl.Present(page.data(), 800, 800, 600, palette, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::vector<uint8_t> before;
    for (;;) {
      sdl.PumpEvents();
      std::vector<uint8_t> now = Screen();
      if (ShowsAPage(now) && now == before) return now;
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "waited 60 s for the page to stand on the screen";
        return now;
      }
      before = std::move(now);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  std::vector<uint8_t> Screen() {
    const std::string command =
        "import -display " + server_.Display() + " -window root -depth 8 rgb:-";
    std::vector<uint8_t> rgb(static_cast<size_t>(kScreenWidth) * kScreenHeight * 3);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    rgb.resize(std::fread(rgb.data(), 1, rgb.size(), pipe));
    pclose(pipe);
    return rgb;
  }

  // Something drawn in the middle of the screen, where the page goes.
  static bool ShowsAPage(const std::vector<uint8_t>& rgb) {
    const size_t middle = (540 * static_cast<size_t>(kScreenWidth) + 960) * 3;
    return rgb.size() == size_t{kScreenWidth} * kScreenHeight * 3 &&
           rgb[middle] + rgb[middle + 1] + rgb[middle + 2] != 0;
  }

  XServer server_{"1920x1080x24"};
};

// A page like the game's: a sky graded row by row, blocks of every size in strong colours,
// and lines one pixel wide, so the enlarging and the blending both show.
std::vector<uint8_t> GameLikePage(host::Rgb* palette) {
  for (int i = 0; i < 256; ++i)
    palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                  static_cast<uint8_t>((i * 7) & 0xFF)};
  std::vector<uint8_t> page(800 * 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      uint8_t colour = static_cast<uint8_t>(y * 255 / 600);
      if ((x / 37 + y / 23) % 5 == 0) colour = static_cast<uint8_t>(x / 37 * 11);
      if (x % 97 == 0 || y % 89 == 0) colour = 255;
      page[y * 800 + x] = colour;
    }
  return page;
}

// Root-mean-square difference, 0 to 1 of the full scale.
double Rmse(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
  return std::sqrt(sum / a.size()) / 255;
}

// The line of this process's memory map where a GL driver is, or "" when none is loaded.
std::string GlDriverMapped() {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);)
    for (const char* driver : {"_dri.so", "libLLVM", "libGLX_mesa"})
      if (line.find(driver) != std::string::npos) return line;
  return "";
}

// An X display that takes connections and never answers: a question hangs there as it could
// in a GL driver.
class SilentDisplay {
 public:
  SilentDisplay() {
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // Xlib looks for display N at the abstract address "/tmp/.X11-unix/XN" first.
    for (int number = 4000; fd_ >= 0 && number < 4100; ++number) {
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
      path.copy(address.sun_path + 1, path.size());
      if (bind(fd_, reinterpret_cast<sockaddr*>(&address),
               offsetof(sockaddr_un, sun_path) + 1 + path.size()) == 0 &&
          listen(fd_, 8) == 0) {
        name_ = ":" + std::to_string(number);
        break;
      }
    }
  }
  ~SilentDisplay() {
    if (fd_ >= 0) close(fd_);
  }
  SilentDisplay(const SilentDisplay&) = delete;
  SilentDisplay& operator=(const SilentDisplay&) = delete;

  const std::string& Name() const { return name_; }

 private:
  int fd_ = -1;
  std::string name_;
};

TEST_F(SdlGpuTest, AutomaticChoiceKeepsMesasCpuRasteriserOut) {
  ASSERT_EQ(GlDriverMapped(), "") << "loaded before the test";
  host::sdl::SdlHost sdl(Drawing("auto"));
  ASSERT_TRUE(sdl.OpenWindow("Ferrowyn v1.0", 800, 600));
  EXPECT_FALSE(sdl.UsesGpu());
  // Mesa's LLVM, once loaded, stays for good: some 70 MB for a path not taken.
  EXPECT_EQ(GlDriverMapped(), "");
}

TEST_F(SdlGpuTest, QuestionUnansweredInTimeMeansNoGpu) {
  ASSERT_EQ(GlDriverMapped(), "") << "loaded before the test";
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
  SDL_Window* window = SDL_CreateWindow("", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
  ASSERT_NE(window, nullptr) << SDL_GetError();
  // The question goes to a display that never answers; the window stays on the real one.
  SilentDisplay silent;
  ASSERT_FALSE(silent.Name().empty());
  setenv("DISPLAY", silent.Name().c_str(), 1);
  const auto start = std::chrono::steady_clock::now();
  const bool gpu = host::sdl::GpuPresenter::Open(window, true) != nullptr;
  const auto waited = std::chrono::steady_clock::now() - start;
  SDL_DestroyWindow(window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  EXPECT_FALSE(gpu);
  EXPECT_GE(waited, std::chrono::seconds(4)) << "the question did not hang";
  EXPECT_LT(waited, std::chrono::seconds(8));
  // Not asked again in the game, and the question's process is gone.
  EXPECT_EQ(GlDriverMapped(), "");
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), 0) << "a child ended and was left unreaped";
}

TEST_F(SdlGpuTest, ForcedGpuShowsWhatTheSoftwareScalerShows) {
  host::Rgb palette[256];
  const std::vector<uint8_t> page = GameLikePage(palette);
  std::vector<uint8_t> software, gpu;
  {
    host::sdl::SdlHost sdl(Drawing("software"));
    ASSERT_TRUE(sdl.OpenWindow("Ferrowyn v1.0", 800, 600));
    ASSERT_FALSE(sdl.UsesGpu());
    software = Shown(sdl, page, palette);
  }
  {
#if defined(__SANITIZE_ADDRESS__)
    // Mesa's driver leaks a few bytes, and is unloaded before the leak check could name it.
    __lsan::ScopedDisabler driver_leaks;
#endif
    host::sdl::SdlHost sdl(Drawing("gpu"));
    ASSERT_TRUE(sdl.OpenWindow("Ferrowyn v1.0", 800, 600));
    ASSERT_TRUE(sdl.UsesGpu()) << "no GL renderer: is libgl1-mesa-dri installed?";
    gpu = Shown(sdl, page, palette);
  }
  ASSERT_EQ(software.size(), size_t{kScreenWidth} * kScreenHeight * 3);
  ASSERT_EQ(gpu.size(), software.size());
  // The page fills 1440 x 1080 between black bars in both.
  const size_t left_bar = (540 * kScreenWidth + 100) * 3,
               page_middle = (540 * kScreenWidth + 960) * 3;
  EXPECT_EQ(gpu[left_bar] + gpu[left_bar + 1] + gpu[left_bar + 2], 0);
  EXPECT_NE(gpu[page_middle] + gpu[page_middle + 1] + gpu[page_middle + 2], 0);
  const double difference = Rmse(software, gpu);
  std::printf("GPU against software: RMSE %.4f\n", difference);
  // Smoothing up from the multiple below the window blurs every edge: 1.8 % here.
  EXPECT_LT(difference, 0.01);
}

}  // namespace
