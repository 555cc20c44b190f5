#include <gtest/gtest.h>

#include "support/temp_path.h"
#include <windows.h>

#include <string>
#include <vector>

#include "platform/fault.h"
#include "host/headless/headless_host.h"

namespace {

host::headless::HeadlessHost& Headless() {
  return dynamic_cast<host::headless::HeadlessHost&>(host::Current());
}

std::vector<UINT> received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  received.push_back(message);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

class WindowTest : public testing::Test {
 protected:
  void SetUp() override {
    static bool registered = [] {
      WNDCLASSA window_class{};
      window_class.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_OWNDC;
      window_class.lpfnWndProc = RecordingProc;
      window_class.hInstance = GetModuleHandleA(nullptr);
      window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
      window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
      window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
      window_class.lpszClassName = "TESTCLASS";
      return RegisterClassA(&window_class) != 0;
    }();
    ASSERT_TRUE(registered);
    received.clear();
    window = CreateWindowExA(0, "TESTCLASS", "Test window", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
  }

  void TearDown() override {
    DestroyWindow(window);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    platform::ResetFaults();
  }

  // Runs the game's loop shape: one message, then one "frame", until WM_QUIT.
  int PassesUntilQuit(int limit) {
    MSG msg;
    for (int pass = 1; pass <= limit; ++pass) {
      if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return pass;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    return -1;
  }

  HWND window = nullptr;
};

TEST_F(WindowTest, CreationOpensTheHostWindowAndPaintsOnce) {
  EXPECT_TRUE(Headless().WindowOpen());
  EXPECT_EQ(Headless().WindowTitle(), "Test window");
  ASSERT_EQ(received, std::vector<UINT>{WM_CREATE});
  // A shown window asks to be painted once; BeginPaint validates it.
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  DispatchMessageA(&msg);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, EachPeekTakesOneMessageAndQuitComesAfterThePostedOnes) {
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);  // the first paint
  DispatchMessageA(&msg);
  // Escape held for three frames: three posted WM_DESTROYs, each answered with a quit.
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(PostMessageA(window, WM_DESTROY, 0, 0));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_DESTROY));
  DispatchMessageA(&msg);
  // The quit was posted, yet two WM_DESTROYs are still ahead of it.
  EXPECT_EQ(PassesUntilQuit(10), 3);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, CloseRequestBecomesCloseThenDestroyThenQuit) {
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
  DispatchMessageA(&msg);
  received.clear();
  Headless().RequestClose();
  EXPECT_EQ(PassesUntilQuit(5), 2);
  EXPECT_EQ(received, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
  EXPECT_FALSE(Headless().WindowOpen());
  EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));  // the window is gone
}

TEST_F(WindowTest, QuitCarriesItsExitCode) {
  PostQuitMessage(3);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(Win32, WindowCreationFailsWithoutADisplayOrWhenInjected) {
  EXPECT_EQ(CreateWindowExA(0, "NOSUCHCLASS", "x", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
  Headless().SetWindowFails(true);
  EXPECT_EQ(CreateWindowExA(0, "TESTCLASS", "x", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
  Headless().SetWindowFails(false);
  platform::FailCall("RegisterClassA");
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.lpszClassName = "OTHERCLASS";
  EXPECT_EQ(RegisterClassA(&window_class), 0);
  platform::ResetFaults();
}

TEST(Win32, AsyncKeyStateReadsTheHostKeys) {
  struct {
    int vk;
    uint8_t scan;
  } keys[] = {{VK_ESCAPE, 0x01}, {VK_F1, 0x3B},     {VK_F4, 0x3E}, {VK_F12, 0x58},
              {VK_RETURN, 0x1C}, {VK_SPACE, 0x39},  {VK_UP, 0xC8}, {VK_LEFT, 0xCB},
              {'A', 0x1E},       {'Q', 0x10},       {'M', 0x32},   {'0', 0x0B},
              {'1', 0x02},       {VK_CONTROL, 0x9D}};
  for (const auto& key : keys) {
    EXPECT_EQ(GetAsyncKeyState(key.vk), 0) << key.vk;
    Headless().SetKey(key.scan, true);
    EXPECT_TRUE(GetAsyncKeyState(key.vk) & 0x8000) << key.vk;
    Headless().SetKey(key.scan, false);
  }
}

TEST(Win32, CursorCounterHidesBelowZero) {
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_FALSE(Headless().CursorVisible());
  EXPECT_EQ(ShowCursor(TRUE), 0);
  EXPECT_TRUE(Headless().CursorVisible());
}

TEST(Win32, ClockMovesBySleepAndEndsASpin) {
  DWORD start = GetTickCount();
  Sleep(0);
  EXPECT_EQ(GetTickCount() - start, 1u);
  Sleep(21);
  EXPECT_EQ(GetTickCount() - start, 22u);
  DWORD mark = GetTickCount();
  int reads = 0;
  while (GetTickCount() - mark < 5) ASSERT_LT(++reads, 100000);
}

TEST(Win32, OldFileCallsReadAFile) {
  std::string path = TempPath("win32_file_test.bin");
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("BM0123", f);
  std::fclose(f);
  OFSTRUCT info;
  HFILE file = OpenFile(path.c_str(), &info, OF_READ);
  ASSERT_NE(file, HFILE_ERROR);
  EXPECT_EQ(_llseek(file, 0, FILE_END), 6);
  EXPECT_EQ(_llseek(file, 2, FILE_BEGIN), 2);
  char buffer[8] = {};
  EXPECT_EQ(_lread(file, buffer, 8), 4u);
  EXPECT_STREQ(buffer, "0123");
  EXPECT_EQ(_lclose(file), 0);
  EXPECT_EQ(OpenFile((path + ".missing").c_str(), &info, OF_READ), HFILE_ERROR);
  std::remove(path.c_str());
}

}  // namespace
