#include <windows.h>

#include <gtest/gtest.h>
#include <oleauto.h>
// After windows.h.
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/controls.hpp"
#include "app/designs.hpp"
#include "platform/errors.hpp"
#include "platform/wide_text.hpp"
#include "platform/win32/win32_automation.hpp"
#include "platform/win32/win32_keys.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {
namespace {

// ---- keystrokes ----

struct Stroke {
  WORD vk;
  WORD scan;
  DWORD flags;
};

std::vector<Stroke> strokes(const std::vector<KeyChord>& chords) {
  std::vector<Stroke> out;
  for (const INPUT& in : key_inputs(chords)) {
    EXPECT_EQ(in.type, static_cast<DWORD>(INPUT_KEYBOARD));
    out.push_back({in.ki.wVk, in.ki.wScan, in.ki.dwFlags});
  }
  return out;
}

TEST(KeyInput, PageDownAndHomeAreExtendedKeysPressedThenReleased) {
  auto pgdn = strokes({{0, Key::PageDown, 0}});
  ASSERT_EQ(pgdn.size(), 2u);
  EXPECT_EQ(pgdn[0].vk, VK_NEXT);
  EXPECT_EQ(pgdn[0].flags, static_cast<DWORD>(KEYEVENTF_EXTENDEDKEY));
  EXPECT_EQ(pgdn[1].vk, VK_NEXT);
  EXPECT_EQ(pgdn[1].flags, static_cast<DWORD>(KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP));

  auto enter = strokes({{0, Key::Enter, 0}});
  ASSERT_EQ(enter.size(), 2u);
  EXPECT_EQ(enter[0].vk, VK_RETURN);
  EXPECT_EQ(enter[0].flags & KEYEVENTF_EXTENDEDKEY, 0u);
}

TEST(KeyInput, CtrlHomeHoldsCtrlAroundHome) {
  auto keys = strokes({{kCtrl, Key::Home, 0}});
  ASSERT_EQ(keys.size(), 4u);
  EXPECT_EQ(keys[0].vk, VK_CONTROL);
  EXPECT_EQ(keys[0].flags, 0u);
  EXPECT_EQ(keys[1].vk, VK_HOME);
  EXPECT_EQ(keys[1].flags, static_cast<DWORD>(KEYEVENTF_EXTENDEDKEY));
  EXPECT_EQ(keys[2].vk, VK_HOME);
  EXPECT_EQ(keys[2].flags, static_cast<DWORD>(KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP));
  EXPECT_EQ(keys[3].vk, VK_CONTROL);
  EXPECT_EQ(keys[3].flags, static_cast<DWORD>(KEYEVENTF_KEYUP));
}

TEST(KeyInput, CharactersAreTypedAsUnicodeUnlessCtrlIsHeld) {
  auto chinese = strokes({{0, Key::Character, U'截'}});
  ASSERT_EQ(chinese.size(), 2u);
  EXPECT_EQ(chinese[0].vk, 0);
  EXPECT_EQ(chinese[0].scan, 0x622A);
  EXPECT_EQ(chinese[0].flags, static_cast<DWORD>(KEYEVENTF_UNICODE));
  EXPECT_EQ(chinese[1].flags, static_cast<DWORD>(KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));

  // Outside the basic plane: a surrogate pair, each unit pressed and released.
  auto emoji = strokes({{0, Key::Character, U'\U0001F600'}});
  ASSERT_EQ(emoji.size(), 4u);
  EXPECT_EQ(emoji[0].scan, 0xD83D);
  EXPECT_EQ(emoji[2].scan, 0xDE00);

  // Ctrl+A must be the A key with Ctrl down, not a typed "a".
  auto ctrl_a = strokes({{kCtrl, Key::Character, U'a'}});
  ASSERT_EQ(ctrl_a.size(), 4u);
  EXPECT_EQ(ctrl_a[0].vk, VK_CONTROL);
  EXPECT_EQ(ctrl_a[1].vk, 'A');
  EXPECT_EQ(ctrl_a[1].flags & KEYEVENTF_UNICODE, 0u);
}

// ---- automation through IDispatch ----

// An in-process IDispatch that records what it is asked.
class RecordingDispatch : public IDispatch {
 public:
  std::vector<std::wstring> names;
  HRESULT names_result = S_OK;
  HRESULT invoke_result = S_OK;
  WORD flags = 0;
  DISPID invoked = 0;
  std::vector<VARTYPE> types;
  std::vector<VARTYPE> referenced_types;
  std::vector<DISPID> named;
  std::vector<SHORT> shorts;
  RecordingDispatch* property = nullptr;  // what a property get returns
  ULONG refs = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* n, UINT count, LCID,
                                          DISPID* ids) override {
    for (UINT i = 0; i < count; ++i) {
      names.emplace_back(n[i]);
      ids[i] = static_cast<DISPID>(100 + i);
    }
    return names_result;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD f, DISPPARAMS* p, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    invoked = id;
    flags = f;
    for (UINT i = 0; i < p->cArgs; ++i) {
      const VARIANT& v = p->rgvarg[i];
      types.push_back(v.vt);
      referenced_types.push_back(v.vt & VT_BYREF ? v.pvarVal->vt : VARTYPE(VT_EMPTY));
      shorts.push_back(v.vt == VT_I2 ? v.iVal : SHORT(-1));
      // A by-reference argument may be changed by the callee.
      if (v.vt == (VT_BYREF | VT_VARIANT)) {
        v.pvarVal->vt = VT_I4;
        v.pvarVal->lVal = 7;
      }
    }
    for (UINT i = 0; i < p->cNamedArgs; ++i) named.push_back(p->rgdispidNamedArgs[i]);
    if (f == DISPATCH_PROPERTYGET && property && SUCCEEDED(invoke_result)) {
      result->vt = VT_DISPATCH;
      property->AddRef();
      result->pdispVal = property;
    }
    return invoke_result;
  }
};

