#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/jpeg_header.hpp"
#include "core/numbered_pictures.hpp"
#include "core/page_store.hpp"
#include "core/pdf_writer.hpp"
#include "harness.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"

namespace pr {
namespace {

namespace fs = std::filesystem;

// The markers of a JPEG file around made-up scan data: enough for a PDF
// writer, which reads the header and copies the bytes.
struct JpegLayout {
  int frame = 0xC0;
  int precision = 8;
  int width = 40, height = 30;
  int components = 3;
  bool jfif = true;
  int units = 1, density_x = 96, density_y = 96;
  bool adobe = false;
  int seed = 0;
};

std::string be16(int v) {
  return {static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v & 0xFF)};
}

std::string segment(int marker, const std::string& body) {
  return "\xFF" + std::string(1, static_cast<char>(marker)) +
         be16(static_cast<int>(body.size()) + 2) + body;
}

std::string jpeg_bytes(const JpegLayout& s) {
  std::string out = "\xFF\xD8";
  if (s.jfif) {
    out += segment(0xE0, std::string("JFIF\0\x01\x02", 7) + char(s.units) + be16(s.density_x) +
                             be16(s.density_y) + std::string(2, '\0'));
  }
  if (s.adobe) out += segment(0xEE, std::string("Adobe\0\x64\0\0\0\0\x02", 12));
  std::string frame =
      std::string(1, char(s.precision)) + be16(s.height) + be16(s.width) + char(s.components);
  for (int c = 0; c < s.components; ++c) frame += std::string{char(c + 1), 0x11, 0};
  out += segment(s.frame, frame);
  out += segment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6));
  for (int i = 0; i < 200 + s.seed * 13; ++i) out += static_cast<char>((s.seed * 31 + i) % 0xFF);
  return out + "\xFF\xD9";
}

void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// What a reader finds in one of our PDFs, taken apart by offsets and keys.
struct Parsed {
  int count = -1;
  std::vector<std::pair<double, double>> media_boxes;
  std::vector<std::string> images;       // the stream bytes of each image
  std::vector<std::string> image_dicts;  // and its dictionary
  bool xref_ok = false;
  std::string info;
};

Parsed parse(const std::string& pdf) {
  Parsed p;
  std::size_t at = pdf.find("/Count ");
  if (at != std::string::npos) p.count = std::stoi(pdf.substr(at + 7));
  for (at = pdf.find("/MediaBox [0 0 "); at != std::string::npos;
       at = pdf.find("/MediaBox [0 0 ", at + 1)) {
    std::istringstream box(pdf.substr(at + 15, 40));
    double w = 0, h = 0;
    box >> w >> h;
    p.media_boxes.emplace_back(w, h);
  }
  for (at = pdf.find("/Subtype /Image"); at != std::string::npos;
       at = pdf.find("/Subtype /Image", at + 1)) {
    std::size_t length = pdf.find("/Length ", at);
    std::size_t stream = pdf.find(">>\nstream\n", at);
    std::size_t size = std::stoul(pdf.substr(length + 8));
    p.image_dicts.push_back(pdf.substr(at, stream - at));
    p.images.push_back(pdf.substr(stream + 10, size));
    if (pdf.compare(stream + 10 + size, 10, "\nendstream") != 0) return p;
  }
  // Every cross-reference entry points at its object, and startxref at the table.
  std::size_t start = pdf.rfind("startxref\n");
  if (start == std::string::npos) return p;
  std::size_t xref = std::stoul(pdf.substr(start + 10));
  if (pdf.compare(xref, 7, "xref\n0 ") != 0) return p;
  int objects = std::stoi(pdf.substr(xref + 7));
  std::size_t entries = pdf.find('\n', xref + 7) + 1;
  if (pdf.compare(entries, 20, "0000000000 65535 f \n") != 0) return p;
  for (int i = 1; i < objects; ++i) {
    std::string entry = pdf.substr(entries + 20 * i, 20);
    if (entry.size() != 20 || entry.compare(10, 10, " 00000 n \n") != 0) return p;
    std::string object = std::to_string(i) + " 0 obj\n";
    if (pdf.compare(std::stoul(entry.substr(0, 10)), object.size(), object) != 0) return p;
  }
  p.xref_ok =
      pdf.find("/Size " + std::to_string(objects) + " /Root 1 0 R", xref) != std::string::npos &&
      pdf.size() >= 6 && pdf.compare(pdf.size() - 6, 6, "%%EOF\n") == 0;
  std::size_t info = pdf.find("3 0 obj\n");
  if (info != std::string::npos) p.info = pdf.substr(info, pdf.find("endobj", info) - info);
  return p;
}

PdfDocument document(double default_dpi = 96) {
  PdfDocument d;
  d.title = "截图";
  d.created = 1796729460;  // 2026-12-08 11:31:00 UTC
  d.default_dpi = default_dpi;
  return d;
}

