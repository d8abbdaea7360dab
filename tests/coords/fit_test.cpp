#include "coords/fit.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "coords/fit_report.h"
#include "coords/transform.h"
#include "document/numbers.h"

namespace zelko {
namespace {

std::string Text(double v) {
  char buf[32];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// A table row as the window writes it: image coordinates with one decimal.
MarkerRowText Row(double x, double y, const std::string& physicalX, const std::string& physicalY) {
  return {FormatFixed(x, 1), FormatFixed(y, 1), physicalX, physicalY};
}

void ExpectCoefficients(const std::vector<double>& actual, const std::vector<double>& expected,
                        double tol) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(actual[i], expected[i], tol) << i;
}

TEST(FitTransform, SecondOrderTermFourIsXSquared) {
  std::vector<MarkerRowText> rows;
  for (int x = 0; x <= 30; x += 10)
    for (int y = 0; y <= 20; y += 10) rows.push_back(Row(x, y, Text(x * x), Text(y)));
  const auto fit = FitTransform(tmQuadratic, rows, {}, {});
  ASSERT_TRUE(fit.ok);
  EXPECT_TRUE(fit.message.empty());
  ExpectCoefficients(fit.Cx, {0, 0, 0, 0, 1, 0}, 1e-9);
  ExpectCoefficients(fit.Cy, {0, 0, 1, 0, 0, 0}, 1e-9);
}

TEST(FitTransform, RecoversEveryCubicTerm) {
  // X = 1 + 2x + 3y + 0.5x² − 0.25xy + 0.125y² + 0.01x³ − 0.02x²y + 0.03xy² − 0.04y³.
  auto f = [](double x, double y) {
    return 1 + 2 * x + 3 * y + 0.5 * x * x - 0.25 * x * y + 0.125 * y * y + 0.01 * x * x * x -
           0.02 * x * x * y + 0.03 * x * y * y - 0.04 * y * y * y;
  };
  std::vector<MarkerRowText> rows;
  for (int x = 0; x <= 4; ++x)
    for (int y = 0; y <= 4; ++y) rows.push_back(Row(x, y, Text(f(x, y)), Text(7 - x * y)));
  const auto fit = FitTransform(tmCubic, rows, {}, {});
  ASSERT_TRUE(fit.ok);
  ExpectCoefficients(fit.Cx, {1, 2, 3, 0.5, -0.25, 0.125, 0.01, -0.02, 0.03, -0.04}, 1e-9);
  ExpectCoefficients(fit.Cy, {7, 0, 0, 0, -1, 0, 0, 0, 0, 0}, 1e-9);
}

TEST(FitTransform, CollinearMarkersLeaveTheDependentTermZero) {
  // Every marker lies on y = x; the x column is taken first, so y gets coefficient 0.
  std::vector<MarkerRowText> rows;
  for (int x = 1; x <= 4; ++x) rows.push_back(Row(x, x, Text(1 + 2 * x), Text(5 - x)));
  const auto fit = FitTransform(tmAffine, rows, {}, {});
  ASSERT_TRUE(fit.ok);
  EXPECT_TRUE(fit.message.empty());
  ExpectCoefficients(fit.Cx, {1, 2, 0}, 1e-12);
  ExpectCoefficients(fit.Cy, {5, -1, 0}, 1e-12);
  EXPECT_EQ(fit.Cx[2], 0);
}

TEST(FitTransform, NeedsMoreUsableRowsThanCoefficients) {
  std::vector<MarkerRowText> rows{Row(0, 0, "0", "0"), Row(10, 0, "1", "0"), Row(0, 10, "0", "1")};
  // Previous coefficients of another length: resized, old values kept, new ones 0.
  const std::vector<double> oldCx{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, oldCy{7};
  auto fit = FitTransform(tmAffine, rows, oldCx, oldCy);
  EXPECT_FALSE(fit.ok);
  EXPECT_EQ(fit.message,
            "マーカー数が足りないか、マーカーの\n物理座標が正しく入力されていません。");
  EXPECT_EQ(fit.Cx, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(fit.Cy, (std::vector<double>{7, 0, 0}));

  rows.push_back(Row(10, 10, "1", "1"));
  fit = FitTransform(tmAffine, rows, oldCx, oldCy);
  ASSERT_TRUE(fit.ok);
  EXPECT_TRUE(fit.message.empty());
  ExpectCoefficients(fit.Cx, {0, 0.1, 0}, 1e-12);
  ExpectCoefficients(fit.Cy, {0, 0, 0.1}, 1e-12);
}

TEST(FitTransform, EachPassSkipsItsOwnUnusableRows) {
  const std::vector<MarkerRowText> rows{
      Row(0, 0, "0", "0"),     Row(10, 0, "10", "0"),    Row(0, 10, "0", ""),
      Row(10, 10, "10", "10"), {"abc", "5.0", "3", "3"},  // image x is no number: in neither pass
      {"5.0", "5.0", "", "5"},                            // no physical X: Y pass only
  };
  auto fit = FitTransform(tmAffine, rows, {9, 9, 9}, {8, 8, 8});
  // X has rows 1, 2, 3, 4 (0-based 0..3); Y has 0, 1, 3, 5.
  ASSERT_TRUE(fit.ok);
  EXPECT_EQ(fit.rowsX, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(fit.rowsY, (std::vector<int>{0, 1, 3, 5}));
  ExpectCoefficients(fit.Cx, {0, 1, 0}, 1e-12);
  ExpectCoefficients(fit.Cy, {0, 0, 1}, 1e-12);

  // Without the last row the Y pass alone runs short; Cx already holds the new fit.
  const std::vector<MarkerRowText> fewer(rows.begin(), rows.end() - 1);
  fit = FitTransform(tmAffine, fewer, {9, 9, 9}, {8, 8, 8});
  EXPECT_FALSE(fit.ok);
  EXPECT_EQ(fit.message, "マーカー数が足りません。");
  ExpectCoefficients(fit.Cx, {0, 1, 0}, 1e-12);
  EXPECT_EQ(fit.Cy, (std::vector<double>{8, 8, 8}));
}

TEST(FitTransform, SolverFaultIsReported) {
  // x³ of 1e200 is no double: the solver's arithmetic fault ends the fit with its own message.
  std::vector<MarkerRowText> rows;
  for (int i = 0; i < 12; ++i) rows.push_back(Row(i, i % 3, Text(i), Text(i)));
  rows[5].imageX = "1e200";
  const auto fit = FitTransform(tmCubic, rows, {1, 2, 3}, {4, 5, 6});
  EXPECT_FALSE(fit.ok);
  EXPECT_TRUE(fit.fault);
  EXPECT_EQ(fit.message,
            "変換式の計算中に演算エラーが発生しました。\nマーカーの座標の値を確かめて下さい。");
  EXPECT_EQ(fit.Cx, (std::vector<double>{1, 2, 3, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(FitTransform, OnlyTheFittedMethods) {
  const std::vector<MarkerRowText> rows(10, Row(1, 2, "3", "4"));
  for (int method : {0, 1, 7, -1}) {
    const auto fit = FitTransform(method, rows, {1, 2, 3}, {4, 5, 6});
    EXPECT_FALSE(fit.ok);
    EXPECT_TRUE(fit.message.empty());
    EXPECT_EQ(fit.Cx, (std::vector<double>{1, 2, 3}));
  }
}

TEST(FitReport, ResidualsAndRms) {
  // A plane through (0,0)→0, (1,0)→1, (0,1)→0, (1,1)→2 fits −0.25 + 1.5x + 0.5y, off by
  // ∓0.25 at every corner. Row 5 has no physical X; Y = y exactly.
  const std::vector<MarkerRowText> rows{Row(0, 0, "0", "0"), Row(1, 0, "1", "0"),
                                        Row(0, 1, "0", "1"), Row(1, 1, "2", "1"),
                                        Row(2, 2, "", "2")};
  const auto report = BuildFitReport(tmAffine, rows);
  ASSERT_TRUE(report.ok);
  ExpectCoefficients(report.cx, {-0.25, 1.5, 0.5}, 1e-12);
  ExpectCoefficients(report.cy, {0, 0, 1}, 1e-12);
  ASSERT_EQ(report.residuals.size(), 5u);
  const double expected[] = {-0.25, 0.25, 0.25, -0.25};
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(report.residuals[r].row, r + 1);
    ASSERT_TRUE(report.residuals[r].dx.has_value());
    EXPECT_NEAR(*report.residuals[r].dx, expected[r], 1e-12);
    ASSERT_TRUE(report.residuals[r].dy.has_value());
    EXPECT_NEAR(*report.residuals[r].dy, 0, 1e-12);
  }
  EXPECT_FALSE(report.residuals[4].dx.has_value());
  EXPECT_TRUE(report.residuals[4].dy.has_value());
  EXPECT_NEAR(report.rmsX, 0.25, 1e-12);
  EXPECT_NEAR(report.rmsY, 0, 1e-12);

  const auto failed = BuildFitReport(tmBilinear, rows);
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.message, kFitShortageXMessage);
  EXPECT_TRUE(failed.residuals.empty());
}

TEST(FitReport, TextAndJsonLayout) {
  FitReport report;
  report.method = 2;
  report.ok = true;
  report.cx = {-0.25, 1.5, 0.5};
  report.cy = {0, 0, 1};
  report.residuals = {{1, -0.25, 0, -0.5, std::nullopt},
                      {2, std::nullopt, 1e-17, std::nullopt, 2},
                      {3, 0.125, std::nullopt, 0.25, std::nullopt}};
  report.rmsX = 0.25;
  report.rmsY = 3e-5;
  report.rms = 0.5;
  report.dof = -2;
  report.layout = FitLayout::OneLine;
  report.folds = true;
  report.mirrored = true;
  report.coverage = 0.5;
  report.spreadRatio = 0.25;
  report.notNumeric = {2, 4};
  EXPECT_EQ(FormatFitReportJson(report),
            "{\"method\": 2, \"cx\": [-0.25, 1.5, 0.5], \"cy\": [0, 0, 1], \"residuals\": "
            "[{\"row\": 1, \"dx\": -0.25, \"dy\": 0, \"loo_dx\": -0.5, \"loo_dy\": null}, "
            "{\"row\": 2, \"dx\": null, \"dy\": 1e-17, \"loo_dx\": null, \"loo_dy\": 2}, "
            "{\"row\": 3, \"dx\": 0.125, \"dy\": null, \"loo_dx\": 0.25, \"loo_dy\": null}], "
            "\"rms_x\": 0.25, \"rms_y\": 3e-05, \"rms\": 0.5, \"dof\": -2, \"layout\": "
            "\"one_line\", \"folds\": true, \"vanishing_line\": false, \"mirrors\": true, "
            "\"coverage\": 0.5, \"spread\": 0.25, \"not_numeric\": [2, 4]}\n");
  EXPECT_EQ(FormatFitReportText(report),
            "method: 2\n"
            "cx: -0.25 1.5 0.5\n"
            "cy: 0 0 1\n"
            "1 -0.25 0 -0.5 -\n"
            "2 - 1e-17 - 2\n"
            "3 0.125 - 0.25 -\n"
            "rms_x: 0.25\n"
            "rms_y: 3e-05\n"
            "rms: 0.5\n"
            "dof: -2\n"
            "layout: one_line\n"
            "folds: yes\n"
            "vanishing_line: no\n"
            "mirrors: yes\n"
            "coverage: 0.5\n"
            "spread: 0.25\n"
            "not_numeric: 2 4\n");
}

}  // namespace
}  // namespace zelko
