// The Recycle Bin, through the shell's file operation.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

#include "platform/report.hpp"
#include "platform/win32/win32_platform.hpp"

namespace pr::win32 {

std::string Win32Platform::move_to_trash(const std::filesystem::path& path) {
  // The shell takes a list of names, each ended by a NUL, the list by another.
  std::wstring from = std::filesystem::absolute(path).native();
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  // Never a dialog. Where a drive has no Recycle Bin the shell deletes the
  // file itself, without telling us.
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  int result = SHFileOperationW(&operation);
  if (result != 0) return win32_error_text(static_cast<unsigned long>(result));
  if (operation.fAnyOperationsAborted) return "cancelled";
  return "";
}

}  // namespace pr::win32
