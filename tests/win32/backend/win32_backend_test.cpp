#include <windows.h>

#include <gtest/gtest.h>
// After windows.h.
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/controls.hpp"
#include "app/designs.hpp"
#include "platform/wide_text.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {
namespace {

// ---- windows, timers and the screen, on a real display ----

class RecordingSink : public EventSink {
 public:
  std::vector<std::string> events;
  std::function<void(const std::string&)> on_event;

  void add(std::string e) {
    events.push_back(e);
    if (on_event) on_event(e);
  }
  void mouse_down(WindowId w, int b, int s, int x, int y) override {
    add("down " + std::to_string(w) + " " + std::to_string(b) + " " + std::to_string(s) + " " +
        std::to_string(x) + "," + std::to_string(y));
  }
  void mouse_move(WindowId w, int b, int, int x, int y) override {
    add("move " + std::to_string(w) + " " + std::to_string(b) + " " + std::to_string(x) + "," +
        std::to_string(y));
  }
  void mouse_up(WindowId w, int b, int, int, int) override {
    add("up " + std::to_string(w) + " " + std::to_string(b));
  }
  void key_press(WindowId w, int c) override {
    add("key " + std::to_string(w) + " " + std::to_string(c));
  }
  void button_click(WindowId w, int id) override {
    add("click " + std::to_string(w) + " " + std::to_string(id));
  }
  void timer_tick(TimerId t) override { add("tick " + std::to_string(t)); }
  void close_request(WindowId w) override { add("close " + std::to_string(w)); }
  void context_menu(WindowId w) override { add("context menu " + std::to_string(w)); }
  int count(const std::string& e) const { return int(std::count(events.begin(), events.end(), e)); }
};

// Handles messages until `done` or the time is up.
bool pump_until(const std::function<bool()>& done, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  while (!done()) {
    DWORD spent = GetTickCount() - start;
    if (spent >= timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout_ms - spent, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return true;
}

// The screen once the pixel at (x, y) is (or is no longer) `rgb`: the X
// server shows a Wine window's drawing a moment after it is made.
ImageView screen_when(Win32Platform& platform, int x, int y, std::uint32_t rgb, bool is = true) {
  ImageView screen;
  pump_until(
      [&] {
        screen = platform.copy_screen();
        return (screen.pixel(x, y) == rgb) == is;
      },
      5000);
  return screen;
}

class Win32Windows : public ::testing::Test {
 protected:
  Win32Windows() : platform(GetModuleHandleW(nullptr), {}) { platform.set_event_sink(&sink); }
  WindowId main_window() {
    return platform.create_window(design::in_pixels(design::main_window(), 15));
  }
  WindowId overlay() { return platform.create_window(design::in_pixels(design::overlay(), 15)); }

  RecordingSink sink;
  Win32Platform platform;
};

TEST_F(Win32Windows, MainWindowIsANonActivatingOwnedToolWindowWithTheDesignedClientArea) {
  ASSERT_FLOAT_EQ(platform.twips_per_pixel(), 15);  // Wine's 96 dpi
  WindowId w = main_window();
  HWND hwnd = platform.hwnd(w);
  PixelSize frame = platform.frame_size(w);
  EXPECT_GT(frame.height, frame.width) << "a title bar";
  const WindowDesign d = design::in_pixels(design::main_window(), 15);
  platform.move_window(w, 0, 0, d.client_width + frame.width, d.client_height + frame.height);
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, d.client_width);
  EXPECT_EQ(client.bottom, d.client_height);

  LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  LONG ex = GetWindowLongW(hwnd, GWL_EXSTYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX));
  EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
  // A tool frame: a close box and nothing to minimise or maximise it with.
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex & WS_EX_DLGMODALFRAME) << "a window manager keeps it where it is put";
  HWND owner = GetWindow(hwnd, GW_OWNER);
  ASSERT_NE(owner, nullptr) << "owned, so not in the taskbar";
  EXPECT_FALSE(IsWindowVisible(owner));
  wchar_t caption[32];
  GetWindowTextW(hwnd, caption, 32);
  EXPECT_EQ(narrow(caption), design::kTitle);

