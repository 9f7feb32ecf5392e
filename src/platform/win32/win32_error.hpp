#pragma once

#include <string>

namespace pr::win32 {

// The system's own words for a Win32 error code, as UTF-8.
std::string error_text(unsigned long code);

// UTF-8 and UTF-16 conversions for the wide Win32 calls.
std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);

}  // namespace pr::win32
