#include "coords/ls_solution.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace zelko {
namespace {

constexpr double kTol = 1e-13;

TEST(QRDecompose, SingleColumnIsNormalised) {
  // Column (3, 4): norm 5, unit vector (0.6, 0.8); the fit of 3c ≈ 1, 4c ≈ 2 is 11/25.
  RealMatrix a{{3}, {4}};
  std::vector<double> b{1, 2}, x{99}, w{0};
  TIntVector pivot;
  RealMatrix r;
  RealMatrix copy = a;
  std::vector<double> w2{0};
  EXPECT_EQ(QRDecompose(2, 1, copy, kRankTolerance, pivot, r, w2), 1);
  EXPECT_EQ(pivot, (TIntVector{1}));
  EXPECT_DOUBLE_EQ(r[0][0], 5);
  EXPECT_DOUBLE_EQ(copy[0][0], 0.6);
  EXPECT_DOUBLE_EQ(copy[1][0], 0.8);
  EXPECT_DOUBLE_EQ(w2[0], 25);

  std::string message = "stale";
  ASSERT_TRUE(LeastSquaresSolve(2, 1, a, x, b, w, &message));
  EXPECT_TRUE(message.empty());
  EXPECT_NEAR(x[0], 0.44, kTol);
  // b keeps the residual (1 − 1.32, 2 − 1.76).
  EXPECT_NEAR(b[0], -0.32, kTol);
  EXPECT_NEAR(b[1], 0.24, kTol);
}

TEST(QRDecompose, CollinearColumnsGiveTheBasicSolution) {
  // Columns 1, x, y with y = x at x = 1, 2, 3; b = 1 + 2x. The x and y columns tie at step 1
  // (squared norm 14), so x is taken first and y is the dependent one.
  const RealMatrix a{{1, 1, 1}, {1, 2, 2}, {1, 3, 3}};
  RealMatrix q = a;
  TIntVector pivot;
  RealMatrix r;
  std::vector<double> w(3);
  ASSERT_EQ(QRDecompose(3, 3, q, kRankTolerance, pivot, r, w), 2);
  EXPECT_EQ(pivot, (TIntVector{2, 1, 3}));
  EXPECT_NEAR(r[0][0], std::sqrt(14.0), kTol);
  EXPECT_NEAR(r[0][1], 6 / std::sqrt(14.0), kTol);
  EXPECT_NEAR(r[0][2], std::sqrt(14.0), kTol);
  // What remains of the constant column: (4, 1, −2) / 7, squared norm 3/7.
  EXPECT_NEAR(r[1][1], std::sqrt(3.0 / 7), kTol);
  EXPECT_DOUBLE_EQ(w[0], 14);
  EXPECT_NEAR(w[1], 1.0 / 7, kTol);  // remaining part relative to the initial norm 3

  RealMatrix a2 = a;
  std::vector<double> b{3, 5, 7}, x(3, 99), work(3);
  std::string message;
  ASSERT_TRUE(LeastSquaresSolve(3, 3, a2, x, b, work, &message));
  EXPECT_TRUE(message.empty());
  EXPECT_NEAR(x[0], 1, kTol);
  EXPECT_NEAR(x[1], 2, kTol);
  EXPECT_EQ(x[2], 0);
}

TEST(QRDecompose, RankTestIsRelativeToTheInitialNorm) {
  // Columns (1, 0) and (1, d): after the first, d² remains of a squared norm of about 1.
  for (const auto& [d, rank] : {std::pair{1e-13, 2}, std::pair{1e-15, 1}}) {
    RealMatrix a{{1, 1}, {0, d}};
    TIntVector pivot;
    RealMatrix r;
    std::vector<double> w(2);
    EXPECT_EQ(QRDecompose(2, 2, a, kRankTolerance, pivot, r, w), rank) << d;
  }
}

TEST(QRDecompose, ZeroColumnIsNeverChosenWhileOthersRemain) {
  // Columns 1, 0, x at x = 1, 2, 3; b = 5 + 2x. The x column leads, the constant one follows
  // (ratio 1/7), and the zero column ends the decomposition with rank 2.
  const RealMatrix a{{1, 0, 1}, {1, 0, 2}, {1, 0, 3}};
  RealMatrix q = a;
  TIntVector pivot;
  RealMatrix r;
  std::vector<double> w(3);
  ASSERT_EQ(QRDecompose(3, 3, q, kRankTolerance, pivot, r, w), 2);
  EXPECT_EQ(pivot, (TIntVector{3, 1, 2}));
  // The first row of R follows its columns when positions 2 and 3 are exchanged.
  EXPECT_NEAR(r[0][1], 6 / std::sqrt(14.0), kTol);
  EXPECT_EQ(r[0][2], 0);
  EXPECT_NEAR(r[1][1], std::sqrt(3.0 / 7), kTol);

  RealMatrix a2 = a;
  std::vector<double> b{7, 9, 11}, x(3, 99), work(3);
  ASSERT_TRUE(LeastSquaresSolve(3, 3, a2, x, b, work));
  EXPECT_NEAR(x[0], 5, kTol);
  EXPECT_EQ(x[1], 0);
  EXPECT_NEAR(x[2], 2, kTol);
}

TEST(QRDecompose, PivotRuleAndTies) {
  {
    // Squared norms 1, 4, 4: the tie at step 1 goes to position 2; at step 2 both remaining
    // columns keep all of their norm (ratio 1) and the earlier position wins again.
    RealMatrix a{{1, 0, 0}, {0, 2, 0}, {0, 0, 2}};
    TIntVector pivot;
    RealMatrix r;
    std::vector<double> w(3);
    ASSERT_EQ(QRDecompose(3, 3, a, kRankTolerance, pivot, r, w), 3);
    EXPECT_EQ(pivot, (TIntVector{2, 1, 3}));
    EXPECT_DOUBLE_EQ(r[0][0], 2);
    EXPECT_DOUBLE_EQ(r[1][1], 1);
    EXPECT_DOUBLE_EQ(r[2][2], 2);
  }
  {
    // Columns (10, 0, 0), (9, 3, 0), (0, 0, 2). After the first, (0, 3, 0) remains of the second
    // (9 of 90, ratio 0.1) and all of the third (4 of 4): the third goes first although its
    // remaining norm is smaller.
    const RealMatrix a{{10, 9, 0}, {0, 3, 0}, {0, 0, 2}};
    RealMatrix q = a;
    TIntVector pivot;
    RealMatrix r;
    std::vector<double> w(3);
    ASSERT_EQ(QRDecompose(3, 3, q, kRankTolerance, pivot, r, w), 3);
    EXPECT_EQ(pivot, (TIntVector{1, 3, 2}));
    EXPECT_DOUBLE_EQ(r[0][0], 10);
    EXPECT_DOUBLE_EQ(r[0][1], 0);
    EXPECT_DOUBLE_EQ(r[0][2], 9);
    EXPECT_DOUBLE_EQ(r[1][1], 2);
    EXPECT_DOUBLE_EQ(r[1][2], 0);
    EXPECT_DOUBLE_EQ(r[2][2], 3);

    RealMatrix a2 = a;
    std::vector<double> b{28, 6, 6}, x(3), work(3);
    ASSERT_TRUE(LeastSquaresSolve(3, 3, a2, x, b, work));
    EXPECT_NEAR(x[0], 1, kTol);
    EXPECT_NEAR(x[1], 2, kTol);
    EXPECT_NEAR(x[2], 3, kTol);
  }
}

TEST(LeastSquaresSolve, RankZeroReportsAndLeavesTheSolution) {
  RealMatrix a{{0, 0}, {0, 0}, {0, 0}};
  std::vector<double> b{1, 2, 3}, x{7, 8}, w(2);
  std::string message;
  EXPECT_TRUE(LeastSquaresSolve(3, 2, a, x, b, w, &message));
  EXPECT_EQ(message, "ヤコビアンが0に近くなりました。");
  EXPECT_EQ(x, (std::vector<double>{7, 8}));
}

TEST(LeastSquaresSolve, ArithmeticFaultsAndBadShapesFailSilently) {
  std::string message;
  {
    // Squared norms beyond the range of a double.
    RealMatrix a{{1, 1e200}, {1, 2e200}, {1, 3e200}};
    std::vector<double> b{1, 2, 3}, x(2), w(2);
    EXPECT_FALSE(LeastSquaresSolve(3, 2, a, x, b, w, &message));
    EXPECT_TRUE(message.empty());
  }
  {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    RealMatrix a{{1, 1}, {1, nan}, {1, 3}};
    std::vector<double> b{1, 2, 3}, x(2), w(2);
    EXPECT_FALSE(LeastSquaresSolve(3, 2, a, x, b, w, &message));
  }
  {
    RealMatrix a{{1, 1}, {1, 2}, {1, 3}};
    std::vector<double> b{1, std::numeric_limits<double>::infinity(), 3}, x(2), w(2);
    EXPECT_FALSE(LeastSquaresSolve(3, 2, a, x, b, w, &message));
  }
  {
    RealMatrix a{{1, 1}, {1}};  // a short row
    std::vector<double> b{1, 2}, x(2), w(2);
    EXPECT_FALSE(LeastSquaresSolve(2, 2, a, x, b, w, &message));
    RealMatrix ok{{1, 1}, {1, 2}};
    std::vector<double> shortB{1};
    EXPECT_FALSE(LeastSquaresSolve(2, 2, ok, x, shortB, w, &message));
  }
}

}  // namespace
}  // namespace zelko
