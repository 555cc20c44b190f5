// The settings file: read line by line with every bad line reported and skipped, written back
// in full and atomically, and the key bindings a host builds from it.
#include "main/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/common/key_map.h"
#include "host/common/key_names.h"
#include "support/temp_path.h"

namespace {

using host::common::Action;
using host::common::PadAction;
using host::common::PadButton;
using host::common::Settings;

constexpr uint8_t kSpace = 0x39, kLControl = 0x1D, kRControl = 0x9D, kUp = 0xC8, kF = 0x21;
constexpr uint8_t kW = 0x11, kP = 0x19, kF1 = 0x3B, kF2 = 0x3C, kReturn = 0x1C;

std::vector<uint8_t>& Keys(Settings& s, Action a) {
  return s.keys[size_t(a)];
}

TEST(Settings, DefaultsAreTodaysKeysAndWriteBackUnchanged) {
  Settings defaults;
  EXPECT_EQ(Keys(defaults, Action::kFire), std::vector<uint8_t>{kSpace});
  EXPECT_EQ(Keys(defaults, Action::kMine), (std::vector<uint8_t>{kLControl, kRControl}));
  EXPECT_EQ(defaults.pad[size_t(PadAction::kMine)],
            (std::vector<PadButton>{PadButton::kEast, PadButton::kWest}));

  Settings changed;
  changed.fullscreen = false;
  changed.window_width = 1600;
  changed.window_height = 1200;
  changed.volume = 35;
  changed.music_volume = 0;
  changed.pause_on_focus_loss = false;
  changed.renderer = "software";
  Keys(changed, Action::kUp) = {kW, kUp};
  changed.pad[size_t(PadAction::kFire)] = {PadButton::kRightShoulder};
  for (const Settings& original : {defaults, changed}) {
    Settings read;
    std::vector<std::string> warnings;
    EXPECT_TRUE(
        program::ParseSettings(program::FormatSettings(original), "s.ini", &read, &warnings));
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_TRUE(read == original) << program::FormatSettings(read);
  }
}

// A damaged file: each bad line one warning with its line number, its setting as it was, and
// every good line still applied.
TEST(Settings, EveryBadLineIsReportedAndTheGoodOnesStillApply) {
  const std::string text =
      "# comment\n"                // 1
      "[display]\n"                // 2
      "fullscreen = maybe\n"       // 3  bad value
      "window_size = 1024x768\n"   // 4  good
      "this line has no equals\n"  // 5  not a setting
      "[sound]\n"                  // 6
      "volume = 140\n"             // 7  out of range
      "music_volume = 40\n"        // 8  good
      "loudness = 3\n"             // 9  unknown
      "[colours]\n"                // 10 unknown section
      "red = 1\n"                  // 11 skipped with its section
      "[keys]\n"                   // 12
      "fire = SPCAE\n"             // 13 unknown key
      "up = w UP\n"                // 14 good, any case
      "mine =\n"                   // 15 no key
      "[pad]\n"                    // 16
      "fire = trigger\n"           // 17 unknown button
      "start = START\n"            // 18 good
      "\x01\xff binary = \xfe\n";  // 19 unknown, and no crash
  Settings s;
  std::vector<std::string> warnings;
  EXPECT_FALSE(program::ParseSettings(text, "s.ini", &s, &warnings));
  std::vector<std::string> lines;
  for (const std::string& w : warnings) lines.push_back(w.substr(0, w.find(':', 6)));
  EXPECT_EQ(lines, (std::vector<std::string>{"s.ini:3", "s.ini:5", "s.ini:7", "s.ini:9", "s.ini:10",
                                             "s.ini:13", "s.ini:15", "s.ini:17", "s.ini:19"}));
  EXPECT_NE(warnings[0].find("fullscreen: expected yes or no, got 'maybe'"), std::string::npos);
  EXPECT_NE(warnings[5].find("unknown key 'SPCAE'"), std::string::npos);

  Settings defaults;
  EXPECT_EQ(s.fullscreen, defaults.fullscreen);
  EXPECT_EQ(s.volume, defaults.volume);
  EXPECT_EQ(Keys(s, Action::kFire), Keys(defaults, Action::kFire));
  EXPECT_EQ(Keys(s, Action::kMine), Keys(defaults, Action::kMine));
  EXPECT_EQ(s.pad[size_t(PadAction::kFire)], defaults.pad[size_t(PadAction::kFire)]);
  EXPECT_EQ(s.window_width, 1024);
  EXPECT_EQ(s.window_height, 768);
  EXPECT_EQ(s.music_volume, 40);
  EXPECT_EQ(Keys(s, Action::kUp), (std::vector<uint8_t>{kW, kUp}));
  EXPECT_EQ(s.pad[size_t(PadAction::kStart)], std::vector<PadButton>{PadButton::kStart});
}

// A key bound twice stays with the line written first, and a default gives way to a line;
// both are reported rather than dropped silently. An action that loses every key takes back
// those of its own defaults that are free, so it can still be done.
TEST(Settings, KeysBoundTwiceAreReportedAndNoActionIsLeftWithout) {
  Settings s;
  std::vector<std::string> warnings;
  EXPECT_FALSE(program::ParseSettings(
      "[keys]\nfire = LCONTROL\nup = SPACE UP DOWN\ndown = SPACE\nmine = W\nleft = W\n", "k", &s,
      &warnings));
  EXPECT_EQ(Keys(s, Action::kFire), std::vector<uint8_t>{kLControl});
  EXPECT_EQ(Keys(s, Action::kMine), std::vector<uint8_t>{kW});
  EXPECT_EQ(Keys(s, Action::kUp), (std::vector<uint8_t>{kSpace, kUp, 0xD0}));
  EXPECT_TRUE(Keys(s, Action::kDown).empty());                    // its own key is up's now
  EXPECT_EQ(Keys(s, Action::kLeft), std::vector<uint8_t>{0xCB});  // W went to mine
  // Lines the player wrote are settled first, then the defaults; then who lost everything.
  EXPECT_EQ(warnings, (std::vector<std::string>{
                          "k:4: keys.down: SPACE is bound to up already and stays there",
                          "k:6: keys.left: W is bound to mine already and stays there",
                          "k:4: keys.down has no key left",
                          "k:6: keys.left keeps LEFT instead",
                      }));

  // The same for a default that gives way to a line, and for pad buttons.
  Settings t;
  warnings.clear();
  EXPECT_FALSE(program::ParseSettings(
      "[keys]\nup = W\nmine = W\n[pad]\nquit = south\nfire = south east\n", "p", &t, &warnings));
  EXPECT_EQ(Keys(t, Action::kMine), (std::vector<uint8_t>{kLControl, kRControl}));
  EXPECT_EQ(t.pad[size_t(PadAction::kFire)], std::vector<PadButton>{PadButton::kEast});
  EXPECT_EQ(t.pad[size_t(PadAction::kMine)], std::vector<PadButton>{PadButton::kWest});
  EXPECT_EQ(t.pad[size_t(PadAction::kQuit)], std::vector<PadButton>{PadButton::kSouth});
  EXPECT_NE(
      std::find(warnings.begin(), warnings.end(), "p:3: keys.mine keeps LCONTROL RCONTROL instead"),
      warnings.end());
}

// A damaged file cannot fill the terminal: bytes are escaped, echoes cut short, warnings
// counted past twenty, and a huge file is not read at all (nor written over).
TEST(Settings, DamagedFilesAreReportedBriefly) {
  Settings s;
  std::vector<std::string> warnings;
  program::ParseSettings(
      "\x1b[2Jvolume\x07 = \xff\n[sound]\nvolume = " + std::string(500, '9') + "\n", "d", &s,
      &warnings);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0], "d:1: unknown setting '\\x1B[2jvolume\\x07'");
  EXPECT_LT(warnings[1].size(), 200u);
  EXPECT_NE(warnings[1].find(std::string(60, '9') + "..."), std::string::npos);

  namespace fs = std::filesystem;
  const fs::path path = TempPath("damaged.ini");
  std::string many;
  for (int i = 0; i < 30; ++i) many += "nonsense\n";
  std::ofstream(path, std::ios::binary) << many;
  program::SettingsFile file = program::ReadSettingsFile(path);
  EXPECT_FALSE(file.writable);
  ASSERT_EQ(file.warnings.size(), program::kWarningsShown + 1);
  EXPECT_EQ(file.warnings.back(), "... and 10 more");

  std::ofstream(path, std::ios::binary) << "[sound]\nvolume = 10 " << std::string(1 << 20, ' ');
  file = program::ReadSettingsFile(path);
  EXPECT_FALSE(file.writable);
  EXPECT_EQ(file.settings.volume, Settings().volume);
  ASSERT_EQ(file.warnings.size(), 1u);
  EXPECT_NE(file.warnings[0].find("over 1 MiB"), std::string::npos);
  Settings now = file.settings;
  now.fullscreen = !now.fullscreen;
  std::string error;
  EXPECT_FALSE(program::SaveSettingsFile(file, file.settings, now, &error));
  EXPECT_EQ(fs::file_size(path), 20u + (1 << 20));
  fs::remove(path);
}

