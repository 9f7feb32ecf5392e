#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pr {

// A block of 32-bit pixels, bytes B, G, R, X in memory, rows `pitch` bytes apart.
// A view owns nothing: a crop of a view is a view into the same pixels, and
// remembers where it lies in the picture it was cut from (`left`, `top`).
struct ImageView {
  const std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t pitch = 0;
  int left = 0;
  int top = 0;

  bool empty() const { return width <= 0 || height <= 0; }
  const std::uint8_t* row(int y) const { return pixels + y * pitch; }
  std::uint32_t pixel(int x, int y) const;  // 0x00RRGGBB
  // The part of this view inside the rectangle; clipped to the view.
  ImageView crop(int x, int y, int w, int h) const;
};

// An image that owns its pixels, tightly packed.
class Image {
 public:
  Image() = default;
  Image(int width, int height) { resize(width, height); }

  // Keeps the allocation when it is large enough, so a picture resized to the
  // same size over and over never allocates again.
  void resize(int width, int height);
  void fill(std::uint32_t rgb);
  std::uint8_t* row(int y) { return data_.data() + y * pitch(); }
  void set_pixel(int x, int y, std::uint32_t rgb);
  std::uint32_t pixel(int x, int y) const { return view().pixel(x, y); }
  int width() const { return width_; }
  int height() const { return height_; }
  std::ptrdiff_t pitch() const { return static_cast<std::ptrdiff_t>(width_) * 4; }
  ImageView view() const { return {data_.data(), width_, height_, pitch()}; }

 private:
  std::vector<std::uint8_t> data_;
  int width_ = 0;
  int height_ = 0;
};

// Copies the source rectangle (sx, sy, sw, sh), in the coordinates of the
// picture the source view was cut from, onto the destination rectangle
// (dx, dy, dw, dh), in pixels; stretches (nearest pixel) when the sizes differ.
// Source pixels outside the source image and destination pixels outside the
// destination are left alone.
void paint_picture(Image& dst, ImageView src, int dx, int dy, int dw, int dh, int sx, int sy,
                   int sw, int sh);

}  // namespace pr
