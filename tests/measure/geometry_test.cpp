#include "measure/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
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

// Reference figures: GeographicLib's GeodSolve and Planimeter with "-e 6378137 1/298.257222101".
TEST(Geometry, EllipsoidDistanceIsTheGeodesicOnGrs80) {
  struct Line {
    double lon1, lat1, lon2, lat2, metres;
  };
  const Line lines[] = {
      {139, 35, 139, 36, 110949.768707072},  // a degree of latitude
      {139, 35, 140, 35, 91287.788450116},   // a degree of longitude
      {0, 0, 0, 0.009, 995.168482444},       // a short line north at the equator
      {-73.8, 40.6, -0.5, 51.6, 5551759.400361225},
      {0, -30, 179.8, 29.9, 19989832.827457160},  // nearly antipodal
      {0, 0, 179.5, 0.5, 19936288.578833293},     // nearly antipodal, near the equator
      {0, 0, 180, 0, 20003931.458460927},         // antipodal on the equator: over a pole
      {174.81, -41.32, -5.50, 40.96, 19959679.267199505},
      {10, 89.9, -170, 89.9, 22338.795682889},     // across the pole
      {179.995, 35, -179.995, 35, 912.881696085},  // across ±180 degrees
  };
  for (const Line& l : lines) {
    EXPECT_NEAR(EllipsoidDistance(l.lon1, l.lat1, l.lon2, l.lat2), l.metres, 1e-6) << l.metres;
    EXPECT_NEAR(EllipsoidDistance(l.lon2, l.lat2, l.lon1, l.lat1), l.metres, 1e-6) << l.metres;
  }
  EXPECT_EQ(EllipsoidDistance(139, 35, 139, 35), 0);
  EXPECT_TRUE(std::isnan(EllipsoidDistance(139, 91, 139, 35)));
}

TEST(Geometry, DegreeUnitPolygonsAgreeWithTheLibrary) {
  struct Polygon {
    std::vector<XY> points;  // counter-clockwise
    double perimeter, area;
  };
  const Polygon polygons[] = {
      {kDegreeSquare, 4044.465639129, 1012695.4237},
      {{{150, -35}, {150.001, -35}, {150.001, -34.999}, {150, -34.999}}, 404.458580580, 10127.6228},
      {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 443770.917241010, 12308778361.0636},
      {{{10, 60}, {11, 60}, {11, 61}, {10, 61}}, 332747.878987643, 6122943163.1749},
      {{{-5, 40}, {5, 40}, {5, 50}, {-5, 50}}, 3792549.013543864, 874001606082.4746},
      {{{141.35, 43.06}, {135.5, 34.7}, {139.7, 35.6}}, 2292932.672181337, 153755363688.2417},
      {{{0, 89}, {120, 89}, {-120, 89}}, 580370.979760592, 16207615128.9375},  // round the pole
  };
  for (const Polygon& pg : polygons) {
    std::vector<TLine> lines{MakeLine(ltClosed, pg.points),
                             MakeLine(ltClosed, {pg.points.rbegin(), pg.points.rend()})};
    ASSERT_TRUE(CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, kDegreeUnit).ok());
    EXPECT_NEAR(lines[0].Length, pg.perimeter, 1e-6) << pg.area;
    EXPECT_NEAR(lines[0].Area, pg.area, 1e-4) << pg.area;
    EXPECT_NEAR(lines[1].Length, pg.perimeter, 1e-6) << pg.area;
    EXPECT_NEAR(lines[1].Area, -pg.area, 1e-4) << pg.area;  // clockwise subtracts
  }
}

TEST(Geometry, DegreePolygonAcrossTheAntimeridianIsTheSmallOne) {
  const std::vector<XY> across{{179.995, 35}, {-179.995, 35}, {-179.995, 35.01}, {179.995, 35.01}};
  std::vector<TLine> lines{MakeLine(ltClosed, across), MakeLine(ltCurve, across)};
  ASSERT_TRUE(CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, kDegreeUnit).ok());
  EXPECT_NEAR(lines[0].Length, 4044.465639129, 1e-6);
  EXPECT_NEAR(lines[0].Area, 1012695.4237, 1e-4);
  EXPECT_NEAR(lines[1].Length, lines[0].Length - EllipsoidDistance(179.995, 35.01, 179.995, 35),
              1e-6);
}

