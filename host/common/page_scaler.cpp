#include "host/common/page_scaler.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

// AVX2 and AVX-512 are chosen at run time where the compiler can build them beside the
// baseline.
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define FERROWYN_WIDE_VECTORS 1
#define AVX2_CODE __attribute__((target("avx2")))
#define AVX512_CODE __attribute__((target("avx512f,avx512bw")))
#endif

namespace host::common {

PageRect FitPage(int page_width, int page_height, int target_width, int target_height,
                 Scaling scaling) {
  if (page_width <= 0 || page_height <= 0 || target_width <= 0 || target_height <= 0) return {};
  PageRect rect;
  const int multiple = std::min(target_width / page_width, target_height / page_height);
  if (scaling == Scaling::kStretch) {
    rect.width = target_width;
    rect.height = target_height;
  } else if (scaling == Scaling::kWhole && multiple >= 1) {
    rect.width = page_width * multiple;
    rect.height = page_height * multiple;
  } else if (int64_t{target_width} * page_height <= int64_t{target_height} * page_width) {
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

// Pixels as vectors, and as 16-bit lanes (two a pixel): four pixels to the baseline's
// registers (SSE2 on x86-64), eight to AVX2's, sixteen to AVX-512's.
using Pixels4 = uint32_t __attribute__((vector_size(16)));
using Lanes4 = uint16_t __attribute__((vector_size(16)));
using Lanes8 = uint16_t __attribute__((vector_size(32)));
using Lanes16 = uint16_t __attribute__((vector_size(64)));

// BlendPixel for a vector of pixels from `a` and `b` into `out`, `weights` holding each
// pixel's weight in both its lanes. No shuffles: the even bytes are masked in place and the
// odd ones shifted down. Everything by address, so that no vector is passed by value from
// AVX2 code to code built without it (a different calling convention).
template <class Lanes>
[[gnu::always_inline]] inline void BlendAt(const void* a, const void* b, const void* weights,
                                           void* out) {
  Lanes x, y, w;
  std::memcpy(&x, a, sizeof x);
  std::memcpy(&y, b, sizeof y);
  std::memcpy(&w, weights, sizeof w);
  const Lanes keep = 256 - w;
  const Lanes even = (x & 0xFF) * keep + (y & 0xFF) * w;
  const Lanes odd = (x >> 8) * keep + (y >> 8) * w;
  const Lanes blend = (even >> 8) | (odd & 0xFF00);
  std::memcpy(out, &blend, sizeof blend);
}

// Blends rows `a` and `b` into `out` from pixel `x`, a vector of pixels at a time; returns
// where it stopped: fewer than a vector's pixels before `count`.
template <class Lanes>
[[gnu::always_inline]] inline int BlendRowFrom(const uint32_t* a, const uint32_t* b,
                                               uint32_t weight, uint32_t* out, int x, int count) {
  constexpr int kPixels = sizeof(Lanes) / 4;
  const Lanes weights = Lanes{} + static_cast<uint16_t>(weight);
  for (; x + kPixels <= count; x += kPixels) BlendAt<Lanes>(a + x, b + x, &weights, out + x);
  return x;
}

// The wide paths below do whole vectors from `x` for as many as fit before `count`.
#if defined(FERROWYN_WIDE_VECTORS)
AVX2_CODE void BlendRowAvx2(const uint32_t* a, const uint32_t* b, uint32_t weight, uint32_t* out,
                            int x, int count) {
  BlendRowFrom<Lanes8>(a, b, weight, out, x, count);
}

AVX512_CODE void BlendRowAvx512(const uint32_t* a, const uint32_t* b, uint32_t weight,
                                uint32_t* out, int x, int count) {
  BlendRowFrom<Lanes16>(a, b, weight, out, x, count);
}

// A page row through the palette, eight pixels to a gather (sixteen are no faster); returns
// how many it did.
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

// Wider than the page, a vector of target columns sees no more page pixels than it has lanes,
// plus one: two loads and a permute by each column's distance from the vector's first find
// its first and second without a gather.
AVX2_CODE void ScaleAcrossAvx2(const uint32_t* row, const int32_t* firsts, const uint32_t* weights,
                               uint32_t* out, int x, int count) {
  for (; x + 8 <= count; x += 8) {
    const int32_t base = firsts[x];
    const __m256i offsets = _mm256_sub_epi32(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(firsts + x)), _mm256_set1_epi32(base));
    const __m256i first = _mm256_permutevar8x32_epi32(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + base)), offsets);
    const __m256i second = _mm256_permutevar8x32_epi32(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + base + 1)), offsets);
    BlendAt<Lanes8>(&first, &second, weights + x, out + x);
  }
}

