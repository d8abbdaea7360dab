// zelko-cli image from a project: the picture with its world file and .prj, the rectified
// GeoTIFF, and the refusals that write nothing.
#include <geo_tiffp.h>
#include <geotiff.h>
#include <geovalues.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <xtiffio.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "coords/transform.h"
#include "document/project_file.h"
#include "imaging/bmp_codec.h"
#include "imaging/image_file.h"
#include "imaging/jpeg_codec.h"

namespace zelko {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string out, err;
};

class CliGeoreference : public testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::path(testing::TempDir()) /
        (std::string("cli_geo_") + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // A grey photo with a red dot on pixel (30, 20).
    Bitmap b(80, 60, 24);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 80; ++x) {
        std::uint8_t* p = b.Row(y) + 3 * x;
        const bool dot = std::abs(x - 30) <= 1 && std::abs(y - 20) <= 1;
        p[0] = dot ? 0 : 90, p[1] = dot ? 0 : 90, p[2] = dot ? 255 : 90;
      }
    ASSERT_TRUE(WriteImageFileAtomically(Path("photo.bmp"), WriteBmp(b)));
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // A project on photo.bmp with the given fit; X typed as northing (平面直角座標系).
  std::string Project(int method, std::vector<double> cx, std::vector<double> cy, float angle = 0,
                      int unit = 4) {
    ProjectData d;
    d.ScaleUnit = unit;  // m
    d.ImagePath = "photo.bmp";
    d.Method = method;
    d.Cx = std::move(cx);
    d.Cy = std::move(cy);
    d.Angle = angle;
    d.Header = method > kLastMethod281 ? kProjectHeader29 : kProjectHeader;
    const std::string path = Path("site.pqs");
    Failure failure;
    EXPECT_TRUE(WriteProjectFile(path, d, &failure)) << failure.Text();
    return path;
  }
  CliRun Cli(const std::string& arguments) {
    const std::string out = Path("stdout.txt"), err = Path("stderr.txt");
    const std::string command =
        std::string(ZELKO_CLI) + " image " + arguments + " >" + out + " 2>" + err;
    const int status = std::system(command.c_str());
    CliRun r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Read(out);
    r.err = Read(err);
    fs::remove(out);
    fs::remove(err);
    return r;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Every file the commands wrote, besides the inputs.
  std::vector<std::string> Written() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string n = e.path().filename().string();
      if (n != "photo.bmp" && n != "site.pqs") names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir_;
};

// Northing X = 2000 - 0.5·y, easting Y = 500 + 0.5·x: north up, half a metre a pixel.
const std::vector<double> kNorthing{2000, 0, -0.5};
const std::vector<double> kEasting{500, 0.5, 0};

TEST_F(CliGeoreference, WritesThePictureItsWorldFileAndPrj) {
  const std::string project = Project(tmAffine, kNorthing, kEasting);
  const CliRun r = Cli(project + " --georeference --crs EPSG:6677 -o " + Path("map.jpg"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Written(), (std::vector<std::string>{"map.jgw", "map.jpg", "map.prj"}));
  // Easting first although X was typed as northing; C, F at the upper-left pixel's centre.
  EXPECT_EQ(Read(Path("map.jgw")), "0.5\n0\n0\n-0.5\n500.25\n1999.75\n");
  const std::string prj = Read(Path("map.prj"));
  EXPECT_EQ(prj.rfind("PROJCS[\"JGD_2011_Japan_Zone_9\"", 0), 0u) << prj;
  const auto jpeg = ReadImageFileBytes(Path("map.jpg"));
  EXPECT_EQ(DecodeJpeg(jpeg.data(), jpeg.size()).Width(), 80);

  // A quarter turn at double size: the dot's pixel still reads the dot's coordinates.
  const CliRun turned =
      Cli(project + " --angle 90 --factor 2 --georeference --crs EPSG:6677 -o " + Path("t.bmp"));
  ASSERT_EQ(turned.status, 0) << turned.err;
  std::istringstream w(Read(Path("t.bpw")));
  double A, D, B, E, C, F;
  w >> A >> D >> B >> E >> C >> F;
  const auto bytes = ReadImageFileBytes(Path("t.bmp"));
  const Bitmap t = ReadBmp(bytes.data(), bytes.size());
  ASSERT_EQ(t.Width(), 120);
  double sx = 0, sy = 0, n = 0;
  for (int y = 0; y < t.Height(); ++y)
    for (int x = 0; x < t.Width(); ++x)
      if (((PixelRgb(t, x, y) >> 16) & 0xFF) > 200) sx += x, sy += y, n += 1;
  ASSERT_GT(n, 0);
  const double col = sx / n, row = sy / n;
  EXPECT_NEAR(A * col + B * row + C, 500 + 0.5 * 30.5, 0.25);  // easting of the dot's centre
  EXPECT_NEAR(D * col + E * row + F, 2000 - 0.5 * 20.5, 0.25);
}

TEST_F(CliGeoreference, RectifiesAnyFitIntoAGeoTiff) {
  // Projective: the rows further down narrower.
  const std::string project =
      Project(tmProjective, {2000, 0.001, -0.5, 0, 0.002}, {500, 0.5, 0.001, 0, 0.002});
  const CliRun r = Cli(project + " --rectify auto --crs EPSG:6677 -o " + Path("map.tif"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("metre a pixel"), std::string::npos) << r.out;
  TIFF* tif = XTIFFOpen(Path("map.tif").c_str(), "r");
  ASSERT_NE(tif, nullptr);
  GTIF* gt = GTIFNew(tif);
  unsigned short code = 0, model = 0;
  EXPECT_EQ(GTIFKeyGetSHORT(gt, ProjectedCSTypeGeoKey, &code, 0, 1), 1);
  EXPECT_EQ(GTIFKeyGetSHORT(gt, GTModelTypeGeoKey, &model, 0, 1), 1);
  EXPECT_EQ(code, 6677);
  EXPECT_EQ(model, ModelTypeProjected);
  GTIFFree(gt);
  std::uint16_t count = 0;
  double* scale = nullptr;
  ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_GEOPIXELSCALE, &count, &scale));
  // The resolution the command reports is the one written.
  char said[64];
  std::snprintf(said, sizeof said, ", %.17g metre a pixel", scale[0]);
  EXPECT_NE(r.out.find(said), std::string::npos) << r.out;
  XTIFFClose(tif);

  const CliRun fine = Cli(project + " --rectify 0.25 --crs EPSG:6677 -o " + Path("fine.tif"));
  ASSERT_EQ(fine.status, 0) << fine.err;
  EXPECT_NE(fine.out.find(" 0.25 metre a pixel"), std::string::npos) << fine.out;
}

