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

// Creates the DirectInput object every device comes from; closing releases the devices too.
int OpenInputSystem();
void CloseInputSystem();
// Sets up the keyboard, shared and in the background, bound to main_window.
int InitKeyboard();
// Finds the first attached joystick (its name into joystick_name), sets its axes to the given
// ranges and acquires it; 0 when there is none.
int InitJoystick(int x_min, int x_max, int y_min, int y_max);
// Sets up the mouse. Offered, not used by the game.
int InitMouse();
// Snapshots the device into keys_held or joystick_state; a failed read keeps the last one.
int ReadKeyboard();
int ReadJoystick();
// Snapshots the mouse into mouse_state. Offered, not used by the game.
int ReadMouse();
// Unacquires and releases one device; CloseInputSystem does all three. Offered, not used
// by the game.
void ReleaseKeyboard();
void ReleaseJoystick();
void ReleaseMouse();
// The device enumeration's callback: takes the first joystick found and stops.
BOOL CALLBACK OnJoystickFound(LPCDIDEVICEINSTANCEA instance, LPVOID reference);