bool has_temp_files(const fs::path& folder) {
  for (const auto& e : fs::directory_iterator(folder)) {
    if (files::to_utf8(e.path().filename()).rfind(".~", 0) == 0) return true;
  }
  return false;
}

TEST(PdfWriter, EachJpegIsAPageWithItsBytesUnchangedInTheOrderGiven) {
  test::TempDir dir;
  std::vector<fs::path> pictures;
  std::vector<JpegLayout> layouts = {
      {.width = 50, .height = 20, .seed = 1},
      {.width = 33, .height = 70, .components = 1, .seed = 2},
      {.frame = 0xC2, .width = 64, .height = 64, .components = 4, .adobe = true, .seed = 3},
      {.width = 10, .height = 12, .components = 4, .seed = 4},
  };
  for (std::size_t i = 0; i < layouts.size(); ++i) {
    pictures.push_back(dir.path() / (std::to_string(i) + ".jpg"));
    write_file(pictures.back(), jpeg_bytes(layouts[i]));
  }
  const fs::path target = dir.path() / files::from_utf8("截图.pdf");
  PdfOutcome outcome = write_pdf(pictures, target, document());
  ASSERT_TRUE(outcome.written) << outcome.error;
  EXPECT_EQ(outcome.pages, 4);
  EXPECT_TRUE(outcome.notes.empty());
  EXPECT_FALSE(has_temp_files(dir.path()));

  Parsed pdf = parse(read_file(target));
  EXPECT_TRUE(pdf.xref_ok);
  EXPECT_EQ(pdf.count, 4);
  ASSERT_EQ(pdf.images.size(), 4u);
  for (std::size_t i = 0; i < layouts.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(pdf.images[i], read_file(pictures[i]));
    const std::string& d = pdf.image_dicts[i];
    EXPECT_NE(d.find("/Width " + std::to_string(layouts[i].width) + " /Height " +
                     std::to_string(layouts[i].height)),
              std::string::npos)
        << d;
    EXPECT_NE(d.find("/Filter /DCTDecode"), std::string::npos);
  }
  EXPECT_NE(pdf.image_dicts[0].find("/DeviceRGB"), std::string::npos);
  EXPECT_NE(pdf.image_dicts[1].find("/DeviceGray"), std::string::npos);
  // Adobe's CMYK is stored inverted; plain CMYK is not.
  EXPECT_NE(pdf.image_dicts[2].find("/DeviceCMYK /BitsPerComponent 8 /Decode [1 0 1 0 1 0 1 0]"),
            std::string::npos);
  EXPECT_EQ(pdf.image_dicts[3].find("/Decode"), std::string::npos);

  EXPECT_NE(pdf.info.find("/Title <FEFF622A56FE>"), std::string::npos) << pdf.info;
  EXPECT_NE(pdf.info.find("/CreationDate (D:20261208113100Z)"), std::string::npos) << pdf.info;
}

TEST(PdfWriter, APageIsThePictureAtItsResolution) {
  test::TempDir dir;
  struct Case {
    JpegLayout layout;
    double width_pt, height_pt;
  };
  const Case cases[] = {
      {{.width = 1000, .height = 400}, 750, 300},  // 96 dpi
      {{.width = 720, .height = 144, .density_x = 72, .density_y = 72}, 720, 144},
      {{.width = 300, .height = 300, .density_x = 150, .density_y = 300}, 144, 72},
      {{.width = 254, .height = 127, .units = 2, .density_x = 100, .density_y = 100}, 72, 36},
      {{.width = 240, .height = 120, .units = 0, .density_x = 1, .density_y = 1}, 144, 72},
      {{.width = 240, .height = 120, .jfif = false}, 144, 72},  // no JFIF: the default
      {{.width = 19200, .height = 100}, 14400, 75},             // 200 inches fit
  };
  std::vector<fs::path> pictures;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    pictures.push_back(dir.path() / (std::to_string(i) + ".jpg"));
    write_file(pictures.back(), jpeg_bytes(cases[i].layout));
  }
  const fs::path target = dir.path() / "out.pdf";
  ASSERT_TRUE(write_pdf(pictures, target, document(120)).written);
  Parsed pdf = parse(read_file(target));
  ASSERT_EQ(pdf.media_boxes.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(pdf.media_boxes[i].first, cases[i].width_pt, 1e-3);
    EXPECT_NEAR(pdf.media_boxes[i].second, cases[i].height_pt, 1e-3);
  }
  // A screen that reports no usable resolution: the common 96 dpi.
  ASSERT_TRUE(write_pdf({pictures[5]}, target, document(0)).written);
  Parsed fallback = parse(read_file(target));
  ASSERT_EQ(fallback.media_boxes.size(), 1u);
  EXPECT_NEAR(fallback.media_boxes[0].first, 180, 1e-3);
}

