// PNG decoding through libpng, with errors returned instead of ending the process.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/image_formats.h"

namespace zelko {

bool LooksLikePng(const std::uint8_t* data, std::size_t size);

// Decodes a PNG file held in memory: every colour type at 1 to 16 bits. Grey comes out as 8
// bits with a grey palette, a palette without transparency as 8 bits with its palette, the rest
// as 24 bits; alpha (and tRNS transparency) is composited on white and 16-bit samples are
// rounded to 8 bits. Interlaced files are read whole. Throws ImagingError with the reason for a
// file libpng refuses or one beyond the limits, checked before the pixels are allocated.
DecodedImage DecodePng(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits);

}  // namespace zelko