  HWND button = FindWindowExW(hwnd, nullptr, L"Button", nullptr);
  ASSERT_NE(button, nullptr);
  GetWindowTextW(button, caption, 32);
  EXPECT_EQ(narrow(caption), d.buttons[0].caption);
  RECT r;
  GetWindowRect(button, &r);
  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, d.buttons[0].left);
  EXPECT_EQ(r.top, d.buttons[0].top);
  EXPECT_EQ(r.right - r.left, d.buttons[0].width);
  EXPECT_EQ(r.bottom - r.top, d.buttons[0].height);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)), sizeof(font), &font);
  EXPECT_STREQ(font.lfFaceName, metrics.lfMessageFont.lfFaceName);
  EXPECT_EQ(font.lfHeight, metrics.lfMessageFont.lfHeight);

  // Above the others and back among them, owned as it is.
  platform.show_window(w);
  for (bool topmost : {true, false, true, false}) {
    platform.set_topmost(w, topmost);
    EXPECT_EQ((GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, topmost);
  }
}

TEST_F(Win32Windows, RightClickOnTheButtonAsksForTheMenuAndTheButtonHasItsTooltip) {
  WindowId w = main_window();
  HWND hwnd = platform.hwnd(w);
  platform.show_window(w);
  HWND button = FindWindowExW(hwnd, nullptr, L"Button", nullptr);
  ASSERT_NE(button, nullptr);
  // The button passes the right-click on to its window; so does the client area.
  SendMessageW(button, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(sink.count("context menu " + std::to_string(w)), 1);
  SendMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(100, 30));
  EXPECT_EQ(sink.count("context menu " + std::to_string(w)), 2);

  HWND tips = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND candidate, LPARAM found) {
        wchar_t name[64];
        GetClassNameW(candidate, name, 64);
        if (std::wstring(name) != TOOLTIPS_CLASSW) return TRUE;
        *reinterpret_cast<HWND*>(found) = candidate;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&tips));
  ASSERT_NE(tips, nullptr);
  wchar_t text[512] = {};
  TTTOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = hwnd;
  info.uId = reinterpret_cast<UINT_PTR>(button);
  info.lpszText = text;
  SendMessageW(tips, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(narrow(text), design::kCaptureTip);
}

TEST_F(Win32Windows, ButtonCloseBoxAndPostedKeysReachTheProgramWithoutTakingTheFocus) {
  WindowId w = main_window();
  HWND hwnd = platform.hwnd(w);
  platform.show_window(w);
  HWND button = FindWindowExW(hwnd, nullptr, L"Button", nullptr);
  SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(sink.events, std::vector<std::string>{"click 1 1"});
  EXPECT_NE(GetFocus(), button);
  EXPECT_NE(GetActiveWindow(), hwnd);

  platform.post_key(w, 13);
  EXPECT_EQ(sink.events.size(), 1u) << "handled after the current event, not during the call";
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(pump_until([&] { return sink.events.size() == 3; }, 5000));
  EXPECT_EQ(sink.events[1], "key 1 13");
  EXPECT_EQ(sink.events[2], "close 1");
  EXPECT_TRUE(IsWindow(hwnd)) << "the program destroys it, not the close box";
  platform.destroy_window(w);
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(Win32Windows, OverlayShowsItsPictureWithTheOutlineAboveIt) {
  WindowId w = overlay();
  HWND hwnd = platform.hwnd(w);
  EXPECT_EQ(platform.frame_size(w).width, 0);
  LONG ex = GetWindowLongW(hwnd, GWL_EXSTYLE);
  EXPECT_TRUE(GetWindowLongW(hwnd, GWL_STYLE) & WS_POPUP);
  EXPECT_EQ(ex & (WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW),
            WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW);

  Image picture(200, 100);
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) picture.set_pixel(x, y, 0x102030 + x + 256 * y);
  }
  platform.move_window(w, 0, 0, 200, 100);
  platform.set_window_picture(w, picture.view());
  platform.set_outline(w, 10, 20, 50, 30, 0xC00000);
  platform.show_window(w);
  EXPECT_EQ(GetCapture(), hwnd);
  ImageView screen = screen_when(platform, 150, 80, picture.pixel(150, 80));
  ASSERT_GE(screen.width, 200);
  EXPECT_EQ(screen.pixel(10, 20), 0xC00000u);
  EXPECT_EQ(screen.pixel(59, 49), 0xC00000u);
  EXPECT_EQ(screen.pixel(35, 20), 0xC00000u);
  EXPECT_EQ(screen.pixel(10, 35), 0xC00000u);
  EXPECT_EQ(screen.pixel(60, 49), picture.pixel(60, 49)) << "one pixel wide, no wider";
  EXPECT_EQ(screen.pixel(11, 21), picture.pixel(11, 21)) << "not filled";
  EXPECT_EQ(screen.pixel(150, 80), picture.pixel(150, 80));

  // Moving the outline leaves the picture where it was.
  platform.set_outline(w, 100, 10, 20, 20, 0xC00000);
  const std::uint8_t* pixels = screen.pixels;
  screen = screen_when(platform, 100, 10, 0xC00000);
  EXPECT_EQ(screen.pixels, pixels) << "the screen copy keeps its bitmap";
  EXPECT_EQ(screen.pixel(10, 20), picture.pixel(10, 20));
  EXPECT_EQ(screen.pixel(100, 10), 0xC00000u);
  platform.set_outline(w, 0, 0, 0, 0, 0xC00000);
  EXPECT_EQ(screen_when(platform, 100, 10, picture.pixel(100, 10)).pixel(100, 10),
            picture.pixel(100, 10));

  // Mouse input in pixels, with the shift state and the held buttons.
  PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(10, 20));
  PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(30, 40));
  PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(30, 40));
  ASSERT_TRUE(pump_until([&] { return sink.events.size() >= 3; }, 5000));
  EXPECT_EQ(sink.events[0], "down 1 1 1 10,20");
  EXPECT_EQ(sink.events[1], "move 1 3 30,40");
  EXPECT_EQ(sink.events[2], "up 1 1");

  platform.hide_window(w);
  EXPECT_NE(GetCapture(), hwnd);
  EXPECT_NE(screen_when(platform, 150, 80, picture.pixel(150, 80), false).pixel(150, 80),
            picture.pixel(150, 80))
      << "hidden";
}

