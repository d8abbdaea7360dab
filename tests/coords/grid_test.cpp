#include "coords/grid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelko {
namespace {

std::vector<const GridLine*> Pass(const GridTrace& trace, char pass) {
  std::vector<const GridLine*> lines;
  for (const auto& line : trace.lines)
    if (line.pass == pass) lines.push_back(&line);
  return lines;
}

std::vector<double> Values(const std::vector<const GridLine*>& lines) {
  std::vector<double> values;
  for (const auto* line : lines) values.push_back(line->value);
  return values;
}

// X = x, Y = 300 − y on a 400 × 300 view at the image origin, magnification 1.
const std::vector<double> kCx{0, 1, 0}, kCy{300, 0, -1};

TEST(TraceGrid, NoTransformDrawsStraightLinesAtTheirRowsAndColumns) {
  const auto trace = TraceGrid(tmNone, kCx, kCy, {0, 0, 1}, 400, 300, "100");
  ASSERT_TRUE(trace.ok);
  EXPECT_TRUE(trace.message.empty());
  ASSERT_EQ(trace.lines.size(), 18u);
  EXPECT_EQ(trace.lines.front().pass, 'A');
  EXPECT_EQ(trace.lines.back().pass, 'D');

  for (char pass : {'A', 'B'}) {
    const auto lines = Pass(trace, pass);
    EXPECT_EQ(Values(lines), (std::vector<double>{0, 100, 200, 300})) << pass;
    for (const auto* line : lines) {
      // Y = 0 lies exactly on the bottom border and is drawn like the others.
      const int row = 300 - static_cast<int>(line->value);
      ASSERT_EQ(line->points.size(), 101u);
      for (const auto& p : line->points) EXPECT_EQ(p.y, row);
      // A runs left to right, B right to left.
      EXPECT_EQ(line->points.front().x, pass == 'A' ? 0 : 400);
      EXPECT_EQ(line->points.back().x, pass == 'A' ? 400 : 0);
    }
  }
  for (const auto& p : Pass(trace, 'A')[1]->points) EXPECT_EQ(p.x % 4, 0);

  for (char pass : {'C', 'D'}) {
    const auto lines = Pass(trace, pass);
    EXPECT_EQ(Values(lines), (std::vector<double>{0, 100, 200, 300, 400})) << pass;
    for (const auto* line : lines) {
      ASSERT_EQ(line->points.size(), 101u);
      for (const auto& p : line->points) EXPECT_EQ(p.x, static_cast<int>(line->value));
      // C runs bottom to top, D top to bottom.
      EXPECT_EQ(line->points.front().y, pass == 'C' ? 300 : 0);
      EXPECT_EQ(line->points.back().y, pass == 'C' ? 0 : 300);
    }
  }
}

TEST(TraceGrid, FollowsTheViewPlacement) {
  // Magnification 2, view origin (100, 50) on a working image 600 high: image height 300.
  // Y = 300 − (vy + 50) / 2 spans 275..125 over the view, X = (vx + 100) / 2 spans 50..250.
  const auto trace = TraceGrid(tmNone, kCx, kCy, {100, 50, 2}, 400, 300, "100");
  ASSERT_TRUE(trace.ok);
  ASSERT_EQ(Pass(trace, 'A').size(), 1u);
  EXPECT_EQ(Pass(trace, 'A')[0]->value, 200);
  EXPECT_EQ(Pass(trace, 'A')[0]->points[50], (GridPoint{200, 150}));
  const auto columns = Pass(trace, 'D');
  ASSERT_EQ(Values(columns), (std::vector<double>{100, 200}));
  EXPECT_EQ(columns[0]->points[10], (GridPoint{100, 30}));
  EXPECT_EQ(columns[1]->points[10], (GridPoint{300, 30}));
}

TEST(TraceGrid, SamplesOutsideTheViewAreSkipped) {
  // Y = x − y: the line Y = 0 is the diagonal vy = vx, which leaves the 400 × 300 view at the
  // bottom-right corner (300, 300). Samples beyond it fail and draw nothing.
  const auto trace = TraceGrid(tmAffine, kCx, {0, 1, -1}, {0, 0, 1}, 400, 300, "100");
  ASSERT_TRUE(trace.ok);
  const auto fromLeft = Pass(trace, 'A');
  ASSERT_EQ(Values(fromLeft), (std::vector<double>{-300, -200, -100, 0}));
  const auto& diagonal = fromLeft[3]->points;
  ASSERT_EQ(diagonal.size(), 76u);  // vx = 0, 4, …, 300
  EXPECT_EQ(diagonal.front(), (GridPoint{0, 0}));
  EXPECT_EQ(diagonal.back(), (GridPoint{300, 300}));
  // Y = −300 meets the view only at its bottom-left corner.
  EXPECT_EQ(fromLeft[0]->points, (std::vector<GridPoint>{{0, 300}}));
  // The right edge spans Y = 100..400; Y = 100 (vy = vx − 100) runs from the bottom-right
  // corner to the top border at vx = 100, Y = 400 touches only the top-right corner.
  const auto fromRight = Pass(trace, 'B');
  ASSERT_EQ(Values(fromRight), (std::vector<double>{100, 200, 300, 400}));
  ASSERT_EQ(fromRight[0]->points.size(), 76u);
  EXPECT_EQ(fromRight[0]->points.front(), (GridPoint{400, 300}));
  EXPECT_EQ(fromRight[0]->points.back(), (GridPoint{100, 0}));
  EXPECT_EQ(fromRight[3]->points, (std::vector<GridPoint>{{400, 0}}));
}

TEST(TraceGrid, MirroredXTracesOneLinePerXPass) {
  // X = 400 − x decreases to the right.
  const auto trace = TraceGrid(tmAffine, {400, -1, 0}, kCy, {0, 0, 1}, 400, 300, "100");
  ASSERT_TRUE(trace.ok);
  EXPECT_EQ(Values(Pass(trace, 'C')), (std::vector<double>{400}));
  EXPECT_EQ(Values(Pass(trace, 'D')), (std::vector<double>{400}));
  EXPECT_EQ(Pass(trace, 'C')[0]->points.front(), (GridPoint{0, 300}));
  EXPECT_EQ(Pass(trace, 'A').size(), 4u);
  EXPECT_EQ(Pass(trace, 'B').size(), 4u);
}

TEST(TraceGrid, UnusableIntervalsAndCoefficientsFailTheWholeDrawing) {
  for (const std::string text : {"0", "abc", "-100", "", "1e-300"}) {
    const auto trace = TraceGrid(tmNone, kCx, kCy, {0, 0, 1}, 400, 300, text);
    EXPECT_FALSE(trace.ok) << text;
    EXPECT_EQ(trace.message, "グリッド描画でエラー発生") << text;
    EXPECT_TRUE(trace.lines.empty()) << text;
  }
  // After a change to the third-order method the three coefficients are too few.
  EXPECT_FALSE(TraceGrid(tmCubic, kCx, kCy, {0, 0, 1}, 400, 300, "100").ok);
  // A non-finite value at a corner (magnification 0) is an arithmetic failure.
  EXPECT_FALSE(TraceGrid(tmNone, kCx, kCy, {0, 0, 0}, 400, 300, "100").ok);
}

TEST(TraceGrid, AtMostOneLinePerPixelOfTheEntryEdge) {
  // Interval 1 over 300 rows: Y = 0..300 is 301 lines, one per pixel row, still drawn.
  const auto dense = TraceGrid(tmNone, kCx, kCy, {0, 0, 1}, 400, 300, "1");
  ASSERT_TRUE(dense.ok);
  EXPECT_EQ(Pass(dense, 'A').size(), 301u);
  EXPECT_EQ(Pass(dense, 'C').size(), 401u);
  // Denser lines would only fill the view; such an interval is refused at once.
  EXPECT_FALSE(TraceGrid(tmNone, kCx, kCy, {0, 0, 1}, 400, 300, "0.5").ok);
  EXPECT_FALSE(TraceGrid(tmNone, kCx, kCy, {0, 0, 1}, 400, 300, "0.0001").ok);
}

}  // namespace
}  // namespace zelko
