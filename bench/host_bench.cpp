// The SDL host's per-frame work: one 800 x 600 page through the palette, scaled into a
// 32-bit window surface. At 45 frames a second this must stay a small part of a core. Each
// size with the widest vectors the processor has, and the large ones with SSE2 alone; then a
// frame of play, in which only a few places changed.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "host/common/page_scaler.h"

namespace {

constexpr int kPageWidth = 800, kPageHeight = 600;

// A page of small squares in many colours, and a grey palette.
struct Page {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(kPageWidth * kPageHeight);
  std::vector<uint32_t> colours = std::vector<uint32_t>(256);
  Page() {
    for (int y = 0; y < kPageHeight; ++y)
      for (int x = 0; x < kPageWidth; ++x)
        pixels[y * kPageWidth + x] = static_cast<uint8_t>((x / 8 + y / 8) * 7);
    for (int i = 0; i < 256; ++i) colours[i] = 0xFF000000u | (i * 0x010101u);
  }
};

// Scales `page` into the middle of a target_width x target_height surface, `changed` as
// Scale takes it, for as long as the benchmark runs; returns the pixels of the picture.
int64_t ScaleFor(benchmark::State& state, host::common::PageScaler* scaler, const Page& page,
                 int target_width, int target_height,
                 const host::common::PageScaler::Span* changed = nullptr) {
  std::vector<uint32_t> surface(static_cast<size_t>(target_width) * target_height);
  const host::common::PageRect rect =
      host::common::FitPage(kPageWidth, kPageHeight, target_width, target_height);
  for (auto _ : state) {
    scaler->Scale(page.pixels.data(), kPageWidth, kPageWidth, kPageHeight, page.colours.data(),
                  surface.data() + rect.y * target_width + rect.x, target_width * 4, rect.width,
                  rect.height, changed);
    benchmark::DoNotOptimize(surface.data());
    benchmark::ClobberMemory();
  }
  return int64_t{rect.width} * rect.height;
}

void ScalePage(benchmark::State& state, host::common::PageScaler::Vectors vectors) {
  host::common::PageScaler scaler(vectors);
  const int64_t pixels = ScaleFor(state, &scaler, Page(), static_cast<int>(state.range(0)),
                                  static_cast<int>(state.range(1)));
  state.SetItemsProcessed(state.iterations() * pixels);
}
BENCHMARK_CAPTURE(ScalePage, best, host::common::PageScaler::Vectors::kBest)
    ->Args({800, 600})
    ->Args({1024, 768})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ScalePage, avx2, host::common::PageScaler::Vectors::kAvx2)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ScalePage, sse2, host::common::PageScaler::Vectors::kBaseline)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);

// A frame of play at 1080p: only the places that changed (two tanks, two more on one band,
// the panel's figures), as the desktop host scales them in play.
void ScalePlayFrame(benchmark::State& state) {
  std::vector<host::common::PageScaler::Span> changed(kPageHeight);
  for (int y = 100; y < 132; ++y) changed[y] = {200, 236};
  for (int y = 300; y < 332; ++y) changed[y] = {500, 640};
  for (int y = 560; y < 570; ++y) changed[y] = {20, 120};
  host::common::PageScaler scaler;
  ScaleFor(state, &scaler, Page(), 1920, 1080, changed.data());
}
BENCHMARK(ScalePlayFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
