#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/image.hpp"

namespace pr::x11 {

// How a server image lays out its pixels (the fields of an XImage that matter).
struct PixelFormat {
  int bits_per_pixel = 32;
  bool msb_first = false;  // byte order of a pixel in memory
  std::uint32_t red_mask = 0xff0000, green_mask = 0xff00, blue_mask = 0xff;
};

// Whether the rows can be used as they are: bytes B, G, R, X in memory.
bool is_bgrx(const PixelFormat& format);

// Converts rows of another format into `dst` (resized to width x height).
// Channels narrower than 8 bits are scaled to the full 0..255 range.
void convert_to_bgrx(const std::uint8_t* src, std::ptrdiff_t pitch, int width, int height,
                     const PixelFormat& format, Image& dst);

}  // namespace pr::x11
