// Table-driven nearest-neighbour loops shared by the bitmap operations and the working-image
// pipeline. Not part of the engine's interface: callers check sizes, bounds and overflow first,
// so these loops never fail.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/bitmap.h"

namespace zelko::kernels {

// Per-channel lookup tables applied while copying 24-bit pixels.
struct ColourTables {
  std::uint8_t blue[256];
  std::uint8_t green[256];
  std::uint8_t red[256];
};

// The tables of AdjustColor: contrast first, then the offsets. Identity when both are off.
ColourTables BuildColourTables(bool contrastOn, bool balanceOn, double strength,
                               std::int8_t redOffset, std::int8_t greenOffset,
                               std::int8_t blueOffset);

// Runs fn(firstRow, endRow) over [0, rows), split in bands between this thread and the
// program's helper threads when the work (pixels) is large enough to pay for handing it over;
// otherwise, or while the helpers are busy with another caller's job, on this thread alone.
// Returns when every band is done; an exception from fn is passed on after that.
void ParallelRows(int rows, std::int64_t work, const std::function<void(int, int)>& fn);

// The number of helper threads (cores - 1, started on first use).
int ParallelHelpers();

// (i x size) div count for every i below count: the columns or rows a resize samples. Throws
// ImagingError when (count - 1) x size does not fit 32 bits.
std::vector<std::int32_t> ResizeTable(int size, int count);
std::vector<std::int32_t> Identity(int size);

// The largest pixel index a row of the layout accepts.
std::int64_t RowBoundLimit(int bitsPerPixel);

// The background in the layout's own form (byte, word, colour bytes, bit or nibble).
std::uint32_t LayoutBackground(int bitsPerPixel, std::uint32_t background);

// dst(x, y) = src(columns[x], rows[y]), or with transposed set src(columns[y], rows[x]).
// Every index lies inside src. lut may be null; it is only used for 24 bits.
void MapSeparable(const Bitmap& src, Bitmap& dst, const std::int32_t* columns,
                  const std::int32_t* rows, bool transposed, const ColourTables* lut);

// The inverse of an affine map and the rounding of TransformBitmap.
struct AffineInverse {
  double i11, i12, i21, i22, tx, ty;
};

// Throws ImagingError unless every destination pixel of a width x height image maps to source
// indices that fit 32 bits.
void CheckAffineRange(const AffineInverse& inv, int width, int height);

// Rounds x*a + y*b + t, formed in extended precision, to nearest with ties to even.
std::int32_t AffineIndex(std::int32_t x, std::int32_t y, double a, double b, double t);

// dst(x, y): (u, v) = the rounded inverse map of (x, y); when 0 <= u < innerWidth and
// 0 <= v < innerHeight the pixel is src(columns[u], rows[v]), otherwise the background (already
// in layout form). CheckAffineRange must have passed for dst's size.
void MapAffine(const Bitmap& src, Bitmap& dst, const AffineInverse& inv, int innerWidth,
               int innerHeight, const std::int32_t* columns, const std::int32_t* rows,
               std::uint32_t layoutBackground, const ColourTables* lut, int originX = 0,
               int originY = 0);

// MapAffine for a part of the transformed image: dst(x, y) is its pixel (originX + x, originY + y)
// as above, which is what the view window needs. The pixel (xs[x], ys[y]) for scattered
// positions (the overview's), each by the exact rule.
void MapAffineAt(const Bitmap& src, Bitmap& dst, const AffineInverse& inv, int innerWidth,
                 int innerHeight, const std::int32_t* columns, const std::int32_t* rows,
                 const std::int32_t* xs, const std::int32_t* ys, std::uint32_t layoutBackground);

// For each row j of the positions (xs[i], ys[j]) of a transformed image, xs increasing: the
// run [runs[2j], runs[2j + 1]) of i whose pixels MapAffine takes from the source; the rest is
// background. (The rounded inverse map is monotone along a row, so the run is unbroken.)
void AffineInsideRuns(const AffineInverse& inv, int innerWidth, int innerHeight,
                      const std::int32_t* xs, int count, const std::int32_t* ys, int rows,
                      std::vector<std::int32_t>& runs);

// The tables as parts of the 0xFFRRGGBB words of the view's picture.
struct WordTables {
  std::uint32_t blue[256], green[256], red[256];
  bool sameChannels = false;  // one table serves all three channels (contrast alone)
};
WordTables MakeWordTables(const ColourTables& tables);
// Tables that change nothing.
const ColourTables& IdentityTables();

// count 24-bit pixels (blue, green, red bytes) into 0xFFRRGGBB words with the tables applied;
// words must be MakeWordTables(tables). Uses the byte-permute instructions where the processor
// has them (64 table entries per instruction), else one look-up per channel.
void BgrToWords(const std::uint8_t* src, std::uint32_t* dst, int count, const ColourTables& tables,
                const WordTables& words);

// dst = src (24 bits, same size) with the tables applied; with runs (as AffineInsideRuns
// gives), only inside each row's run: the background keeps its colour, as in MapAffine.
void ApplyColourTables(const Bitmap& src, Bitmap& dst, const ColourTables& tables,
                       const std::vector<std::int32_t>* runs = nullptr);

}  // namespace zelko::kernels
