#pragma once

#include <filesystem>
#include <string>

namespace pr {

// Moves one file or link to the desktop's trash, the freedesktop.org way
// (GIO): the home trash, or the trash of the file's own filesystem. Returns
// "" when done, else GIO's words.
std::string gio_move_to_trash(const std::filesystem::path& path);

}  // namespace pr