TEST(PdfWriter, PicturesItCannotShowAreLeftOutWithANote) {
  test::TempDir dir;
  std::string good = jpeg_bytes({.seed = 5});
  std::vector<std::pair<std::string, std::string>> files = {
      {"0.jpg", "just some text, not a picture\n"},
      {"1.jpg", good.substr(0, good.size() / 2)},  // truncated in the scan
      {"2.jpg", good.substr(0, 30)},               // truncated in the header
      {"3.jpg", jpeg_bytes({.precision = 12})},
      {"4.jpg", jpeg_bytes({.frame = 0xC3})},  // lossless
      {"5.jpg", jpeg_bytes({.width = 19201, .height = 10})},
      {"6.jpg", jpeg_bytes({.width = 10, .height = 40200, .density_x = 200, .density_y = 200})},
      {"7.jpg", ""},
      {"8.jpg", jpeg_bytes({.width = 300, .height = 3, .density_x = 96, .density_y = 96})},
      {"9.jpg", good},
  };
  std::vector<fs::path> pictures;
  for (const auto& [name, bytes] : files) {
    pictures.push_back(dir.path() / name);
    write_file(pictures.back(), bytes);
  }
  const fs::path target = dir.path() / "out.pdf";
  PdfOutcome outcome = write_pdf(pictures, target, document());
  ASSERT_TRUE(outcome.written);
  EXPECT_EQ(outcome.pages, 1);
  ASSERT_EQ(outcome.notes.size(), 9u);
  const char* reasons[] = {"not a JPEG",
                           "truncated",
                           "truncated",
                           "8 bits",
                           "JPEG coding",
                           "larger than a PDF page",
                           "larger than a PDF page",
                           "not a JPEG",
                           "smaller than a PDF page"};
  for (std::size_t i = 0; i < outcome.notes.size(); ++i) {
    SCOPED_TRACE(outcome.notes[i]);
    EXPECT_EQ(outcome.notes[i].rfind(files[i].first + " left out: ", 0), 0u);
    EXPECT_NE(outcome.notes[i].find(reasons[i]), std::string::npos);
  }
  Parsed pdf = parse(read_file(target));
  EXPECT_TRUE(pdf.xref_ok);
  ASSERT_EQ(pdf.images.size(), 1u);
  EXPECT_EQ(pdf.images[0], good);
}

TEST(PdfWriter, WithoutAPageOrAPlaceNothingIsWrittenAndAnOldPdfStays) {
  test::TempDir dir;
  const fs::path target = dir.path() / "out.pdf";
  write_file(target, "the PDF of an earlier run");
  write_file(dir.path() / "0.jpg", "not a picture");

  PdfOutcome none = write_pdf({}, target, document());
  EXPECT_FALSE(none.written);
  EXPECT_FALSE(none.error.empty());
  PdfOutcome bad = write_pdf({dir.path() / "0.jpg", dir.path() / "9.jpg"}, target, document());
  EXPECT_FALSE(bad.written);
  EXPECT_EQ(bad.notes.size(), 2u);  // the unreadable one, the missing one
  EXPECT_EQ(read_file(target), "the PDF of an earlier run");

  write_file(dir.path() / "1.jpg", jpeg_bytes({}));
  PdfOutcome nowhere = write_pdf({dir.path() / "1.jpg"}, dir.path() / "no" / "out.pdf", document());
  EXPECT_FALSE(nowhere.written);
  EXPECT_FALSE(nowhere.error.empty());
  // A folder in the way of the final name: the finished file is not left half-placed.
  fs::create_directories(dir.path() / "taken.pdf" / "x");
  EXPECT_FALSE(write_pdf({dir.path() / "1.jpg"}, dir.path() / "taken.pdf", document()).written);
  EXPECT_FALSE(has_temp_files(dir.path()));
}

TEST(NumberedPictures, OnlyTheRunsPicturesInNumericOrder) {
  test::TempDir dir;
  for (int n : {10, 2, 0, 9, 1, 11}) write_file(dir.path() / (std::to_string(n) + ".jpg"), "x");
  for (const char* other : {"01.jpg", ".3.jpg", "3.jpeg", "3.JPG", "a.jpg", "3.jpg.part", ".jpg",
                            "截图.pdf", "1234567890.jpg"}) {
    write_file(dir.path() / files::from_utf8(other), "x");
  }
  fs::create_directory(dir.path() / "4.jpg");
  std::vector<long> numbers;
  for (const NumberedPicture& p : numbered_pictures(dir.path())) {
    numbers.push_back(p.number);
    EXPECT_EQ(p.path.filename(), fs::path(std::to_string(p.number) + ".jpg"));
  }
  EXPECT_EQ(numbers, (std::vector<long>{0, 1, 2, 9, 10, 11}));
  EXPECT_TRUE(numbered_pictures(dir.path() / "missing").empty());
}

