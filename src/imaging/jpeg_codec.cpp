#include "imaging/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "imaging/library_messages.h"

namespace zelko {
namespace {

// A progressive file can hold any number of scans, each a pass over the whole image; a damaged
// or hostile one could keep the decoder busy for hours. Real encoders write a dozen or so.
constexpr int kMaxScans = 500;

// libjpeg reports errors through a callback that must not return. It jumps back to the frame
// that called setjmp; that frame holds only plain C data, so nothing is skipped that needs
// destroying, and the caller turns the message into an exception afterwards.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX + 64];
  char warning[JMSG_LENGTH_MAX];
  bool hasWarning;
  // The rows fully decoded before the first sign of missing or corrupt data, or -1; watched
  // only while the pixels are decoded.
  long goodRows;
  bool watching;
};

void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// The warnings that say the entropy data is missing or damaged from here on: what follows is
// filled with grey, however the file ends.
bool MarksDamage(int code) {
  return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE ||
         code == JWRN_MUST_RESYNC;
}

// Keeps the first warning instead of printing it; later ones only count.
void EmitMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level < 0) {
    if (err->watching && MarksDamage(cinfo->err->msg_code) && err->goodRows < 0) {
      // The decoder works a row of MCUs at a time, ahead of the rows handed out: the rows of
      // the MCU rows before the one being decoded are whole.
      const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
      const long rows = static_cast<long>(d->input_iMCU_row) * d->max_v_samp_factor * DCTSIZE;
      err->goodRows = rows < static_cast<long>(d->image_height) ? rows : d->image_height;
    }
    if (!err->hasWarning) {
      (*cinfo->err->format_message)(cinfo, err->warning);
      err->hasWarning = true;
    }
    ++cinfo->err->num_warnings;
  }
}

void OutputMessage(j_common_ptr) {}

void InstallErrorManager(ErrorManager& err) {
  std::memset(&err, 0, sizeof err);
  err.goodRows = -1;
  jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
  err.pub.output_message = OutputMessage;
}

void ProgressMonitor(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message,
                  "JPEG ファイルのスキャンが多すぎます (%d を越えています)", kMaxScans);
    std::longjmp(err->jump, 1);
  }
}

struct DecodeState {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_progress_mgr progress;
  Bitmap* out;
  DecodeLimits limits;
  // One interleaved scan: rows are decoded as the data comes, so the row where it ran out
  // tells how much of the picture is real.
  bool singleScan;
};

// A file whose data ends before this share of its rows is damaged, not a picture with a
// grey tail: it is refused rather than shown as a screenful of grey.
constexpr unsigned kDamagedShare = 16;

// True once a single-scan file has shown that its data ends, or turns to garbage, before
// kDamagedShare of its rows: whatever follows the damage decodes as grey, even when the file
// closes with a proper end marker.
bool IsSliver(const DecodeState& s) {
  return s.singleScan && s.err.goodRows >= 0 &&
         s.err.goodRows < static_cast<long>(s.cinfo.image_height / kDamagedShare);
}

// Huffman coding spends at least one bit on every block's DC value in some scan, and a
// sequential scan one more on its AC end: so the data of a file bounds how many rows it can
// hold. A header claiming far more rows than that is damaged; refused before the pixels are
// allocated. (Arithmetic coding can spend less than a bit per block, so it is not judged here.)
bool DataCanFill(DecodeState& s, std::size_t fileSize) {
  const jpeg_decompress_struct& c = s.cinfo;
  if (c.arith_code || c.num_components < 1) return true;
  std::uint64_t blocks = 0;
  if (c.num_components == 1) {
    blocks = std::uint64_t{(c.image_width + 7) / 8} * ((c.image_height + 7) / 8);
  } else {
    const std::uint64_t mcuW = 8u * static_cast<unsigned>(c.max_h_samp_factor);
    const std::uint64_t mcuH = 8u * static_cast<unsigned>(c.max_v_samp_factor);
    std::uint64_t perMcu = 0;
    for (int i = 0; i < c.num_components; ++i)
      perMcu += static_cast<unsigned>(c.comp_info[i].h_samp_factor * c.comp_info[i].v_samp_factor);
    blocks = ((c.image_width + mcuW - 1) / mcuW) * ((c.image_height + mcuH - 1) / mcuH) * perMcu;
  }
  const std::uint64_t minBits = blocks * (c.progressive_mode ? 1 : 2);
  if (std::uint64_t{fileSize} * 8 * kDamagedShare >= minBits) return true;
  std::snprintf(s.err.message, sizeof s.err.message,
                "JPEG ファイルが壊れています: %u x %u ピクセルと書かれていますが、データ (%zu "
                "バイト) はその 16 分の 1 の行にも足りません",
                c.image_width, c.image_height, fileSize);
  return false;
}