// The player's file keeps its lines, comments and order; only changed values change, and a
// setting it lacks joins the end of its section.
TEST(Settings, RewritingKeepsThePlayersFile) {
  const std::string text =
      "# my settings\n"
      "[display]\n"
      "fullscreen = yes   # always\n"
      "\n"
      "[keys]\n"
      "up = W  # forward\n"
      "fire = SPACE\n"
      "\n";
  Settings was;
  std::vector<std::string> warnings;
  ASSERT_TRUE(program::ParseSettings(text, "c", &was, &warnings)) << warnings.front();
  EXPECT_EQ(Keys(was, Action::kUp), std::vector<uint8_t>{kW});  // the comment is no key

  Settings now = was;
  now.fullscreen = false;
  now.window_width = 1024;
  now.window_height = 768;
  now.volume = 30;
  EXPECT_EQ(program::UpdateSettingsText(text, was, now),
            "# my settings\n"
            "[display]\n"
            "fullscreen = no   # always\n"
            "window_size = 1024x768\n"
            "\n"
            "[keys]\n"
            "up = W  # forward\n"
            "fire = SPACE\n"
            "\n"
            "\n[sound]\n"
            "volume = 30\n");
  EXPECT_EQ(program::UpdateSettingsText(text, was, was), text);

  namespace fs = std::filesystem;
  const fs::path path = TempPath("kept.ini");
  std::ofstream(path, std::ios::binary) << text;
  program::SettingsFile file = program::ReadSettingsFile(path);
  std::string error;
  ASSERT_TRUE(program::SaveSettingsFile(file, file.settings, now, &error)) << error;
  std::ifstream in(path, std::ios::binary);
  std::stringstream saved;
  saved << in.rdbuf();
  EXPECT_NE(saved.str().find("fullscreen = no   # always\nwindow_size = 1024x768\n"),
            std::string::npos)
      << saved.str();
  EXPECT_EQ(saved.str().find("volume"), std::string::npos);  // not changed while playing
  fs::remove(path);
}

