#include "coords/fit_quality.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "coords/transform.h"
#include "document/numbers.h"

namespace zelko {
namespace {

MarkerRowText Row(double x, double y, double X, double Y) {
  return {FormatFixed(x, 1), FormatFixed(y, 1), FormatGeneral15(X), FormatGeneral15(Y)};
}

FitQuality Assess(int method, const std::vector<MarkerRowText>& rows,
                  const std::optional<ImageExtent>& image = std::nullopt) {
  const FitResult fit = FitTransform(method, rows, {}, {});
  EXPECT_TRUE(fit.ok) << fit.message;
  return AssessFit(method, rows, fit, image);
}

TEST(NonNumericMarkerCells, ListsTypedTextThatIsNoNumberButNotEmptyCells) {
  const std::vector<MarkerRowText> rows{{"1.0", "2.0", "3", "4"},
                                        {"1.0", "2.0", "５", "1,5"},
                                        {"1.0", "2.0", "", " "},
                                        {"x", "2.0", " 7 ", "8"}};
  const auto faults = NonNumericMarkerCells(rows);
  ASSERT_EQ(faults.size(), 3u);
  EXPECT_EQ(faults[0].row, 1);
  EXPECT_EQ(faults[0].col, 3);
  EXPECT_EQ(faults[1].row, 1);
  EXPECT_EQ(faults[1].col, 4);
  EXPECT_EQ(faults[2].row, 3);
  EXPECT_EQ(faults[2].col, 1);
  // Each marker is named once, by its number.
  EXPECT_EQ(NonNumericMarkersMessage(faults),
            "マーカー 2, 4 の座標が数値ではありません。\nこのマーカーは変換式の計算に使われません。"
            "\n座標は半角の数字で、小数点には「.」を使って下さい。");
  EXPECT_EQ(NonNumericMarkersMessage({}), "");
}

TEST(AssessFit, MarkerLayoutsThatCannotDetermineTheFit) {
  // Five markers at one spot: the solver still returns coefficients, but of rank 1.
  std::vector<MarkerRowText> spot(5, Row(10, 20, 5, 5));
  const FitResult spotFit = FitTransform(tmAffine, spot, {}, {});
  ASSERT_TRUE(spotFit.ok);
  EXPECT_EQ(spotFit.rankX, 1);
  FitQuality q = AssessFit(tmAffine, spot, spotFit);
  EXPECT_EQ(q.layout, FitLayout::OneSpot);
  EXPECT_EQ(FitWarningMessage(q),
            "すべてのマーカーがほぼ同じ位置にあるため、変換式が定まりません。\n"
            "マーカーを増やすか、配置や変換式を見直して下さい。");

  // On the line y = 0.37x + 3, typed to 0.1 pixel, so not exactly on it: the rank is full and
  // only the layout shows the fault. Every method is hit, the cubic included.
  std::vector<MarkerRowText> line;
  for (int i = 0; i < 12; ++i) line.push_back(Row(17.0 * i, 0.37 * 17 * i + 3, i, 2 * i));
  for (int method : {tmAffine, tmBilinear, tmQuadratic, tmCubic})
    EXPECT_EQ(Assess(method, line).layout, FitLayout::OneLine) << method;

  // Twelve markers on the circle x² + y² = 25: a second-order fit cannot tell x² + y² from the
  // constant, and only the solver's rank shows it.
  std::vector<MarkerRowText> circle;
  for (auto [x, y] : {std::pair{5, 0},
                      {-5, 0},
                      {0, 5},
                      {0, -5},
                      {3, 4},
                      {-3, 4},
                      {3, -4},
                      {-3, -4},
                      {4, 3},
                      {-4, 3},
                      {4, -3},
                      {-4, -3}})
    circle.push_back(Row(x + 50, y + 50, x, y));
  const FitResult circleFit = FitTransform(tmQuadratic, circle, {}, {});
  ASSERT_TRUE(circleFit.ok);
  EXPECT_EQ(circleFit.rankX, 5);
  q = AssessFit(tmQuadratic, circle, circleFit);
  EXPECT_EQ(q.layout, FitLayout::Deficient);
  EXPECT_NE(FitWarningMessage(q).find("係数の一部が定まりません"), std::string::npos);

  // The same markers suit the affine fit; their Y grows down the image as image y does, so the
  // fit mirrors the picture and says so, without calling the fit unsound.
  q = Assess(tmAffine, circle);
  EXPECT_EQ(q.layout, FitLayout::Determined);
  EXPECT_FALSE(q.folds);
  EXPECT_TRUE(q.mirrored);
  EXPECT_EQ(FitWarningMessage(q), "");
  EXPECT_EQ(FitAdviceMessage(q),
            "この変換式は画像を裏返します（X が北、Y が東の測量座標のように、"
            "物理座標の向きが画像と逆です）。面積の符号はすべて逆になります。");
}

TEST(AssessFit, OnlyOneAxisCannotDetermineItsCoefficients) {
  // X is typed for six markers spread over the image, Y only for the four of them that lie on
  // one line: the X pass is sound, the Y pass is not, and the warning says so.
  std::vector<MarkerRowText> rows;
  for (int i = 0; i < 4; ++i) rows.push_back(Row(100.0 * i, 100.0 * i, i, 2 * i));
  for (auto [x, y] : {std::pair{300.0, 0.0}, {0.0, 300.0}})
    rows.push_back({FormatFixed(x, 1), FormatFixed(y, 1), FormatFixed(x / 100, 3), ""});
  const FitResult fit = FitTransform(tmAffine, rows, {}, {});
  ASSERT_TRUE(fit.ok);
  EXPECT_EQ(fit.rankX, 3);
  EXPECT_EQ(fit.rankY, 2);
  const FitQuality q = AssessFit(tmAffine, rows, fit);
  EXPECT_EQ(q.layout, FitLayout::OneLine);
  EXPECT_FALSE(FitWarningMessage(q).empty());
  // Residuals are those of each pass's own rows: Y has none for the rows without Y.
  ASSERT_EQ(q.residuals.size(), rows.size());
  EXPECT_TRUE(q.residuals[4].dx.has_value());
  EXPECT_FALSE(q.residuals[4].dy.has_value());
}

TEST(AssessFit, AFitThatFoldsTheImageOver) {
  // X = x − 0.0002·(x − 50)³ turns back where |x − 50| > 40.8: inside a 100-pixel image, but
  // not between markers at 20..80.
  std::vector<MarkerRowText> rows;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      const double x = 20 + 20 * i, y = 20 + 20 * j;
      rows.push_back(Row(x, y, x - 0.0002 * std::pow(x - 50, 3), y));
    }
  const FitQuality inImage = Assess(tmCubic, rows, ImageExtent{100, 100});
  EXPECT_TRUE(inImage.folds);
  EXPECT_EQ(inImage.layout, FitLayout::Determined);
  EXPECT_EQ(FitWarningMessage(inImage),
            "変換式が画像の中で折り返しています（座標の向きが逆になる部分があります）。\n"
            "マーカーを増やすか、配置や変換式を見直して下さい。");
  EXPECT_FALSE(Assess(tmCubic, rows).folds);