// Kept apart from RunDecode so that no string lives in the frame libjpeg may jump back to.
bool SizeAllowed(DecodeState& s, int bytesPerPixel) {
  const std::string refusal =
      SizeRefusal(s.cinfo.image_width, s.cinfo.image_height, bytesPerPixel, s.limits);
  if (refusal.empty()) return true;
  std::snprintf(s.err.message, sizeof s.err.message, "%s", refusal.c_str());
  return false;
}

bool CreateNoThrow(Bitmap* out, int w, int h, int bpp, char* message, size_t capacity) {
  try {
    out->Create(w, h, bpp);
    return true;
  } catch (const std::exception& e) {
    std::snprintf(message, capacity, "%s", e.what());
    return false;
  }
}

unsigned char Mul255(unsigned a, unsigned b) {
  return static_cast<unsigned char>((a * b + 127) / 255);
}

// Only plain C data lives in this frame (see ErrorManager).
bool RunDecode(DecodeState& s, const std::uint8_t* data, std::size_t size) {
  jpeg_decompress_struct& cinfo = s.cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  InstallErrorManager(s.err);
  cinfo.err = &s.err.pub;
  if (setjmp(s.err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  s.progress.progress_monitor = ProgressMonitor;
  cinfo.progress = &s.progress;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.data_precision != 8) {
    std::snprintf(s.err.message, sizeof s.err.message,
                  "JPEG のサンプル精度 %d ビットには対応していません", cinfo.data_precision);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  s.singleScan = !cinfo.progressive_mode && cinfo.comps_in_scan == cinfo.num_components;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  const bool gray = cinfo.jpeg_color_space == JCS_GRAYSCALE;
  if (!SizeAllowed(s, gray ? 1 : 3) || !DataCanFill(s, size)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = cmyk ? JCS_CMYK : gray ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  if (!CreateNoThrow(s.out, w, h, gray ? 8 : 24, s.err.message, sizeof s.err.message)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  s.err.watching = true;
  if (cmyk) {
    JSAMPARRAY buf = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                static_cast<JDIMENSION>(w) * 4, 1);
    const bool inverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
      const int y = static_cast<int>(cinfo.output_scanline);
      jpeg_read_scanlines(&cinfo, buf, 1);
      if (IsSliver(s)) break;
      const unsigned char* p = buf[0];
      unsigned char* d = s.out->Row(y);
      for (int x = 0; x < w; ++x, p += 4, d += 3) {
        unsigned c = p[0], m = p[1], yy = p[2], k = p[3];
        if (!inverted) c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
        d[0] = Mul255(yy, k);
        d[1] = Mul255(m, k);
        d[2] = Mul255(c, k);
      }
    }
  } else {
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height) {
      const int y = static_cast<int>(cinfo.output_scanline);
      const int n = h - y < 16 ? h - y : 16;
      for (int i = 0; i < n; ++i) rows[i] = s.out->Row(y + i);
      jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(n));
      // Refused as soon as it is known, rather than after decoding a screenful of grey.
      if (IsSliver(s)) break;
    }
  }
  if (IsSliver(s)) {
    std::snprintf(s.err.message, sizeof s.err.message,
                  "JPEG ファイルが壊れています: 画像 %u 行のうち、読めたのは先頭の %ld 行だけです",
                  cinfo.output_height, s.err.goodRows);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

struct EncodeState {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  const Bitmap* in;
  int quality;
  unsigned char* buffer;
  unsigned long size;
};

bool RunEncode(EncodeState& s) {
  jpeg_compress_struct& cinfo = s.cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  InstallErrorManager(s.err);
  cinfo.err = &s.err.pub;
  if (setjmp(s.err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &s.buffer, &s.size);
  const Bitmap& b = *s.in;
  const bool direct = b.BitsPerPixel() == 24;
  cinfo.image_width = static_cast<JDIMENSION>(b.Width());
  cinfo.image_height = static_cast<JDIMENSION>(b.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = direct ? JCS_EXT_BGR : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, s.quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  JSAMPROW row[1];
  if (direct) {
    while (cinfo.next_scanline < cinfo.image_height) {
      // libjpeg only reads the rows it is given.
      row[0] = const_cast<JSAMPROW>(b.Row(static_cast<int>(cinfo.next_scanline)));
      jpeg_write_scanlines(&cinfo, row, 1);
    }
  } else {
    auto* argb = static_cast<std::uint32_t*>((*cinfo.mem->alloc_large)(
        reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, sizeof(std::uint32_t) * b.Width()));
    JSAMPARRAY rgb = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                cinfo.image_width * 3, 1);
    while (cinfo.next_scanline < cinfo.image_height) {
      RowToArgb32(b, static_cast<int>(cinfo.next_scanline), argb);
      for (int x = 0; x < b.Width(); ++x) {
        rgb[0][3 * x] = static_cast<JSAMPLE>(argb[x] >> 16);
        rgb[0][3 * x + 1] = static_cast<JSAMPLE>(argb[x] >> 8);
        rgb[0][3 * x + 2] = static_cast<JSAMPLE>(argb[x]);
      }
      jpeg_write_scanlines(&cinfo, rgb, 1);
    }
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

Bitmap DecodeJpeg(const std::uint8_t* data, std::size_t size, std::string* warning,
                  std::int64_t maxPixels) {
  DecodeLimits limits;
  limits.maxPixels = maxPixels;
  return DecodeJpeg(data, size, warning, limits);
}

Bitmap DecodeJpeg(const std::uint8_t* data, std::size_t size, std::string* warning,
                  const DecodeLimits& limits) {
  Bitmap out;
  auto state = std::make_unique<DecodeState>();
  state->out = &out;
  state->limits = limits;
  if (!RunDecode(*state, data, size))
    throw ImagingError("JPEG ファイルを読み込めません: " + LibraryReason(state->err.message));
  if (warning != nullptr) *warning = state->err.hasWarning ? state->err.warning : "";
  if (out.BitsPerPixel() == 8) {
    out.palette.resize(256);
    for (std::uint32_t i = 0; i < 256; ++i) out.palette[i] = i * 0x010101u;
  }
  return out;
}

namespace {

// The orientation in a TIFF-structured EXIF block (after "Exif\0\0"): IFD0's entry 0x0112.
int ExifOrientation(const std::uint8_t* t, std::size_t n) {
  if (n < 8) return 0;
  const bool le = t[0] == 'I' && t[1] == 'I';
  if (!le && !(t[0] == 'M' && t[1] == 'M')) return 0;
  auto u16 = [&](std::size_t at) -> std::uint32_t {
    return le ? t[at] | t[at + 1] << 8 : t[at] << 8 | t[at + 1];
  };
  auto u32 = [&](std::size_t at) -> std::uint64_t {
    return le ? u16(at) | std::uint64_t{u16(at + 2)} << 16
              : std::uint64_t{u16(at)} << 16 | u16(at + 2);
  };
  if (u16(2) != 42) return 0;
  const std::uint64_t ifd = u32(4);
  if (ifd + 2 > n) return 0;
  const std::uint32_t count = u16(static_cast<std::size_t>(ifd));
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t e = ifd + 2 + std::uint64_t{12} * i;
    if (e + 12 > n) return 0;
    const auto at = static_cast<std::size_t>(e);
    // SHORT, one value, held in the first two bytes of the value field.
    if (u16(at) == 0x0112) {
      if (u16(at + 2) != 3 || u32(at + 4) != 1) return 0;
      const std::uint32_t v = u16(at + 8);
      return v >= 1 && v <= 8 ? static_cast<int>(v) : 0;
    }
  }
  return 0;
}

}  // namespace

int JpegOrientation(const std::uint8_t* data, std::size_t size) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 0;
  std::size_t pos = 2;
  while (pos + 4 <= size) {
    if (data[pos] != 0xFF) return 0;
    const std::uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return 0;  // the scan: no more header segments
    const std::size_t length = std::size_t{data[pos + 2]} << 8 | data[pos + 3];
    if (length < 2 || pos + 2 + length > size) return 0;
    const std::uint8_t* body = data + pos + 4;
    const std::size_t bodySize = length - 2;
    if (marker == 0xE1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0)
      return ExifOrientation(body + 6, bodySize - 6);
    pos += 2 + length;
  }
  return 0;
}

std::vector<std::uint8_t> EncodeJpeg(const Bitmap& bitmap, int quality) {
  if (bitmap.Empty()) throw ImagingError("空の画像は JPEG に書き出せません");
  auto state = std::make_unique<EncodeState>();
  state->in = &bitmap;
  state->quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
  state->buffer = nullptr;
  state->size = 0;
  const bool ok = RunEncode(*state);
  // libjpeg allocated the buffer with malloc.
  std::unique_ptr<unsigned char, FreeDeleter> owned(state->buffer);
  if (!ok) throw ImagingError(std::string("JPEG に書き出せません: ") + state->err.message);
  return std::vector<std::uint8_t>(owned.get(), owned.get() + state->size);
}

}  // namespace zelko
