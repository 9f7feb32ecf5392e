#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/gdiplus_writer.hpp"
#include "platform/errors.hpp"
#include "platform/image.hpp"
#include "platform/report.hpp"

namespace pr {
namespace {

namespace fs = std::filesystem;

// What the writer handed to GDI+, recorded by a fake binding.
struct Record {
  std::vector<std::string> calls;
  int startup_status = 0;
  int bitmap_status = 0;
  int save_status = 0;

  GdiplusApi::StartupInput startup{};
  bool startup_output_null = false;
  HBITMAP hbitmap = nullptr;
  HPALETTE palette = reinterpret_cast<HPALETTE>(1);
  BITMAP dib{};
  std::uint32_t dib_first_pixel = 0;
  std::uint32_t dib_last_pixel = 0;
  std::vector<std::wstring> clsid_texts;
  const void* saved_image = nullptr;
  fs::path saved_path;
  CLSID encoder{};
  UINT count = 0;
  GUID parameter{};
  ULONG values = 0;
  ULONG type = 0;
  std::uint32_t quality_cell = 0xdeadbeef;
  const void* disposed = nullptr;
  ULONG_PTR shutdown_token = 0;
  const void* resolution_image = nullptr;
  float xdpi = 0, ydpi = 0;
};

Record* record = nullptr;

const ULONG_PTR kToken = 0x7e57;
void* const kBitmap = reinterpret_cast<void*>(0xb17);

GdiplusApi::Status WINAPI fake_startup(ULONG_PTR* token, const GdiplusApi::StartupInput* input,
                                       void* output) {
  record->calls.push_back("GdiplusStartup");
  record->startup = *input;
  record->startup_output_null = output == nullptr;
  *token = kToken;
  return record->startup_status;
}

GdiplusApi::Status WINAPI fake_create(HBITMAP hbitmap, HPALETTE palette, void** bitmap) {
  record->calls.push_back("GdipCreateBitmapFromHBITMAP");
  record->hbitmap = hbitmap;
  record->palette = palette;
  DIBSECTION section{};
  if (GetObjectW(hbitmap, sizeof(section), &section) == sizeof(section)) {
    record->dib = section.dsBm;
    const auto* bits = static_cast<const std::uint8_t*>(section.dsBm.bmBits);
    std::memcpy(&record->dib_first_pixel, bits, 4);
    std::memcpy(&record->dib_last_pixel,
                bits + (section.dsBm.bmHeight - 1) * section.dsBm.bmWidthBytes +
                    (section.dsBm.bmWidth - 1) * 4,
                4);
  }
  *bitmap = record->bitmap_status == 0 ? kBitmap : nullptr;
  return record->bitmap_status;
}

HRESULT WINAPI fake_clsid(LPCOLESTR text, CLSID* clsid) {
  record->calls.push_back("CLSIDFromString");
  record->clsid_texts.emplace_back(text);
  return CLSIDFromString(text, clsid);
}

GdiplusApi::Status WINAPI fake_save(void* image, const WCHAR* file, const CLSID* encoder,
                                    const GdiplusApi::EncoderParameters* parameters) {
  record->calls.push_back("GdipSaveImageToFile");
  record->saved_image = image;
  record->saved_path = file;
  record->encoder = *encoder;
  record->count = parameters->Count;
  record->parameter = parameters->Parameter[0].Guid;
  record->values = parameters->Parameter[0].NumberOfValues;
  record->type = parameters->Parameter[0].Type;
  std::memcpy(&record->quality_cell, parameters->Parameter[0].Value, 4);
  // Like GDI+, leave what was written so far even when the save fails.
  std::ofstream(fs::path(file), std::ios::binary) << "JPEG?";
  return record->save_status;
}

GdiplusApi::Status WINAPI fake_dispose(void* image) {
  record->calls.push_back("GdipDisposeImage");
  record->disposed = image;
  return 0;
}

void WINAPI fake_shutdown(ULONG_PTR token) {
  record->calls.push_back("GdiplusShutdown");
  record->shutdown_token = token;
}

GdiplusApi::Status WINAPI fake_resolution(void* bitmap, float xdpi, float ydpi) {
  record->calls.push_back("GdipBitmapSetResolution");
  record->resolution_image = bitmap;
  record->xdpi = xdpi;
  record->ydpi = ydpi;
  return 0;
}

const GdiplusApi kFake{fake_startup, fake_create,   fake_clsid,     fake_save,
                       fake_dispose, fake_shutdown, fake_resolution};

GUID guid(const wchar_t* text) {
  GUID g;
  EXPECT_EQ(CLSIDFromString(text, &g), S_OK);
  return g;
}

const std::vector<std::string> kFullRound = {
    "GdiplusStartup",  "GdipCreateBitmapFromHBITMAP", "GdipBitmapSetResolution", "CLSIDFromString",
    "CLSIDFromString", "GdipSaveImageToFile",         "GdipDisposeImage",        "GdiplusShutdown"};

struct GdiplusWriter : ::testing::Test {
  GdiplusWriter() : writer(&kFake) {
    record = &rec;
    std::random_device rd;
    folder = fs::temp_directory_path() / ("pagerook-gdiplus-" + std::to_string(rd()));
    fs::create_directories(folder);
    picture.resize(7, 3);
    picture.fill(0x102030);
  }
  ~GdiplusWriter() override {
    record = nullptr;
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  std::vector<fs::path> entries() const {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename());
    return out;
  }

