// Georeferenced pictures: the world file against the working image's real pixels, the systems
// PROJ describes, and the rectified GeoTIFF read back with libtiff and libgeotiff.
#include "imaging/georeference.h"

#include <geo_tiffp.h>
#include <geotiff.h>
#include <geovalues.h>
#include <gtest/gtest.h>
#include <tiffio.h>
#include <xtiffio.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "coords/transform.h"
#include "imaging/geotiff_writer.h"
#include "imaging/rectify.h"

namespace zelko {
namespace {

namespace fs = std::filesystem;

// A grey picture with a red square of side 2·half + 1 pixels around pixel (i, j).
Bitmap PictureWithDot(int w, int h, int i, int j, int half = 1) {
  Bitmap b(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.Row(y) + 3 * x;
      const bool dot = std::abs(x - i) <= half && std::abs(y - j) <= half;
      p[0] = dot ? 0 : 90, p[1] = dot ? 0 : 90, p[2] = dot ? 255 : 90;
    }
  return b;
}

// The centroid of the red pixels of a picture, as a continuous position (pixel centres at +0.5).
PlanePoint RedCentroid(const Bitmap& b) {
  double sx = 0, sy = 0, n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const std::uint32_t c = PixelRgb(b, x, y);
      if (((c >> 16) & 0xFF) > 200 && (c & 0xFF) < 60) sx += x + 0.5, sy += y + 0.5, n += 1;
    }
  EXPECT_GT(n, 0);
  return {sx / n, sy / n};
}

PlanePoint FromWorld(const WorldFile& w, PlanePoint picture) {
  const double col = picture.x - 0.5, row = picture.y - 0.5;
  return {w.A * col + w.B * row + w.C, w.D * col + w.E * row + w.F};
}

const std::vector<double> kCx{-38250.0, 0.05, 0.012};  // typed X, a metre grid
const std::vector<double> kCy{21400.0, 0.01, -0.048};

TEST(WorldFile, GivesTheTypedCoordinatesAtTheMarkersPixelOfAnyWorkingImage) {
  const int w = 240, h = 160, mi = 57, mj = 101;
  const Bitmap original = PictureWithDot(w, h, mi, mj);
  struct Case {
    float projectAngle;  // the fit's frame
    float angle;         // the written picture
    double factor;
  };
  for (const Case c : {Case{0, 0, 1}, Case{0, 90, 1}, Case{0, 270, 2}, Case{0, 180, 1.5},
                       Case{0, 30, 1}, Case{0, 45, 0.5}, Case{90, 0, 1}, Case{30, 90, 0.75}}) {
    SCOPED_TRACE(testing::Message() << c.projectAngle << " " << c.angle << " " << c.factor);
    // The marker as the window records it: where the dot shows on the project's working image
    // at magnification 1.
    WorkingImageSettings fitFrame;
    fitFrame.rotationAngle = c.projectAngle;
    WorkingImage frame;
    ASSERT_TRUE(BuildWorkingImage(original, fitFrame, frame).ok);
    const PlanePoint marker = RedCentroid(frame.image);
    const double typedX = EvaluateTransform(tmAffine, kCx, marker.x, marker.y);
    const double typedY = EvaluateTransform(tmAffine, kCy, marker.x, marker.y);

    WorkingImageSettings s;
    s.rotationAngle = c.angle;
    s.factor = c.factor;
    WorkingImage picture;
    ASSERT_TRUE(BuildWorkingImage(original, s, picture).ok);
    const PixelAffine toFit =
        Compose(LoadedToFitFrame(w, h, c.projectAngle), WorkingToLoaded(w, h, s));
    std::string why;
    const auto world = MakeWorldFile(tmAffine, kCx, kCy, toFit, false, &why);
    ASSERT_TRUE(world) << why;
    const PlanePoint at = FromWorld(*world, RedCentroid(picture.image));
    // Within one pixel of the written picture on the ground.
    const double pixel = std::hypot(world->A, world->D);
    EXPECT_NEAR(at.x, typedX, pixel);
    EXPECT_NEAR(at.y, typedY, pixel);
  }
}

TEST(WorldFile, NumbersOfTheOriginalImageAndTheSwapOfNorthingFirst) {
  std::string why;
  const auto w = MakeWorldFile(tmAffine, kCx, kCy, PixelAffine{}, false, &why);
  ASSERT_TRUE(w);
  EXPECT_DOUBLE_EQ(w->A, 0.05);
  EXPECT_DOUBLE_EQ(w->B, 0.012);
  EXPECT_DOUBLE_EQ(w->D, 0.01);
  EXPECT_DOUBLE_EQ(w->E, -0.048);
  EXPECT_DOUBLE_EQ(w->C, -38250.0 + 0.5 * 0.05 + 0.5 * 0.012);  // the upper-left pixel's centre
  EXPECT_DOUBLE_EQ(w->F, 21400.0 + 0.5 * 0.01 - 0.5 * 0.048);
  EXPECT_EQ(WorldFileText(*w), "0.05\n0.01\n0.012\n-0.048\n-38249.969\n21399.981\n");
  // X typed as northing: the file holds easting (the typed Y) first.
  const auto n = MakeWorldFile(tmAffine, kCx, kCy, PixelAffine{}, true, &why);
  ASSERT_TRUE(n);
  EXPECT_DOUBLE_EQ(n->A, w->D);
  EXPECT_DOUBLE_EQ(n->B, w->E);
  EXPECT_DOUBLE_EQ(n->C, w->F);
  EXPECT_DOUBLE_EQ(n->D, w->A);
  EXPECT_DOUBLE_EQ(n->F, w->C);
  // The linear method stores the same three coefficients.
  EXPECT_TRUE(MakeWorldFile(tmLinear, kCx, kCy, PixelAffine{}, false, &why));
}

TEST(WorldFile, RefusesWhatNoSixNumbersDescribe) {
  std::string why;
  EXPECT_FALSE(MakeWorldFile(tmNone, kCx, kCy, PixelAffine{}, false, &why));
  EXPECT_FALSE(MakeWorldFile(tmBilinear, {1, 2, 3, 4}, {1, 2, 3, 4}, PixelAffine{}, false, &why));
  EXPECT_NE(why.find("GeoTIFF"), std::string::npos);
  EXPECT_FALSE(MakeWorldFile(tmAffine, {0, 1, 2}, {0, 2, 4}, PixelAffine{}, false, &why));
  EXPECT_FALSE(MakeWorldFile(tmAffine, {0, NAN, 0}, kCy, PixelAffine{}, false, &why));
}

TEST(WorldFile, NamesBesideThePicture) {
  EXPECT_EQ(WorldFilePath("a/photo.jpg"), "a/photo.jgw");
  EXPECT_EQ(WorldFilePath("photo.JPG"), "photo.JGW");
  EXPECT_EQ(WorldFilePath("photo.bmp"), "photo.bpw");
  EXPECT_EQ(WorldFilePath("photo.tif"), "photo.tfw");
  EXPECT_EQ(WorldFilePath("photo.tiff"), "photo.tfw");
  EXPECT_EQ(WorldFilePath("photo.png"), "photo.pgw");
  EXPECT_EQ(WorldFilePath("photo.jpeg"), "photo.jgw");
  EXPECT_EQ(WorldFilePath("dir.v2/photo"), "dir.v2/photo.wld");
  EXPECT_EQ(PrjFilePath("a.b/photo.jpg"), "a.b/photo.prj");
}

// ---- rectification ----------------------------------------------------------------------------

struct ReadBack {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;
  double scale[3] = {};
  double tie[6] = {};
  unsigned short model = 0, raster = 0, projected = 0, geographic = 0;
  std::uint16_t samples = 0, extra = 0;
};

ReadBack ReadGeoTiff(const std::string& path) {
  ReadBack r;
  TIFF* tif = XTIFFOpen(path.c_str(), "r");
  EXPECT_NE(tif, nullptr);
  if (!tif) return r;
  std::uint32_t w = 0, h = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &r.samples);
  std::uint16_t count = 0;
  std::uint16_t* extras = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &extras) && count == 1) r.extra = extras[0];
  r.width = int(w), r.height = int(h);
  std::uint16_t n = 0;
  double* v = nullptr;
  if (TIFFGetField(tif, TIFFTAG_GEOPIXELSCALE, &n, &v) && n == 3) std::copy(v, v + 3, r.scale);
  if (TIFFGetField(tif, TIFFTAG_GEOTIEPOINTS, &n, &v) && n == 6) std::copy(v, v + 6, r.tie);
  GTIF* gt = GTIFNew(tif);
  GTIFKeyGetSHORT(gt, GTModelTypeGeoKey, &r.model, 0, 1);
  GTIFKeyGetSHORT(gt, GTRasterTypeGeoKey, &r.raster, 0, 1);
  GTIFKeyGetSHORT(gt, ProjectedCSTypeGeoKey, &r.projected, 0, 1);
  GTIFKeyGetSHORT(gt, GeographicTypeGeoKey, &r.geographic, 0, 1);
  GTIFFree(gt);
  r.rgba.resize(std::size_t(w) * h * 4);
  for (std::uint32_t y = 0; y < h; ++y)
    TIFFReadScanline(tif, r.rgba.data() + std::size_t(y) * w * 4, y, 0);
  XTIFFClose(tif);
  return r;
}

