/* Writes the TIFF layouts of this folder with libtiff: cc make_tiffs.c -ltiff && ./a.out
   Every picture is 40 x 24 and its pixels follow the formulas below, so that the samples in
   MANIFEST.tsv can be worked out by hand. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <tiffio.h>

enum { W = 40, H = 24 };

static TIFF* Start(const char* name, int bits, int spp, int photometric, int compression) {
  TIFF* t = TIFFOpen(name, "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, W);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, H);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 8);
  return t;
}

/* Colour: red 6x, green 10y, blue 3(x + y). */
static int Red(int x, int y) { (void)y; return 6 * x; }
static int Green(int x, int y) { (void)x; return 10 * y; }
static int Blue(int x, int y) { return 3 * (x + y); }

/* Packs values of `bits` bits, most significant first, as TIFF stores them. */
static void Pack(uint8_t* row, int x, int bits, int v) {
  const int bit = x * bits;
  row[bit / 8] |= (uint8_t)(v << (8 - bits - bit % 8));
}

static void Bilevel(const char* name, int compression) {
  TIFF* t = Start(name, 1, 1, PHOTOMETRIC_MINISWHITE, compression);
  if (compression == COMPRESSION_CCITTFAX3) TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, 0);
  for (int y = 0; y < H; ++y) {
    uint8_t row[W / 8] = {0};
    /* Black (1 when 0 is white) on a checkerboard of 4-pixel squares. */
    for (int x = 0; x < W; ++x) Pack(row, x, 1, (x / 4 + y / 4) % 2);
    TIFFWriteScanline(t, row, y, 0);
  }
  TIFFClose(t);
}

static void Grey(const char* name, int bits) {
  TIFF* t = Start(name, bits, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW);
  for (int y = 0; y < H; ++y) {
    uint8_t row[W] = {0};
    for (int x = 0; x < W; ++x)
      Pack(row, x, bits, bits == 2 ? (x / 10 + y / 12) % 4 : (x + y) % 16);
    TIFFWriteScanline(t, row, y, 0);
  }
  TIFFClose(t);
}

static void Palette4(const char* name) {
  TIFF* t = Start(name, 4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS);
  uint16_t r[16], g[16], b[16];
  for (int i = 0; i < 16; ++i) {
    r[i] = (uint16_t)(i * 17 * 257);
    g[i] = (uint16_t)((255 - i * 17) * 257);
    b[i] = (uint16_t)((i * 50) % 256 * 257);
  }
  TIFFSetField(t, TIFFTAG_COLORMAP, r, g, b);
  for (int y = 0; y < H; ++y) {
    uint8_t row[W / 2] = {0};
    for (int x = 0; x < W; ++x) Pack(row, x, 4, (x / 3 + y / 2) % 16);
    TIFFWriteScanline(t, row, y, 0);
  }
  TIFFClose(t);
}

static void Cmyk(const char* name) {
  TIFF* t = Start(name, 8, 4, PHOTOMETRIC_SEPARATED, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(t, TIFFTAG_INKSET, INKSET_CMYK);
  for (int y = 0; y < H; ++y) {
    uint8_t row[W * 4];
    for (int x = 0; x < W; ++x) {
      row[4 * x] = (uint8_t)(255 - Red(x, y));
      row[4 * x + 1] = (uint8_t)(255 - Green(x, y));
      row[4 * x + 2] = (uint8_t)(255 - Blue(x, y));
      row[4 * x + 3] = 0;
    }
    TIFFWriteScanline(t, row, y, 0);
  }
  TIFFClose(t);
}

static void Planar(const char* name) {
  TIFF* t = Start(name, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
  for (int s = 0; s < 3; ++s)
    for (int y = 0; y < H; ++y) {
      uint8_t row[W];
      for (int x = 0; x < W; ++x)
        row[x] = (uint8_t)(s == 0 ? Red(x, y) : s == 1 ? Green(x, y) : Blue(x, y));
      TIFFWriteScanline(t, row, y, (uint16_t)s);
    }
  TIFFClose(t);
}

static void YcbcrJpeg(const char* name) {
  TIFF* t = Start(name, 8, 3, PHOTOMETRIC_YCBCR, COMPRESSION_JPEG);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16);
  TIFFSetField(t, TIFFTAG_YCBCRSUBSAMPLING, 2, 2);
  TIFFSetField(t, TIFFTAG_JPEGQUALITY, 95);
  TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  for (int y = 0; y < H; ++y) {
    uint8_t row[W * 3];
    for (int x = 0; x < W; ++x) {
      row[3 * x] = (uint8_t)Red(x, y);
      row[3 * x + 1] = (uint8_t)Green(x, y);
      row[3 * x + 2] = (uint8_t)Blue(x, y);
    }
    TIFFWriteScanline(t, row, y, 0);
  }
  TIFFClose(t);
}

/* Signed 16-bit grey: 1500x + 100y - 30000. */
static void Signed16(const char* name) {
  TIFF* t = Start(name, 16, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_INT);
  for (int y = 0; y < H; ++y) {
    int16_t row[W];
    for (int x = 0; x < W; ++x) row[x] = (int16_t)(1500 * x + 100 * y - 30000);
    TIFFWriteScanline(t, row, y, 0);
  }
  TIFFClose(t);
}

/* An elevation model: metres as 32-bit floats. */
static void Float32(const char* name) {
  TIFF* t = Start(name, 32, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
  for (int y = 0; y < H; ++y) {
    float row[W];
    for (int x = 0; x < W; ++x) row[x] = 120.5f + (float)x - 0.25f * (float)y;
    TIFFWriteScanline(t, row, y, 0);
  }
  TIFFClose(t);
}

int main(void) {
  Bilevel("bilevel-g4.tif", COMPRESSION_CCITTFAX4);
  Bilevel("bilevel-g3.tif", COMPRESSION_CCITTFAX3);
  Grey("grey2.tif", 2);
  Grey("grey4.tif", 4);
  Palette4("palette4.tif");
  Cmyk("cmyk.tif");
  Planar("rgb-planar.tif");
  YcbcrJpeg("ycbcr-jpeg.tif");
  Signed16("grey16-signed.tif");
  Float32("float32-dem.tif");
  return 0;
}
