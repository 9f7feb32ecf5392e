#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>

#include "core/page_store.hpp"
#include "core/system_jpeg_writer.hpp"
#include "harness.hpp"
#include "platform/errors.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"

#ifdef _WIN32
#include <windows.h>
#endif

namespace pr {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& p) {
  std::ofstream(p) << "x";
}

// A harness whose capture picture holds a 20 x 10 pixel crop of smooth content.
struct StoreTest : ::testing::Test {
  StoreTest()
      : recorder(new test::RecordingWriter),
        h(1920, 1080, 15, std::unique_ptr<JpegWriter>(recorder)) {
    Image content(20, 10);
    test::paint_smooth(content, 1);
    PictureBox& picture = h.main_window().last_picture;
    picture.set_width(20);
    picture.set_height(10);
    picture.draw_picture(content.view(), 0, 0, 20, 10, 0, 0, 20, 10);
  }
  void save() { h.program.save_capture(); }
  bool has_temp_files() const {
    for (const auto& e : fs::directory_iterator(h.folder)) {
      if (files::to_utf8(e.path().filename()).rfind(".~", 0) == 0) return true;
    }
    return false;
  }

  test::RecordingWriter* recorder;
  test::Harness h;
};

TEST_F(StoreTest, NumbersFromTheCountOfVisibleFiles) {
  ASSERT_FALSE(fs::exists(h.folder));
  save();  // missing folder: created, 0.jpg
  save();
  save();
  EXPECT_EQ(h.files(), (std::vector<std::string>{"0.jpg", "1.jpg", "2.jpg"}));
  // Whatever else comes into the folder between two pages counts. The
  // folder's time says so; a Linux that keeps times coarsely may give the
  // same time within a few milliseconds, so it is set apart here (Windows
  // keeps 100 ns and refuses to set a folder's time through this call).
  auto changed_by_others = [&] {
    std::error_code refused;
    fs::last_write_time(h.folder, fs::last_write_time(h.folder) + std::chrono::seconds(5), refused);
  };
  touch(h.folder / "a.txt");
  touch(h.folder / "b.txt");
  changed_by_others();
  save();
  EXPECT_TRUE(fs::exists(h.folder / "5.jpg"));

  fs::remove_all(h.folder);
  fs::create_directory(h.folder);
  touch(h.folder / "notes.txt");
  touch(h.folder / "report.doc");
  touch(h.folder / "noext");
  touch(h.folder / ".hidden");
  fs::create_directory(h.folder / "sub");
  changed_by_others();
  save();
  EXPECT_TRUE(fs::exists(h.folder / "3.jpg"));  // three files counted, none a picture
}

TEST_F(StoreTest, NeverOverwritesAFileWithTheCountedNumber) {
  fs::create_directory(h.folder);
  std::ofstream(h.folder / "0.jpg") << "first";
  std::ofstream(h.folder / "2.jpg") << "third";
  save();  // count 2, but 2.jpg is taken: 3.jpg
  EXPECT_EQ(h.files(), (std::vector<std::string>{"0.jpg", "2.jpg", "3.jpg"}));
  std::ifstream kept(h.folder / "2.jpg");
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "third");
}

TEST_F(StoreTest, SavedJpegIsThePictureAtItsPixelSize) {
  save();
  Image decoded = test::decode_jpeg(h.folder / "0.jpg");
  ASSERT_EQ(decoded.width(), 20);
  ASSERT_EQ(decoded.height(), 10);
  EXPECT_LT(test::mean_difference(decoded.view(), h.main_window().last_picture.picture()), 4.0);
  EXPECT_FALSE(has_temp_files());
}

TEST_F(StoreTest, EmptyPictureSavesNothingNotEvenTheFolder) {
  for (auto [w, hgt] : {std::pair{9, 20}, {20, 9}, {9, 9}}) {  // 9 px: 135 twips
    h.main_window().last_picture.set_width(w);
    h.main_window().last_picture.set_height(hgt);
    save();
    EXPECT_FALSE(fs::exists(h.folder));
  }
  EXPECT_TRUE(recorder->qualities.empty());
  EXPECT_FALSE(h.program.preview_loaded());
}

TEST_F(StoreTest, Qualities) {
  struct Case {
    int option;
    bool reaches_writer;
    unsigned quality;
    bool file;
  };
  const Case cases[] = {
      {80, true, 80, true},    {0, true, 0, true},     {100, true, 100, true},
      {102, true, 102, false}, {300, false, 0, false}, {40000, false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option);
    recorder->qualities.clear();
    if (fs::exists(h.folder)) fs::remove_all(h.folder);
    h.main_window().options.jpeg_quality = c.option;
    if (c.reaches_writer) {
      save();
      ASSERT_EQ(recorder->qualities.size(), 1u);
      EXPECT_EQ(recorder->qualities[0], c.quality);
    } else {
      try {
        save();
        FAIL() << "no overflow";
      } catch (const Error& e) {
        EXPECT_EQ(e.code(), std::errc::result_out_of_range);
      }
      EXPECT_TRUE(recorder->qualities.empty());
    }
    bool file_decided = true;
#ifdef _WIN32
    // Above 100 the encoder decides; GDI+ may accept what TurboJPEG refuses.
    file_decided = c.quality <= 100;
#endif
    if (file_decided) {
      EXPECT_EQ(fs::exists(h.folder / "0.jpg"), c.file);
    }
    EXPECT_FALSE(has_temp_files());
  }
}

