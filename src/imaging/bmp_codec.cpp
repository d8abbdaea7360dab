#include "imaging/bmp_codec.h"

#include <cstring>
#include <limits>
#include <string>

namespace zelko {
namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kJpeg = 4, kPng = 5,
                        kAlphaBitFields = 6;

[[noreturn]] void Fail(const std::string& reason) {
  throw ImagingError("BMP ファイルを読み込めません: " + reason);
}

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

void SetNibble(std::uint8_t* row, int x, unsigned value) {
  std::uint8_t& b = row[x >> 1];
  if (x & 1)
    b = static_cast<std::uint8_t>((b & 0xF0) | (value & 15));
  else
    b = static_cast<std::uint8_t>((b & 0x0F) | (value & 15) << 4);
}

// Expands an RLE8 or RLE4 stream into a zeroed bottom-up-numbered bitmap. Some encoders write
// the row's padding too, so runs may reach the end of the padded row (its pixels beyond the
// width are dropped); runs beyond that are malformed, as is a stream that stops before its
// end-of-bitmap code.
void DecodeRle(const std::uint8_t* p, const std::uint8_t* end, Bitmap& out, bool four) {
  const int w = out.Width(), h = out.Height();
  // Rows of uncompressed BMPs are padded to 4 bytes: 4 pixels at 8 bits, 8 at 4 bits.
  const int rowEnd = four ? (w + 7) / 8 * 8 : (w + 3) / 4 * 4;
  int x = 0, y = 0;  // y counts from the bottom row, as the file stores them
  auto row = [&]() {
    if (y >= h) Fail("RLE データが最後の行を越えて書き込もうとしています");
    return out.Row(h - 1 - y);
  };
  auto put = [&](std::uint8_t* r, int at, unsigned v) {
    if (at >= w) return;
    if (four)
      SetNibble(r, at, v);
    else
      r[at] = static_cast<std::uint8_t>(v);
  };
  for (;;) {
    if (end - p < 2) Fail("RLE データが終わりの符号の前で切れています");
    const unsigned n = p[0], c = p[1];
    p += 2;
    if (n > 0) {
      if (x + static_cast<int>(n) > rowEnd) Fail("RLE の連続が行の端を越えています");
      std::uint8_t* r = row();
      for (unsigned i = 0; i < n; ++i)
        put(r, x + static_cast<int>(i), four ? ((i & 1) ? c & 15 : c >> 4) : c);
      x += static_cast<int>(n);
      continue;
    }
    switch (c) {
      case 0:  // end of line
        x = 0;
        ++y;
        break;
      case 1:  // end of bitmap
        return;
      case 2:  // delta
        if (end - p < 2) Fail("RLE データが切れています");
        x += p[0];
        y += p[1];
        p += 2;
        if (x > rowEnd || y > h) Fail("RLE の移動が画像の外を指しています");
        break;
      default: {  // absolute run of c pixels, padded to a 16-bit boundary
        const std::ptrdiff_t bytes = four ? (c + 1) / 2 : c;
        const std::ptrdiff_t padded = (bytes + 1) & ~std::ptrdiff_t{1};
        if (end - p < bytes) Fail("RLE データが切れています");
        if (x + static_cast<int>(c) > rowEnd) Fail("RLE の連続が行の端を越えています");
        std::uint8_t* r = row();
        for (unsigned i = 0; i < c; ++i)
          put(r, x + static_cast<int>(i), four ? ((i & 1) ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i]);
        x += static_cast<int>(c);
        p += end - p < padded ? bytes : padded;
      }
    }
  }
}

bool MasksFit(const BitFields& m, int bpp) {
  if (bpp == 32) return true;
  const std::uint32_t all = m.red | m.green | m.blue | m.alpha;
  return (all >> bpp) == 0;
}

}  // namespace

