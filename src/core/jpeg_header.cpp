#include "core/jpeg_header.hpp"

#include <algorithm>
#include <array>
#include <fstream>
#include <vector>

namespace pr {

namespace {

constexpr int kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA, kApp0 = 0xE0, kApp14 = 0xEE;
// How far before the end the end-of-image marker may sit (padding some
// writers add after it).
constexpr std::streamoff kTailWindow = 64;

bool is_frame(int marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool is_standalone(int marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

int be16(const std::uint8_t* p) {
  return p[0] << 8 | p[1];
}

JpegHeader fail(JpegHeader header, const char* problem) {
  header.problem = problem;
  return header;
}

void read_density(JpegHeader& header, const std::vector<std::uint8_t>& s) {
  // "JFIF\0", version, units, X density, Y density.
  if (s.size() < 12 || std::string(s.begin(), s.begin() + 5) != std::string("JFIF\0", 5)) return;
  int units = s[7], x = be16(&s[8]), y = be16(&s[10]);
  if (x == 0 || y == 0) return;
  if (units == 1) {
    header.dpi_x = x;
    header.dpi_y = y;
  } else if (units == 2) {
    header.dpi_x = x * 2.54;
    header.dpi_y = y * 2.54;
  }
}

}  // namespace

JpegHeader read_jpeg_header(const std::filesystem::path& path) {
  JpegHeader header;
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(header, "cannot be read");
  in.seekg(0, std::ios::end);
  header.size = static_cast<std::uintmax_t>(static_cast<std::streamoff>(in.tellg()));
  in.seekg(0);
  std::array<std::uint8_t, 2> soi{};
  if (!in.read(reinterpret_cast<char*>(soi.data()), 2) || soi[0] != 0xFF || soi[1] != kSoi) {
    return fail(header, "not a JPEG file");
  }
  bool frame = false;
  std::streamoff scan_start = 0;
  for (;;) {
    int c = in.get();
    if (c != 0xFF) return fail(header, c == EOF ? "truncated" : "not a JPEG file");
    int marker;
    do marker = in.get();
    while (marker == 0xFF);
    if (marker == EOF) return fail(header, "truncated");
    if (is_standalone(marker)) continue;
    if (marker == kEoi) return fail(header, "holds no picture");
    std::array<std::uint8_t, 2> length_bytes{};
    if (!in.read(reinterpret_cast<char*>(length_bytes.data()), 2)) return fail(header, "truncated");
    int length = be16(length_bytes.data());
    if (length < 2) return fail(header, "not a JPEG file");
    if (marker == kSos) {
      scan_start = static_cast<std::streamoff>(in.tellg());
      break;
    }
    std::streamsize body = length - 2;
    if (marker == kApp0 || marker == kApp14 || is_frame(marker)) {
      std::vector<std::uint8_t> s(static_cast<std::size_t>(body));
      if (!in.read(reinterpret_cast<char*>(s.data()), body)) return fail(header, "truncated");
      if (marker == kApp0) read_density(header, s);
      if (marker == kApp14 && s.size() >= 5 && std::string(s.begin(), s.begin() + 5) == "Adobe") {
        header.adobe = true;
      }
      if (is_frame(marker)) {
        if (frame) return fail(header, "holds more than one frame");
        frame = true;
        if (marker > 0xC2) return fail(header, "uses a JPEG coding a PDF cannot show");
        if (s.size() < 6) return fail(header, "not a JPEG file");
        if (s[0] != 8) return fail(header, "has a sample depth other than 8 bits");
        header.height = be16(&s[1]);
        header.width = be16(&s[3]);
        header.components = s[5];
        if (header.width == 0 || header.height == 0)
          return fail(header, "has no size in its header");
        if (header.components != 1 && header.components != 3 && header.components != 4) {
          return fail(header, "has a colour space a PDF cannot show");
        }
      }
    } else {
      in.seekg(body, std::ios::cur);
    }
  }
  if (!frame) return fail(header, "holds no picture");
  // The entropy-coded data never holds FF D9, so the marker near the end means
  // the file was written to the end.
  std::streamoff tail =
      std::min<std::streamoff>(kTailWindow, static_cast<std::streamoff>(header.size) - scan_start);
  std::vector<char> end(static_cast<std::size_t>(tail));
  in.clear();
  in.seekg(-tail, std::ios::end);
  if (!in.read(end.data(), tail)) return fail(header, "cannot be read");
  for (std::size_t i = end.size(); i >= 2; --i) {
    if (static_cast<std::uint8_t>(end[i - 2]) == 0xFF &&
        static_cast<std::uint8_t>(end[i - 1]) == kEoi) {
      return header;
    }
  }
  return fail(header, "truncated");
}

}  // namespace pr
