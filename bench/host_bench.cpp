// The SDL host's per-frame work: one 800 x 600 page through the palette, scaled into a
// 32-bit window surface. At 45 frames a second this must stay a small part of a core. Each
// size with the widest vectors the processor has, and the large ones with SSE2 alone.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "host/common/page_scaler.h"

namespace {

void ScalePage(benchmark::State& state, host::common::PageScaler::Vectors vectors) {
  const int page_width = 800, page_height = 600;
  const int target_width = static_cast<int>(state.range(0));
  const int target_height = static_cast<int>(state.range(1));
  std::vector<uint8_t> page(page_width * page_height);
  for (int y = 0; y < page_height; ++y)
    for (int x = 0; x < page_width; ++x)
      page[y * page_width + x] = static_cast<uint8_t>((x / 8 + y / 8) * 7);
  std::vector<uint32_t> colours(256);
  for (int i = 0; i < 256; ++i) colours[i] = 0xFF000000u | (i * 0x010101u);
  std::vector<uint32_t> surface(static_cast<size_t>(target_width) * target_height);

  host::common::PageRect rect =
      host::common::FitPage(page_width, page_height, target_width, target_height);
  host::common::PageScaler scaler(vectors);
  for (auto _ : state) {
    scaler.Scale(page.data(), page_width, page_width, page_height, colours.data(),
                 surface.data() + rect.y * target_width + rect.x, target_width * 4, rect.width,
                 rect.height);
    benchmark::DoNotOptimize(surface.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * rect.width * rect.height);
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

}  // namespace
