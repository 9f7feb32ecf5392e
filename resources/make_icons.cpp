// Draws the program's icons in code and writes them as .ico files and, for
// the Linux desktop, the program icon as PNGs in a hicolor theme tree:
//   make_icons <program.ico> <preview.ico> [<hicolor dir> <icon name>]
// Every .ico image is an uncompressed bitmap with a 1-bit AND mask, so the
// files have fixed sizes: the program icon 22,486 bytes, the preview icon
// 288,190. The PNGs are <hicolor dir>/<n>x<n>/apps/<icon name>.png.
// Runs on the build machine.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Color {
  float r, g, b, a;
};

struct Point {
  float x, y;
};

// Shapes live in the unit square, y down; a shape says whether a point is inside.
using Shape = std::function<bool(float, float)>;

Shape convex(std::vector<Point> corners) {
  return [corners](float x, float y) {
    for (std::size_t i = 0; i < corners.size(); ++i) {
      Point a = corners[i];
      Point b = corners[(i + 1) % corners.size()];
      if ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x) < 0) return false;
    }
    return true;
  };
}

Shape rect(float x0, float y0, float x1, float y1) {
  return [=](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
}

Shape ring(Point c, float outer, float inner) {
  return [=](float x, float y) {
    float d = std::hypot(x - c.x, y - c.y);
    return d <= outer && d >= inner;
  };
}

Shape disc(Point c, float radius) {
  return ring(c, radius, -1);
}

// A thick segment with round ends.
Shape stroke(Point a, Point b, float half_width) {
  return [=](float x, float y) {
    float dx = b.x - a.x, dy = b.y - a.y;
    float t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy), 0.f, 1.f);
    return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy)) <= half_width;
  };
}

// Straight (not premultiplied) RGBA, composited with 4 x 4 samples a pixel.
class Canvas {
 public:
  explicit Canvas(int size) : size_(size), pixels_(static_cast<std::size_t>(size) * size) {}

  int size() const { return size_; }
  float pixel_unit() const { return 1.f / static_cast<float>(size_); }
  const Color& at(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * size_ + x]; }

  void fill(const Shape& shape, Color color) {
    constexpr int kSamples = 4;
    for (int y = 0; y < size_; ++y) {
      for (int x = 0; x < size_; ++x) {
        int hits = 0;
        for (int sy = 0; sy < kSamples; ++sy) {
          for (int sx = 0; sx < kSamples; ++sx) {
            float u = (static_cast<float>(x) + (sx + 0.5f) / kSamples) / static_cast<float>(size_);
            float v = (static_cast<float>(y) + (sy + 0.5f) / kSamples) / static_cast<float>(size_);
            hits += shape(u, v);
          }
        }
        if (hits)
          over(pixels_[static_cast<std::size_t>(y) * size_ + x], color,
               static_cast<float>(hits) / (kSamples * kSamples));
      }
    }
  }

 private:
  static void over(Color& dst, Color src, float coverage) {
    float a = src.a * coverage;
    float out = a + dst.a * (1 - a);
    if (out <= 0) return;
    dst.r = (src.r * a + dst.r * dst.a * (1 - a)) / out;
    dst.g = (src.g * a + dst.g * dst.a * (1 - a)) / out;
    dst.b = (src.b * a + dst.b * dst.a * (1 - a)) / out;
    dst.a = out;
  }

  int size_;
  std::vector<Color> pixels_;
};

constexpr Color rgb(int r, int g, int b, float a = 1) {
  return {static_cast<float>(r) / 255, static_cast<float>(g) / 255, static_cast<float>(b) / 255, a};
}

constexpr Color kPaper = rgb(255, 255, 255);
constexpr Color kPaperEdge = rgb(96, 104, 118);
constexpr Color kFold = rgb(214, 220, 230);
constexpr Color kText = rgb(70, 110, 170);
constexpr Color kSelection = rgb(192, 0, 0);
constexpr Color kLens = rgb(150, 200, 255, 0.35f);
constexpr Color kFrame = rgb(40, 44, 52);

