#include "platform/files.hpp"

#include <cerrno>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

namespace pr::files {

std::filesystem::path from_utf8(std::string_view text) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

std::string to_utf8(const std::filesystem::path& path) {
  std::u8string s = path.u8string();
  return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

namespace {

struct Fault {
  std::error_code error;
  int times = 0;
};

std::map<std::string, Fault, std::less<>>& faults() {
  static std::map<std::string, Fault, std::less<>> table;
  return table;
}

// An injected fault for this operation, used up by one call.
std::error_code injected(std::string_view operation) {
  auto it = faults().find(operation);
  if (it == faults().end() || it->second.times <= 0) return {};
  --it->second.times;
  return it->second.error;
}

std::error_code from_errno(int code) {
  return {code, std::generic_category()};
}

}  // namespace

void inject_fault(std::string_view operation, std::error_code error, int times) {
  faults()[std::string(operation)] = {error, times};
}

std::error_code write_new_file(const std::filesystem::path& path, const void* data,
                               std::size_t size) {
  std::error_code error = injected("write");
  if (!error) {
#ifdef _WIN32
    std::FILE* f = _wfopen(path.c_str(), L"wb");
#else
    std::FILE* f = std::fopen(path.c_str(), "wb");
#endif
    if (!f) {
      error = from_errno(errno);
    } else {
      if (std::fwrite(data, 1, size, f) != size || std::fflush(f) != 0) error = from_errno(errno);
      if (std::fclose(f) != 0 && !error) error = from_errno(errno);
    }
  }
  return error;
}

std::error_code remove_file(const std::filesystem::path& path) {
  std::error_code error = injected("remove");
  if (!error) std::filesystem::remove(path, error);
  return error;
}

std::error_code rename_file(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code error = injected("rename");
  if (!error) std::filesystem::rename(from, to, error);
  return error;
}

}  // namespace pr::files
