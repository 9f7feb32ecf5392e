#include "harness.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>

#include "app/designs.hpp"
#include "core/system_jpeg_writer.hpp"
#include "platform/files.hpp"
#include "platform/units.hpp"

#ifdef _WIN32
#include <windows.h>

#include "core/gdiplus_writer.hpp"

// The decoding side of gdiplus.dll: the Windows-written files are read back
// with the system's own decoder.
extern "C" {
struct GpRect {
  INT X, Y, Width, Height;
};
struct GpBitmapData {
  UINT Width, Height;
  INT Stride, PixelFormat;
  void* Scan0;
  UINT_PTR Reserved;
};
int WINAPI GdiplusStartup(ULONG_PTR*, const pr::GdiplusApi::StartupInput*, void*);
void WINAPI GdiplusShutdown(ULONG_PTR);
int WINAPI GdipCreateBitmapFromFile(const WCHAR*, void**);
int WINAPI GdipGetImageWidth(void*, UINT*);
int WINAPI GdipGetImageHeight(void*, UINT*);
int WINAPI GdipBitmapLockBits(void*, const GpRect*, UINT, INT, GpBitmapData*);
int WINAPI GdipBitmapUnlockBits(void*, GpBitmapData*);
int WINAPI GdipDisposeImage(void*);
}
#else
#include <turbojpeg.h>
#endif

namespace pr::test {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() /
          ("pagerook-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::uint32_t marker(int x, int y) {
  return static_cast<std::uint32_t>((y & 0xff) << 16 | ((x >> 8 & 0xf) | (y >> 8 & 0xf) << 4) << 8 |
                                    (x & 0xff));
}

void paint_markers(Image& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.set_pixel(x, y, marker(x, y));
  }
}

void paint_smooth(Image& image, int seed) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      int r = (x + seed * 37) / 4 & 0xff;
      int g = (y + seed * 53) / 4 & 0xff;
      int b = ((x / 64 + y / 64 + seed) % 2) ? 200 : 40;
      image.set_pixel(x, y, static_cast<std::uint32_t>(r << 16 | g << 8 | b));
    }
  }
}

void paint_number(Image& image, int x, int y, int n, std::uint32_t ink) {
  static constexpr const char* kGlyphs[10] = {
      "111101101101111", "010110010010111", "111001111100111", "111001111001111",
      "101101111001001", "111100111001111", "111100111101111", "111001001001001",
      "111101111101111", "111101111001111"};
  const std::string digits = std::to_string(n);
  for (std::size_t d = 0; d < digits.size(); ++d) {
    const char* glyph = kGlyphs[digits[d] - '0'];
    for (int cell = 0; cell < 15; ++cell) {
      if (glyph[cell] != '1') continue;
      int cx = x + static_cast<int>(d) * 16 + cell % 3 * 4;
      int cy = y + cell / 3 * 4;
      for (int py = cy; py < cy + 4; ++py) {
        for (int px = cx; px < cx + 4; ++px) image.set_pixel(px, py, ink);
      }
    }
  }
}

Document::Document(HeadlessPlatform& hp, int pages, long long delay, bool same_body)
    : delay_ms(delay), hp_(hp), pages_(pages), same_body_(same_body) {
  show(1);
  hp_.on_keys = [this](const std::vector<KeyChord>& keys) {
    for (const KeyChord& k : keys) {
      if (k.key == Key::Home && k.modifiers == kCtrl) {
        turned_to_ = 1;
        show(1);
      } else if (k.key == Key::PageDown && k.modifiers == 0 && turned_to_ < pages_) {
        int n = ++turned_to_;
        hp_.at(hp_.now() + delay_ms, [this, n] { show(n); });
      }
    }
  };
}

void Document::show(int n) {
  Image& screen = hp_.screen();
  screen.fill(same_body_ ? 0xF0F0F0 : static_cast<std::uint32_t>(0x102030 + n * 0x0B0907));
  for (int x = footer_x; x < footer_x + 48; ++x) {
    for (int y = footer_y; y < footer_y + 20; ++y) screen.set_pixel(x, y, 0xFFFFFF);
  }
  paint_number(screen, footer_x, footer_y, n, 0x000000);
  // The program draws its whole window, whatever changed.
  hp_.damage({0, 0, screen.width(), screen.height()});
  shown_ = n;
}

