#include "platform/host/page_scaler.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif
// AVX2 is chosen at run time where the compiler can build it beside the baseline.
#if defined(__x86_64__) && defined(__GNUC__)
#define FERROWYN_AVX2 1
#define AVX2_CODE __attribute__((target("avx2")))
#endif

namespace host {

PageRect FitPage(int page_width, int page_height, int target_width, int target_height) {
  if (page_width <= 0 || page_height <= 0 || target_width <= 0 || target_height <= 0) return {};
  PageRect rect;
  if (int64_t{target_width} * page_height <= int64_t{target_height} * page_width) {
    rect.width = target_width;
    rect.height = static_cast<int>(int64_t{target_width} * page_height / page_width);
  } else {
    rect.height = target_height;
    rect.width = static_cast<int>(int64_t{target_height} * page_width / page_height);
  }
  rect.x = (target_width - rect.width) / 2;
  rect.y = (target_height - rect.height) / 2;
  return rect;
}

std::vector<PageScaler::Tap> PageScaler::Taps(int page_size, int target_size) {
  std::vector<Tap> taps(std::max(target_size, 0));
  if (page_size <= 0 || target_size < page_size) return taps;
  // Target pixel i covers [i, i + 1) * span / target_size of the page scaled up `whole` times,
  // which is at most one of its pixels: so it sees one or two of them.
  const int64_t whole = target_size / page_size;
  const int64_t span = whole * page_size;
  for (int i = 0; i < target_size; ++i) {
    int64_t start = i * span, end = (i + 1) * span;  // in 1/target_size of a scaled pixel
    int64_t scaled = start / target_size;
    int64_t boundary = (scaled + 1) * target_size;
    int first = static_cast<int>(scaled / whole);
    Tap tap{first, first, 0};
    if (end > boundary) {
      int second = static_cast<int>((scaled + 1) / whole);
      uint32_t weight = static_cast<uint32_t>(((end - boundary) * 256 + span / 2) / span);
      if (second != first && weight > 0)
        tap = weight >= 256 ? Tap{second, second, 0} : Tap{first, second, weight};
    }
    taps[i] = tap;
  }
  return taps;
}

namespace {

// A blend, byte by byte: (a * (256 - weight) + b * weight) >> 8. The weights are below 256,
// so each sum fits in 16 bits: two bytes at a time here, in 16-bit lanes of a 32-bit word.
uint32_t BlendPixel(uint32_t a, uint32_t b, uint32_t weight) {
  const uint32_t keep = 256 - weight;
  const uint32_t even = ((a & 0x00FF00FF) * keep + (b & 0x00FF00FF) * weight) >> 8;
  const uint32_t odd = (a >> 8 & 0x00FF00FF) * keep + (b >> 8 & 0x00FF00FF) * weight;
  return (even & 0x00FF00FF) | (odd & 0xFF00FF00);
}

#if defined(__SSE2__)
// BlendPixel for four pixels; `weights` holds each pixel's weight in both of its 16-bit
// lanes. No shuffles: the even bytes are masked in place and the odd ones shifted down.
__m128i Blend(__m128i a, __m128i b, __m128i weights) {
  const __m128i keep = _mm_sub_epi16(_mm_set1_epi16(256), weights);
  const __m128i low = _mm_set1_epi16(0x00FF);
  const __m128i even = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(a, low), keep),
                                     _mm_mullo_epi16(_mm_and_si128(b, low), weights));
  const __m128i odd = _mm_add_epi16(_mm_mullo_epi16(_mm_srli_epi16(a, 8), keep),
                                    _mm_mullo_epi16(_mm_srli_epi16(b, 8), weights));
  return _mm_or_si128(_mm_srli_epi16(even, 8), _mm_andnot_si128(low, odd));
}

__m128i Load(const void* from) {
  return _mm_loadu_si128(static_cast<const __m128i*>(from));
}
#endif

#if defined(FERROWYN_AVX2)
// The same, eight pixels at a time.
AVX2_CODE __m256i Blend(__m256i a, __m256i b, __m256i weights) {
  const __m256i keep = _mm256_sub_epi16(_mm256_set1_epi16(256), weights);
  const __m256i low = _mm256_set1_epi16(0x00FF);
  const __m256i even = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(a, low), keep),
                                        _mm256_mullo_epi16(_mm256_and_si256(b, low), weights));
  const __m256i odd = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(a, 8), keep),
                                       _mm256_mullo_epi16(_mm256_srli_epi16(b, 8), weights));
  return _mm256_or_si256(_mm256_srli_epi16(even, 8), _mm256_andnot_si256(low, odd));
}

AVX2_CODE __m256i Load8(const void* from) {
  return _mm256_loadu_si256(static_cast<const __m256i*>(from));
}

// Returns how many of the `count` pixels it did: all but fewer than eight.
AVX2_CODE int BlendRowAvx2(const uint32_t* a, const uint32_t* b, uint32_t weight, uint32_t* out,
                           int count) {
  const __m256i weights = _mm256_set1_epi16(static_cast<int16_t>(weight));
  int x = 0;
  for (; x + 8 <= count; x += 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                        Blend(Load8(a + x), Load8(b + x), weights));
  return x;
}

