// The Win32 backend's way to the desktop's file manager: the shell's "open".

#include <windows.h>
// It needs windows.h first.
#include <shellapi.h>

#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {

void Win32Platform::open_folder(const std::filesystem::path& folder) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  std::wstring path = folder.wstring();
  info.lpFile = path.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) {
    throw_win32_error("ShellExecuteExW " + files::to_utf8(folder), GetLastError());
  }
}

}  // namespace pr::win32