// A page with its top right corner folded over, between x0..x1 and y0..y1.
void draw_page(Canvas& c, float x0, float y0, float x1, float y1, float fold, int lines) {
  float edge = std::max(c.pixel_unit(), 0.035f);
  c.fill(convex({{x0, y0}, {x1 - fold, y0}, {x1, y0 + fold}, {x1, y1}, {x0, y1}}), kPaperEdge);
  c.fill(convex({{x0 + edge, y0 + edge},
                 {x1 - fold - edge * 0.4f, y0 + edge},
                 {x1 - edge, y0 + fold + edge * 0.4f},
                 {x1 - edge, y1 - edge},
                 {x0 + edge, y1 - edge}}),
         kPaper);
  c.fill(convex({{x1 - fold, y0}, {x1, y0 + fold}, {x1 - fold, y0 + fold}}), kPaperEdge);
  c.fill(convex({{x1 - fold + edge, y0 + edge * 2.4f},
                 {x1 - edge * 2.4f, y0 + fold - edge},
                 {x1 - fold + edge, y0 + fold - edge}}),
         kFold);
  float left = x0 + (x1 - x0) * 0.18f, right = x1 - (x1 - x0) * 0.18f;
  float top = y0 + fold + (y1 - y0) * 0.1f;
  float step = (y1 - edge - top) / static_cast<float>(lines + 1);
  float thick = std::max(c.pixel_unit(), step * 0.42f);
  for (int i = 0; i < lines; ++i) {
    float y = top + step * static_cast<float>(i);
    float end = i == lines - 1 ? left + (right - left) * 0.6f : right;
    c.fill(rect(left, y, end, y + thick), kText);
  }
}

Canvas draw_program(int size) {
  Canvas c(size);
  draw_page(c, 0.16f, 0.05f, 0.84f, 0.95f, 0.22f, 5);
  // The red frame of a captured region across the middle of the page.
  float w = std::max(c.pixel_unit(), 0.045f);
  float x0 = 0.08f, x1 = 0.92f, y0 = 0.44f, y1 = 0.76f;
  c.fill(rect(x0, y0, x1, y0 + w), kSelection);
  c.fill(rect(x0, y1 - w, x1, y1), kSelection);
  c.fill(rect(x0, y0, x0 + w, y1), kSelection);
  c.fill(rect(x1 - w, y0, x1, y1), kSelection);
  return c;
}

Canvas draw_preview(int size) {
  Canvas c(size);
  draw_page(c, 0.08f, 0.04f, 0.70f, 0.86f, 0.2f, 5);
  Point centre{0.56f, 0.54f};
  float ring_width = std::max(c.pixel_unit() * 1.5f, 0.07f);
  c.fill(disc(centre, 0.25f), kLens);
  c.fill(ring(centre, 0.25f, 0.25f - ring_width), kFrame);
  c.fill(stroke({0.75f, 0.73f}, {0.92f, 0.90f}, std::max(c.pixel_unit(), 0.06f)), kFrame);
  return c;
}

class Bytes {
 public:
  void u8(std::uint32_t v) { data_.push_back(static_cast<std::uint8_t>(v)); }
  void u16(std::uint32_t v) { u8(v & 0xff), u8(v >> 8 & 0xff); }
  void u32(std::uint32_t v) { u16(v & 0xffff), u16(v >> 16); }
  void append(const Bytes& other) {
    data_.insert(data_.end(), other.data_.begin(), other.data_.end());
  }
  std::size_t size() const { return data_.size(); }
  const std::vector<std::uint8_t>& data() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
};

std::uint8_t channel(float v) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.f, 1.f) * 255));
}

// A fixed palette: index 0 black for transparent pixels, a 6 x 6 x 6 colour
// cube, then greys.
std::array<std::array<std::uint8_t, 3>, 256> make_palette() {
  std::array<std::array<std::uint8_t, 3>, 256> palette{};
  int i = 1;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        palette[i++] = {static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                        static_cast<std::uint8_t>(b * 51)};
  for (int k = 0; i < 256; ++i, ++k) {
    auto v = static_cast<std::uint8_t>(8 + k * 247 / 38);
    palette[i] = {v, v, v};
  }
  return palette;
}