class Rectify : public testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::path(testing::TempDir()) /
        (std::string("rectify_") + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // Rectifies and writes; the plan's refusal or the write's failure in *why.
  bool Write(const RectifySource& s, const Bitmap& image, const std::string& path,
             std::optional<double> resolution, std::string* why,
             const DecodeLimits& limits = DecodeLimits{}) {
    const auto plan = Rectifier::Plan(s, resolution, limits, 0, why);
    if (!plan) return false;
    const RectifiedGrid& g = plan->Grid();
    Failure failure;
    const bool ok = WriteGeoTiff(
        path,
        {g.width, g.height, g.west, g.north, g.resolution, 6677, false,
         "JGD2011 / Japan Plane Rectangular CS IX"},
        [&](int y0, int n, std::uint8_t* rgba, std::string* reason) {
          return plan->Render(image, y0, n, rgba, reason);
        },
        &failure);
    if (!ok) *why = failure.Text();
    return ok;
  }
  fs::path dir_;
};

TEST_F(Rectify, AMarkerLiesWithinOneOutputPixelOfItsTypedCoordinates) {
  const int w = 300, h = 200;
  struct Case {
    const char* name;
    int method;
    std::vector<double> cx, cy;
    bool northingFirst;
  };
  const std::vector<Case> cases = {
      {"affine", tmAffine, kCx, kCy, false},
      {"northing first", tmAffine, kCy, kCx, true},
      // Stored order 1, x, y, x·y, x², y².
      {"quadratic",
       tmQuadratic,
       {100, 0.04, 0.01, 2e-6, 3e-5, -1e-5},
       {500, 0.005, -0.05, -1e-6, 1e-5, 2e-5},
       false},
      // A plane photographed at a slant: the far side narrower.
      {"projective",
       tmProjective,
       {10, 0.05, 0.01, 0.0008, 0.0012},
       {20, 0.002, -0.06, 0.0008, 0.0012},
       false},
  };
  for (const Case& c : cases) {
    for (const auto& [mi, mj] : {std::pair{40, 30}, std::pair{250, 170}, std::pair{150, 100}}) {
      SCOPED_TRACE(testing::Message() << c.name << " marker " << mi << "," << mj);
      const Bitmap image = PictureWithDot(w, h, mi, mj, 2);
      RectifySource s{c.method, c.cx, c.cy, w, h, PixelAffine{}, c.northingFirst};
      std::string why;
      ASSERT_TRUE(Write(s, image, Path("out.tif"), std::nullopt, &why)) << why;
      const ReadBack r = ReadGeoTiff(Path("out.tif"));
      EXPECT_EQ(r.samples, 4);
      EXPECT_EQ(r.extra, EXTRASAMPLE_UNASSALPHA);
      EXPECT_EQ(r.model, ModelTypeProjected);
      EXPECT_EQ(r.raster, RasterPixelIsArea);
      EXPECT_EQ(r.projected, 6677);
      EXPECT_EQ(r.scale[0], r.scale[1]);
      EXPECT_EQ(r.tie[0], 0);
      EXPECT_EQ(r.tie[1], 0);
      // The default resolution is the image's own at its centre.
      EXPECT_DOUBLE_EQ(r.scale[0], *GroundResolution(s));
      double sx = 0, sy = 0, n = 0, transparent = 0;
      for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
          const std::uint8_t* p = &r.rgba[(std::size_t(y) * r.width + x) * 4];
          if (p[3] == 0) {
            transparent += 1;
          } else if (p[0] > 160 && p[2] < 100) {
            sx += x + 0.5, sy += y + 0.5, n += 1;
          }
        }
      ASSERT_GT(n, 0);
      if (c.method != tmAffine || c.cx[2] != 0) EXPECT_GT(transparent, 0);  // corners off image
      const double mapX = r.tie[3] + sx / n * r.scale[0], mapY = r.tie[4] - sy / n * r.scale[1];
      const double X = EvaluateTransform(c.method, c.cx, mi + 0.5, mj + 0.5);
      const double Y = EvaluateTransform(c.method, c.cy, mi + 0.5, mj + 0.5);
      const double east = c.northingFirst ? Y : X, north = c.northingFirst ? X : Y;
      EXPECT_NEAR(mapX, east, r.scale[0]);
      EXPECT_NEAR(mapY, north, r.scale[0]);
    }
  }
}

