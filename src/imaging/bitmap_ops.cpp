#include "imaging/bitmap_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

#include "document/numbers.h"
#include "imaging/resample_kernels.h"

namespace zelko {

std::uint8_t ClampToByte(double x) {
  if (x >= 255) x = 255;
  if (!(x > 0)) x = 0;
  return static_cast<std::uint8_t>(std::nearbyint(x));
}

Bitmap CropBitmap(const Bitmap& source, int x, int y, int width, int height) {
  const int bpp = source.BitsPerPixel();
  if (bpp < 8) throw ImagingError("1 ピクセルが 8 ビット未満の画像は切り出せません");
  if (x < 0 || y < 0 || width < 0 || height < 0 || x > source.Width() - width ||
      y > source.Height() - height)
    throw ImagingError("切り出す範囲が画像の外にあります");
  Bitmap out(width, height, bpp);
  out.palette = source.palette;
  out.masks = source.masks;
  out.xPixelsPerMeter = source.xPixelsPerMeter;
  out.yPixelsPerMeter = source.yPixelsPerMeter;
  const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(bpp / 8);
  for (int r = 0; r < height; ++r)
    if (bytes > 0)
      std::memcpy(out.Row(r), source.Row(y + r) + static_cast<std::size_t>(x) * (bpp / 8), bytes);
  return out;
}

std::string BitDepthMessage(int bitsPerPixel) {
  return "ビットマップのピクセルのビット数が" + std::to_string(bitsPerPixel) +
         "です。\nビット数が24以外の処理方法はまだ作っていません。";
}

namespace kernels {

ColourTables BuildColourTables(bool contrastOn, bool balanceOn, double strength,
                               std::int8_t redOffset, std::int8_t greenOffset,
                               std::int8_t blueOffset) {
  ColourTables t;
  for (int v = 0; v < 256; ++v) {
    int c = v;
    if (contrastOn) {
      // Formed in extended precision, handed over as a double.
      const long double adjusted =
          static_cast<long double>(v) + static_cast<long double>(strength) * (v - 127.5L);
      c = ClampToByte(static_cast<double>(adjusted));
    }
    auto offset = [&](int o) {
      return balanceOn ? static_cast<std::uint8_t>(std::clamp(c + o, 0, 255))
                       : static_cast<std::uint8_t>(c);
    };
    t.red[v] = offset(redOffset);
    t.green[v] = offset(greenOffset);
    t.blue[v] = offset(blueOffset);
  }
  return t;
}

}  // namespace kernels

std::string AdjustColor(Bitmap& bitmap, bool contrastOn, bool balanceOn, double strength,
                        std::int8_t redOffset, std::int8_t greenOffset, std::int8_t blueOffset) {
  if (bitmap.BitsPerPixel() != 24) return BitDepthMessage(bitmap.BitsPerPixel());
  const kernels::ColourTables t = kernels::BuildColourTables(contrastOn, balanceOn, strength,
                                                             redOffset, greenOffset, blueOffset);
  const int w = bitmap.Width();
  kernels::ParallelRows(bitmap.Height(), std::int64_t{w} * bitmap.Height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.Row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        p[0] = t.blue[p[0]];
        p[1] = t.green[p[1]];
        p[2] = t.red[p[2]];
      }
    }
  });
  return "";
}

namespace {

[[noreturn]] void Overflow() { throw ImagingError("算術演算の結果が整数の範囲を越えました"); }

[[noreturn]] void BeyondRow(std::int64_t index, int bpp) {
  throw ImagingError("ピクセルの位置 " + std::to_string(index) + " が " + std::to_string(bpp) +
                     " ビット画像の行の範囲 (最大 " + std::to_string(kernels::RowBoundLimit(bpp)) +
                     ") を越えています");
}

// A new bitmap in the source's layout, with its palette, masks and resolution.
Bitmap NewLike(const Bitmap& source, int width, int height) {
  Bitmap b(width, height, source.BitsPerPixel());
  b.palette = source.palette;
  b.masks = source.masks;
  b.xPixelsPerMeter = source.xPixelsPerMeter;
  b.yPixelsPerMeter = source.yPixelsPerMeter;
  return b;
}

bool BackgroundFits(int bpp, TColor background) {
  if (background > static_cast<TColor>(std::numeric_limits<std::int32_t>::max())) return false;
  if (bpp == 8) return background <= 255;
  if (bpp == 16) return background <= 65535;
  return true;
}

void CheckBackground(int bpp, TColor background) {
  if (!BackgroundFits(bpp, background))
    throw ImagingError("背景色 " + std::to_string(background) + " は " + std::to_string(bpp) +
                       " ビット画像には書けません");
}

kernels::AffineInverse Invert(TransformRecord& r) {
  if (!r.inverseReady) {
    const long double det =
        static_cast<long double>(r.a11) * r.a22 - static_cast<long double>(r.a12) * r.a21;
    r.i11 = static_cast<double>(r.a22 / det);
    r.i12 = static_cast<double>(-r.a12 / det);
    r.i21 = static_cast<double>(-r.a21 / det);
    r.i22 = static_cast<double>(r.a11 / det);
    r.tx = static_cast<double>((-static_cast<long double>(r.a22) * r.destCentreX +
                                static_cast<long double>(r.a12) * r.destCentreY) /
                                   det +
                               r.sourceCentreX);
    r.ty = static_cast<double>((static_cast<long double>(r.a21) * r.destCentreX -
                                static_cast<long double>(r.a11) * r.destCentreY) /
                                   det +
                               r.sourceCentreY);
    r.inverseReady = true;
  }
  return {r.i11, r.i12, r.i21, r.i22, r.tx, r.ty};
}

std::int32_t CheckedAffineIndex(std::int32_t x, std::int32_t y, double a, double b, double t) {
  const long double v = static_cast<long double>(x) * a + static_cast<long double>(y) * b + t;
  const long double r = std::nearbyint(v);
  if (!(r >= std::numeric_limits<std::int32_t>::min() &&
        r <= std::numeric_limits<std::int32_t>::max()))
    Overflow();
  return static_cast<std::int32_t>(r);
}

}  // namespace

