#include "imaging/sample_rows.h"

#include <cstring>

namespace zelko {

Bitmap MakeDecodeTarget(int width, int height, const SampleLayout& layout) {
  Bitmap out(width, height, layout.Grey() ? 8 : 24);
  if (layout.Grey()) {
    out.palette.resize(256);
    for (std::uint32_t i = 0; i < 256; ++i) out.palette[i] = i * 0x010101u;
  }
  return out;
}

namespace {

template <typename T, std::uint32_t Max>
void Convert(const std::uint8_t* src, int n, const SampleLayout& l, std::uint8_t* dst) {
  const int c = l.channels;
  auto sample = [&](int i) {
    T v;
    std::memcpy(&v, src + i * sizeof(T), sizeof(T));
    const auto u = static_cast<std::uint32_t>(v);
    return l.signedSamples ? u ^ (Max / 2 + 1) : u;
  };
  auto to8 = [](std::uint32_t v) {
    if constexpr (Max == 65535)
      return Reduce16(v);
    else
      return static_cast<std::uint8_t>(v);
  };
  // On white: c x a + Max x (Max - a), over Max; premultiplied colour already holds c x a.
  auto over = [&](std::uint32_t v, std::uint32_t a) -> std::uint32_t {
    if (a >= Max) return v;
    if (l.premultiplied) {
      const std::uint32_t r = v + (Max - a);
      return r > Max ? Max : r;
    }
    return static_cast<std::uint32_t>(
        (std::uint64_t{v} * a + std::uint64_t{Max} * (Max - a) + Max / 2) / Max);
  };
  for (int x = 0; x < n; ++x) {
    const int base = x * c;
    if (l.Grey()) {
      std::uint32_t g = sample(base);
      if (l.inverted) g = Max - g;
      if (l.Alpha()) g = over(g, sample(base + 1));
      dst[x] = to8(g);
    } else {
      std::uint32_t r = sample(base), g = sample(base + 1), b = sample(base + 2);
      if (l.Alpha()) {
        const std::uint32_t a = sample(base + 3);
        r = over(r, a), g = over(g, a), b = over(b, a);
      }
      dst[3 * x] = to8(b);
      dst[3 * x + 1] = to8(g);
      dst[3 * x + 2] = to8(r);
    }
  }
}

}  // namespace

void ConvertSamples(const std::uint8_t* src, int n, const SampleLayout& layout, std::uint8_t* dst) {
  if (layout.bits == 16)
    Convert<std::uint16_t, 65535>(src, n, layout, dst);
  else
    Convert<std::uint8_t, 255>(src, n, layout, dst);
}

std::string DepthText(int bits, const char* model) {
  return std::to_string(bits) + " ビット " + model;
}

}  // namespace zelko
