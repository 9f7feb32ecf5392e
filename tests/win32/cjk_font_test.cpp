#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct ObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using Dc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
using Object = std::unique_ptr<void, ObjectDeleter>;

// The pixels of one character drawn black on white in the dialog font at 24 px.
std::vector<std::uint32_t> draw(const wchar_t* face, wchar_t c) {
  constexpr int kSize = 32;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(info.bmiHeader), kSize, -kSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  Object dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  Dc dc(CreateCompatibleDC(nullptr));
  Object font(CreateFontW(-24, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                          DEFAULT_PITCH, face));
  EXPECT_TRUE(dib && dc && font);
  if (!dib || !dc || !font) return {};
  SelectObject(dc.get(), dib.get());
  SelectObject(dc.get(), font.get());
  RECT all{0, 0, kSize, kSize};
  FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetTextColor(dc.get(), RGB(0, 0, 0));
  SetBkMode(dc.get(), TRANSPARENT);
  TextOutW(dc.get(), 2, 2, &c, 1);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  return {p, p + kSize * kSize};
}

int ink(const std::vector<std::uint32_t>& pixels) {
  int n = 0;
  for (std::uint32_t p : pixels) n += (p & 0xffffff) != 0xffffff;
  return n;
}

// The prefix links the UI fonts to a CJK font: the caption "截图" must come
// out as two different glyphs, not as two identical boxes.
TEST(PrefixFonts, ChineseTextInTheUiFontsDrawsRealGlyphs) {
  const std::pair<const wchar_t*, const char*> faces[] = {{L"MS Shell Dlg", "MS Shell Dlg"},
                                                          {L"MS Shell Dlg 2", "MS Shell Dlg 2"},
                                                          {L"Tahoma", "Tahoma"},
                                                          {L"SimSun", "SimSun"}};
  for (auto [face, name] : faces) {
    SCOPED_TRACE(name);
    std::vector<std::uint32_t> jie = draw(face, L'截');
    std::vector<std::uint32_t> tu = draw(face, L'图');
    std::vector<std::uint32_t> missing = draw(face, L'\xE000');
    EXPECT_GT(ink(jie), 20);
    EXPECT_GT(ink(tu), 20);
    EXPECT_NE(jie, tu) << "both characters drew the same shape";
    EXPECT_NE(jie, missing) << "截 drew the missing-glyph shape";
  }
}

}  // namespace
