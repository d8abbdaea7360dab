// libFuzzer target: the JPEG decoder on arbitrary bytes, then the encoder on what it accepts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/jpeg_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zelko;
  // A lower pixel limit than the program's keeps each run quick; the checks are the same.
  constexpr std::int64_t kMaxPixels = 1 << 22;
  std::string warning;
  Bitmap b;
  try {
    b = DecodeJpeg(data, size, &warning, kMaxPixels);
  } catch (const ImagingError&) {
    return 0;
  }
  if (b.BitsPerPixel() != 24 && b.BitsPerPixel() != 8) __builtin_trap();
  if (std::int64_t{b.Width()} * b.Height() <= 1 << 16) {
    const std::vector<std::uint8_t> encoded = EncodeJpeg(b, 90);
    const Bitmap again = DecodeJpeg(encoded.data(), encoded.size());
    if (again.Width() != b.Width() || again.Height() != b.Height()) __builtin_trap();
  }
  return 0;
}
