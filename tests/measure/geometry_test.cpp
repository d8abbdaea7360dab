#include "measure/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "coords/transform.h"
#include "document/records.h"
#include "measure/calculation.h"

namespace zelko {
namespace {

TLine MakeLine(std::uint8_t type, const std::vector<XY>& pts, std::uint16_t sort = 0) {
  TLine line;
  line.Sort = sort;
  line.LineType = type;
  for (const XY& p : pts) line.Points.push_back({std::to_string(line.Points.size() + 1), p.x, p.y});
  line.NumPoints = static_cast<int>(line.Points.size());
  return line;
}

// Identity: X = x, Y = y, so the image points are the physical points.
const std::vector<double> kIdentityX{0, 1, 0};
const std::vector<double> kIdentityY{0, 0, 1};

const std::vector<XY> kUnitSquare{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
const std::vector<XY> kUnitSquareClockwise{{0, 1}, {1, 1}, {1, 0}, {0, 0}};
const std::vector<XY> kDegreeSquare{{139, 35}, {139.01, 35}, {139.01, 35.01}, {139, 35.01}};

TEST(Geometry, UnitSquareByKindAndOrientation) {
  std::vector<TLine> lines{MakeLine(ltClosed, kUnitSquare),
                           MakeLine(ltClosed, kUnitSquareClockwise), MakeLine(ltCurve, kUnitSquare),
                           MakeLine(ltPoints, kUnitSquare)};
  for (TLine& l : lines) l.Area = l.Length = 99;  // stale values must be overwritten
  ASSERT_TRUE(CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, 4).ok());
  EXPECT_DOUBLE_EQ(lines[0].Length, 4);
  EXPECT_DOUBLE_EQ(lines[0].Area, 1);
  EXPECT_DOUBLE_EQ(lines[1].Length, 4);
  EXPECT_DOUBLE_EQ(lines[1].Area, -1);
  EXPECT_DOUBLE_EQ(lines[2].Length, 3);
  EXPECT_DOUBLE_EQ(lines[2].Area, 0);
  EXPECT_DOUBLE_EQ(lines[3].Length, 0);
  EXPECT_DOUBLE_EQ(lines[3].Area, 0);
}

TEST(Geometry, MethodZeroMakesYGrowUpwards) {
  // X = x, Y = 100 - y: the square clockwise on the screen is counter-clockwise physically.
  std::vector<TLine> lines{MakeLine(ltClosed, {{0, 0}, {0, 1}, {1, 1}, {1, 0}})};
  ASSERT_TRUE(CalculateLines(lines, tmNone, {0, 1, 0}, {100, 0, -1}, 0).ok());
  EXPECT_DOUBLE_EQ(lines[0].Area, 1);
}

TEST(Geometry, DegenerateClosedCurvesInThePlane) {
  std::vector<TLine> lines{MakeLine(ltClosed, {{2, 3}}), MakeLine(ltClosed, {{0, 0}, {3, 4}}),
                           MakeLine(ltClosed, {})};
  ASSERT_TRUE(CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, 2).ok());
  EXPECT_EQ(lines[0].Length, 0);
  EXPECT_EQ(lines[0].Area, 0);
  EXPECT_DOUBLE_EQ(lines[1].Length, 10);
  EXPECT_EQ(lines[1].Area, 0);
  EXPECT_EQ(lines[2].Length, 0);
  EXPECT_EQ(lines[2].Area, 0);
}

TEST(Geometry, NumPointsLimitsThePointsUsed) {
  TLine line = MakeLine(ltCurve, {{0, 0}, {1, 0}, {1, 5}});
  line.NumPoints = 2;
  std::vector<TLine> lines{line};
  ASSERT_TRUE(CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, 0).ok());
  EXPECT_DOUBLE_EQ(lines[0].Length, 1);
}

TEST(Geometry, EllipsoidDistanceUsesFlatteningAndMinorAxis) {
  EXPECT_NEAR(EllipsoidDistance(139, 35, 140, 35), 91237.92, 0.005);
  EXPECT_NEAR(EllipsoidDistance(139, 35, 139, 36), 111134.68, 0.005);
  EXPECT_EQ(EllipsoidDistance(139, 35, 139, 35), 0);
}

TEST(Geometry, MeridianArcAt35Degrees) {
  EXPECT_NEAR(MeridianArc(Radians(35), std::sqrt(kEccentricitySquared), kSemiMajorAxis), 3874592.90,
              0.005);
  EXPECT_EQ(MeridianArc(0, std::sqrt(kEccentricitySquared), kSemiMajorAxis), 0);
}

