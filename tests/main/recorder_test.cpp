// --record and --replay around a host: what the game read on each frame, keys and stick,
// comes back on that same frame when the recording is played.
#include "main/recorder.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <dinput.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/headless/headless_host.h"
#include "input/input.h"
#include "recording/script.h"
#include "support/temp_path.h"

namespace {

// What the game read on one frame.
struct Reading {
  std::array<UCHAR, 256> keys;
  LONG x, y;
  std::array<BYTE, 32> buttons;
  bool operator==(const Reading&) const = default;
};

// Plays frames on `host` as the game does: a pump, then the keyboard and the stick read once.
// `before(frame)` runs ahead of each pump, to move what the player holds.
std::vector<Reading> Play(host::Host* host, int frames, const std::function<void(int)>& before) {
  host::Host& kept = host::Current();
  host::Install(host);
  joystick_ready = 0;
  std::memset(&joystick_state, 0, sizeof(joystick_state));
  std::memset(keys_held, 0, sizeof(keys_held));
  EXPECT_EQ(OpenInputSystem(), 1);
  EXPECT_EQ(InitKeyboard(), 1);
  EXPECT_EQ(InitJoystick(-16, 16, -16, 16), 1);
  std::vector<Reading> readings;
  for (int frame = 0; frame < frames; ++frame) {
    before(frame);
    host->PumpEvents();
    ReadKeyboard();
    ReadJoystick();
    Reading reading{{}, joystick_state.lX, joystick_state.lY, {}};
    std::copy(std::begin(keys_held), std::end(keys_held), reading.keys.begin());
    std::copy(std::begin(joystick_state.rgbButtons), std::end(joystick_state.rgbButtons),
              reading.buttons.begin());
    readings.push_back(reading);
  }
  ReleaseKeyboard();
  ReleaseJoystick();
  CloseInputSystem();
  joystick_ready = 0;
  host::Install(&kept);
  return readings;
}

const recording::ScriptEvent* FindEvent(const recording::Script& script,
                                        recording::ScriptEvent::Kind kind, int code) {
  for (const recording::ScriptEvent& e : script.events)
    if (e.kind == kind && e.code == code) return &e;
  return nullptr;
}

TEST(Recorder, WhatEachFrameReadReplaysOnTheSameFrame) {
  constexpr int kFrames = 60;  // past the first checksum after frame 0
  host::Joystick stick;
  stick.present = true;
  stick.name = "Test Pad";
  host::headless::HeadlessHost played;
  played.SetJoystick(stick);
  // The player's hands: keys, both axes (ends and between) and buttons, changing on
  // frames of their own and together.
  auto hands = [&](int frame) {
    switch (frame) {
      case 3:
        played.SetKey(DIK_SPACE, true);
        stick.axis_x = 32767;
        break;
      case 4:
        stick.axis_y = -12000;
        stick.buttons[0] = 0x80;
        break;
      case 5:
        played.SetKey(DIK_SPACE, false);
        played.SetKey(DIK_LCONTROL, true);
        stick.buttons[3] = 0x80;
        break;
      case 8:
        stick.axis_x = 0;
        stick.axis_y = 21000;
        stick.buttons[0] = 0;
        break;
      case 52:
        played.SetKey(DIK_UP, true);
        stick.axis_x = -32768;
        break;
      default:
        return;
    }
    played.SetJoystick(stick);
  };
  const std::string path = TempPath("recording.txt");
  recording::ScriptRecorder recorder;
  ASSERT_TRUE(recorder.Open(path));
  program::RecordingHost recording(&played, &recorder);
  const std::vector<Reading> recorded = Play(&recording, kFrames, hands);
  recording.PumpEvents();  // the pass that ends the game runs no frame
  ASSERT_TRUE(recorder.Close(recording.Frames()));
  ASSERT_EQ(recorded[3].x, 16);
  ASSERT_EQ(recorded[2].x, 0);

  recording::Script script;
  std::string error;
  ASSERT_TRUE(recording::LoadScript(path, &script, &error)) << error;
  EXPECT_EQ(script.joystick_name, "Test Pad");
  EXPECT_EQ(script.frames, kFrames);
  // The stick's changes are written for the frames that read them, as the keys are.
  const recording::ScriptEvent* x = FindEvent(script, recording::ScriptEvent::kAxis, 0);
  const recording::ScriptEvent* button = FindEvent(script, recording::ScriptEvent::kButton, 0);
  const recording::ScriptEvent* space = FindEvent(script, recording::ScriptEvent::kKey, DIK_SPACE);
  ASSERT_TRUE(x && button && space);
  EXPECT_EQ(x->frame, 3);
  EXPECT_EQ(button->frame, 4);
  EXPECT_EQ(space->frame, 3);

  host::headless::HeadlessHost idle;  // nothing held: all input comes from the recording
  program::ReplayHost replay(&idle, script);
  const std::vector<Reading> replayed = Play(&replay, kFrames, [](int) {});
  EXPECT_FALSE(replay.Diverged());
  // Past the recording's end the game is asked to close, and the replay says how it went.
  EXPECT_FALSE(replay.PumpEvents());
  EXPECT_TRUE(replay.PumpEvents());
  EXPECT_FALSE(replay.PumpEvents());
  EXPECT_EQ(replay.Summary(), "replayed 60 frames, every checksum matched (2)");
  for (int frame = 0; frame < kFrames; ++frame)
    ASSERT_TRUE(replayed[frame] == recorded[frame])
        << "frame " << frame << ": stick " << replayed[frame].x << "," << replayed[frame].y
        << " recorded " << recorded[frame].x << "," << recorded[frame].y;
  std::remove(path.c_str());
}

}  // namespace
