// The Win32 backend's popup menu.

#include <windows.h>

#include <memory>
#include <type_traits>

#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"
#include "platform/wide_text.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {

namespace {

struct MenuDestroyer {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

// Builds the popup; each submenu belongs to its parent once inserted, so one
// DestroyMenu of the top takes all of them.
UniqueMenu build(const Menu& menu) {
  UniqueMenu popup(CreatePopupMenu());
  if (!popup) throw_win32_error("CreatePopupMenu", GetLastError());
  UINT position = 0;
  for (const MenuItem& item : menu) {
    std::wstring text = widen(item.text);
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
    info.fType = item.kind == MenuItem::Kind::Separator ? MFT_SEPARATOR : MFT_STRING;
    if (item.kind == MenuItem::Kind::Radio) info.fType |= MFT_RADIOCHECK;
    info.fState = (item.checked ? MFS_CHECKED : 0) | (item.enabled ? 0 : MFS_GRAYED);
    info.wID = static_cast<UINT>(item.id);
    info.dwTypeData = text.data();
    UniqueMenu sub;
    if (item.kind == MenuItem::Kind::Submenu) {
      sub = build(item.items);
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = sub.get();
    }
    if (!InsertMenuItemW(popup.get(), position++, TRUE, &info))
      throw_win32_error("InsertMenuItemW", GetLastError());
    sub.release();
  }
  return popup;
}

}  // namespace

Win32Platform* Win32Platform::menu_platform_ = nullptr;
HWND Win32Platform::menu_owner_ = nullptr;

LRESULT CALLBACK Win32Platform::menu_keys(int code, WPARAM wp, LPARAM lp) {
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
  const bool down = wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN;
  if (code != HC_ACTION || !menu_platform_ || !down) return CallNextHookEx(nullptr, code, wp, lp);
  if (key->vkCode == VK_ESCAPE) {
    EndMenu();
    if (HWND target = menu_platform_->hwnd(menu_platform_->escape_target_))
      PostMessageW(target, kPostedKey, kEscapeChar, 0);
  } else {
    // The menu's own loop reads the keys of our thread's queue: the arrows
    // move through it, Enter chooses, and any other key stays with it too,
    // as with a menu that has the keyboard.
    LPARAM info = 1 | (static_cast<LPARAM>(key->scanCode) << 16) |
                  (key->flags & LLKHF_EXTENDED ? LPARAM(1) << 24 : 0);
    PostMessageW(menu_owner_, static_cast<UINT>(wp), key->vkCode, info);
  }
  // Releases pass, so that no key stays down for the system afterwards.
  return 1;
}

void Win32Platform::show_menu(WindowId w, const Menu& menu) {
  HWND owner = hwnd(w);
  if (!owner) return;
  UniqueMenu popup = build(menu);
  POINT at{};
  GetCursorPos(&at);
  // A popup menu closes on a click elsewhere only while its owner is the
  // foreground window; the window that had it gets it back afterwards, so
  // the document keeps its keyboard focus.
  HWND had_foreground = GetForegroundWindow();
  SetForegroundWindow(owner);
  // The main window never activates, so the keys typed while the menu is
  // open would go to the document (under Wine no window of ours can take
  // them): they are taken on their way there and handed to the menu. Esc
  // closes it at once (and, during a run, stops the run as the hot key would).
  menu_platform_ = this;
  menu_owner_ = owner;
  UniqueHook watch(SetWindowsHookExW(WH_KEYBOARD_LL, menu_keys, GetModuleHandleW(nullptr), 0));
  if (!watch)
    report_error("SetWindowsHookExW(WH_KEYBOARD_LL): " + win32_error_text(GetLastError()));
  UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_NONOTIFY;
  int chosen = TrackPopupMenuEx(popup.get(), flags, at.x, at.y, owner, nullptr);
  watch.reset();
  menu_platform_ = nullptr;
  menu_owner_ = nullptr;
  PostMessageW(owner, WM_NULL, 0, 0);
  if (had_foreground && had_foreground != owner && IsWindow(had_foreground)) {
    SetForegroundWindow(had_foreground);
  }
  if (chosen != 0 && !PostMessageW(owner, kMenuChoice, static_cast<WPARAM>(chosen), 0))
    throw_win32_error("PostMessageW", GetLastError());
}

}  // namespace pr::win32
