// Turning decoded rows of 8- or 16-bit samples (grey or colour, with or without alpha) into the
// rows of an 8-bit grey or 24-bit bitmap: shared by the PNG and TIFF decoders.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/bitmap.h"

namespace zelko {

struct SampleLayout {
  int channels = 1;            // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
  int bits = 8;                // 8 or 16; 16-bit samples in the machine's own byte order
  bool premultiplied = false;  // colour already multiplied by alpha
  bool inverted = false;       // grey with 0 as white
  bool signedSamples = false;  // two's complement, shown offset by half the range
  bool Grey() const { return channels <= 2; }
  bool Alpha() const { return channels == 2 || channels == 4; }
};

// A 16-bit sample reduced to 8 bits, rounded to nearest: v x 255 / 65535.
inline std::uint8_t Reduce16(std::uint32_t v) {
  return static_cast<std::uint8_t>((v * 255 + 32767) / 65535);
}

// The bitmap a layout decodes into: 8 bits with a grey palette for grey, else 24 bits. Throws
// ImagingError when it cannot be made.
Bitmap MakeDecodeTarget(int width, int height, const SampleLayout& layout);

// Converts n pixels from src into dst (a row of a MakeDecodeTarget bitmap, already offset to the
// first pixel): alpha composited on white, 16-bit samples reduced with Reduce16 after
// compositing at full precision.
void ConvertSamples(const std::uint8_t* src, int n, const SampleLayout& layout, std::uint8_t* dst);

// "8 ビット RGB", "16 ビット グレー+α", ...: how the file held its pixels.
std::string DepthText(int bits, const char* model);

}  // namespace zelko
