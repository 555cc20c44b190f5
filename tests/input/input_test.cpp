#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "input/input.h"
#include "platform/fault.h"
#include "host/headless/headless_host.h"

namespace {

host::headless::HeadlessHost& Headless() {
  return static_cast<host::headless::HeadlessHost&>(host::Current());
}

host::Joystick Stick(int32_t x, int32_t y, const std::string& name = "Test Pad") {
  host::Joystick stick;
  stick.present = true;
  stick.name = name;
  stick.axis_x = x;
  stick.axis_y = y;
  return stick;
}

bool AllZero(const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i)
    if (bytes[i]) return false;
  return true;
}

class InputTest : public testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    ReleaseKeyboard();
    ReleaseJoystick();
    ReleaseMouse();
    CloseInputSystem();
    Reset();
  }
  static void Reset() {
    platform::ResetFaults();
    platform::SetJoystickPollResult(DI_NOEFFECT);
    Headless().SetJoystick(host::Joystick{});
    for (int code = 0; code < 256; ++code) Headless().SetKey(uint8_t(code), false);
    joystick_ready = 0;
    std::memset(keys_held, 0, sizeof(keys_held));
    std::memset(&joystick_state, 0, sizeof(joystick_state));
    std::memset(&joystick_guid, 0, sizeof(joystick_guid));
    std::memset(joystick_name, 0, sizeof(joystick_name));
  }
};

TEST_F(InputTest, HeldKeysReadAtTheirScanCodes) {
  ASSERT_EQ(OpenInputSystem(), 1);
  ASSERT_EQ(InitKeyboard(), 1);
  Headless().SetKey(DIK_SPACE, true);
  Headless().SetKey(DIK_RCONTROL, true);
  ASSERT_EQ(ReadKeyboard(), 1);
  EXPECT_EQ(keys_held[DIK_SPACE], 0x80);
  EXPECT_EQ(keys_held[DIK_RCONTROL], 0x80);
  EXPECT_EQ(keys_held[DIK_LCONTROL], 0);
  EXPECT_EQ(keys_held[DIK_UP], 0);

  Headless().SetKey(DIK_SPACE, false);
  ASSERT_EQ(ReadKeyboard(), 1);
  EXPECT_EQ(keys_held[DIK_SPACE], 0);
  EXPECT_EQ(keys_held[DIK_RCONTROL], 0x80);
}

TEST_F(InputTest, WithoutAKeyboardDeviceEveryKeyReadsUp) {
  platform::FailCall("IDirectInput::CreateDevice");
  ASSERT_EQ(OpenInputSystem(), 1);
  EXPECT_EQ(InitKeyboard(), 0);
  Headless().SetKey(DIK_SPACE, true);
  keys_held[DIK_SPACE] = 0x80;
  EXPECT_EQ(ReadKeyboard(), 0);
  EXPECT_TRUE(AllZero(keys_held, sizeof(keys_held)));
}

TEST_F(InputTest, AFailedKeyboardStepLeavesTheDeviceUnread) {
  ASSERT_EQ(OpenInputSystem(), 1);
  platform::FailCall("IDirectInputDevice::Acquire");
  EXPECT_EQ(InitKeyboard(), 0);
  ASSERT_NE(keyboard_device, nullptr);  // created, kept, but never acquired
  Headless().SetKey(DIK_SPACE, true);
  EXPECT_EQ(ReadKeyboard(), 0);
  EXPECT_EQ(keys_held[DIK_SPACE], 0);
}

TEST_F(InputTest, NoDirectInputMeansNoDevicesAndNoCrash) {
  platform::FailCall("DirectInputCreateA");
  EXPECT_EQ(OpenInputSystem(), 0);
  EXPECT_EQ(InitKeyboard(), 0);
  EXPECT_EQ(InitJoystick(-16, 16, -16, 16), 0);
  EXPECT_EQ(ReadKeyboard(), 0);
  EXPECT_EQ(ReadJoystick(), 0);
}

TEST_F(InputTest, NoJoystickGivesACentredIdleStateAndNoName) {
  ASSERT_EQ(OpenInputSystem(), 1);
  EXPECT_EQ(InitJoystick(-16, 16, -16, 16), 0);
  EXPECT_EQ(joystick_ready, 0);
  EXPECT_STREQ(joystick_name, "");
  for (int frame = 0; frame < 5; ++frame) EXPECT_EQ(ReadJoystick(), 0);
  EXPECT_TRUE(AllZero(&joystick_state, sizeof(joystick_state)));
}

TEST_F(InputTest, FullDeflectionReadsTheRangeEndsAndCentreReadsZero) {
  host::Joystick stick = Stick(-32768, 32767);
  stick.buttons[0] = 0x80;
  stick.buttons[3] = 0x80;
  Headless().SetJoystick(stick);
  ASSERT_EQ(OpenInputSystem(), 1);
  ASSERT_EQ(InitJoystick(-16, 16, -16, 16), 1);
  EXPECT_EQ(joystick_ready, 1);
  EXPECT_STREQ(joystick_name, "Test Pad");

  // The stand-in's stick answers Poll with DI_NOEFFECT; the state must still be read.
  ASSERT_EQ(ReadJoystick(), 1);
  EXPECT_EQ(joystick_state.lX, -16);
  EXPECT_EQ(joystick_state.lY, 16);
  EXPECT_EQ(joystick_state.rgbButtons[0], 0x80);
  EXPECT_EQ(joystick_state.rgbButtons[1], 0);
  EXPECT_EQ(joystick_state.rgbButtons[3], 0x80);

  platform::SetJoystickPollResult(DI_OK);
  Headless().SetJoystick(Stick(0, 0));
  ASSERT_EQ(ReadJoystick(), 1);
  EXPECT_EQ(joystick_state.lX, 0);
  EXPECT_EQ(joystick_state.lY, 0);
  EXPECT_EQ(joystick_state.rgbButtons[0], 0);
}