TEST_F(StoreTest, LowerQualityMakesASmallerFile) {
#ifdef _WIN32
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
    GTEST_SKIP() << "Wine's GDI+ encodes every JPEG at one quality";
#endif
  h.main_window().options.jpeg_quality = 95;
  save();
  h.main_window().options.jpeg_quality = 0;
  save();
  EXPECT_GT(fs::file_size(h.folder / "0.jpg"), fs::file_size(h.folder / "1.jpg"));
}

TEST_F(StoreTest, APlainFileNamedLikeTheFolder) {
  touch(h.folder);
  EXPECT_THROW(save(), Error);
  EXPECT_TRUE(fs::is_regular_file(h.folder));
  EXPECT_TRUE(recorder->qualities.empty());
}

TEST(SaveJpeg, QualityOutsideAByteNeverReachesTheWriter) {
  test::TempDir dir;
  test::RecordingWriter writer;
  Image picture(16, 16);
  EXPECT_THROW(save_jpeg(writer, picture.view(), dir.path() / "a.jpg", 256, 96), Error);
  EXPECT_THROW(save_jpeg(writer, picture.view(), dir.path() / "a.jpg", -1, 96), Error);
  EXPECT_TRUE(writer.qualities.empty());
  EXPECT_TRUE(save_jpeg(writer, picture.view(), dir.path() / "a.jpg", 0, 96));
  EXPECT_TRUE(fs::exists(dir.path() / "a.jpg"));
}

TEST(SaveJpeg, AFailedWriteLeavesNothing) {
  test::TempDir dir;
  auto writer = make_system_jpeg_writer();
  Image picture(16, 16);
  // Missing folder.
  EXPECT_FALSE(save_jpeg(*writer, picture.view(), dir.path() / "no" / "a.jpg", 80, 96));
  // The target name is a folder: the rename fails, the temporary file goes.
  fs::create_directory(dir.path() / "b.jpg");
  fs::create_directory(dir.path() / "b.jpg" / "x");
  EXPECT_FALSE(save_jpeg(*writer, picture.view(), dir.path() / "b.jpg", 80, 96));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.path())) {
    names.push_back(files::to_utf8(e.path().filename()));
  }
  EXPECT_EQ(names, std::vector<std::string>{"b.jpg"});
}

// The lines the program reports while it lives.
struct ReportedLines {
  ReportedLines() {
    set_report_sink([this](std::string_view line) { lines.emplace_back(line); });
  }
  ~ReportedLines() { set_report_sink({}); }
  std::vector<std::string> lines;
};

bool contains(const std::string& line, const std::string& part) {
  return line.find(part) != std::string::npos;
}

TEST(SaveJpeg, AFailedWriteSaysWhichFileAndWhy) {
  test::TempDir dir;
  ReportedLines reported;
  auto writer = make_system_jpeg_writer();
  Image picture(16, 16);
  EXPECT_FALSE(save_jpeg(*writer, picture.view(), dir.path() / "no" / "a.jpg", 80, 96));
  ASSERT_EQ(reported.lines.size(), 1u);
  EXPECT_TRUE(contains(reported.lines[0], files::to_utf8(dir.path() / "no" / ".~a.jpg")))
      << reported.lines[0];
#ifndef _WIN32
  EXPECT_TRUE(contains(reported.lines[0], errno_text(ENOENT))) << reported.lines[0];
#endif

  fs::create_directories(dir.path() / "b.jpg" / "x");
  EXPECT_FALSE(save_jpeg(*writer, picture.view(), dir.path() / "b.jpg", 80, 96));
  ASSERT_EQ(reported.lines.size(), 2u);
  EXPECT_TRUE(contains(reported.lines[1], "rename")) << reported.lines[1];
  EXPECT_TRUE(contains(reported.lines[1], files::to_utf8(dir.path() / "b.jpg")));

#ifndef _WIN32
  // TurboJPEG takes no quality above 100, and says so.
  EXPECT_FALSE(writer->write(picture.view(), dir.path() / "c.jpg", 101, 96));
  ASSERT_EQ(reported.lines.size(), 3u);
  EXPECT_TRUE(contains(reported.lines[2], "c.jpg") && contains(reported.lines[2], "101"));
#endif
}

}  // namespace
}  // namespace pr
