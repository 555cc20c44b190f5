// The game in a web browser: the web host under the stand-ins, and WinMain as on the desktop.
// For tests the page may pass the headless runner's --script, --frames and --start-tick: the
// script's keys are pressed at their frames and the runner's state trace is kept, so that the
// browser and the runner can be compared frame by frame.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "game/world.h"
#include "platform/host/web_host.h"
#include "tools/headless/options.h"
#include "tools/headless/script.h"
#include "tools/headless/trace.h"

namespace {

// Counts the passes of the message loop as the runner does (a pump ends the frame before it
// and sets the next one's input), pressing the script's keys and tracing when scripted.
class Passes {
 public:
  Passes(const runner::Script& script, std::optional<long long> frames, bool trace,
         host::WebHost* host)
      : script_(script), frames_(frames), tracing_(trace), host_(host) {}

  void Pump() {
    if (pass_ > 0 && tracing_ && (!frames_ || pass_ - 1 < *frames_))
      runner::AppendTraceLine(pass_ - 1, &trace_);
    if (frames_ && pass_ == *frames_) host_->RequestClose();
    const auto& events = script_.events;
    for (; next_ < events.size() && events[next_].frame <= pass_; ++next_)
      host_->SetKey(static_cast<uint8_t>(events[next_].code), events[next_].down);
    ++pass_;
  }

  // The frame now running (its state so far).
  long long Frame() const { return pass_ - 1; }
  const std::string& Trace() const { return trace_; }

 private:
  const runner::Script& script_;
  std::optional<long long> frames_;
  bool tracing_;
  host::WebHost* host_;
  size_t next_ = 0;
  long long pass_ = 0;
  std::string trace_;
};

// A start tick for a player: the desktop's clock starts at some arbitrary reading too.
uint32_t WallClockTick() {
  auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count());
}

int Refuse(const std::string& reason) {
  std::fprintf(stderr, "ferrowyn: %s\n", reason.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  runner::Options options;
  runner::Script script;
  std::string error;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!runner::ParseOptions(args, &options, &error)) return Refuse(error);
  const bool scripted = !options.script_path.empty();
  if (scripted && !runner::LoadScript(options.script_path, &script, &error)) return Refuse(error);
  for (const runner::ScriptEvent& event : script.events) {
    if (event.kind != runner::ScriptEvent::kKey)
      return Refuse(options.script_path + ":" + std::to_string(event.line) +
                    ": the web build plays only keys from a script");
  }

  host::WebHost web(scripted ? options.start_tick : WallClockTick());
  Passes passes(script, options.frames, scripted, &web);
  web.on_pump = [&passes] { passes.Pump(); };
  web.in_play = [] { return game_mode == GAME_MODE_PLAYING; };
  web.inspect = [&passes] {
    std::string line;
    runner::AppendTraceLine(passes.Frame(), &line);
    return line;
  };
  host::Install(&web);
  char command_line[] = "";  // the game ignores its command line
  int status = WinMain(GetModuleHandleA(nullptr), nullptr, command_line, SW_SHOWDEFAULT);
  host::Install(nullptr);
  if (scripted) web.Report("trace", passes.Trace());
  web.Finished(status);
  return status;
}
