// The oblique sample: a flat field photographed 35 degrees from straight down through a known
// pinhole camera (sample/oblique_layout.h). The projective fit to its marks measures the plots
// as they lie on the ground; an affine fit cannot, as the scale changes across the picture. Its
// generator makes the same files again, byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "coords/fit.h"
#include "coords/transform.h"
#include "document/project_file.h"
#include "measure/calculation.h"
#include "oblique_layout.h"

namespace zelko {
namespace {

namespace fs = std::filesystem;
using oblique::Ground;
using oblique::Pt;

const std::string kObliqueDir = std::string(ZELKO_SAMPLE_DIR) + "/oblique";

std::vector<MarkerRowText> Rows(const ProjectData& d) {
  std::vector<MarkerRowText> rows;
  for (const MarkerRecord& m : d.Markers)
    rows.push_back({MarkerTextFromTenths(m.XTenths), MarkerTextFromTenths(m.YTenths), m.X, m.Y});
  return rows;
}

// Counter-clockwise positive, as the layout's plots run.
double ShoelaceArea(const std::vector<Ground>& p) {
  double twice = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const Ground a = p[i], b = p[(i + 1) % p.size()];
    twice += a.X * b.Y - b.X * a.Y;
  }
  return twice / 2;
}

double PathLength(const std::vector<Ground>& p) {
  double sum = 0;
  for (std::size_t i = 1; i < p.size(); ++i)
    sum += std::hypot(p[i].X - p[i - 1].X, p[i].Y - p[i - 1].Y);
  return sum;
}

class ObliqueSample : public ::testing::Test {
 protected:
  void SetUp() override {
    const ProjectReadResult r = ReadProjectFile(kObliqueDir + "/oblique.pqs");
    ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
    data = r.Data;
  }
  ProjectData data;
  const oblique::Camera camera = oblique::MakeCamera();
};

TEST_F(ObliqueSample, IsAProjectiveFitToTheMarksWhereTheCameraSeesThem) {
  EXPECT_EQ(data.Header, "Zelko Version 2.9 ");
  EXPECT_EQ(data.Method, tmProjective);
  EXPECT_EQ(data.ScaleUnit, 4);  // m
  EXPECT_EQ(data.ImagePath, "oblique.jpg");
  EXPECT_TRUE(fs::exists(kObliqueDir + "/oblique.jpg"));

  // Each marker is its mark's exact image, rounded to the tenth the file keeps.
  ASSERT_EQ(data.Markers.size(), oblique::Marks().size());
  for (std::size_t i = 0; i < data.Markers.size(); ++i) {
    const MarkerRecord& m = data.Markers[i];
    const oblique::Mark mark = oblique::Marks()[i];
    EXPECT_EQ(m.X, std::to_string(mark.X));
    EXPECT_EQ(m.Y, std::to_string(mark.Y));
    const Pt p = oblique::ToImage(camera, {double(mark.X), double(mark.Y)});
    EXPECT_LE(std::abs(m.XTenths / 10.0 - p.x), 0.05 + 1e-9) << i;
    EXPECT_LE(std::abs(m.YTenths / 10.0 - p.y), 0.05 + 1e-9) << i;
  }

  // The stored coefficients are the program's own fit; rounding to tenths leaves it residuals of
  // millimetres.
  const FitResult fit = FitTransform(tmProjective, Rows(data), {}, {});
  ASSERT_TRUE(fit.ok) << fit.message;
  ASSERT_EQ(data.Cx.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_DOUBLE_EQ(fit.Cx[i], data.Cx[i]) << i;
    EXPECT_DOUBLE_EQ(fit.Cy[i], data.Cy[i]) << i;
  }
  for (const MarkerRecord& m : data.Markers) {
    const double x = m.XTenths / 10.0, y = m.YTenths / 10.0;
    EXPECT_NEAR(EvaluateTransform(tmProjective, fit.Cx, x, y), std::stod(m.X), 0.03) << m.X;
    EXPECT_NEAR(EvaluateTransform(tmProjective, fit.Cy, x, y), std::stod(m.Y), 0.03) << m.Y;
  }
  // Anywhere on the field, not only at the marks.
  for (double X = 0; X <= oblique::kFieldWidth; X += 20)
    for (double Y = 0; Y <= oblique::kFieldDepth; Y += 20) {
      const Pt p = oblique::ToImage(camera, {X, Y});
      EXPECT_NEAR(EvaluateTransform(tmProjective, data.Cx, p.x, p.y), X, 0.03) << X << "," << Y;
      EXPECT_NEAR(EvaluateTransform(tmProjective, data.Cy, p.x, p.y), Y, 0.03) << X << "," << Y;
    }
}

// Largest relative error of the plots' areas measured with the given coefficients.
double WorstAreaError(std::vector<TLine> lines, int method, const std::vector<double>& cx,
                      const std::vector<double>& cy) {
  const CalculateResult r = CalculateLines(lines, method, cx, cy, 4);
  EXPECT_TRUE(r.ok()) << r.message;
  double worst = 0;
  for (std::size_t i = 0; i < oblique::Plots().size(); ++i) {
    const double truth = ShoelaceArea(oblique::Plots()[i].corners);
    worst = std::max(worst, std::abs(lines[i].Area - truth) / truth);
  }
  return worst;
}

TEST_F(ObliqueSample, MeasuresTheGroundProjectivelyButNotAffinely) {
  // The groups are the plots, then the track, digitised at their corners' exact images.
  const std::vector<oblique::Plot>& plots = oblique::Plots();
  ASSERT_EQ(data.Lines.size(), plots.size() + 1);
  for (std::size_t i = 0; i < data.Lines.size(); ++i) {
    const bool isTrack = i == plots.size();
    const std::vector<Ground>& ground = isTrack ? oblique::Track() : plots[i].corners;
    const TLine& line = data.Lines[i];
    EXPECT_EQ(line.LineType, isTrack ? ltCurve : ltClosed) << i;
    ASSERT_EQ(line.Points.size(), ground.size()) << i;
    for (std::size_t k = 0; k < ground.size(); ++k) {
      const Pt p = oblique::ToImage(camera, ground[k]);
      EXPECT_NEAR(line.Points[k].x, p.x, 1e-3) << i << ":" << k;
      EXPECT_NEAR(line.Points[k].y, p.y, 1e-3) << i << ":" << k;
    }
  }

  std::vector<TLine> lines = data.Lines;
  const CalculateResult r = CalculateLines(lines, data.Method, data.Cx, data.Cy, data.ScaleUnit);
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_TRUE(r.crossing.empty());
  for (std::size_t i = 0; i < plots.size(); ++i) {
    const double truth = ShoelaceArea(plots[i].corners);
    EXPECT_GT(truth, 500) << plots[i].name;
    EXPECT_NEAR(lines[i].Area, truth, truth * 0.001) << plots[i].name;
  }
  const double track = PathLength(oblique::Track());
  EXPECT_NEAR(lines.back().Length, track, track * 0.001);
  EXPECT_EQ(lines.back().Area, 0);

  // The affine fit to the same marks takes one scale for near and far plots alike.
  const FitResult affine = FitTransform(tmAffine, Rows(data), {}, {});
  ASSERT_TRUE(affine.ok) << affine.message;
  EXPECT_GT(WorstAreaError(data.Lines, tmAffine, affine.Cx, affine.Cy), 0.01);
}

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ObliqueSampleGenerator, MakesTheCommittedFilesAgain) {
  const fs::path out = fs::temp_directory_path() / ("zelko-oblique-" + std::to_string(::getpid()));
  fs::create_directories(out);
  const std::string command = std::string(ZELKO_MAKE_OBLIQUE) + " '" + out.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (const char* name : {"oblique.pqs", "oblique.jpg"}) {
    const std::string made = Bytes(out / name), kept = Bytes(fs::path(kObliqueDir) / name);
    EXPECT_FALSE(made.empty()) << name;
    EXPECT_TRUE(made == kept) << name << " differs from sample/oblique/" << name
                              << "; run sample/make-oblique and commit the result";
  }
  fs::remove_all(out);
}

}  // namespace
}  // namespace zelko