AVX512_CODE void ScaleAcrossAvx512(const uint32_t* row, const int32_t* firsts,
                                   const uint32_t* weights, uint32_t* out, int x, int count) {
  for (; x + 16 <= count; x += 16) {
    const int32_t base = firsts[x];
    const __m512i offsets =
        _mm512_sub_epi32(_mm512_loadu_si512(firsts + x), _mm512_set1_epi32(base));
    // Masked with every lane kept: the same instruction, without the plain form's
    // undefined start that GCC 12 warns of.
    const __m512i first =
        _mm512_maskz_permutexvar_epi32(0xFFFF, offsets, _mm512_loadu_si512(row + base));
    const __m512i second =
        _mm512_maskz_permutexvar_epi32(0xFFFF, offsets, _mm512_loadu_si512(row + base + 1));
    BlendAt<Lanes16>(&first, &second, weights + x, out + x);
  }
}
#endif

// BlendRowFrom with the baseline's vectors, and the last few pixels one by one.
void BlendRowNarrow(const uint32_t* a, const uint32_t* b, uint32_t weight, uint32_t* out, int x,
                    int end) {
  for (x = BlendRowFrom<Lanes4>(a, b, weight, out, x, end); x < end; ++x)
    out[x] = BlendPixel(a[x], b[x], weight);
}

#if defined(FERROWYN_WIDE_VECTORS)
// Runs `wide`, which does whole vectors of `lanes` pixels from its first column for as many
// as fit, over columns [x, end) of `out`, at least a vector long: one vector where they start,
// the rest from the first vector boundary of `out`, so that each store fills one cache line
// (here one across two costs about a third more), and one ending at `end`. Where vectors
// overlap they write the same pixels again.
template <class Wide>
void InWholeVectors(const Wide& wide, const uint32_t* out, int x, int end, int lanes) {
  const auto address = reinterpret_cast<uintptr_t>(out + x);
  const int aligned = x + static_cast<int>((0 - address) % static_cast<unsigned>(lanes * 4) / 4);
  wide(x, x + lanes);
  wide(aligned, end);
  wide(end - lanes, end);
}
#endif

// Columns `columns` of a target row between two page rows already scaled across.
void BlendRow(const uint32_t* a, const uint32_t* b, uint32_t weight, uint32_t* out,
              PageScaler::Span columns, int vector_bytes) {
#if defined(FERROWYN_WIDE_VECTORS)
  const int count = columns.end - columns.first;
  if (vector_bytes >= 64 && count >= 16)
    return InWholeVectors([&](int x, int end) { BlendRowAvx512(a, b, weight, out, x, end); }, out,
                          columns.first, columns.end, 16);
  if (vector_bytes >= 32 && count >= 8)
    return InWholeVectors([&](int x, int end) { BlendRowAvx2(a, b, weight, out, x, end); }, out,
                          columns.first, columns.end, 8);
#endif
  BlendRowNarrow(a, b, weight, out, columns.first, columns.end);
}

// Page row `row` (through the palette) scaled across, from column `x` to `end`, with the
// baseline's vectors and then one by one.
void ScaleAcrossNarrow(const uint32_t* row, const int32_t* firsts, const uint32_t* weights,
                       uint32_t* out, int x, int end) {
  for (; x + 4 <= end; x += 4) {
    const int32_t* f = firsts + x;
    const Pixels4 first = {row[f[0]], row[f[1]], row[f[2]], row[f[3]]};
    const Pixels4 second = {row[f[0] + 1], row[f[1] + 1], row[f[2] + 1], row[f[3] + 1]};
    BlendAt<Lanes4>(&first, &second, weights + x, out + x);
  }
  for (; x < end; ++x) out[x] = BlendPixel(row[firsts[x]], row[firsts[x] + 1], weights[x] & 0xFFFF);
}

}  // namespace

PageScaler::PageScaler(Vectors vectors) {
#if defined(FERROWYN_WIDE_VECTORS)
  if (vectors != Vectors::kBaseline && __builtin_cpu_supports("avx2")) vector_bytes_ = 32;
  if (vectors == Vectors::kBest && __builtin_cpu_supports("avx512f") &&
      __builtin_cpu_supports("avx512bw"))
    vector_bytes_ = 64;
#endif
}

