// One Pagerook per desktop session: a named mutex in the session's namespace,
// held for the life of the first instance.
#include <windows.h>

#include "platform/report.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {

namespace {

// The first instance's main window: a shown window of our class in another
// process.
BOOL CALLBACK flash_first(HWND hwnd, LPARAM) {
  wchar_t name[64] = {};
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process == GetCurrentProcessId() || !IsWindowVisible(hwnd) ||
      !GetClassNameW(hwnd, name, 64) || lstrcmpW(name, L"PagerookWindow") != 0) {
    return TRUE;
  }
  // Flashing asks for the user without taking the focus from the document.
  FLASHWINFO flash{sizeof flash, hwnd, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
  FlashWindowEx(&flash);
  return FALSE;
}

}  // namespace

bool Win32Platform::claim_instance(WindowId) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\Pagerook.Instance");
  if (!mutex) {
    // Without the mutex the program still runs; it only cannot tell.
    report_error("CreateMutexW: " + win32_error_text(GetLastError()));
    return true;
  }
  if (GetLastError() != ERROR_ALREADY_EXISTS) {
    instance_mutex_.reset(mutex);
    return true;
  }
  CloseHandle(mutex);
  EnumWindows(flash_first, 0);
  return false;
}

}  // namespace pr::win32
