// The game in a web browser: the player's settings from the browser's storage, the web host
// under the stand-ins, and WinMain as on the desktop. For tests the page may pass the headless
// runner's --script (or --replay), --frames and --start-tick: the script is played as the
// game's --replay plays a recording, and the runner's state trace is kept, so that the browser
// and the runner can be compared frame by frame.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "art/assets.h"
#include "game/world.h"
#include "host/common/scan_codes.h"
#include "main/high_scores.h"
#include "main/recorder.h"
#include "main/settings_file.h"
#include "host/web/web_host.h"
#include "platform/mixer.h"
#include "recording/run_options.h"
#include "recording/script.h"
#include "recording/trace.h"

namespace {

// Counts the passes of the message loop as the runner does (a pump ends the frame before it),
// keeps the trace when asked, and ends the game after `frames`.
class Passes {
 public:
  Passes(std::optional<long long> frames, bool trace, host::web::WebHost* host)
      : frames_(frames), tracing_(trace), host_(host) {}

  void Pump() {
    if (pass_ > 0 && tracing_ && (!frames_ || pass_ - 1 < *frames_))
      recording::AppendTraceLine(pass_ - 1, &trace_);
    if (frames_ && pass_ == *frames_) host_->RequestClose();
    ++pass_;
  }

  // The frame now running (its state so far).
  long long Frame() const { return pass_ - 1; }
  const std::string& Trace() const { return trace_; }

 private:
  std::optional<long long> frames_;
  bool tracing_;
  host::web::WebHost* host_;
  long long pass_ = 0;
  std::string trace_;
};

// A start tick for a player: the desktop's clock starts at some arbitrary reading too.
uint32_t WallClockTick() {
  auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count());
}

// The settings the page keeps in the browser's storage, in the desktop's file format; a line
// that cannot be used is said on the page and keeps its default.
host::common::Settings StoredSettings() {
  host::common::Settings settings;
  std::vector<std::string> warnings;
  if (!program::ParseSettings(host::web::WebHost::StoredSettingsText(), "settings", &settings,
                              &warnings)) {
    std::string note = "Some settings could not be used:";
    for (const std::string& warning : warnings) note += " " + warning + ".";
    host::web::WebHost::Note(note);
  }
  return settings;
}

constexpr char kScores[] = "ferrowyn-scores";

int Refuse(const std::string& reason) {
  std::fprintf(stderr, "ferrowyn: %s\n", reason.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  recording::Options options;
  recording::Script script;
  std::string error;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!recording::ParseOptions(args, &options, &error)) return Refuse(error);
  const bool scripted = !options.script_path.empty();
  if (scripted && !recording::LoadScript(options.script_path, &script, &error))
    return Refuse(error);
  // As the runner reads them: the command line over the script, the clock from 0.
  script.start_tick = options.start_tick.value_or(script.start_tick.value_or(0));
  const std::optional<long long> frames = options.frames ? options.frames : script.frames;

  // The pictures and sounds are drawn here, into the game's current folder, by the generator
  // the desktop build runs: the same files, for a tenth of the download.
  if (!art::WriteAll(".", &error))
    host::web::WebHost::Note("The game's pictures and sounds could not be made: " + error);

  host::common::Settings settings = StoredSettings();
  host::web::WebHost::ShowSettingsText(program::FormatSettings(settings));
  platform::SharedMixer().SetOutputLevels(settings.volume, settings.music_volume);
  host::web::WebHost web(settings, WallClockTick());
  // What the menu changes is heard at once and kept in the browser's storage, the player's
  // text changed only where the values did; the page is not reloaded.
  std::string stored_text = host::web::WebHost::StoredSettingsText();
  host::common::Settings stored = settings;
  web.settings_changed = [&](const host::common::Settings& now) {
    platform::SharedMixer().SetOutputLevels(now.volume, now.music_volume);
    stored_text = stored_text.empty() ? program::FormatSettings(now)
                                      : program::UpdateSettingsText(stored_text, stored, now);
    stored = now;
    host::web::WebHost::StoreSettingsText(stored_text);
  };
  // The best ten games, kept in the browser's storage as the desktop keeps its file; a
  // scripted run is a replay and enters nothing.
  bool said_damaged = false;
  auto table = [&said_damaged] {
    std::vector<program::HighScore> games;
    std::string why;
    if (!program::ParseHighScores(host::web::WebHost::StoredText(kScores), &games, &why)) {
      // Said once, and never written over: the player may want it back.
      if (!said_damaged)
        host::web::WebHost::Note("The high scores kept in this browser are damaged (" + why +
                                 ") and are left as they are.");
      said_damaged = true;
      return std::optional<std::vector<program::HighScore>>();
    }
    return std::optional(games);
  };
  web.high_scores = [&table] {
    std::vector<std::string> lines;
    if (auto games = table())
      for (size_t i = 0; i < games->size(); ++i)
        lines.push_back(program::DescribeHighScore((*games)[i], int(i) + 1));
    return lines;
  };
  program::GameEndWatch watch;
  int place = 0;
  web.high_score_place = [&] {
    const host::Joystick pad = web.ReadJoystick();
    program::GameEndWatch::Frame frame;
    frame.in_play = game_mode == GAME_MODE_PLAYING;
    frame.lives = lives;
    frame.score = score;
    frame.level = level;
    frame.pad = pad.buttons[0] || pad.buttons[1] || std::abs(pad.axis_x) > 16384 ||
                std::abs(pad.axis_y) > 16384;
    frame.cheat_keys = web.KeyDown(host::common::kDikF2) || web.KeyDown(host::common::kDikF3);
    if (!frame.in_play) place = 0;
    std::optional<program::HighScore> ended = watch.Step(frame);
    if (!ended || scripted) return place;
    std::optional<std::vector<program::HighScore>> games = table();
    if (!games) return place;
    ended->date = program::Today();
    place = program::EnterHighScore(&*games, *ended);
    if (place > 0) host::web::WebHost::StoreText(kScores, program::FormatHighScores(*games));
    return place;
  };
  Passes passes(frames, scripted, &web);
  web.on_pump = [&passes] { passes.Pump(); };
  web.in_play = [] { return game_mode == GAME_MODE_PLAYING; };
  web.inspect = [&passes] {
    std::string line;
    recording::AppendTraceLine(passes.Frame(), &line);
    return line;
  };
  std::unique_ptr<program::ReplayHost> replay;
  if (scripted) replay = std::make_unique<program::ReplayHost>(&web, script);

  host::Install(replay ? static_cast<host::Host*>(replay.get()) : &web);
  char command_line[] = "";  // the game ignores its command line
  int status = WinMain(GetModuleHandleA(nullptr), nullptr, command_line, SW_SHOWDEFAULT);
  host::Install(nullptr);
  if (replay && replay->Diverged() && status == 0) status = 1;
  if (scripted) web.Report("trace", passes.Trace());
  web.Finished(status);
  return status;
}
