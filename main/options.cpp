#include "main/options.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <iterator>
#include <ostream>

#include "main/settings_file.h"

namespace program {

namespace {

constexpr int kPageWidth = 800;
constexpr int kPageHeight = 600;

// A whole number from `low` to `high`; the reason when `text` is not one.
std::string WholeNumber(const std::string& text, int low, int high, int* out) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low ||
      value > high)
    return "expected a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
           ", got '" + text + "'";
  *out = value;
  return "";
}

// "WIDTHxHEIGHT", from the smallest window a host opens to the largest it will try; the reason
// when `text` is not one.
std::string ParseSize(const std::string& text, int* width, int* height) {
  using host::common::kLargestWindow;
  using host::common::kSmallestWindowHeight;
  using host::common::kSmallestWindowWidth;
  const std::string smallest =
      std::to_string(kSmallestWindowWidth) + "x" + std::to_string(kSmallestWindowHeight);
  size_t x = text.find_first_of("xX");
  int w = 0, h = 0;
  if (x == std::string::npos || !WholeNumber(text.substr(0, x), 1, kLargestWindow, &w).empty() ||
      !WholeNumber(text.substr(x + 1), 1, kLargestWindow, &h).empty())
    return "expected WIDTHxHEIGHT from " + smallest + " to " + std::to_string(kLargestWindow) +
           "x" + std::to_string(kLargestWindow) + ", got '" + text + "'";
  if (w < kSmallestWindowWidth || h < kSmallestWindowHeight)
    return "the smallest window is " + smallest + ", got '" + text + "'";
  *width = w;
  *height = h;
  return "";
}

// A number option checked here rather than by the parser, so that a word where a number
// belongs is called what it is.
CLI::Validator WholeNumberFrom(int low, int high) {
  return CLI::Validator(
      [low, high](std::string& text) {
        int ignored;
        return WholeNumber(text, low, high, &ignored);
      },
      "", "");
}

std::string Footer() {
  std::string text =
      "\nSettings are kept in " + program::SettingsPath().string() +
      " (see --config);\nwhat is given here wins for this run.\n\nKeys, as set by default "
      "(--list-keys shows those in effect and every key's name):\n";
  for (const std::string& line : program::DescribeBindings(host::common::Settings()))
    text += "  " + line + "\n";
  return text + "  Alt+Enter: full screen or a window; F2, F3: cheats; Enter: the debug overlay\n";
}

}  // namespace

void Options::ApplyTo(host::common::Settings* settings) const {
  if (fullscreen) settings->fullscreen = *fullscreen;
  if (window_width) {
    settings->window_width = window_width;
    settings->window_height = window_height;
  }
  if (volume) settings->volume = *volume;
  if (music_volume) settings->music_volume = *music_volume;
  if (renderer) settings->renderer = *renderer;
  if (pause_on_focus_loss) settings->pause_on_focus_loss = *pause_on_focus_loss;
}

std::optional<int> ParseOptions(const std::vector<std::string>& args, Options* options,
                                std::ostream& out, std::ostream& err) {
  CLI::App app{"Ferrowyn: a top-down arcade tank game.", "ferrowyn"};
  app.set_version_flag("--version", "ferrowyn " FERROWYN_VERSION);
  app.footer(Footer());

  app.get_formatter()->column_width(28);
  bool window = false, fullscreen = false, pause = false, no_pause = false;
  std::string size;
  int scale = 0;
  app.add_flag("--window", window, "play in a window");
  app.add_flag("--fullscreen", fullscreen, "play full screen (the default)");
  app.add_option("--window-size", size, "the window's size, e.g. 1600x1200")->type_name("WxH");
  app.add_option("--scale", scale, "the window's size as 1 to 8 times 800x600")
      ->check(WholeNumberFrom(1, 8))
      ->type_name("N");
  app.add_option("--data", options->data_dir, "the folder with the game's pictures and sounds")
      ->type_name("DIR");
  app.add_flag("--no-sound", options->no_sound, "play without opening a sound device");
  app.add_option("--volume", options->volume, "the volume of everything, 0 to 100")
      ->check(WholeNumberFrom(0, 100))
      ->type_name("N");
  app.add_option("--music-volume", options->music_volume, "the volume of the music, 0 to 100")
      ->check(WholeNumberFrom(0, 100))
      ->type_name("N");
  app.add_option("--renderer", options->renderer, "how the picture is scaled")
      ->check(CLI::IsMember(std::vector<std::string>(std::begin(host::common::kRendererNames),
                                                     std::end(host::common::kRendererNames)))
                  .description(""))
      ->type_name("auto|software|gpu");
  app.add_flag("--pause-on-focus-loss", pause, "pause while another window has the focus");
  app.add_flag("--no-pause-on-focus-loss", no_pause, "play on while another window has the focus");
  app.add_option("--config", options->config_path, "read and keep the settings in FILE")
      ->type_name("FILE");
  app.add_option("--record", options->record_path, "write the game's input to FILE as it is played")
      ->type_name("FILE");
  app.add_option("--replay", options->replay_path, "play FILE (from --record) back")
      ->type_name("FILE");
  app.add_flag("--list-keys", options->list_keys, "list the key bindings and every key's name");
  app.add_flag("--high-scores", options->high_scores, "list the best ten games");

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return 0;
  } catch (const CLI::CallForVersion&) {
    out << "ferrowyn " FERROWYN_VERSION "\n";
    return 0;
  } catch (const CLI::ParseError& error) {
    err << "ferrowyn: " << error.what() << "\nRun 'ferrowyn --help' for the options.\n";
    return 2;
  }
  auto refuse = [&err](const std::string& what) {
    err << "ferrowyn: " << what << "\nRun 'ferrowyn --help' for the options.\n";
    return 2;
  };
  if (window && fullscreen) return refuse("--window and --fullscreen exclude each other");
  if (pause && no_pause)
    return refuse("--pause-on-focus-loss and --no-pause-on-focus-loss exclude each other");
  if (!size.empty() && scale) return refuse("--window-size and --scale exclude each other");
  if (!options->record_path.empty() && !options->replay_path.empty())
    return refuse("--record and --replay exclude each other");
  if (!size.empty()) {
    std::string reason = ParseSize(size, &options->window_width, &options->window_height);
    if (!reason.empty()) return refuse("--window-size: " + reason);
  }
  if (scale) {
    options->window_width = kPageWidth * scale;
    options->window_height = kPageHeight * scale;
  }
  // A size asks for a window, unless full screen is asked for as well.
  if (window || fullscreen || options->window_width) options->fullscreen = fullscreen;
  if (pause || no_pause) options->pause_on_focus_loss = pause;
  return std::nullopt;
}

}  // namespace program