Bitmap ReadBmp(const std::uint8_t* data, std::size_t size, std::int64_t maxPixels) {
  if (size < 18) Fail("ファイルが短すぎます (" + std::to_string(size) + " バイト)");
  if (data[0] != 'B' || data[1] != 'M') Fail("BMP の識別子 \"BM\" がありません");
  const std::uint32_t offBits = U32(data + 10);
  const std::uint32_t hdrSize = U32(data + 14);
  const bool core = hdrSize == 12;
  const bool os2v2 = hdrSize == 16 || hdrSize == 64;
  if (!(core || os2v2 || hdrSize == 40 || hdrSize == 52 || hdrSize == 56 || hdrSize == 108 ||
        hdrSize == 124))
    Fail("情報ヘッダの大きさ " + std::to_string(hdrSize) + " は BMP のどの版にもありません");
  if (size < 14 + std::uint64_t{hdrSize}) Fail("情報ヘッダの途中でファイルが切れています");
  const std::uint8_t* h = data + 14;

  std::int64_t width, height;
  unsigned planes, bpp;
  std::uint32_t compression = kRgb, clrUsed = 0;
  std::int32_t xppm = 0, yppm = 0;
  if (core) {
    width = U16(h + 4);
    height = U16(h + 6);
    planes = U16(h + 8);
    bpp = U16(h + 10);
  } else {
    width = I32(h + 4);
    height = I32(h + 8);
    planes = U16(h + 12);
    bpp = U16(h + 14);
    if (hdrSize >= 40 || (os2v2 && hdrSize > 16)) {
      compression = U32(h + 16);
      xppm = I32(h + 24);
      yppm = I32(h + 28);
      clrUsed = U32(h + 32);
    }
  }
  if (planes != 1) Fail("面の数が 1 ではありません (" + std::to_string(planes) + ")");
  if (width <= 0) Fail("幅が正ではありません (" + std::to_string(width) + ")");
  if (height == 0) Fail("高さが 0 です");
  const bool topDown = height < 0;
  if (topDown) height = -height;  // 64-bit, so INT32_MIN does not overflow
  if (height > std::numeric_limits<std::int32_t>::max())
    Fail("高さが範囲外です (" + std::to_string(-height) + ")");
  if (!os2v2 && (compression == kJpeg || compression == kPng))
    Fail(compression == kJpeg ? "JPEG を埋め込んだ BMP には対応していません"
                              : "PNG を埋め込んだ BMP には対応していません");
  if (!(bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32))
    Fail("ピクセルのビット数 " + std::to_string(bpp) + " には対応していません");

  if (os2v2 && (compression == 3 || compression == 4))
    Fail(compression == 3 ? "OS/2 の Huffman 圧縮には対応していません"
                          : "OS/2 の RLE24 圧縮には対応していません");
  switch (compression) {
    case kRgb:
      break;
    case kRle8:
      if (bpp != 8) Fail("RLE8 圧縮なのにピクセルが 8 ビットではありません");
      break;
    case kRle4:
      if (bpp != 4) Fail("RLE4 圧縮なのにピクセルが 4 ビットではありません");
      break;
    case kBitFields:
    case kAlphaBitFields:
      if (bpp != 16 && bpp != 32) Fail("ビットフィールドは 16 ビットと 32 ビットにしか使えません");
      break;
    case kJpeg:
      Fail("JPEG を埋め込んだ BMP には対応していません");
    case kPng:
      Fail("PNG を埋め込んだ BMP には対応していません");
    default:
      Fail("圧縮方式 " + std::to_string(compression) + " には対応していません");
  }
  const bool rle = compression == kRle8 || compression == kRle4;
  if (rle && topDown) Fail("RLE 圧縮の画像は上から下への行順を持てません");
  if (width * height > maxPixels)
    Fail("画像が大きすぎます (" + std::to_string(width) + " x " + std::to_string(height) + ")");

  // Masks live in the header from the 52-byte version on, otherwise right after it.
  std::uint64_t tableStart = 14 + std::uint64_t{hdrSize};
  BitFields masks = DefaultBitFields(bpp);
  if (compression == kBitFields || compression == kAlphaBitFields) {
    // The 52-byte header holds three masks, from 56 bytes on four.
    int count = compression == kAlphaBitFields ? 4 : 3;
    const std::uint8_t* m;
    if (hdrSize >= 52) {
      m = h + 40;
      count = hdrSize >= 56 ? 4 : 3;
    } else {
      if (size < tableStart + 4 * count) Fail("色マスクの途中でファイルが切れています");
      m = data + tableStart;
      tableStart += 4 * count;
    }
    masks = {U32(m), U32(m + 4), U32(m + 8), count == 4 ? U32(m + 12) : 0};
    if (!MasksFit(masks, bpp)) Fail("色マスクがピクセルのビット数を越えています");
    if ((masks.red | masks.green | masks.blue) == 0) Fail("色マスクがすべて 0 です");
  }

  if (offBits < tableStart) Fail("ピクセルデータの位置がヘッダの中を指しています");
  if (offBits >= size) Fail("ピクセルデータの位置がファイルの外を指しています");

  std::vector<std::uint32_t> palette;
  if (bpp <= 8) {
    const unsigned entry = core ? 3 : 4;
    const std::uint64_t room = (offBits - tableStart) / entry;
    const std::uint64_t full = std::uint64_t{1} << bpp;
    std::uint64_t count = core || clrUsed == 0 ? full : clrUsed;
    // A larger table than the layout can index holds nothing useful beyond its first entries;
    // a short room between header and pixels means the writer stored fewer entries.
    if (count > full) count = full;
    if (count > room) count = room;
    palette.resize(count);
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint8_t* e = data + tableStart + i * entry;
      palette[i] = std::uint32_t{e[2]} << 16 | std::uint32_t{e[1]} << 8 | e[0];
    }
  }

  const std::uint8_t* pixels = data + offBits;
  const std::uint64_t available = size - offBits;
  const int outBpp = bpp == 2 ? 4 : static_cast<int>(bpp);
  Bitmap out;
  if (rle) {
    out.Create(static_cast<int>(width), static_cast<int>(height), outBpp);
    DecodeRle(pixels, pixels + available, out, compression == kRle4);
  } else {
    const std::int64_t srcStride = Bitmap::StrideFor(width, static_cast<int>(bpp));
    if (static_cast<std::uint64_t>(srcStride) * static_cast<std::uint64_t>(height) > available)
      Fail("ピクセルデータの途中でファイルが切れています");
    out.Create(static_cast<int>(width), static_cast<int>(height), outBpp);
    for (std::int64_t fy = 0; fy < height; ++fy) {
      const std::uint8_t* src = pixels + fy * srcStride;
      std::uint8_t* dst = out.Row(static_cast<int>(topDown ? fy : height - 1 - fy));
      if (bpp != 2) {
        std::memcpy(dst, src, static_cast<size_t>((width * bpp + 7) / 8));
      } else {
        for (std::int64_t x = 0; x < width; ++x) {
          const unsigned v = (src[x >> 2] >> (6 - 2 * (x & 3))) & 3;
          SetNibble(dst, static_cast<int>(x), v);
        }
      }
    }
  }
  out.palette = std::move(palette);
  if (bpp == 16 || bpp == 32) out.masks = masks;
  out.xPixelsPerMeter = xppm;
  out.yPixelsPerMeter = yppm;
  return out;
}

