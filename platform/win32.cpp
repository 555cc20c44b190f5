// Windows, the message queue, keys, the clock and the old file calls, on the host.
#include <windows.h>

#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/fault.h"
#include "platform/gdi_dc.h"
#include "host/host.h"

struct HWND__ {
  WNDPROC procedure = nullptr;
  bool alive = true;
  bool needs_paint = false;
  HDC__ paint_dc;
};

// Stock handles only need to be distinct and non-null.
struct HINSTANCE__ {};
struct HICON__ {};
struct HBRUSH__ {};

namespace {

struct WindowSystem {
  std::vector<WNDCLASSA> classes;
  std::vector<std::string> class_names;
  // Windows stay allocated after DestroyWindow so a stale handle is still safe to test.
  std::vector<std::unique_ptr<HWND__>> windows;
  std::deque<MSG> queue;
  bool quit_posted = false;
  int quit_code = 0;
  int cursor_count = 0;
};

WindowSystem& System() {
  static WindowSystem system;
  return system;
}

HWND__* LiveWindow(HWND window) {
  for (auto& w : System().windows)
    if (w.get() == window && w->alive) return w.get();
  return nullptr;
}

bool InFilter(UINT message, UINT min, UINT max) {
  return (min == 0 && max == 0) || (message >= min && message <= max);
}

MSG MakeMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  msg.time = GetTickCount();
  return msg;
}

// DirectInput scan code of a virtual key, or 0 when it has none.
uint8_t ScanCode(int key) {
  static const uint8_t kLetters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                       0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                       0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  struct KeyPair {
    int virtual_key;
    uint8_t scan_code;
  };
  static const KeyPair kOthers[] = {
      {VK_F11, 0x57},      {VK_F12, 0x58},      {VK_ESCAPE, 0x01}, {VK_RETURN, 0x1C},
      {VK_SPACE, 0x39},    {VK_BACK, 0x0E},     {VK_TAB, 0x0F},    {VK_LEFT, 0xCB},
      {VK_RIGHT, 0xCD},    {VK_UP, 0xC8},       {VK_DOWN, 0xD0},   {VK_HOME, 0xC7},
      {VK_END, 0xCF},      {VK_PRIOR, 0xC9},    {VK_NEXT, 0xD1},   {VK_INSERT, 0xD2},
      {VK_DELETE, 0xD3},   {VK_PAUSE, 0xC5},    {VK_LSHIFT, 0x2A}, {VK_RSHIFT, 0x36},
      {VK_LCONTROL, 0x1D}, {VK_RCONTROL, 0x9D}, {VK_LMENU, 0x38},  {VK_RMENU, 0xB8}};
  if (key >= 'A' && key <= 'Z') return kLetters[key - 'A'];
  if (key >= '1' && key <= '9') return static_cast<uint8_t>(0x02 + key - '1');
  if (key == '0') return 0x0B;
  if (key >= VK_F1 && key <= VK_F10) return static_cast<uint8_t>(0x3B + key - VK_F1);
  for (const KeyPair& pair : kOthers)
    if (pair.virtual_key == key) return pair.scan_code;
  return 0;
}

}  // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA* window_class) {
  if (platform::ShouldFail("RegisterClassA")) return 0;
  if (!window_class || !window_class->lpszClassName || !window_class->lpfnWndProc) return 0;
  auto& system = System();
  for (const auto& name : system.class_names)
    if (name == window_class->lpszClassName) return 0;  // already registered
  system.classes.push_back(*window_class);
  system.class_names.emplace_back(window_class->lpszClassName);
  return static_cast<ATOM>(0xC000 + system.classes.size() - 1);
}

