#include "platform/win32/win32_platform.hpp"

#include <dwmapi.h>
#include <windowsx.h>

#include <algorithm>

#include "platform/errors.hpp"
#include "platform/report.hpp"
#include "platform/win32/key_input.hpp"
#include "platform/win32/win32_text.hpp"

namespace pr::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"PagerookWindow";
constexpr wchar_t kHostClass[] = L"PagerookHost";
constexpr UINT kPostedKey = WM_APP + 1;
constexpr int kEscapeHotKey = 1;
constexpr COLORREF kOutlineColour = RGB(192, 0, 0);
// Without a compositor, the windows our hidden window covered paint
// themselves again; this is how long we give them.
constexpr DWORD kRepaintWaitMs = 60;

Win32Platform* hooked_platform = nullptr;

struct Styles {
  DWORD style;
  DWORD ex_style;
};

Styles styles(const WindowStyle& style) {
  Styles s{style.decorated ? WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN : WS_POPUP, 0};
  if (style.decorated && !style.tool_window) s.ex_style |= WS_EX_DLGMODALFRAME;
  if (style.tool_window) s.ex_style |= WS_EX_TOOLWINDOW;
  if (!style.takes_focus) s.ex_style |= WS_EX_NOACTIVATE;
  if (style.keep_above) s.ex_style |= WS_EX_TOPMOST;
  return s;
}

SIZE frame_pixels(const WindowStyle& style) {
  Styles s = styles(style);
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, s.style, FALSE, s.ex_style);
  return {r.right - r.left, r.bottom - r.top};
}

void report(const char* what) {
  report_error(std::string(what) + ": " + win32_error_text(GetLastError()));
}

// The four one-pixel strips of an outline.
void invalidate_outline(HWND hwnd, const RECT& r) {
  if (IsRectEmpty(&r)) return;
  const RECT strips[] = {{r.left, r.top, r.right, r.top + 1},
                         {r.left, r.bottom - 1, r.right, r.bottom},
                         {r.left, r.top, r.left + 1, r.bottom},
                         {r.right - 1, r.top, r.right, r.bottom}};
  for (const RECT& s : strips) InvalidateRect(hwnd, &s, FALSE);
}

void set_icon(HWND hwnd, HINSTANCE instance, int id) {
  if (!id) return;
  const struct {
    WPARAM which;
    int size_metric;
  } kinds[] = {{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}};
  for (const auto& k : kinds) {
    int size = GetSystemMetrics(k.size_metric);
    // Shared icons belong to the system; there is nothing to destroy.
    HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_SHARED);
    if (icon) SendMessageW(hwnd, WM_SETICON, k.which, reinterpret_cast<LPARAM>(icon));
  }
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
  if (!RegisterClassExW(&wc))
    throw_win32_error(ErrorKind::Platform, "RegisterClassExW", GetLastError());
  wc.lpfnWndProc = host_proc;
  wc.lpszClassName = kHostClass;
  if (!RegisterClassExW(&wc))
    throw_win32_error(ErrorKind::Platform, "RegisterClassExW", GetLastError());
  // A hidden top-level window: it owns Form1, so that Form1 keeps its dialog
  // frame yet stays out of the taskbar, and it receives timers and hot keys.
  host_.reset(CreateWindowExW(0, kHostClass, L"Pagerook", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              instance_, this));
  if (!host_) throw_win32_error(ErrorKind::Platform, "CreateWindowExW", GetLastError());

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

template <class Call>
void Win32Platform::deliver(Call&& call) {
  if (!sink_) return;
  try {
    call(*sink_);
  } catch (const std::exception& e) {
    report_error(e.what());
  } catch (...) {
    report_error("unknown error");
  }
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
  return win && !win->style.takes_focus;
}

PixelSize Win32Platform::screen_size() const {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
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
  return screen_.copy(size.width, size.height);
}

void Win32Platform::apply_cursor() {
  SetCursor(LoadCursorW(nullptr, pointer_ == MousePointer::Cross ? IDC_CROSS : IDC_ARROW));
}

void Win32Platform::set_mouse_pointer(MousePointer pointer) {
  pointer_ = pointer;
  POINT at;
  HWND under = GetCursorPos(&at) ? WindowFromPoint(at) : nullptr;
  HWND captured = GetCapture();
  bool ours = (captured && id_of(GetAncestor(captured, GA_ROOT)) != kNoWindow) ||
              (under && id_of(GetAncestor(under, GA_ROOT)) != kNoWindow);
  if (ours) apply_cursor();
}

