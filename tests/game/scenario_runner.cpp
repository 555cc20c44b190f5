// The runner itself: its refusals, its determinism and the files it writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/scenario_support.h"
#include "tools/headless/runner.h"
#include "recording/script.h"
#include "host/common/key_names.h"

namespace {

using scenario::RunGame;

// Parse errors are found before the game starts, so these run in this process.
int RunHere(const std::vector<std::string>& args, std::string* err) {
  std::ostringstream out, error;
  int status = runner::RunHeadless(args, out, error);
  *err = error.str();
  return status;
}

TEST(ScenarioRunner, BadScriptLinesExitTwoNamingTheLine) {
  struct Case {
    const char* text;
    const char* line;
    const char* reason;
  };
  const Case cases[] = {
      {"# fine\n5 down SPACE\n7 down SPAEC\n", ":3:", "unknown key 'SPAEC'"},
      {"x down SPACE\n", ":1:", "frame number"},
      {"-1 down SPACE\n", ":1:", "frame number"},
      {"\n\n4 jump\n", ":3:", "unknown event 'jump'"},
      {"4 tap\n", ":1:", "KEY"},
      {"joystick \"Pad\"\n2 axis x 17\n", ":2:", "outside -16..16"},
      {"joystick \"Pad\"\n2 axis z 3\n", ":2:", "axis x|y"},
      {"joystick \"Pad\"\n2 button 32 down\n", ":2:", "outside 0..31"},
      {"joystick \"Pad\n", ":1:", "unterminated"},
      {"joystick \"A\"\njoystick \"B\"\n", ":2:", "twice"},
      {"1 down SPACE\n3 button 0 down\n", ":2:", "no 'joystick"},
  };
  std::string path = testing::TempDir() + "script-bad.txt";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::ofstream(path) << c.text;
    std::string err;
    EXPECT_EQ(RunHere({"--frames", "5", "--script", path}, &err), 2);
    EXPECT_NE(err.find(path + c.line), std::string::npos) << err;
    EXPECT_NE(err.find(c.reason), std::string::npos) << err;
  }
  std::remove(path.c_str());
}

TEST(ScenarioRunner, BadOptionsExitTwo) {
  std::string script_holding_escape = testing::TempDir() + "script-escape-held.txt";
  std::ofstream(script_holding_escape) << "5 down ESCAPE\n";
  const std::vector<std::vector<std::string>> cases = {
      {"--frames", "0"},
      {"--frames", "ten"},
      {"--frames"},
      {"--bogus"},
      {"--frames", "5", "--start-tick", "4294967296"},
      {"--frames", "5", "--capture", "somewhere"},   // but which frames?
      {"--frames", "5", "--capture-frames", "1,2"},  // but where?
      {"--frames", "5", "--capture", "d", "--capture-frames", "3-1"},
      {"--frames", "5", "--capture", "d", "--capture-frames", "1,,2"},
      {"--frames", "5", "--data", "/nonexistent/ferrowyn"},
      {"--random-input", "7"},  // nothing would ever end these runs
      {"--script", script_holding_escape},
  };
  for (const auto& args : cases) {
    std::string err;
    EXPECT_EQ(RunHere(args, &err), 2) << args[0];
    EXPECT_FALSE(err.empty());
  }
  std::remove(script_holding_escape.c_str());
}

TEST(ScenarioRunner, ScriptEventsAreOrderedByFrameAndTapReleasesNextFrame) {
  recording::Script script;
  std::string error;
  ASSERT_TRUE(
      recording::ParseScript("9 down UP  # late\n3 tap SPACE\njoystick \"Pad # 2\"\n"
                             "3 axis y -16\n",
                             "s", &script, &error))
      << error;
  ASSERT_EQ(script.joystick_name.value_or(""), "Pad # 2");
  ASSERT_EQ(script.events.size(), 4u);
  EXPECT_EQ(script.events[0].frame, 3);
  EXPECT_TRUE(script.events[0].down);
  EXPECT_EQ(script.events[1].kind, recording::ScriptEvent::kAxis);
  EXPECT_EQ(script.events[1].value, -16);
  EXPECT_EQ(script.events[2].frame, 4);
  EXPECT_FALSE(script.events[2].down);
  EXPECT_EQ(script.events[3].frame, 9);
  EXPECT_EQ(script.events[3].code, host::common::ScanCodeOf("UP"));
}

