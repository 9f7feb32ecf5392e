#include "core/page_compare.hpp"

#include <algorithm>
#include <cstring>

namespace pr {

namespace {
constexpr std::uint32_t kColourBytes = 0x00FFFFFF;

std::uint32_t load(const std::uint8_t* at) {
  std::uint32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}
}  // namespace

bool same_page(ImageView before, ImageView now) {
  if (before.width != now.width || before.height != now.height) return false;
  const std::size_t row_bytes = static_cast<std::size_t>(now.width) * 4;
  int left = now.width, right = -1, top = -1;
  for (int y = 0; y < now.height; ++y) {
    const std::uint8_t* a = before.row(y);
    const std::uint8_t* b = now.row(y);
    // Whole rows first: nearly every row of an unchanged page is equal.
    if (std::memcmp(a, b, row_bytes) == 0) continue;
    for (int x = 0; x < now.width; ++x) {
      if (((load(a + x * 4) ^ load(b + x * 4)) & kColourBytes) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      if (top < 0) top = y;
      if (right - left + 1 > kCaretMaxWidth || y - top + 1 > kCaretMaxHeight) return false;
    }
  }
  return true;
}

void keep_copy(Image& copy, ImageView picture) {
  copy.resize(picture.width, picture.height);
  const std::size_t row_bytes = static_cast<std::size_t>(picture.width) * 4;
  for (int y = 0; y < picture.height; ++y) std::memcpy(copy.row(y), picture.row(y), row_bytes);
}

}  // namespace pr
