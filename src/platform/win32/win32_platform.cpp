#include "platform/win32/win32_platform.hpp"

#include <dwmapi.h>

#include "platform/errors.hpp"
#include "platform/report.hpp"

namespace pr::win32 {

namespace {

constexpr wchar_t kHostClass[] = L"PagerookHost";
constexpr int kEscapeHotKey = 1;
// Without a compositor, the windows our hidden window covered paint
// themselves again; this is how long we give them.
constexpr DWORD kRepaintWaitMs = 60;

Win32Platform* hooked_platform = nullptr;

void report(const char* what) {
  report_error(std::string(what) + ": " + win32_error_text(GetLastError()));
}

}  // namespace

Win32Platform::Win32Platform(HINSTANCE instance, IconIds icons)
    : instance_(instance), icons_(icons) {
  {
    WindowDc screen(nullptr);
    int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    tpp_ = 1440.0f / static_cast<float>(dpi > 0 ? dpi : 96);
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance_;
  wc.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&wc)) throw_win32_error("RegisterClassExW", GetLastError());
  wc.lpfnWndProc = host_proc;
  wc.lpszClassName = kHostClass;
  if (!RegisterClassExW(&wc)) throw_win32_error("RegisterClassExW", GetLastError());
  // A hidden top-level window: it owns MainWindow, so that MainWindow keeps its dialog
  // frame yet stays out of the taskbar, and it receives timers and hot keys.
  host_.reset(CreateWindowExW(0, kHostClass, L"Pagerook", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              instance_, this));
  if (!host_) throw_win32_error("CreateWindowExW", GetLastError());

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    ui_font_.reset(CreateFontIndirectW(&metrics.lfMessageFont));
  }

  hooked_platform = this;
  hook_.reset(SetWindowsHookExW(WH_CBT, cbt_hook, nullptr, GetCurrentThreadId()));
  if (!hook_) report("SetWindowsHookExW");
}

Win32Platform::~Win32Platform() {
  if (escape_target_ != kNoWindow) UnregisterHotKey(host_.get(), kEscapeHotKey);
  windows_.clear();
  hook_.reset();
  hooked_platform = nullptr;
  host_.reset();
  UnregisterClassW(kWindowClass, instance_);
  UnregisterClassW(kHostClass, instance_);
}

Win32Platform::Window* Win32Platform::find(WindowId w) {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : it->second.get();
}

const Win32Platform::Window* Win32Platform::find(WindowId w) const {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : it->second.get();
}

HWND Win32Platform::hwnd(WindowId w) const {
  const Window* win = find(w);
  return win ? win->hwnd.get() : nullptr;
}

WindowId Win32Platform::id_of(HWND hwnd) const {
  for (const auto& [id, win] : windows_) {
    if (win->hwnd.get() == hwnd) return id;
  }
  return kNoWindow;
}

bool Win32Platform::keeps_focus_away(HWND hwnd) const {
  const Window* win = find(id_of(GetAncestor(hwnd, GA_ROOT)));
  return win && !win->style.takes_focus && !win->holding;
}

// The program's screen is the whole desktop, every monitor: its (0, 0) is the
// virtual screen's top-left corner, which lies left of or above the primary
// monitor's when another monitor is there.
PixelSize Win32Platform::screen_size() const {
  return {GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

PixelRect Win32Platform::work_area() const {
  RECT r{};
  const POINT origin = desktop_origin();
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) {
    r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return {r.left - origin.x, r.top - origin.y, r.right - r.left, r.bottom - r.top};
}

POINT Win32Platform::desktop_origin() {
  return {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN)};
}

void Win32Platform::wait_for_uncovered_screen() {
  BOOL composed = FALSE;
  if (SUCCEEDED(DwmIsCompositionEnabled(&composed)) && composed && SUCCEEDED(DwmFlush())) return;
  Sleep(kRepaintWaitMs);
}

ImageView Win32Platform::copy_screen() {
  if (uncovered_) wait_for_uncovered_screen();
  uncovered_ = false;
  PixelSize size = screen_size();
  POINT origin = desktop_origin();
  return screen_.copy(origin.x, origin.y, size.width, size.height);
}

void Win32Platform::grab_escape(WindowId target, bool grab) {
  if (grab && target != kNoWindow) {
    if (escape_target_ == kNoWindow &&
        !RegisterHotKey(host_.get(), kEscapeHotKey, MOD_NOREPEAT, VK_ESCAPE) &&
        !RegisterHotKey(host_.get(), kEscapeHotKey, 0, VK_ESCAPE)) {
      // Asked again at every tick while refused: said once.
      if (!escape_refusal_told_) report("RegisterHotKey");
      escape_refusal_told_ = true;
      return;
    }
    escape_target_ = target;
  } else if (escape_target_ != kNoWindow) {
    UnregisterHotKey(host_.get(), kEscapeHotKey);
    escape_target_ = kNoWindow;
  }
}

TimerId Win32Platform::create_timer() {
  TimerId id = next_timer_++;
  timers_[id] = false;
  return id;
}

void Win32Platform::set_timer(TimerId t, std::int32_t interval_ms) {
  auto event = static_cast<UINT_PTR>(t);
  timers_[t] = interval_ms > 0;
  if (interval_ms <= 0) {
    KillTimer(host_.get(), event);
  } else if (!SetTimer(host_.get(), event, static_cast<UINT>(interval_ms), nullptr)) {
    // SetTimer on an existing id starts its period again.
    timers_[t] = false;
    throw_win32_error("SetTimer", GetLastError());
  }
}

std::unique_ptr<AutomationObject> Win32Platform::attach_automation(std::string_view class_name) {
  return attach_running(class_name);
}

std::filesystem::path Win32Platform::base_folder() const {
  // The system drive's root, "C:\\" where the system says nothing.
  wchar_t drive[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"SystemDrive", drive, MAX_PATH);
  std::wstring root = n > 0 && n < MAX_PATH ? std::wstring(drive, n) : std::wstring(L"C:");
  return std::filesystem::path(root + L"\\");
}

int Win32Platform::run() {
  MSG msg{};
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) {
      report("GetMessageW");
      return 1;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

LRESULT Win32Platform::handle_host(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER: {
      auto t = static_cast<TimerId>(wp);
      auto it = timers_.find(t);
      // A tick already queued when the timer stopped is dropped.
      if (it != timers_.end() && it->second) {
        deliver([&](EventSink& s) { s.timer_tick(t); });
      }
      return 0;
    }
    case WM_HOTKEY:
      if (wp == kEscapeHotKey && escape_target_ != kNoWindow) {
        WindowId target = escape_target_;
        deliver([&](EventSink& s) { s.key_press(target, kEscapeChar); });
      }
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32Platform::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  WindowId id = self ? self->id_of(hwnd) : kNoWindow;
  if (id == kNoWindow) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->handle(id, hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32Platform::host_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || self->host_.get() != hwnd) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->handle_host(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32Platform::cbt_hook(int code, WPARAM wp, LPARAM lp) {
  // MainWindow and SelectionOverlay never take activation or focus, not even when a click on
  // MainWindow's button would give it the focus.
  if (hooked_platform && (code == HCBT_ACTIVATE || code == HCBT_SETFOCUS)) {
    HWND target = reinterpret_cast<HWND>(wp);
    if (target && hooked_platform->keeps_focus_away(target)) return 1;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace pr::win32
