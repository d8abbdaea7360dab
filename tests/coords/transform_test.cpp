#include "coords/transform.h"

#include <gtest/gtest.h>

#include <vector>

#include "coords/simple_methods.h"
#include "document/numbers.h"

namespace zelko {
namespace {

TEST(EvaluateTransform, StoredTermOrderOfEveryMethod) {
  // At (2, 3) the terms are 1, x=2, y=3, xy=6, x²=4, y²=9, x³=8, x²y=12, xy²=18, y³=27.
  const std::vector<double> three{1, 2, 3};
  for (int method : {tmNone, tmLinear, tmAffine})
    EXPECT_DOUBLE_EQ(EvaluateTransform(method, three, 2, 3), 1 + 4 + 9);
  EXPECT_DOUBLE_EQ(EvaluateTransform(tmBilinear, {1, 2, 3, 4}, 2, 3), 1 + 4 + 9 + 24);
  // Method 4 stores x·y before x² and y², unlike its caption.
  EXPECT_DOUBLE_EQ(EvaluateTransform(tmQuadratic, {1, 2, 3, 4, 5, 6}, 2, 3),
                   1 + 4 + 9 + 4 * 6 + 5 * 4 + 6 * 9);
  EXPECT_DOUBLE_EQ(EvaluateTransform(tmCubic, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 2, 3),
                   1 + 4 + 9 + 4 * 4 + 5 * 6 + 6 * 9 + 7 * 8 + 8 * 12 + 9 * 18 + 10 * 27);
}

TEST(EvaluateTransform, SumsInExtendedPrecision) {
  // In doubles 1e16 + 1 + 1 stays 1e16; the extended sum reaches 1e16 + 2.
  EXPECT_EQ(EvaluateTransform(tmAffine, {1e16, 1, 1}, 1, 1), 10000000000000002.0);
}

TEST(EvaluateTransform, AtViewAndSlopesFollowThePlacement) {
  // XB0 = 1, YB0 = 2, factor 2: view (3, 4) is image (2, 3).
  const ViewPlacement view{1, 2, 2};
  const std::vector<double> cubic{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  EXPECT_DOUBLE_EQ(EvaluateTransformAtView(tmCubic, cubic, view, 3, 4), 698);
  // dF/dx = 2 + 2·4·2 + 5·3 + 3·7·4 + 2·8·6 + 9·9 = 294, per view pixel 294 / 2.
  EXPECT_DOUBLE_EQ(TransformSlopeX(tmCubic, cubic, view, 3, 4), 147);
  // dF/dy = 3 + 5·2 + 2·6·3 + 8·4 + 2·9·6 + 3·10·9 = 459.
  EXPECT_DOUBLE_EQ(TransformSlopeY(tmCubic, cubic, view, 3, 4), 229.5);

  const std::vector<double> quadratic{1, 2, 3, 4, 5, 6};
  EXPECT_DOUBLE_EQ(TransformSlopeX(tmQuadratic, quadratic, view, 3, 4),
                   (2 + 4 * 3 + 2 * 5 * 2) / 2.0);
  EXPECT_DOUBLE_EQ(TransformSlopeY(tmQuadratic, quadratic, view, 3, 4),
                   (3 + 4 * 2 + 2 * 6 * 3) / 2.0);
  EXPECT_DOUBLE_EQ(TransformSlopeX(tmBilinear, {1, 2, 3, 4}, view, 3, 4), (2 + 4 * 3) / 2.0);
  EXPECT_DOUBLE_EQ(TransformSlopeY(tmBilinear, {1, 2, 3, 4}, view, 3, 4), (3 + 4 * 2) / 2.0);
  EXPECT_DOUBLE_EQ(TransformSlopeX(tmAffine, {1, 2, 3}, view, 3, 4), 1);
  EXPECT_DOUBLE_EQ(TransformSlopeY(tmAffine, {1, 2, 3}, view, 3, 4), 1.5);
}

TEST(EvaluateTransform, NeverReadsBeyondShortCoefficients) {
  EXPECT_EQ(EvaluateTransform(tmCubic, {1, 2, 3}, 2, 3), 0);
  EXPECT_EQ(TransformSlopeX(tmQuadratic, {1, 2, 3, 4}, {}, 2, 3), 0);
}

TEST(SimpleMethods, NoTransformAtHalfMagnification) {
  // An image of height 600 shown at 0.5 has a working height of 300.
  const auto c = NoTransformCoefficients(300, 0.5);
  EXPECT_EQ(c.Cx, (std::vector<double>{0, 1, 0}));
  EXPECT_EQ(c.Cy, (std::vector<double>{600, 0, -1}));
  EXPECT_DOUBLE_EQ(EvaluateTransform(tmNone, c.Cx, 10, 100), 10);
  EXPECT_DOUBLE_EQ(EvaluateTransform(tmNone, c.Cy, 10, 100), 500);
}

TEST(SimpleMethods, ReferenceLengthScalesBothAxes) {
  // A line of 50 pixels said to be 10 long: s = 0.2.
  const auto r = ReferenceLengthCoefficients("10", {"", 0, 0}, {"", 30, 40}, 600, 1);
  ASSERT_EQ(r.status, ReferenceLengthStatus::Set);
  EXPECT_TRUE(r.message.empty());
  EXPECT_DOUBLE_EQ(EvaluateTransform(tmLinear, r.coefficients.Cx, 100, 50), 20);
  EXPECT_DOUBLE_EQ(EvaluateTransform(tmLinear, r.coefficients.Cy, 100, 50), 110);
  EXPECT_DOUBLE_EQ(r.coefficients.Cy[0], 120);
  EXPECT_DOUBLE_EQ(r.coefficients.Cy[2], -0.2);
}

TEST(SimpleMethods, ReferenceLengthRefusals) {
  const TMarker a{"", 5, 5}, b{"", 8, 9};
  // Cancelling gives "0": nothing set and nothing to say.
  EXPECT_EQ(ReferenceLengthCoefficients("0", a, b, 600, 1).status,
            ReferenceLengthStatus::NotPositive);
  EXPECT_EQ(ReferenceLengthCoefficients("-3", a, b, 600, 1).status,
            ReferenceLengthStatus::NotPositive);
  EXPECT_THROW(ReferenceLengthCoefficients("abc", a, b, 600, 1), ConversionError);
  EXPECT_THROW(ReferenceLengthCoefficients("", a, b, 600, 1), ConversionError);

  const auto same = ReferenceLengthCoefficients("10", a, a, 600, 1);
  EXPECT_EQ(same.status, ReferenceLengthStatus::Failed);
  EXPECT_EQ(same.message, "基準線の両端が同じ位置にあります。\n基準線を指定し直して下さい。");
  EXPECT_TRUE(same.coefficients.Cx.empty());
  // Ends at the same spot and a zero length: the length is looked at first.
  EXPECT_EQ(ReferenceLengthCoefficients("0", a, a, 600, 1).status,
            ReferenceLengthStatus::NotPositive);

  const auto huge = ReferenceLengthCoefficients("1e307", a, b, 600, 0.5);
  EXPECT_EQ(huge.status, ReferenceLengthStatus::Failed);
  EXPECT_EQ(huge.message, "基準線の長さが大きすぎます。");
}

}  // namespace
}  // namespace zelko