WindowId Win32Platform::create_window(const WindowDesign& design) {
  auto win = std::make_unique<Window>();
  win->style = design.style;
  Styles s = styles(design.style);
  SIZE frame = frame_pixels(design.style);
  int width = design.client_width + frame.cx;
  int height = design.client_height + frame.cy;
  bool popup = !design.style.decorated;
  int x = popup ? 0 : CW_USEDEFAULT;
  int y = popup ? 0 : CW_USEDEFAULT;
  HWND owner = popup ? nullptr : host_.get();
  win->hwnd.reset(CreateWindowExW(s.ex_style, kWindowClass, widen(design.caption).c_str(), s.style,
                                  x, y, width, height, owner, nullptr, instance_, this));
  if (!win->hwnd) throw_win32_error(ErrorKind::Platform, "CreateWindowExW", GetLastError());
  HWND hwnd = win->hwnd.get();
  HFONT font = ui_font_ ? ui_font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const ButtonDesign& b : design.buttons) {
    HWND button = CreateWindowExW(
        0, L"BUTTON", widen(b.caption).c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
        b.left, b.top, b.width, b.height, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)),
        instance_, nullptr);
    if (!button) throw_win32_error(ErrorKind::Platform, "CreateWindowExW BUTTON", GetLastError());
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  if (design.style.icon == WindowIcon::Program) set_icon(hwnd, instance_, icons_.main);
  if (design.style.icon == WindowIcon::Preview) set_icon(hwnd, instance_, icons_.preview);
  WindowId id = next_window_++;
  windows_[id] = std::move(win);
  return id;
}

void Win32Platform::destroy_window(WindowId w) {
  auto it = windows_.find(w);
  if (it == windows_.end()) return;
  end_modal(w);
  if (escape_target_ == w) grab_escape(w, false);
  std::unique_ptr<Window> win = std::move(it->second);
  windows_.erase(it);
  if (IsWindowVisible(win->hwnd.get())) uncovered_ = true;
}

PixelSize Win32Platform::frame_size(WindowId w) const {
  const Window* win = find(w);
  if (!win) return {0, 0};
  SIZE frame = frame_pixels(win->style);
  return {frame.cx, frame.cy};
}

void Win32Platform::move_window(WindowId w, int left, int top, int width, int height) {
  if (Window* win = find(w)) {
    if (!SetWindowPos(win->hwnd.get(), nullptr, left, top, width, height,
                      SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE)) {
      throw_win32_error(ErrorKind::Platform, "SetWindowPos", GetLastError());
    }
  }
}

void Win32Platform::show_window(WindowId w) {
  Window* win = find(w);
  if (!win) return;
  HWND hwnd = win->hwnd.get();
  if (win->style.grabs_input) {
    SetWindowPos(hwnd, win->style.keep_above ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    SetCapture(hwnd);
    apply_cursor();
  } else {
    ShowWindow(hwnd, win->style.takes_focus ? SW_SHOW : SW_SHOWNOACTIVATE);
  }
  UpdateWindow(hwnd);
}

void Win32Platform::end_modal(WindowId w) {
  for (Modal* m : modals_) {
    if (m->window == w && !m->done) {
      // Before the modal window goes, so that the owner can take over.
      if (m->owner && IsWindow(m->owner)) EnableWindow(m->owner, TRUE);
      m->done = true;
    }
  }
}

void Win32Platform::show_modal(WindowId w, WindowId owner) {
  Window* win = find(w);
  if (!win) return;
  HWND hwnd = win->hwnd.get();
  HWND owner_hwnd = this->hwnd(owner);
  HWND had_foreground = GetForegroundWindow();
  HWND had_focus = GetFocus();
  if (owner_hwnd) {
    SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_hwnd));
    EnableWindow(owner_hwnd, FALSE);
  }
  Modal modal{w, owner_hwnd};
  modals_.push_back(&modal);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  MSG msg;
  while (!modal.done) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The outer loop ends the program; leave it the quit message.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  modals_.erase(std::find(modals_.begin(), modals_.end(), &modal));
  if (!modal.done && owner_hwnd && IsWindow(owner_hwnd)) EnableWindow(owner_hwnd, TRUE);
  if (had_foreground && IsWindow(had_foreground)) SetForegroundWindow(had_foreground);
  if (had_focus && IsWindow(had_focus)) SetFocus(had_focus);
}

void Win32Platform::hide_window(WindowId w) {
  Window* win = find(w);
  if (!win) return;
  HWND hwnd = win->hwnd.get();
  if (GetCapture() == hwnd) ReleaseCapture();
  end_modal(w);
  if (IsWindowVisible(hwnd)) uncovered_ = true;
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

void Win32Platform::set_topmost(WindowId w, bool topmost) {
  if (Window* win = find(w)) {
    if (!SetWindowPos(win->hwnd.get(), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                      SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE)) {
      throw_win32_error(ErrorKind::Platform, "SetWindowPos", GetLastError());
    }
  }
}

void Win32Platform::set_window_picture(WindowId w, ImageView picture) {
  Window* win = find(w);
  if (!win) return;
  win->has_picture = !picture.empty();
  if (win->has_picture) {
    win->picture.resize(picture.width, picture.height);
    win->picture.assign(picture);
  }
  InvalidateRect(win->hwnd.get(), nullptr, FALSE);
}

void Win32Platform::set_outline(WindowId w, int left, int top, int width, int height) {
  Window* win = find(w);
  if (!win) return;
  RECT r{};
  if (width > 0 && height > 0) r = {left, top, left + width, top + height};
  if (EqualRect(&r, &win->outline)) return;
  invalidate_outline(win->hwnd.get(), win->outline);
  win->outline = r;
  invalidate_outline(win->hwnd.get(), r);
}

void Win32Platform::paint(Window& win, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client;
  GetClientRect(hwnd, &client);
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  RECT shown{0, 0, 0, 0};
  if (win.has_picture) {
    shown = {0, 0, win.picture.width(), win.picture.height()};
    RECT part;
    if (IntersectRect(&part, &shown, &ps.rcPaint)) {
      BitBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top,
             win.picture.dc(), part.left, part.top, SRCCOPY);
    }
  }
  // What the picture does not cover shows the window's face colour.
  const RECT rest[] = {{shown.right, 0, client.right, client.bottom},
                       {0, shown.bottom, shown.right, client.bottom}};
  for (const RECT& r : rest) {
    RECT part;
    if (IntersectRect(&part, &r, &ps.rcPaint)) FillRect(dc, &part, face);
  }
  if (!IsRectEmpty(&win.outline)) {
    UniqueBrush pen(CreateSolidBrush(kOutlineColour));
    if (pen) FrameRect(dc, &win.outline, pen.get());
  }
  EndPaint(hwnd, &ps);
}

