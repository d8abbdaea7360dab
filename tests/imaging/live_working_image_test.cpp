// The working image as a definition: every view window and the overview equal the full
// build's pixels, at many positions, scales and angles, in each pixel layout, also after colour
// steps; failures keep the previous definition.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/bitmap_ops.h"
#include "imaging/working_image.h"

namespace zelko {
namespace {

// Random pixels: 24 bits, 8 bits with a grey or a colour palette, 4 bits.
Bitmap Noise(int w, int h, int bpp, bool greyPalette, unsigned seed) {
  Bitmap b(w, h, bpp);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (std::int64_t i = 0; i < b.Stride(); ++i) b.Row(y)[i] = static_cast<std::uint8_t>(rng());
  if (bpp <= 8) {
    b.palette.resize(std::size_t{1} << bpp);
    for (std::uint32_t i = 0; i < b.palette.size(); ++i)
      b.palette[i] = greyPalette ? i * 0x010101u : (rng() & 0xFFFFFFu);
  }
  return b;
}

// The bytes of the pixels of a rectangle of a bitmap of 8 bits or more, row after row; for
// fewer bits the pixel values.
std::vector<std::uint8_t> Pixels(const Bitmap& b, int x, int y, int w, int h) {
  std::vector<std::uint8_t> out;
  const int bpp = b.BitsPerPixel();
  for (int r = y; r < y + h; ++r) {
    const std::uint8_t* row = b.Row(r);
    if (bpp >= 8) {
      out.insert(out.end(), row + std::int64_t{x} * (bpp / 8),
                 row + std::int64_t{x + w} * (bpp / 8));
    } else {
      for (int c = x; c < x + w; ++c) {
        const int per = 8 / bpp, shift = 8 - bpp - (c % per) * bpp;
        out.push_back(static_cast<std::uint8_t>(row[c / per] >> shift & ((1 << bpp) - 1)));
      }
    }
  }
  return out;
}

struct Case {
  int bpp;
  bool grey;
};

// Compares windows and the overview of a live definition with a full build.
void ExpectSameAsFullBuild(const Bitmap& original, const WorkingImageSettings& s,
                           LiveWorkingImage& live, std::mt19937& rng, const std::string& what) {
  WorkingImage full;
  const BuildResult built = BuildWorkingImage(original, s, full);
  const BuildResult defined = live.Define(original, s);
  ASSERT_EQ(built.ok, defined.ok) << what << built.error << defined.error;
  EXPECT_EQ(built.adjustMessage, defined.adjustMessage) << what;
  if (!built.ok) return;
  const int W = full.image.Width(), H = full.image.Height();
  ASSERT_EQ(live.Width(), W) << what;
  ASSERT_EQ(live.Height(), H) << what;
  ASSERT_EQ(live.BitsPerPixel(), full.image.BitsPerPixel()) << what;
  EXPECT_EQ(live.OverviewWidth(), full.small.Width()) << what;
  EXPECT_EQ(live.OverviewHeight(), full.small.Height()) << what;
  EXPECT_DOUBLE_EQ(live.Factor2(), full.factor2) << what;
  const Bitmap& small = live.Overview();
  EXPECT_EQ(Pixels(small, 0, 0, small.Width(), small.Height()),
            Pixels(full.small, 0, 0, full.small.Width(), full.small.Height()))
      << what << " overview";
  EXPECT_EQ(small.palette, full.small.palette) << what;
  {
    const int qw = full.small.Width(), qh = full.small.Height();
    std::vector<std::uint32_t> words(static_cast<std::size_t>(qw) * qh), expected(words.size());
    live.OverviewArgb(words.data(), qw);
    for (int r = 0; r < qh; ++r) RowToArgb32(full.small, r, expected.data() + std::int64_t{r} * qw);
    EXPECT_EQ(words, expected) << what << " overview words";
  }

  // The whole image, the corners, single pixels and random windows.
  std::vector<std::array<int, 4>> windows = {
      {0, 0, W, H}, {0, 0, 1, 1}, {W - 1, H - 1, 1, 1}, {W / 2, 0, W - W / 2, H / 3 + 1}};
  for (int i = 0; i < 6; ++i) {
    const int w = 1 + static_cast<int>(rng() % W), h = 1 + static_cast<int>(rng() % H);
    windows.push_back(
        {static_cast<int>(rng() % (W - w + 1)), static_cast<int>(rng() % (H - h + 1)), w, h});
  }
  for (const auto& [x, y, w, h] : windows) {
    const std::string where = what + " window " + std::to_string(x) + "," + std::to_string(y) +
                              " " + std::to_string(w) + "x" + std::to_string(h);
    const Bitmap& got = live.Window(x, y, w, h);
    ASSERT_EQ(got.Width(), w) << where;
    ASSERT_EQ(got.Height(), h) << where;
    EXPECT_EQ(got.palette, full.image.palette) << where;
    EXPECT_EQ(Pixels(got, 0, 0, w, h), Pixels(full.image, x, y, w, h)) << where;
    // The view's picture words are those of the same pixels.
    std::vector<std::uint32_t> words(static_cast<std::size_t>(w) * h + 1, 0xDEADBEEF);
    live.WindowArgb(x, y, w, h, words.data(), w);
    EXPECT_EQ(words.back(), 0xDEADBEEFu) << where;
    std::vector<std::uint32_t> expected(static_cast<std::size_t>(w));
    for (int r = 0; r < h; r += std::max(1, h / 7)) {
      const Bitmap cut =
          full.image.BitsPerPixel() >= 8 ? CropBitmap(full.image, 0, y + r, W, 1) : Bitmap();
      if (cut.Empty()) break;
      std::vector<std::uint32_t> row(static_cast<std::size_t>(W));
      RowToArgb32(cut, 0, row.data());
      ASSERT_EQ(std::vector<std::uint32_t>(words.begin() + std::int64_t{r} * w,
                                           words.begin() + std::int64_t{r + 1} * w),
                std::vector<std::uint32_t>(row.begin() + x, row.begin() + x + w))
          << where << " argb row " << r;
    }
  }
}

TEST(LiveWorkingImage, WindowsAndOverviewEqualTheFullBuildAtAllScalesAnglesAndLayouts) {
  std::mt19937 rng(7);
  const Case cases[] = {{24, false}, {8, true}, {8, false}, {4, false}};
  const double factors[] = {0.05, 0.37, 1, 1.5, 3};
  const float angles[] = {0, 90, 180, 270, 30, -45, 12.3f};
  for (const Case& c : cases) {
    const Bitmap original = Noise(157, 103, c.bpp, c.grey, 11u + c.bpp);
    LiveWorkingImage live;  // one for all, as the window keeps it
    for (double f : factors) {
      for (float a : angles) {
        WorkingImageSettings s;
        s.factor = f;
        s.rotationAngle = a;
        s.contrast = true;  // a message for the layouts without colour tables
        s.strength = 0.8;
        const std::string what = std::to_string(c.bpp) + (c.grey ? " grey" : "") + " factor " +
                                 std::to_string(f) + " angle " + std::to_string(a);
        ExpectSameAsFullBuild(original, s, live, rng, what);
        if (c.bpp == 24 && (f == 1 || f == 0.37)) {
          // Colour steps after the geometry: offsets that would lift the black corners.
          s.adjustRgb = true;
          s.offsetR = 60, s.offsetG = -20, s.offsetB = 127;
          ExpectSameAsFullBuild(original, s, live, rng, what + " balance");
          s.contrast = false;
          ExpectSameAsFullBuild(original, s, live, rng, what + " balance only");
          s.adjustRgb = false;
          ExpectSameAsFullBuild(original, s, live, rng, what + " plain");
        }
      }
    }
  }
}

TEST(LiveWorkingImage, ASliderStepReusesTheGeometryAndAFailureKeepsThePreviousDefinition) {
  std::mt19937 rng(3);
  const Bitmap original = Noise(64, 48, 24, false, 5);
  LiveWorkingImage live;
  EXPECT_FALSE(live.Defined());
  EXPECT_THROW(live.Window(0, 0, 1, 1), ImagingError);
  WorkingImageSettings s;
  s.factor = 2;
  s.rotationAngle = 30;
  s.contrast = true;
  // A drag of the strength: every step shows the full build's window.
  for (int step = 0; step <= 100; step += 7) {
    s.strength = step / 100.0;
    ExpectSameAsFullBuild(original, s, live, rng, "strength " + std::to_string(step));
  }
  const int w = live.Width(), h = live.Height();
  EXPECT_THROW(live.Window(w - 10, 0, 11, 1), ImagingError);
  EXPECT_THROW(live.Window(-1, 0, 1, 1), ImagingError);

  // A scale that makes no pixel fails as the full build does and changes nothing.
  WorkingImageSettings bad = s;
  bad.factor = 0.001;
  WorkingImage full;
  const BuildResult expected = BuildWorkingImage(original, bad, full);
  const BuildResult r = live.Define(original, bad);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, expected.error);
  EXPECT_EQ(live.Width(), w);
  EXPECT_EQ(live.Height(), h);
  EXPECT_FALSE(live.Define(Bitmap(), s).ok);

  // A new image of the same size in the same bitmap after Clear.
  Bitmap changing = Noise(64, 48, 24, false, 9);
  ExpectSameAsFullBuild(changing, s, live, rng, "first");
  changing = Noise(64, 48, 24, false, 10);
  live.Clear();
  ExpectSameAsFullBuild(changing, s, live, rng, "second");
}

}  // namespace
}  // namespace zelko