HWND WINAPI CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
  if (platform::ShouldFail("CreateWindowExA") || !class_name) return nullptr;
  auto& system = System();
  const WNDCLASSA* window_class = nullptr;
  for (size_t i = 0; i < system.class_names.size(); ++i)
    if (system.class_names[i] == class_name) window_class = &system.classes[i];
  if (!window_class) return nullptr;
  if (!host::Current().OpenWindow(window_name ? window_name : "", width, height)) return nullptr;

  system.windows.push_back(std::make_unique<HWND__>());
  HWND window = system.windows.back().get();
  window->procedure = window_class->lpfnWndProc;
  window->needs_paint = (style & WS_VISIBLE) != 0;

  CREATESTRUCTA create{
      param,       instance,   menu,    parent, height, width, y, x, static_cast<LONG>(style),
      window_name, class_name, ex_style};
  if (window->procedure(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(window);
    return nullptr;
  }
  return window;
}

BOOL WINAPI DestroyWindow(HWND window) {
  HWND__* w = LiveWindow(window);
  if (!w) return FALSE;
  w->procedure(window, WM_DESTROY, 0, 0);
  w->alive = false;
  auto& queue = System().queue;
  std::erase_if(queue, [window](const MSG& m) { return m.hwnd == window; });
  host::Current().CloseWindow();
  return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    default:
      return 0;
  }
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filter_min, UINT filter_max, UINT remove) {
  auto& system = System();
  if (host::Current().PumpEvents()) {
    for (auto& w : system.windows)
      if (w->alive) system.queue.push_back(MakeMessage(w.get(), WM_CLOSE, 0, 0));
  }
  if (!msg) return FALSE;

  for (auto it = system.queue.begin(); it != system.queue.end(); ++it) {
    if (window && it->hwnd != window) continue;
    if (!InFilter(it->message, filter_min, filter_max)) continue;
    *msg = *it;
    if (remove & PM_REMOVE) system.queue.erase(it);
    return TRUE;
  }
  // As on Windows: the quit message waits behind every posted message, and a paint
  // request behind the quit message; paints stay until the window is validated.
  if (system.quit_posted && InFilter(WM_QUIT, filter_min, filter_max)) {
    *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(system.quit_code), 0);
    if (remove & PM_REMOVE) system.quit_posted = false;
    return TRUE;
  }
  for (auto& w : system.windows) {
    if (!w->alive || !w->needs_paint || (window && w.get() != window)) continue;
    if (!InFilter(WM_PAINT, filter_min, filter_max)) continue;
    *msg = MakeMessage(w.get(), WM_PAINT, 0, 0);
    return TRUE;
  }
  return FALSE;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (window && !LiveWindow(window)) return FALSE;
  System().queue.push_back(MakeMessage(window, message, wparam, lparam));
  return TRUE;
}

void WINAPI PostQuitMessage(int exit_code) {
  System().quit_posted = true;
  System().quit_code = exit_code;
}

// Key messages never reach the queue (keys are read from the host), so there is nothing
// to translate into characters.
BOOL WINAPI TranslateMessage(const MSG* msg) {
  return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  if (!msg) return 0;
  HWND__* w = LiveWindow(msg->hwnd);
  if (!w) return 0;
  return w->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
  HWND__* w = LiveWindow(window);
  if (!w || !paint) return nullptr;
  *paint = PAINTSTRUCT{};
  paint->hdc = &w->paint_dc;
  w->needs_paint = false;
  return paint->hdc;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint) {
  return TRUE;
}

SHORT WINAPI GetAsyncKeyState(int virtual_key) {
  auto held = [](int key) {
    uint8_t scan = ScanCode(key);
    return scan != 0 && host::Current().KeyDown(scan);
  };
  bool down = false;
  if (virtual_key == VK_SHIFT) {
    down = held(VK_LSHIFT) || held(VK_RSHIFT);
  } else if (virtual_key == VK_CONTROL) {
    down = held(VK_LCONTROL) || held(VK_RCONTROL);
  } else if (virtual_key == VK_MENU) {
    down = held(VK_LMENU) || held(VK_RMENU);
  } else {
    down = held(virtual_key);
  }
  return down ? static_cast<SHORT>(0x8000) : 0;
}

