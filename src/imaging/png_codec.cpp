#include "imaging/png_codec.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/library_messages.h"
#include "imaging/mapped_file.h"
#include "imaging/sample_rows.h"

namespace zelko {
namespace {

// libpng reports errors through a callback that must not return; it jumps back to the frame
// that called setjmp, which holds only plain data and pointers owned by the state below.
struct PngState {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
  ReadBehind* behind = nullptr;
  char message[256] = {};
  DecodeLimits limits;
  DecodedImage* out = nullptr;
  std::vector<std::uint8_t> rows;  // the whole image for interlaced files, else one row
};

void Error(png_structp png, png_const_charp text) {
  auto* s = static_cast<PngState*>(png_get_error_ptr(png));
  if (s->message[0] == 0) std::snprintf(s->message, sizeof s->message, "%s", text);
  png_longjmp(png, 1);
}

void Warning(png_structp, png_const_charp) {}

void Read(png_structp png, png_bytep dst, png_size_t n) {
  auto* s = static_cast<PngState*>(png_get_io_ptr(png));
  if (n > s->size - s->pos) png_error(png, "ファイルが途中で切れています");
  std::memcpy(dst, s->data + s->pos, n);
  s->behind->Read(s->pos, n);
  s->pos += n;
}

const char* Model(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
      return "グレー";
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return "グレー+α";
    case PNG_COLOR_TYPE_PALETTE:
      return "パレット";
    case PNG_COLOR_TYPE_RGB:
      return "RGB";
    default:
      return "RGBA";
  }
}

// Everything that can fail without libpng's jump is done in here: it is called from the
// setjmp frame and reports through s.message.
bool Prepare(PngState& s, int w, int h, const SampleLayout& l, bool keepPalette,
             std::size_t rowBytes, bool interlaced) {
  // The passes of an interlaced file fill the rows bit by bit, so all of them are kept until
  // the last: that buffer counts too.
  const std::string refusal =
      SizeRefusal(w, h, l.Grey() || keepPalette ? 1 : 3, s.limits,
                  interlaced ? std::uint64_t{rowBytes} * static_cast<std::uint64_t>(h) : rowBytes);
  if (!refusal.empty()) {
    std::snprintf(s.message, sizeof s.message, "%s", refusal.c_str());
    return false;
  }
  try {
    s.rows.assign(interlaced ? rowBytes * static_cast<std::size_t>(h) : rowBytes, 0);
    if (keepPalette) {
      s.out->bitmap = Bitmap(w, h, 8);
    } else {
      s.out->bitmap = MakeDecodeTarget(w, h, l);
    }
  } catch (const std::exception& e) {
    std::snprintf(s.message, sizeof s.message, "%s", e.what());
    return false;
  }
  return true;
}

bool RunDecode(PngState& s) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, Error, Warning);
  if (png == nullptr) {
    std::snprintf(s.message, sizeof s.message, "libpng を初期化できません");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    return false;
  }
  png_set_read_fn(png, &s, Read);
  // Text and other ancillary chunks are not used; bound what they may cost.
  png_set_chunk_malloc_max(png, 8u << 20);
  png_set_user_limits(png, 1u << 24, 1u << 24);
  png_read_info(png, info);
  png_uint_32 w = 0, h = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &w, &h, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  s.out->depth = DepthText(bitDepth, Model(colorType));
  const bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  const bool keepPalette = colorType == PNG_COLOR_TYPE_PALETTE && !trns;
  if (keepPalette) {
    png_set_packing(png);
  } else {
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
  }
  if (bitDepth == 16) png_set_swap(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  SampleLayout l;
  l.channels = png_get_channels(png, info);
  l.bits = png_get_bit_depth(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  if (!Prepare(s, static_cast<int>(w), static_cast<int>(h), l, keepPalette, rowBytes,
               passes > 1 && !keepPalette)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  if (keepPalette) {
    png_colorp pal = nullptr;
    int n = 0;
    png_get_PLTE(png, info, &pal, &n);
    Bitmap& b = s.out->bitmap;
    b.palette.assign(256, 0);
    for (int i = 0; i < n && i < 256; ++i)
      b.palette[i] =
          std::uint32_t{pal[i].red} << 16 | std::uint32_t{pal[i].green} << 8 | pal[i].blue;
    for (int p = 0; p < passes; ++p)
      for (int y = 0; y < static_cast<int>(h); ++y) png_read_row(png, b.Row(y), nullptr);
  } else if (passes > 1) {
    for (int p = 0; p < passes; ++p)
      for (png_uint_32 y = 0; y < h; ++y) png_read_row(png, s.rows.data() + rowBytes * y, nullptr);
    for (png_uint_32 y = 0; y < h; ++y)
      ConvertSamples(s.rows.data() + rowBytes * y, static_cast<int>(w), l,
                     s.out->bitmap.Row(static_cast<int>(y)));
  } else {
    for (png_uint_32 y = 0; y < h; ++y) {
      png_read_row(png, s.rows.data(), nullptr);
      ConvertSamples(s.rows.data(), static_cast<int>(w), l, s.out->bitmap.Row(static_cast<int>(y)));
    }
  }
  // The end of the file carries nothing the picture needs; a damaged tail is not worth a refusal.
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

bool LooksLikePng(const std::uint8_t* data, std::size_t size) {
  return size >= 8 && png_sig_cmp(const_cast<png_bytep>(data), 0, 8) == 0;
}

DecodedImage DecodePng(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits) {
  DecodedImage out;
  out.format = "PNG";
  auto s = std::make_unique<PngState>();
  s->data = data;
  s->size = size;
  s->limits = limits;
  s->out = &out;
  ReadBehind behind(data, size, limits.mappedInput);
  s->behind = &behind;
  if (!RunDecode(*s))
    throw ImagingError("PNG ファイルを読み込めません: " + LibraryReason(s->message));
  return out;
}

}  // namespace zelko
