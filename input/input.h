// DirectInput keyboard and first joystick, read as snapshots once a frame.
#pragma once
#include <windows.h>
#include <dinput.h>

extern LPDIRECTINPUTA input_system;
extern LPDIRECTINPUTDEVICEA keyboard_device;
extern LPDIRECTINPUTDEVICE2A joystick_device;
extern LPDIRECTINPUTDEVICEA mouse_device;
extern int joystick_ready;
extern UCHAR keys_held[256];
extern DIJOYSTATE joystick_state;
extern DIMOUSESTATE mouse_state;
extern GUID joystick_guid;
extern char joystick_name[80];

int OpenInputSystem();
void CloseInputSystem();
int InitKeyboard();
int InitJoystick(int x_min, int x_max, int y_min, int y_max);
int InitMouse();
int ReadKeyboard();
int ReadJoystick();
int ReadMouse();
void ReleaseKeyboard();
void ReleaseJoystick();
void ReleaseMouse();
BOOL CALLBACK OnJoystickFound(LPCDIDEVICEINSTANCEA instance, LPVOID reference);
