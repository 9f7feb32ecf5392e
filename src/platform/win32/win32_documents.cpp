// The Win32 backend's view of other programs' windows, and its labels.

#include <windows.h>
// It needs windows.h first.
#include <commctrl.h>

#include "platform/wide_text.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {

namespace {

HWND hwnd_of(ForeignWindow w) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w));
}

}  // namespace

ForeignWindow Win32Platform::focused_window() const {
  HWND active = GetForegroundWindow();
  if (!active) return kNoForeignWindow;
  active = GetAncestor(active, GA_ROOT);
  if (active == host_.get()) return kNoForeignWindow;
  for (const auto& [id, win] : windows_) {
    if (win->hwnd.get() == active) return kNoForeignWindow;
  }
  return static_cast<ForeignWindow>(reinterpret_cast<std::uintptr_t>(active));
}

bool Win32Platform::window_exists(ForeignWindow w) const {
  return IsWindow(hwnd_of(w)) != FALSE;
}

PixelRect Win32Platform::window_area(ForeignWindow w) const {
  HWND hwnd = hwnd_of(w);
  RECT r{};
  if (!IsWindowVisible(hwnd) || IsIconic(hwnd) || !GetWindowRect(hwnd, &r)) return {};
  // Our screen starts at the virtual screen's corner.
  const POINT origin = desktop_origin();
  return {r.left - origin.x, r.top - origin.y, r.right - r.left, r.bottom - r.top};
}

bool Win32Platform::keyboard_held_by_us() const {
  if (menu_platform_ == this) return true;
  for (const auto& [id, win] : windows_) {
    if (win->style.grabs_input && (win->holding || win->show_pending)) return true;
  }
  return false;
}

ScreenChanges Win32Platform::take_screen_changes() {
  // No change reports here: the run compares the rectangle's pixels.
  return {};
}

void Win32Platform::set_label(WindowId w, int label_id, std::string_view text,
                              std::string_view tooltip) {
  Window* win = find(w);
  if (!win) return;
  HWND label = GetDlgItem(win->hwnd.get(), label_id);
  if (!label) return;
  std::wstring shown = widen(std::string(text));
  // A static control breaks lines at "\r\n".
  for (std::size_t at = shown.find(L'\n'); at != std::wstring::npos;
       at = shown.find(L'\n', at + 2)) {
    shown.insert(at, 1, L'\r');
  }
  SetWindowTextW(label, shown.c_str());
  set_tooltip(win->hwnd.get(), label, tooltip);
}

void Win32Platform::set_button(WindowId w, int button_id, std::string_view caption,
                               std::string_view tooltip) {
  Window* win = find(w);
  if (!win) return;
  HWND button = GetDlgItem(win->hwnd.get(), button_id);
  if (!button) return;
  SetWindowTextW(button, widen(std::string(caption)).c_str());
  set_tooltip(win->hwnd.get(), button, tooltip);
}

}  // namespace pr::win32
