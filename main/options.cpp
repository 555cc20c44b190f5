#include "main/options.h"

#include <CLI/CLI.hpp>

#include <iterator>
#include <ostream>

#include "main/settings_file.h"

namespace program {

namespace {

constexpr int kPageWidth = 800;
constexpr int kPageHeight = 600;

// "WIDTHxHEIGHT", each at least the smallest window the game allows.
bool ParseSize(const std::string& text, int* width, int* height) {
  size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  try {
    size_t used_w = 0, used_h = 0;
    int w = std::stoi(text.substr(0, x), &used_w);
    int h = std::stoi(text.substr(x + 1), &used_h);
    if (used_w != x || used_h != text.size() - x - 1 || w < 320 || h < 240 || w > 16384 ||
        h > 16384)
      return false;
    *width = w;
    *height = h;
    return true;
  } catch (const std::exception&) {
    return false;
  }
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

  // Ranges are checked without their own words in the help, which says them already.
  auto range = [](int low, int high) { return CLI::Range(low, high).description(""); };
  app.get_formatter()->column_width(28);
  bool window = false, fullscreen = false, pause = false, no_pause = false;
  std::string size;
  int scale = 0;
  app.add_flag("--window", window, "play in a window");
  app.add_flag("--fullscreen", fullscreen, "play full screen (the default)");
  app.add_option("--window-size", size, "the window's size, e.g. 1600x1200")->type_name("WxH");
  app.add_option("--scale", scale, "the window's size as 1 to 8 times 800x600")
      ->check(range(1, 8))
      ->type_name("N");
  app.add_option("--data", options->data_dir, "the folder with the game's pictures and sounds")
      ->type_name("DIR");
  app.add_flag("--no-sound", options->no_sound, "play without opening a sound device");
  app.add_option("--volume", options->volume, "the volume of everything, 0 to 100")
      ->check(range(0, 100))
      ->type_name("N");
  app.add_option("--music-volume", options->music_volume, "the volume of the music, 0 to 100")
      ->check(range(0, 100))
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
      ->type_name("FILE")
      ->check(CLI::ExistingFile.description(""));
  app.add_flag("--list-keys", options->list_keys, "list the key bindings and every key's name");

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
  if (!size.empty() && !ParseSize(size, &options->window_width, &options->window_height))
    return refuse("--window-size: expected WIDTHxHEIGHT of at least 320x240, got '" + size + "'");
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