SourcePoint ResizeSourcePoint(std::int32_t x, std::int32_t y, void* record) {
  const auto& r = *static_cast<const ResizeRecord*>(record);
  const std::int64_t px = std::int64_t{x} * r.sourceWidth;
  const std::int64_t py = std::int64_t{y} * r.sourceHeight;
  if (px > std::numeric_limits<std::int32_t>::max() ||
      py > std::numeric_limits<std::int32_t>::max())
    Overflow();
  return {static_cast<std::int32_t>(px / r.newWidth), static_cast<std::int32_t>(py / r.newHeight)};
}

SourcePoint TransformSourcePoint(std::int32_t x, std::int32_t y, void* record) {
  auto& r = *static_cast<TransformRecord*>(record);
  const kernels::AffineInverse inv = Invert(r);
  return {CheckedAffineIndex(x, y, inv.i11, inv.i12, inv.tx),
          CheckedAffineIndex(x, y, inv.i21, inv.i22, inv.ty)};
}

SourcePoint QuarterTurnSourcePoint(std::int32_t x, std::int32_t y, void* record) {
  const auto& r = *static_cast<const QuarterTurnRecord*>(record);
  switch (r.code) {
    case 0:
      return {y, r.sourceHeight - 1 - x};
    case 1:
      return {r.sourceWidth - 1 - x, r.sourceHeight - 1 - y};
    default:
      return {r.sourceWidth - 1 - y, x};
  }
}

Bitmap ResampleBitmap(const Bitmap& source, int newWidth, int newHeight,
                      SourcePointCallback callback, TColor background, void* record) {
  const int bpp = source.BitsPerPixel();
  Bitmap dst = NewLike(source, newWidth, newHeight);
  const std::int64_t limit = kernels::RowBoundLimit(bpp);
  const std::int32_t sw = source.Width(), sh = source.Height();
  const int pixelBytes = bpp / 8;
  for (std::int32_t y = 0; y < newHeight; ++y) {
    std::uint8_t* d = dst.Row(y);
    for (std::int32_t x = 0; x < newWidth; ++x) {
      const SourcePoint p = callback(x, y, record);
      if (x > limit) BeyondRow(x, bpp);
      const bool inside = p.x >= 0 && p.x < sw && p.y >= 0 && p.y < sh;
      if (inside && p.x > limit) BeyondRow(p.x, bpp);
      if (!inside) CheckBackground(bpp, background);
      const std::uint32_t bg = kernels::LayoutBackground(bpp, background);
      if (bpp >= 8) {
        std::uint8_t* out = d + std::int64_t{x} * pixelBytes;
        if (inside)
          std::memcpy(out, source.Row(p.y) + std::int64_t{p.x} * pixelBytes, pixelBytes);
        else
          std::memcpy(out, &bg, pixelBytes);
      } else {
        const int per = 8 / bpp;
        const int shift = 8 - bpp - (x % per) * bpp;
        unsigned v = bg;
        if (inside) {
          const int sshift = 8 - bpp - (p.x % per) * bpp;
          v = source.Row(p.y)[p.x / per] >> sshift & ((1u << bpp) - 1);
        }
        std::uint8_t& byte = d[x / per];
        byte = static_cast<std::uint8_t>((byte & ~(((1u << bpp) - 1) << shift)) | v << shift);
      }
    }
  }
  return dst;
}