TEST(Geometry, CrossingsAcrossTheAntimeridianAndAVertexOnThePole) {
  // A bow tie whose lobes lie on both sides of 180 degrees, typed with either longitude form:
  // its crossing is found, while the plain quadrilateral across the meridian has none.
  const std::vector<XY> bowTie{{179.99, 35}, {-179.99, 35.01}, {-179.99, 35}, {179.99, 35.01}};
  const std::vector<XY> bowTieOnward{{179.99, 35}, {180.01, 35.01}, {180.01, 35}, {179.99, 35.01}};
  const std::vector<XY> plain{{179.99, 35}, {-179.99, 35}, {-179.99, 35.01}, {179.99, 35.01}};
  EXPECT_TRUE(HasCrossingEdges(bowTie, true));
  EXPECT_TRUE(HasCrossingEdges(bowTieOnward, true));
  EXPECT_FALSE(HasCrossingEdges(plain, true));

  // A triangle with a vertex exactly on the pole: a finite area, the same whichever longitude
  // the pole is typed with, and the same as the triangle run the other way round negated.
  const std::vector<XY> polar{{0, 89}, {90, 89}, {45, 90}};
  const std::vector<XY> polarOtherLongitude{{0, 89}, {90, 89}, {-120, 90}};
  const std::vector<XY> reversed{{45, 90}, {90, 89}, {0, 89}};
  const LengthAndArea a = EllipsoidPolygon(polar);
  ASSERT_TRUE(std::isfinite(a.area) && std::isfinite(a.length));
  EXPECT_GT(a.area, 0);
  EXPECT_NEAR(EllipsoidPolygon(polarOtherLongitude).area, a.area, 1e-6 * a.area);
  EXPECT_NEAR(EllipsoidPolygon(reversed).area, -a.area, 1e-6 * a.area);
  EXPECT_FALSE(HasPointOffTheEllipsoid(polar));
}

TEST(Geometry, DegenerateDegreeCurvesAndOffTheEllipsoidGoOn) {
  std::vector<TLine> lines{MakeLine(ltClosed, {{139, 35}}),
                           MakeLine(ltClosed, {{139, 35}, {140, 35}}),
                           MakeLine(ltClosed, {}),
                           MakeLine(ltCurve, {{139, 35}, {139, 95}}),
                           MakeLine(ltClosed, {{139, 35}, {140, -91}, {140, 35}}),
                           MakeLine(ltClosed, kDegreeSquare)};
  const CalculateResult r = CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, kDegreeUnit);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(lines[0].Length, 0);
  EXPECT_EQ(lines[0].Area, 0);
  EXPECT_NEAR(lines[1].Length, 2 * 91287.788450116, 1e-6);
  EXPECT_NEAR(lines[1].Area, 0, 1e-6);
  EXPECT_EQ(lines[2].Length, 0);
  for (int g : {3, 4}) {
    EXPECT_EQ(lines[g].Length, 0) << g;
    EXPECT_EQ(lines[g].Area, 0) << g;
  }
  EXPECT_EQ(r.offEllipsoid, (std::vector<std::size_t>{3, 4}));
  EXPECT_NEAR(lines[5].Area, 1012695.4237, 1e-4);
  EXPECT_EQ(CalculationWarning(lines, r),
            "緯度が-90度から90度の範囲を外れた点があるため、長さと面積を0としました：L4, C5");
}

