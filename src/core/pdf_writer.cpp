#include "core/pdf_writer.hpp"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "core/jpeg_header.hpp"
#include "core/temp_file.hpp"
#include "platform/files.hpp"
#include "platform/report.hpp"

namespace pr {

namespace {

constexpr std::size_t kCopyChunk = 1 << 16;
// Objects 1 to 3 are the catalogue, the page tree and the info dictionary;
// each page then has three: the page, its contents and its image.
constexpr int kFirstPageObject = 4;
constexpr int kObjectsPerPage = 3;

struct Page {
  std::filesystem::path path;
  JpegHeader jpeg;
  double width_pt = 0, height_pt = 0;
};

// A decimal number with up to four places, written the same whatever the
// program's locale.
std::string number(double value) {
  auto scaled = static_cast<long long>(std::llround(value * 10000));
  std::string text = std::to_string(scaled / 10000);
  long long fraction = scaled % 10000;
  if (fraction != 0) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04lld", fraction);
    std::string f = digits;
    f.erase(f.find_last_not_of('0') + 1);
    text += "." + f;
  }
  return text;
}

// A PDF text string: UTF-16BE with its byte order mark, in hex.
std::string text_string(const std::string& utf8) {
  std::u16string units = files::from_utf8(utf8).u16string();
  std::string out = "<FEFF";
  char hex[8];
  for (char16_t u : units) {
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(u));
    out += hex;
  }
  return out + ">";
}

