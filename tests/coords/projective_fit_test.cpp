// The projective fit against the homography that made the markers, its least-squares optimum
// checked from first principles, and what the assessment says of the fit's region.
#include "coords/projective_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "coords/fit.h"
#include "coords/fit_quality.h"
#include "coords/transform.h"
#include "document/numbers.h"
#include "document/project_data.h"
#include "measure/export.h"
#include "measure/project_tables.h"

namespace zelko {
namespace {

// A ground plane seen from a camera tilted about 35°: metres from image pixels. The vanishing
// line 1 + g·x + h·y = 0 lies at y ≈ −1430, above a 1600 × 1000 image.
const std::vector<double> kCx{12.5, 0.061, 0.0135, 2.1e-5, 6.9e-4};
const std::vector<double> kCy{95.0, -0.004, -0.0952, 2.1e-5, 6.9e-4};

ControlPoint At(double x, double y) {
  return {x, y, EvaluateTransform(tmProjective, kCx, x, y),
          EvaluateTransform(tmProjective, kCy, x, y)};
}

MarkerRowText Row(const ControlPoint& p) {
  return {FormatFixed(p.x, 1), FormatFixed(p.y, 1), FormatGeneral15(p.X), FormatGeneral15(p.Y)};
}

double Cost(const std::vector<double>& cx, const std::vector<double>& cy,
            const std::vector<ControlPoint>& points) {
  long double sum = 0;
  for (const auto& p : points) {
    const long double ex = EvaluateTransform(tmProjective, cx, p.x, p.y) - p.X;
    const long double ey = EvaluateTransform(tmProjective, cy, p.x, p.y) - p.Y;
    sum += ex * ex + ey * ey;
  }
  return static_cast<double>(sum);
}

TEST(FitProjective, RecoversTheHomographyOfExactMarkers) {
  std::vector<ControlPoint> points;
  for (double x : {100.0, 800.0, 1500.0})
    for (double y : {80.0, 500.0, 950.0}) points.push_back(At(x, y));
  const ProjectiveSolution s = FitProjective(points);
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.rank, 8);
  for (int k = 0; k < 5; ++k) {
    EXPECT_NEAR(s.Cx[k], kCx[k], 1e-9 * std::fabs(kCx[k])) << k;
    EXPECT_NEAR(s.Cy[k], kCy[k], 1e-9 * std::fabs(kCy[k])) << k;
  }
  // Four markers already determine it, and far from them it still agrees.
  const ProjectiveSolution four = FitProjective({points[0], points[2], points[6], points[8]});
  ASSERT_TRUE(four.ok);
  EXPECT_NEAR(EvaluateTransform(tmProjective, four.Cx, 700, 300), At(700, 300).X, 1e-8);
  EXPECT_NEAR(EvaluateTransform(tmProjective, four.Cy, 700, 300), At(700, 300).Y, 1e-8);
  EXPECT_FALSE(FitProjective({points[0], points[2], points[6]}).ok);
}

TEST(FitProjective, NoisyMarkersGiveTheLeastSquaresOptimum) {
  std::vector<ControlPoint> points;
  unsigned seed = 7;
  const auto noise = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return ((seed >> 8) % 2001 - 1000.0) / 1000.0 * 0.05;  // ±5 cm
  };
  for (double x = 100; x <= 1500; x += 350)
    for (double y = 100; y <= 950; y += 280) {
      ControlPoint p = At(x, y);
      p.X += noise();
      p.Y += noise();
      points.push_back(p);
    }
  const ProjectiveSolution s = FitProjective(points);
  ASSERT_TRUE(s.ok);
  // At a minimum of the physical residuals, no small change of any of the eight parameters
  // (numerators and the shared denominator) lowers their sum of squares.
  const double best = Cost(s.Cx, s.Cy, points);
  for (int k = 0; k < 8; ++k)
    for (double sign : {-1.0, 1.0}) {
      std::vector<double> cx = s.Cx, cy = s.Cy;
      if (k < 3)
        cx[k] += sign * 1e-5 * (std::fabs(cx[k]) + 1e-4);
      else if (k < 6)
        cy[k - 3] += sign * 1e-5 * (std::fabs(cy[k - 3]) + 1e-4);
      else {
        const int d = k - 3;  // g or h, shared by both axes
        cx[d] = cy[d] = cx[d] + sign * 1e-5 * std::fabs(cx[d]);
      }
      EXPECT_GE(Cost(cx, cy, points), best * (1 - 1e-12)) << k << " " << sign;
    }
  // The algebraic start alone is not that optimum: the refinement did work.
  EXPECT_LT(best, 0.05 * 0.05 * 2 * points.size());
}

