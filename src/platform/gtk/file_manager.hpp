#pragma once

#include <filesystem>

namespace pr::gtk {

// Opens the folder in the desktop's file manager (xdg-open) without waiting
// for it; a failure, now or when xdg-open ends, is said on stderr and in a
// dialog, never silently.
void open_in_file_manager(const std::filesystem::path& folder);

// $HOME, or the password database's home when it is unset.
std::filesystem::path home_folder();

}  // namespace pr::gtk