// What the menu changes is written at once, one change on top of the last, the player's
// comments kept; a file with errors is never written over.
TEST(Settings, MenuChangesAreKeptAtOnce) {
  namespace fs = std::filesystem;
  const fs::path path = TempPath("menu.ini");
  std::ofstream(path, std::ios::binary) << "[sound]\nvolume = 50  # quiet\n";
  program::SettingsFile file = program::ReadSettingsFile(path);
  auto saved = [&path] {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  Settings before = file.settings, now = before;
  now.volume = 60;
  std::string error;
  ASSERT_TRUE(program::KeepSettingsChange(&file, before, now, &error)) << error;
  EXPECT_EQ(saved(), "[sound]\nvolume = 60  # quiet\n");
  before = now;
  Keys(now, Action::kFire) = {kF};
  now.scaling = host::common::Scaling::kWhole;
  ASSERT_TRUE(program::KeepSettingsChange(&file, before, now, &error)) << error;
  EXPECT_NE(saved().find("volume = 60  # quiet\n"), std::string::npos) << saved();
  EXPECT_NE(saved().find("fire = F\n"), std::string::npos) << saved();
  EXPECT_NE(saved().find("scaling = whole\n"), std::string::npos) << saved();
  EXPECT_EQ(program::ReadSettingsFile(path).settings, now);

  std::ofstream(path, std::ios::binary) << "volume = loud\n";
  file = program::ReadSettingsFile(path);
  now = file.settings;
  now.volume = 10;
  EXPECT_FALSE(program::KeepSettingsChange(&file, file.settings, now, &error));
  EXPECT_EQ(saved(), "volume = loud\n");
  fs::remove(path);
}

// The pad's buttons follow the same rule: one action each, the line written first keeps it.
TEST(Settings, PadButtonsBoundTwiceAreReported) {
  Settings s;
  std::vector<std::string> warnings;
  EXPECT_FALSE(
      program::ParseSettings("[pad]\nfire = east\nquit = back east\n", "p", &s, &warnings));
  EXPECT_EQ(s.pad[size_t(PadAction::kFire)], std::vector<PadButton>{PadButton::kEast});
  EXPECT_EQ(s.pad[size_t(PadAction::kQuit)], std::vector<PadButton>{PadButton::kBack});
  EXPECT_EQ(s.pad[size_t(PadAction::kMine)], std::vector<PadButton>{PadButton::kWest});
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0], "p:3: pad.quit: east is bound to fire already and stays there");
  EXPECT_EQ(warnings[1], "p:2: pad.mine: east is bound to fire already and stays there");
}

