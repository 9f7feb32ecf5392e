#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "core/gdiplus_writer.hpp"
#include "core/jpeg_header.hpp"
#include "core/system_jpeg_writer.hpp"
#include "platform/image.hpp"

// The decoding side of gdiplus.dll, for reading the files back.
extern "C" {
int WINAPI GdiplusStartup(ULONG_PTR*, const pr::GdiplusApi::StartupInput*, void*);
void WINAPI GdiplusShutdown(ULONG_PTR);
int WINAPI GdipCreateBitmapFromFile(const WCHAR*, void**);
int WINAPI GdipGetImageWidth(void*, UINT*);
int WINAPI GdipGetImageHeight(void*, UINT*);
int WINAPI GdipGetImageRawFormat(void*, GUID*);
int WINAPI GdipBitmapGetPixel(void*, INT, INT, DWORD*);
int WINAPI GdipDisposeImage(void*);
}

namespace pr {
namespace {

namespace fs = std::filesystem;

const fs::path kFolder = L"C:\\截图";

struct Decoded {
  UINT width = 0, height = 0;
  GUID format{};
  std::vector<DWORD> probes;  // ARGB at the probe points
};

Decoded decode(const fs::path& file, std::initializer_list<std::pair<int, int>> points) {
  Decoded out;
  GdiplusApi::StartupInput input{1, nullptr, FALSE, FALSE};
  ULONG_PTR token = 0;
  EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), 0);
  void* bitmap = nullptr;
  EXPECT_EQ(GdipCreateBitmapFromFile(file.c_str(), &bitmap), 0) << file.string();
  if (bitmap) {
    GdipGetImageWidth(bitmap, &out.width);
    GdipGetImageHeight(bitmap, &out.height);
    GdipGetImageRawFormat(bitmap, &out.format);
    for (auto [x, y] : points) {
      DWORD argb = 0;
      GdipBitmapGetPixel(bitmap, x, y, &argb);
      out.probes.push_back(argb);
    }
    GdipDisposeImage(bitmap);
  }
  GdiplusShutdown(token);
  return out;
}

// Each channel within a JPEG's error of the expected colour.
bool close_to(DWORD argb, std::uint32_t rgb) {
  for (int shift : {0, 8, 16}) {
    int a = static_cast<int>(argb >> shift & 0xff), b = static_cast<int>(rgb >> shift & 0xff);
    if (std::abs(a - b) > 24) return false;
  }
  return true;
}

Image quadrants(int w, int h) {
  Image image(w, h);
  const std::uint32_t colours[4] = {0xc00000, 0x00a000, 0x0000c0, 0xffffff};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.set_pixel(x, y, colours[(y >= h / 2) * 2 + (x >= w / 2)]);
  return image;
}

TEST(SystemGdiplus, WritesDecodableJpegsAtTheUnicodeCaptureFolder) {
  std::error_code ignored;
  fs::remove_all(kFolder, ignored);
  ASSERT_TRUE(fs::create_directory(kFolder));
  std::unique_ptr<JpegWriter> writer = make_system_jpeg_writer();

  // Two saves in a row, the second with an odd width so rows need no padding help.
  Image first = quadrants(64, 40);
  ASSERT_TRUE(writer->write(first.view(), kFolder / L"0.jpg", 80, 120));
  Image second = quadrants(33, 17);
  ASSERT_TRUE(writer->write(second.view(), kFolder / L"1.jpg", 80, 96));

  // The header states the screen's resolution for readers of the file.
  JpegHeader header = read_jpeg_header(kFolder / L"0.jpg");
  EXPECT_EQ(header.problem, "");
  EXPECT_EQ(header.dpi_x, 120);
  EXPECT_EQ(header.dpi_y, 120);

  Decoded a = decode(kFolder / L"0.jpg", {{8, 5}, {56, 5}, {8, 35}, {56, 35}});
  EXPECT_EQ(a.width, 64u);
  EXPECT_EQ(a.height, 40u);
  GUID jpeg;
  CLSIDFromString(L"{B96B3CAE-0728-11D3-9D7B-0000F81EF32E}", &jpeg);
  EXPECT_TRUE(IsEqualGUID(a.format, jpeg)) << "not a JPEG";
  ASSERT_EQ(a.probes.size(), 4u);
  // The right way up and the right way round.
  EXPECT_TRUE(close_to(a.probes[0], 0xc00000)) << std::hex << a.probes[0];
  EXPECT_TRUE(close_to(a.probes[1], 0x00a000)) << std::hex << a.probes[1];
  EXPECT_TRUE(close_to(a.probes[2], 0x0000c0)) << std::hex << a.probes[2];
  EXPECT_TRUE(close_to(a.probes[3], 0xffffff)) << std::hex << a.probes[3];

  Decoded b = decode(kFolder / L"1.jpg", {{2, 14}});
  EXPECT_EQ(b.width, 33u);
  EXPECT_EQ(b.height, 17u);
  ASSERT_EQ(b.probes.size(), 1u);
  EXPECT_TRUE(close_to(b.probes[0], 0x0000c0)) << std::hex << b.probes[0];

  std::vector<fs::path> names;
  for (const auto& e : fs::directory_iterator(kFolder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<fs::path>{L"0.jpg", L"1.jpg"}));
}

TEST(SystemGdiplus, AFileThatCannotBeCreatedFailsAndLeavesNothing) {
  std::unique_ptr<JpegWriter> writer = make_system_jpeg_writer();
  Image picture = quadrants(20, 10);
  const fs::path missing = kFolder / L"不存在";
  EXPECT_FALSE(writer->write(picture.view(), missing / L"0.jpg", 80, 96));
  EXPECT_FALSE(fs::exists(missing));
  // And the writer still works afterwards.
  const fs::path scratch = fs::temp_directory_path() / L"pagerook-截图-scratch.jpg";
  EXPECT_TRUE(writer->write(picture.view(), scratch, 80, 96));
  EXPECT_TRUE(fs::remove(scratch));
}

}  // namespace
}  // namespace pr
