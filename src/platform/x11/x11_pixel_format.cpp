#include "platform/x11/x11_pixel_format.hpp"

#include <bit>

namespace pr::x11 {

namespace {

std::uint32_t read_pixel(const std::uint8_t* p, int bytes, bool msb_first) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) {
    int shift = msb_first ? (bytes - 1 - i) * 8 : i * 8;
    v |= static_cast<std::uint32_t>(p[i]) << shift;
  }
  return v;
}

// Scales the masked channel of `v` to 8 bits.
std::uint8_t channel(std::uint32_t v, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = std::countr_zero(mask);
  int bits = std::popcount(mask);
  std::uint32_t c = (v & mask) >> shift;
  std::uint32_t max = (bits >= 32) ? 0xffffffffu : (1u << bits) - 1;
  return static_cast<std::uint8_t>((static_cast<std::uint64_t>(c) * 255 + max / 2) / max);
}

}  // namespace

bool is_bgrx(const PixelFormat& f) {
  // LSBFirst puts the blue byte, the lowest of the pixel value, first.
  return f.bits_per_pixel == 32 && !f.msb_first && f.red_mask == 0xff0000 &&
         f.green_mask == 0xff00 && f.blue_mask == 0xff;
}

void convert_to_bgrx(const std::uint8_t* src, std::ptrdiff_t pitch, int width, int height,
                     const PixelFormat& format, Image& dst) {
  dst.resize(width, height);
  const int bytes = format.bits_per_pixel / 8;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = src + y * pitch;
    std::uint8_t* out = dst.row(y);
    for (int x = 0; x < width; ++x) {
      std::uint32_t v = read_pixel(in + x * bytes, bytes, format.msb_first);
      out[4 * x + 0] = channel(v, format.blue_mask);
      out[4 * x + 1] = channel(v, format.green_mask);
      out[4 * x + 2] = channel(v, format.red_mask);
      out[4 * x + 3] = 0;
    }
  }
}

}  // namespace pr::x11
