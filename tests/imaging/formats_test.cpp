// The format registry and the PNG and TIFF decoders, on files written here with libpng and
// libtiff so that every decoded pixel can be checked against the samples that went in.
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/image_file.h"
#include "imaging/image_formats.h"
#include "imaging/png_codec.h"
#include "imaging/tiff_codec.h"

namespace zelko {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A sample spread over the whole range; (0, 0) red is 200, which rounds to 1 in 8 bits where
// a shift by 8 would give 0.
std::uint32_t Sample(int x, int y, int c, int bits) {
  if (x == 0 && y == 0 && c == 0) return bits == 16 ? 200 : 1;
  const std::uint32_t v = (x * 7919u + y * 104729u + c * 15485863u) % 65536u;
  return bits == 16 ? v : v >> 8;
}

// The expected 8-bit value, written out: round(v x 255 / max), after compositing on white
// c x a / max + (max - a) at full precision.
int Expected(int x, int y, int c, int channels, int bits) {
  const double max = bits == 16 ? 65535 : 255;
  double v = Sample(x, y, c, bits);
  const bool alpha = channels == 2 || channels == 4;
  if (alpha) {
    const double a = Sample(x, y, channels - 1, bits);
    v = std::floor((v * a + max * (max - a)) / max + 0.5);
  }
  return static_cast<int>(std::floor(v * 255 / max + 0.5));
}

void PutSample(std::uint8_t* p, std::uint32_t v, int bits, bool bigEndian) {
  if (bits == 8) {
    *p = static_cast<std::uint8_t>(v);
  } else if (bigEndian) {
    p[0] = static_cast<std::uint8_t>(v >> 8), p[1] = static_cast<std::uint8_t>(v);
  } else {
    const std::uint16_t s = static_cast<std::uint16_t>(v);
    std::memcpy(p, &s, 2);
  }
}

void WriteToVector(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void Flush(png_structp) {}

Bytes MakePng(int w, int h, int colorType, int bits, bool interlaced = false) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    ADD_FAILURE() << "libpng could not write the test file";
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, WriteToVector, Flush);
  png_set_IHDR(png, info, w, h, bits, colorType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const int channels = png_get_channels(png, info);
  std::vector<std::uint8_t> rows(static_cast<size_t>(w * channels * bits / 8 * h));
  std::vector<png_bytep> pointers;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = rows.data() + y * w * channels * bits / 8;
    pointers.push_back(row);
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c)
        PutSample(row + (x * channels + c) * bits / 8, Sample(x, y, c, bits), bits, true);
  }
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct TiffLayout {
  int channels = 3;
  int bits = 8;
  int compression = COMPRESSION_NONE;
  bool tiled = false;
  int photometric = -1;  // default from channels
  int sampleFormat = SAMPLEFORMAT_UINT;
};

Bytes MakeTiff(int w, int h, const TiffLayout& s) {
  // One file per test process: ctest runs the tests of this program side by side.
  const std::string path =
      testing::TempDir() + "formats_test_" + std::to_string(::getpid()) + ".tif";
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (t == nullptr) return {};
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, s.bits);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, s.channels);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, s.sampleFormat);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC,
               s.photometric >= 0 ? s.photometric
               : s.channels <= 2  ? PHOTOMETRIC_MINISBLACK
                                  : PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_COMPRESSION, s.compression);
  if (s.channels == 2 || s.channels == 4) {
    const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  const int pixelBytes = s.channels * s.bits / 8;
  auto fill = [&](std::uint8_t* dst, int x0, int y, int n) {
    for (int x = x0; x < x0 + n; ++x)
      for (int c = 0; c < s.channels; ++c)
        PutSample(dst + ((x - x0) * s.channels + c) * s.bits / 8,
                  x < w ? Sample(x, y, c, s.bits) : 0, s.bits, false);
  };
  if (s.tiled) {
    TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
    std::vector<std::uint8_t> tile(static_cast<size_t>(16 * 16 * pixelBytes));
    for (int ty = 0; ty < h; ty += 16)
      for (int tx = 0; tx < w; tx += 16) {
        for (int r = 0; r < 16; ++r)
          fill(tile.data() + r * 16 * pixelBytes, tx, ty + r < h ? ty + r : h - 1, 16);
        TIFFWriteTile(t, tile.data(), tx, ty, 0, 0);
      }
  } else if (s.bits < 8) {
    std::vector<std::uint8_t> line(static_cast<size_t>((w * s.bits + 7) / 8), 0x5A);
    for (int y = 0; y < h; ++y) TIFFWriteScanline(t, line.data(), y, 0);
  } else {
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 3);
    std::vector<std::uint8_t> line(static_cast<size_t>(w * pixelBytes));
    for (int y = 0; y < h; ++y) {
      fill(line.data(), 0, y, w);
      TIFFWriteScanline(t, line.data(), y, 0);
    }
  }
  TIFFClose(t);
  Bytes bytes = ReadAll(path);
  std::remove(path.c_str());
  return bytes;
}

