// The game's entry on Linux: the command line and the settings file, the data folder, the SDL
// host (wrapped for a recording or a replay), then WinMain.
#include <windows.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <variant>

#include "game/world.h"
#include "main/data_folder.h"
#include "main/high_scores.h"
#include "main/options.h"
#include "main/recorder.h"
#include "platform/mixer.h"
#include "host/common/key_names.h"
#include "host/common/scan_codes.h"
#include "host/sdl/sdl_host.h"
#include "main/settings_file.h"
#include "art/assets.h"
#include "recording/script.h"

namespace {

namespace fs = std::filesystem;

void ListKeys(const host::common::Settings& settings) {
  std::printf("Key bindings in effect:\n");
  for (const std::string& line : program::DescribeBindings(settings))
    std::printf("  %s\n", line.c_str());
  std::printf("\nKey names for the settings file (keys by their place on a US keyboard):\n ");
  int column = 1;
  for (const host::common::KeyName& key : host::common::KeyNames()) {
    int width = static_cast<int>(std::strlen(key.name)) + 1;
    if (column + width > 78) {
      std::printf("\n ");
      column = 1;
    }
    std::printf(" %s", key.name);
    column += width;
  }
  std::printf("\n");
}

fs::path ExecutableFolder() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : self.parent_path();
}

// The folder with the data files, or empty after saying why there is none.
// The folder with the game's pictures and sounds, or the exit status when there is none: 2
// for a --data that names no folder, 1 when no folder holds the data (said on the terminal and
// in a message box, since a player who started the game from a menu sees no terminal).
std::variant<fs::path, int> ChooseDataFolder(const program::Options& options) {
  std::error_code ec;
  std::vector<fs::path> looked_in;
  if (!options.data_dir.empty()) {
    if (!fs::is_directory(options.data_dir, ec)) {
      std::fprintf(stderr, "ferrowyn: --data: no folder %s\n", options.data_dir.c_str());
      return 2;
    }
    fs::path folder = fs::absolute(options.data_dir, ec);
    if (program::HoldsAnyData(folder)) return folder;
    looked_in = {folder};
  } else {
    looked_in =
        program::DataCandidates(fs::current_path(ec), ExecutableFolder(), FERROWYN_INSTALLED_DATA);
    fs::path found = program::FindData(looked_in);
    if (!found.empty()) return found;
  }
  std::string message =
      "Ferrowyn cannot find its pictures and sounds (TITLE.BMP and the rest).\n"
      "Looked in:\n";
  for (const fs::path& folder : looked_in) message += "  " + folder.string() + "\n";
  message += "Start it with --data DIR to name the folder.";
  std::fprintf(stderr, "ferrowyn: %s\n", message.c_str());
  host::sdl::SdlHost::ShowError("Ferrowyn", message);
  return 1;
}

// The desktop icon, drawn by the same code as the installed one, as RGBA.
std::vector<uint8_t> IconPixels() {
  art::Image icon = art::MakeIcon();
  const art::Palette& palette = art::GamePalette();
  std::vector<uint8_t> rgba;
  rgba.reserve(icon.pixels.size() * 4);
  for (uint8_t index : icon.pixels) {
    const art::Color& c = palette[index];
    rgba.insert(rgba.end(), {c.r, c.g, c.b, 255});
  }
  return rgba;
}

}  // namespace

