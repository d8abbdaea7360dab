// The body of a libFuzzer target for a decoder of the format table: it must refuse cleanly or
// give a bitmap of the size and layout it promises.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/bitmap.h"
#include "imaging/image_formats.h"

namespace zelko {

using Decoder = DecodedImage (*)(const std::uint8_t*, std::size_t, const DecodeLimits&);

// anyBmpLayout: a BMP keeps its own layout (1 to 32 bits, a palette of up to 2^bits colours,
// indices beyond it black), which the open path passes on as it is.
inline int FuzzDecoder(Decoder decode, const std::uint8_t* data, std::size_t size,
                       bool anyBmpLayout = false) {
  // A lower pixel limit than the program's keeps each run quick; the checks are the same.
  DecodeLimits limits;
  limits.maxPixels = 1 << 22;
  // The program always knows its memory, and counts the decoder's buffers against it: so does
  // the target, within the fuzzer's own memory limit.
  limits.physicalMemory = std::uint64_t{4} << 30;
  DecodedImage d;
  try {
    d = decode(data, size, limits);
  } catch (const ImagingError&) {
    return 0;
  }
  const Bitmap& b = d.bitmap;
  if (b.Empty() || std::int64_t{b.Width()} * b.Height() > limits.maxPixels) __builtin_trap();
  const int bits = b.BitsPerPixel();
  if (anyBmpLayout && d.format == "BMP") {
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
      __builtin_trap();
    if (bits <= 8 && b.palette.size() > (std::size_t{1} << bits)) __builtin_trap();
  } else {
    if (bits != 24 && bits != 8) __builtin_trap();
    if (bits == 8 && b.palette.size() != 256) __builtin_trap();
  }
  // Every pixel readable.
  std::uint32_t sum = 0;
  for (int y = 0; y < b.Height(); ++y) sum += PixelRgb(b, b.Width() - 1, y);
  return static_cast<int>(sum & 0);
}

}  // namespace zelko