TEST(AssessProjective, ResidualsDegreesOfFreedomAndTheVanishingLine) {
  std::vector<MarkerRowText> rows;
  for (double x : {100.0, 1500.0})
    for (double y : {100.0, 950.0}) rows.push_back(Row(At(x, y)));
  const ImageExtent image{1600, 1000};
  FitResult fit = FitTransform(tmProjective, rows, {}, {});
  ASSERT_TRUE(fit.ok) << fit.message;
  FitQuality q = AssessFit(tmProjective, rows, fit, image);
  EXPECT_EQ(q.dof, 0);
  EXPECT_FALSE(q.residuals[0].looDx);  // three markers left cannot refit
  EXPECT_NE(FitAdviceMessage(q).find("ちょうど通る"), std::string::npos);
  EXPECT_FALSE(q.vanishingLine);
  EXPECT_FALSE(q.mirrored);
  EXPECT_EQ(FitWarningMessage(q), "");

  rows.push_back(Row(At(800, 500)));
  fit = FitTransform(tmProjective, rows, {}, {});
  q = AssessFit(tmProjective, rows, fit, image);
  EXPECT_EQ(q.dof, 2);
  ASSERT_TRUE(q.residuals[4].looDx);
  EXPECT_LT(std::fabs(*q.residuals[4].looDx), 0.01);  // positions rounded to 0.1 px
  EXPECT_NEAR(*q.coverage, 1400.0 * 850 / (1600 * 1000), 1e-9);

  // Three markers cannot; nor can rows that lack a physical Y.
  rows.resize(3);
  EXPECT_EQ(FitTransform(tmProjective, rows, {}, {}).message, kFitShortageProjectiveMessage);

  // Seen from lower down the horizon enters the picture: the line crosses the image, points
  // beyond it have no place, points on the markers' side do.
  const std::vector<double> steep{12.5, 0.061, 0.0135, 2.1e-5, -2.0e-3};
  EXPECT_TRUE(VanishingLineCrosses(steep, 0, 0, 1600, 1000));
  EXPECT_FALSE(VanishingLineCrosses(kCx, 0, 0, 1600, 1000));
  std::vector<MarkerRowText> ground;
  for (double x : {100.0, 1500.0})
    for (double y : {700.0, 950.0})
      ground.push_back({FormatFixed(x, 1), FormatFixed(y, 1), "0", "0"});
  const FitRegion region = MarkerRegion(tmProjective, steep, ground);
  EXPECT_EQ(region.side, -1);  // the image origin lies beyond the line
  EXPECT_EQ(PlaceOf(region, steep, 800, 100), PointPlace::BeyondVanishingLine);
  EXPECT_EQ(PlaceOf(region, steep, 800, 800), PointPlace::Inside);
  EXPECT_EQ(PlaceOf(region, steep, 50, 800), PointPlace::OutsideMarkers);
}

TEST(AssessFit, SmallOrThinMarkerLayoutsAndMirroringFitsAreNamed) {
  const ImageExtent image{1000, 800};
  // Affine markers in a 100-pixel corner of the image, typed as surveyors do: X north (up the
  // picture), Y east.
  std::vector<MarkerRowText> corner;
  for (auto [x, y] : {std::pair{0.0, 0.0}, {100, 0}, {0, 100}, {100, 100}, {50, 40}})
    corner.push_back(
        {FormatFixed(x, 1), FormatFixed(y, 1), FormatGeneral15(-y), FormatGeneral15(x)});
  FitResult fit = FitTransform(tmAffine, corner, {}, {});
  FitQuality q = AssessFit(tmAffine, corner, fit, image);
  EXPECT_NEAR(*q.coverage, 0.0125, 1e-12);
  EXPECT_TRUE(q.mirrored);
  const std::string advice = FitAdviceMessage(q);
  EXPECT_NE(advice.find("画像の 1.2%"), std::string::npos) << advice;
  EXPECT_NE(advice.find("面積の符号はすべて逆になります"), std::string::npos);
  EXPECT_EQ(FitWarningMessage(q), "");

  // A band 20 pixels deep across 900: determined, but thin.
  std::vector<MarkerRowText> band;
  for (double x = 0; x <= 900; x += 150)
    band.push_back({FormatFixed(x, 1), FormatFixed(x / 150 == 3 ? 20 : 0, 1), FormatGeneral15(x),
                    FormatGeneral15(800 - (x / 150 == 3 ? 20 : 0))});
  fit = FitTransform(tmAffine, band, {}, {});
  q = AssessFit(tmAffine, band, fit, image);
  EXPECT_EQ(q.layout, FitLayout::Determined);
  EXPECT_LT(q.spreadRatio, kThinLayout);
  EXPECT_NE(FitAdviceMessage(q).find("細長い帯"), std::string::npos);
}

