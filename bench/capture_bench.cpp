// Benchmarks of the per-page capture work that needs no display: the crop of
// the frozen screen into the capture picture, the page compare, and the JPEG
// writer.
#include <benchmark/benchmark.h>

#include <turbojpeg.h>
#include <unistd.h>

#include <filesystem>

#include "app/controls.hpp"
#include "core/page_compare.hpp"
#include "core/turbojpeg_writer.hpp"
#include "synthetic_page.hpp"

namespace {

using pr::Image;

struct Screen {
  explicit Screen(int w, int h) : image(w, h) {
    pr::bench::paint_page(image, 200, 100, 1200, 2000);
  }
  Image image;
};

void BM_Crop(benchmark::State& state) {
  Screen screen(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  pr::PictureBox picture(9, 9);
  picture.set_width(1000);
  picture.set_height(1000);
  for (auto _ : state) {
    picture.draw_picture(screen.image.view(), 0, 0, 1000, 1000, 200, 100, 1000, 1000);
    benchmark::DoNotOptimize(picture.picture().pixels);
  }
  state.SetBytesProcessed(state.iterations() * 1000LL * 1000 * 4);
}
BENCHMARK(BM_Crop)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

void BM_JpegWriter(benchmark::State& state) {
  Screen screen(1920, 2160);
  pr::ImageView region = screen.image.view().crop(200, 100, 1000, 1000);
  pr::TurboJpegWriter writer;
  auto dir =
      std::filesystem::temp_directory_path() / ("pagerook-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  auto path = dir / "0.jpg";
  for (auto _ : state) {
    if (!writer.write(region, path, static_cast<unsigned>(state.range(0)), 96)) {
      state.SkipWithError("write failed");
      break;
    }
    std::filesystem::remove(path);
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_JpegWriter)->Arg(80)->Arg(95)->Unit(benchmark::kMillisecond);

// The encode alone at the program's 4:4:4 chroma and at the 4:2:0 that scrot
// and maim write: how much of their lead is the halved colour resolution.
void BM_Encode(benchmark::State& state) {
  Screen screen(1920, 2160);
  pr::ImageView region = screen.image.view().crop(200, 100, 1000, 1000);
  tjhandle tj = tjInitCompress();
  const int sampling = static_cast<int>(state.range(0)) == 444 ? TJSAMP_444 : TJSAMP_420;
  unsigned long capacity = tjBufSize(region.width, region.height, sampling);
  unsigned char* buffer = tjAlloc(static_cast<int>(capacity));
  for (auto _ : state) {
    unsigned long size = capacity;
    tjCompress2(tj, region.pixels, region.width, static_cast<int>(region.pitch), region.height,
                TJPF_BGRX, &buffer, &size, sampling, 80, TJFLAG_NOREALLOC);
    benchmark::DoNotOptimize(size);
  }
  tjFree(buffer);
  tjDestroy(tj);
}
BENCHMARK(BM_Encode)->Arg(444)->Arg(420)->Unit(benchmark::kMillisecond);

// A page compared with an equal one: the compare's worst case, every row read
// (a new page differs in its first rows and is told at once).
void BM_SamePage(benchmark::State& state) {
  Screen page(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  Image copy;
  pr::keep_copy(copy, page.image.view());
  for (auto _ : state) benchmark::DoNotOptimize(pr::same_page(page.image.view(), copy.view()));
  state.SetBytesProcessed(state.iterations() * state.range(0) * state.range(1) * 4);
}
BENCHMARK(BM_SamePage)->Args({1000, 1000})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

// The copy of a page kept for the next compare (twice per saved page: the
// grab being settled, and the page saved).
void BM_KeepCopy(benchmark::State& state) {
  Screen page(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  Image copy;
  for (auto _ : state) {
    pr::keep_copy(copy, page.image.view());
    benchmark::DoNotOptimize(copy.row(0));
  }
}
BENCHMARK(BM_KeepCopy)->Args({1000, 1000})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

// The writer's share of a page at each size, for the compare to be set beside.
void BM_WriteRegion(benchmark::State& state) {
  Screen page(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  pr::TurboJpegWriter writer;
  auto dir =
      std::filesystem::temp_directory_path() / ("pagerook-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  auto path = dir / "0.jpg";
  for (auto _ : state) {
    if (!writer.write(page.image.view(), path, 80, 96)) {
      state.SkipWithError("write failed");
      break;
    }
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WriteRegion)->Args({1000, 1000})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