int nearest(const std::array<std::array<std::uint8_t, 3>, 256>& palette, std::uint8_t r,
            std::uint8_t g, std::uint8_t b) {
  int best = 1;
  long best_distance = -1;
  for (int i = 1; i < 256; ++i) {
    long dr = palette[i][0] - r, dg = palette[i][1] - g, db = palette[i][2] - b;
    long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
    if (best_distance < 0 || d < best_distance) best = i, best_distance = d;
  }
  return best;
}

struct IconImage {
  int size;
  int bits;
  Bytes bytes;  // header, palette, colour rows, mask rows
};

// One icon image: BITMAPINFOHEADER with the doubled height of colour plus
// mask, rows bottom-up, every row padded to 32 bits.
IconImage encode(const Canvas& c, int bits) {
  const int n = c.size();
  const int colour_row = (n * bits + 31) / 32 * 4;
  const int mask_row = (n + 31) / 32 * 4;
  IconImage image{n, bits, {}};
  Bytes& out = image.bytes;
  out.u32(40);
  out.u32(static_cast<std::uint32_t>(n));
  out.u32(static_cast<std::uint32_t>(n * 2));
  out.u16(1);
  out.u16(static_cast<std::uint32_t>(bits));
  out.u32(0);
  out.u32(static_cast<std::uint32_t>((colour_row + mask_row) * n));
  out.u32(0);
  out.u32(0);
  out.u32(bits == 8 ? 256 : 0);
  out.u32(0);
  const auto palette = make_palette();
  if (bits == 8) {
    for (const auto& entry : palette)
      out.u8(entry[2]), out.u8(entry[1]), out.u8(entry[0]), out.u8(0);
  }
  for (int y = n - 1; y >= 0; --y) {
    int written = 0;
    for (int x = 0; x < n; ++x) {
      const Color& p = c.at(x, y);
      std::uint8_t r = channel(p.r), g = channel(p.g), b = channel(p.b), a = channel(p.a);
      if (bits == 32) {
        out.u8(b), out.u8(g), out.u8(r), out.u8(a);
        written += 4;
      } else {
        out.u8(a < 128 ? 0 : static_cast<std::uint32_t>(nearest(palette, r, g, b)));
        written += 1;
      }
    }
    for (; written < colour_row; ++written) out.u8(0);
  }
  for (int y = n - 1; y >= 0; --y) {
    for (int byte = 0; byte < mask_row; ++byte) {
      std::uint32_t v = 0;
      for (int bit = 0; bit < 8; ++bit) {
        int x = byte * 8 + bit;
        // Set = transparent; padding bits stay 0.
        bool transparent = x < n && (bits == 8 ? c.at(x, y).a < 0.5f : c.at(x, y).a <= 0);
        if (transparent) v |= 0x80u >> bit;
      }
      out.u8(v);
    }
  }
  return image;
}

bool write_file(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  if (!f) {
    std::perror(path.string().c_str());
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) std::perror(path.string().c_str());
  return ok;
}

bool write_ico(const std::string& path, const std::vector<IconImage>& images) {
  Bytes file;
  file.u16(0);
  file.u16(1);
  file.u16(static_cast<std::uint32_t>(images.size()));
  std::size_t offset = 6 + 16 * images.size();
  for (const IconImage& image : images) {
    file.u8(image.size >= 256 ? 0 : static_cast<std::uint32_t>(image.size));
    file.u8(image.size >= 256 ? 0 : static_cast<std::uint32_t>(image.size));
    file.u8(0);
    file.u8(0);
    file.u16(1);
    file.u16(static_cast<std::uint32_t>(image.bits));
    file.u32(static_cast<std::uint32_t>(image.bytes.size()));
    file.u32(static_cast<std::uint32_t>(offset));
    offset += image.bytes.size();
  }
  for (const IconImage& image : images) file.append(image.bytes);
  return write_file(path, file.data());
}

