#include <windows.h>

#include <cstdio>

#include "app/app.h"
#include "shell/app_shell.h"

namespace {

// Without a window there is nothing to play on; say why instead of vanishing silently.
int GiveUp(const char* reason) {
  std::fprintf(stderr, "ferrowyn: %s\n", reason);
  return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA window_class = {};
  window_class.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_OWNDC;
  window_class.lpfnWndProc = MainWindowProc;
  window_class.cbClsExtra = 0;
  window_class.cbWndExtra = 0;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  window_class.lpszMenuName = nullptr;
  window_class.lpszClassName = "WINXCLASS";
  if (!RegisterClassA(&window_class)) return GiveUp("cannot register the window class");

  HWND window = CreateWindowExA(0, "WINXCLASS", "Ferrowyn v1.0", WS_POPUP | WS_VISIBLE, 0, 0, 800,
                                600, nullptr, nullptr, instance, nullptr);
  if (!window) return GiveUp("cannot open a window (is there a display?)");
  main_window = window;
  app_instance = instance;

  StartUpGame();
  MSG message = {};
  for (;;) {
    // At most one message per pass, then always one frame: a backlog never holds up play.
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) break;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    RunFrame();
  }
  ShutDownGame();
  return static_cast<int>(message.wParam);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_PAINT: {
      // Validates the window only; everything is drawn through the display surfaces.
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}
