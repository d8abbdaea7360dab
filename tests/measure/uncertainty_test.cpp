// The propagated standard deviations against a simulation that perturbs the clicks and the typed
// coordinates, refits and remeasures; the coefficient covariance against its direct formula.
#include "measure/uncertainty.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "coords/fit.h"
#include "coords/fit_covariance.h"
#include "coords/transform.h"
#include "measure/calculation.h"
#include "measure/export.h"
#include "measure/formats.h"

namespace zelko {
namespace {

struct Truth {
  int method;
  std::vector<double> cx, cy;
  int unit;
  double typedSd;  // noise of the typed physical coordinates
};

// Metres over a 1600 × 1000 photograph.
const Truth kAffine{tmAffine, {12.5, 0.061, 0.0135}, {95.0, -0.004, -0.0952}, 4, 0.05};
const Truth kQuadratic{tmQuadratic,
                       {12.5, 0.061, 0.0135, 4e-6, 2e-6, -3e-6},
                       {95.0, -0.004, -0.0952, 1e-6, 2e-6, 5e-6},
                       4,
                       0.05};
const Truth kProjective{tmProjective,
                        {12.5, 0.061, 0.0135, 2.1e-5, 6.9e-4},
                        {95.0, -0.004, -0.0952, 2.1e-5, 6.9e-4},
                        4,
                        0.05};
// Degrees: about a metre a pixel near Tokyo.
const Truth kAffineDegree{
    tmAffine, {139.70, 1.1e-5, 1.5e-6}, {35.66, 1.2e-6, -9e-6}, kDegreeUnit, 5e-7};
const Truth kProjectiveDegree{tmProjective,
                              {139.70, 1.1e-5 + 139.70 * 1e-5, 1.5e-6 + 139.70 * 3e-4, 1e-5, 3e-4},
                              {35.66, 1.2e-6 + 35.66 * 1e-5, -9e-6 + 35.66 * 3e-4, 1e-5, 3e-4},
                              kDegreeUnit,
                              5e-7};

std::vector<std::pair<double, double>> MarkerPlaces(int across, int down) {
  std::vector<std::pair<double, double>> out;
  for (int i = 0; i < across; ++i)
    for (int j = 0; j < down; ++j)
      out.emplace_back(80 + 1440.0 * i / (across - 1) + 13 * j,
                       60 + 880.0 * j / (down - 1) + 7 * i);
  return out;
}

TLine Group(std::uint8_t kind, int sort, const std::vector<std::pair<double, double>>& points) {
  TLine line;
  line.LineType = kind;
  line.Sort = static_cast<std::uint16_t>(sort);
  for (const auto& [x, y] : points) line.Points.push_back({"", x, y});
  line.NumPoints = static_cast<std::int32_t>(line.Points.size());
  return line;
}

// A field, a second field beside it, and a path across both.
std::vector<TLine> Groups() {
  return {Group(ltClosed, 0, {{300, 200}, {700, 240}, {760, 600}, {520, 720}, {280, 560}}),
          Group(ltClosed, 0, {{800, 300}, {1300, 280}, {1350, 800}, {900, 850}}),
          Group(ltCurve, 1, {{150, 900}, {600, 650}, {1100, 700}, {1500, 150}})};
}

std::vector<MarkerRowText> Rows(const Truth& t,
                                const std::vector<std::pair<double, double>>& places,
                                std::mt19937_64& rng, double clickSd) {
  std::normal_distribution<double> click(0, clickSd), typed(0, t.typedSd);
  std::vector<MarkerRowText> rows;
  for (const auto& [x, y] : places) {
    const double X = EvaluateTransform(t.method, t.cx, x, y) + typed(rng);
    const double Y = EvaluateTransform(t.method, t.cy, x, y) + typed(rng);
    rows.push_back(
        {ExactNumber(x + click(rng)), ExactNumber(y + click(rng)), ExactNumber(X), ExactNumber(Y)});
  }
  return rows;
}

struct Spread {
  std::vector<double> simulatedSd, propagatedSd;  // lengths and areas of each group, then totals
};

// Each trial clicks the markers and the groups anew and types the markers' coordinates anew.
Spread Simulate(const Truth& t, const std::vector<std::pair<double, double>>& places, int trials,
                double clickSd = kDefaultClickPrecision) {
  std::mt19937_64 rng(20261211);
  std::normal_distribution<double> click(0, clickSd);
  const std::vector<TLine> truth = Groups();
  const std::size_t firstTwo[] = {0, 1};
  const std::size_t values = 2 * truth.size() + 2;
  std::vector<double> sum(values, 0), sum2(values, 0), variance(values, 0);
  for (int trial = 0; trial < trials; ++trial) {
    const auto rows = Rows(t, places, rng, clickSd);
    const FitResult fit = FitTransform(t.method, rows, t.cx, t.cy, t.unit == kDegreeUnit);
    EXPECT_TRUE(fit.ok) << fit.message;
    if (!fit.ok) return {};
    std::vector<TLine> lines = truth;
    for (TLine& line : lines)
      for (TMarker& p : line.Points) {
        p.x += click(rng);
        p.y += click(rng);
      }
    const UncertaintyModel model{
        FitCovarianceOf(t.method, rows, fit.Cx, fit.Cy, t.unit == kDegreeUnit), clickSd};
    const ResultUncertainty u =
        PropagateUncertainty(lines, t.method, fit.Cx, fit.Cy, t.unit, model);
    EXPECT_TRUE(CalculateLines(lines, t.method, fit.Cx, fit.Cy, t.unit).ok());
    std::vector<double> v, sd;
    for (std::size_t g = 0; g < lines.size(); ++g) {
      v.push_back(lines[g].Length);
      v.push_back(lines[g].Area);
      sd.push_back(u.LengthSd(g));
      sd.push_back(u.AreaSd(g));
    }
    v.push_back(lines[0].Length + lines[1].Length);
    v.push_back(lines[0].Area + lines[1].Area);
    sd.push_back(u.TotalLengthSd(firstTwo));
    sd.push_back(u.TotalAreaSd(firstTwo));
    for (std::size_t k = 0; k < values; ++k) {
      sum[k] += v[k];
      sum2[k] += v[k] * v[k];
      variance[k] += sd[k] * sd[k];
    }
  }
  Spread s;
  for (std::size_t k = 0; k < values; ++k) {
    const double mean = sum[k] / trials;
    s.simulatedSd.push_back(std::sqrt((sum2[k] - trials * mean * mean) / (trials - 1)));
    s.propagatedSd.push_back(std::sqrt(variance[k] / trials));
  }
  return s;
}

void ExpectAgreement(const Truth& t) {
  const Spread s = Simulate(t, MarkerPlaces(5, 4), 2000);
  ASSERT_FALSE(s.simulatedSd.empty());
  for (std::size_t k = 0; k < s.simulatedSd.size(); ++k) {
    // The curve's area is 0 and stays so.
    if (k == 5) {
      EXPECT_EQ(s.propagatedSd[k], 0);
      continue;
    }
    EXPECT_GT(s.simulatedSd[k], 0) << k;
    EXPECT_NEAR(s.propagatedSd[k] / s.simulatedSd[k], 1, 0.1)
        << "value " << k << ": propagated " << s.propagatedSd[k] << ", simulated "
        << s.simulatedSd[k];
  }
}

TEST(UncertaintyMonteCarlo, PropagationAgreesWithSimulatedSpreadInThePlane) {
  ExpectAgreement(kAffine);
  ExpectAgreement(kQuadratic);
  ExpectAgreement(kProjective);
}

TEST(UncertaintyMonteCarlo, PropagationAgreesWithSimulatedSpreadInDegrees) {
  ExpectAgreement(kAffineDegree);
  ExpectAgreement(kProjectiveDegree);
}

TEST(UncertaintyMonteCarlo, FourTimesTheMarkersHalveTheFitsShare) {
  // Without click noise on the groups, only the fit's share is left.
  const auto few = MarkerPlaces(3, 2);
  std::vector<std::pair<double, double>> many;
  for (int copy = 0; copy < 4; ++copy) many.insert(many.end(), few.begin(), few.end());
  const Spread a = Simulate(kAffine, few, 400, 0.0);
  const Spread b = Simulate(kAffine, many, 400, 0.0);
  ASSERT_FALSE(a.propagatedSd.empty());
  ASSERT_FALSE(b.propagatedSd.empty());
  for (std::size_t k : {0u, 1u, 4u, 6u, 7u})
    EXPECT_NEAR(a.propagatedSd[k] / b.propagatedSd[k], 2, 0.2) << k;
}

// σ²·(AᵀA)⁻¹ of the affine fit, the 3 × 3 inverse by cofactors.
TEST(FitCovariance, AffineCovarianceIsResidualVarianceTimesInverseNormalMatrix) {
  std::mt19937_64 rng(7);
  const auto places = MarkerPlaces(3, 3);
  const auto rows = Rows(kAffine, places, rng, 0.4);
  const FitResult fit = FitTransform(tmAffine, rows, {}, {});
  ASSERT_TRUE(fit.ok);
  const FitCovariance c = FitCovarianceOf(tmAffine, rows, fit.Cx, fit.Cy);
  ASSERT_EQ(c.share, FitShare::Known);
  EXPECT_EQ(c.freedomX, 6);
  const std::vector<double> stored = StoredCoefficientCovariance(c);
  ASSERT_EQ(stored.size(), 36u);
  long double a[3][3] = {};
  std::vector<std::vector<double>> basis;
  for (const auto& r : rows) basis.push_back({1, std::stod(r.imageX), std::stod(r.imageY)});
  for (const auto& b : basis)
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) a[i][j] += static_cast<long double>(b[i]) * b[j];
  long double inv[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
      inv[i][j] = a[r0][c0] * a[r1][c1] - a[r0][c1] * a[r1][c0];
    }
  const long double det = a[0][0] * inv[0][0] + a[0][1] * inv[1][0] + a[0][2] * inv[2][0];
  for (int pass = 0; pass < 2; ++pass) {
    const auto& C = pass ? fit.Cy : fit.Cx;
    long double ssr = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const double v = std::stod(pass ? rows[k].physicalY : rows[k].physicalX);
      const long double r = v - (C[0] + C[1] * basis[k][1] + C[2] * basis[k][2]);
      ssr += r * r;
    }
    const long double sigma2 = ssr / (rows.size() - 3);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        const double direct = static_cast<double>(sigma2 * inv[i][j] / det);
        EXPECT_NEAR(stored[(3 * pass + i) * 6 + 3 * pass + j], direct,
                    1e-7 * std::sqrt(std::fabs(
                               static_cast<double>(sigma2 * inv[i][i] / det * inv[j][j] / det))))
            << pass << " " << i << " " << j;
      }
    // The two passes are independent.
    EXPECT_EQ(stored[(3 * pass) * 6 + 3 * (1 - pass)], 0);
  }
}