TEST_F(InputTest, AFailedPollKeepsTheLastSnapshot) {
  Headless().SetJoystick(Stick(32767, 0));
  ASSERT_EQ(OpenInputSystem(), 1);
  ASSERT_EQ(InitJoystick(-16, 16, -16, 16), 1);
  ASSERT_EQ(ReadJoystick(), 1);
  ASSERT_EQ(joystick_state.lX, 16);

  Headless().SetJoystick(Stick(-32768, 0));
  platform::FailCall("IDirectInputDevice::Poll");
  EXPECT_EQ(ReadJoystick(), 0);
  EXPECT_EQ(joystick_state.lX, 16);
  EXPECT_EQ(ReadJoystick(), 1);
  EXPECT_EQ(joystick_state.lX, -16);
}

TEST_F(InputTest, ALongProductNameIsCutToTheBuffer) {
  std::string name(300, 'J');
  Headless().SetJoystick(Stick(0, 0, name));
  ASSERT_EQ(OpenInputSystem(), 1);
  ASSERT_EQ(InitJoystick(-16, 16, -16, 16), 1);
  EXPECT_EQ(std::strlen(joystick_name), sizeof(joystick_name) - 1);
  EXPECT_EQ(std::string(joystick_name), name.substr(0, sizeof(joystick_name) - 1));
}

TEST_F(InputTest, AxesUseTheRangeSetForEach) {
  Headless().SetJoystick(Stick(32767, -32768));
  ASSERT_EQ(OpenInputSystem(), 1);
  ASSERT_EQ(InitJoystick(0, 100, -5, 5), 1);
  ASSERT_EQ(ReadJoystick(), 1);
  EXPECT_EQ(joystick_state.lX, 100);
  EXPECT_EQ(joystick_state.lY, -5);
  Headless().SetJoystick(Stick(0, 0));
  ASSERT_EQ(ReadJoystick(), 1);
  EXPECT_EQ(joystick_state.lX, 50);
  EXPECT_EQ(joystick_state.lY, 0);
}

// Between the ends, each raw reading lands on the step nearest its place along the range: a
// stick held a little off centre must not read a step short of where it is.
TEST_F(InputTest, AxesBetweenTheEndsReadTheNearestStep) {
  Headless().SetJoystick(Stick(0, 0));
  ASSERT_EQ(OpenInputSystem(), 1);
  ASSERT_EQ(InitJoystick(0, 1000, -16, 16), 1);
  auto nearest = [](int32_t raw, int low, int high) {
    return std::lround(low + (raw + 32768.0) * (high - low) / 65535.0);
  };
  // 100 above the bottom is 1.53 steps of 0..1000; 20000 is 9.77 on -16..16.
  EXPECT_EQ(nearest(-32668, 0, 1000), 2);
  EXPECT_EQ(nearest(20000, -16, 16), 10);
  for (int32_t raw = -32668; raw < 32767; raw += 251) {
    Headless().SetJoystick(Stick(raw, -raw));
    ASSERT_EQ(ReadJoystick(), 1);
    ASSERT_EQ(joystick_state.lX, nearest(raw, 0, 1000)) << raw;
    ASSERT_EQ(joystick_state.lY, nearest(-raw, -16, 16)) << -raw;
  }
}

BOOL CALLBACK CountDevices(LPCDIDEVICEINSTANCEA instance, LPVOID reference) {
  ++*static_cast<int*>(reference);
  return DIENUM_CONTINUE;
}

BOOL CALLBACK StopAtFirst(LPCDIDEVICEINSTANCEA instance, LPVOID reference) {
  ++*static_cast<int*>(reference);
  return DIENUM_STOP;
}

TEST_F(InputTest, DevicesFollowDirectInputRules) {
  Headless().SetJoystick(Stick(0, 0));
  ASSERT_EQ(OpenInputSystem(), 1);

  int listed = 0;
  ASSERT_EQ(input_system->EnumDevices(0, CountDevices, &listed, DIEDFL_ATTACHEDONLY), DI_OK);
  EXPECT_EQ(listed, 3);  // mouse, keyboard, stick
  listed = 0;
  ASSERT_EQ(input_system->EnumDevices(0, StopAtFirst, &listed, DIEDFL_ATTACHEDONLY), DI_OK);
  EXPECT_EQ(listed, 1);

  LPDIRECTINPUTDEVICEA keyboard = nullptr;
  ASSERT_EQ(input_system->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
  BYTE keys[256];
  EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM);  // no data format yet
  EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIJoystick), DIERR_INVALIDPARAM);
  ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
  EXPECT_EQ(keyboard->GetDeviceState(sizeof(keys), keys), DIERR_NOTACQUIRED);
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  EXPECT_EQ(keyboard->GetDeviceState(sizeof(keys) - 1, keys), DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
  EXPECT_EQ(keyboard->GetDeviceState(sizeof(keys), keys), DI_OK);
  keyboard->Release();

  GUID nothing = {};
  LPDIRECTINPUTDEVICEA missing = nullptr;
  EXPECT_EQ(input_system->CreateDevice(nothing, &missing, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(missing, nullptr);

  // A stick pulled out after set-up stops answering.
  ASSERT_EQ(InitJoystick(-16, 16, -16, 16), 1);
  Headless().SetJoystick(host::Joystick{});
  EXPECT_EQ(joystick_device->Poll(), DIERR_INPUTLOST);
  EXPECT_EQ(ReadJoystick(), 0);
}

}  // namespace
