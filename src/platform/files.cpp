#include "platform/files.hpp"

#include <cctype>

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

}  // namespace pr::files