// A page row through the palette, eight pixels to a gather; returns how many it did.
AVX2_CODE int ThroughPaletteAvx2(const uint8_t* in, const uint32_t* colours, uint32_t* out,
                                 int count) {
  int x = 0;
  for (; x + 8 <= count; x += 8) {
    const __m256i indices =
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + x)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                        _mm256_i32gather_epi32(reinterpret_cast<const int*>(colours), indices, 4));
  }
  return x;
}

// Wider than the page, eight target columns see at most nine neighbouring page pixels: two
// loads and a permute find each column's first and second without a gather.
AVX2_CODE int ScaleAcrossAvx2(const uint32_t* row, const int32_t* firsts, const int32_t* offsets,
                              const uint32_t* weights, uint32_t* out, int count) {
  int x = 0;
  for (; x + 8 <= count; x += 8) {
    const int32_t base = firsts[x];
    const __m256i from_base = Load8(offsets + x);
    const __m256i first = _mm256_permutevar8x32_epi32(Load8(row + base), from_base);
    const __m256i second = _mm256_permutevar8x32_epi32(Load8(row + base + 1), from_base);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                        Blend(first, second, Load8(weights + x)));
  }
  return x;
}
#endif

// A target row between two page rows already scaled across.
void BlendRow(const uint32_t* a, const uint32_t* b, uint32_t weight, uint32_t* out, int count,
              bool avx2) {
  int x = 0;
#if defined(FERROWYN_AVX2)
  if (avx2) x = BlendRowAvx2(a, b, weight, out, count);
#endif
#if defined(__SSE2__)
  const __m128i weights = _mm_set1_epi16(static_cast<int16_t>(weight));
  for (; x + 4 <= count; x += 4)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), Blend(Load(a + x), Load(b + x), weights));
#endif
  for (; x < count; ++x) out[x] = BlendPixel(a[x], b[x], weight);
}

}  // namespace

PageScaler::PageScaler(Vectors vectors) {
#if defined(FERROWYN_AVX2)
  avx2_ = vectors == Vectors::kBest && __builtin_cpu_supports("avx2");
#endif
}

void PageScaler::ScaleAcross(const uint8_t* in, const uint32_t* colours, uint32_t* out) {
  const int width = static_cast<int>(firsts_.size());
  const int32_t* firsts = firsts_.data();
  if (!columns_blend_) {
    // Narrower than the page: a few page pixels each, picked straight through the palette.
    for (int x = 0; x < width; ++x) out[x] = colours[in[firsts[x]]];
    return;
  }
  // Through the palette once per page pixel, rather than once or twice per target pixel.
  uint32_t* row = row_colours_.data();
  int x = 0;
#if defined(FERROWYN_AVX2)
  if (avx2_) x = ThroughPaletteAvx2(in, colours, row, columns_page_);
#endif
  for (; x < columns_page_; ++x) row[x] = colours[in[x]];
  const uint32_t* weights = column_weights_.data();
  x = 0;
#if defined(FERROWYN_AVX2)
  if (avx2_) x = ScaleAcrossAvx2(row, firsts, offsets_.data(), weights, out, width);
#endif
#if defined(__SSE2__)
  for (; x + 4 <= width; x += 4) {
    const int32_t* f = firsts + x;
    const __m128i first = _mm_setr_epi32(row[f[0]], row[f[1]], row[f[2]], row[f[3]]);
    const __m128i second =
        _mm_setr_epi32(row[f[0] + 1], row[f[1] + 1], row[f[2] + 1], row[f[3] + 1]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), Blend(first, second, Load(weights + x)));
  }
#endif
  for (; x < width; ++x)
    out[x] = BlendPixel(row[firsts[x]], row[firsts[x] + 1], weights[x] & 0xFFFF);
}

std::vector<PageScaler::Cover> PageScaler::Covers(int page_size, int target_size,
                                                  std::vector<uint32_t>* shares) {
  std::vector<Cover> covers;
  shares->clear();
  if (page_size <= 0 || target_size <= 0) return covers;
  // In 1/target_size of a page pixel: target pixel i spans [i, i + 1) * page_size, page pixel
  // s spans [s, s + 1) * target_size.
  const int64_t p = page_size, t = target_size;
  for (int64_t i = 0; i < t; ++i) {
    const int64_t start = i * p, end = start + p;
    Cover cover{static_cast<int>(start / t), 0, shares->size()};
    for (int64_t s = cover.first; s * t < end; ++s, ++cover.count)
      shares->push_back(static_cast<uint32_t>(std::min(end, (s + 1) * t) - std::max(start, s * t)));
    covers.push_back(cover);
  }
  return covers;
}