TEST(Geometry, ProjectionOriginMapsToZero) {
  const std::vector<XY> p{{139.5, 35.5}, {139.5, 36.5}, {140.5, 35.5}};
  const auto q = ProjectToPlane(p, 139.5, 35.5);
  ASSERT_EQ(q.size(), 3u);
  EXPECT_NEAR(q[0].x, 0, 1e-6);
  EXPECT_NEAR(q[0].y, 0, 1e-6);
  EXPECT_GT(q[1].x, 110000);  // a degree north: north first, about 111 km
  EXPECT_NEAR(q[1].y, 0, 1e-6);
  EXPECT_GT(q[2].y, 90000);  // a degree east
}

TEST(Geometry, DegreeSquareLengthAndSignedArea) {
  std::vector<TLine> lines{MakeLine(ltClosed, kDegreeSquare),
                           MakeLine(ltClosed, {kDegreeSquare.rbegin(), kDegreeSquare.rend()})};
  ASSERT_TRUE(CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, kDegreeUnit).ok());
  EXPECT_NEAR(lines[0].Length, 4047.25, 0.005);
  EXPECT_NEAR(lines[0].Area, 1012492.89, 0.005);
  EXPECT_NEAR(lines[1].Length, 4047.25, 0.005);
  EXPECT_NEAR(lines[1].Area, -1012492.89, 0.005);
}

TEST(Geometry, DegreeCurveWithoutCentroidHasZeroAreaAndOthersGoOn) {
  std::vector<TLine> lines{
      MakeLine(ltClosed, {{139.1, 35.1}, {139.2, 35.2}, {139.3, 35.3}}),             // collinear
      MakeLine(ltClosed, {{139, 35}, {139.01, 35.01}, {139.01, 35}, {139, 35.01}}),  // bow tie
      MakeLine(ltClosed, {{139, 35}}), MakeLine(ltClosed, {{139, 35}, {140, 35}}),
      MakeLine(ltClosed, kDegreeSquare)};
  ASSERT_TRUE(CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, kDegreeUnit).ok());
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(lines[i].Area, 0) << i;
    EXPECT_TRUE(std::isfinite(lines[i].Length)) << i;
  }
  EXPECT_NEAR(lines[3].Length, 2 * 91237.92, 0.01);
  EXPECT_NEAR(lines[4].Area, 1012492.89, 0.005);
}

TEST(Geometry, CentroidOfASmallSquareFarFromTheOrigin) {
  const std::vector<XY> p{
      {139, 35}, {139.0000001, 35}, {139.0000001, 35.0000001}, {139, 35.0000001}};
  const auto c = PolygonCentroid(p);
  ASSERT_TRUE(c);
  EXPECT_NEAR(c->x, 139.00000005, 1e-12);
  EXPECT_NEAR(c->y, 35.00000005, 1e-12);
  EXPECT_FALSE(PolygonCentroid(std::vector<XY>{{0, 0}, {1, 1}}));
}

TEST(Geometry, CalculateRefusesAndChangesNothing) {
  std::vector<TLine> none;
  EXPECT_EQ(CalculateLines(none, tmAffine, kIdentityX, kIdentityY, 0).status,
            CalculateStatus::NoGroups);

  std::vector<TLine> lines{MakeLine(ltClosed, kUnitSquare)};
  lines[0].Area = 7;
  const auto running = CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, 0, true);
  EXPECT_EQ(running.status, CalculateStatus::InputRunning);
  EXPECT_EQ(running.message, "入力がまだ終了していません。\n入力を終了して下さい。");
  EXPECT_EQ(CalculateLines(lines, tmCubic, kIdentityX, kIdentityY, 0).status,
            CalculateStatus::TransformNotSet);
  EXPECT_EQ(lines[0].Area, 7);
}

TEST(Geometry, HooksRunInOrder) {
  std::vector<TLine> lines{MakeLine(ltClosed, kUnitSquare), MakeLine(ltCurve, kUnitSquare)};
  std::vector<std::string> calls;
  CalculateHooks hooks;
  hooks.prepare = [&] { calls.push_back("prepare"); };
  hooks.afterGroup = [&](std::size_t g) {
    calls.push_back(std::to_string(g) + ":" + std::to_string(lines[g].Area));
  };
  ASSERT_TRUE(CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, 0, false, hooks).ok());
  EXPECT_EQ(calls, (std::vector<std::string>{"prepare", "0:1.000000", "1:0.000000"}));
}

}  // namespace
}  // namespace zelko
