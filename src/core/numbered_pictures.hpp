#pragma once

#include <filesystem>
#include <vector>

namespace pr {

struct NumberedPicture {
  long number = 0;
  std::filesystem::path path;
};

// The pictures a run saved in `folder` (plain files named "<n>.jpg", n without
// leading zeros), in numeric order: 2.jpg before 10.jpg. Empty when the folder
// is missing.
std::vector<NumberedPicture> numbered_pictures(const std::filesystem::path& folder);

}  // namespace pr