void PageScaler::ScaleDown(const uint8_t* page, int page_pitch, int page_width, int page_height,
                           const uint32_t* colours, uint32_t* target, int target_pitch, int width,
                           int height) {
  if (static_cast<int>(down_columns_.size()) != width || down_columns_page_ != page_width) {
    down_columns_ = Covers(page_width, width, &down_column_shares_);
    down_columns_page_ = page_width;
  }
  if (static_cast<int>(down_rows_.size()) != height || down_rows_page_ != page_height) {
    down_rows_ = Covers(page_height, height, &down_row_shares_);
    down_rows_page_ = page_height;
  }
  // Each page row averaged across once: per column and channel, the sum of share * value.
  down_across_.resize(static_cast<size_t>(page_height) * width * 4);
  for (int row = 0; row < page_height; ++row) {
    const uint8_t* in = page + static_cast<ptrdiff_t>(row) * page_pitch;
    uint32_t* sums = down_across_.data() + static_cast<size_t>(row) * width * 4;
    for (int x = 0; x < width; ++x) {
      const Cover& cover = down_columns_[x];
      uint32_t channel[4] = {};
      for (int k = 0; k < cover.count; ++k) {
        const uint32_t colour = colours[in[cover.first + k]];
        const uint32_t share = down_column_shares_[cover.shares + k];
        for (int c = 0; c < 4; ++c) channel[c] += share * (colour >> (8 * c) & 0xFF);
      }
      std::memcpy(sums + 4 * x, channel, sizeof channel);
    }
  }
  // Then down: the shares of both ways multiply to page_width * page_height in all.
  const uint64_t whole = uint64_t(page_width) * uint64_t(page_height);
  auto* rows = reinterpret_cast<uint8_t*>(target);
  for (int y = 0; y < height; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(rows + static_cast<ptrdiff_t>(y) * target_pitch);
    const Cover& cover = down_rows_[y];
    for (int x = 0; x < width; ++x) {
      uint64_t channel[4] = {};
      for (int k = 0; k < cover.count; ++k) {
        const uint32_t* sums =
            down_across_.data() + (static_cast<size_t>(cover.first + k) * width + x) * 4;
        const uint64_t share = down_row_shares_[cover.shares + k];
        for (int c = 0; c < 4; ++c) channel[c] += share * sums[c];
      }
      uint32_t pixel = 0;
      for (int c = 0; c < 4; ++c)
        pixel |= static_cast<uint32_t>((channel[c] + whole / 2) / whole) << (8 * c);
      out[x] = pixel;
    }
  }
  written_.push_back({0, height});
}

void PageScaler::Scale(const uint8_t* page, int page_pitch, int page_width, int page_height,
                       const uint32_t* colours, uint32_t* target, int target_pitch, int width,
                       int height, const uint8_t* changed_rows) {
  written_.clear();
  if (width <= 0 || height <= 0 || page_width <= 0 || page_height <= 0) return;
  // Smaller than the page either way (the picture keeps its shape, so both): averaged, whole.
  if (width < page_width || height < page_height)
    return ScaleDown(page, page_pitch, page_width, page_height, colours, target, target_pitch,
                     width, height);
  if (static_cast<int>(firsts_.size()) != width || columns_page_ != page_width) {
    columns_page_ = page_width;
    columns_blend_ = width > page_width;
    firsts_.clear();
    column_weights_.clear();
    offsets_.clear();
    for (const Tap& tap : Taps(page_width, width)) {
      firsts_.push_back(tap.first);
      offsets_.push_back(tap.first - firsts_[(firsts_.size() - 1) & ~size_t{7}]);
      column_weights_.push_back(tap.weight * 0x10001);
    }
    // Vector loads read up to eight pixels past a column's first.
    row_colours_.assign(page_width + 8, 0);
    for (auto& row : scratch_) row.resize(width);
  }
  if (static_cast<int>(rows_.size()) != height || rows_page_ != page_height) {
    rows_ = Taps(page_height, height);
    rows_page_ = page_height;
  }
  // Each page row is scaled across once: into the target row that shows it alone, or into
  // scratch when it is only ever blended; later rows that need it copy or blend from there.
  const uint32_t* across[2] = {};  // page rows scaled across, by the row's parity
  int across_row[2] = {-1, -1};
  auto scaled = [&](int row, uint32_t* out) {
    const int slot = row & 1;
    if (across_row[slot] != row) {
      uint32_t* into = out ? out : scratch_[slot].data();
      ScaleAcross(page + static_cast<ptrdiff_t>(row) * page_pitch, colours, into);
      across[slot] = into;
      across_row[slot] = row;
    }
    return across[slot];
  };
  auto* rows = reinterpret_cast<uint8_t*>(target);
  for (int y = 0; y < height; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(rows + static_cast<ptrdiff_t>(y) * target_pitch);
    const Tap& tap = rows_[y];
    if (changed_rows && !changed_rows[tap.first] && !changed_rows[tap.second]) continue;
    if (!written_.empty() && written_.back().end == y)
      ++written_.back().end;
    else
      written_.push_back({y, y + 1});
    if (!tap.weight) {
      // Rows that repeat a page row are copies of the first.
      const uint32_t* first = scaled(tap.first, out);
      if (first != out) std::memcpy(out, first, sizeof(uint32_t) * width);
      continue;
    }
    BlendRow(scaled(tap.first, nullptr), scaled(tap.second, nullptr), tap.weight, out, width,
             avx2_);
  }
}

}  // namespace host