Bitmap ResizeBitmap(const Bitmap& source, int newWidth, int newHeight) {
  Bitmap dst = NewLike(source, newWidth, newHeight);
  if (dst.Empty()) return dst;
  const std::vector<std::int32_t> cols = kernels::ResizeTable(source.Width(), newWidth);
  const std::vector<std::int32_t> rows = kernels::ResizeTable(source.Height(), newHeight);
  const int bpp = source.BitsPerPixel();
  if (newWidth - 1 > kernels::RowBoundLimit(bpp)) BeyondRow(newWidth - 1, bpp);
  if (cols.back() > kernels::RowBoundLimit(bpp)) BeyondRow(cols.back(), bpp);
  if (source.Empty()) return dst;  // nothing inside the source: all background 0
  kernels::MapSeparable(source, dst, cols.data(), rows.data(), false, nullptr);
  return dst;
}

Bitmap TransformBitmap(const Bitmap& source, int newWidth, int newHeight, double a11, double a12,
                       double a21, double a22, double sourceCentreX, double sourceCentreY,
                       double destCentreX, double destCentreY, TColor background) {
  TransformRecord record{a11,           a12,           a21,         a22,
                         sourceCentreX, sourceCentreY, destCentreX, destCentreY};
  const int bpp = source.BitsPerPixel();
  // Layouts and sizes at the row limits, and backgrounds a layout cannot hold, fail only at
  // the pixel that reaches them: the per-pixel rule finds that pixel.
  if (source.Width() - 1 > kernels::RowBoundLimit(bpp) || !BackgroundFits(bpp, background) ||
      newWidth - 1 > kernels::RowBoundLimit(bpp))
    return ResampleBitmap(source, newWidth, newHeight, &TransformSourcePoint, background, &record);
  Bitmap dst = NewLike(source, newWidth, newHeight);
  if (dst.Empty()) return dst;
  const kernels::AffineInverse inv = Invert(record);
  kernels::CheckAffineRange(inv, newWidth, newHeight);
  const std::vector<std::int32_t> cols = kernels::Identity(source.Width());
  const std::vector<std::int32_t> rows = kernels::Identity(source.Height());
  kernels::MapAffine(source, dst, inv, source.Width(), source.Height(), cols.data(), rows.data(),
                     kernels::LayoutBackground(bpp, background), nullptr);
  return dst;
}

Bitmap RotateBitmap(const Bitmap& source, int newWidth, int newHeight, double destCentreX,
                    double destCentreY, double sourceCentreX, double sourceCentreY, double angle,
                    TColor background) {
  const long double a = angle;
  const double c = static_cast<double>(std::cos(a));
  const double s = static_cast<double>(std::sin(a));
  return TransformBitmap(source, newWidth, newHeight, c, -s, s, c, sourceCentreX, sourceCentreY,
                         destCentreX, destCentreY, background);
}

Bitmap QuarterTurnBitmap(const Bitmap& source, std::uint8_t code) {
  if (code > 2) throw ImagingError("四分の一回転の指定 " + std::to_string(code) + " は無効です");
  const int w = source.Width(), h = source.Height();
  const int nw = code == 1 ? w : h, nh = code == 1 ? h : w;
  const int bpp = source.BitsPerPixel();
  if (w - 1 > kernels::RowBoundLimit(bpp) || nw - 1 > kernels::RowBoundLimit(bpp)) {
    QuarterTurnRecord record{w, h, code};
    return ResampleBitmap(source, nw, nh, &QuarterTurnSourcePoint, 0, &record);
  }
  Bitmap dst = NewLike(source, nw, nh);
  if (dst.Empty()) return dst;
  // Columns and rows of the source as functions of the destination's x and y.
  std::vector<std::int32_t> cols, rows;
  if (code == 0) {  // (y, h - 1 - x)
    cols = kernels::Identity(nh);
    rows.resize(nw);
    for (int x = 0; x < nw; ++x) rows[x] = h - 1 - x;
  } else if (code == 1) {  // (w - 1 - x, h - 1 - y)
    cols.resize(nw);
    rows.resize(nh);
    for (int x = 0; x < nw; ++x) cols[x] = w - 1 - x;
    for (int y = 0; y < nh; ++y) rows[y] = h - 1 - y;
  } else {  // (w - 1 - y, x)
    cols.resize(nh);
    for (int y = 0; y < nh; ++y) cols[y] = w - 1 - y;
    rows = kernels::Identity(nw);
  }
  kernels::MapSeparable(source, dst, cols.data(), rows.data(), code != 1, nullptr);
  return dst;
}

BitmapSize RotatedSize(int width, int height, double angleDegrees) {
  const long double t =
      static_cast<long double>(angleDegrees) * std::numbers::pi_v<long double> / 180;
  const long double c = std::cos(t), s = std::sin(t);
  const long double w = width, h = height;
  return {RoundHalfAway(std::max(std::fabs(w * c + h * s), std::fabs(w * c - h * s))),
          RoundHalfAway(std::max(std::fabs(h * c - w * s), std::fabs(h * c + w * s)))};
}

BitmapSize RotatedSize(const Bitmap& bitmap, double angleDegrees) {
  return RotatedSize(bitmap.Width(), bitmap.Height(), angleDegrees);
}

}  // namespace zelko
