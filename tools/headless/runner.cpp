#include "tools/headless/runner.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "game/world.h"
#include "host/headless/headless_host.h"
#include "recording/run_options.h"
#include "tools/headless/random_input.h"
#include "recording/script.h"
#include "recording/trace.h"
#include "tools/headless/wav_writer.h"
#include "host/common/key_names.h"

namespace runner {

namespace {

// Everything one run needs between passes of the message loop.
class Run {
 public:
  Run(const recording::Options& options, const recording::Script& script,
      host::headless::HeadlessHost* host)
      : options_(options), player_(script), host_(host) {
    if (options.random_seed) random_ = std::make_unique<RandomInput>(*options.random_seed);
    if (script.joystick_name) host->SetJoystick(player_.Stick());
  }

  bool OpenOutputs(std::ostream& err);
  // One pass of the message loop: ends the frame before it, then sets the next one's input.
  void Pump();
  void CapturePresent();
  // The game is about to sleep, at virtual time `now`.
  void Sleeping(uint32_t now);
  bool CloseOutputs(std::ostream& err);
  long long FramesDone() const { return frames_done_; }

 private:
  void EndFrame(long long frame);
  void MixAudioUntil(uint32_t tick);
  void ApplyInput(long long frame);

  const recording::Options& options_;
  recording::ScriptPlayer player_;
  host::headless::HeadlessHost* host_;
  std::unique_ptr<RandomInput> random_;
  std::filesystem::path capture_dir_;
  recording::TraceWriter trace_;
  WavWriter audio_;
  std::vector<int16_t> mix_;
  uint64_t audio_remainder_ = 0;
  uint32_t audio_tick_ = 0;
  uint32_t pass_tick_ = 0;
  long long pass_ = 0;
  long long frames_done_ = 0;
  bool capture_failed_ = false;
  int presents_in_frame_ = 0;
  bool diverged_ = false;
  std::string divergence_;  // where a replay first left the recorded game
};

bool Run::OpenOutputs(std::ostream& err) {
  if (!options_.trace_path.empty() && !trace_.Open(options_.trace_path)) {
    err << "ferrowyn-headless: cannot write the trace " << options_.trace_path << "\n";
    return false;
  }
  if (!options_.audio_path.empty() && !audio_.Open(options_.audio_path, host_->AudioRate())) {
    err << "ferrowyn-headless: cannot write the audio " << options_.audio_path << "\n";
    return false;
  }
  if (!options_.capture_dir.empty()) {
    // Absolute, since the game runs inside the data folder.
    std::error_code ec;
    capture_dir_ = std::filesystem::absolute(options_.capture_dir, ec);
    std::filesystem::create_directories(capture_dir_, ec);
    if (!std::filesystem::is_directory(capture_dir_, ec)) {
      err << "ferrowyn-headless: cannot make the capture folder " << options_.capture_dir << "\n";
      return false;
    }
  }
  return true;
}

void Run::Pump() {
  // Read on every pass, audio or not: a clock read counts towards the host's idle
  // millisecond, and the trace must not depend on which outputs were asked for.
  pass_tick_ = host_->Ticks();
  if (pass_ == 0) {
    audio_tick_ = pass_tick_;
  } else {
    EndFrame(pass_ - 1);
  }
  ApplyInput(pass_);
  ++pass_;
  presents_in_frame_ = 0;
}

void Run::CapturePresent() {
  long long frame = pass_ - 1;  // the frame now running; start-up presents come before frame 0
  if (frame < 0 || !options_.capture_presents || !options_.CaptureFrame(frame)) return;
  char name[48];
  std::snprintf(name, sizeof name, "frame-%06lld-present-%03d.png", frame, presents_in_frame_++);
  if (!host_->SavePng((capture_dir_ / name).string())) capture_failed_ = true;
}

void Run::EndFrame(long long frame) {
  if (options_.frames && frame >= *options_.frames) return;  // ran on while closing
  trace_.WriteFrame(frame);
  if (options_.CaptureFrame(frame)) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06lld.png", frame);
    std::string path = (capture_dir_ / name).string();
    if (!host_->SavePng(path)) capture_failed_ = true;
  }
  MixAudioUntil(pass_tick_);
  frames_done_ = frame + 1;
  if (options_.frames && frames_done_ == *options_.frames) host_->RequestClose();
}

void Run::MixAudioUntil(uint32_t tick) {
  if (!audio_.IsOpen()) return;
  // The virtual time since the last mix, as sample frames; the remainder carries over, so the
  // samples are the same however the time is cut up.
  uint64_t scaled = uint64_t{tick - audio_tick_} * host_->AudioRate() + audio_remainder_;
  audio_tick_ = tick;
  audio_remainder_ = scaled % 1000;
  size_t count = scaled / 1000;
  mix_.assign(count * 2, 0);
  host_->RenderAudio(mix_.data(), count);
  audio_.Write(mix_.data(), count);
}

void Run::Sleeping(uint32_t now) {
  // A sound started within a frame plays from when it started, as a sound device would
  // play it: before a sleep (a level won waits a second, then fades), the time so far is
  // mixed with what is playing now. Outside the frames asked for nothing is written.
  const long long frame = pass_ - 1;
  if (frame < 0 || (options_.frames && frame >= *options_.frames)) return;
  MixAudioUntil(now);
}

void Run::ApplyInput(long long frame) {
  if (std::optional<uint64_t> recorded = player_.CheckAt(frame); recorded && !diverged_) {
    uint64_t now = recording::WorldChecksum();
    if (now != *recorded) {
      diverged_ = true;
      char what[128];
      std::snprintf(what, sizeof what, "world checksum %016llx before frame %lld, recorded %016llx",
                    static_cast<unsigned long long>(now), frame,
                    static_cast<unsigned long long>(*recorded));
      divergence_ = what;
    }
  }
  auto set_key = [this](int code, bool down) { host_->SetKey(static_cast<uint8_t>(code), down); };
  if (player_.Advance(frame, set_key)) host_->SetJoystick(player_.Stick());
  if (random_) random_->Step(set_key);
}

bool Run::CloseOutputs(std::ostream& err) {
  bool ok = true;
  if (!trace_.Close()) {
    err << "ferrowyn-headless: writing the trace " << options_.trace_path << " failed\n";
    ok = false;
  }
  if (!audio_.Close()) {
    err << "ferrowyn-headless: writing the audio " << options_.audio_path << " failed\n";
    ok = false;
  }
  if (diverged_) {
    err << "ferrowyn-headless: the replay diverges: " << divergence_ << "\n";
    ok = false;
  }
  if (capture_failed_) {
    err << "ferrowyn-headless: a capture could not be written into " << options_.capture_dir
        << "\n";
    ok = false;
  }
  return ok;
}

// The game quits only after Escape is let go: while it is held, every frame posts another
// close request ahead of the quit message.
bool ReleasesEscape(const recording::Script& script) {
  int escape = host::common::ScanCodeOf("ESCAPE");
  bool pressed = false;
  for (const recording::ScriptEvent& e : script.events) {
    if (e.kind != recording::ScriptEvent::kKey || e.code != escape) continue;
    if (!e.down && pressed) return true;
    pressed = pressed || e.down;
  }
  return false;
}

}  // namespace