TEST(Geometry, CrossingEdgesOfClosedCurves) {
  const std::vector<XY> bowTie{{0, 0}, {1, 1}, {1, 0}, {0, 1}};
  // Two lobes that meet at a point clicked twice, run in opposite senses.
  const std::vector<XY> eight{{0, 0}, {1, 1}, {2, 0}, {2, 2}, {1, 1}, {0, 2}};
  const std::vector<XY> spiral{{0, 0}, {4, 0}, {4, 4}, {1, 4}, {1, 1}, {3, 1}, {3, 5}, {0, 5}};
  EXPECT_TRUE(HasCrossingEdges(bowTie, false));
  EXPECT_TRUE(HasCrossingEdges(eight, false));
  EXPECT_TRUE(HasCrossingEdges(spiral, false));
  // Simple curves, also with repeated points and a closing point equal to the first.
  EXPECT_FALSE(HasCrossingEdges(kUnitSquare, false));
  EXPECT_FALSE(
      HasCrossingEdges(std::vector<XY>{{0, 0}, {1, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}, false));
  const std::vector<XY> concave{{0, 0}, {4, 0}, {4, 4}, {3, 4}, {3, 1}, {1, 1}, {1, 4}, {0, 4}};
  EXPECT_FALSE(HasCrossingEdges(concave, false));
  EXPECT_FALSE(HasCrossingEdges(std::vector<XY>{{0, 0}, {1, 0}, {0, 1}}, false));
  // Longitudes are unwrapped: the square across ±180 is simple, the bow tie there is not.
  EXPECT_FALSE(
      HasCrossingEdges(std::vector<XY>{{179.9, 0}, {-179.9, 0}, {-179.9, 1}, {179.9, 1}}, true));
  EXPECT_TRUE(
      HasCrossingEdges(std::vector<XY>{{179.9, 0}, {-179.9, 1}, {-179.9, 0}, {179.9, 1}}, true));
  EXPECT_FALSE(HasCrossingEdges(std::vector<XY>{{0, 89}, {120, 89}, {-120, 89}}, true));

  std::vector<TLine> lines{MakeLine(ltClosed, kUnitSquare), MakeLine(ltClosed, bowTie),
                           MakeLine(ltCurve, bowTie), MakeLine(ltClosed, eight)};
  const CalculateResult r = CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, 4);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(lines[1].Area, 0);  // still reported as the sum of its parts
  EXPECT_EQ(r.crossing, (std::vector<std::size_t>{1, 3}));
  EXPECT_EQ(CalculationWarning(lines, r),
            "辺が交差している閉曲線があります：C2, C4\n"
            "面積は交差で分かれた部分を向きの符号付きで足した値です。");
}

// Every pair of edges that are not neighbours, compared by exact integer arithmetic: the
// reference the sweep must agree with.
bool CrossesByEveryPair(const std::vector<XY>& p) {
  const std::size_t n = p.size();
  const auto orient = [](const XY& a, const XY& b, const XY& c) {
    const long long v = static_cast<long long>((b.x - a.x) * (c.y - a.y)) -
                        static_cast<long long>((b.y - a.y) * (c.x - a.x));
    return (v > 0) - (v < 0);
  };
  const auto on = [](const XY& a, const XY& b, const XY& c) {
    return std::min(a.x, b.x) <= c.x && c.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= c.y &&
           c.y <= std::max(a.y, b.y);
  };
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;
      const XY &a = p[i], &b = p[i + 1], &c = p[j], &d = p[(j + 1) % n];
      const int o1 = orient(a, b, c), o2 = orient(a, b, d), o3 = orient(c, d, a),
                o4 = orient(c, d, b);
      if ((o1 * o2 < 0 && o3 * o4 < 0) || (o1 == 0 && on(a, b, c)) || (o2 == 0 && on(a, b, d)) ||
          (o3 == 0 && on(c, d, a)) || (o4 == 0 && on(c, d, b)))
        return true;
    }
  return false;
}

TEST(Geometry, CrossingSweepAgreesWithEveryPairOnRandomCurves) {
  std::mt19937 random(27);
  int crossing = 0, simple = 0;
  for (int round = 0; round < 3000; ++round) {
    // Few distinct values, so that edges share X and Y ranges, touch, overlap and line up.
    std::uniform_int_distribution<int> coordinate(0, 2 + round % 7);
    std::vector<XY> p(4 + round % 9);
    for (XY& q : p) q = {double(coordinate(random)), double(coordinate(random))};
    // Repeated neighbours are one point to the check; the reference takes them out likewise.
    std::vector<XY> distinct;
    for (const XY& q : p)
      if (distinct.empty() || q.x != distinct.back().x || q.y != distinct.back().y)
        distinct.push_back(q);
    while (distinct.size() > 1 && distinct.back().x == distinct.front().x &&
           distinct.back().y == distinct.front().y)
      distinct.pop_back();
    const bool expected = distinct.size() >= 4 && CrossesByEveryPair(distinct);
    ASSERT_EQ(HasCrossingEdges(p, false), expected) << "round " << round;
    (expected ? crossing : simple) += 1;
  }
  EXPECT_GT(simple, 100);
  EXPECT_GT(crossing, 100);
}

