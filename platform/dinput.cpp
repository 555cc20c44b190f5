// DirectInput on the host: the keyboard by scan code, the first joystick with its axes scaled
// to the range the caller sets, and a mouse that never moves (the host has none).
#include <dinput.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/com_object.h"
#include "platform/fault.h"
#include "host/host.h"

const DIDATAFORMAT c_dfDIKeyboard = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, 256, 0, nullptr};
const DIDATAFORMAT c_dfDIJoystick = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS, sizeof(DIJOYSTATE), 0, nullptr};
const DIDATAFORMAT c_dfDIMouse = {sizeof(DIDATAFORMAT),
                                  sizeof(DIOBJECTDATAFORMAT),
                                  DIDF_RELAXIS,
                                  sizeof(DIMOUSESTATE),
                                  0,
                                  nullptr};

const GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0, 0}};
const GUID GUID_SysKeyboard = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0, 0}};
const GUID IID_IDirectInputA = {
    0x89521360, 0xAA8A, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0, 0}};
const GUID IID_IDirectInputDeviceA = {
    0x5944E680, 0xC92E, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0, 0}};
const GUID IID_IDirectInputDevice2A = {
    0x5944E682, 0xC92E, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0, 0}};
const GUID DIPROP_RANGE_ID = {4, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

namespace {

const GUID kUnknownIid = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// The host offers at most one stick; this is its instance and product identity.
const GUID kJoystickGuid = {0x4A6F7900, 0x0001, 0x11CF, {0x80, 0, 0, 0, 0, 0, 0, 1}};

HRESULT joystick_poll_result = DI_NOEFFECT;

bool SameGuid(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

enum class Kind { kKeyboard, kMouse, kJoystick };

const DIDATAFORMAT* StockFormat(Kind kind) {
  switch (kind) {
    case Kind::kKeyboard:
      return &c_dfDIKeyboard;
    case Kind::kMouse:
      return &c_dfDIMouse;
    case Kind::kJoystick:
      return &c_dfDIJoystick;
  }
  return nullptr;
}

struct AxisRange {
  LONG min = 0;
  LONG max = 65535;
};

// Raw host axes run -32768..32767; map them linearly onto [min, max], rounding to nearest.
LONG ScaleAxis(int32_t raw, const AxisRange& range) {
  int64_t offset = int64_t(std::clamp(raw, -32768, 32767)) + 32768;
  int64_t span = int64_t(range.max) - range.min;
  return LONG(range.min + (offset * span * 2 + 65535) / (2 * 65535));
}

// Every device and DirectInput object lives here until its count drops to zero.
platform::LiveObjects& Objects() {
  static auto& objects = *new platform::LiveObjects;  // never destroyed: see LiveObjects
  return objects;
}

class Device final : public platform::ComObject<IDirectInputDevice2A> {
 public:
  explicit Device(Kind kind) : kind_(kind) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (platform::ShouldFail("IDirectInputDevice::QueryInterface") ||
        !(SameGuid(iid, IID_IDirectInputDevice2A) || SameGuid(iid, IID_IDirectInputDeviceA) ||
          SameGuid(iid, kUnknownIid))) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *object = this;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetProperty(REFGUID property, LPCDIPROPHEADER header) override {
    if (platform::ShouldFail("IDirectInputDevice::SetProperty")) return DIERR_GENERIC;
    if (!SameGuid(property, DIPROP_RANGE)) return DIERR_UNSUPPORTED;
    if (!header || header->dwSize != sizeof(DIPROPRANGE) ||
        header->dwHeaderSize != sizeof(DIPROPHEADER))
      return DIERR_INVALIDPARAM;
    if (acquired_) return DIERR_ACQUIRED;
    const auto* range = reinterpret_cast<const DIPROPRANGE*>(header);
    if (range->lMin >= range->lMax) return DIERR_INVALIDPARAM;
    if (kind_ != Kind::kJoystick) return DIERR_OBJECTNOTFOUND;
    AxisRange wanted{range->lMin, range->lMax};
    if (header->dwHow == DIPH_DEVICE && header->dwObj == 0) {
      std::fill(std::begin(axes_), std::end(axes_), wanted);
      return DI_OK;
    }
    // Offsets name the six LONG axes at the start of DIJOYSTATE.
    DWORD offset = header->dwObj;
    if (header->dwHow != DIPH_BYOFFSET || !format_ || offset % sizeof(LONG) != 0 ||
        offset / sizeof(LONG) >= std::size(axes_))
      return DIERR_OBJECTNOTFOUND;
    axes_[offset / sizeof(LONG)] = wanted;
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE Acquire() override {
    if (platform::ShouldFail("IDirectInputDevice::Acquire")) return DIERR_OTHERAPPHASPRIO;
    if (!format_) return DIERR_INVALIDPARAM;
    if (acquired_) return S_FALSE;
    acquired_ = true;
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE Unacquire() override {
    if (platform::ShouldFail("IDirectInputDevice::Unacquire")) return DIERR_GENERIC;
    if (!acquired_) return DI_NOEFFECT;
    acquired_ = false;
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override {
    if (platform::ShouldFail("IDirectInputDevice::GetDeviceState")) return DIERR_INPUTLOST;
    if (!acquired_) return DIERR_NOTACQUIRED;
    if (!data || size != format_->dwDataSize) return DIERR_INVALIDPARAM;
    host::Host& machine = host::Current();
    switch (kind_) {
      case Kind::kKeyboard: {
        auto* keys = static_cast<BYTE*>(data);
        for (int code = 0; code < 256; ++code)
          keys[code] = machine.KeyDown(uint8_t(code)) ? 0x80 : 0;
        return DI_OK;
      }
      case Kind::kMouse:
        std::memset(data, 0, size);
        return DI_OK;
      case Kind::kJoystick: {
        host::Joystick stick = machine.ReadJoystick();
        if (!stick.present) return DIERR_INPUTLOST;
        DIJOYSTATE state = {};
        state.lX = ScaleAxis(stick.axis_x, axes_[0]);
        state.lY = ScaleAxis(stick.axis_y, axes_[1]);
        // No hats: a hat at rest reads as centred.
        std::fill(std::begin(state.rgdwPOV), std::end(state.rgdwPOV), 0xFFFFFFFFu);
        std::memcpy(state.rgbButtons, stick.buttons, sizeof(state.rgbButtons));
        std::memcpy(data, &state, sizeof(state));
        return DI_OK;
      }
    }
    return DIERR_GENERIC;
  }

  HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override {
    if (platform::ShouldFail("IDirectInputDevice::SetDataFormat")) return DIERR_GENERIC;
    if (acquired_) return DIERR_ACQUIRED;
    // Only the stock format of each device is understood here, which is all the engine uses.
    if (format != StockFormat(kind_)) return DIERR_INVALIDPARAM;
    format_ = format;
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override {
    if (platform::ShouldFail("IDirectInputDevice::SetCooperativeLevel")) return DIERR_GENERIC;
    bool one_access = !(flags & DISCL_EXCLUSIVE) != !(flags & DISCL_NONEXCLUSIVE);
    bool one_focus = !(flags & DISCL_FOREGROUND) != !(flags & DISCL_BACKGROUND);
    if (!one_access || !one_focus) return DIERR_INVALIDPARAM;
    // As on Windows, nobody may take the whole keyboard while in the background.
    if (kind_ == Kind::kKeyboard && (flags & DISCL_EXCLUSIVE) && (flags & DISCL_BACKGROUND))
      return DIERR_UNSUPPORTED;
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE Poll() override {
    if (platform::ShouldFail("IDirectInputDevice::Poll")) return DIERR_INPUTLOST;
    if (!acquired_) return DIERR_NOTACQUIRED;
    if (kind_ != Kind::kJoystick) return DI_NOEFFECT;
    if (!host::Current().ReadJoystick().present) return DIERR_INPUTLOST;
    return joystick_poll_result;
  }

 private:
  Kind kind_;
  const DIDATAFORMAT* format_ = nullptr;
  bool acquired_ = false;
  AxisRange axes_[6];
};

DIDEVICEINSTANCEA DescribeDevice(const GUID& guid, DWORD type, const char* name) {
  DIDEVICEINSTANCEA instance = {};
  instance.dwSize = sizeof(instance);
  instance.guidInstance = guid;
  instance.guidProduct = guid;
  instance.dwDevType = type;
  std::snprintf(instance.tszInstanceName, sizeof(instance.tszInstanceName), "%s", name);
  std::snprintf(instance.tszProductName, sizeof(instance.tszProductName), "%s", name);
  return instance;
}

class Input final : public platform::ComObject<IDirectInputA> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (!SameGuid(iid, IID_IDirectInputA) && !SameGuid(iid, kUnknownIid)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *object = this;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID guid, IDirectInputDeviceA** device,
                                         LPUNKNOWN outer) override {
    if (!device) return DIERR_INVALIDPARAM;
    *device = nullptr;
    if (platform::ShouldFail("IDirectInput::CreateDevice")) return DIERR_DEVICENOTREG;
    if (outer) return DIERR_NOAGGREGATION;
    Kind kind;
    if (SameGuid(guid, GUID_SysKeyboard))
      kind = Kind::kKeyboard;
    else if (SameGuid(guid, GUID_SysMouse))
      kind = Kind::kMouse;
    else if (SameGuid(guid, kJoystickGuid) && host::Current().ReadJoystick().present)
      kind = Kind::kJoystick;
    else
      return DIERR_DEVICENOTREG;
    *device = Objects().Make<Device>(kind);
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE EnumDevices(DWORD device_type, LPDIENUMDEVICESCALLBACKA callback,
                                        LPVOID reference, DWORD flags) override {
    if (platform::ShouldFail("IDirectInput::EnumDevices")) return DIERR_GENERIC;
    DWORD wanted = device_type & 0xFF;
    if (!callback || (wanted != 0 && wanted != DIDEVTYPE_MOUSE && wanted != DIDEVTYPE_KEYBOARD &&
                      wanted != DIDEVTYPE_JOYSTICK))
      return DIERR_INVALIDPARAM;
    // Listed as Windows lists them: mouse, keyboard, then the sticks. Only attached sticks are
    // known, so DIEDFL_ATTACHEDONLY changes nothing here.
    std::vector<DIDEVICEINSTANCEA> devices;
    if (wanted == 0 || wanted == DIDEVTYPE_MOUSE)
      devices.push_back(DescribeDevice(
          GUID_SysMouse, DIDEVTYPE_MOUSE | (DIDEVTYPEMOUSE_TRADITIONAL << 8), "Mouse"));
    if (wanted == 0 || wanted == DIDEVTYPE_KEYBOARD)
      devices.push_back(DescribeDevice(
          GUID_SysKeyboard, DIDEVTYPE_KEYBOARD | (DIDEVTYPEKEYBOARD_PCENH << 8), "Keyboard"));
    host::Joystick stick = host::Current().ReadJoystick();
    if ((wanted == 0 || wanted == DIDEVTYPE_JOYSTICK) && stick.present)
      devices.push_back(DescribeDevice(kJoystickGuid,
                                       DIDEVTYPE_JOYSTICK | (DIDEVTYPEJOYSTICK_TRADITIONAL << 8),
                                       stick.name.c_str()));
    for (const DIDEVICEINSTANCEA& instance : devices)
      if (callback(&instance, reference) == DIENUM_STOP) break;
    return DI_OK;
  }
};

}  // namespace

namespace platform {
void SetJoystickPollResult(HRESULT result) {
  joystick_poll_result = result;
}
}  // namespace platform

HRESULT WINAPI DirectInputCreateA(HINSTANCE instance, DWORD version, LPDIRECTINPUTA* input,
                                  LPUNKNOWN outer) {
  if (!input) return DIERR_INVALIDPARAM;
  *input = nullptr;
  if (platform::ShouldFail("DirectInputCreateA")) return DIERR_GENERIC;
  if (outer) return DIERR_NOAGGREGATION;
  if (version < 0x0300) return DIERR_BETADIRECTINPUTVERSION;
  if (version > 0x0700) return DIERR_OLDDIRECTINPUTVERSION;
  *input = Objects().Make<Input>();
  return DI_OK;
}