int RunHeadless(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  recording::Options options;
  std::string error;
  if (!recording::ParseOptions(args, &options, &error)) {
    err << "ferrowyn-headless: " << error << "\n";
    return 2;
  }
  if (options.help) {
    out << recording::kUsage;
    return 0;
  }
  recording::Script script;
  if (!options.script_path.empty() &&
      !recording::LoadScript(options.script_path, &script, &error)) {
    err << "ferrowyn-headless: " << error << "\n";
    return 2;
  }
  if (!options.frames && !script.frames && script.recorded) {
    options.frames = recording::PlayedFrames(script);
    err << "ferrowyn-headless: the recording ends without its closing lines (the game was "
           "stopped while recording): playing it to its last line, "
        << *options.frames << " frames\n";
  }
  if (!options.frames) options.frames = script.frames;
  if (!options.frames && !ReleasesEscape(script)) {
    err << "ferrowyn-headless: nothing would end this run: give --frames N, or press and "
           "release ESCAPE in the script\n";
    return 2;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(options.data_dir, ec)) {
    err << "ferrowyn-headless: no data folder " << options.data_dir << "\n";
    return 2;
  }

  host::headless::HeadlessHost host(options.start_tick.value_or(script.start_tick.value_or(0)));
  Run run(options, script, &host);
  if (!run.OpenOutputs(err)) return 2;
  host.on_pump = [&run] { run.Pump(); };
  host.on_present = [&run] { run.CapturePresent(); };
  host.on_sleep = [&run](uint32_t now) { run.Sleeping(now); };

  // The game reads its data files from the current folder.
  std::filesystem::path previous_dir = std::filesystem::current_path(ec);
  std::filesystem::current_path(options.data_dir, ec);
  if (ec) {
    err << "ferrowyn-headless: cannot enter the data folder " << options.data_dir << "\n";
    return 2;
  }
  host::Install(&host);
  char command_line[] = "";
  auto started = std::chrono::steady_clock::now();
  int status = WinMain(GetModuleHandleA(nullptr), nullptr, command_line, SW_SHOW);
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  host::Install(nullptr);
  if (!previous_dir.empty()) std::filesystem::current_path(previous_dir, ec);

  if (!run.CloseOutputs(err) && status == 0) status = 1;
  if (host.UnreportedPresents() > 0) {
    err << "ferrowyn-headless: " << host.UnreportedPresents()
        << " pages changed outside the places handed with them, the first at present "
        << host.FirstUnreported() << "\n";
    if (status == 0) status = 1;
  }
  char summary[160];
  std::snprintf(summary, sizeof summary,
                "ferrowyn-headless: %lld frames, level %d, score %d, lives %d, %.3f s, %.0f "
                "frames/s\n",
                run.FramesDone(), level, score, lives, seconds,
                seconds > 0 ? run.FramesDone() / seconds : 0.0);
  out << summary;
  return status;
}

}  // namespace runner
