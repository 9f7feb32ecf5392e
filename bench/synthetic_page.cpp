#include "synthetic_page.hpp"

#include <algorithm>
#include <cstdint>

namespace pr::bench {

void paint_page(Image& screen, int page_left, int page_top, int page_width, int page_height) {
  screen.fill(0x5a6e7f);
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  int right = std::min(page_left + page_width, screen.width());
  int bottom = std::min(page_top + page_height, screen.height());
  for (int y = page_top; y < bottom; ++y) {
    for (int x = page_left; x < right; ++x) screen.set_pixel(x, y, 0xffffff);
  }
  // Heading.
  for (int y = page_top + 40; y < std::min(page_top + 90, bottom); ++y) {
    for (int x = page_left + 60; x < std::min(page_left + 600, right); ++x) {
      if ((x / 7 + y / 9) % 3) screen.set_pixel(x, y, 0x1f4e9a);
    }
  }
  // Photo-like block: smooth gradients with some noise.
  for (int y = page_top + 120; y < std::min(page_top + 420, bottom); ++y) {
    for (int x = page_left + 500; x < std::min(page_left + 900, right); ++x) {
      std::uint32_t n = next() & 0x1f;
      std::uint32_t r = ((x - page_left) / 2 + n) & 0xff;
      std::uint32_t g = ((y - page_top) / 2 + n) & 0xff;
      std::uint32_t b = (128 + n * 3) & 0xff;
      screen.set_pixel(x, y, r << 16 | g << 8 | b);
    }
  }
  // Text lines: words of 3..12 glyphs, glyphs 6..9 px wide with strokes.
  for (int line = page_top + 120; line + 14 < bottom; line += 22) {
    int x = page_left + 60;
    int limit = line < page_top + 420 ? page_left + 480 : page_left + page_width - 60;
    while (x < std::min(limit, right)) {
      int glyphs = 3 + static_cast<int>(next() % 10);
      for (int g = 0; g < glyphs && x < std::min(limit, right); ++g) {
        int w = 6 + static_cast<int>(next() % 4);
        std::uint32_t pattern = next();
        for (int dy = 0; dy < 14; ++dy) {
          for (int dx = 0; dx < w && x + dx < right; ++dx) {
            if ((pattern >> ((dx + dy * 3) % 24)) & 1)
              screen.set_pixel(x + dx, line + dy, 0x202020);
          }
        }
        x += w + 1;
      }
      x += 8;
    }
  }
}

}  // namespace pr::bench
