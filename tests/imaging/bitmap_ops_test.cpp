// Sampling, rounding and per-layout copy rules of the bitmap operations, from pixels worked out
// by hand.
#include "imaging/bitmap_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "imaging/bitmap.h"

namespace zelko {
namespace {

void SetBgr(Bitmap& b, int x, int y, int blue, int green, int red) {
  std::uint8_t* p = b.Row(y) + 3 * x;
  p[0] = static_cast<std::uint8_t>(blue);
  p[1] = static_cast<std::uint8_t>(green);
  p[2] = static_cast<std::uint8_t>(red);
}

std::vector<int> Bgr(const Bitmap& b, int x, int y) {
  const std::uint8_t* p = b.Row(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

// A 24-bit row whose pixel x has blue = x, so the source column of each output pixel shows.
Bitmap NumberedRow(int width, int height = 1) {
  Bitmap b(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) SetBgr(b, x, y, x, y, 200);
  return b;
}

std::vector<int> BlueRow(const Bitmap& b, int y = 0) {
  std::vector<int> v;
  for (int x = 0; x < b.Width(); ++x) v.push_back(b.Row(y)[3 * x]);
  return v;
}

TEST(ClampToByte, RoundsTiesToEvenAndClamps) {
  EXPECT_EQ(ClampToByte(0.5), 0);
  EXPECT_EQ(ClampToByte(1.5), 2);
  EXPECT_EQ(ClampToByte(72.5), 72);
  EXPECT_EQ(ClampToByte(128.5), 128);
  EXPECT_EQ(ClampToByte(128.50001), 129);
  EXPECT_EQ(ClampToByte(254.5), 254);
  EXPECT_EQ(ClampToByte(300), 255);
  EXPECT_EQ(ClampToByte(-4.2), 0);
  EXPECT_EQ(ClampToByte(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(AdjustColor, ContrastThenOffsetsPerChannel) {
  Bitmap b(4, 1, 24);
  SetBgr(b, 0, 0, 100, 101, 127);
  SetBgr(b, 1, 0, 128, 10, 250);
  EXPECT_EQ(AdjustColor(b, true, false, 1.0, 0, 0, 0), "");
  EXPECT_EQ(Bgr(b, 0, 0), (std::vector<int>{72, 74, 126}));  // 2v - 127.5, ties to even
  EXPECT_EQ(Bgr(b, 1, 0), (std::vector<int>{128, 0, 255}));

  Bitmap h(2, 1, 24);
  SetBgr(h, 0, 0, 100, 101, 130);
  EXPECT_EQ(AdjustColor(h, true, false, 0.5, 0, 0, 0), "");
  // 86.25, 87.75; 130 + 0.5 x 2.5 = 131.25
  EXPECT_EQ(Bgr(h, 0, 0), (std::vector<int>{86, 88, 131}));

  // Strength 0.2 is not exact in binary, yet 130 + 0.2 x 2.5 still arrives at the tie 130.5.
  Bitmap t(1, 1, 24);
  SetBgr(t, 0, 0, 130, 131, 0);
  EXPECT_EQ(AdjustColor(t, true, false, 0.2, 0, 0, 0), "");
  EXPECT_EQ(Bgr(t, 0, 0), (std::vector<int>{130, 132, 0}));

  Bitmap o(2, 1, 24);
  SetBgr(o, 0, 0, 50, 200, 200);  // blue 50 gets -128, green 200 gets 0, red 200 gets +127
  EXPECT_EQ(AdjustColor(o, false, true, 1.0, 127, 0, -128), "");
  EXPECT_EQ(Bgr(o, 0, 0), (std::vector<int>{0, 200, 255}));

  Bitmap both(1, 1, 24);
  SetBgr(both, 0, 0, 100, 100, 100);  // contrast 1 gives 72, then the offsets
  EXPECT_EQ(AdjustColor(both, true, true, 1.0, 10, -5, 0), "");
  EXPECT_EQ(Bgr(both, 0, 0), (std::vector<int>{72, 67, 82}));
}

TEST(AdjustColor, OtherLayoutsGetTheMessageAndStayUnchanged) {
  Bitmap b(3, 2, 8);
  b.Row(0)[0] = 100;
  EXPECT_EQ(AdjustColor(b, true, false, 1.0, 0, 0, 0),
            "ビットマップのピクセルのビット数が8です。\n"
            "ビット数が24以外の処理方法はまだ作っていません。");
  EXPECT_EQ(b.Row(0)[0], 100);
  Bitmap w(1, 1, 32);
  EXPECT_NE(AdjustColor(w, false, true, 0, 1, 1, 1).find("ビット数が32です。"), std::string::npos);
}

TEST(ResizeBitmap, TakesThePixelAtOrBeforeTheExactPosition) {
  EXPECT_EQ(BlueRow(ResizeBitmap(NumberedRow(3), 5, 1)), (std::vector<int>{0, 0, 1, 1, 2}));
  EXPECT_EQ(BlueRow(ResizeBitmap(NumberedRow(5), 3, 1)), (std::vector<int>{0, 1, 3}));
  // Rows follow the same rule: 4 rows to 3 take rows 0, 1, 2; to 6 take 0, 0, 1, 2, 2, 3.
  const Bitmap r = ResizeBitmap(NumberedRow(2, 4), 2, 6);
  std::vector<int> rows;
  for (int y = 0; y < 6; ++y) rows.push_back(r.Row(y)[1]);
  EXPECT_EQ(rows, (std::vector<int>{0, 0, 1, 2, 2, 3}));
  const Bitmap e = ResizeBitmap(NumberedRow(5), 0, 1);
  EXPECT_TRUE(e.Empty());
  EXPECT_EQ(e.BitsPerPixel(), 24);
}

TEST(ResizeBitmap, ProductBeyond32BitsIsAnError) {
  // (50000 - 1) x 50000 does not fit a 32-bit integer.
  const Bitmap wide(50000, 1, 24);
  EXPECT_THROW(ResizeBitmap(wide, 50000, 1), ImagingError);
  EXPECT_NO_THROW(ResizeBitmap(wide, 42000, 1));  // 41999 x 50000 < 2^31
}

int calls = 0;
SourcePoint Mirror(std::int32_t x, std::int32_t y, void* record) {
  ++calls;
  const int w = *static_cast<int*>(record);
  return {w - 1 - x, y};  // x = w - 1 - (w + 1) lies outside for the last pixels
}

TEST(ResampleBitmap, EmptySizeNeverCallsTheCallback) {
  Bitmap b(4, 4, 8);
  int w = 4;
  calls = 0;
  EXPECT_TRUE(ResampleBitmap(b, 0, 3, &Mirror, 0, &w).Empty());
  EXPECT_TRUE(ResampleBitmap(b, 3, 0, &Mirror, 0, &w).Empty());
  EXPECT_EQ(calls, 0);
}

TEST(ResampleBitmap, CopiesEachLayoutInItsOwnForm) {
  int w = 10;  // mirror about a 10-pixel row into 12 pixels: the last two fall outside (-1, -2)
  Bitmap one(10, 1, 1);
  one.palette = {0x000000, 0xFFFFFF};
  one.Row(0)[0] = 0b10110000;  // pixels 0, 2, 3 set
  one.Row(0)[1] = 0b01000000;  // pixel 9 set
  Bitmap r1 = ResampleBitmap(one, 12, 1, &Mirror, 0x00000003, &w);
  // Destination pixels: 9..0 mirrored = 1,0,0,0,0,0,1,1,0,1, then background 3 & 1 = 1, 1.
  EXPECT_EQ(r1.Row(0)[0], 0b10000011);
  EXPECT_EQ(r1.Row(0)[1], 0b01110000);
  EXPECT_EQ(r1.palette, one.palette);

  Bitmap four(10, 1, 4);
  for (int x = 0; x < 10; ++x)
    four.Row(0)[x / 2] |= static_cast<std::uint8_t>((x % 2) ? x : x << 4);
  Bitmap r4 = ResampleBitmap(four, 12, 1, &Mirror, 0x1E, &w);  // background 0x1E & 15 = 14
  EXPECT_EQ(r4.Row(0)[0], 0x98);
  EXPECT_EQ(r4.Row(0)[4], 0x10);
  EXPECT_EQ(r4.Row(0)[5], 0xEE);

  Bitmap eight(10, 1, 8);
  for (int x = 0; x < 10; ++x) eight.Row(0)[x] = static_cast<std::uint8_t>(x + 1);
  Bitmap r8 = ResampleBitmap(eight, 12, 1, &Mirror, 7, &w);
  EXPECT_EQ(r8.Row(0)[0], 10);
  EXPECT_EQ(r8.Row(0)[11], 7);
  EXPECT_THROW(ResampleBitmap(eight, 12, 1, &Mirror, 256, &w), ImagingError);
  EXPECT_NO_THROW(ResampleBitmap(eight, 10, 1, &Mirror, 256, &w));  // never written

  Bitmap sixteen(10, 1, 16);
  const std::uint16_t word = 0xBEEF;
  std::memcpy(sixteen.Row(0) + 18, &word, 2);
  Bitmap r16 = ResampleBitmap(sixteen, 12, 1, &Mirror, 65535, &w);
  EXPECT_EQ(r16.Row(0)[0], 0xEF);
  EXPECT_EQ(r16.Row(0)[1], 0xBE);
  EXPECT_EQ(r16.Row(0)[22], 0xFF);
  EXPECT_THROW(ResampleBitmap(sixteen, 12, 1, &Mirror, 65536, &w), ImagingError);

  Bitmap rgb = NumberedRow(10);
  Bitmap r24 = ResampleBitmap(rgb, 12, 1, &Mirror, 0x00112233, &w);
  EXPECT_EQ(Bgr(r24, 0, 0), (std::vector<int>{9, 0, 200}));
  EXPECT_EQ(Bgr(r24, 11, 0), (std::vector<int>{0x11, 0x22, 0x33}));  // blue, green, red bytes

  Bitmap quad(10, 1, 32);
  Bitmap r32 = ResampleBitmap(quad, 12, 1, &Mirror, 0x00112233, &w);
  std::uint32_t v;
  std::memcpy(&v, r32.Row(0) + 44, 4);
  EXPECT_EQ(v, 0x00112233u);
  EXPECT_THROW(ResampleBitmap(quad, 12, 1, &Mirror, 0x80000000u, &w), ImagingError);
}

TEST(Bitmap, RefusesLayoutsAndSizesItCannotHold) {
  EXPECT_THROW(Bitmap(2, 2, 2), ImagingError);
  EXPECT_THROW(Bitmap(-1, 2, 8), ImagingError);
  EXPECT_THROW(Bitmap(2147483647, 2147483647, 32), ImagingError);
  EXPECT_THROW(ResizeBitmap(Bitmap(2, 2, 24), 40000, 40000), ImagingError);  // 4.8 GB
  Bitmap b(5, 3, 24);
  EXPECT_EQ(b.Stride(), 16);  // 15 bytes padded to whole words
  EXPECT_EQ(Bitmap(9, 1, 1).Stride(), 4);
  EXPECT_EQ(Bitmap(3, 1, 4).Stride(), 4);
}

TEST(ResampleBitmap, IndexBeyondTheLayoutsRowBoundIsAnError) {
  const Bitmap eight(32769, 1, 8), sixteen(16385, 1, 16);
  EXPECT_THROW(ResizeBitmap(eight, 32769, 1), ImagingError);
  EXPECT_NO_THROW(ResizeBitmap(eight, 32768, 1));
  EXPECT_THROW(ResizeBitmap(sixteen, 16385, 1), ImagingError);
  EXPECT_THROW(QuarterTurnBitmap(Bitmap(2, 16385, 16), 0), ImagingError);
  EXPECT_NO_THROW(QuarterTurnBitmap(Bitmap(1, 262144, 1), 0));  // byte index 32767
  EXPECT_THROW(QuarterTurnBitmap(Bitmap(1, 262145, 1), 0), ImagingError);
}

TEST(QuarterTurnBitmap, CornersGoWhereTheTurnSends) {
  Bitmap b(4, 2, 24);
  SetBgr(b, 0, 0, 1, 0, 0);  // top-left
  SetBgr(b, 3, 0, 2, 0, 0);  // top-right
  SetBgr(b, 0, 1, 3, 0, 0);  // bottom-left
  SetBgr(b, 3, 1, 4, 0, 0);  // bottom-right
  const Bitmap q0 = QuarterTurnBitmap(b, 0);
  ASSERT_EQ(q0.Width(), 2);
  ASSERT_EQ(q0.Height(), 4);
  EXPECT_EQ(q0.Row(0)[3], 1);  // top-right is the old top-left
  EXPECT_EQ(q0.Row(3)[3], 2);  // bottom-right is the old top-right
  EXPECT_EQ(q0.Row(0)[0], 3);  // top-left is the old bottom-left
  const Bitmap q1 = QuarterTurnBitmap(b, 1);
  EXPECT_EQ(q1.Row(1)[9], 1);  // bottom-right
  EXPECT_EQ(q1.Row(0)[0], 4);
  const Bitmap q2 = QuarterTurnBitmap(b, 2);
  EXPECT_EQ(q2.Row(3)[0], 1);  // bottom-left
  EXPECT_EQ(q2.Row(0)[0], 2);
  EXPECT_THROW(QuarterTurnBitmap(b, 3), ImagingError);
}

TEST(QuarterTurnBitmap, EveryLayoutAndTileBoundary) {
  // 70 x 3 crosses the 64-pixel tiles; each destination pixel must be source (y, H - 1 - x).
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    Bitmap b(70, 3, bpp);
    std::mt19937 rng(bpp);
    for (int y = 0; y < 3; ++y)
      for (std::int64_t i = 0; i < b.Stride(); ++i) b.Row(y)[i] = static_cast<std::uint8_t>(rng());
    const Bitmap q = QuarterTurnBitmap(b, 0);
    for (int y = 0; y < q.Height(); ++y)
      for (int x = 0; x < q.Width(); ++x) ASSERT_EQ(PixelRgb(q, x, y), PixelRgb(b, y, 2 - x));
    const Bitmap back = QuarterTurnBitmap(QuarterTurnBitmap(QuarterTurnBitmap(q, 0), 0), 0);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 70; ++x) ASSERT_EQ(PixelRgb(back, x, y), PixelRgb(b, x, y));
  }
}

TEST(RotatedSize, BoundingBoxRoundedHalfAway) {
  EXPECT_EQ(RotatedSize(100, 50, 0), (BitmapSize{100, 50}));
  EXPECT_EQ(RotatedSize(100, 50, 90), (BitmapSize{50, 100}));
  EXPECT_EQ(RotatedSize(100, 50, 45), (BitmapSize{106, 106}));  // 150 / sqrt 2 = 106.07
  EXPECT_EQ(RotatedSize(6000, 4000, 30), (BitmapSize{7196, 6464}));
  // 227 cos 30 + 149 sin 30 = 271.09, 227 sin 30 + 149 cos 30 = 242.54: rounded, not cut.
  EXPECT_EQ(RotatedSize(227, 149, 30), (BitmapSize{271, 243}));
  EXPECT_EQ(RotatedSize(100, 50, -90), (BitmapSize{50, 100}));
  // 1 x 1 at 60 degrees: cos 60 + sin 60 = 1.366 gives 1.
  EXPECT_EQ(RotatedSize(1, 1, 60), (BitmapSize{1, 1}));
}

TEST(TransformBitmap, SamplerRoundsTiesToEven) {
  // Scaling by 2 samples x / 2: 0, 0.5, 1, 1.5, 2, 2.5 round to 0, 0, 1, 2, 2, 2.
  const Bitmap r = TransformBitmap(NumberedRow(3), 6, 1, 2, 0, 0, 1, 0, 0, 0, 0, 0);
  EXPECT_EQ(BlueRow(r), (std::vector<int>{0, 0, 1, 2, 2, 2}));
  // Centres shift the map: source centre 1, destination centre 0 gives x / 2 + 1.
  const Bitmap s = TransformBitmap(NumberedRow(3), 4, 1, 2, 0, 0, 1, 1, 0, 0, 0, 0);
  EXPECT_EQ(Bgr(s, 3, 0), (std::vector<int>{2, 0, 200}));  // 2.5 -> 2
  EXPECT_EQ(Bgr(s, 1, 0), (std::vector<int>{2, 0, 200}));  // 1.5 -> 2
}

TEST(RotateBitmap, IntegerIndexRuleWithoutHalfPixelOffset) {
  // A quarter turn through the general rule matches the exact turn for odd sizes.
  Bitmap b = NumberedRow(3, 3);
  const Bitmap r = RotateBitmap(b, 3, 3, 1, 1, 1, 1, std::numbers::pi / 2, 0);
  const Bitmap q = QuarterTurnBitmap(b, 0);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(BlueRow(r, y), BlueRow(q, y));
  // A half turn of 2 x 2 about (1, 1) keeps only pixel (1, 1); the others sample index 2.
  Bitmap two = NumberedRow(2, 2);
  const Bitmap h = RotateBitmap(two, 2, 2, 1, 1, 1, 1, std::numbers::pi, 0);
  EXPECT_EQ(Bgr(h, 1, 1), (std::vector<int>{1, 1, 200}));
  EXPECT_EQ(Bgr(h, 0, 0), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Bgr(h, 0, 1), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Bgr(h, 1, 0), (std::vector<int>{0, 0, 0}));
}

TEST(RotateBitmap, FortyFiveDegreesLeavesBlackCorners) {
  Bitmap b(40, 20, 24);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) SetBgr(b, x, y, 255, 255, 255);
  const BitmapSize box = RotatedSize(b, 45);
  const Bitmap r = RotateBitmap(b, box.width, box.height, box.width / 2, box.height / 2, 20, 10,
                                std::numbers::pi / 4, 0);
  const int w = r.Width() - 1, h = r.Height() - 1;
  for (auto [x, y] : {std::pair{0, 0}, {w, 0}, {0, h}, {w, h}})
    EXPECT_EQ(Bgr(r, x, y), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Bgr(r, w / 2, h / 2), (std::vector<int>{255, 255, 255}));
}

TEST(TransformBitmap, FastLoopsAgreeWithThePerPixelRule) {
  std::mt19937 rng(7);
  for (int bpp : {8, 24, 32, 4}) {
    Bitmap b(97, 61, bpp);
    for (int y = 0; y < 61; ++y)
      for (std::int64_t i = 0; i < b.Stride(); ++i) b.Row(y)[i] = static_cast<std::uint8_t>(rng());
    for (double deg : {30.0, -17.25, 45.0, 89.999, 135.0, 0.5}) {
      SCOPED_TRACE(testing::Message() << bpp << " bits at " << deg);
      const double a = deg * std::numbers::pi / 180;
      const Bitmap fast = RotateBitmap(b, 120, 110, 60, 55, 48, 30, a, 0);
      const double c = static_cast<double>(std::cos(static_cast<long double>(a)));
      const double sn = static_cast<double>(std::sin(static_cast<long double>(a)));
      TransformRecord rec{c, -sn, sn, c, 48, 30, 60, 55};
      const Bitmap slow = ResampleBitmap(b, 120, 110, &TransformSourcePoint, 0, &rec);
      ASSERT_EQ(fast.ByteSize(), slow.ByteSize());
      EXPECT_EQ(std::memcmp(fast.Bits(), slow.Bits(), fast.ByteSize()), 0);
    }
  }
}

TEST(TransformBitmap, SourceIndexBeyond32BitsIsAnError) {
  EXPECT_THROW(TransformBitmap(NumberedRow(3), 4, 1, 1e-12, 0, 0, 1, 0, 0, 0, 0, 0), ImagingError);
  EXPECT_THROW(TransformBitmap(NumberedRow(3), 4, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0), ImagingError);
}

}  // namespace
}  // namespace zelko

namespace zelko {
namespace {

TEST(CropBitmap, KeepsTheLayoutAndPaletteAndRefusesWhatIsOutside) {
  Bitmap grey(5, 4, 8);
  grey.palette = {0x000000, 0x102030, 0xFFFFFF};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) grey.Row(y)[x] = static_cast<std::uint8_t>(10 * y + x);
  const Bitmap part = CropBitmap(grey, 1, 2, 3, 2);
  ASSERT_EQ(part.BitsPerPixel(), 8);
  EXPECT_EQ(part.palette, grey.palette);
  EXPECT_EQ(part.Width(), 3);
  EXPECT_EQ(part.Row(0)[0], 21);
  EXPECT_EQ(part.Row(1)[2], 33);
  Bitmap wide(3, 1, 32);
  wide.Row(0)[8] = 7;
  EXPECT_EQ(CropBitmap(wide, 2, 0, 1, 1).Row(0)[0], 7);
  EXPECT_THROW(CropBitmap(grey, 3, 0, 3, 1), ImagingError);
  EXPECT_THROW(CropBitmap(grey, 0, -1, 1, 1), ImagingError);
  EXPECT_THROW(CropBitmap(Bitmap(8, 1, 4), 0, 0, 1, 1), ImagingError);
}

}  // namespace
}  // namespace zelko