// A game killed while recording leaves no closing lines: its recording plays to its last
// line, and the runner says why it stops there.
TEST(ScenarioRunner, ARecordingCutShortPlaysToItsLastLine) {
  auto run = RunGame({}, "version 1\nstart-tick 5\n0 down F1\n1 up F1\n30 down LEFT\n");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.frames.size(), 31u);
  EXPECT_NE(run.err.find("the recording ends without its closing lines"), std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("--frames"), std::string::npos) << run.err;
}

TEST(ScenarioRunner, ScriptedRunIsByteIdenticalAcrossRuns) {
  const char* script =
      "0 tap F1\n"
      "10 down SPACE\n40 down LEFT\n90 up LEFT\n95 down UP\n300 up UP\n"
      "120 down LCONTROL\n400 up LCONTROL\n500 tap F2\n600 down RIGHT\n900 up RIGHT\n"
      "1000 tap F3\n1200 tap F4\n2500 up SPACE\n";
  auto run_into = [&](const std::string& dir) {
    std::filesystem::create_directories(dir);
    return RunGame({"--frames", "3000", "--start-tick", "123456", "--audio", dir + "/audio.wav",
                    "--capture", dir + "/pages", "--capture-frames", "2999"},
                   script);
  };
  std::string base = testing::TempDir() + "ferrowyn-det";
  auto first = run_into(base + "1");
  auto second = run_into(base + "2");
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_EQ(second.status, 0) << second.err;
  ASSERT_EQ(first.frames.size(), 3000u);
  EXPECT_TRUE(first.trace == second.trace) << "traces differ";
  // The same run without the other outputs traces the same.
  auto bare = RunGame({"--frames", "3000", "--start-tick", "123456"}, script);
  EXPECT_TRUE(first.trace == bare.trace) << "the outputs asked for change the trace";

  std::string audio = scenario::ReadFile(base + "1/audio.wav");
  // At least 22 ms of 44.1 kHz stereo 16-bit sound per frame.
  EXPECT_GE(audio.size(), 44u + 3000u * 970 * 4);
  EXPECT_TRUE(audio == scenario::ReadFile(base + "2/audio.wav")) << "audio differs";
  std::string page = scenario::ReadFile(base + "1/pages/frame-002999.png");
  EXPECT_FALSE(page.empty());
  EXPECT_TRUE(page == scenario::ReadFile(base + "2/pages/frame-002999.png")) << "pages differ";
  std::filesystem::remove_all(base + "1");
  std::filesystem::remove_all(base + "2");
}

TEST(ScenarioRunner, CapturesExactlyTheListedFramesAndEveryKth) {
  std::string dir = testing::TempDir() + "ferrowyn-capture";
  std::filesystem::remove_all(dir);
  auto listed =
      RunGame({"--frames", "12", "--capture", dir + "/a", "--capture-frames", "0,3-5,11,40"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  // A relative folder is taken from where the runner starts, not from the data folder.
  std::string relative = "ferrowyn-capture-every";
  std::filesystem::remove_all(relative);
  auto every = RunGame({"--frames", "12", "--capture", relative, "--capture-every", "5"});
  ASSERT_EQ(every.status, 0) << every.err;
  auto names = [](const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
  };
  EXPECT_EQ(names(dir + "/a"),
            (std::vector<std::string>{"frame-000000.png", "frame-000003.png", "frame-000004.png",
                                      "frame-000005.png", "frame-000011.png"}));
  EXPECT_EQ(names(relative),
            (std::vector<std::string>{"frame-000000.png", "frame-000005.png", "frame-000010.png"}));
  std::filesystem::remove_all(relative);
  // The title demo moves the tank 3 pixels a frame: consecutive pages are not the same.
  EXPECT_NE(scenario::ReadFile(dir + "/a/frame-000003.png"),
            scenario::ReadFile(dir + "/a/frame-000004.png"));
  std::filesystem::remove_all(dir);
}

TEST(ScenarioRunner, SummaryNamesFramesLevelScoreAndLives) {
  auto run = RunGame({"--frames", "30"}, "0 tap F1\n");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("30 frames, level 1, score 0, lives 8"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("frames/s"), std::string::npos);
}

}  // namespace
