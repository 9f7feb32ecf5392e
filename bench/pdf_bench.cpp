// The PDF of a long run: 300 pages of 1000 x 1000 pixels, each page's JPEG
// copied into the file unchanged.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>

#include "core/pdf_writer.hpp"
#include "core/turbojpeg_writer.hpp"
#include "platform/image.hpp"
#include "synthetic_page.hpp"

namespace {

void BM_PdfOf300Pages(benchmark::State& state) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("pagerook-pdf-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  pr::Image screen(1920, 2160);
  pr::bench::paint_page(screen, 200, 100, 1200, 2000);
  pr::TurboJpegWriter writer;
  std::vector<std::filesystem::path> pictures;
  std::uintmax_t bytes = 0;
  for (int n = 0; n < 300; ++n) {
    pictures.push_back(dir / (std::to_string(n) + ".jpg"));
    // A different part of the page each time, so that no two files are alike.
    if (!writer.write(screen.view().crop(n % 200, n % 150, 1000, 1000), pictures.back(), 80, 96)) {
      state.SkipWithError("JPEG write failed");
      return;
    }
    bytes += std::filesystem::file_size(pictures.back());
  }
  pr::PdfDocument document{"截图", 0, 96};
  for (auto _ : state) {
    if (!pr::write_pdf(pictures, dir / "out.pdf", document).written) {
      state.SkipWithError("PDF write failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_PdfOf300Pages)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
