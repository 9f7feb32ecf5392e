// The Win32 backend's popup menu, the button tooltips and the file manager.

#include <windows.h>
// These two need windows.h first.
#include <commctrl.h>
#include <shellapi.h>

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
  if (!popup) throw_win32_error(ErrorKind::Platform, "CreatePopupMenu", GetLastError());
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
      throw_win32_error(ErrorKind::Platform, "InsertMenuItemW", GetLastError());
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
        PostMessageW(target, kPostedKey, 27, 0);
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
    throw_win32_error(ErrorKind::Platform, "PostMessageW", GetLastError());
}

void Win32Platform::add_tooltip(HWND window, HWND tool, const std::string& text) {
  if (!tooltips_) {
    // Owned by the hidden host: owned by Form1, it cost Form1 its
    // keep-above state under Wine.
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    tooltips_.reset(CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, TOOLTIPS_CLASSW, nullptr,
                                    WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, host_.get(),
                                    nullptr, instance_, nullptr));
    if (!tooltips_) {
      report_error("no tooltips: CreateWindowExW tooltips_class32: " +
                   win32_error_text(GetLastError()));
      return;
    }
    // Long enough for a sentence, wrapped to a readable width.
    SendMessageW(tooltips_.get(), TTM_SETMAXTIPWIDTH, 0, 320);
    SendMessageW(tooltips_.get(), TTM_SETDELAYTIME, TTDT_AUTOPOP, 20000);
  }
  tooltip_texts_.push_back(widen(text));
  TTTOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = window;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = tooltip_texts_.back().data();
  SendMessageW(tooltips_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void Win32Platform::open_folder(const std::filesystem::path& folder) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  std::wstring path = folder.wstring();
  info.lpFile = path.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) {
    throw_win32_error(ErrorKind::Platform, "ShellExecuteExW " + files::to_utf8(folder),
                      GetLastError());
  }
}

}  // namespace pr::win32
