#pragma once

#include "platform/image.hpp"

namespace pr::bench {

// A screen with a document page on it: lines of word-like dark strokes on
// white, a photo-like block, a coloured heading. Deterministic.
void paint_page(Image& screen, int page_left, int page_top, int page_width, int page_height);

}  // namespace pr::bench