TEST_F(CliGeoreference, RefusalsWriteNothing) {
  const std::string affine = Project(tmAffine, kNorthing, kEasting);
  const std::string out = " -o " + Path("map.jpg");
  // Arguments: exit 2 with the usage.
  for (const std::string& args :
       {affine + " --georeference" + out, affine + " --rectify auto -o " + Path("m.tif"),
        affine + " --georeference --crs 6677x" + out, affine + " --crs EPSG:6677" + out,
        affine + " --georeference --rectify 1 --crs EPSG:6677 -o " + Path("m.tif"),
        affine + " --rectify 1 --crs EPSG:6677" + out,
        affine + " --rectify 0 --crs EPSG:6677 -o " + Path("m.tif"),
        affine + " --rectify 1 --angle 90 --crs EPSG:6677 -o " + Path("m.tif"),
        Path("photo.bmp") + " --georeference --crs EPSG:6677" + out}) {
    SCOPED_TRACE(args);
    const CliRun r = Cli(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage:"), std::string::npos);
  }
  const CliRun noCrs = Cli(affine + " --georeference" + out);
  EXPECT_NE(noCrs.err.find("needs --crs"), std::string::npos) << noCrs.err;
  // Input: exit 1 with the reason.
  // Degrees typed, a projected system named; metres typed, a geographic one named.
  Project(tmAffine, kNorthing, kEasting, 0, 6);
  const CliRun degrees = Cli(affine + " --georeference --crs EPSG:6677" + out);
  EXPECT_EQ(degrees.status, 1);
  EXPECT_NE(degrees.err.find("is not the unit of"), std::string::npos) << degrees.err;
  Project(tmAffine, kNorthing, kEasting);
  EXPECT_EQ(Cli(affine + " --rectify auto --crs EPSG:4326 -o " + Path("m.tif")).status, 1);
  const CliRun unknown = Cli(affine + " --georeference --crs EPSG:999999" + out);
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("EPSG:999999"), std::string::npos);
  const std::string bilinear = Project(tmBilinear, {2000, 0, -0.5, 1e-4}, {500, 0.5, 0, 1e-4});
  const CliRun notAffine = Cli(bilinear + " --georeference --crs EPSG:6677" + out);
  EXPECT_EQ(notAffine.status, 1);
  EXPECT_NE(notAffine.err.find("GeoTIFF"), std::string::npos);
  const std::string none = Project(tmNone, {}, {});
  for (const std::string& args : {none + " --georeference --crs EPSG:6677" + out,
                                  none + " --rectify auto --crs EPSG:6677 -o " + Path("m.tif")}) {
    const CliRun r = Cli(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("無変換"), std::string::npos) << r.err;
  }
  const std::string folds = Project(tmQuadratic, {0, -80, 0, 0, 1, 0}, {0, 0, -1, 0, 0, 0});
  const CliRun folded = Cli(folds + " --rectify auto --crs EPSG:6677 -o " + Path("m.tif"));
  EXPECT_EQ(folded.status, 1);
  EXPECT_NE(folded.err.find("折り返す"), std::string::npos) << folded.err;
  Project(tmAffine, kNorthing, kEasting);
  const CliRun huge = Cli(affine + " --rectify 0.00001 --crs EPSG:6677 -o " + Path("m.tif"));
  EXPECT_EQ(huge.status, 1);
  EXPECT_NE(huge.err.find("大きすぎます"), std::string::npos) << huge.err;
  EXPECT_TRUE(Written().empty());
}

TEST_F(CliGeoreference, AProjectWithoutGeoOptionsWritesItsWorkingImage) {
  // The project's stored angle turns the picture, as the window shows it.
  const std::string project = Project(tmAffine, kNorthing, kEasting, 90);
  const CliRun r = Cli(project + " -o " + Path("w.bmp"));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto bytes = ReadImageFileBytes(Path("w.bmp"));
  const Bitmap w = ReadBmp(bytes.data(), bytes.size());
  EXPECT_EQ(w.Width(), 60);
  EXPECT_EQ(w.Height(), 80);
}

}  // namespace
}  // namespace zelko
