#pragma once

#include <filesystem>
#include <string>

namespace pr::win32 {

// Moves one file or link (never its target) to the Recycle Bin. Returns "" only
// when the bin has it. Otherwise the system's words for why not: the file is
// where it was, or, where the system destroyed it instead of recycling it
// (a drive without a bin, a file too big for it), gone, and the words say so.
// Needs COM on the calling thread; never shows a dialog.
std::string move_to_recycle_bin(const std::filesystem::path& path);

}  // namespace pr::win32
