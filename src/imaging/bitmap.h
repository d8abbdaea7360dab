// A raster bitmap in memory: 1, 4, 8, 16, 24 or 32 bits per pixel, an optional palette, rows
// stored top-down, each row padded to a multiple of 4 bytes as in a BMP file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace zelko {

// Any failure of the image engine: a file that cannot be decoded, a size that cannot be made, an
// index beyond what a layout allows. The message says what went wrong.
class ImagingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Largest pixel buffer any bitmap may have; a larger request fails with ImagingError.
inline constexpr std::int64_t kMaxBitmapBytes = std::int64_t{1} << 31;

// Channel masks of 16- and 32-bit pixels. A zero mask gives a channel of 0.
struct BitFields {
  std::uint32_t red = 0;
  std::uint32_t green = 0;
  std::uint32_t blue = 0;
  std::uint32_t alpha = 0;
  bool operator==(const BitFields&) const = default;
};

// The masks a 16- or 32-bit BMP has when it declares none: 5-5-5 and 8-8-8.
BitFields DefaultBitFields(int bitsPerPixel);

class Bitmap {
 public:
  Bitmap() = default;
  // A bitmap with every byte 0. Throws ImagingError for a layout other than 1, 4, 8, 16, 24, 32,
  // a negative size or a buffer beyond kMaxBitmapBytes.
  Bitmap(int width, int height, int bitsPerPixel);
  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap& other);
  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;
  ~Bitmap();

  // Gives the bitmap a new size and layout with every byte 0; the palette is cleared and the
  // masks become the layout's defaults.
  void Create(int width, int height, int bitsPerPixel);
  // Like Create, but keeps the present buffer when it is large enough and not much too large, so
  // that rebuilding an image of the same size touches no new memory. Pixel bytes are left as
  // they were; row padding is zero. On failure the bitmap is unchanged.
  void Reshape(int width, int height, int bitsPerPixel);
  // Frees the pixels; the bitmap becomes 0 x 0.
  void Clear();

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bpp_; }
  // Bytes per row, a multiple of 4.
  std::int64_t Stride() const { return stride_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  std::int64_t ByteSize() const { return stride_ * height_; }

  std::uint8_t* Row(int y) { return data_ + stride_ * y; }
  const std::uint8_t* Row(int y) const { return data_ + stride_ * y; }
  std::uint8_t* Bits() { return data_; }
  const std::uint8_t* Bits() const { return data_; }

  // Palette entries 0x00RRGGBB (blue in the low byte, as the entries of a BMP colour table).
  std::vector<std::uint32_t> palette;
  // How 16- and 32-bit pixels hold their channels.
  BitFields masks;
  // Resolution as the file gave it; kept only so that a written BMP carries it on.
  std::int32_t xPixelsPerMeter = 0;
  std::int32_t yPixelsPerMeter = 0;

  // Row size of a layout: the bits of a row rounded up to whole 32-bit words.
  static std::int64_t StrideFor(std::int64_t width, int bitsPerPixel);
  static bool IsSupportedLayout(int bitsPerPixel);

 private:
  void Allocate(int width, int height, int bitsPerPixel, bool zero);
  void Release();

  int width_ = 0;
  int height_ = 0;
  int bpp_ = 0;
  std::int64_t stride_ = 0;
  std::uint8_t* data_ = nullptr;
  std::size_t capacity_ = 0;
};

// The colour of pixel (x, y) as 0x00RRGGBB: through the palette for 1, 4 and 8 bits (an index
// beyond the palette is black; without a palette the index is a grey level), through the masks
// for 16 and 32 bits (each channel scaled to 0..255), blue-green-red bytes for 24 bits.
std::uint32_t PixelRgb(const Bitmap& bitmap, int x, int y);
// Row y as 0xFFRRGGBB words, one per pixel, into out (Width() entries): the form a display
// image of 32 bits per pixel takes.
void RowToArgb32(const Bitmap& bitmap, int y, std::uint32_t* out);

}  // namespace zelko