  Record rec;
  GdiplusJpegWriter writer;
  fs::path folder;
  Image picture;
};

TEST_F(GdiplusWriter, OneSaveCallsGdiplusInOrderWithItsArguments) {
  const fs::path target = folder / L"截图 0.jpg";
  ASSERT_TRUE(writer.write(picture.view(), target, 80, 120));

  EXPECT_EQ(rec.calls, kFullRound);
  EXPECT_EQ(rec.startup.GdiplusVersion, 1u);
  EXPECT_EQ(rec.startup.DebugEventCallback, nullptr);
  EXPECT_EQ(rec.startup.SuppressBackgroundThread, FALSE);
  EXPECT_EQ(rec.startup.SuppressExternalCodecs, FALSE);
  EXPECT_TRUE(rec.startup_output_null);
  EXPECT_EQ(rec.palette, nullptr);
  EXPECT_EQ(rec.resolution_image, kBitmap);
  EXPECT_EQ(rec.xdpi, 120.0f);
  EXPECT_EQ(rec.ydpi, 120.0f);

  EXPECT_EQ(rec.clsid_texts,
            (std::vector<std::wstring>{L"{557CF401-1A04-11D3-9A73-0000F81EF32E}",
                                       L"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}"}));
  EXPECT_TRUE(IsEqualGUID(rec.encoder, guid(L"{557CF401-1A04-11D3-9A73-0000F81EF32E}")));
  EXPECT_EQ(rec.count, 1u);
  EXPECT_TRUE(IsEqualGUID(rec.parameter, guid(L"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}")));
  EXPECT_EQ(rec.values, 1u);
  EXPECT_EQ(rec.type, 4u);
  EXPECT_EQ(rec.quality_cell, 80u);

  EXPECT_EQ(rec.saved_image, kBitmap);
  EXPECT_EQ(rec.disposed, kBitmap);
  EXPECT_EQ(rec.shutdown_token, kToken);

  // GDI+ wrote a hidden name beside the target, which was then renamed.
  EXPECT_EQ(rec.saved_path.parent_path(), folder);
  EXPECT_EQ(rec.saved_path.filename().wstring().rfind(L".~", 0), 0u);
  EXPECT_EQ(entries(), std::vector<fs::path>{L"截图 0.jpg"});
}

// Orientation shows only in a decoded file: see gdiplus_system_test.
TEST_F(GdiplusWriter, TheBitmapIsACopyOfTheViewsRowsDeletedAfterwards) {
  Image wide(10, 4);
  wide.fill(0);
  wide.set_pixel(3, 1, 0x445566);
  wide.set_pixel(5, 3, 0x778899);
  ASSERT_TRUE(writer.write(wide.view().crop(3, 1, 3, 3), folder / "0.jpg", 80, 96));
  EXPECT_EQ(rec.dib.bmWidth, 3);
  EXPECT_EQ(rec.dib.bmHeight, 3);
  EXPECT_EQ(rec.dib.bmBitsPixel, 32);
  EXPECT_EQ(rec.dib_first_pixel & 0xffffff, 0x445566u);
  EXPECT_EQ(rec.dib_last_pixel & 0xffffff, 0x778899u);
  EXPECT_EQ(GetObjectType(rec.hbitmap), 0u) << "the DIB section outlived the save";
}

TEST_F(GdiplusWriter, TheQualityByteReachesTheEncoderAsA32BitValue) {
  for (unsigned quality : {0u, 1u, 100u, 101u, 255u}) {
    SCOPED_TRACE(quality);
    rec.quality_cell = 0xdeadbeef;
    ASSERT_TRUE(
        writer.write(picture.view(), folder / (std::to_string(quality) + ".jpg"), quality, 96));
    EXPECT_EQ(rec.quality_cell, quality);
  }
}

TEST_F(GdiplusWriter, EachFailureUndoesWhatWasStartedAndLeavesNoFile) {
  struct Case {
    const char* name;
    int startup, bitmap, save;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"startup fails", 2, 0, 0, {"GdiplusStartup"}},
      {"bitmap fails",
       0,
       2,
       0,
       {"GdiplusStartup", "GdipCreateBitmapFromHBITMAP", "GdiplusShutdown"}},
      {"save fails", 0, 0, 7, kFullRound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rec = Record{};
    rec.startup_status = c.startup;
    rec.bitmap_status = c.bitmap;
    rec.save_status = c.save;
    EXPECT_FALSE(writer.write(picture.view(), folder / "0.jpg", 80, 96));
    EXPECT_EQ(rec.calls, c.calls);
    EXPECT_EQ(rec.disposed, c.save ? kBitmap : nullptr);
    EXPECT_EQ(rec.shutdown_token, c.startup ? 0 : kToken);
    EXPECT_TRUE(entries().empty()) << "a failed save left a file";
  }
}

TEST_F(GdiplusWriter, AFailedSaveSaysWhichFileAndGdiplusWords) {
  std::vector<std::string> lines;
  set_report_sink([&](std::string_view line) { lines.emplace_back(line); });
  rec.save_status = 10;
  const bool written = writer.write(picture.view(), folder / "0.jpg", 80, 96).written;
  rec.save_status = 99;
  writer.write(picture.view(), folder / "1.jpg", 80, 96);
  set_report_sink({});
  EXPECT_FALSE(written);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find(".~0.jpg"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("FileNotFound"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("status 99"), std::string::npos) << lines[1];
}

TEST_F(GdiplusWriter, ASecondSaveStartsGdiplusAgainWhateverTheFirstDid) {
  rec.save_status = 10;
  EXPECT_FALSE(writer.write(picture.view(), folder / "0.jpg", 80, 96));
  rec.save_status = 0;
  EXPECT_TRUE(writer.write(picture.view(), folder / "1.jpg", 80, 96));
  std::vector<std::string> twice = kFullRound;
  twice.insert(twice.end(), kFullRound.begin(), kFullRound.end());
  EXPECT_EQ(rec.calls, twice);
  EXPECT_EQ(entries(), std::vector<fs::path>{"1.jpg"});
}

TEST_F(GdiplusWriter, NothingReachesGdiplusForAQualityAboveAByteOrAnEmptyPicture) {
  try {
    writer.write(picture.view(), folder / "0.jpg", 256, 96);
    ADD_FAILURE() << "quality 256 accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), std::errc::result_out_of_range);
  }
  EXPECT_FALSE(writer.write(ImageView{}, folder / "0.jpg", 80, 96));
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_TRUE(entries().empty());
}

}  // namespace
}  // namespace pr
