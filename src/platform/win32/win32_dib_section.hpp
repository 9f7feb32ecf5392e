#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/image.hpp"
#include "platform/win32/win32_handles.hpp"

namespace pr::win32 {

// A top-down 32-bit DIB section selected into its own memory DC. Resizing to
// the size it already has keeps the bitmap.
class DibSection {
 public:
  DibSection() = default;
  ~DibSection();
  DibSection(const DibSection&) = delete;
  DibSection& operator=(const DibSection&) = delete;

  // Throws a platform error with the system's words when GDI refuses.
  void resize(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }
  HDC dc() const { return dc_.get(); }
  std::uint8_t* bits() { return bits_; }
  std::ptrdiff_t pitch() const { return static_cast<std::ptrdiff_t>(width_) * 4; }
  // The pixels as they are once GDI has finished drawing into them.
  ImageView view() const;
  // Copies `picture` in at the top-left corner, clipped to this bitmap.
  void assign(ImageView picture);

 private:
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ original_ = nullptr;
  std::uint8_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// The whole desktop copied with BitBlt into one DIB section that lives as
// long as this object; it is made again only when the desktop's size changes.
class ScreenCopier {
 public:
  // The rectangle at (left, top) of the virtual screen, whose origin is the
  // primary monitor's corner (monitors left of or above it are negative).
  ImageView copy(int left, int top, int width, int height);

 private:
  DibSection dib_;
};

}  // namespace pr::win32
