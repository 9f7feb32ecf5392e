#pragma once

#include "platform/image.hpp"

namespace pr {

// A change confined to a box this small is a blinking text cursor, not a new
// page; anything wider or taller (a footer's page number) is a change.
inline constexpr int kCaretMaxWidth = 3;
inline constexpr int kCaretMaxHeight = 64;

// Whether `now` shows the same page as `before`: the same size, and every
// pixel that differs lies inside one caret-sized box. Raw pixels, colour
// bytes only (the fourth byte of a pixel is padding).
bool same_page(ImageView before, ImageView now);

// Makes `copy` hold the pixels of `picture`, reusing its allocation.
void keep_copy(Image& copy, ImageView picture);

}  // namespace pr
