// The Win32 backend's input: the mouse pointer, mouse messages, keys sent to
// other programs and keys posted to our own windows.

#include <windowsx.h>

#include "platform/errors.hpp"
#include "platform/report.hpp"
#include "platform/win32/win32_keys.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {

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

void Win32Platform::send_keys(const std::vector<KeyChord>& keys) {
  std::vector<INPUT> inputs = key_inputs(keys);
  if (inputs.empty()) return;
  UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) throw_win32_error("SendInput", GetLastError());
}

namespace {
HWND keyboard_holder = nullptr;  // the hook's window; a hook has no context of its own
}  // namespace

LRESULT CALLBACK Win32Platform::held_keys(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && keyboard_holder) {
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
    const bool down = wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN;
    if (down && key->vkCode == VK_ESCAPE) PostMessageW(keyboard_holder, kPostedKey, kEscapeChar, 0);
    // Releases pass, so that no key stays down for the system afterwards.
    if (down) return 1;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

void Win32Platform::hold_keyboard(HWND hwnd) {
  keyboard_holder = hwnd;
  if (!hwnd) {
    keyboard_hook_.reset();
    return;
  }
  if (keyboard_hook_) return;
  keyboard_hook_.reset(SetWindowsHookExW(WH_KEYBOARD_LL, held_keys, GetModuleHandleW(nullptr), 0));
  if (!keyboard_hook_) {
    report_error("SetWindowsHookExW(WH_KEYBOARD_LL): " + win32_error_text(GetLastError()));
  }
}

void Win32Platform::post_key(WindowId w, int char_code) {
  HWND target = hwnd(w);
  if (!target) return;
  if (!PostMessageW(target, kPostedKey, static_cast<WPARAM>(char_code), 0))
    throw_win32_error("PostMessageW", GetLastError());
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
    case WM_SIZE:
      // None of our windows has a taskbar entry to come back from: should a
      // window manager minimise one all the same, it comes back by itself.
      if (wp == SIZE_MINIMIZED) PostMessageW(hwnd, kRestore, 0, 0);
      break;
    case kRestore:
      if (IsIconic(hwnd)) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
      return 0;
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
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE:
      mouse(id, msg, wp, lp);
      return 0;
    case WM_RBUTTONUP:
      // The system turns the release into WM_CONTEXTMENU.
      mouse(id, msg, wp, lp);
      break;
    case WM_CONTEXTMENU:
      // From the client area, the frame, or a button passing it on.
      deliver([&](EventSink& s) { s.context_menu(id); });
      return 0;
    case kMenuChoice: {
      int item = static_cast<int>(wp);
      deliver([&](EventSink& s) { s.menu_choice(id, item); });
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED && lp) {
        int button = LOWORD(wp);
        deliver([&](EventSink& s) { s.button_click(id, button); });
        return 0;
      }
      break;
    case WM_CLOSE:
      // Closing the window that holds input cancels it, as Esc does.
      if (Window* win = find(id); win && win->holding) {
        deliver([&](EventSink& s) { s.key_press(id, kEscapeChar); });
        return 0;
      }
      // The program decides; it destroys the window when it unloads it.
      deliver([&](EventSink& s) { s.close_request(id); });
      return 0;
    case kShowHolding:
      if (Window* win = find(id); win && win->show_pending) show_holding(*win, hwnd);
      return 0;
    case kPostedKey: {
      int code = static_cast<int>(wp);
      deliver([&](EventSink& s) { s.key_press(id, code); });
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace pr::win32
