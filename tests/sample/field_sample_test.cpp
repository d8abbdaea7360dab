// The samples. The field sample's picture maps its pixels to longitude and latitude by a known
// affine mapping (sample/field_layout.h), so the true lengths and areas of what it digitises
// follow from that mapping and GeographicLib's geodesics on GRS80, apart from the program's own
// calculation; its generator makes the same files again, byte for byte. The first sample's notes
// say that its scale is made up.
#include <gtest/gtest.h>
#include <unistd.h>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/PolygonArea.hpp>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "coords/fit.h"
#include "coords/fit_quality.h"
#include "document/project_file.h"
#include "field_layout.h"
#include "measure/calculation.h"
#include "measure/export.h"

namespace zelko {
namespace {

namespace fs = std::filesystem;
using field::LonLat;
using field::Pt;

const std::string kFieldDir = std::string(ZELKO_SAMPLE_DIR) + "/field";

const GeographicLib::Geodesic& Grs80() {
  static const GeographicLib::Geodesic g(6378137, 1 / 298.257222101);
  return g;
}

// Length along geodesics and signed area (counter-clockwise positive) of the points mapped by the
// true mapping.
struct Truth {
  double length = 0;
  double area = 0;
};
Truth TrueMeasure(const std::vector<Pt>& pts, bool closed) {
  const field::Affine a = field::Mapping();
  GeographicLib::PolygonArea poly(Grs80(), !closed);
  for (const Pt& p : pts) {
    const LonLat g = field::ToDegrees(a, p);
    poly.AddPoint(g.lat, g.lon);
  }
  Truth t;
  poly.Compute(false, true, t.length, t.area);
  if (!closed) t.area = 0;
  return t;
}

// A difference in degrees as the distance in pixels it spans on the picture.
double Pixels(const field::Affine& a, double dLon, double dLat) {
  const double det = a.lonX * a.latY - a.lonY * a.latX;
  return std::hypot((a.latY * dLon - a.lonY * dLat) / det, (a.lonX * dLat - a.latX * dLon) / det);
}

std::vector<Pt> GroupPoints(const TLine& line) {
  std::vector<Pt> pts;
  for (const TMarker& m : line.Points) pts.push_back({m.x, m.y});
  return pts;
}

std::vector<MarkerRowText> Rows(const ProjectData& d) {
  std::vector<MarkerRowText> rows;
  for (const MarkerRecord& m : d.Markers)
    rows.push_back({MarkerTextFromTenths(m.XTenths), MarkerTextFromTenths(m.YTenths), m.X, m.Y});
  return rows;
}

class FieldSample : public ::testing::Test {
 protected:
  void SetUp() override {
    const ProjectReadResult r = ReadProjectFile(kFieldDir + "/field.pqs");
    ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
    data = r.Data;
  }
  ProjectData data;
};

TEST_F(FieldSample, IsAnAffineFitInDegreesToClicksNearTheGraticuleCrossings) {
  EXPECT_EQ(data.ImagePath, "field.jpg");  // beside the project, wherever it is copied
  EXPECT_TRUE(fs::exists(kFieldDir + "/field.jpg"));
  EXPECT_EQ(data.Method, 2);
  EXPECT_EQ(data.ScaleUnit, 6);
  EXPECT_TRUE(TransformIsSet(data.Method, data.Cx, data.Cy));
  EXPECT_EQ(data.Categories, (std::vector<std::string>{"水田", "畑", "樹木", "農道"}));
  ASSERT_GE(data.Markers.size(), 5u);

  // Each marker names a crossing of the graticule and lies a fraction of a pixel beside it.
  const field::Affine a = field::Mapping();
  for (const MarkerRecord& m : data.Markers) {
    const double lon = std::stod(m.X), lat = std::stod(m.Y);
    EXPECT_NEAR(std::remainder(lon, field::kGraticuleStep), 0, 1e-12) << m.X;
    EXPECT_NEAR(std::remainder(lat, field::kGraticuleStep), 0, 1e-12) << m.Y;
    const Pt exact = field::ToPixel(a, {lon, lat});
    const double off = std::hypot(m.XTenths / 10.0 - exact.x, m.YTenths / 10.0 - exact.y);
    EXPECT_GT(off, 0.01) << m.X << " " << m.Y;
    EXPECT_LT(off, 0.6) << m.X << " " << m.Y;
  }

  // The stored coefficients are the least-squares fit of those markers, and its residuals,
  // brought back to pixels through the true mapping, are as small as the clicks' offsets.
  const FitResult fit = FitTransform(data.Method, Rows(data), {}, {});
  ASSERT_TRUE(fit.ok) << fit.message;
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(fit.Cx[i], data.Cx[i]) << i;
    EXPECT_DOUBLE_EQ(fit.Cy[i], data.Cy[i]) << i;
  }
  const FitQuality q = AssessFit(data.Method, Rows(data), fit);
  double sum = 0;
  for (const FitResidual& r : q.residuals) {
    ASSERT_TRUE(r.dx && r.dy);
    const double off = Pixels(a, *r.dx, *r.dy);
    EXPECT_LT(off, 0.8) << "marker " << r.row;
    sum += off * off;
  }
  EXPECT_LT(std::sqrt(sum / q.residuals.size()), 0.5);  // pixels, RMS over the markers
  EXPECT_EQ(q.dof, 2 * int(data.Markers.size()) - 6);