void PageScaler::ScaleAcross(const uint8_t* in, const uint32_t* colours, uint32_t* out,
                             Span columns) {
  const int32_t* firsts = firsts_.data();
  int x = columns.first;
  const int end = columns.end;
  if (!columns_blend_) {
    // As wide as the page: each column one page pixel, straight through the palette.
#if defined(FERROWYN_WIDE_VECTORS)
    if (vector_bytes_ >= 32) x += ThroughPaletteAvx2(in + x, colours, out + x, end - x);
#endif
    for (; x < end; ++x) out[x] = colours[in[x]];
    return;
  }
  // Through the palette once per page pixel these columns see, rather than once or twice per
  // target pixel.
  uint32_t* row = row_colours_.data();
  const int page_end = std::min(columns_page_, firsts[end - 1] + 2);
  int p = firsts[x];
#if defined(FERROWYN_WIDE_VECTORS)
  if (vector_bytes_ >= 32) p += ThroughPaletteAvx2(in + p, colours, row + p, page_end - p);
#endif
  for (; p < page_end; ++p) row[p] = colours[in[p]];
  const uint32_t* weights = column_weights_.data();
#if defined(FERROWYN_WIDE_VECTORS)
  if (vector_bytes_ >= 64 && end - x >= 16)
    return InWholeVectors(
        [&](int from, int to) { ScaleAcrossAvx512(row, firsts, weights, out, from, to); }, out, x,
        end, 16);
  if (vector_bytes_ >= 32 && end - x >= 8)
    return InWholeVectors(
        [&](int from, int to) { ScaleAcrossAvx2(row, firsts, weights, out, from, to); }, out, x,
        end, 8);
#endif
  ScaleAcrossNarrow(row, firsts, weights, out, x, end);
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
  written_.push_back({0, 0, width, height});
}

void PageScaler::Scale(const uint8_t* page, int page_pitch, int page_width, int page_height,
                       const uint32_t* colours, uint32_t* target, int target_pitch, int width,
                       int height, const Span* changed) {
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
    first_columns_.clear();
    for (const Tap& tap : Taps(page_width, width)) {
      while (static_cast<int>(first_columns_.size()) <= tap.first)
        first_columns_.push_back(static_cast<int32_t>(firsts_.size()));
      firsts_.push_back(tap.first);
      column_weights_.push_back(tap.weight * 0x10001);
    }
    first_columns_.resize(page_width + 1, width);
    // Vector loads read up to sixteen pixels past a column's first.
    row_colours_.assign(page_width + 16, 0);
    for (auto& row : scratch_) row.resize(width);
  }
  if (static_cast<int>(rows_.size()) != height || rows_page_ != page_height) {
    rows_ = Taps(page_height, height);
    rows_page_ = page_height;
  }
  // The columns that show any of page rows [first, last] where they changed: those whose
  // first page pixel or the one after it changed.
  auto changed_columns = [&](int first, int last) {
    if (!changed) return Span{0, width};
    Span pixels;
    for (int row = std::max(first, 0); row <= std::min(last, page_height - 1); ++row)
      pixels = pixels.With(changed[row]);
    if (pixels.Empty()) return Span{};
    return Span{first_columns_[std::max(pixels.first - 1, 0)],
                first_columns_[std::min(pixels.end, page_width)]};
  };
  // Each page row is scaled across once: into the target row that shows it alone, or into
  // scratch when it is only ever blended; later rows that need it copy or blend from there.
  // Target rows show a page row alone or blended with the next, so the columns that any
  // target row showing page row r must write are among those of rows r - 1 to r + 1.
  const uint32_t* across[2] = {};  // page rows scaled across, by the row's parity
  int across_row[2] = {-1, -1};
  auto scaled = [&](int row, uint32_t* out) {
    const int slot = row & 1;
    if (across_row[slot] != row) {
      uint32_t* into = out ? out : scratch_[slot].data();
      ScaleAcross(page + static_cast<ptrdiff_t>(row) * page_pitch, colours, into,
                  changed_columns(row - 1, row + 1));
      across[slot] = into;
      across_row[slot] = row;
    }
    return across[slot];
  };
  auto* rows = reinterpret_cast<uint8_t*>(target);
  for (int y = 0; y < height; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(rows + static_cast<ptrdiff_t>(y) * target_pitch);
    const Tap& tap = rows_[y];
    const Span columns = changed_columns(tap.first, tap.second);
    if (columns.Empty()) continue;
    PageRect* last = written_.empty() ? nullptr : &written_.back();
    if (last && last->y + last->height == y) {
      const int right = std::max(last->x + last->width, columns.end);
      last->x = std::min(last->x, columns.first);
      last->width = right - last->x;
      ++last->height;
    } else {
      written_.push_back({columns.first, y, columns.end - columns.first, 1});
    }
    if (!tap.weight) {
      // Rows that repeat a page row are copies of the first.
      const uint32_t* first = scaled(tap.first, out);
      if (first != out)
        std::memcpy(out + columns.first, first + columns.first,
                    sizeof(uint32_t) * (columns.end - columns.first));
      continue;
    }
    // A page row the next target row shows alone is scaled straight into that row, rather
    // than into scratch and copied there.
    uint32_t* next = nullptr;
    if (y + 1 < height && !rows_[y + 1].weight && rows_[y + 1].first == tap.second &&
        (!changed || !changed[tap.second].Empty()))
      next = reinterpret_cast<uint32_t*>(rows + static_cast<ptrdiff_t>(y + 1) * target_pitch);
    BlendRow(scaled(tap.first, nullptr), scaled(tap.second, next), tap.weight, out, columns,
             vector_bytes_);
  }
}

}  // namespace host::common