int WINAPI ShowCursor(BOOL show) {
  int& count = System().cursor_count;
  count += show ? 1 : -1;
  host::Current().ShowCursor(count >= 0);
  return count;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR module_name) {
  static HINSTANCE__ program;
  return module_name ? nullptr : &program;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR icon_name) {
  static HICON__ application;
  return !instance && icon_name == IDI_APPLICATION ? &application : nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursor_name) {
  static HICON__ arrow;
  return !instance && cursor_name == IDC_ARROW ? &arrow : nullptr;
}

HGDIOBJ WINAPI GetStockObject(int object) {
  static HBRUSH__ stock[18];
  return object >= 0 && object < 18 ? &stock[object] : nullptr;
}

DWORD WINAPI GetTickCount(void) {
  return host::Current().Ticks();
}

void WINAPI Sleep(DWORD milliseconds) {
  host::Current().Sleep(milliseconds);
}

// ---- Old-style files: small integer handles over C streams ----

namespace {

std::vector<std::FILE*>& OpenFiles() {
  static std::vector<std::FILE*> files;
  return files;
}

std::FILE* FileOf(HFILE file) {
  auto& files = OpenFiles();
  if (file <= 0 || static_cast<size_t>(file) > files.size()) return nullptr;
  return files[file - 1];
}

}  // namespace

HFILE WINAPI OpenFile(LPCSTR file_name, LPOFSTRUCT open_info, UINT style) {
  if (platform::ShouldFail("OpenFile") || !file_name) return HFILE_ERROR;
  const char* mode = "rb";
  if (style & OF_CREATE)
    mode = (style & OF_READWRITE) ? "w+b" : "wb";
  else if (style & OF_READWRITE)
    mode = "r+b";
  else if (style & OF_WRITE)
    mode = "r+b";
  std::FILE* stream = std::fopen(file_name, mode);
  if (open_info) {
    *open_info = OFSTRUCT{};
    open_info->cBytes = sizeof(OFSTRUCT);
    std::snprintf(open_info->szPathName, sizeof(open_info->szPathName), "%s", file_name);
    if (!stream) open_info->nErrCode = 2;  // file not found
  }
  if (!stream) return HFILE_ERROR;
  auto& files = OpenFiles();
  for (size_t i = 0; i < files.size(); ++i) {
    if (!files[i]) {
      files[i] = stream;
      return static_cast<HFILE>(i + 1);
    }
  }
  files.push_back(stream);
  return static_cast<HFILE>(files.size());
}

UINT WINAPI _lread(HFILE file, LPVOID buffer, UINT bytes) {
  std::FILE* stream = FileOf(file);
  if (!stream || !buffer) return static_cast<UINT>(HFILE_ERROR);
  return static_cast<UINT>(std::fread(buffer, 1, bytes, stream));
}

UINT WINAPI _lwrite(HFILE file, LPCSTR buffer, UINT bytes) {
  std::FILE* stream = FileOf(file);
  if (!stream || !buffer) return static_cast<UINT>(HFILE_ERROR);
  return static_cast<UINT>(std::fwrite(buffer, 1, bytes, stream));
}

LONG WINAPI _llseek(HFILE file, LONG offset, int origin) {
  std::FILE* stream = FileOf(file);
  int whence = origin == FILE_END ? SEEK_END : origin == FILE_CURRENT ? SEEK_CUR : SEEK_SET;
  if (!stream || std::fseek(stream, offset, whence) != 0) return HFILE_ERROR;
  return static_cast<LONG>(std::ftell(stream));
}

HFILE WINAPI _lclose(HFILE file) {
  std::FILE* stream = FileOf(file);
  if (!stream) return HFILE_ERROR;
  std::fclose(stream);
  OpenFiles()[file - 1] = nullptr;
  return 0;
}
