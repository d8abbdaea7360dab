#include "imaging/tiff_codec.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "imaging/library_messages.h"
#include "imaging/mapped_file.h"
#include "imaging/sample_rows.h"

namespace zelko {
namespace {

// A single strip or tile larger than this is not a photograph's; libtiff refuses to allocate it.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{512} << 20;

struct Source {
  const std::uint8_t* data;
  std::size_t size;
  ReadBehind* behind;
  std::uint64_t pos = 0;
  std::string error;
};

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t n) {
  auto* s = static_cast<Source*>(h);
  if (n < 0) return -1;
  const std::uint64_t left = s->pos < s->size ? s->size - s->pos : 0;
  const std::uint64_t k =
      static_cast<std::uint64_t>(n) < left ? static_cast<std::uint64_t>(n) : left;
  if (k > 0) std::memcpy(buf, s->data + s->pos, k);
  s->behind->Read(s->pos, k);
  s->pos += k;
  return static_cast<tmsize_t>(k);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekProc(thandle_t h, toff_t off, int whence) {
  auto* s = static_cast<Source*>(h);
  std::uint64_t base = whence == SEEK_CUR ? s->pos : whence == SEEK_END ? s->size : 0;
  s->pos = base + off;
  return s->pos;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return static_cast<Source*>(h)->size; }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

int ErrorProc(TIFF*, void* user, const char*, const char* fmt, va_list ap) {
  auto* s = static_cast<Source*>(user);
  if (s->error.empty()) {
    char text[256];
    std::vsnprintf(text, sizeof text, fmt, ap);
    s->error = text;
    // Many messages begin with the name the file was opened under, which says nothing here.
    if (s->error.rfind("memory: ", 0) == 0) s->error.erase(0, 8);
  }
  return 1;
}

int WarningProc(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Messages libtiff gives before a file has its own handlers go nowhere.
void SilenceLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
}

struct TiffCloser {
  void operator()(TIFF* t) const { TIFFClose(t); }
};
struct OptionsFree {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

[[noreturn]] void Refuse(const std::string& why) {
  throw ImagingError("TIFF ファイルを読み込めません: " + LibraryReason(why));
}

const char* Model(int channels, bool palette) {
  if (palette) return "パレット";
  switch (channels) {
    case 1:
      return "グレー";
    case 2:
      return "グレー+α";
    case 3:
      return "RGB";
    default:
      return "RGBA";
  }
}

const char* RgbaModel(std::uint16_t photometric, std::uint16_t bits) {
  switch (photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      return bits == 1 ? "白黒" : "グレー";
    case PHOTOMETRIC_PALETTE:
      return "パレット";
    case PHOTOMETRIC_SEPARATED:
      return "CMYK";
    case PHOTOMETRIC_YCBCR:
      return "YCbCr";
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_ICCLAB:
    case PHOTOMETRIC_ITULAB:
      return "Lab";
    default:
      return "RGB";
  }
}

struct RgbaCloser {
  void operator()(TIFFRGBAImage* img) const { TIFFRGBAImageEnd(img); }
};

// Every layout libtiff can turn into 8-bit RGBA (bilevel and CCITT fax, 1 to 4-bit grey and
// palette, CMYK, planes stored apart, YCbCr and its JPEG compression, ...), read a band of rows
// at a time in the file's own row order: grey into 8 bits with a grey palette, the rest into
// 24 bits, alpha composited on white.
template <typename OnError>
void DecodeTiffRgba(TIFF* tif, std::uint32_t w, std::uint32_t h, const DecodeLimits& limits,
                    DecodedImage& out, OnError libraryError) {
  char why[1024] = {};
  if (!TIFFRGBAImageOK(tif, why)) Refuse(why);
  std::uint16_t photometric = 0, compression = COMPRESSION_NONE, bits = 1, spp = 1;
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  // The JPEG codec turns YCbCr into RGB itself, with its own upsampling.
  if (photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG)
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  std::uint16_t extraCount = 0;
  std::uint16_t* extra = nullptr;
  TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
  const bool grey =
      (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) &&
      spp - extraCount == 1;
  // A band is one strip's or one row of tiles' rows, so that libtiff decodes each once; a
  // strip of more than this many pixels is read in parts (its start decoded again for each).
  constexpr std::uint64_t kBandPixels = std::uint64_t{1} << 22;
  std::uint32_t band = 0;
  std::uint64_t bufferBytes = 0;
  if (TIFFIsTiled(tif)) {
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
    bufferBytes = static_cast<std::uint64_t>(TIFFTileSize64(tif));
  } else {
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
    bufferBytes = static_cast<std::uint64_t>(TIFFStripSize64(tif));
    if (std::uint64_t{band} * w > kBandPixels)
      band = static_cast<std::uint32_t>(std::max<std::uint64_t>(1, kBandPixels / w));
  }
  if (band == 0 || band > h) band = h;
  const std::uint64_t raster = std::uint64_t{band} * w * 4;
  const std::string refusal = SizeRefusal(w, h, grey ? 1 : 3, limits, raster + bufferBytes);
  if (!refusal.empty()) throw ImagingError(refusal);

  TIFFRGBAImage img{};
  if (!TIFFRGBAImageBegin(&img, tif, 0, why)) Refuse(why);
  std::unique_ptr<TIFFRGBAImage, RgbaCloser> end(&img);
  // The rows as the file stores them: the orientation tag is reported and turned on screen.
  img.req_orientation = img.orientation;
  out.depth = DepthText(bits, RgbaModel(photometric, bits));
  SampleLayout l;
  l.channels = grey ? 2 : 4;
  l.premultiplied = true;  // libtiff multiplies colour by alpha in what it hands out
  out.bitmap = MakeDecodeTarget(static_cast<int>(w), static_cast<int>(h), l);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(raster / 4));
  std::vector<std::uint8_t> samples(static_cast<std::size_t>(w) * 4);
  for (std::uint32_t y0 = 0; y0 < h; y0 += band) {
    const std::uint32_t n = std::min(band, h - y0);
    img.row_offset = static_cast<int>(y0);
    img.col_offset = 0;
    if (!TIFFRGBAImageGet(&img, pixels.data(), w, n)) libraryError("画素を読めません");
    for (std::uint32_t r = 0; r < n; ++r) {
      const std::uint32_t* p = pixels.data() + std::size_t{r} * w;
      for (std::uint32_t x = 0; x < w; ++x) {
        const std::uint32_t v = p[x];
        std::uint8_t* d = samples.data() + (grey ? 2 : 4) * std::size_t{x};
        if (grey) {
          d[0] = static_cast<std::uint8_t>(TIFFGetR(v)),
          d[1] = static_cast<std::uint8_t>(TIFFGetA(v));
        } else {
          d[0] = static_cast<std::uint8_t>(TIFFGetR(v)),
          d[1] = static_cast<std::uint8_t>(TIFFGetG(v));
          d[2] = static_cast<std::uint8_t>(TIFFGetB(v)),
          d[3] = static_cast<std::uint8_t>(TIFFGetA(v));
        }
      }
      const int y = static_cast<int>(y0 + r);
      ConvertSamples(samples.data(), static_cast<int>(w), l, out.bitmap.Row(y));
    }
  }
}

}  // namespace

bool LooksLikeTiff(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return false;
  const bool ii =
      data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0;
  const bool mm =
      data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43);
  return ii || mm;
}

