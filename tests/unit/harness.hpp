#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_window.hpp"
#include "app/program.hpp"
#include "app/selection_overlay.hpp"
#include "headless_script.hpp"
#include "platform/headless/headless_platform.hpp"
#include "platform/report.hpp"

namespace pr::test {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A pixel that tells where it came from: x in blue and the low bits of green,
// y in red and the high bits of green.
std::uint32_t marker(int x, int y);
void paint_markers(Image& image);
// Smooth content that survives JPEG: gradients plus a few blocks.
void paint_smooth(Image& image, int seed);

// Draws `n` in decimal with its top-left corner at (x, y): 3 × 5 cells of
// 4 px a digit, like a page number in a footer.
void paint_number(Image& image, int x, int y, int n, std::uint32_t ink);

// A document program on the headless screen: page n fills the screen, in a
// colour of its own unless every page has the same body, with its number in
// a footer at `footer`. Page Down shows the next page `delay_ms` later;
// nothing follows the last page. Ctrl+Home shows page 1 at once.
class Document {
 public:
  Document(HeadlessPlatform& hp, int pages, long long delay_ms = 0, bool same_body = false);
  void show(int n);
  int shown() const { return shown_; }
  long long delay_ms;
  int footer_x = 150, footer_y = 260;  // pixels

 private:
  HeadlessPlatform& hp_;
  int pages_;
  bool same_body_;
  int turned_to_ = 1;
  int shown_ = 0;
};

// The program on the headless backend with its capture folder "截图" in a
// temporary folder.
struct Harness {
  explicit Harness(int width = 1920, int height = 1080, float twips_per_pixel = 15,
                   std::unique_ptr<JpegWriter> writer = nullptr);

  TempDir temp;
  std::filesystem::path folder;  // the capture folder
  HeadlessPlatform hp;
  std::unique_ptr<JpegWriter> writer;
  Program program;

  MainWindow& main_window() { return program.main_window(); }
  SelectionOverlay& overlay() { return program.overlay(); }
  WindowId main_window_id() const { return hp.id_of("MainWindow"); }
  WindowId overlay_id() const { return hp.id_of("SelectionOverlay"); }

  void click_capture();
  // A left drag from press to release in twips, moving on the way; the
  // platform delivers the nearest pixels.
  void drag(float x0, float y0, float x1, float y1);
  // A capture run: the button, then the drag.
  void capture(float x0, float y0, float x1, float y1);
  // The names of the files in the capture folder, sorted.
  std::vector<std::string> files() const;
};

// The system's writer, with a record of every quality it was handed.
class RecordingWriter : public JpegWriter {
 public:
  RecordingWriter();
  WriteResult write(ImageView picture, const std::filesystem::path& path, unsigned quality,
                    float dpi) override;
  bool reads_back() const override { return real_->reads_back(); }
  bool read(const std::filesystem::path& path, Image& into) override {
    return real_->read(path, into);
  }
  std::vector<unsigned> qualities;
  std::vector<float> resolutions;
  std::vector<bool> results;

 private:
  std::unique_ptr<JpegWriter> real_;
};

// Decodes a JPEG file; an empty image when it is not one.
Image decode_jpeg(const std::filesystem::path& path);
// Mean absolute difference per channel between two images of the same size.
double mean_difference(ImageView a, ImageView b);

// The lines the program reports while it lives, instead of standard error.
struct Reports {
  Reports() {
    set_report_sink([this](std::string_view line) { lines.emplace_back(line); });
  }
  ~Reports() { set_report_sink({}); }
  std::vector<std::string> lines;
};

inline void write(const std::filesystem::path& path, std::string_view text = "x") {
  std::ofstream(path) << text;
}

}  // namespace pr::test
