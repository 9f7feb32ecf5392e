#include <windows.h>

#include "platform/report.hpp"
#include "platform/wide_text.hpp"

namespace pr {

std::string win32_error_text(unsigned long code) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n ? std::wstring(buffer, n) : L"error " + std::to_wstring(code);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  return narrow(text);
}

void throw_win32_error(std::string_view what, unsigned long code) {
  throw Error(std::string(what) + ": " + win32_error_text(code),
              {static_cast<int>(code), std::system_category()});
}

}  // namespace pr