// Every pixel against the samples written.
void ExpectPixels(const DecodedImage& d, int w, int h, int channels, int bits) {
  const Bitmap& b = d.bitmap;
  ASSERT_EQ(b.Width(), w);
  ASSERT_EQ(b.Height(), h);
  const bool grey = channels <= 2;
  ASSERT_EQ(b.BitsPerPixel(), grey ? 8 : 24);
  int wrong = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t rgb = PixelRgb(b, x, y);
      const int got[3] = {int(rgb >> 16 & 255), int(rgb >> 8 & 255), int(rgb & 255)};
      for (int c = 0; c < 3; ++c) {
        const int want = Expected(x, y, grey ? 0 : c, channels, bits);
        if (got[c] != want && wrong++ < 5)
          ADD_FAILURE() << "pixel " << x << "," << y << " channel " << c << ": " << got[c]
                        << " instead of " << want;
      }
    }
}

DecodedImage Decode(const Bytes& bytes, const std::string& name = "x") {
  return DecodeImageBytes(bytes.data(), bytes.size(), name, DecodeLimits{});
}

TEST(PngDecoder, EveryColourTypeAndDepthGivesTheSamplesWritten) {
  struct Case {
    int colorType, bits, channels;
    const char* depth;
  } cases[] = {
      {PNG_COLOR_TYPE_GRAY, 8, 1, "8 ビット グレー"},
      {PNG_COLOR_TYPE_GRAY, 16, 1, "16 ビット グレー"},
      {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2, "8 ビット グレー+α"},
      {PNG_COLOR_TYPE_GRAY_ALPHA, 16, 2, "16 ビット グレー+α"},
      {PNG_COLOR_TYPE_RGB, 8, 3, "8 ビット RGB"},
      {PNG_COLOR_TYPE_RGB, 16, 3, "16 ビット RGB"},
      {PNG_COLOR_TYPE_RGB_ALPHA, 8, 4, "8 ビット RGBA"},
      {PNG_COLOR_TYPE_RGB_ALPHA, 16, 4, "16 ビット RGBA"},
  };
  for (const Case& c : cases)
    for (bool interlaced : {false, true}) {
      SCOPED_TRACE(std::string(c.depth) + (interlaced ? " interlaced" : ""));
      const DecodedImage d = Decode(MakePng(37, 21, c.colorType, c.bits, interlaced));
      EXPECT_EQ(d.format, "PNG");
      EXPECT_EQ(d.depth, c.depth);
      ExpectPixels(d, 37, 21, c.channels, c.bits);
    }
}

TEST(PngDecoder, PaletteKeepsItsColoursAndTransparencyGoesOnWhite) {
  auto makePalette = [](bool transparent, int bits) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, WriteToVector, Flush);
    png_set_IHDR(png, info, 4, 1, bits, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color pal[3] = {{255, 0, 0}, {0, 128, 0}, {10, 20, 30}};
    png_set_PLTE(png, info, pal, 3);
    png_byte alpha[1] = {0};  // entry 0 fully transparent
    if (transparent) png_set_tRNS(png, info, alpha, 1, nullptr);
    png_write_info(png, info);
    png_byte row[4] = {0, 1, 2, 1};
    if (bits == 4) row[0] = 0x01, row[1] = 0x21;  // 0 1 2 1 packed
    png_write_row(png, row);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
  };
  for (int bits : {8, 4}) {
    const DecodedImage opaque = Decode(makePalette(false, bits));
    EXPECT_EQ(opaque.bitmap.BitsPerPixel(), 8);
    EXPECT_EQ(PixelRgb(opaque.bitmap, 0, 0), 0xFF0000u);
    EXPECT_EQ(PixelRgb(opaque.bitmap, 1, 0), 0x008000u);
    EXPECT_EQ(PixelRgb(opaque.bitmap, 2, 0), 0x0A141Eu);
    EXPECT_EQ(PixelRgb(opaque.bitmap, 3, 0), 0x008000u);
  }
  const DecodedImage clear = Decode(makePalette(true, 8));
  EXPECT_EQ(clear.bitmap.BitsPerPixel(), 24);
  EXPECT_EQ(PixelRgb(clear.bitmap, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelRgb(clear.bitmap, 2, 0), 0x0A141Eu);
}