TEST(Settings, PathFollowsTheDesktopsConfigFolder) {
  const char* home = std::getenv("HOME");
  const std::string kept_home = home ? home : "";
  setenv("XDG_CONFIG_HOME", "/srv/config", 1);
  EXPECT_EQ(program::SettingsPath(), "/srv/config/ferrowyn/settings.ini");
  setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as the desktop says
  setenv("HOME", "/home/player", 1);
  EXPECT_EQ(program::SettingsPath(), "/home/player/.config/ferrowyn/settings.ini");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", kept_home.c_str(), 1);
}

TEST(Settings, WritesAtomicallyOrNotAtAll) {
  namespace fs = std::filesystem;
  fs::path folder = TempPath("settings");
  fs::remove_all(folder);
  fs::path file = folder / "deep" / "settings.ini";
  std::string error;
  ASSERT_TRUE(program::WriteFileAtomically(file, "first\n", &error)) << error;
  ASSERT_TRUE(program::WriteFileAtomically(file, "second\n", &error)) << error;
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "second\n");
  EXPECT_FALSE(fs::exists(file.string() + ".new"));

  // A folder that cannot be written: a refusal with a reason, and the old file untouched.
  fs::path blocked = folder / "blocked";
  fs::create_directories(blocked / "settings.ini.new");  // a folder where the temporary goes
  std::ofstream(blocked / "settings.ini") << "kept\n";
  EXPECT_FALSE(program::WriteFileAtomically(blocked / "settings.ini", "lost\n", &error));
  EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
  std::ifstream kept(blocked / "settings.ini");
  std::string line;
  std::getline(kept, line);
  EXPECT_EQ(line, "kept");
  fs::remove_all(folder);
}

// What a host makes of the bindings: a bound key gives its action's game key, the action's
// own key no longer does unless bound, other keys pass through, the host's keys stay with it.
TEST(KeyMap, BindingsDecideWhatEachPhysicalKeyGives) {
  Settings s;
  Keys(s, Action::kFire) = {kF};
  Keys(s, Action::kUp) = {kW, kUp};
  Keys(s, Action::kPause) = {kF1};
  Keys(s, Action::kStart) = {kReturn};
  host::common::KeyMap map(s);
  EXPECT_EQ(map.GameKey(kF), kSpace);
  EXPECT_EQ(map.GameKey(kSpace), 0);  // fire's own key, no longer bound
  EXPECT_EQ(map.GameKey(kW), kUp);
  EXPECT_EQ(map.GameKey(kUp), kUp);
  EXPECT_EQ(map.GameKey(kReturn), kF1);  // the start action's key is F1 to the game
  EXPECT_EQ(map.GameKey(kF2), kF2);      // a cheat key, not an action: itself
  EXPECT_EQ(map.GameKey(kLControl), kLControl);
  EXPECT_EQ(map.GameKey(kRControl), kLControl);  // both Ctrl keys lay mines
  EXPECT_EQ(map.HostAction(kF1), Action::kPause);
  EXPECT_EQ(map.GameKey(kF1), 0);
  EXPECT_EQ(map.HostAction(kP), std::nullopt);  // pause moved away from P
  EXPECT_EQ(map.GameKey(kP), kP);
}

TEST(KeyNames, NamesAndCodesMatchBothWays) {
  for (const host::common::KeyName& key : host::common::KeyNames()) {
    EXPECT_EQ(host::common::ScanCodeOf(key.name), key.code) << key.name;
    EXPECT_EQ(host::common::NameOfScanCode(key.code), key.name);
  }
  EXPECT_EQ(host::common::ScanCodeOf("lcontrol"), kLControl);
  EXPECT_EQ(host::common::ScanCodeOf("NOSUCHKEY"), -1);
  EXPECT_EQ(host::common::NameOfScanCode(0xFF), "");
}

}  // namespace
