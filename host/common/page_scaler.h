// Fitting the 8-bit page into a window and scaling it there as 32-bit pixels. No platform
// in here: every host that draws into a pixel buffer shares it.
#pragma once
#include <cstdint>
#include <cstddef>
#include <vector>

#include "host/common/settings.h"

namespace host::common {

// Where a page lands inside a target, centred (black bars fill the rest): the largest
// rectangle of the page's aspect that fits; with kWhole the largest whole multiple of the page
// that fits (that rectangle still, in a target smaller than the page); with kStretch all of it.
struct PageRect {
  int x = 0, y = 0, width = 0, height = 0;
};
// An empty rectangle when either size is empty (a minimised window).
PageRect FitPage(int page_width, int page_height, int target_width, int target_height,
                 Scaling scaling = Scaling::kSmooth);

// Converts 8-bit pages through a 256-entry colour table into 32-bit pixels (8 bits a
// channel, any order), scaled to a rectangle the way a player expects of pixel art: up by the
// largest whole multiple with sharp, nearest pixels, then the remaining fraction by averaging
// what each target pixel covers, so every page pixel comes out the same width and no edge
// shimmers. Smaller than the page, each target pixel is the average of the page pixels it
// covers, weighted by how much of each, so thin lines and text keep their weight. The tables
// are kept between calls, since the sizes rarely change.
class PageScaler {
 public:
  // Which vector instructions to use: the widest the processor offers, or no wider than AVX2
  // or SSE2 (to compare them in tests and benchmarks). All give the same pixels.
  enum class Vectors { kBest, kAvx2, kBaseline };
  // Chooses its vector instructions once, here.
  explicit PageScaler(Vectors vectors = Vectors::kBest);

  // Columns [first, end) of a row; none when end <= first.
  struct Span {
    int first = 0, end = 0;
    bool Empty() const { return end <= first; }
    // The smallest span holding both.
    Span With(Span other) const {
      if (Empty()) return other;
      if (other.Empty()) return *this;
      return {first < other.first ? first : other.first, end > other.end ? end : other.end};
    }
  };
  // `target` points at the rectangle's top-left pixel; `target_pitch` is in bytes. With
  // `changed` (for each page row, the columns that changed in it), only the target pixels
  // that show a changed page pixel are written, and a few beside them that keep their values.
  void Scale(const uint8_t* page, int page_pitch, int page_width, int page_height,
             const uint32_t* colours, uint32_t* target, int target_pitch, int width, int height,
             const Span* changed = nullptr);

  // What the last Scale wrote, top to bottom, in the rectangle's own coordinates: a
  // rectangle around each run of rows it wrote in.
  const std::vector<PageRect>& Written() const { return written_; }

  // The width of the vectors Scale uses, in bytes: 16 (SSE2 or the like), 32 (AVX2) or 64
  // (AVX-512).
  int VectorBytes() const { return vector_bytes_; }

  // What one target pixel (column or row) shows: page pixel `first`, blended with `second`
  // by `weight`/256.
  struct Tap {
    int first = 0;
    int second = 0;
    uint32_t weight = 0;  // 0 = `first` alone
  };
  // One tap per target pixel along a line of `target_size` at least `page_size` long; none
  // for an empty size.
  static std::vector<Tap> Taps(int page_size, int target_size);

  // What one target pixel covers when the target is smaller: `count` page pixels from
  // `first`, each by a share of `page_size` (the shares add up to it), in 1/target_size of a
  // page pixel.
  struct Cover {
    int first = 0;
    int count = 0;
    size_t shares = 0;  // where its shares start in the list Covers fills
  };
  static std::vector<Cover> Covers(int page_size, int target_size, std::vector<uint32_t>* shares);

 private:
  void ScaleAcross(const uint8_t* in, const uint32_t* colours, uint32_t* out, Span columns);
  void ScaleDown(const uint8_t* page, int page_pitch, int page_width, int page_height,
                 const uint32_t* colours, uint32_t* target, int target_pitch, int width,
                 int height);

  int vector_bytes_ = 16;
  int columns_page_ = 0, rows_page_ = 0;
  bool columns_blend_ = false;   // wider than the page: each column shows `first` or a blend
  std::vector<int32_t> firsts_;  // each column's first page pixel
  // For each page pixel and the end: the first column whose first page pixel is it or later.
  std::vector<int32_t> first_columns_;
  std::vector<uint32_t> column_weights_;  // each column's weight, in both 16-bit halves
  std::vector<Tap> rows_;
  std::vector<uint32_t> row_colours_;  // a page row through the palette, padded for vector loads
  std::vector<uint32_t> scratch_[2];   // page rows scaled across, for blended target rows
  std::vector<PageRect> written_;
  // Shrinking: the covers of each column and row, and the page's rows averaged across.
  std::vector<Cover> down_columns_, down_rows_;
  int down_columns_page_ = 0, down_rows_page_ = 0;
  std::vector<uint32_t> down_column_shares_, down_row_shares_;
  std::vector<uint32_t> down_across_;  // 4 channel sums a column, for each page row
};

}  // namespace host::common
