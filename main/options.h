// The game's command line. What is given here wins over the settings file for this run.
#pragma once
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "host/common/settings.h"

namespace program {

struct Options {
  std::optional<bool> fullscreen;  // --fullscreen / --window
  int window_width = 0;            // --window-size WxH, or --scale N times 800x600
  int window_height = 0;
  std::string data_dir;  // --data
  bool no_sound = false;
  std::optional<int> volume;
  std::optional<int> music_volume;
  std::optional<std::string> renderer;
  std::optional<bool> pause_on_focus_loss;
  std::string config_path;  // --config: another settings file
  std::string record_path;
  std::string replay_path;
  bool list_keys = false;
  bool high_scores = false;  // --high-scores: print the table and stop

  // Puts what was given over the settings read from the file.
  void ApplyTo(host::common::Settings* settings) const;
};

// Parses the command line. Returns the exit status when the program should stop here: 0
// after --help or --version (printed to `out`), 2 after a bad option or value (one line
// naming it and a hint, on `err`).
std::optional<int> ParseOptions(const std::vector<std::string>& args, Options* options,
                                std::ostream& out, std::ostream& err);

}  // namespace program
