#include "imaging/bitmap.h"

#include <sys/mman.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace zelko {

BitFields DefaultBitFields(int bitsPerPixel) {
  if (bitsPerPixel == 16) return {0x7C00, 0x03E0, 0x001F, 0};
  if (bitsPerPixel == 32) return {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
  return {};
}

bool Bitmap::IsSupportedLayout(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

std::int64_t Bitmap::StrideFor(std::int64_t width, int bitsPerPixel) {
  return (width * bitsPerPixel + 31) / 32 * 4;
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel) { Create(width, height, bitsPerPixel); }

Bitmap::Bitmap(const Bitmap& other)
    : palette(other.palette),
      masks(other.masks),
      xPixelsPerMeter(other.xPixelsPerMeter),
      yPixelsPerMeter(other.yPixelsPerMeter) {
  if (other.bpp_ != 0) Allocate(other.width_, other.height_, other.bpp_, false);
  if (other.ByteSize() > 0) std::memcpy(data_, other.data_, static_cast<size_t>(other.ByteSize()));
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
  if (this != &other) {
    Bitmap copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : palette(std::move(other.palette)),
      masks(other.masks),
      xPixelsPerMeter(other.xPixelsPerMeter),
      yPixelsPerMeter(other.yPixelsPerMeter),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      bpp_(std::exchange(other.bpp_, 0)),
      stride_(std::exchange(other.stride_, 0)),
      data_(std::exchange(other.data_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    Release();
    palette = std::move(other.palette);
    masks = other.masks;
    xPixelsPerMeter = other.xPixelsPerMeter;
    yPixelsPerMeter = other.yPixelsPerMeter;
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    bpp_ = std::exchange(other.bpp_, 0);
    stride_ = std::exchange(other.stride_, 0);
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

Bitmap::~Bitmap() { Release(); }

namespace {

// Large pixel buffers are mapped on their own in 2 MiB pages where the system allows it: a
// 24-megapixel photo then takes a few dozen page faults instead of eighteen thousand, which
// was a tenth of a JPEG load. Whether a buffer is mapped follows from its size alone.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kMapAtLeast = std::size_t{4} << 20;

std::size_t MappedLength(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

std::uint8_t* MapPixels(std::size_t bytes) {
  const std::size_t length = MappedLength(bytes);
  // One huge page more, so that an aligned start can be cut out of it.
  void* p =
      mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
  if (aligned > start) munmap(p, aligned - start);
  const std::uintptr_t tail = start + length + kHugePage - (aligned + length);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
  auto* data = reinterpret_cast<std::uint8_t*>(aligned);
  (void)madvise(data, length, MADV_HUGEPAGE);  // only advice: without it, plain pages
  return data;
}

}  // namespace

void Bitmap::Release() {
  if (capacity_ >= kMapAtLeast)
    munmap(data_, MappedLength(capacity_));
  else
    std::free(data_);
  data_ = nullptr;
  capacity_ = 0;
}

void Bitmap::Clear() {
  Release();
  width_ = height_ = 0;
  stride_ = 0;
  palette.clear();
}

namespace {

std::int64_t CheckedBufferSize(int width, int height, int bitsPerPixel) {
  if (!Bitmap::IsSupportedLayout(bitsPerPixel))
    throw ImagingError("ビットマップのピクセルのビット数 " + std::to_string(bitsPerPixel) +
                       " には対応していません");
  if (width < 0 || height < 0)
    throw ImagingError("ビットマップの大きさが負です (" + std::to_string(width) + " x " +
                       std::to_string(height) + ")");
  const std::int64_t stride = Bitmap::StrideFor(width, bitsPerPixel);
  if (height > 0 && stride > kMaxBitmapBytes / height)
    throw ImagingError("ビットマップが大きすぎます (" + std::to_string(width) + " x " +
                       std::to_string(height) + " ピクセル)");
  return stride * height;
}

}  // namespace

// Stores the new buffer before giving up the old one, so a failure leaves the bitmap intact.
void Bitmap::Allocate(int width, int height, int bitsPerPixel, bool zero) {
  const std::int64_t bytes = CheckedBufferSize(width, height, bitsPerPixel);
  std::uint8_t* fresh = nullptr;
  if (bytes > 0) {
    // Fresh mapped pages and calloc's large blocks are zero at no cost; malloc is enough
    // otherwise.
    if (static_cast<std::size_t>(bytes) >= kMapAtLeast)
      fresh = MapPixels(static_cast<size_t>(bytes));
    else
      fresh = static_cast<std::uint8_t*>(zero ? std::calloc(static_cast<size_t>(bytes), 1)
                                              : std::malloc(static_cast<size_t>(bytes)));
    if (fresh == nullptr)
      throw ImagingError("画像のためのメモリが足りません (" + std::to_string(bytes) + " バイト)");
  }
  Release();
  data_ = fresh;
  capacity_ = static_cast<size_t>(bytes);
  width_ = width;
  height_ = height;
  bpp_ = bitsPerPixel;
  stride_ = StrideFor(width, bitsPerPixel);
}

void Bitmap::Create(int width, int height, int bitsPerPixel) {
  Allocate(width, height, bitsPerPixel, true);
  palette.clear();
  masks = DefaultBitFields(bitsPerPixel);
}

void Bitmap::Reshape(int width, int height, int bitsPerPixel) {
  const std::int64_t bytes = CheckedBufferSize(width, height, bitsPerPixel);
  const auto needed = static_cast<size_t>(bytes);
  if (data_ == nullptr || needed > capacity_ || needed < capacity_ / 4) {
    Allocate(width, height, bitsPerPixel, true);
  } else {
    width_ = width;
    height_ = height;
    bpp_ = bitsPerPixel;
    stride_ = StrideFor(width, bitsPerPixel);
    const std::int64_t used = (std::int64_t{width} * bitsPerPixel + 7) / 8;
    if (used < stride_)
      for (int y = 0; y < height; ++y) std::memset(Row(y) + used, 0, stride_ - used);
  }
  palette.clear();
  masks = DefaultBitFields(bitsPerPixel);
}

namespace {

// A channel of a masked pixel scaled to 0..255, rounding to nearest.
struct ChannelScale {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t max = 0;
  explicit ChannelScale(std::uint32_t m) : mask(m) {
    if (m != 0) {
      shift = std::countr_zero(m);
      max = m >> shift;
    }
  }
  std::uint32_t operator()(std::uint32_t pixel) const {
    if (max == 0) return 0;
    const std::uint64_t v = (pixel & mask) >> shift;
    if (max == 255) return static_cast<std::uint32_t>(v);
    return static_cast<std::uint32_t>((v * 255 + max / 2) / max);
  }
};

std::uint32_t IndexColour(const Bitmap& b, unsigned index) {
  if (!b.palette.empty()) return index < b.palette.size() ? b.palette[index] & 0xFFFFFF : 0;
  const unsigned levels = (1u << b.BitsPerPixel()) - 1;
  const unsigned grey = index * 255 / levels;
  return grey * 0x010101u;
}

}  // namespace

std::uint32_t PixelRgb(const Bitmap& b, int x, int y) {
  const std::uint8_t* row = b.Row(y);
  switch (b.BitsPerPixel()) {
    case 1:
      return IndexColour(b, (row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4:
      return IndexColour(b, (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4);
    case 8:
      return IndexColour(b, row[x]);
    case 16: {
      std::uint16_t w;
      std::memcpy(&w, row + 2 * x, 2);
      return ChannelScale(b.masks.red)(w) << 16 | ChannelScale(b.masks.green)(w) << 8 |
             ChannelScale(b.masks.blue)(w);
    }
    case 24:
      return std::uint32_t{row[3 * x + 2]} << 16 | std::uint32_t{row[3 * x + 1]} << 8 | row[3 * x];
    case 32: {
      std::uint32_t w;
      std::memcpy(&w, row + 4 * x, 4);
      return ChannelScale(b.masks.red)(w) << 16 | ChannelScale(b.masks.green)(w) << 8 |
             ChannelScale(b.masks.blue)(w);
    }
    default:
      return 0;
  }
}

void RowToArgb32(const Bitmap& b, int y, std::uint32_t* out) {
  const std::uint8_t* row = b.Row(y);
  const int w = b.Width();
  switch (b.BitsPerPixel()) {
    case 24:
      for (int x = 0; x < w; ++x, row += 3)
        out[x] = 0xFF000000u | std::uint32_t{row[2]} << 16 | std::uint32_t{row[1]} << 8 | row[0];
      return;
    case 16:
    case 32: {
      const ChannelScale r(b.masks.red), g(b.masks.green), bl(b.masks.blue);
      const int bytes = b.BitsPerPixel() / 8;
      for (int x = 0; x < w; ++x) {
        std::uint32_t v = 0;
        std::memcpy(&v, row + bytes * x, bytes);
        out[x] = 0xFF000000u | r(v) << 16 | g(v) << 8 | bl(v);
      }
      return;
    }
    default:
      for (int x = 0; x < w; ++x) out[x] = 0xFF000000u | PixelRgb(b, x, y);
  }
}

}  // namespace zelko