DecodedImage DecodeTiff(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits) {
  SilenceLibrary();
  ReadBehind behind(data, size, limits.mappedInput);
  Source src{data, size, &behind, 0, {}};
  std::unique_ptr<TIFFOpenOptions, OptionsFree> opts(TIFFOpenOptionsAlloc());
  TIFFOpenOptionsSetMaxSingleMemAlloc(opts.get(), kMaxSingleAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(opts.get(), ErrorProc, &src);
  TIFFOpenOptionsSetWarningHandlerExtR(opts.get(), WarningProc, &src);
  std::unique_ptr<TIFF, TiffCloser> tif(TIFFClientOpenExt("memory", "rm", &src, ReadProc, WriteProc,
                                                          SeekProc, CloseProc, SizeProc, MapProc,
                                                          UnmapProc, opts.get()));
  auto libraryError = [&](const char* what) {
    Refuse(src.error.empty() ? std::string(what) : src.error);
  };
  if (!tif) libraryError("ファイルの見出しが壊れています");
  std::uint32_t w = 0, h = 0;
  std::uint16_t bits = 0, spp = 0, photometric = 0, planar = PLANARCONFIG_CONTIG,
                sampleFormat = SAMPLEFORMAT_UINT, orientation = 0;
  if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &w) ||
      !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &h) ||
      !TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric))
    libraryError("画像の大きさか色の形式が書かれていません");
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLEFORMAT, &sampleFormat);
  if (TIFFGetField(tif.get(), TIFFTAG_ORIENTATION, &orientation) == 0) orientation = 0;
  if (w == 0 || h == 0) Refuse("画像の大きさが 0 です");
  // Measured values (elevations, temperatures) have no fixed range to show as grey levels.
  if (sampleFormat == SAMPLEFORMAT_IEEEFP)
    Refuse(
        "浮動小数点のサンプル (標高などの測定値) には対応していません。整数の画像に変換して"
        "ください");
  if (sampleFormat != SAMPLEFORMAT_UINT && sampleFormat != SAMPLEFORMAT_INT)
    Refuse("複素数などのサンプル (形式 " + std::to_string(sampleFormat) + ") には対応していません");
  const bool palette = photometric == PHOTOMETRIC_PALETTE;
  const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
  const bool contiguous = planar == PLANARCONFIG_CONTIG;
  // The layouts read here sample by sample; libtiff's RGBA interface reads the rest.
  const bool direct = contiguous && (bits == 8 || bits == 16) &&
                      ((palette && spp == 1 && bits == 8) || (grey && spp >= 1 && spp <= 2) ||
                       (photometric == PHOTOMETRIC_RGB && spp >= 3 && spp <= 4));
  DecodedImage out;
  out.format = "TIFF";
  out.orientation = orientation >= 1 && orientation <= 8 ? orientation : 0;
  if (!direct) {
    if (sampleFormat == SAMPLEFORMAT_INT)
      Refuse("この並びの符号付き整数のサンプルには対応していません");
    DecodeTiffRgba(tif.get(), w, h, limits, out, libraryError);
    return out;
  }
  SampleLayout l;
  l.bits = bits;
  l.channels = spp;
  l.inverted = photometric == PHOTOMETRIC_MINISWHITE;
  // Signed samples are shown offset by half the range, as other viewers do.
  l.signedSamples = sampleFormat == SAMPLEFORMAT_INT;
  if (l.Alpha()) {
    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    if (TIFFGetField(tif.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0)
      l.premultiplied = extra[0] == EXTRASAMPLE_ASSOCALPHA;
  }
  const std::uint64_t work = static_cast<std::uint64_t>(
      TIFFIsTiled(tif.get()) ? TIFFTileSize64(tif.get()) : TIFFScanlineSize64(tif.get()));
  const std::string refusal = SizeRefusal(w, h, grey || palette ? 1 : 3, limits, work);
  if (!refusal.empty()) throw ImagingError(refusal);

  out.depth = DepthText(bits, Model(spp, palette));
  if (palette) {
    std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif.get(), TIFFTAG_COLORMAP, &r, &g, &b))
      libraryError("パレットがありません");
    out.bitmap = Bitmap(static_cast<int>(w), static_cast<int>(h), 8);
    out.bitmap.palette.resize(256);
    for (int i = 0; i < 256; ++i)
      out.bitmap.palette[i] =
          std::uint32_t{Reduce16(r[i])} << 16 | std::uint32_t{Reduce16(g[i])} << 8 | Reduce16(b[i]);
  } else {
    out.bitmap = MakeDecodeTarget(static_cast<int>(w), static_cast<int>(h), l);
  }
  Bitmap& bm = out.bitmap;
  const int pixelBytes = spp * bits / 8;
  // A palette index is copied as it is; everything else goes through ConvertSamples.
  auto put = [&](const std::uint8_t* s, int y, int x0, int n) {
    if (palette)
      std::memcpy(bm.Row(y) + x0, s, static_cast<std::size_t>(n));
    else
      ConvertSamples(s, n, l, bm.Row(y) + (l.Grey() ? x0 : 3 * x0));
  };
  if (TIFFIsTiled(tif.get())) {
    std::uint32_t tw = 0, th = 0;
    TIFFGetField(tif.get(), TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(tif.get(), TIFFTAG_TILELENGTH, &th);
    const tmsize_t tileBytes = TIFFTileSize(tif.get());
    if (tw == 0 || th == 0 || tileBytes <= 0 ||
        static_cast<std::uint64_t>(tileBytes) <
            std::uint64_t{tw} * th * static_cast<std::uint64_t>(pixelBytes))
      libraryError("タイルの大きさが正しくありません");
    std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileBytes));
    for (std::uint32_t ty = 0; ty < h; ty += th)
      for (std::uint32_t tx = 0; tx < w; tx += tw) {
        if (TIFFReadTile(tif.get(), tile.data(), tx, ty, 0, 0) < 0)
          libraryError("タイルを読めません");
        const std::uint32_t nx = std::min(tw, w - tx), ny = std::min(th, h - ty);
        for (std::uint32_t r = 0; r < ny; ++r)
          put(tile.data() + static_cast<std::size_t>(r) * tw * pixelBytes, static_cast<int>(ty + r),
              static_cast<int>(tx), static_cast<int>(nx));
      }
  } else {
    const tmsize_t lineBytes = TIFFScanlineSize(tif.get());
    if (lineBytes <= 0 || static_cast<std::uint64_t>(lineBytes) <
                              std::uint64_t{w} * static_cast<std::uint64_t>(pixelBytes))
      libraryError("行の大きさが正しくありません");
    std::vector<std::uint8_t> line(static_cast<std::size_t>(lineBytes));
    for (std::uint32_t y = 0; y < h; ++y) {
      if (TIFFReadScanline(tif.get(), line.data(), y, 0) < 0) libraryError("画素を読めません");
      put(line.data(), static_cast<int>(y), 0, static_cast<int>(w));
    }
  }
  return out;
}

}  // namespace zelko
