// A photo-like picture for the benchmarks: smooth colour gradients with some noise, so JPEG has
// work to do.
#pragma once

#include <cstdint>
#include <random>

#include "imaging/bitmap.h"

namespace zelko::bench {

inline Bitmap SyntheticPhoto(int w, int h) {
  Bitmap b(w, h, 24);
  std::minstd_rand rng(1);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* p = b.Row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      const unsigned n = rng() & 15;
      p[0] = static_cast<std::uint8_t>((x * 255 / w + n) & 255);
      p[1] = static_cast<std::uint8_t>((y * 255 / h + n) & 255);
      p[2] = static_cast<std::uint8_t>(((x + y) * 127 / (w + h) + 64 + n) & 255);
    }
  }
  return b;
}

}  // namespace zelko::bench
