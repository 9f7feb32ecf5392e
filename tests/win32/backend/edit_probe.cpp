// Asks Wine's notepad about its edit control, for the end-to-end tests:
//   edit_probe first-line   the first visible line of the edit control
//   edit_probe foreground   the class of the foreground window
//   edit_probe main-client  Pagerook's main window's client area on the screen: x y w h
//   edit_probe main-topmost 1 when Pagerook's main window is topmost, else 0
//   edit_probe maximize     maximizes notepad
//   edit_probe menu-bar     notepad's menu bar on the screen: x y w h
//   edit_probe none         nothing; makes the prefix ready
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

// The visible window of Pagerook's class whose caption begins "Pagerook".
BOOL CALLBACK find_main(HWND hwnd, LPARAM found) {
  wchar_t name[64] = L"", text[64] = L"";
  GetClassNameW(hwnd, name, 64);
  GetWindowTextW(hwnd, text, 64);
  if (IsWindowVisible(hwnd) && !std::wcscmp(name, L"PagerookWindow") &&
      !std::wcsncmp(text, L"Pagerook", 8)) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const wchar_t* what = argc > 1 ? argv[1] : L"";
  if (!std::wcscmp(what, L"none")) return 0;
  if (!std::wcscmp(what, L"foreground")) {
    wchar_t name[256] = L"";
    HWND fg = GetForegroundWindow();
    if (fg) GetClassNameW(fg, name, 256);
    std::printf("%ls\n", fg ? name : L"(none)");
    return 0;
  }
  if (!std::wcscmp(what, L"main-client")) {
    HWND main = nullptr;
    EnumWindows(find_main, reinterpret_cast<LPARAM>(&main));
    RECT r;
    POINT corner{0, 0};
    if (!main || !GetClientRect(main, &r) || !ClientToScreen(main, &corner)) {
      std::fprintf(stderr, "edit_probe: no main window\n");
      return 1;
    }
    std::printf("%ld %ld %ld %ld\n", corner.x, corner.y, r.right, r.bottom);
    return 0;
  }
  if (!std::wcscmp(what, L"main-topmost")) {
    HWND main = nullptr;
    EnumWindows(find_main, reinterpret_cast<LPARAM>(&main));
    if (!main) {
      std::fprintf(stderr, "edit_probe: no main window\n");
      return 1;
    }
    std::printf("%d\n", (GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0);
    return 0;
  }
  if (!std::wcscmp(what, L"maximize") || !std::wcscmp(what, L"menu-bar")) {
    HWND notepad = FindWindowW(L"Notepad", nullptr);
    if (!notepad) {
      std::fprintf(stderr, "edit_probe: no notepad\n");
      return 1;
    }
    if (!std::wcscmp(what, L"maximize")) {
      ShowWindow(notepad, SW_MAXIMIZE);
      return 0;
    }
    // The bar lies just above the client area (another process's menu
    // cannot be asked for its own rectangle).
    RECT r;
    POINT corner{0, 0};
    if (!GetClientRect(notepad, &r) || !ClientToScreen(notepad, &corner)) {
      std::fprintf(stderr, "edit_probe: notepad has no client area\n");
      return 1;
    }
    const int bar = GetSystemMetrics(SM_CYMENU);
    std::printf("%ld %ld %ld %d\n", corner.x, corner.y - bar, r.right, bar);
    return 0;
  }
  if (!std::wcscmp(what, L"first-line")) {
    HWND notepad = FindWindowW(L"Notepad", nullptr);
    HWND edit = notepad ? FindWindowExW(notepad, nullptr, L"Edit", nullptr) : nullptr;
    DWORD_PTR line = 0;
    if (!edit ||
        !SendMessageTimeoutW(edit, EM_GETFIRSTVISIBLELINE, 0, 0, SMTO_ABORTIFHUNG, 5000, &line)) {
      std::fprintf(stderr, "edit_probe: no notepad edit control\n");
      return 1;
    }
    std::printf("%lu\n", static_cast<unsigned long>(line));
    return 0;
  }
  std::fprintf(
      stderr,
      "usage: edit_probe first-line|foreground|main-client|main-topmost|maximize|menu-bar|none\n");
  return 2;
}
