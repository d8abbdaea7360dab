// BMP files read into and written from a Bitmap in the file's own pixel layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"

namespace zelko {

// Decodes a whole BMP file held in memory: the 12-byte core header, the 16- and 64-byte
// second-generation core headers and the 40, 52, 56, 108 and 124-byte info headers; bottom-up
// and top-down rows; palettes; BI_BITFIELDS and BI_ALPHABITFIELDS masks for 16 and 32 bits;
// BI_RLE8 and BI_RLE4 expanded to 8 and 4 bits (pixels an RLE stream skips get index 0); 2-bit
// files widened to 4 bits. The rows come out top-down whatever the file's order.
// Throws ImagingError saying what is wrong for a malformed or unsupported file; every size is
// checked against the bytes present and against maxPixels before anything is allocated.
Bitmap ReadBmp(const std::uint8_t* data, std::size_t size,
               std::int64_t maxPixels = kMaxBitmapBytes / 3);

// Encodes a bitmap as a BMP file with a 40-byte info header and bottom-up rows, in its own
// layout: the palette for 1, 4 and 8 bits (a grey ramp when it has none), BI_BITFIELDS for 16
// and 32 bits whose masks are not the defaults. Throws ImagingError for an empty bitmap or one
// too large for the format.
std::vector<std::uint8_t> WriteBmp(const Bitmap& bitmap);

}  // namespace zelko
