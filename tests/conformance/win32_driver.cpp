// The Win32 backend in the conformance suite, under Wine on a private X
// server: the system's own window rectangles and visibility, real time.

#include <windows.h>

#include <algorithm>

#include "driver.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::conformance {
namespace {

class Win32Driver : public Driver {
 public:
  Win32Driver() : platform_(GetModuleHandleW(nullptr), {}) {}

  Platform& platform() override { return platform_; }
  void run_for(int ms) override {
    run_until([] { return false; }, ms);
  }
  bool run_until(const std::function<bool()>& done, int timeout_ms) override {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    for (;;) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      if (done()) return true;
      const ULONGLONG now = GetTickCount64();
      if (now >= end) return done();
      MsgWaitForMultipleObjects(
          0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 10)), QS_ALLINPUT);
    }
  }
  long long now_ms() override { return static_cast<long long>(GetTickCount64()); }
  bool shown(WindowId w) override {
    HWND hwnd = platform_.hwnd(w);
    return hwnd && IsWindowVisible(hwnd);
  }
  PixelRect outer_area(WindowId w) override {
    RECT r{};
    if (HWND hwnd = platform_.hwnd(w)) GetWindowRect(hwnd, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  PixelRect client_area(WindowId w) override {
    RECT r{};
    POINT origin{0, 0};
    if (HWND hwnd = platform_.hwnd(w)) {
      GetClientRect(hwnd, &r);
      ClientToScreen(hwnd, &origin);
    }
    return {origin.x, origin.y, r.right - r.left, r.bottom - r.top};
  }
  std::string cannot(Feature feature) const override {
    if (feature == Feature::MenuChoice) {
      return "TrackPopupMenu holds the caller until a real click or key closes the menu; the "
             "end-to-end run pagerook_exe_menu chooses with real clicks";
    }
    return "SendInput types into another program's window, which this suite does not start; "
           "the end-to-end runs with notepad check it";
  }

 private:
  win32::Win32Platform platform_;
};

}  // namespace

std::unique_ptr<Driver> make_driver() {
  return std::make_unique<Win32Driver>();
}

}  // namespace pr::conformance
