#include "platform/files.hpp"

#include <cctype>
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

char fold(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool match(std::string_view p, std::string_view n) {
  std::size_t pi = 0, ni = 0, star = std::string_view::npos, mark = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      mark = ni;
    } else if (pi < p.size() && (p[pi] == '?' || fold(p[pi]) == fold(n[ni]))) {
      // "?" stands for one byte; skip the rest of a UTF-8 character with it.
      if (p[pi] == '?') {
        ++ni;
        while (ni < n.size() && (static_cast<unsigned char>(n[ni]) & 0xc0) == 0x80) ++ni;
        ++pi;
        continue;
      }
      ++pi;
      ++ni;
    } else if (star != std::string_view::npos) {
      pi = star + 1;
      ni = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view name) {
  // In DOS patterns a trailing ".*" also matches a name without a dot.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos) {
    return match(pattern.substr(0, pattern.size() - 2), name);
  }
  return match(pattern, name);
}

namespace {

std::error_code& last() {
  static std::error_code error;
  return error;
}

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

std::error_code last_error() {
  return last();
}

void clear_last_error() {
  last().clear();
}

void note_error(std::error_code error) {
  if (error) last() = error;
}

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
  note_error(error);
  return error;
}

std::error_code rename_file(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code error = injected("rename");
  if (!error) std::filesystem::rename(from, to, error);
  note_error(error);
  return error;
}

}  // namespace pr::files
