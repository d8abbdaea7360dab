// libFuzzer target: the BMP reader on arbitrary bytes, then the writer and the working-image
// pipeline on whatever it accepts.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/bmp_codec.h"
#include "imaging/working_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zelko;
  // A lower pixel limit than the program's keeps each run quick; the checks are the same.
  constexpr std::int64_t kMaxPixels = 1 << 22;
  Bitmap b;
  try {
    b = ReadBmp(data, size, kMaxPixels);
  } catch (const ImagingError&) {
    return 0;
  }
  // What was read must survive being written and read again.
  const std::vector<std::uint8_t> bytes = WriteBmp(b);
  const Bitmap again = ReadBmp(bytes.data(), bytes.size(), kMaxPixels);
  if (again.Width() != b.Width() || again.Height() != b.Height() ||
      again.BitsPerPixel() != b.BitsPerPixel())
    __builtin_trap();
  std::vector<std::uint32_t> r1(b.Width()), r2(b.Width());
  for (int y = 0; y < b.Height(); ++y) {
    RowToArgb32(b, y, r1.data());
    RowToArgb32(again, y, r2.data());
    if (std::memcmp(r1.data(), r2.data(), r1.size() * 4) != 0) __builtin_trap();
  }
  if (std::int64_t{b.Width()} * b.Height() <= 1 << 16) {
    WorkingImageSettings s;
    const std::uint8_t last = data[size - 1];
    s.contrast = last & 1;
    s.adjustRgb = last & 2;
    s.rotationAngle = static_cast<float>((last >> 2) * 15 - 200);
    s.factor = 0.3 + (last & 3) * 0.4;
    WorkingImage out;
    (void)BuildWorkingImage(b, s, out);
  }
  return 0;
}