Harness::Harness(int width, int height, float twips_per_pixel, std::unique_ptr<JpegWriter> writer_)
    : folder(temp.path() / files::from_utf8(kCaptureFolderName)),
      hp(width, height, temp.path(), twips_per_pixel),
      writer(hp.note_writes(writer_ ? std::move(writer_) : make_system_jpeg_writer())),
      program(hp, *writer) {}

void Harness::click_capture() {
  hp.click_button(main_window_id(), 1);
}

void Harness::drag(float x0, float y0, float x1, float y1) {
  WindowId overlay = overlay_id();
  const float tpp = hp.twips_per_pixel();
  auto px = [&](float twips) { return to_pixels(twips, tpp); };
  hp.mouse_down(overlay, 1, px(x0), px(y0));
  hp.mouse_move(overlay, 1, px((x0 + x1) / 2), px((y0 + y1) / 2));
  hp.mouse_move(overlay, 1, px(x1), px(y1));
  hp.mouse_up(overlay, 1, px(x1), px(y1));
}

void Harness::capture(float x0, float y0, float x1, float y1) {
  click_capture();
  drag(x0, y0, x1, y1);
}

std::vector<std::string> Harness::files() const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    names.push_back(files::to_utf8(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

RecordingWriter::RecordingWriter() : real_(make_system_jpeg_writer()) {}

WriteResult RecordingWriter::write(ImageView picture, const std::filesystem::path& path,
                                   unsigned quality, float dpi) {
  qualities.push_back(quality);
  resolutions.push_back(dpi);
  const WriteResult result = real_->write(picture, path, quality, dpi);
  results.push_back(result.written);
  return result;
}

Image decode_jpeg(const std::filesystem::path& path) {
  Image image;
#ifndef _WIN32
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  if (bytes.empty()) return image;
  tjhandle d = tjInitDecompress();
  int w = 0, h = 0, sub = 0, space = 0;
  if (tjDecompressHeader3(d, bytes.data(), bytes.size(), &w, &h, &sub, &space) == 0) {
    image.resize(w, h);
    if (tjDecompress2(d, bytes.data(), bytes.size(), image.row(0), w,
                      static_cast<int>(image.pitch()), h, TJPF_BGRX, 0) != 0) {
      image = Image();
    }
  }
  tjDestroy(d);
#else
  constexpr UINT kReadOnly = 1;
  constexpr INT k32bppRgb = 0x00022009;  // B, G, R, X in memory
  pr::GdiplusApi::StartupInput input{1, nullptr, FALSE, FALSE};
  ULONG_PTR token = 0;
  if (GdiplusStartup(&token, &input, nullptr) != 0) return image;
  void* bitmap = nullptr;
  if (GdipCreateBitmapFromFile(path.c_str(), &bitmap) == 0) {
    UINT w = 0, h = 0;
    GdipGetImageWidth(bitmap, &w);
    GdipGetImageHeight(bitmap, &h);
    GpRect all{0, 0, static_cast<INT>(w), static_cast<INT>(h)};
    GpBitmapData data{};
    if (w && h && GdipBitmapLockBits(bitmap, &all, kReadOnly, k32bppRgb, &data) == 0) {
      image.resize(static_cast<int>(w), static_cast<int>(h));
      for (int y = 0; y < image.height(); ++y) {
        std::memcpy(image.row(y), static_cast<const std::uint8_t*>(data.Scan0) + y * data.Stride,
                    static_cast<std::size_t>(w) * 4);
      }
      GdipBitmapUnlockBits(bitmap, &data);
    }
    GdipDisposeImage(bitmap);
  }
  GdiplusShutdown(token);
#endif
  return image;
}

double mean_difference(ImageView a, ImageView b) {
  if (a.width != b.width || a.height != b.height || a.empty()) return 1e9;
  double sum = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width * 4; ++x) {
      if (x % 4 == 3) continue;
      sum += std::abs(int(a.row(y)[x]) - int(b.row(y)[x]));
    }
  }
  return sum / (3.0 * a.width * a.height);
}

}  // namespace pr::test