  // A mirror is no fold: image y runs down, physical Y up.
  EXPECT_FALSE(TransformFolds(tmAffine, {0, 1, 0}, {100, 0, -1}, 0, 0, 100, 100));
  EXPECT_TRUE(TransformFolds(tmQuadratic, {0, 0, 0, 0, 1, 0}, {0, 0, 1, 0, 0, 0}, -10, 0, 10, 5));
}

TEST(AssessFit, LeaveOneOutIsTheErrorOfADirectRefitWithoutTheMarker) {
  // A bilinear map with small noise and one mistyped marker (row 4: 10 too large in X).
  std::vector<MarkerRowText> rows;
  const double noise[] = {0.3, -0.2, 0.1, 0.0, -0.3, 0.2, -0.1, 0.25};
  for (int i = 0; i < 8; ++i) {
    const double x = 13.0 * i + 5 * (i % 3), y = 40.0 * (i % 4) + 3 * i;
    rows.push_back(Row(x, y, 2 + 0.5 * x - 0.1 * y + 0.001 * x * y + noise[i] + (i == 3 ? 10 : 0),
                       7 - 0.2 * x + 0.6 * y - noise[i]));
  }
  const FitResult fit = FitTransform(tmBilinear, rows, {}, {});
  ASSERT_TRUE(fit.ok);
  const FitQuality q = AssessFit(tmBilinear, rows, fit);
  ASSERT_EQ(q.residuals.size(), 8u);
  int worst = -1;
  double worstLoo = 0;
  for (int k = 0; k < 8; ++k) {
    std::vector<MarkerRowText> others = rows;
    others.erase(others.begin() + k);
    const FitResult refit = FitTransform(tmBilinear, others, {}, {});
    ASSERT_TRUE(refit.ok);
    const double x = std::stod(rows[k].imageX), y = std::stod(rows[k].imageY);
    const auto& r = q.residuals[k];
    ASSERT_TRUE(r.looDx && r.looDy && r.dx && r.dy);
    EXPECT_NEAR(*r.looDx,
                EvaluateTransform(tmBilinear, refit.Cx, x, y) - std::stod(rows[k].physicalX), 1e-9);
    EXPECT_NEAR(*r.looDy,
                EvaluateTransform(tmBilinear, refit.Cy, x, y) - std::stod(rows[k].physicalY), 1e-9);
    EXPECT_NEAR(*r.dx, EvaluateTransform(tmBilinear, fit.Cx, x, y) - std::stod(rows[k].physicalX),
                1e-9);
    if (std::fabs(*r.looDx) > worstLoo) {
      worstLoo = std::fabs(*r.looDx);
      worst = k;
    }
  }
  EXPECT_EQ(worst, 3);
  // 8 + 8 values, 2 × 4 coefficients.
  EXPECT_EQ(q.observations, 16);
  EXPECT_EQ(q.dof, 8);
  EXPECT_NEAR(q.rms, std::sqrt((q.rmsX * q.rmsX + q.rmsY * q.rmsY) / 2), 1e-12);

  // On the minimum set a refit without a marker is an exact fit of the others and still
  // predicts; it cannot be made with fewer markers than coefficients.
  const std::vector<MarkerRowText> four{Row(0, 0, 0, 0), Row(10, 0, 10, 0), Row(0, 10, 0, 10),
                                        Row(10, 10, 12, 10)};
  const FitQuality minimum = Assess(tmAffine, four);
  ASSERT_TRUE(minimum.residuals[3].looDx.has_value());
  EXPECT_NEAR(*minimum.residuals[3].looDx, -2, 1e-9);
  EXPECT_NEAR(*minimum.residuals[3].dx, -0.5, 1e-9);
  EXPECT_EQ(minimum.dof, 2);
}

TEST(AssessFixed, MarkersAgainstAReferenceLength) {
  // X = 0.5x, Y = 0.5(100 − y); marker 2 is 1 off in X, marker 3 has no physical values.
  const std::vector<MarkerRowText> rows{
      Row(10, 20, 5, 40), Row(40, 60, 21, 20), {"30.0", "30.0", "", ""}};
  const FitQuality q = AssessFixed(tmLinear, rows, {0, 0.5, 0}, {50, 0, -0.5});
  EXPECT_NEAR(*q.residuals[0].dx, 0, 1e-12);
  EXPECT_NEAR(*q.residuals[1].dx, -1, 1e-12);
  EXPECT_NEAR(*q.residuals[1].looDx, -1, 1e-12);
  EXPECT_FALSE(q.residuals[2].dx.has_value());
  EXPECT_EQ(q.observations, 4);
  EXPECT_EQ(q.dof, 4);
  EXPECT_NEAR(q.rms, 0.5, 1e-12);
}

}  // namespace
}  // namespace zelko
