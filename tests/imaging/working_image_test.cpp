// The working-image rules: adjustment, scaling with its rounding, the rotation paths, the
// overview copy, failures, the scale limits and the status texts.
#include "imaging/working_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/bitmap_ops.h"

namespace zelko {
namespace {

// Pixel x, y of a 24-bit image holds blue = x, green = y, red = 100.
Bitmap Numbered(int w, int h) {
  Bitmap b(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.Row(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(x), p[1] = static_cast<std::uint8_t>(y), p[2] = 100;
    }
  return b;
}

std::vector<int> Bgr(const Bitmap& b, int x, int y) {
  const std::uint8_t* p = b.Row(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

TEST(BuildWorkingImage, ScalesWithRoundHalfAwaySizesAndAdjustsColour) {
  WorkingImage out;
  WorkingImageSettings s;
  s.factor = 0.25;  // 6 x 2 -> 1.5 x 0.5, rounded away from zero to 2 x 1
  s.contrast = true;
  s.strength = 1;
  const BuildResult r = BuildWorkingImage(Numbered(6, 2), s, out);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.adjustMessage.empty());
  ASSERT_EQ(out.image.Width(), 2);
  ASSERT_EQ(out.image.Height(), 1);
  // Columns (x x 6) div 2 = 0, 3; contrast 1 maps v to 2v - 127.5: 0 -> 0, 3 -> 0, 100 -> 72.
  EXPECT_EQ(Bgr(out.image, 0, 0), (std::vector<int>{0, 0, 72}));
  Bitmap bright = Numbered(6, 2);
  bright.Row(0)[9] = 130;  // blue of pixel 3: 2 x 130 - 127.5 = 132.5, a tie, gives 132
  ASSERT_TRUE(BuildWorkingImage(bright, s, out).ok);
  EXPECT_EQ(Bgr(out.image, 1, 0), (std::vector<int>{132, 0, 72}));
}

TEST(BuildWorkingImage, QuarterTurnsAndTheGeneralRotation) {
  WorkingImage out;
  WorkingImageSettings s;
  s.rotationAngle = 90;
  ASSERT_TRUE(BuildWorkingImage(Numbered(3, 2), s, out).ok);
  ASSERT_EQ(out.image.Width(), 2);
  ASSERT_EQ(out.image.Height(), 3);
  EXPECT_EQ(Bgr(out.image, 1, 0), (std::vector<int>{0, 0, 100}));  // the old top-left
  EXPECT_EQ(Bgr(out.image, 0, 2), (std::vector<int>{2, 1, 100}));  // the old bottom-right

  // -90 is no quarter turn: the general rule turns counter-clockwise, (x, y) <- (2 - y, x).
  s.rotationAngle = -90;
  ASSERT_TRUE(BuildWorkingImage(Numbered(3, 3), s, out).ok);
  ASSERT_EQ(out.image.Width(), 3);
  EXPECT_EQ(Bgr(out.image, 0, 0), (std::vector<int>{2, 0, 100}));
  EXPECT_EQ(Bgr(out.image, 2, 1), (std::vector<int>{1, 2, 100}));

  // 45 degrees: a larger image whose corners stay black even when the offsets lift black.
  s.rotationAngle = 45;
  s.adjustRgb = true;
  s.offsetR = s.offsetG = s.offsetB = 50;
  ASSERT_TRUE(BuildWorkingImage(Numbered(40, 20), s, out).ok);
  EXPECT_EQ(out.image.Width(), 42);
  EXPECT_EQ(out.image.Height(), 42);
  EXPECT_EQ(Bgr(out.image, 0, 0), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Bgr(out.image, 41, 41), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Bgr(out.image, 21, 21)[2], 150);
}

// The one-pass build against the operations applied one after another.
Bitmap StepByStep(const Bitmap& original, const WorkingImageSettings& s) {
  Bitmap work = original;
  if (s.contrast || s.adjustRgb)
    (void)AdjustColor(work, s.contrast, s.adjustRgb, s.strength, s.offsetR, s.offsetG, s.offsetB);
  if (s.factor != 1)
    work = ResizeBitmap(work, static_cast<int>(std::floor(work.Width() * s.factor + 0.5)),
                        static_cast<int>(std::floor(work.Height() * s.factor + 0.5)));
  const float a = s.rotationAngle;
  if (a == 0) return work;
  if (a == 90 || a == 180 || a == 270)
    return QuarterTurnBitmap(work, a == 90 ? 0 : a == 180 ? 1 : 2);
  const BitmapSize box = RotatedSize(work, a);
  const double rad =
      static_cast<double>(static_cast<long double>(a) * std::numbers::pi_v<long double> / 180);
  return RotateBitmap(work, box.width, box.height, box.width / 2, box.height / 2, work.Width() / 2,
                      work.Height() / 2, rad, 0);
}

TEST(BuildWorkingImage, OnePassGivesThePixelsOfTheSeparateSteps) {
  std::mt19937 rng(3);
  for (int bpp : {24, 8, 16, 32, 4}) {
    Bitmap original(301, 230, bpp);  // above the size at which the work is split over threads
    for (int y = 0; y < original.Height(); ++y)
      for (std::int64_t i = 0; i < original.Stride(); ++i)
        original.Row(y)[i] = static_cast<std::uint8_t>(rng());
    for (double factor : {1.0, 0.37, 1.8})
      for (float angle : {0.0f, 90.0f, 180.0f, 270.0f, 30.0f, -12.5f}) {
        SCOPED_TRACE(testing::Message() << bpp << " bits, factor " << factor << ", " << angle);
        WorkingImageSettings s;
        s.contrast = true;
        s.strength = 0.37;
        s.adjustRgb = true;
        s.offsetR = 12, s.offsetG = -40, s.offsetB = 3;
        s.factor = factor;
        s.rotationAngle = angle;
        WorkingImage out;
        const BuildResult r = BuildWorkingImage(original, s, out);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.adjustMessage.empty(), bpp == 24);
        const Bitmap expected = StepByStep(original, s);
        ASSERT_EQ(out.image.Width(), expected.Width());
        ASSERT_EQ(out.image.Height(), expected.Height());
        // Pixel bytes only: row padding is not part of the picture.
        const size_t used = (static_cast<size_t>(expected.Width()) * bpp + 7) / 8;
        for (int y = 0; y < expected.Height(); ++y)
          ASSERT_EQ(std::memcmp(out.image.Row(y), expected.Row(y), used), 0) << "row " << y;
      }
  }
}

TEST(BuildWorkingImage, EightBitImageGetsTheMessageAndIsShownUnadjusted) {
  Bitmap grey(4, 4, 8);
  grey.palette.assign(256, 0);
  grey.Row(1)[2] = 100;
  WorkingImageSettings s;
  s.contrast = true;
  s.strength = 1;
  WorkingImage out;
  const BuildResult r = BuildWorkingImage(grey, s, out);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.adjustMessage, BitDepthMessage(8));
  EXPECT_EQ(out.image.Row(1)[2], 100);
  EXPECT_EQ(out.image.palette.size(), 256u);
}

TEST(BuildWorkingImage, OverviewFitsTheOverviewControl) {
  WorkingImage out;
  ASSERT_TRUE(BuildWorkingImage(Numbered(802, 101), WorkingImageSettings{}, out).ok);
  // factor2 = min(401 / 802, 271 / 101) = 0.5; 101 x 0.5 = 50.5 rounds away to 51.
  EXPECT_EQ(out.factor2, 0.5);
  EXPECT_EQ(out.small.Width(), 401);
  EXPECT_EQ(out.small.Height(), 51);
  // Source column 400 x 802 div 401 = 800 (blue 800 mod 256), row 50 x 101 div 51 = 99.
  EXPECT_EQ(Bgr(out.small, 400, 50), (std::vector<int>{32, 99, 100}));
}

TEST(BuildWorkingImage, FailureKeepsThePreviousImage) {
  WorkingImage out;
  ASSERT_TRUE(BuildWorkingImage(Numbered(10, 8), WorkingImageSettings{}, out).ok);
  const std::uint8_t* before = out.image.Bits();
  WorkingImageSettings zero;
  zero.factor = 0;
  const BuildResult r = BuildWorkingImage(Numbered(10, 8), zero, out);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
  EXPECT_EQ(out.image.Width(), 10);
  EXPECT_EQ(out.image.Bits(), before);
  WorkingImageSettings nan;
  nan.factor = std::nan("");
  EXPECT_FALSE(BuildWorkingImage(Numbered(10, 8), nan, out).ok);
  EXPECT_FALSE(BuildWorkingImage(Bitmap(), WorkingImageSettings{}, out).ok);
  EXPECT_EQ(std::string(kBuildFailedMessage), "変形画像の作成に失敗しました。");
}

TEST(BuildWorkingImage, RebuildOfTheSameSizeReusesTheBuffer) {
  const Bitmap original = Numbered(300, 200);
  WorkingImage out;
  WorkingImageSettings s;
  ASSERT_TRUE(BuildWorkingImage(original, s, out).ok);
  const std::uint8_t* buffer = out.image.Bits();
  s.contrast = true;
  s.strength = 0.8;
  ASSERT_TRUE(BuildWorkingImage(original, s, out).ok);
  EXPECT_EQ(out.image.Bits(), buffer);
}

TEST(ScaleLimits, FitAndMaximumFactors) {
  EXPECT_DOUBLE_EQ(MaxFactor(2000, 1000, 0), 4.47);  // truncate(sqrt(20) x 100) / 100
  EXPECT_DOUBLE_EQ(MaxFactor(2000, 1000, 90), 4.47);
  EXPECT_DOUBLE_EQ(FitFactor(2000, 1000, 0, 1000, 700), 0.5);
  EXPECT_DOUBLE_EQ(FitFactor(2000, 1000, 90, 1000, 700), 0.35);  // 1000 x 2000 in 1000 x 700
  EXPECT_THROW(MaxFactor(0, 0, 0), ImagingError);
}

TEST(StatusTexts, MagnificationAndMemory) {
  EXPECT_EQ(MagnificationText(1.5), "倍率：150%");
  EXPECT_EQ(MagnificationText(0.5), "倍率：50%");
  MemoryStatus m;
  m.totalPhysical = 8388608ull * 1024;
  m.availablePhysical = 5242880ull * 1024;
  EXPECT_EQ(m.UsedKb(), 3145728);
  EXPECT_EQ(MemoryStatusText(m), "物理メモリ使用量：3,145,728 KB (37.5 %)");
  const MemoryStatus live = ReadMemoryStatus();
  EXPECT_GT(live.totalPhysical, 0u);
  EXPECT_GT(live.processResident, 0u);
  EXPECT_LE(live.availablePhysical, live.totalPhysical);
}

}  // namespace
}  // namespace zelko
