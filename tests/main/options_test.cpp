// The game's command line: every option, the bad values and clashes (one line naming them,
// status 2), and help and version (status 0); where the data folder is looked for; and a
// recording, written as the game plays, read back as the same script.
#include "main/options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "main/data_folder.h"
#include "support/temp_path.h"
#include "recording/script.h"

namespace {

struct Parsed {
  std::optional<int> status;
  program::Options options;
  std::string out, err;
};

Parsed Parse(std::vector<std::string> args) {
  Parsed p;
  std::ostringstream out, err;
  p.status = program::ParseOptions(args, &p.options, out, err);
  p.out = out.str();
  p.err = err.str();
  return p;
}

TEST(Options, EveryOptionReachesTheSettings) {
  Parsed p = Parse({"--window", "--window-size", "1024x768", "--data", "/srv/data", "--no-sound",
                    "--volume", "40", "--music-volume", "0", "--renderer", "software",
                    "--no-pause-on-focus-loss", "--config", "my.ini", "--record", "game.rec",
                    "--list-keys"});
  ASSERT_FALSE(p.status) << p.err;
  const program::Options& o = p.options;
  EXPECT_EQ(o.data_dir, "/srv/data");
  EXPECT_TRUE(o.no_sound);
  EXPECT_EQ(o.config_path, "my.ini");
  EXPECT_EQ(o.record_path, "game.rec");
  EXPECT_TRUE(o.list_keys);
  host::common::Settings s;
  o.ApplyTo(&s);
  EXPECT_FALSE(s.fullscreen);
  EXPECT_EQ(s.window_width, 1024);
  EXPECT_EQ(s.window_height, 768);
  EXPECT_EQ(s.volume, 40);
  EXPECT_EQ(s.music_volume, 0);
  EXPECT_EQ(s.renderer, "software");
  EXPECT_FALSE(s.pause_on_focus_loss);

  // A scale is a window of that many pages; --fullscreen keeps full screen with it.
  Parsed scaled = Parse({"--scale", "2"});
  ASSERT_FALSE(scaled.status);
  scaled.options.ApplyTo(&s);
  EXPECT_EQ(s.window_width, 1600);
  EXPECT_EQ(s.window_height, 1200);
  EXPECT_FALSE(s.fullscreen);
  Parsed full = Parse({"--fullscreen", "--scale", "1"});
  ASSERT_FALSE(full.status);
  EXPECT_EQ(full.options.fullscreen, std::optional<bool>(true));

  // Nothing given changes nothing.
  host::common::Settings untouched, defaults;
  Parse({}).options.ApplyTo(&untouched);
  EXPECT_TRUE(untouched == defaults);
}

TEST(Options, HelpAndVersionStopWithStatusZero) {
  Parsed help = Parse({"--help"});
  EXPECT_EQ(help.status, std::optional<int>(0));
  for (const char* word :
       {"--window-size", "--record", "--replay", "--list-keys", "fire: SPACE", "settings.ini"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  Parsed version = Parse({"--version"});
  EXPECT_EQ(version.status, std::optional<int>(0));
  EXPECT_EQ(version.out, "ferrowyn " FERROWYN_VERSION "\n");
}

TEST(Options, BadOptionsAndValuesAreNamedWithStatusTwo) {
  const std::vector<std::vector<std::string>> bad = {
      {"--bogus"},
      {"--volume", "101"},
      {"--volume", "loud"},
      {"--music-volume", "-1"},
      {"--window-size", "800"},
      {"--window-size", "100x100"},
      {"--window-size", "1024x768px"},
      {"--scale", "9"},
      {"--renderer", "vulkan"},
      {"--window", "--fullscreen"},
      {"--scale", "2", "--window-size", "800x600"},
      {"--pause-on-focus-loss", "--no-pause-on-focus-loss"},
      {"--record", "a", "--replay", "/"},
      {"--data"},
  };
  for (const auto& args : bad) {
    Parsed p = Parse(args);
    EXPECT_EQ(p.status, std::optional<int>(2)) << args[0];
    EXPECT_EQ(p.err.rfind("ferrowyn: ", 0), 0u) << p.err;
    EXPECT_NE(p.err.find("--help"), std::string::npos) << p.err;
    EXPECT_EQ(std::count(p.err.begin(), p.err.end(), '\n'), 2) << p.err;
  }

  // The line says what was wrong, in the words of the option.
  const std::vector<std::pair<std::vector<std::string>, std::string>> said = {
      {{"--volume", "abc"}, "--volume: expected a whole number from 0 to 100, got 'abc'"},
      {{"--scale", "9"}, "--scale: expected a whole number from 1 to 8, got '9'"},
      {{"--window-size", "99999x99999"},
       "--window-size: expected WIDTHxHEIGHT from 400x300 to 16384x16384, got '99999x99999'"},
      {{"--window-size", "320x240"},
       "--window-size: the smallest window is 400x300, got '320x240'"},
      {{"--record", "a", "--replay", "missing"}, "--record and --replay exclude each other"},
  };
  for (const auto& [args, line] : said)
    EXPECT_EQ(Parse(args).err.substr(0, Parse(args).err.find('\n')), "ferrowyn: " + line);
}

TEST(DataFolder, TheFirstFolderHoldingEveryFileWins) {
  namespace fs = std::filesystem;
  fs::path root = TempPath("data");
  fs::remove_all(root);
  fs::path here = root / "here", exe = root / "bin", share = root / "share" / "ferrowyn";
  for (const fs::path& folder : {here, exe, share}) fs::create_directories(folder);
  for (const std::string& name : program::DataFileNames()) std::ofstream(share / name) << "x";
  // All but one file: not a data folder.
  for (size_t i = 1; i < program::DataFileNames().size(); ++i)
    std::ofstream(exe / program::DataFileNames()[i]) << "x";

  auto candidates = program::DataCandidates(here, exe, "../share/ferrowyn");
  ASSERT_EQ(candidates.size(), 3u);
  EXPECT_EQ(candidates[2], share);
  EXPECT_EQ(program::FindData(candidates), share);
  std::ofstream(exe / program::DataFileNames()[0]) << "x";
  EXPECT_EQ(program::FindData(candidates), exe);
  EXPECT_EQ(program::DataCandidates(here, exe, "/usr/share/ferrowyn")[2], "/usr/share/ferrowyn");
  EXPECT_EQ(program::FindData({here}), fs::path());
  // A folder the player names plays with files missing, but not with none at all.
  EXPECT_FALSE(program::HoldsAnyData(here));
  fs::remove(exe / program::DataFileNames()[0]);
  std::ofstream(here / program::DataFileNames().back()) << "x";
  EXPECT_TRUE(program::HoldsAnyData(here));
  fs::remove_all(root);
}

TEST(Recording, WhatIsRecordedReadsBackAsTheSameScript) {
  std::string path = TempPath("recording.txt");
  recording::ScriptRecorder recorder;
  ASSERT_TRUE(recorder.Open(path));
  recorder.StartTick(123456);
  recorder.Check(0, 0x0123456789abcdefull);
  recorder.Key(0, 0x3B, true);
  recorder.Joystick("Pad \"Pro\"");
  recorder.Axis(3, 0, -16);
  recorder.Button(3, 1, true);
  recorder.Key(5, 0x3B, false);
  recorder.Check(50, 42);
  ASSERT_TRUE(recorder.Close(51));

  recording::Script script;
  std::string error;
  ASSERT_TRUE(recording::LoadScript(path, &script, &error)) << error;
  EXPECT_EQ(script.start_tick, std::optional<uint32_t>(123456));
  EXPECT_EQ(script.frames, std::optional<long long>(51));
  EXPECT_EQ(script.joystick_name, std::optional<std::string>("Pad 'Pro'"));
  ASSERT_EQ(script.events.size(), 4u);
  EXPECT_EQ(script.events[0].code, 0x3B);
  EXPECT_TRUE(script.events[0].down);
  EXPECT_EQ(script.events[1].kind, recording::ScriptEvent::kAxis);
  EXPECT_EQ(script.events[1].value, -16);
  EXPECT_EQ(script.events[3].frame, 5);
  ASSERT_EQ(script.checks.size(), 2u);
  EXPECT_EQ(script.checks[0].checksum, 0x0123456789abcdefull);

  recording::ScriptPlayer player(script);
  EXPECT_EQ(player.CheckAt(0), std::optional<uint64_t>(0x0123456789abcdefull));
  EXPECT_EQ(player.CheckAt(1), std::nullopt);
  EXPECT_EQ(player.CheckAt(50), std::optional<uint64_t>(42));
  std::remove(path.c_str());
}

TEST(Recording, AnotherVersionIsRefusedClearly) {
  recording::Script script;
  std::string error;
  EXPECT_FALSE(recording::ParseScript("version 2\n0 tap F1\n", "old.rec", &script, &error));
  EXPECT_EQ(error,
            "old.rec:1: recorded in format 2 by another version of Ferrowyn; this one reads "
            "format 1");
  EXPECT_FALSE(recording::ParseScript("10 check xyz\n", "bad.rec", &script, &error));
  EXPECT_EQ(error, "bad.rec:1: expected: <n> check HEX");
}

}  // namespace