TEST_F(Win32Windows, TimersTickOnlyWhileEnabledWithAnInterval) {
  TimerId t = platform.create_timer();
  TimerId idle = platform.create_timer();
  platform.set_timer(idle, 0);
  platform.set_timer(t, 30);
  ASSERT_TRUE(pump_until([&] { return sink.count("tick " + std::to_string(t)) >= 3; }, 5000));
  platform.set_timer(t, 0);
  sink.events.clear();
  pump_until([] { return false; }, 200);
  EXPECT_TRUE(sink.events.empty()) << "no tick while disabled or at interval 0";
}

TEST_F(Win32Windows, ModalWindowDisablesItsOwnerWhileTimersGoOnTicking) {
  WindowId owner = main_window();
  WindowId preview = platform.create_window(design::in_pixels(design::preview(), 15));
  HWND preview_hwnd = platform.hwnd(preview);
  EXPECT_TRUE(GetWindowLongW(preview_hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  platform.show_window(owner);
  TimerId t = platform.create_timer();
  bool owner_was_enabled = true;
  int ticks = 0;
  sink.on_event = [&](const std::string& e) {
    if (e.rfind("tick", 0) != 0) return;
    owner_was_enabled = IsWindowEnabled(platform.hwnd(owner));
    if (++ticks == 3) platform.hide_window(preview);
  };
  platform.set_timer(t, 20);
  platform.show_modal(preview, owner);
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(owner_was_enabled);
  EXPECT_TRUE(IsWindowEnabled(platform.hwnd(owner)));
  EXPECT_EQ(GetWindow(preview_hwnd, GW_OWNER), platform.hwnd(owner));
  EXPECT_FALSE(IsWindowVisible(preview_hwnd));

  // Destroyed instead of hidden: the modal display returns as well.
  sink.on_event = [&](const std::string& e) {
    if (e.rfind("tick", 0) == 0) platform.destroy_window(preview);
  };
  platform.show_modal(preview, owner);
  EXPECT_FALSE(IsWindow(preview_hwnd));
  EXPECT_TRUE(IsWindowEnabled(platform.hwnd(owner)));
}

}  // namespace
}  // namespace pr::win32
