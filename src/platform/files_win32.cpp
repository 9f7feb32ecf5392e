#include <windows.h>

#include <memory>
#include <string>

#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"

namespace pr::files {

namespace {

// The error a failed call on a file or folder is to the program.
[[noreturn]] void fail(DWORD err, const std::filesystem::path& path) {
  throw_win32_error(to_utf8(path), err);
}

struct FindCloser {
  void operator()(HANDLE h) const { FindClose(h); }
};

constexpr DWORD kInvisible =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

bool is_folder_not_link(const std::filesystem::path& folder) {
  DWORD a = GetFileAttributesW(folder.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) fail(GetLastError(), folder);
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) fail(ERROR_PATH_NOT_FOUND, folder);
  return !(a & FILE_ATTRIBUTE_REPARSE_POINT);
}

template <class Visit>
void for_each_entry(const std::filesystem::path& folder, Visit visit) {
  WIN32_FIND_DATAW data;
  std::wstring query = (folder / L"*").native();
  HANDLE h = FindFirstFileW(query.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_NO_MORE_FILES) return;
    fail(err, folder);
  }
  std::unique_ptr<void, FindCloser> guard(h);
  do {
    visit(data);
  } while (FindNextFileW(h, &data));
}

// Where the system says an opened entry is; empty when it cannot be opened.
std::wstring final_path(const std::filesystem::path& path) {
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::wstring out(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h, out.data(), static_cast<DWORD>(out.size()), 0);
  if (n >= out.size()) {
    out.resize(n);
    n = GetFinalPathNameByHandleW(h, out.data(), static_cast<DWORD>(out.size()), 0);
  }
  CloseHandle(h);
  out.resize(n < out.size() ? n : 0);
  return out;
}

}  // namespace

bool is_followed_link(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  if (error) return false;
  // A link opened as itself is where its folder is; one the system follows is
  // where its target is.
  const std::wstring entry = final_path(full);
  std::wstring own = final_path(full.parent_path());
  if (entry.empty() || own.empty()) return false;
  if (own.back() != L'\\') own.push_back(L'\\');
  own += full.filename().native();
  return CompareStringOrdinal(entry.c_str(), -1, own.c_str(), -1, TRUE) != CSTR_EQUAL;
}

bool is_visible_name(std::string_view name) {
  return !name.empty();
}

bool is_hidden(const std::filesystem::path& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

bool process_running(long pid) {
  if (pid <= 0) return false;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

bool exists(const std::filesystem::path& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<FolderStamp> folder_stamp(const std::filesystem::path& folder) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(folder.c_str(), GetFileExInfoStandard, &data) ||
      !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return std::nullopt;
  }
  // In 100 ns steps; a folder made anew has a new creation time.
  auto ticks = [](const FILETIME& t) {
    return static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
  };
  return FolderStamp{ticks(data.ftCreationTime), ticks(data.ftLastWriteTime), 0};
}

void create_folder(const std::filesystem::path& path) {
  if (!CreateDirectoryW(path.c_str(), nullptr)) fail(GetLastError(), path);
}

long count_visible_files(const std::filesystem::path& folder) {
  is_folder_not_link(folder);
  long count = 0;
  for_each_entry(folder, [&](const WIN32_FIND_DATAW& d) {
    if (!(d.dwFileAttributes & kInvisible)) ++count;
  });
  return count;
}

}  // namespace pr::files