void Win32Platform::send_keys(const std::vector<KeyChord>& keys) {
  std::vector<INPUT> inputs = key_inputs(keys);
  if (inputs.empty()) return;
  UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) throw_win32_error(ErrorKind::Platform, "SendInput", GetLastError());
}

void Win32Platform::post_key(WindowId w, int char_code) {
  HWND target = hwnd(w);
  if (!target) return;
  if (!PostMessageW(target, kPostedKey, static_cast<WPARAM>(char_code), 0))
    throw_win32_error(ErrorKind::Platform, "PostMessageW", GetLastError());
}

void Win32Platform::grab_escape(WindowId target, bool grab) {
  if (grab && target != kNoWindow) {
    if (escape_target_ == kNoWindow &&
        !RegisterHotKey(host_.get(), kEscapeHotKey, MOD_NOREPEAT, VK_ESCAPE) &&
        !RegisterHotKey(host_.get(), kEscapeHotKey, 0, VK_ESCAPE)) {
      report("RegisterHotKey");
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
    throw_win32_error(ErrorKind::Platform, "SetTimer", GetLastError());
  }
}

std::unique_ptr<AutomationObject> Win32Platform::attach_automation(std::string_view class_name) {
  return attach_running(class_name);
}

std::filesystem::path Win32Platform::base_folder() const {
  return std::filesystem::path(L"C:\\");
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

void Win32Platform::mouse(WindowId id, UINT msg, WPARAM wp, LPARAM lp) {
  int x = GET_X_LPARAM(lp);
  int y = GET_Y_LPARAM(lp);
  int shift =
      (wp & MK_SHIFT ? 1 : 0) | (wp & MK_CONTROL ? 2 : 0) | (GetKeyState(VK_MENU) < 0 ? 4 : 0);
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      int button = msg == WM_LBUTTONDOWN ? 1 : msg == WM_RBUTTONDOWN ? 2 : 4;
      deliver([&](EventSink& s) { s.mouse_down(id, button, shift, x, y); });
      break;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      int button = msg == WM_LBUTTONUP ? 1 : msg == WM_RBUTTONUP ? 2 : 4;
      deliver([&](EventSink& s) { s.mouse_up(id, button, shift, x, y); });
      break;
    }
    case WM_MOUSEMOVE: {
      int held = (wp & MK_LBUTTON ? 1 : 0) | (wp & MK_RBUTTON ? 2 : 0) | (wp & MK_MBUTTON ? 4 : 0);
      // A window that holds the capture gets no WM_SETCURSOR.
      if (GetCapture()) apply_cursor();
      deliver([&](EventSink& s) { s.mouse_move(id, held, shift, x, y); });
      break;
    }
  }
}

LRESULT Win32Platform::handle(WindowId id, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      if (Window* win = find(id)) {
        paint(*win, hwnd);
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      if (keeps_focus_away(hwnd)) return MA_NOACTIVATE;
      break;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT) {
        apply_cursor();
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE:
      mouse(id, msg, wp, lp);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED && lp) {
        int button = LOWORD(wp);
        deliver([&](EventSink& s) { s.button_click(id, button); });
        return 0;
      }
      break;
    case WM_CLOSE:
      // The program decides; it destroys the window when it unloads it.
      deliver([&](EventSink& s) { s.close_request(id); });
      return 0;
    case kPostedKey: {
      int code = static_cast<int>(wp);
      deliver([&](EventSink& s) { s.key_press(id, code); });
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
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
        deliver([&](EventSink& s) { s.key_press(target, 27); });
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
  // Form1 and Form2 never take activation or focus, not even when a click on
  // Form1's button would give it the focus.
  if (hooked_platform && (code == HCBT_ACTIVATE || code == HCBT_SETFOCUS)) {
    HWND target = reinterpret_cast<HWND>(wp);
    if (target && hooked_platform->keeps_focus_away(target)) return 1;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace pr::win32
