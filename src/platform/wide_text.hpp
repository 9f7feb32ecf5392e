#pragma once

#include <string>

namespace pr {

// UTF-8 and UTF-16 conversions for the wide Win32 calls (Windows only).
std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);

}  // namespace pr