std::uint32_t crc32(const std::vector<std::uint8_t>& data, std::size_t from) {
  std::uint32_t crc = 0xffffffffu;
  for (std::size_t i = from; i < data.size(); ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xedb88320u : crc >> 1;
  }
  return ~crc;
}

std::uint32_t adler32(const std::vector<std::uint8_t>& data) {
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t v : data) a = (a + v) % 65521, b = (b + a) % 65521;
  return b << 16 | a;
}

// PNG numbers are big-endian, unlike the .ico's.
void put_be32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void put_chunk(std::vector<std::uint8_t>& out, const char* type,
               const std::vector<std::uint8_t>& body) {
  put_be32(out, static_cast<std::uint32_t>(body.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  put_be32(out, crc32(out, start));
}

// 8-bit straight RGBA, every row unfiltered, the zlib stream in stored
// blocks: a PNG that any reader takes, written without a compression library.
std::vector<std::uint8_t> encode_png(const Canvas& c) {
  const int n = c.size();
  std::vector<std::uint8_t> raw;
  for (int y = 0; y < n; ++y) {
    raw.push_back(0);
    for (int x = 0; x < n; ++x) {
      const Color& p = c.at(x, y);
      raw.insert(raw.end(), {channel(p.r), channel(p.g), channel(p.b), channel(p.a)});
    }
  }
  std::vector<std::uint8_t> zlib{0x78, 0x01};
  constexpr std::size_t kBlock = 65535;
  for (std::size_t at = 0; at < raw.size(); at += kBlock) {
    const std::size_t length = std::min(kBlock, raw.size() - at);
    zlib.push_back(at + length == raw.size() ? 1 : 0);
    zlib.push_back(static_cast<std::uint8_t>(length & 0xff));
    zlib.push_back(static_cast<std::uint8_t>(length >> 8));
    zlib.push_back(static_cast<std::uint8_t>(~length & 0xff));
    zlib.push_back(static_cast<std::uint8_t>(~length >> 8 & 0xff));
    zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                raw.begin() + static_cast<std::ptrdiff_t>(at + length));
  }
  put_be32(zlib, adler32(raw));

  std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  std::vector<std::uint8_t> header;
  put_be32(header, static_cast<std::uint32_t>(n));
  put_be32(header, static_cast<std::uint32_t>(n));
  header.insert(header.end(), {8, 6, 0, 0, 0});
  put_chunk(png, "IHDR", header);
  put_chunk(png, "IDAT", zlib);
  put_chunk(png, "IEND", {});
  return png;
}

bool write_hicolor(const std::filesystem::path& dir, const std::string& name) {
  for (int size : {16, 32, 48, 64, 128, 256}) {
    const std::string square = std::to_string(size) + "x" + std::to_string(size);
    const std::filesystem::path apps = dir / square / "apps";
    std::error_code error;
    std::filesystem::create_directories(apps, error);
    if (error) {
      std::fprintf(stderr, "%s: %s\n", apps.string().c_str(), error.message().c_str());
      return false;
    }
    if (!write_file(apps / (name + ".png"), encode_png(draw_program(size)))) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr,
                 "usage: make_icons <program.ico> <preview.ico> [<hicolor dir> <icon name>]\n");
    return 2;
  }
  std::vector<IconImage> program;
  for (int bits : {8, 32})
    for (int size : {16, 32, 48}) program.push_back(encode(draw_program(size), bits));
  std::vector<IconImage> preview;
  preview.push_back(encode(draw_preview(16), 8));
  for (int size : {256, 48, 32, 24}) preview.push_back(encode(draw_preview(size), 32));
  if (!write_ico(argv[1], program) || !write_ico(argv[2], preview)) return 1;
  return argc == 5 && !write_hicolor(argv[3], argv[4]) ? 1 : 0;
}
