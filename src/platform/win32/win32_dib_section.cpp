#include "platform/win32/win32_dib_section.hpp"

#include <algorithm>
#include <cstring>

#include "platform/report.hpp"

namespace pr::win32 {

DibSection::~DibSection() {
  if (dc_ && original_) SelectObject(dc_.get(), original_);
}

void DibSection::resize(int width, int height) {
  if (bitmap_ && width == width_ && height == height_) return;
  if (!dc_) {
    dc_.reset(CreateCompatibleDC(nullptr));
    if (!dc_) throw_win32_error("CreateCompatibleDC", GetLastError());
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = std::max(width, 1);
  info.bmiHeader.biHeight = -std::max(height, 1);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) throw_win32_error("CreateDIBSection", GetLastError());
  HGDIOBJ previous = SelectObject(dc_.get(), bitmap.get());
  if (!original_) original_ = previous;
  bitmap_ = std::move(bitmap);
  bits_ = static_cast<std::uint8_t*>(bits);
  width_ = width;
  height_ = height;
}

ImageView DibSection::view() const {
  GdiFlush();
  return {bits_, width_, height_, pitch()};
}

void DibSection::assign(ImageView picture) {
  GdiFlush();
  int w = std::min(picture.width, width_);
  int h = std::min(picture.height, height_);
  if (w <= 0 || h <= 0) return;
  for (int y = 0; y < h; ++y) {
    std::memcpy(bits_ + y * pitch(), picture.row(y), static_cast<std::size_t>(w) * 4);
  }
}

ImageView ScreenCopier::copy(int left, int top, int width, int height) {
  dib_.resize(width, height);
  HDC screen = GetDC(nullptr);
  if (!screen) throw_win32_error("GetDC", GetLastError());
  BOOL ok = BitBlt(dib_.dc(), 0, 0, width, height, screen, left, top, SRCCOPY);
  DWORD err = GetLastError();
  ReleaseDC(nullptr, screen);
  if (!ok) throw_win32_error("BitBlt", err);
  return dib_.view();
}

}  // namespace pr::win32