// The option, the menu's command and the numbering on the real forms.
struct PdfOfARun : ::testing::Test {
  PdfOfARun() {
    set_report_sink([this](std::string_view line) { lines.emplace_back(line); });
  }
  ~PdfOfARun() override { set_report_sink(nullptr); }
  fs::path pdf() const { return h.folder / files::from_utf8(kPdfName); }

  test::Harness h;
  std::vector<std::string> lines;
};

TEST_F(PdfOfARun, EscWritesItWhenTheOptionIsOn) {
  test::Document document(h.hp, 5);
  h.main_window().options.pdf_at_end = true;
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(3000);  // two more pages
  ASSERT_EQ(h.files(), (std::vector<std::string>{"0.jpg", "1.jpg", "2.jpg"}));
  h.hp.press_escape_anywhere();
  ASSERT_TRUE(fs::exists(pdf()));
  Parsed parsed = parse(read_file(pdf()));
  EXPECT_TRUE(parsed.xref_ok);
  ASSERT_EQ(parsed.images.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(parsed.images[i], read_file(h.folder / (std::to_string(i) + ".jpg")));
    // 200 x 200 pixels at the screen's 96 dpi.
    EXPECT_NEAR(parsed.media_boxes[i].first, 150, 1e-3);
  }
  EXPECT_TRUE(lines.empty()) << lines.front();

  // pdf_at_run_end tells the end-of-run report whether it wrote one.
  EXPECT_TRUE(h.program.pdf_at_run_end().written);
  h.main_window().options.pdf_at_end = false;
  fs::remove(pdf());
  EXPECT_FALSE(h.program.pdf_at_run_end().written);
  h.hp.press_escape_anywhere();
  EXPECT_FALSE(fs::exists(pdf()));
}

TEST_F(PdfOfARun, APdfNeverShiftsTheNumberingAndTheNextRunEmptiesIt) {
  test::Document document(h.hp, 5);
  h.capture(1500, 1500, 4500, 4500);
  h.hp.advance(1500);
  ASSERT_EQ(h.files(), (std::vector<std::string>{"0.jpg", "1.jpg"}));
  EXPECT_TRUE(h.program.store().has_pictures());
  PdfOutcome made = h.program.store().save_pdf();  // from the menu, mid-run
  EXPECT_TRUE(made.written);
  EXPECT_EQ(made.pages, 2);
  h.hp.advance(3000);
  EXPECT_EQ(h.files(), (std::vector<std::string>{"0.jpg", "1.jpg", "2.jpg", "3.jpg", "截图.pdf"}));
  h.hp.press_escape_anywhere();
  h.capture(1500, 1500, 4500, 4500);
  EXPECT_EQ(h.files(), std::vector<std::string>{"0.jpg"});
}

TEST_F(PdfOfARun, GapsAreNotedAndTheRestIsWritten) {
  EXPECT_FALSE(h.program.store().has_pictures());  // no folder yet
  EXPECT_FALSE(h.program.store().save_pdf().written);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("not written"), std::string::npos);

  fs::create_directory(h.folder);
  write_file(h.folder / "notes.txt", "x");
  EXPECT_FALSE(h.program.store().has_pictures());
  for (int n : {1, 2, 4, 5, 6})
    write_file(h.folder / (std::to_string(n) + ".jpg"), jpeg_bytes({.seed = n}));
  EXPECT_TRUE(h.program.store().has_pictures());
  lines.clear();
  PdfOutcome outcome = h.program.store().save_pdf();
  EXPECT_TRUE(outcome.written);
  EXPECT_EQ(outcome.pages, 5);
  const std::string where = files::to_utf8(pdf()) + ": ";
  EXPECT_EQ(lines, (std::vector<std::string>{where + "0.jpg missing", where + "3.jpg missing"}));
  Parsed parsed = parse(read_file(pdf()));
  ASSERT_EQ(parsed.images.size(), 5u);
  EXPECT_EQ(parsed.images[2], read_file(h.folder / "4.jpg"));
}

TEST(JpegResolution, SavedPicturesStateTheScreensDpi) {
  for (float twips_per_pixel : {15.f, 12.f}) {
    test::Harness h(1920, 1080, twips_per_pixel);
    h.capture(1500, 1500, 4500, 4500);
    JpegHeader header = read_jpeg_header(h.folder / "0.jpg");
    EXPECT_EQ(header.problem, "");
    EXPECT_EQ(header.dpi_x, 1440 / twips_per_pixel);
    EXPECT_EQ(header.dpi_y, 1440 / twips_per_pixel);
  }
}

}  // namespace
}  // namespace pr
