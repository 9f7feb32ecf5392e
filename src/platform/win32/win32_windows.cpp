// The Win32 backend's windows: styles from the window's properties, placement,
// showing and hiding, the modal display.

#include <algorithm>

#include "platform/errors.hpp"
#include "platform/report.hpp"
#include "platform/wide_text.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {

namespace {

struct Styles {
  DWORD style;
  DWORD ex_style;
};

Styles styles(const WindowStyle& style) {
  Styles s{style.decorated ? WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN : WS_POPUP, 0};
  // A decorated window that never takes the focus is a palette beside the
  // document: a tool frame, whose caption has a close box and nothing to
  // minimise or maximise it with on any window manager.
  const bool tool = style.tool_window || (style.decorated && !style.takes_focus);
  // The dialog frame also keeps a window manager (openbox under Wine) from
  // placing the window itself instead of where it was put.
  if (style.decorated && (!tool || !style.takes_focus)) s.ex_style |= WS_EX_DLGMODALFRAME;
  // A tool frame shows no minimise box even with this style; Wine needs it
  // to tell the window that an X window manager minimised it, so that it can
  // come back (see WM_SIZE). Without it openbox offers to minimise all the
  // same, and the window, told nothing, would stay hidden.
  if (tool) {
    s.ex_style |= WS_EX_TOOLWINDOW;
    if (style.decorated) s.style |= WS_MINIMIZEBOX;
  }
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

// Gives the activation and the focus back to the windows that had them, if
// they are still there to take it.
void give_back(HWND foreground, HWND focus) {
  if (foreground && IsWindow(foreground) && IsWindowVisible(foreground))
    SetForegroundWindow(foreground);
  if (focus && IsWindow(focus)) SetFocus(focus);
}

// While it holds input the overlay is an ordinary active window. Under Wine
// the X window manager takes Alt+F4 before any hook and closes its active
// window: that must be the overlay, not the document. A window that never
// activates, or a tool window, never becomes the window manager's active one.
constexpr LONG_PTR kInactiveOnly = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;

}  // namespace

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
  // Owned, the overlay stays out of the taskbar while it is no tool window.
  HWND owner = popup && !design.style.grabs_input ? nullptr : host_.get();
  win->hwnd.reset(CreateWindowExW(s.ex_style, kWindowClass, widen(design.caption).c_str(), s.style,
                                  x, y, width, height, owner, nullptr, instance_, this));
  if (!win->hwnd) throw_win32_error("CreateWindowExW", GetLastError());
  HWND hwnd = win->hwnd.get();
  HFONT font = ui_font_ ? ui_font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const ButtonDesign& b : design.buttons) {
    HWND button = CreateWindowExW(
        0, L"BUTTON", widen(b.caption).c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
        b.left, b.top, b.width, b.height, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)),
        instance_, nullptr);
    if (!button) throw_win32_error("CreateWindowExW BUTTON", GetLastError());
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    set_tooltip(hwnd, button, b.tooltip);
  }
  for (const LabelDesign& l : design.labels) {
    HWND label = CreateWindowExW(
        0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOTIFY, l.left, l.top, l.width,
        l.height, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(l.id)), instance_, nullptr);
    if (!label) throw_win32_error("CreateWindowExW STATIC", GetLastError());
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
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
  if (it->second->style.grabs_input) {
    hold_keyboard(nullptr);
    if (it->second->holding) end_holding(*it->second, it->second->hwnd.get());
  }
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
    const POINT origin = desktop_origin();
    if (!SetWindowPos(win->hwnd.get(), nullptr, origin.x + left, origin.y + top, width, height,
                      SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE)) {
      throw_win32_error("SetWindowPos", GetLastError());
    }
  }
}

void Win32Platform::show_window(WindowId w) {
  Window* win = find(w);
  if (!win) return;
  HWND hwnd = win->hwnd.get();
  if (win->style.grabs_input) {
    // Input is held from now on; the window itself waits for the handler to
    // return, so that one shown and hidden again within it (a capture tick)
    // never reaches the screen nor takes the activation.
    SetCapture(hwnd);
    hold_keyboard(hwnd);
    apply_cursor();
    if (!win->holding && !win->show_pending) {
      win->show_pending = true;
      if (!PostMessageW(hwnd, kShowHolding, 0, 0)) {
        win->show_pending = false;
        show_holding(*win, hwnd);
      }
    }
    return;
  }
  ShowWindow(hwnd, win->style.takes_focus ? SW_SHOW : SW_SHOWNOACTIVATE);
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
  give_back(had_foreground, had_focus);
}

void Win32Platform::show_holding(Window& win, HWND hwnd) {
  win.show_pending = false;
  win.holding = true;
  win.gave_back_to = GetForegroundWindow();
  win.focus_to_give_back = GetFocus();
  if (win.gave_back_to == hwnd) win.gave_back_to = nullptr;
  SetWindowLongPtrW(hwnd, GWL_EXSTYLE, GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & ~kInactiveOnly);
  SetWindowPos(hwnd, win.style.keep_above ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_FRAMECHANGED);
  SetForegroundWindow(hwnd);
  SetCapture(hwnd);
  apply_cursor();
  UpdateWindow(hwnd);
}

void Win32Platform::end_holding(Window& win, HWND hwnd) {
  win.holding = false;
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  Styles s = styles(win.style);
  SetWindowLongPtrW(hwnd, GWL_EXSTYLE,
                    GetWindowLongPtrW(hwnd, GWL_EXSTYLE) | (s.ex_style & kInactiveOnly));
  give_back(win.gave_back_to, win.focus_to_give_back);
  win.gave_back_to = nullptr;
  win.focus_to_give_back = nullptr;
}

void Win32Platform::hide_window(WindowId w) {
  Window* win = find(w);
  if (!win) return;
  HWND hwnd = win->hwnd.get();
  if (GetCapture() == hwnd) ReleaseCapture();
  if (win->style.grabs_input) hold_keyboard(nullptr);
  win->show_pending = false;
  end_modal(w);
  if (IsWindowVisible(hwnd)) uncovered_ = true;
  if (win->holding) {
    end_holding(*win, hwnd);
    return;
  }
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

void Win32Platform::set_topmost(WindowId w, bool topmost) {
  Window* win = find(w);
  if (!win) return;
  HWND hwnd = win->hwnd.get();
  constexpr UINT kZOrderOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  // Wine keeps an owned window right above its owner: with the hidden owner
  // just below the topmost windows, a request to leave them turned into one
  // to stay where it was. At the bottom the owner is never in the way.
  if (!topmost) SetWindowPos(host_.get(), HWND_BOTTOM, 0, 0, 0, 0, kZOrderOnly);
  if (!SetWindowPos(hwnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, kZOrderOnly))
    throw_win32_error("SetWindowPos", GetLastError());
  const bool now = (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (now != topmost) {
    throw Error(topmost ? "SetWindowPos: the window did not come above the others"
                        : "SetWindowPos: the window stays above the others");
  }
}

void Win32Platform::set_caption(WindowId w, std::string_view caption) {
  if (Window* win = find(w)) {
    if (!SetWindowTextW(win->hwnd.get(), widen(std::string(caption)).c_str()))
      throw_win32_error("SetWindowTextW", GetLastError());
  }
}

}  // namespace pr::win32