TEST_F(Rectify, RefusesFoldsVanishingLinesAndOutputsTooLarge) {
  const Bitmap image = PictureWithDot(100, 80, 10, 10);
  std::string why;
  // X = x² about the image's middle: the left half folds onto the right.
  const RectifySource fold{
      tmQuadratic, {0, -100, 0, 0, 1, 0}, {0, 0, -1, 0, 0, 0}, 100, 80, PixelAffine{}, false};
  EXPECT_FALSE(Write(fold, image, Path("fold.tif"), std::nullopt, &why));
  EXPECT_NE(why.find("折り返す"), std::string::npos) << why;
  // Denominator 1 - x/50 vanishes at x = 50, inside the image.
  const RectifySource vanish{
      tmProjective, {0, 1, 0, -0.02, 0}, {0, 0, -1, -0.02, 0}, 100, 80, PixelAffine{}, false};
  EXPECT_FALSE(Write(vanish, image, Path("vanish.tif"), std::nullopt, &why));
  EXPECT_NE(why.find("消失線"), std::string::npos) << why;
  const RectifySource none{tmNone, {}, {}, 100, 80, PixelAffine{}, false};
  EXPECT_FALSE(Write(none, image, Path("none.tif"), std::nullopt, &why));
  EXPECT_NE(why.find("無変換"), std::string::npos) << why;
  const RectifySource affine{tmAffine, kCx, kCy, 100, 80, PixelAffine{}, false};
  EXPECT_FALSE(Write(affine, image, Path("huge.tif"), 1e-9, &why));
  EXPECT_NE(why.find("大きすぎます"), std::string::npos) << why;
  // Memory, not the pixel count: a hundredth of a pixel on a machine of 64 MB.
  DecodeLimits small;
  small.physicalMemory = std::uint64_t{64} << 20;
  EXPECT_FALSE(Write(affine, image, Path("huge.tif"), 0.0005, &why, small));
  EXPECT_NE(why.find("大きすぎます"), std::string::npos) << why;
  EXPECT_TRUE(Write(affine, image, Path("ok.tif"), 0.05, &why, small)) << why;
  for (const char* name : {"fold.tif", "vanish.tif", "none.tif", "huge.tif"})
    EXPECT_FALSE(fs::exists(Path(name))) << name;
}

