#include "platform/image.hpp"

#include <algorithm>
#include <cstring>

namespace pr {

std::uint32_t ImageView::pixel(int x, int y) const {
  const std::uint8_t* p = row(y) + x * 4;
  return static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

ImageView ImageView::crop(int x, int y, int w, int h) const {
  int x0 = std::clamp(x, 0, width);
  int y0 = std::clamp(y, 0, height);
  int x1 = std::clamp(x + std::max(w, 0), 0, width);
  int y1 = std::clamp(y + std::max(h, 0), 0, height);
  if (x1 <= x0 || y1 <= y0) return {pixels, 0, 0, pitch, left + x0, top + y0};
  return {row(y0) + x0 * 4, x1 - x0, y1 - y0, pitch, left + x0, top + y0};
}

void Image::resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  std::size_t bytes = static_cast<std::size_t>(width_) * height_ * 4;
  if (data_.size() < bytes) data_.resize(bytes);
}

void Image::fill(std::uint32_t rgb) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) set_pixel(x, y, rgb);
  }
}

void Image::set_pixel(int x, int y, std::uint32_t rgb) {
  std::uint8_t* p = row(y) + x * 4;
  p[0] = rgb & 0xff;
  p[1] = (rgb >> 8) & 0xff;
  p[2] = (rgb >> 16) & 0xff;
  p[3] = 0;
}

void paint_picture(Image& dst, ImageView src, int dx, int dy, int dw, int dh, int sx, int sy,
                   int sw, int sh) {
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || src.empty()) return;
  sx -= src.left;
  sy -= src.top;
  if (dw == sw && dh == sh) {
    // 1:1: whole rows at a time.
    int x0 = std::max({0, dx, dx - sx});
    int x1 = std::min({dst.width(), dx + dw, dx + (src.width - sx)});
    if (x1 <= x0) return;
    for (int y = 0; y < dh; ++y) {
      int ty = dy + y;
      int fy = sy + y;
      if (ty < 0 || ty >= dst.height() || fy < 0 || fy >= src.height) continue;
      std::memcpy(dst.row(ty) + x0 * 4, src.row(fy) + (x0 - dx + sx) * 4,
                  static_cast<std::size_t>(x1 - x0) * 4);
    }
    return;
  }
  for (int y = 0; y < dh; ++y) {
    int ty = dy + y;
    if (ty < 0 || ty >= dst.height()) continue;
    int fy = sy + static_cast<int>(static_cast<long long>(y) * sh / dh);
    if (fy < 0 || fy >= src.height) continue;
    for (int x = 0; x < dw; ++x) {
      int tx = dx + x;
      int fx = sx + static_cast<int>(static_cast<long long>(x) * sw / dw);
      if (tx < 0 || tx >= dst.width() || fx < 0 || fx >= src.width) continue;
      std::memcpy(dst.row(ty) + tx * 4, src.row(fy) + fx * 4, 4);
    }
  }
}

}  // namespace pr