TEST(FitCovariance, ZeroDegreesOfFreedomLeaveTheFitsShareUnknown) {
  std::mt19937_64 rng(3);
  const auto rows = Rows(kProjective, {{100, 100}, {1500, 120}, {1450, 900}, {120, 950}}, rng, 0.3);
  const FitResult fit = FitTransform(tmProjective, rows, {}, {});
  ASSERT_TRUE(fit.ok);
  const UncertaintyModel model{FitCovarianceOf(tmProjective, rows, fit.Cx, fit.Cy), 0.3};
  EXPECT_EQ(model.fit.share, FitShare::Unknown);
  EXPECT_NE(model.fit.reason.find("自由度が 0"), std::string::npos);
  std::vector<TLine> lines = Groups();
  lines.push_back(Group(ltPoints, 0, {{500, 500}}));
  const ResultUncertainty u = PropagateUncertainty(lines, tmProjective, fit.Cx, fit.Cy, 4, model);
  EXPECT_EQ(u.Reason(), model.fit.reason);
  EXPECT_TRUE(std::isnan(u.LengthSd(0)));
  EXPECT_TRUE(std::isnan(u.AreaSd(1)));
  // An open curve has no area and a set of points neither length nor area: exactly 0.
  EXPECT_EQ(u.AreaSd(2), 0);
  EXPECT_EQ(u.LengthSd(3), 0);
  EXPECT_TRUE(std::isnan(PositionUncertainty(model, tmProjective, fit.Cx, fit.Cy, 500, 500).x));
}