  // The picture is a vertical photograph: on the ground a step right and a step down from its
  // centre are the same length and at right angles (a shear would tilt the graticule's crossings).
  auto ground = [&](double x, double y) {
    return LonLat{data.Cx[0] + data.Cx[1] * x + data.Cx[2] * y,
                  data.Cy[0] + data.Cy[1] * x + data.Cy[2] * y};
  };
  const LonLat c = ground(800, 600), right = ground(900, 600), down = ground(800, 700);
  double sRight = 0, aRight = 0, aRight2 = 0, sDown = 0, aDown = 0, aDown2 = 0;
  Grs80().Inverse(c.lat, c.lon, right.lat, right.lon, sRight, aRight, aRight2);
  Grs80().Inverse(c.lat, c.lon, down.lat, down.lon, sDown, aDown, aDown2);
  EXPECT_NEAR(sRight, 50, 50 * 0.002);  // 0.5 m a pixel
  EXPECT_NEAR(sDown, sRight, sRight * 0.002);
  EXPECT_NEAR(std::remainder(aDown - aRight, 360), 90, 0.1);  // azimuths, clockwise from north
  EXPECT_NEAR(aRight, 90 - field::kTurnDegrees, 0.1);  // north turned clockwise of the picture's up

  // Over the whole picture the fitted mapping stays within 0.6 pixel of the true one: about the
  // clicks' largest offset (0.5 pixel), a little more at the corners beyond the markers.
  for (double x : {0.0, field::kWidth / 2.0, double(field::kWidth)})
    for (double y : {0.0, field::kHeight / 2.0, double(field::kHeight)}) {
      const LonLat t = field::ToDegrees(a, {x, y});
      const double lon = data.Cx[0] + data.Cx[1] * x + data.Cx[2] * y;
      const double lat = data.Cy[0] + data.Cy[1] * x + data.Cy[2] * y;
      EXPECT_LT(Pixels(a, lon - t.lon, lat - t.lat), 0.6) << x << "," << y;
    }
}

// Both sides measure along geodesics on GRS80, so what separates them is the fitted mapping:
// clicks off by up to 0.4 pixel at markers some 1450 by 890 pixels apart move its scale by at
// most 0.4 / 445, about 0.09 %, along either axis, and an area by twice that.
constexpr double kLengthTolerance = 0.001;  // relative
constexpr double kAreaTolerance = 0.002;

TEST_F(FieldSample, LengthsAreasAndCountsMatchTheGroundTruth) {
  // The groups are the drawn fields, track and trees, in that order.
  std::vector<std::vector<Pt>> shapes;
  std::vector<bool> closed;
  for (const field::Parcel& f : field::Parcels()) {
    if (!f.measured) continue;
    std::vector<Pt> ccw{f.corners[0]};  // counter-clockwise on the ground: positive areas
    ccw.insert(ccw.end(), f.corners.rbegin(), f.corners.rend() - 1);
    shapes.push_back(ccw);
    closed.push_back(true);
  }
  shapes.push_back(field::MeasuredTrack());
  closed.push_back(false);
  ASSERT_EQ(data.Lines.size(), shapes.size() + 1);
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    const std::vector<Pt> got = GroupPoints(data.Lines[i]);
    ASSERT_EQ(got.size(), shapes[i].size()) << i;
    for (std::size_t k = 0; k < got.size(); ++k) {
      EXPECT_NEAR(got[k].x, shapes[i][k].x, 1e-3) << i << ":" << k;
      EXPECT_NEAR(got[k].y, shapes[i][k].y, 1e-3) << i << ":" << k;
    }
    EXPECT_EQ(data.Lines[i].LineType, closed[i] ? ltClosed : ltCurve);
  }
  const TLine& trees = data.Lines.back();
  EXPECT_EQ(trees.LineType, ltPoints);
  EXPECT_EQ(trees.NumPoints, int(field::BankTrees().size()));
  EXPECT_EQ(data.Categories[trees.Sort], "樹木");

