#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.hpp"
#include "app/program.hpp"
#include "platform/headless/headless_platform.hpp"
#include "selection/overlay.hpp"

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

// The program on the headless backend with its capture folder "截图" in a
// temporary folder.
struct Harness {
  explicit Harness(int width = 1920, int height = 1080, float twips_per_pixel = 15,
                   std::unique_ptr<JpegWriter> writer = nullptr);

  TempDir temp;
  std::filesystem::path folder;  // the capture folder
  std::unique_ptr<JpegWriter> writer;
  HeadlessPlatform hp;
  Program program;

  Form1& form1() { return program.form1(); }
  Form2& form2() { return program.form2(); }
  WindowId form1_id() const { return hp.id_of("Form1"); }
  WindowId form2_id() const { return hp.id_of("Form2"); }

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
  bool write(ImageView picture, const std::filesystem::path& path, unsigned quality) override;
  std::vector<unsigned> qualities;
  std::vector<bool> results;

 private:
  std::unique_ptr<JpegWriter> real_;
};

// Decodes a JPEG file; an empty image when it is not one.
Image decode_jpeg(const std::filesystem::path& path);
// Mean absolute difference per channel between two images of the same size.
double mean_difference(ImageView a, ImageView b);

}  // namespace pr::test
