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

LRESULT CALLBACK Win32Platform::escape_watch(int code, WPARAM wp, LPARAM lp) {
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
  if (code == HC_ACTION && menu_platform_ && key->vkCode == VK_ESCAPE) {
    if (wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN) {
      EndMenu();
      if (HWND target = menu_platform_->hwnd(menu_platform_->escape_target_))
        PostMessageW(target, kPostedKey, kEscapeChar, 0);
    }
    return 1;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
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
  // open may still go to the document: Esc is watched for on its way there,
  // closes the menu (and, during a run, stops it as the hot key would) and
  // goes no further.
  menu_platform_ = this;
  UniqueHook watch(SetWindowsHookExW(WH_KEYBOARD_LL, escape_watch, GetModuleHandleW(nullptr), 0));
  UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_NONOTIFY;
  int chosen = TrackPopupMenuEx(popup.get(), flags, at.x, at.y, owner, nullptr);
  watch.reset();
  menu_platform_ = nullptr;
  PostMessageW(owner, WM_NULL, 0, 0);
  if (had_foreground && had_foreground != owner && IsWindow(had_foreground)) {
    SetForegroundWindow(had_foreground);
  }
  if (chosen != 0 && !PostMessageW(owner, kMenuChoice, static_cast<WPARAM>(chosen), 0))
    throw_win32_error("PostMessageW", GetLastError());
}

}  // namespace pr::win32
