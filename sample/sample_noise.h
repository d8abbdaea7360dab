// Colours and value noise shared by the sample generators. Integer hashing only, so that every
// run and every compiler give the same pixels.
#pragma once

#include <cmath>
#include <cstdint>

namespace zelko::sample {

struct Rgb {
  double r = 0, g = 0, b = 0;
};
inline Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
inline Rgb Scale(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }

inline std::uint32_t Hash(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  std::uint32_t h =
      seed * 0x9E3779B9u ^ std::uint32_t(x) * 0x85EBCA6Bu ^ std::uint32_t(y) * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}
inline double Unit(std::uint32_t h) { return (h >> 8) / double(1u << 24); }  // [0, 1)

// Smooth value noise in [0, 1) with features of about `size` (pixels or metres).
inline double Noise(double x, double y, double size, std::uint32_t seed) {
  const double fx = x / size, fy = y / size;
  const double x0 = std::floor(fx), y0 = std::floor(fy);
  const auto ix = std::int32_t(x0), iy = std::int32_t(y0);
  auto smooth = [](double t) { return t * t * (3 - 2 * t); };
  const double tx = smooth(fx - x0), ty = smooth(fy - y0);
  const double a = Unit(Hash(ix, iy, seed)), b = Unit(Hash(ix + 1, iy, seed));
  const double c = Unit(Hash(ix, iy + 1, seed)), d = Unit(Hash(ix + 1, iy + 1, seed));
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Three octaves, centred on 0, about -0.5..0.5.
inline double Fbm(double x, double y, double size, std::uint32_t seed) {
  return 0.55 * Noise(x, y, size, seed) + 0.3 * Noise(x, y, size / 2.7, seed + 1) +
         0.15 * Noise(x, y, size / 7.3, seed + 2) - 0.5;
}

}  // namespace zelko::sample
