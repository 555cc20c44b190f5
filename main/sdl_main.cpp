// The game's entry on Linux: put the SDL host under the stand-ins and run WinMain.
#include <windows.h>

#include "platform/host/sdl_host.h"

int main(int, char**) {
  host::SdlHost sdl;
  host::Install(&sdl);
  char command_line[] = "";  // the game ignores its command line
  int result = WinMain(GetModuleHandleA(nullptr), nullptr, command_line, SW_SHOWDEFAULT);
  host::Install(nullptr);
  return result;
}
