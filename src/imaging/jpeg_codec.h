// JPEG decoding and encoding through libjpeg, with errors returned instead of ending the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/image_formats.h"

namespace zelko {

// Decodes a JPEG file held in memory: colour files to 24 bits per pixel (blue, green, red),
// grayscale files to 8 bits with a 256-level grey palette. CMYK and YCCK files are converted to
// colour (Adobe files store the inks inverted). 12-bit files are rejected, and so is an image of
// more than maxPixels pixels, before anything is decoded.
// A file whose data runs short or is damaged but still decodes (libjpeg only warns) is loaded:
// the picture is still useful, and *warning receives libjpeg's first warning text so the caller
// can tell the user. Throws ImagingError with libjpeg's message for anything that fails.
Bitmap DecodeJpeg(const std::uint8_t* data, std::size_t size, std::string* warning,
                  const DecodeLimits& limits);
Bitmap DecodeJpeg(const std::uint8_t* data, std::size_t size, std::string* warning = nullptr,
                  std::int64_t maxPixels = DecodeLimits{}.maxPixels);

// The orientation tag (0x0112) of the EXIF block in a JPEG's APP1 segment: 1 to 8, or 0 when
// the file has none or the block is damaged. Reads only the markers before the first scan.
int JpegOrientation(const std::uint8_t* data, std::size_t size);

// Encodes a bitmap as a baseline colour JPEG (libjpeg's defaults, quality 1..100). 24-bit rows
// go in directly; other layouts through their palette or masks. Throws ImagingError on failure.
std::vector<std::uint8_t> EncodeJpeg(const Bitmap& bitmap, int quality = 90);

}  // namespace zelko
