// On Linux the stand-ins run on the headless host; the file name is the only argument.
#include <windows.h>

#include "host/headless/headless_host.h"

int main(int argc, char** argv) {
  host::headless::HeadlessHost headless;
  host::Install(&headless);
  char empty[] = "";
  int result =
      WinMain(GetModuleHandleA(nullptr), nullptr, argc > 1 ? argv[1] : empty, SW_SHOWDEFAULT);
  host::Install(nullptr);
  return result;
}