int main(int argc, char** argv) {
  program::Options options;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (auto status = program::ParseOptions(args, &options, std::cout, std::cerr)) return *status;

  program::SettingsFile file = program::ReadSettingsFile(
      options.config_path.empty() ? program::SettingsPath() : fs::path(options.config_path));
  for (const std::string& warning : file.warnings)
    std::fprintf(stderr, "ferrowyn: settings: %s\n", warning.c_str());
  program::HighScoreFile high_scores(program::HighScoresPath());
  if (options.high_scores) {
    const std::vector<std::string> lines = high_scores.Lines();
    if (lines.empty()) std::printf("No games yet.\n");
    for (const std::string& line : lines) std::printf("%s\n", line.c_str());
    return 0;
  }
  if (options.list_keys) {
    ListKeys(file.settings);
    return 0;
  }
  host::sdl::SdlConfig config;
  config.settings = file.settings;
  options.ApplyTo(&config.settings);
  config.sound = !options.no_sound;
  platform::SharedMixer().SetOutputLevels(config.settings.volume, config.settings.music_volume);
  config.in_play = [] { return game_mode == GAME_MODE_PLAYING; };
  // What the menu changes is heard and kept at once; a file that may not be written is said
  // to be so once.
  host::common::Settings kept = config.settings;
  bool said_unsaved = false;
  config.settings_changed = [&](const host::common::Settings& now) {
    platform::SharedMixer().SetOutputLevels(now.volume, now.music_volume);
    std::string why;
    if (!program::KeepSettingsChange(&file, kept, now, &why) && !said_unsaved) {
      std::fprintf(stderr, "ferrowyn: settings: %s\n", why.c_str());
      said_unsaved = true;
    }
    kept = now;
  };
  config.high_scores = [&high_scores] { return high_scores.Lines(); };
  // A finished game enters the table, unless it is a replay; the host asks once a pump.
  host::sdl::SdlHost* live = nullptr;
  program::GameEndWatch watch;
  int place = 0;
  const bool replaying_a_game = !options.replay_path.empty();
  config.high_score_place = [&]() {
    if (!live) return 0;
    const host::Joystick pad = live->ReadJoystick();
    program::GameEndWatch::Frame frame;
    frame.in_play = game_mode == GAME_MODE_PLAYING;
    frame.lives = lives;
    frame.score = score;
    frame.level = level;
    frame.pad = pad.present && (pad.buttons[0] || pad.buttons[1] || std::abs(pad.axis_x) > 16384 ||
                                std::abs(pad.axis_y) > 16384);
    frame.cheat_keys = live->KeyDown(host::common::kDikF2) || live->KeyDown(host::common::kDikF3);
    if (!frame.in_play) place = 0;
    if (std::optional<program::HighScore> ended = watch.Step(frame); ended && !replaying_a_game) {
      ended->date = program::Today();
      place = high_scores.Enter(*ended);
    }
    return place;
  };
  config.icon_size = art::kIconSize;
  config.icon_rgba = IconPixels();
  if (!program::SettingsPath().empty())
    config.pad_mappings = program::SettingsPath().parent_path() / "gamecontrollerdb.txt";

  // Paths on the command line are the caller's, not the data folder's.
  std::error_code ec;
  std::string record_path =
      options.record_path.empty() ? "" : fs::absolute(options.record_path, ec).string();
  recording::Script replay;
  std::string error;
  if (!options.replay_path.empty()) {
    if (!recording::LoadScript(options.replay_path, &replay, &error)) {
      std::fprintf(stderr, "ferrowyn: --replay: %s\n", error.c_str());
      return 2;
    }
    if (!replay.frames && replay.recorded)
      std::fprintf(stderr,
                   "ferrowyn: --replay: the recording ends without its closing lines (the game "
                   "was stopped while recording): replaying it to its last line, %lld frames\n",
                   *recording::PlayedFrames(replay));
    config.label = "REPLAY";
  }

  if (std::string problem = host::sdl::SdlHost::DisplayProblem(); !problem.empty()) {
    std::fprintf(stderr, "ferrowyn: %s\n", problem.c_str());
    return 1;
  }
  const std::variant<fs::path, int> data = ChooseDataFolder(options);
  if (const int* status = std::get_if<int>(&data)) return *status;
  // The game reads its files from the current folder.
  fs::current_path(std::get<fs::path>(data), ec);

  host::sdl::SdlHost sdl(config);
  live = &sdl;
  recording::ScriptRecorder recorder;
  std::unique_ptr<program::RecordingHost> recording;
  std::unique_ptr<program::ReplayHost> replaying;
  host::Host* used = &sdl;
  if (!record_path.empty()) {
    if (!recorder.Open(record_path)) {
      std::fprintf(stderr, "ferrowyn: --record: cannot write %s\n", record_path.c_str());
      return 2;
    }
    recording = std::make_unique<program::RecordingHost>(&sdl, &recorder);
    used = recording.get();
  } else if (!options.replay_path.empty()) {
    replaying = std::make_unique<program::ReplayHost>(&sdl, replay);
    used = replaying.get();
  }

  host::Install(used);
  char command_line[] = "";  // the game ignores its command line
  int result = WinMain(GetModuleHandleA(nullptr), nullptr, command_line, SW_SHOWDEFAULT);
  host::Install(nullptr);

  if (recording && !recorder.Close(recording->Frames())) {
    std::fprintf(stderr, "ferrowyn: --record: writing %s failed\n", record_path.c_str());
    if (result == 0) result = 1;
  }
  if (replaying) {
    std::fprintf(stderr, "ferrowyn: --replay: %s\n", replaying->Summary().c_str());
    if (replaying->Diverged() && result == 0) result = 1;
  }
  if (!program::SaveSettingsFile(file, kept, sdl.CurrentSettings(), &error))
    std::fprintf(stderr, "ferrowyn: settings: %s\n", error.c_str());
  return result;
}
