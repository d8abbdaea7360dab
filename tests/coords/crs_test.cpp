#include "coords/crs.h"

#include <gtest/gtest.h>

#include <GeographicLib/PolygonArea.hpp>
#include <GeographicLib/TransverseMercator.hpp>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "measure/geometry.h"

namespace zelko {
namespace {

Crs Make(int code) {
  CrsResult r = Crs::FromEpsg(code);
  EXPECT_TRUE(r.crs) << code << ": " << r.error;
  return std::move(*r.crs);
}

constexpr double kGrs80InverseFlattening = 298.257222101;
constexpr double kWgs84InverseFlattening = 298.257223563;

// An independent transverse Mercator (GeographicLib's Krüger series) with a false origin.
struct Tm {
  double inverseFlattening, k0, lon0, lat0, falseEast, falseNorth;

  GeographicLib::TransverseMercator Projection() const {
    return GeographicLib::TransverseMercator(6378137, 1 / inverseFlattening, k0);
  }
  // (east, north) of (lon, lat), and the point scale there.
  XY Forward(double lon, double lat, double* scale = nullptr) const {
    const auto tm = Projection();
    double x0 = 0, y0 = 0, x = 0, y = 0, gamma = 0, k = 0;
    tm.Forward(lon0, lat0, lon0, x0, y0);
    tm.Forward(lon0, lat, lon, x, y, gamma, k);
    if (scale) *scale = k;
    return {x + falseEast, y - y0 + falseNorth};
  }
  XY Reverse(double east, double north) const {
    const auto tm = Projection();
    double x0 = 0, y0 = 0, lat = 0, lon = 0;
    tm.Forward(lon0, lat0, lon0, x0, y0);
    tm.Reverse(lon0, east - falseEast, north - falseNorth + y0, lat, lon);
    return {lon, lat};
  }
};

// The plane rectangular systems: origins as the survey regulations publish them, k0 0.9999.
const Tm kZoneI{kGrs80InverseFlattening, 0.9999, 129.5, 33, 0, 0};
const Tm kZoneIX{kGrs80InverseFlattening, 0.9999, 139 + 50.0 / 60, 36, 0, 0};
const Tm kZoneXII{kGrs80InverseFlattening, 0.9999, 142.25, 44, 0, 0};
const Tm kUtm54Jgd{kGrs80InverseFlattening, 0.9996, 141, 0, 500000, 0};
const Tm kUtm54Wgs{kWgs84InverseFlattening, 0.9996, 141, 0, 500000, 0};

TEST(Crs, KnowsWhatPROJDefines) {
  const Crs ix = Make(6677);
  EXPECT_EQ(ix.Code(), "EPSG:6677");
  EXPECT_EQ(ix.Name(), "JGD2011 / Japan Plane Rectangular CS IX");
  EXPECT_EQ(ix.Label(), "JGD2011 平面直角座標系 IX (EPSG:6677)");
  EXPECT_FALSE(ix.Geographic());
  EXPECT_TRUE(ix.NorthingFirst());
  EXPECT_EQ(ix.AxisX(), "X");
  EXPECT_EQ(ix.AxisY(), "Y");
  EXPECT_EQ(ix.SemiMajorAxis(), 6378137);
  EXPECT_EQ(ix.Flattening(), 1 / kGrs80InverseFlattening);

  const Crs utm = Make(32654);
  EXPECT_FALSE(utm.NorthingFirst());
  EXPECT_EQ(utm.AxisX(), "E");
  EXPECT_EQ(utm.Flattening(), 1 / kWgs84InverseFlattening);

  // Latitude comes first in the EPSG definition, but the table keeps longitude in X.
  const Crs jgd = Make(6668);
  EXPECT_TRUE(jgd.Geographic());
  EXPECT_FALSE(jgd.NorthingFirst());
  EXPECT_EQ(jgd.AxisX(), "Lon");

  // A system off the common list is labelled by its own name.
  EXPECT_EQ(Make(3857).Label(), "WGS 84 / Pseudo-Mercator (EPSG:3857)");
  EXPECT_FALSE(Make(3857).Wkt1Esri().empty());
}

TEST(Crs, ReadsTheWaysACodeIsTyped) {
  for (const char* text : {"EPSG:6680", "epsg:6680", "EPSG::6680", " 6680 ", "EPSG: 6680"}) {
    const CrsResult r = Crs::FromText(text);
    ASSERT_TRUE(r.crs) << text << ": " << r.error;
    EXPECT_EQ(r.crs->Epsg(), 6680);
  }
  for (const char* text : {"", "EPSG:", "abc", "6680a", "EPSG:-1", "ESRI:102100", "99999999999"}) {
    const CrsResult r = Crs::FromText(text);
    EXPECT_FALSE(r.crs) << text;
    EXPECT_FALSE(r.error.empty()) << text;
  }
}

TEST(Crs, RefusesWhatItCannotMeasureIn) {
  struct Case {
    int code;
    const char* says;
  };
  for (const Case& c : {
           Case{999999, "データベースにありません"},
           Case{4978, "地心直交座標系"},            // WGS 84 geocentric
           Case{6695, "高さの座標系"},              // JGD2011 height
           Case{6697, "複合座標系"},                // JGD2011 + height
           Case{4979, "3 次元"},                    // WGS 84 with height
           Case{2230, "メートルではない"},          // US survey feet
           Case{3031, "東西と南北を向いていない"},  // polar stereographic
           Case{27572, "グリニッジ以外"},           // longitudes from Paris
           Case{0, "EPSG コードではありません"},
       }) {
    const CrsResult r = Crs::FromEpsg(c.code);
    EXPECT_FALSE(r.crs) << c.code;
    EXPECT_NE(r.error.find(c.says), std::string::npos) << c.code << ": " << r.error;
  }
}

TEST(Crs, CommonListIsInOrderAndInstalled) {
  std::vector<int> expected{6668};
  for (int code = 6669; code <= 6692; ++code) expected.push_back(code);
  for (int code = 32651; code <= 32656; ++code) expected.push_back(code);
  expected.push_back(4326);
  const auto choices = CommonCrsChoices();
  ASSERT_EQ(choices.size(), expected.size());
  std::set<std::string> labels;
  for (std::size_t i = 0; i < choices.size(); ++i) {
    EXPECT_EQ(choices[i].epsg, expected[i]);
    const std::string label = choices[i].label;
    EXPECT_NE(label.find("(EPSG:" + std::to_string(expected[i]) + ")"), std::string::npos);
    labels.insert(label);
    const CrsResult r = Crs::FromEpsg(choices[i].epsg);
    ASSERT_TRUE(r.crs) << label << ": " << r.error;
    EXPECT_EQ(r.crs->Label(), label);
    // The label's zone agrees with PROJ's name for it.
    const std::string name = r.crs->Name();
    if (name.find("UTM zone") != std::string::npos)
      EXPECT_NE(label.find(name.substr(name.find("zone ") + 5)), std::string::npos) << name;
    if (name.find("Rectangular CS ") != std::string::npos)
      EXPECT_NE(label.find("座標系 " + name.substr(name.find("CS ") + 3) + " "), std::string::npos)
          << name;
  }
  EXPECT_EQ(labels.size(), choices.size());
}

void ExpectNear(const XY& got, const XY& want, double tolerance, const std::string& what) {
  EXPECT_NEAR(got.x, want.x, tolerance) << what;
  EXPECT_NEAR(got.y, want.y, tolerance) << what;
}

TEST(Crs, ConvertsAsTheTransverseMercatorDoes) {
  struct System {
    int code;
    const Tm& tm;
  };
  // Points within each system's zone: near its origin, a degree off its meridian, far north.
  const std::vector<XY> places{{0.001, 0}, {1, 0.5}, {-1.2, 2}, {0.7, -1.5}};
  for (const System& s : {System{6669, kZoneI}, System{6677, kZoneIX}, System{6680, kZoneXII},
                          System{6691, kUtm54Jgd}, System{32654, kUtm54Wgs}}) {
    const Crs crs = Make(s.code);
    std::vector<XY> lonLat, table;
    for (const XY& d : places) {
      const double lat0 = s.tm.lat0 == 0 ? 36 : s.tm.lat0;
      lonLat.push_back({s.tm.lon0 + d.x, lat0 + d.y});
      const XY map = s.tm.Forward(lonLat.back().x, lonLat.back().y);
      table.push_back(crs.NorthingFirst() ? XY{map.y, map.x} : map);
    }
    std::vector<XY> got;
    std::string message;
    ASSERT_TRUE(crs.ToLonLat(table, got, &message)) << message;
    ASSERT_EQ(got.size(), table.size());
    // 1e-9 degrees is about 0.1 mm.
    for (std::size_t i = 0; i < got.size(); ++i)
      ExpectNear(got[i], lonLat[i], 1e-9, crs.Label() + " point " + std::to_string(i));
    std::vector<XY> back;
    ASSERT_TRUE(crs.FromLonLat(lonLat, back, &message)) << message;
    for (std::size_t i = 0; i < back.size(); ++i)
      ExpectNear(back[i], table[i], 1e-4, crs.Label() + " back " + std::to_string(i));
  }
}

TEST(Crs, PlaneRectangularOriginsAndAxisOrder) {
  // The origin (X 0, Y 0) of a zone is its published origin; X runs north, Y east.
  const Crs ix = Make(6677);
  std::vector<XY> got;
  ASSERT_TRUE(ix.ToLonLat(std::vector<XY>{{0, 0}, {1000, 0}, {0, 1000}}, got));
  ExpectNear(got[0], {139 + 50.0 / 60, 36}, 1e-12, "origin");
  EXPECT_NEAR(got[1].x, got[0].x, 1e-12);
  EXPECT_GT(got[1].y, got[0].y + 0.008);  // 1 km north
  EXPECT_GT(got[2].x, got[0].x + 0.01);   // 1 km east
  EXPECT_NEAR(got[2].y, got[0].y, 1e-4);

  const Crs xii = Make(6680);
  ASSERT_TRUE(xii.ToLonLat(std::vector<XY>{{0, 0}}, got));
  ExpectNear(got[0], {142.25, 44}, 1e-12, "origin XII");
  EXPECT_EQ(xii.MapOf({1, 2}).x, 2);
  EXPECT_EQ(xii.MapOf({1, 2}).y, 1);
}

TEST(Crs, RefusesPointsItCannotConvert) {
  const Crs ix = Make(6677);
  std::vector<XY> got{{1, 1}};
  std::string message;
  EXPECT_FALSE(ix.ToLonLat(std::vector<XY>{{0, 0}, {NAN, 0}}, got, &message));
  EXPECT_TRUE(got.empty());
  EXPECT_NE(message.find("2 点目"), std::string::npos) << message;
  // Far beyond the earth: the inverse projection has no answer.
  EXPECT_FALSE(ix.ToLonLat(std::vector<XY>{{0, 1e12}}, got, &message));
  EXPECT_NE(message.find("範囲外"), std::string::npos) << message;

  const Crs jgd = Make(6668);
  EXPECT_FALSE(jgd.ToLonLat(std::vector<XY>{{141, 91}}, got, &message));
  EXPECT_NE(message.find("緯度"), std::string::npos) << message;
  EXPECT_FALSE(ix.FromLonLat(std::vector<XY>{{141, -90.5}}, got, &message));
  EXPECT_TRUE(ix.ToLonLat({}, got, &message));
  EXPECT_TRUE(got.empty());
}

// Ground values of the table positions p measured independently: through GeographicLib's
// transverse Mercator back to longitude/latitude and its geodesic polygon.
LengthAndArea IndependentGround(const Tm& tm, bool northingFirst, const std::vector<XY>& p) {
  GeographicLib::PolygonArea polygon(GeographicLib::Geodesic(6378137, 1 / tm.inverseFlattening));
  for (const XY& q : p) {
    const XY ll = northingFirst ? tm.Reverse(q.y, q.x) : tm.Reverse(q.x, q.y);
    polygon.AddPoint(ll.y, ll.x);
  }
  double perimeter = 0, area = 0;
  polygon.Compute(false, true, perimeter, area);
  return {perimeter, area};
}

TEST(MeasureInCrs, GroundAgainstGridFollowsTheScaleFactor) {
  struct Case {
    int code;
    const Tm& tm;
    XY centreLonLat;
  };
  // Near UTM 54N's central meridian the grid shrinks by 0.9996 (areas 0.08 % small); near a
  // plane rectangular zone's origin by 0.9999; 1.5 degrees off the meridian the grid grows.
  for (const Case& c : {Case{6691, kUtm54Jgd, {141.01, 38}}, Case{6677, kZoneIX, {139.84, 36.01}},
                        Case{6680, kZoneXII, {143.8, 43.5}}}) {
    const Crs crs = Make(c.code);
    double k = 0;
    const XY centre = c.tm.Forward(c.centreLonLat.x, c.centreLonLat.y, &k);
    // A 1 km square counter-clockwise on the map, with one corner cut.
    std::vector<XY> map{{-500, -500}, {500, -500}, {500, 300}, {300, 500}, {-500, 500}};
    std::vector<XY> table;
    for (const XY& d : map) {
      const XY q{centre.x + d.x, centre.y + d.y};
      table.push_back(crs.NorthingFirst() ? XY{q.y, q.x} : q);
    }
    std::string message;
    const auto m = MeasureInCrs(crs, table, true, &message);
    ASSERT_TRUE(m) << message;
    const LengthAndArea ground = IndependentGround(c.tm, crs.NorthingFirst(), table);
    EXPECT_NEAR(m->area, ground.area, 1e-6 * ground.area) << crs.Label();
    EXPECT_NEAR(m->length, ground.length, 1e-6) << crs.Label();
    const double gridArea = 1000.0 * 1000 - 200.0 * 200 / 2;
    ASSERT_TRUE(m->areaGrid && m->lengthGrid);
    EXPECT_NEAR(*m->areaGrid, gridArea, 1e-6) << crs.Label();
    EXPECT_GT(m->area, 0) << crs.Label();
    // Grid over ground is the square of the point scale, to the scale's change across 1 km.
    EXPECT_NEAR(*m->areaGrid / m->area, k * k, 2e-6) << crs.Label();
    EXPECT_NEAR(*m->lengthGrid / m->length, k, 2e-6) << crs.Label();
    if (c.code == 6691) EXPECT_NEAR(*m->areaGrid / m->area - 1, -0.0008, 0.00002);

    // Traced the other way round, both signs turn.
    std::vector<XY> reversed(table.rbegin(), table.rend());
    const auto r = MeasureInCrs(crs, reversed, true);
    ASSERT_TRUE(r);
    EXPECT_NEAR(r->area, -m->area, 1e-6 * m->area);
    EXPECT_NEAR(*r->areaGrid, -gridArea, 1e-6);

    // Open, the same points make a line without the closing side and no area.
    const auto open = MeasureInCrs(crs, table, false);
    ASSERT_TRUE(open);
    EXPECT_EQ(open->area, 0);
    EXPECT_EQ(*open->areaGrid, 0);
    EXPECT_NEAR(*open->lengthGrid, *m->lengthGrid - 1000, 1e-9);
    EXPECT_LT(open->length, m->length);
  }
}

TEST(MeasureInCrs, NorthingFirstKeepsTheMapSign) {
  // Typed as a surveyor types it (X north, Y east), a square running east, then north, then
  // west is counter-clockwise on the map; the same numbers read east-first run clockwise.
  const std::vector<XY> typed{{0, 0}, {0, 100}, {100, 100}, {100, 0}};
  const auto ix = MeasureInCrs(Make(6677), typed, true);
  ASSERT_TRUE(ix);
  EXPECT_GT(ix->area, 9990);
  EXPECT_NEAR(*ix->areaGrid, 10000, 1e-9);
  std::vector<XY> utmTyped;
  for (const XY& q : typed) utmTyped.push_back({500000 + q.x, 4000000 + q.y});
  const auto utm = MeasureInCrs(Make(6691), utmTyped, true);
  ASSERT_TRUE(utm);
  EXPECT_LT(utm->area, -9990);
  EXPECT_NEAR(*utm->areaGrid, -10000, 1e-9);
}

TEST(MeasureInCrs, GeographicJgd2011IsTheDegreeUnit) {
  const Crs jgd = Make(6668);
  // A field near Sendai, and a curve across the antimeridian typed with longitudes as they come.
  for (const std::vector<XY>& p :
       {std::vector<XY>{{140.87, 38.26}, {140.88, 38.261}, {140.879, 38.27}, {140.869, 38.268}},
        std::vector<XY>{{179.99, -16.5}, {-179.98, -16.5}, {-179.99, -16.49}}}) {
    const auto closed = MeasureInCrs(jgd, p, true);
    ASSERT_TRUE(closed);
    const LengthAndArea today = EllipsoidPolygon(p);
    EXPECT_EQ(closed->area, today.area);
    EXPECT_EQ(closed->length, today.length);
    EXPECT_FALSE(closed->areaGrid);
    EXPECT_FALSE(closed->lengthGrid);
    const auto open = MeasureInCrs(jgd, p, false);
    ASSERT_TRUE(open);
    EXPECT_EQ(open->length, LineLength(p, false, true));
  }
  // WGS 84's ellipsoid differs from GRS80 in the tenth digit of the flattening only.
  const std::vector<XY> square{{140, 38}, {140.01, 38}, {140.01, 38.01}, {140, 38.01}};
  const auto wgs = MeasureInCrs(Make(4326), square, true);
  ASSERT_TRUE(wgs);
  EXPECT_NEAR(wgs->area, EllipsoidPolygon(square).area, 1e-3);
  EXPECT_NE(wgs->area, EllipsoidPolygon(square).area);
}

TEST(Crs, CopiesConvertOnTheirOwnThreads) {
  const Crs ix = Make(6677);
  std::vector<XY> table;
  for (int i = 0; i < 20000; ++i) table.push_back({-50000.0 + 5 * i, 30000.0 - 3 * i});
  std::vector<XY> expected;
  ASSERT_TRUE(ix.ToLonLat(table, expected));
  std::vector<std::vector<XY>> results(4);
  std::vector<std::thread> threads;
  for (auto& out : results)
    threads.emplace_back([copy = ix, &table, &out]() mutable { copy.ToLonLat(table, out); });
  for (auto& t : threads) t.join();
  for (const auto& out : results) {
    ASSERT_EQ(out.size(), expected.size());
    for (std::size_t i = 0; i < out.size(); i += 997) {
      EXPECT_EQ(out[i].x, expected[i].x);
      EXPECT_EQ(out[i].y, expected[i].y);
    }
  }
  Crs assigned = Make(6668);
  assigned = ix;
  std::vector<XY> again;
  ASSERT_TRUE(assigned.ToLonLat(table, again));
  EXPECT_EQ(again[123].x, expected[123].x);
  EXPECT_TRUE(assigned.NorthingFirst());
}

TEST(Crs, SaysWhenPROJHasNoDatabase) {
  const char* saved = std::getenv("PROJ_DATA");
  const std::string before = saved ? saved : "";
  setenv("PROJ_DATA", "/nonexistent-proj-data", 1);
  const CrsResult r = Crs::FromEpsg(6677);
  if (saved)
    setenv("PROJ_DATA", before.c_str(), 1);
  else
    unsetenv("PROJ_DATA");
  EXPECT_FALSE(r.crs);
  EXPECT_NE(r.error.find("proj.db"), std::string::npos) << r.error;
  EXPECT_TRUE(Crs::FromEpsg(6677).crs);
}

}  // namespace
}  // namespace zelko
