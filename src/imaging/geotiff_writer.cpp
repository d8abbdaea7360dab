#include "imaging/geotiff_writer.h"

#include <geo_tiffp.h>
#include <geotiff.h>
#include <geovalues.h>
#include <tiffio.h>
#include <xtiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "document/file_io.h"

namespace zelko {
namespace {

// The file as libtiff writes it, in memory: it goes back to patch offsets, so the bytes cannot
// be handed on as they come.
struct Sink {
  std::string bytes;
  std::uint64_t pos = 0;
  std::string error;
};

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t size) {
  auto* s = static_cast<Sink*>(h);
  if (s->pos >= s->bytes.size()) return 0;
  const std::size_t n = std::min<std::size_t>(size, s->bytes.size() - s->pos);
  std::memcpy(buf, s->bytes.data() + s->pos, n);
  s->pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t h, void* buf, tmsize_t size) {
  auto* s = static_cast<Sink*>(h);
  try {
    if (s->pos + size > s->bytes.size()) s->bytes.resize(s->pos + size);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  std::memcpy(s->bytes.data() + s->pos, buf, size);
  s->pos += size;
  return size;
}

toff_t SeekProc(thandle_t h, toff_t off, int whence) {
  auto* s = static_cast<Sink*>(h);
  const std::uint64_t base = whence == SEEK_CUR ? s->pos : whence == SEEK_END ? s->bytes.size() : 0;
  s->pos = base + off;
  return s->pos;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return static_cast<Sink*>(h)->bytes.size(); }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

int ErrorProc(TIFF*, void* user, const char*, const char* fmt, va_list ap) {
  auto* s = static_cast<Sink*>(user);
  if (s->error.empty()) {
    char text[256];
    std::vsnprintf(text, sizeof text, fmt, ap);
    s->error = text;
  }
  return 1;
}
int WarningProc(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsFree {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

}  // namespace

bool WriteGeoTiff(const std::string& path, const GeoTiffPlacement& g, const RgbaRows& rows,
                  Failure* failure) {
  const auto fail = [&](const std::string& why) {
    if (failure) *failure = Failure{FailureKind::Unwritable, path, 0, why};
    return false;
  };
  if (g.width <= 0 || g.height <= 0) return fail("the picture is empty");
  // The keys are 16-bit: larger codes have no place in them.
  if (g.epsg <= 0 || g.epsg > 65535)
    return fail("EPSG:" + std::to_string(g.epsg) + " does not fit a GeoTIFF key");
  // The GeoTIFF tags become known to libtiff once for the whole process.
  static std::once_flag tags;
  std::call_once(tags, [] { XTIFFInitialize(); });

  Sink sink;
  std::unique_ptr<TIFFOpenOptions, OptionsFree> opts(TIFFOpenOptionsAlloc());
  TIFFOpenOptionsSetErrorHandlerExtR(opts.get(), ErrorProc, &sink);
  TIFFOpenOptionsSetWarningHandlerExtR(opts.get(), WarningProc, &sink);
  TIFF* tif = TIFFClientOpenExt("memory", "w", &sink, ReadProc, WriteProc, SeekProc, CloseProc,
                                SizeProc, MapProc, UnmapProc, opts.get());
  if (!tif) return fail("the TIFF cannot be started: " + sink.error);
  bool ok = true;
  std::string why;
  {
    const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(g.width)) &&
         TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(g.height)) &&
         TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) &&
         TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4) &&
         TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra) &&
         TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
         TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
         TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
         TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) &&
         TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    const double scale[3] = {g.resolution, g.resolution, 0};
    const double tie[6] = {0, 0, 0, g.west, g.north, 0};
    ok = ok && TIFFSetField(tif, TIFFTAG_GEOPIXELSCALE, 3, scale) &&
         TIFFSetField(tif, TIFFTAG_GEOTIEPOINTS, 6, tie);
    if (ok) {
      GTIF* gt = GTIFNew(tif);
      if (!gt) {
        ok = false;
      } else {
        ok = GTIFKeySet(gt, GTModelTypeGeoKey, TYPE_SHORT, 1,
                        g.geographic ? ModelTypeGeographic : ModelTypeProjected) &&
             GTIFKeySet(gt, GTRasterTypeGeoKey, TYPE_SHORT, 1, RasterPixelIsArea) &&
             GTIFKeySet(gt, g.geographic ? GeographicTypeGeoKey : ProjectedCSTypeGeoKey, TYPE_SHORT,
                        1, g.epsg);
        if (ok && !g.citation.empty())
          ok = GTIFKeySet(gt, GTCitationGeoKey, TYPE_ASCII, 0, g.citation.c_str());
        ok = ok && GTIFWriteKeys(gt);
        GTIFFree(gt);
      }
    }
    if (!ok) why = "the GeoTIFF tags cannot be set: " + sink.error;
    const std::uint32_t band = std::max<std::uint32_t>(1, TIFFDefaultStripSize(tif, 0));
    std::vector<std::uint8_t> buffer;
    try {
      buffer.resize(std::size_t(band) * g.width * 4);
    } catch (const std::bad_alloc&) {
      ok = false;
      why = "no memory for a band of rows";
    }
    for (int y0 = 0; ok && y0 < g.height; y0 += int(band)) {
      const int n = std::min(int(band), g.height - y0);
      if (!rows(y0, n, buffer.data(), &why)) {
        ok = false;
        break;
      }
      for (int r = 0; ok && r < n; ++r)
        if (TIFFWriteScanline(tif, buffer.data() + std::size_t(r) * g.width * 4,
                              static_cast<std::uint32_t>(y0 + r), 0) < 0) {
          ok = false;
          why = "the TIFF cannot be written: " + sink.error;
        }
    }
  }
  if (ok && !TIFFFlush(tif)) {
    ok = false;
    why = "the TIFF cannot be finished: " + sink.error;
  }
  TIFFClose(tif);
  if (!ok) return fail(why);
  return WriteFileAtomically(path, sink.bytes, failure);
}

}  // namespace zelko