std::string pdf_date(std::int64_t seconds) {
  using namespace std::chrono;
  sys_seconds t{std::chrono::seconds(seconds)};
  sys_days day = floor<days>(t);
  year_month_day ymd{day};
  hh_mm_ss<std::chrono::seconds> time{t - day};
  char text[32];
  std::snprintf(text, sizeof text, "D:%04d%02u%02u%02d%02d%02dZ", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

std::uint64_t fnv1a(const std::string& text, std::uint64_t hash) {
  for (unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ULL;
  return hash;
}

// The file identifier: the same document content gives the same identifier.
std::string file_id(const PdfDocument& document, const std::vector<Page>& pages) {
  std::string summary = document.title + pdf_date(document.created);
  for (const Page& page : pages) {
    summary += files::to_utf8(page.path.filename()) + ":" + std::to_string(page.jpeg.size);
  }
  char id[40];
  std::snprintf(id, sizeof id, "%016llx%016llx",
                static_cast<unsigned long long>(fnv1a(summary, 0xcbf29ce484222325ULL)),
                static_cast<unsigned long long>(fnv1a(summary, 0x84222325cbf29ce4ULL)));
  return id;
}

// The system's words for the last failure of a file operation, when it left any.
std::string system_words(const char* what) {
  int code = errno;
  return code ? std::string(what) + ": " + errno_text(code) : std::string(what);
}

const char* colour_space(int components) {
  return components == 1 ? "/DeviceGray" : components == 4 ? "/DeviceCMYK" : "/DeviceRGB";
}

// The output file, counting its bytes for the cross-reference table.
class Output {
 public:
  explicit Output(const std::filesystem::path& path) : out_(path, std::ios::binary) {}
  bool good() const { return static_cast<bool>(out_); }
  std::uint64_t offset() const { return offset_; }
  void put(const std::string& text) { put(text.data(), text.size()); }
  void put(const char* data, std::size_t size) {
    out_.write(data, static_cast<std::streamsize>(size));
    offset_ += size;
  }
  void begin_object(int number) {
    if (offsets_.size() < static_cast<std::size_t>(number) + 1) offsets_.resize(number + 1);
    offsets_[number] = offset_;
    put(std::to_string(number) + " 0 obj\n");
  }
  const std::vector<std::uint64_t>& offsets() const { return offsets_; }
  bool close() {
    out_.flush();
    bool ok = static_cast<bool>(out_);
    out_.close();
    return ok && !out_.fail();
  }

 private:
  std::ofstream out_;
  std::uint64_t offset_ = 0;
  std::vector<std::uint64_t> offsets_;
};

// Copies the picture's bytes; false when they are not the `size` bytes that
// were checked (the file changed meanwhile) or cannot be read.
bool copy_picture(Output& out, const Page& page, std::vector<char>& buffer) {
  std::ifstream in(page.path, std::ios::binary);
  if (!in) return false;
  std::uintmax_t left = page.jpeg.size;
  while (left > 0) {
    std::size_t chunk = static_cast<std::size_t>(std::min<std::uintmax_t>(left, buffer.size()));
    if (!in.read(buffer.data(), static_cast<std::streamsize>(chunk))) return false;
    out.put(buffer.data(), chunk);
    left -= chunk;
  }
  return in.peek() == std::ifstream::traits_type::eof();
}

void write_page(Output& out, const Page& page, int index) {
  int object = kFirstPageObject + index * kObjectsPerPage;
  const std::string w = number(page.width_pt), h = number(page.height_pt);
  out.begin_object(object);
  out.put("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + w + " " + h +
          "] /Resources << /XObject << /Im0 " + std::to_string(object + 2) +
          " 0 R >> >> /Contents " + std::to_string(object + 1) + " 0 R >>\nendobj\n");
  const std::string contents = "q " + w + " 0 0 " + h + " 0 0 cm /Im0 Do Q\n";
  out.begin_object(object + 1);
  out.put("<< /Length " + std::to_string(contents.size()) + " >>\nstream\n" + contents +
          "endstream\nendobj\n");
  out.begin_object(object + 2);
  out.put("<< /Type /XObject /Subtype /Image /Width " + std::to_string(page.jpeg.width) +
          " /Height " + std::to_string(page.jpeg.height) + " /ColorSpace " +
          colour_space(page.jpeg.components) + " /BitsPerComponent 8" +
          (page.jpeg.components == 4 && page.jpeg.adobe ? " /Decode [1 0 1 0 1 0 1 0]" : "") +
          " /Filter /DCTDecode /Length " + std::to_string(page.jpeg.size) + " >>\nstream\n");
}

}  // namespace

PdfOutcome write_pdf(const std::vector<std::filesystem::path>& pictures,
                     const std::filesystem::path& target, const PdfDocument& document) {
  PdfOutcome outcome;
  // The range a JFIF header can state; anything else is no resolution at all.
  const double fallback_dpi =
      document.default_dpi >= 1 && document.default_dpi <= 0xFFFF ? document.default_dpi : 96;
  std::vector<Page> pages;
  for (const std::filesystem::path& path : pictures) {
    Page page{path, read_jpeg_header(path)};
    const std::string name = files::to_utf8(path.filename());
    if (!page.jpeg.problem.empty()) {
      outcome.notes.push_back(name + " left out: " + page.jpeg.problem);
      continue;
    }
    double dpi_x = page.jpeg.dpi_x > 0 ? page.jpeg.dpi_x : fallback_dpi;
    double dpi_y = page.jpeg.dpi_y > 0 ? page.jpeg.dpi_y : fallback_dpi;
    page.width_pt = page.jpeg.width * 72.0 / dpi_x;
    page.height_pt = page.jpeg.height * 72.0 / dpi_y;
    if (page.width_pt > kMaxPagePoints || page.height_pt > kMaxPagePoints) {
      outcome.notes.push_back(name + " left out: larger than a PDF page (" +
                              number(page.width_pt / 72) + " x " + number(page.height_pt / 72) +
                              " inches)");
      continue;
    }
    if (page.width_pt < kMinPagePoints || page.height_pt < kMinPagePoints) {
      outcome.notes.push_back(name + " left out: smaller than a PDF page (" +
                              number(page.width_pt) + " x " + number(page.height_pt) + " points)");
      continue;
    }
    pages.push_back(std::move(page));
  }
  if (pages.empty()) {
    outcome.error = pictures.empty() ? "no pictures" : "no picture can be a page";
    return outcome;
  }

  TempFile temp(target);
  errno = 0;
  Output out(temp.path());
  if (!out.good()) {
    outcome.error = system_words("cannot be created");
    return outcome;
  }
  // A binary comment line marks the file as binary for transfer programs.
  out.put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  out.begin_object(1);
  out.put("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
  std::string kids;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    kids += (i ? " " : "") + std::to_string(kFirstPageObject + i * kObjectsPerPage) + " 0 R";
  }
  out.begin_object(2);
  out.put("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) +
          " >>\nendobj\n");
  out.begin_object(3);
  out.put("<< /Title " + text_string(document.title) + " /Producer (Pagerook) /CreationDate (" +
          pdf_date(document.created) + ") >>\nendobj\n");
  std::vector<char> buffer(kCopyChunk);
  for (std::size_t i = 0; i < pages.size(); ++i) {
    write_page(out, pages[i], static_cast<int>(i));
    if (!copy_picture(out, pages[i], buffer)) {
      outcome.error = files::to_utf8(pages[i].path.filename()) + " changed while it was read";
      return outcome;
    }
    out.put("\nendstream\nendobj\n");
    // A full disk shows here; no need to copy the remaining pages first.
    if (!out.good()) break;
  }
  const std::uint64_t xref = out.offset();
  const std::size_t objects = out.offsets().size();
  out.put("xref\n0 " + std::to_string(objects) + "\n0000000000 65535 f \n");
  char entry[24];
  for (std::size_t i = 1; i < objects; ++i) {
    std::snprintf(entry, sizeof entry, "%010llu 00000 n \n",
                  static_cast<unsigned long long>(out.offsets()[i]));
    out.put(entry);
  }
  const std::string id = file_id(document, pages);
  out.put("trailer\n<< /Size " + std::to_string(objects) + " /Root 1 0 R /Info 3 0 R /ID [<" + id +
          "> <" + id + ">] >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
  if (!out.close()) {
    outcome.error = system_words("cannot be written");
    return outcome;
  }
  errno = 0;
  if (temp.commit()) {
    outcome.error = system_words("cannot be put in place");
    return outcome;
  }
  outcome.written = true;
  outcome.pages = static_cast<int>(pages.size());
  return outcome;
}

}  // namespace pr
