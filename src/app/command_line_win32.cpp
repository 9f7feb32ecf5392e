// The command line and the console of a Windows GUI program.
#include <windows.h>

#include <shellapi.h>

#include "app/command_line.hpp"
#include "platform/report.hpp"
#include "platform/wide_text.hpp"

namespace pr {

namespace {

std::string last_error() {
  return win32_error_text(GetLastError());
}

std::string write_file(HANDLE out, std::string_view text) {
  while (!text.empty()) {
    DWORD written = 0;
    if (!WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
      return last_error();
    text.remove_prefix(written);
  }
  return {};
}

}  // namespace

std::vector<std::string> command_line_arguments() {
  std::vector<std::string> out;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return out;
  for (int i = 1; i < count; ++i) out.push_back(narrow(argv[i]));
  LocalFree(argv);
  return out;
}

namespace {

// A GUI program has no console of its own: the text goes to a redirected
// standard handle as UTF-8, else to the console of the program that started
// us (a command prompt) as UTF-16, else nowhere.
std::string write_to(DWORD standard_handle, std::string_view text) {
  HANDLE out = GetStdHandle(standard_handle);
  DWORD mode = 0;
  if (out && out != INVALID_HANDLE_VALUE && !GetConsoleMode(out, &mode) &&
      GetFileType(out) != FILE_TYPE_UNKNOWN)
    return write_file(out, text);
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return {};
  HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return last_error();
  const std::wstring wide = widen(std::string(text));
  std::string error;
  DWORD written = 0;
  if (!WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr))
    error = last_error();
  CloseHandle(console);
  return error;
}

}  // namespace

std::string write_console(std::string_view text) {
  return write_to(STD_OUTPUT_HANDLE, text);
}

std::string write_console_error(std::string_view text) {
  return write_to(STD_ERROR_HANDLE, text);
}

bool started_with_console() {
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error && error != INVALID_HANDLE_VALUE && GetFileType(error) != FILE_TYPE_UNKNOWN)
    return true;
  return AttachConsole(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace pr