TEST(FitTransform, LongitudesTypedAcrossTheAntimeridianAreUnwrapped) {
  // A 1000-pixel picture spanning 179.95 E to 179.95 W, a metre or so per pixel.
  std::vector<MarkerRowText> rows;
  for (auto [x, y] : {std::pair{0.0, 0.0}, {1000, 0}, {0, 800}, {1000, 800}, {400, 300}}) {
    double lon = 179.95 + x * 1e-4;
    if (lon > 180) lon -= 360;
    rows.push_back({FormatFixed(x, 1), FormatFixed(y, 1), FormatGeneral15(lon),
                    FormatGeneral15(-16 - y * 1e-4)});
  }
  const FitResult plain = FitTransform(tmAffine, rows, {}, {});
  const FitResult unwrapped = FitTransform(tmAffine, rows, {}, {}, true);
  ASSERT_TRUE(unwrapped.unwrapLongitudes);
  EXPECT_FALSE(plain.unwrapLongitudes);
  const FitQuality q = AssessFit(tmAffine, rows, unwrapped);
  EXPECT_LT(q.rms, 1e-9);
  EXPECT_GT(AssessFit(tmAffine, rows, plain).rms, 10);  // degrees
  EXPECT_NEAR(EvaluateTransform(tmAffine, unwrapped.Cx, 1000, 0), 180.05, 1e-9);

  // A GIS gets them back within ±180.
  ProjectData d;
  d.Method = tmAffine;
  d.ScaleUnit = 6;
  d.Cx = unwrapped.Cx;
  d.Cy = unwrapped.Cy;
  TLine line;
  line.LineType = ltPoints;
  line.NumPoints = 1;
  line.Points = {TMarker{"", 1000, 0}};
  d.Lines = {line};
  const ExportText geo = ExportProject(d, ExportContent::Shapes, ExportFormat::GeoJson);
  ASSERT_TRUE(geo.ok()) << geo.error;
  EXPECT_NE(geo.text.find("[[-179.9499999"), std::string::npos) << geo.text;
  const ExportText csv = ExportProject(d, ExportContent::Points, ExportFormat::Csv);
  EXPECT_NE(csv.text.find(",-179.9499999"), std::string::npos) << csv.text;
}

}  // namespace
}  // namespace zelko

namespace zelko {
namespace {

// A group digitised before the fit changed can lie partly beyond the vanishing line: it gets no
// length, area or position anywhere, and it is named.
TEST(ProjectiveProject, AGroupBeyondTheVanishingLineIsMeasuredAsNothing) {
  ProjectData d;
  d.Method = tmProjective;
  d.ScaleUnit = 4;
  d.Cx = {12.5, 0.061, 0.0135, 2.1e-5, -2.0e-3};  // the line runs across y ≈ 500
  d.Cy = {95, -0.004, -0.0952, 2.1e-5, -2.0e-3};
  for (auto [x, y] : {std::pair{100, 700}, {1500, 700}, {100, 950}, {1500, 950}})
    d.Markers.push_back(
        {static_cast<std::uint16_t>(10 * x), static_cast<std::uint16_t>(10 * y), "0", "0"});
  TLine near, far;
  near.LineType = far.LineType = ltClosed;
  near.Points = {{"", 500, 750}, {"", 900, 750}, {"", 900, 900}};
  far.Points = {{"", 500, 750}, {"", 900, 100}, {"", 900, 900}};
  near.NumPoints = far.NumPoints = 3;
  d.Lines = {near, far};

  const ProjectResults results = ProjectResultTable(d);
  ASSERT_TRUE(results.ok) << results.error;
  EXPECT_NE(results.warning.find("消失線の向こう側に点があるため、長さと面積を0としました：C2"),
            std::string::npos)
      << results.warning;
  EXPECT_NE(results.table.rows[1].area, 0);
  EXPECT_EQ(results.table.rows[2].area, 0);
  EXPECT_EQ(results.table.cells[2][1], "C2※");

  const ProjectPoints points = ProjectPointTable(d);
  ASSERT_TRUE(points.ok);
  EXPECT_NE(points.table.cells[1][5], "");
  EXPECT_EQ(points.table.cells[5][5], "");  // the far group's second point
  const ExportText shapes = ExportProject(d, ExportContent::Shapes, ExportFormat::Json);
  EXPECT_NE(shapes.text.find("\"geometry\": null"), std::string::npos) << shapes.text;
}

}  // namespace
}  // namespace zelko