  std::vector<TLine> lines = data.Lines;
  const CalculateResult r = CalculateLines(lines, data.Method, data.Cx, data.Cy, data.ScaleUnit);
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_TRUE(r.crossing.empty());
  std::map<std::string, Truth> truthTotals, gotTotals;
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    const Truth t = TrueMeasure(shapes[i], closed[i]);
    const std::string category = data.Categories[lines[i].Sort];
    EXPECT_NEAR(lines[i].Length, t.length, t.length * kLengthTolerance) << "group " << i + 1;
    if (closed[i]) {
      EXPECT_GT(t.area, 5000) << "group " << i + 1;
      EXPECT_NEAR(lines[i].Area, t.area, t.area * kAreaTolerance) << "group " << i + 1;
    } else {
      EXPECT_EQ(lines[i].Area, 0);
    }
    truthTotals[category].length += t.length;
    truthTotals[category].area += t.area;
    gotTotals[category].length += lines[i].Length;
    gotTotals[category].area += lines[i].Area;
  }
  for (const char* category : {"水田", "畑", "農道"}) {
    const Truth t = truthTotals[category], g = gotTotals[category];
    EXPECT_GT(t.length, 0) << category;
    EXPECT_NEAR(g.length, t.length, t.length * kLengthTolerance) << category;
    EXPECT_NEAR(g.area, t.area, std::abs(t.area) * kAreaTolerance) << category;
  }
  EXPECT_EQ(lines.back().Length, 0);
  EXPECT_EQ(lines.back().Area, 0);
}

// Every position in the GeoJSON export lies on the picture, that is near 139.70 E, 35.66 N.
TEST_F(FieldSample, GeoJsonPlacesEveryGroupOnThePicturesGround) {
  const ExportText e = ExportProject(data, ExportContent::Results, ExportFormat::GeoJson);
  ASSERT_TRUE(e.ok()) << e.error;
  EXPECT_EQ(e.warning, "");
  for (const char* kind : {"\"Polygon\"", "\"LineString\"", "\"MultiPoint\""})
    EXPECT_NE(e.text.find(kind), std::string::npos) << kind;

  const std::regex pair(R"(\[(-?[0-9.eE+-]+), (-?[0-9.eE+-]+)\])");
  const field::Affine a = field::Mapping();
  int count = 0;
  for (auto it = std::sregex_iterator(e.text.begin(), e.text.end(), pair);
       it != std::sregex_iterator(); ++it, ++count) {
    const double lon = std::stod((*it)[1]), lat = std::stod((*it)[2]);
    EXPECT_NEAR(lon, field::kCentreLon, 0.006) << lon;
    EXPECT_NEAR(lat, field::kCentreLat, 0.004) << lat;
    const Pt p = field::ToPixel(a, {lon, lat});
    EXPECT_TRUE(p.x >= -1 && p.y >= -1 && p.x <= field::kWidth + 1 && p.y <= field::kHeight + 1)
        << p.x << "," << p.y;
  }
  // Every point once, and each closed curve's first point again to close its ring.
  int expected = 0;
  for (const TLine& l : data.Lines) expected += l.NumPoints + (l.LineType == ltClosed ? 1 : 0);
  EXPECT_EQ(count, expected);
}

// The first sample's scale is made up, and its notes say so in the figures the markers define.
TEST(FirstSample, NotesCallItsScaleAnExample) {
  const ProjectReadResult r = ReadProjectFile(std::string(ZELKO_SAMPLE_DIR) + "/sample.pqs");
  ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
  const ProjectData& d = r.Data;
  ASSERT_EQ(d.ScaleUnit, 3);  // cm
  ASSERT_EQ(d.Cx.size(), 3u);
  EXPECT_NEAR(d.Cx[1], 1.0 / 50, 1e-12);  // 50 pixels to the centimetre
  EXPECT_NEAR(d.Cy[2], -1.0 / 50, 1e-12);
  std::string notes;
  for (const std::string& line : d.Notes) notes += line;
  EXPECT_NE(notes.find("50ピクセル＝1cm"), std::string::npos) << notes;
  EXPECT_NE(notes.find("例"), std::string::npos) << notes;
  EXPECT_NE(notes.find("実際に測ったものではありません"), std::string::npos) << notes;
}

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FieldSampleGenerator, MakesTheCommittedFilesAgain) {
  const fs::path out = fs::temp_directory_path() / ("zelko-field-" + std::to_string(::getpid()));
  fs::create_directories(out);
  const std::string command = std::string(ZELKO_MAKE_FIELD) + " '" + out.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (const char* name : {"field.pqs", "field.jpg"}) {
    const std::string made = Bytes(out / name), kept = Bytes(fs::path(kFieldDir) / name);
    EXPECT_FALSE(made.empty()) << name;
    EXPECT_TRUE(made == kept) << name << " differs from sample/field/" << name
                              << "; run sample/make-field and commit the result";
  }
  fs::remove_all(out);
}

}  // namespace
}  // namespace zelko