TEST(FitCovariance, ReferenceLineAndNoTransform) {
  // "無変換": only the clicks, 0.3 pixels in each coordinate.
  const std::vector<double> ncx{0, 1, 0}, ncy{1000, 0, -1};
  const UncertaintyModel none{TransformCovariance(tmNone, {}, ncx, ncy, false, 0, 0.3), 0.3};
  const PositionSd p = PositionUncertainty(none, tmNone, ncx, ncy, 10, 20);
  EXPECT_DOUBLE_EQ(p.x, 0.3);
  EXPECT_DOUBLE_EQ(p.y, 0.3);
  // The reference line 100 pixels long for 50 m: s = 0.5. A line of 1000 pixels along x is
  // 500 m, with the scale's share 500·√2·0.3/100 and its ends' share 0.5·√2·0.3.
  const std::vector<double> cx{0, 0.5, 0}, cy{500, 0, -0.5};
  const UncertaintyModel ref{TransformCovariance(tmLinear, {}, cx, cy, false, 100, 0.3), 0.3};
  ASSERT_EQ(ref.fit.share, FitShare::Known);
  const std::vector<TLine> lines{Group(ltCurve, 0, {{0, 10}, {1000, 10}})};
  const ResultUncertainty u = PropagateUncertainty(lines, tmLinear, cx, cy, 4, ref);
  const double scale = 500 * std::sqrt(2.0) * 0.3 / 100, ends = 0.5 * std::sqrt(2.0) * 0.3;
  EXPECT_NEAR(u.LengthSd(0), std::hypot(scale, ends), 1e-12);
  // Unknown length of the reference line (a project read from a file).
  const UncertaintyModel unknown{TransformCovariance(tmLinear, {}, cx, cy, false, 0, 0.3), 0.3};
  EXPECT_EQ(unknown.fit.share, FitShare::Unknown);
  EXPECT_TRUE(std::isnan(PropagateUncertainty(lines, tmLinear, cx, cy, 4, unknown).LengthSd(0)));
}

}  // namespace
}  // namespace zelko
