// One Pagerook per desktop session: a named mutex in the session's namespace,
// held for the life of the first instance.
//
// The first instance also keeps a message-only window of a class of its own
// that knows its main window. A second one posts it a registered message and
// the first flashes its own main window: a window is found exactly (the
// overlay and the preview share the main window's class), and the flash comes
// from the window's own process, the only one whose FlashWindowEx Wine
// carries out.
#include <windows.h>

#include "platform/report.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {

namespace {

constexpr wchar_t kInstanceClass[] = L"PagerookInstance";

UINT attention_message() {
  static const UINT message = RegisterWindowMessageW(L"Pagerook.Attention");
  return message;
}

}  // namespace

LRESULT CALLBACK Win32Platform::instance_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && msg != 0 && msg == attention_message()) {
    self->draw_attention();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Win32Platform::draw_attention() {
  HWND main = hwnd(instance_main_);
  if (!main) return;
  // Back from wherever it went (minimised, or below another topmost window),
  // still without the focus.
  if (IsIconic(main)) ShowWindow(main, SW_SHOWNOACTIVATE);
  if (IsWindowVisible(main))
    SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // Flashing asks for the user without taking the focus from the document.
  FLASHWINFO flash{sizeof flash, main, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
  FlashWindowEx(&flash);
}

void Win32Platform::listen_for_rivals(WindowId main) {
  instance_main_ = main;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = instance_proc;
  wc.hInstance = instance_;
  wc.lpszClassName = kInstanceClass;
  // Registered already by an earlier platform of this process.
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    report_error("RegisterClassExW: " + win32_error_text(GetLastError()));
    return;
  }
  instance_window_.reset(CreateWindowExW(0, kInstanceClass, L"Pagerook", 0, 0, 0, 0, 0,
                                         HWND_MESSAGE, nullptr, instance_, this));
  // The program runs on; a second one only cannot point at it.
  if (!instance_window_) report_error("CreateWindowExW: " + win32_error_text(GetLastError()));
}

bool Win32Platform::claim_instance(WindowId main) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\Pagerook.Instance");
  if (!mutex) {
    // Without the mutex the program still runs; it only cannot tell.
    report_error("CreateMutexW: " + win32_error_text(GetLastError()));
    return true;
  }
  if (GetLastError() != ERROR_ALREADY_EXISTS) {
    instance_mutex_.reset(mutex);
    listen_for_rivals(main);
    return true;
  }
  CloseHandle(mutex);
  // Missing only while the first is starting or ending, or if it could not
  // make the window; it runs all the same.
  HWND first = FindWindowExW(HWND_MESSAGE, nullptr, kInstanceClass, nullptr);
  if (!first || !attention_message() || !PostMessageW(first, attention_message(), 0, 0)) {
    report_error("cannot reach the running Pagerook's window: " +
                 win32_error_text(first ? GetLastError() : ERROR_NOT_FOUND));
  }
  return false;
}

}  // namespace pr::win32