namespace {

void Put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
  v.push_back(static_cast<std::uint8_t>(x));
  v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

}  // namespace

std::vector<std::uint8_t> WriteBmp(const Bitmap& b) {
  if (b.Empty()) throw ImagingError("空の画像は BMP に書き出せません");
  const int bpp = b.BitsPerPixel();
  std::vector<std::uint32_t> palette = b.palette;
  if (bpp <= 8) {
    const size_t full = size_t{1} << bpp;
    if (palette.empty())
      for (size_t i = 0; i < full; ++i)
        palette.push_back(static_cast<std::uint32_t>(i * 255 / (full - 1)) * 0x010101u);
    if (palette.size() > full) palette.resize(full);
  } else {
    palette.clear();
  }
  const BitFields def = DefaultBitFields(bpp);
  const bool fields =
      (bpp == 16 || bpp == 32) &&
      (b.masks.red != def.red || b.masks.green != def.green || b.masks.blue != def.blue);
  const std::uint64_t offBits = 14 + 40 + (fields ? 12 : 0) + 4 * palette.size();
  const std::uint64_t imageSize = static_cast<std::uint64_t>(b.Stride()) * b.Height();
  const std::uint64_t fileSize = offBits + imageSize;
  if (fileSize > std::numeric_limits<std::uint32_t>::max())
    throw ImagingError("画像が大きすぎて BMP に書き出せません");

  std::vector<std::uint8_t> v;
  v.reserve(static_cast<size_t>(fileSize));
  v.push_back('B');
  v.push_back('M');
  Put32(v, static_cast<std::uint32_t>(fileSize));
  Put32(v, 0);
  Put32(v, static_cast<std::uint32_t>(offBits));
  Put32(v, 40);
  Put32(v, static_cast<std::uint32_t>(b.Width()));
  Put32(v, static_cast<std::uint32_t>(b.Height()));
  Put16(v, 1);
  Put16(v, static_cast<std::uint32_t>(bpp));
  Put32(v, fields ? kBitFields : kRgb);
  Put32(v, static_cast<std::uint32_t>(imageSize));
  Put32(v, static_cast<std::uint32_t>(b.xPixelsPerMeter));
  Put32(v, static_cast<std::uint32_t>(b.yPixelsPerMeter));
  Put32(v, static_cast<std::uint32_t>(palette.size()));
  Put32(v, 0);
  if (fields) {
    Put32(v, b.masks.red);
    Put32(v, b.masks.green);
    Put32(v, b.masks.blue);
  }
  for (std::uint32_t c : palette) Put32(v, c & 0xFFFFFF);
  for (int y = b.Height() - 1; y >= 0; --y) v.insert(v.end(), b.Row(y), b.Row(y) + b.Stride());
  return v;
}

}  // namespace zelko
