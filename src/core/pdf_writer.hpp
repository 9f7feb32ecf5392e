#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pr {

struct PdfDocument {
  std::string title;         // UTF-8
  std::int64_t created = 0;  // seconds since 1970, UTC
  double default_dpi = 96;   // for a picture that states no resolution
};

struct PdfOutcome {
  bool written = false;
  int pages = 0;
  // One line for each picture left out, saying which and why.
  std::vector<std::string> notes;
  // Why no file was written; empty when it was.
  std::string error;
};

// The largest and smallest page a PDF reader accepts: 200 inches and 1/24
// inch, in points.
constexpr double kMaxPagePoints = 14400;
constexpr double kMinPagePoints = 3;

// Writes one PDF page per picture, in the order given, each page the picture's
// size at its resolution and its image the JPEG file's bytes unchanged. A
// picture that cannot be embedded is left out with a note. The file appears at
// `target` complete or not at all; with no page to write, nothing is written.
PdfOutcome write_pdf(const std::vector<std::filesystem::path>& pictures,
                     const std::filesystem::path& target, const PdfDocument& document);

}  // namespace pr
