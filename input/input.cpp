#include "input/input.h"

#include <cstring>

#include "shell/app_shell.h"

LPDIRECTINPUTA input_system = nullptr;
LPDIRECTINPUTDEVICEA keyboard_device = nullptr;
LPDIRECTINPUTDEVICE2A joystick_device = nullptr;
LPDIRECTINPUTDEVICEA mouse_device = nullptr;
int joystick_ready = 0;
UCHAR keys_held[256];
DIJOYSTATE joystick_state;
DIMOUSESTATE mouse_state;
GUID joystick_guid;
char joystick_name[80];

namespace {

// Both the keyboard and the joystick keep working while another window has the focus.
const DWORD SHARED_BACKGROUND = DISCL_BACKGROUND | DISCL_NONEXCLUSIVE;

}  // namespace

int OpenInputSystem() {
  return DirectInputCreateA(app_instance, DIRECTINPUT_VERSION, &input_system, nullptr) == DI_OK ? 1
                                                                                                : 0;
}

void CloseInputSystem() {
  if (input_system) {
    input_system->Release();
    input_system = nullptr;
  }
}

namespace {

// Creates a system device with its stock format and acquires it; a failing step leaves what
// was made so far in place.
int InitSystemDevice(REFGUID guid, LPCDIDATAFORMAT format, LPDIRECTINPUTDEVICEA* device) {
  if (!input_system) return 0;
  if (input_system->CreateDevice(guid, device, nullptr) != DI_OK) return 0;
  if ((*device)->SetCooperativeLevel(main_window, SHARED_BACKGROUND) != DI_OK) return 0;
  if ((*device)->SetDataFormat(format) != DI_OK) return 0;
  if ((*device)->Acquire() != DI_OK) return 0;
  return 1;
}

}  // namespace

int InitKeyboard() {
  return InitSystemDevice(GUID_SysKeyboard, &c_dfDIKeyboard, &keyboard_device);
}

int InitMouse() {
  return InitSystemDevice(GUID_SysMouse, &c_dfDIMouse, &mouse_device);
}

BOOL CALLBACK OnJoystickFound(LPCDIDEVICEINSTANCEA instance, LPVOID reference) {
  *static_cast<GUID*>(reference) = instance->guidInstance;
  // A product name longer than the buffer is cut, never overrun.
  size_t length = strnlen(instance->tszProductName, sizeof(joystick_name) - 1);
  std::memcpy(joystick_name, instance->tszProductName, length);
  joystick_name[length] = '\0';
  return DIENUM_STOP;
}

namespace {

void SetAxisRange(DWORD axis, int low, int high) {
  DIPROPRANGE range;
  range.diph.dwSize = sizeof(DIPROPRANGE);
  range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  range.diph.dwObj = axis;
  range.diph.dwHow = DIPH_BYOFFSET;
  range.lMin = low;
  range.lMax = high;
  joystick_device->SetProperty(DIPROP_RANGE, &range.diph);
}

}  // namespace

int InitJoystick(int x_min, int x_max, int y_min, int y_max) {
  if (!input_system) return 0;
  input_system->EnumDevices(DIDEVTYPE_JOYSTICK, OnJoystickFound, &joystick_guid,
                            DIEDFL_ATTACHEDONLY);
  LPDIRECTINPUTDEVICEA device = nullptr;
  if (input_system->CreateDevice(joystick_guid, &device, nullptr) != DI_OK) return 0;
  HRESULT found =
      device->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&joystick_device));
  device->Release();
  if (found != DI_OK) {
    joystick_device = nullptr;
    return 0;
  }
  if (joystick_device->SetCooperativeLevel(main_window, SHARED_BACKGROUND) != DI_OK) return 0;
  if (joystick_device->SetDataFormat(&c_dfDIJoystick) != DI_OK) return 0;
  SetAxisRange(DIJOFS_X, x_min, x_max);
  SetAxisRange(DIJOFS_Y, y_min, y_max);
  if (joystick_device->Acquire() != DI_OK) return 0;
  joystick_ready = 1;
  return 1;
}

int ReadKeyboard() {
  if (!keyboard_device) {
    std::memset(keys_held, 0, sizeof(keys_held));
    return 0;
  }
  return keyboard_device->GetDeviceState(sizeof(keys_held), keys_held) == DI_OK ? 1 : 0;
}

int ReadJoystick() {
  if (!joystick_ready) return 0;
  if (!joystick_device) {
    std::memset(&joystick_state, 0, sizeof(joystick_state));
    return 0;
  }
  // A stick that needs no polling answers DI_NOEFFECT; its state is just as fresh.
  if (FAILED(joystick_device->Poll())) return 0;
  return joystick_device->GetDeviceState(sizeof(joystick_state), &joystick_state) == DI_OK ? 1 : 0;
}

int ReadMouse() {
  if (!mouse_device) {
    std::memset(&mouse_state, 0, sizeof(mouse_state));
    return 0;
  }
  return mouse_device->GetDeviceState(sizeof(mouse_state), &mouse_state) == DI_OK ? 1 : 0;
}

namespace {

template <class Device>
void ReleaseDevice(Device** device) {
  if (!*device) return;
  (*device)->Unacquire();
  (*device)->Release();
  *device = nullptr;
}

}  // namespace

void ReleaseKeyboard() {
  ReleaseDevice(&keyboard_device);
}

void ReleaseJoystick() {
  ReleaseDevice(&joystick_device);
}

void ReleaseMouse() {
  ReleaseDevice(&mouse_device);
}