std::unique_ptr<AutomationObject> wrap(RecordingDispatch& d) {
  d.AddRef();
  return dispatch_object(ComPtr<IDispatch>::adopt(&d));
}

TEST(Automation, GoToIsOneInvokeWithThreeNamedArgumentsLastFirst) {
  RecordingDispatch selection;
  {
    auto object = wrap(selection);
    std::vector<NamedArg> args{
        {"What", Variant{}, true}, {"Which", Variant{}, true}, {"Name", Variant::int16(1), false}};
    object->call("GoTo", args);
    // The callee wrote through the references into our arguments.
    EXPECT_EQ(args[0].value, Variant::int32(7));
    EXPECT_EQ(args[2].value, Variant::int16(1));
  }
  EXPECT_EQ(selection.names, (std::vector<std::wstring>{L"GoTo", L"What", L"Which", L"Name"}));
  EXPECT_EQ(selection.invoked, 100);
  EXPECT_EQ(selection.flags, DISPATCH_METHOD);
  // rgvarg[0] is the last argument, Name; the named ids follow the same order.
  EXPECT_EQ(selection.types,
            (std::vector<VARTYPE>{VT_I2, VT_BYREF | VT_VARIANT, VT_BYREF | VT_VARIANT}));
  EXPECT_EQ(selection.referenced_types, (std::vector<VARTYPE>{VT_EMPTY, VT_EMPTY, VT_EMPTY}));
  EXPECT_EQ(selection.shorts[0], 1);
  EXPECT_EQ(selection.named, (std::vector<DISPID>{103, 102, 101}));
  EXPECT_EQ(selection.refs, 1u) << "the reference is released with the object";
}

TEST(Automation, PropertyGetGivesAnObjectAndEveryReferenceIsReleased) {
  RecordingDispatch application, selection;
  application.property = &selection;
  {
    auto app = wrap(application);
    auto sel = app->get_object("Selection");
    ASSERT_NE(sel, nullptr);
    EXPECT_EQ(application.flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(application.names, std::vector<std::wstring>{L"Selection"});
    EXPECT_GT(selection.refs, 1u);
  }
  EXPECT_EQ(application.refs, 1u);
  EXPECT_EQ(selection.refs, 1u);
}

TEST(Automation, FailuresThrowAutomationErrorsWithTheSystemsWords) {
  RecordingDispatch d;
  d.names_result = DISP_E_UNKNOWNNAME;
  auto object = wrap(d);
  std::vector<NamedArg> none;
  try {
    object->call("GoTo", none);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("GoTo: "), std::string::npos);
    EXPECT_GT(std::string(e.what()).size(), std::string("GoTo: ").size());
  }
  EXPECT_EQ(d.invoked, 0) << "no Invoke after a failed look-up";

  RecordingDispatch refusing;
  refusing.invoke_result = DISP_E_MEMBERNOTFOUND;
  EXPECT_THROW(wrap(refusing)->get_object("Selection"), Error);
  // A property that is no object.
  RecordingDispatch empty;
  EXPECT_THROW(wrap(empty)->get_object("Selection"), Error);
  EXPECT_EQ(empty.refs, 1u);

  ComApartment com;
  try {
    attach_running("Pagerook.NoSuchClass");
    FAIL() << "attached to nothing";
  } catch (const Error& e) {
  }
}

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

  platform.show_window(w);
  platform.set_topmost(w, true);
  EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
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
