#pragma once

// Reading the freedesktop.org trash that the X11 backend (through GIO) and
// the Win32 backend under Wine (its Recycle Bin) both fill.

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "driver.hpp"

namespace pr::conformance {

// The Path= line of a .trashinfo file, with its %XX escapes undone: the
// trashed file's original path as the Unix side names it; empty when the
// file has none.
inline std::string trashed_from(const std::filesystem::path& info) {
  std::ifstream in(info);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Path=", 0) != 0) continue;
    std::string path;
    for (std::size_t i = 5; i < line.size(); ++i) {
      if (line[i] == '%' && i + 2 < line.size()) {
        path += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        path += line[i];
      }
    }
    return path;
  }
  return {};
}

// What the trash at `trash` holds: each file with the path it came from,
// named by `original` from its Path= line.
template <typename Original>
std::vector<TrashEntry> trash_entries(const std::filesystem::path& trash, Original original) {
  std::vector<TrashEntry> all;
  std::error_code error;
  if (trash.empty() || !std::filesystem::is_directory(trash / "files", error)) return all;
  for (const auto& entry : std::filesystem::directory_iterator(trash / "files")) {
    std::filesystem::path info = trash / "info" / entry.path().filename();
    info += ".trashinfo";
    all.push_back({original(trashed_from(info)), entry.path()});
  }
  return all;
}

}  // namespace pr::conformance