TEST(TiffDecoder, DepthsCompressionsStripsAndTilesGiveTheSamplesWritten) {
  for (int channels : {1, 2, 3, 4})
    for (int bits : {8, 16})
      for (int compression : {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE})
        for (bool tiled : {false, true}) {
          SCOPED_TRACE(std::to_string(channels) + " channels, " + std::to_string(bits) +
                       " bits, compression " + std::to_string(compression) +
                       (tiled ? ", tiled" : ", strips"));
          const DecodedImage d = Decode(MakeTiff(40, 21, {channels, bits, compression, tiled}));
          EXPECT_EQ(d.format, "TIFF");
          EXPECT_EQ(d.depth.rfind(std::to_string(bits) + " ビット", 0), 0u) << d.depth;
          ExpectPixels(d, 40, 21, channels, bits);
        }
}

TEST(TiffDecoder, WhiteIsZeroGreyIsInverted) {
  TiffLayout s;
  s.channels = 1;
  s.photometric = PHOTOMETRIC_MINISWHITE;
  const DecodedImage d = Decode(MakeTiff(5, 2, s));
  EXPECT_EQ(PixelRgb(d.bitmap, 3, 1) & 255, 255 - Sample(3, 1, 0, 8));
}

TEST(ImageDecoders, DamagedAndUnsupportedFilesAreRefusedWithTheReason) {
  auto refusal = [](const Bytes& bytes, const std::string& name) {
    try {
      Decode(bytes, name);
    } catch (const ImagingError& e) {
      return std::string(e.what());
    }
    return std::string("decoded");
  };
  Bytes png = MakePng(30, 30, PNG_COLOR_TYPE_RGB, 8);
  Bytes half(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
  EXPECT_NE(refusal(half, "a.png").find("PNG ファイルを読み込めません"), std::string::npos);
  Bytes badCrc = png;
  badCrc[29] ^= 0x55;  // inside the IHDR chunk's CRC
  EXPECT_NE(refusal(badCrc, "a.png").find("PNG"), std::string::npos);
  Bytes tiff = MakeTiff(30, 30, {});
  Bytes cut(tiff.begin(), tiff.begin() + 200);
  EXPECT_NE(refusal(cut, "a.tif").find("TIFF ファイルを読み込めません"), std::string::npos);
  TiffLayout floating;
  floating.channels = 1;
  floating.bits = 32;
  floating.sampleFormat = SAMPLEFORMAT_IEEEFP;
  EXPECT_NE(refusal(MakeTiff(8, 8, floating), "a.tif").find("浮動小数点"), std::string::npos);
  EXPECT_NE(refusal(badCrc, "a.png").find("検査値"), std::string::npos);
  EXPECT_NE(refusal(Bytes{'h', 'e', 'l', 'l', 'o'}, "a.txt").find("開ける形式"), std::string::npos);
}

TEST(ImageFormatRegistry, ExtensionsContentAndDialogFilter) {
  for (const char* name : {"a.jpg", "a.JPEG", "a.jpe", "a.Jfif", "a.bmp", "a.png", "a.TIF",
                           "a.tiff", "C:\\p.q\\photo.jpeg"})
    EXPECT_TRUE(IsImageExtension(name)) << name;
  for (const char* name : {"a.pqs", "a.gif", "jpg", "a.jpg\\b", "a"})
    EXPECT_FALSE(IsImageExtension(name)) << name;
  EXPECT_STREQ(FormatOfPath("x.jfif")->name, "JPEG");
  EXPECT_STREQ(FormatOfPath("x.tif")->name, "TIFF");
  const std::string filter = ImageOpenFilter();
  for (const char* pattern :
       {"*.jpg", "*.JPEG", "*.jpe ", "*.jfif", "*.bmp", "*.png", "*.tif ", "*.TIFF"})
    EXPECT_NE(filter.find(pattern), std::string::npos) << pattern << " in " << filter;
  // The content decides over the name; a name without extension opens by content alone.
  const Bytes png = MakePng(3, 2, PNG_COLOR_TYPE_RGB, 8);
  EXPECT_EQ(Decode(png, "photo.jpg").format, "PNG");
  const std::string bare = testing::TempDir() + "formats_test_noext";
  std::ofstream(bare, std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  EXPECT_TRUE(IsImageFile(bare));
  EXPECT_EQ(LoadImage(bare, DecodeLimits{}).bitmap.Width(), 3);
  std::remove(bare.c_str());
}

}  // namespace
}  // namespace zelko