TEST(Geometry, CombsAndConcaveCurvesWhoseEdgeBoxesOverlap) {
  // Teeth between two X values, every edge spanning the whole width: no crossing, until one
  // tooth reaches back over its neighbour or touches the spine.
  std::vector<XY> comb;
  for (int k = 0; k < 30000; ++k) {
    comb.push_back({0, 2.0 * k});
    comb.push_back({100, 2.0 * k + 1});
  }
  comb.push_back({-1, 60000});
  comb.push_back({-1, 0});
  EXPECT_FALSE(HasCrossingEdges(comb, false));
  std::vector<XY> touching = comb;
  touching[30001].x = -1;  // a vertex on the spine
  EXPECT_TRUE(HasCrossingEdges(touching, false));
  std::vector<XY> crossed = comb;
  crossed[40001].y = 40001 - 3;  // a tooth back across the one below it
  EXPECT_TRUE(HasCrossingEdges(crossed, false));
  // An L whose arms' boxes overlap the notch without meeting it, and a vertex on an edge.
  EXPECT_FALSE(
      HasCrossingEdges(std::vector<XY>{{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 4}, {0, 4}}, false));
  EXPECT_TRUE(HasCrossingEdges(std::vector<XY>{{0, 0}, {4, 0}, {4, 4}, {2, 0}, {0, 4}}, false));
}

TEST(Geometry, ResultsTooLargeToBeRightAreZeroAndNamed) {
  // A huge constant term swallows the others: every X is the same 1e308.
  const std::vector<double> hugeX{1e308, 1, 0};
  std::vector<TLine> lines{MakeLine(ltClosed, kUnitSquare), MakeLine(ltCurve, kUnitSquare)};
  CalculateResult r = CalculateLines(lines, tmAffine, hugeX, kIdentityY, 4);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.unreliable, (std::vector<std::size_t>{0, 1}));
  EXPECT_EQ(lines[0].Length, 0);
  EXPECT_EQ(lines[0].Area, 0);
  EXPECT_NE(CalculationWarning(lines, r).find("大きすぎて正しく計算できない"), std::string::npos);
  EXPECT_NE(UnreliableError(lines, r).find("C1, L2"), std::string::npos);
  // Points far out whose length overflows; a far but sound offset stays measured.
  std::vector<TLine> far{MakeLine(ltCurve, {{0, 0}, {1e308, 1e308}, {-1e308, -1e308}}),
                         MakeLine(ltClosed, {{1e6, 1e6}, {1e6 + 1, 1e6}, {1e6 + 1, 1e6 + 1}})};
  r = CalculateLines(far, tmAffine, kIdentityX, kIdentityY, 4);
  EXPECT_EQ(r.unreliable, (std::vector<std::size_t>{0}));
  EXPECT_EQ(far[0].Length, 0);
  EXPECT_NEAR(far[1].Area, 0.5, 1e-9);
}

TEST(Geometry, LongWarningListsAreCutShort) {
  std::vector<TLine> lines(25, MakeLine(ltClosed, {{0, 0}, {1, 1}, {1, 0}, {0, 1}}));
  const CalculateResult r = CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, 4);
  const std::string w = CalculationWarning(lines, r);
  EXPECT_NE(w.find("C19, C20 ほか5件\n"), std::string::npos) << w;
  EXPECT_EQ(w.find("C21"), std::string::npos);
}

TEST(Geometry, ManyGroupsGiveTheSameResultsAsOne) {
  // Enough points to spread the groups over threads; each must land on its own group.
  std::vector<TLine> lines;
  for (int g = 0; g < 3000; ++g) {
    const double d = 0.001 * (1 + g % 17);
    lines.push_back(MakeLine(g % 2 ? ltClosed : ltCurve, {{139, 35},
                                                          {139 + d, 35},
                                                          {139 + d, 35 + d},
                                                          {139, 35 + d},
                                                          {139, 35.0001},
                                                          {139, 35.0002},
                                                          {139, 35.0003},
                                                          {139, 35.0004},
                                                          {139, 35.0005},
                                                          {139, 35.0006}}));
  }
  ASSERT_TRUE(CalculateLines(lines, tmAffine, kIdentityX, kIdentityY, kDegreeUnit).ok());
  for (int g = 0; g < 3000; g += 7) {
    std::vector<TLine> one{lines[static_cast<std::size_t>(g)]};
    ASSERT_TRUE(CalculateLines(one, tmAffine, kIdentityX, kIdentityY, kDegreeUnit).ok());
    EXPECT_EQ(one[0].Length, lines[static_cast<std::size_t>(g)].Length) << g;
    EXPECT_EQ(one[0].Area, lines[static_cast<std::size_t>(g)].Area) << g;
  }
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
