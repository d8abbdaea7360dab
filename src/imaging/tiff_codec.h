// TIFF decoding through libtiff from memory, with errors returned and nothing printed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/image_formats.h"

namespace zelko {

bool LooksLikeTiff(const std::uint8_t* data, std::size_t size);

// Decodes the first image of a TIFF file held in memory: 8 or 16 bits per sample, grey (either
// polarity), grey + alpha, RGB, RGBA and 8-bit palette, pixels interleaved, in strips or tiles,
// with any compression libtiff reads (none, LZW, Deflate, PackBits, ...). Output as DecodePng.
// Throws ImagingError with the reason for anything else, for a file libtiff refuses and for
// one beyond the limits, checked before the pixels are allocated.
DecodedImage DecodeTiff(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits);

}  // namespace zelko