TEST_F(Rectify, AnInverseWithoutASolutionIsNoneAndAFailedWriteKeepsTheOldFile) {
  // X = x² has no position for a negative X; Newton must say so rather than wander.
  const RectifySource square{
      tmQuadratic, {0, 0, 0, 0, 1, 0}, {0, 0, 1, 0, 0, 0}, 100, 80, PixelAffine{}, false};
  EXPECT_FALSE(InvertFitAt(square, {-25, 10}, {3, 10}, 1));
  const auto p = InvertFitAt(square, {25, 10}, {3, 10}, 1);
  ASSERT_TRUE(p);
  EXPECT_NEAR(p->x, 5, 1e-6);
  EXPECT_NEAR(p->y, 10, 1e-6);

  const std::string path = Path("old.tif");
  std::ofstream(path) << "old";
  Failure failure;
  EXPECT_FALSE(WriteGeoTiff(
      path, {10, 10, 0, 0, 1, 6677, false, ""},
      [](int, int, std::uint8_t*, std::string* why) {
        *why = "逆算が収束しない";
        return false;
      },
      &failure));
  EXPECT_EQ(failure.Text(), "逆算が収束しない");
  // A code beyond the 16-bit key is refused before anything is made.
  EXPECT_FALSE(WriteGeoTiff(
      path, {10, 10, 0, 0, 1, 100000, false, ""},
      [](int, int, std::uint8_t*, std::string*) { return true; }, &failure));
  std::ifstream in(path);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(Rectify, GeographicSystemsTakeTheirOwnKey) {
  const RectifySource s{tmAffine, {139.7, 1e-6, 0}, {35.6, 0, -1e-6}, 50, 40, PixelAffine{}, false};
  const auto plan = Rectifier::Plan(s, std::nullopt, DecodeLimits{}, 0, nullptr);
  ASSERT_TRUE(plan);
  const Bitmap image = PictureWithDot(50, 40, 5, 5);
  const RectifiedGrid& g = plan->Grid();
  Failure failure;
  ASSERT_TRUE(WriteGeoTiff(
      Path("geo.tif"), {g.width, g.height, g.west, g.north, g.resolution, 6668, true, ""},
      [&](int y0, int n, std::uint8_t* rgba, std::string* why) {
        return plan->Render(image, y0, n, rgba, why);
      },
      &failure));
  const ReadBack r = ReadGeoTiff(Path("geo.tif"));
  EXPECT_EQ(r.model, ModelTypeGeographic);
  EXPECT_EQ(r.geographic, 6668);
  EXPECT_EQ(r.projected, 0);
  EXPECT_NEAR(r.width, 50, 1);
  EXPECT_NEAR(r.height, 40, 1);
  EXPECT_NEAR(r.scale[0], 1e-6, 1e-15);
  EXPECT_NEAR(r.tie[3], 139.7, 1e-6);
  EXPECT_NEAR(r.tie[4], 35.6, 1e-6);
}

}  // namespace
}  // namespace zelko
