// The files an export writes: each format, the byte order mark, every digit of every value, the
// groups as GeoJSON, and a write that fails.
#include "measure/export.h"

#include <geos_c.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "coords/transform.h"
#include "document/file_io.h"
#include "groups_support.h"
#include "measure/calculation.h"
#include "measure/uncertainty.h"

namespace zelko {
namespace {

namespace fs = std::filesystem;

using test::Group;

// Millimetres at a tenth of a millimetre per pixel: values no display rounding keeps whole.
ProjectData MillimetreProject() {
  ProjectData d;
  d.Method = tmAffine;
  d.ScaleUnit = 2;
  d.Cx = {0, 0.1, 0};
  d.Cy = {0, 0, 0.1};
  d.Categories = {"Sort 1", "道路, 舗装"};
  d.Lines = {Group(ltCurve, 0, {{0, 0}, {1, 1}, {3, 7}}),
             Group(ltClosed, 1, {{0, 0}, {3, 0}, {3, 7}})};
  return d;
}

// Longitude 135 + x/2, latitude 35 - y/4.
ProjectData DegreeProject() {
  ProjectData d;
  d.Method = tmAffine;
  d.ScaleUnit = kDegreeUnit;
  d.Cx = {135, 0.5, 0};
  d.Cy = {35, 0, -0.25};
  d.Categories = {"Sort 1", "池"};
  d.Lines = {Group(ltCurve, 0, {{0, 0}, {2, 0}}),
             // clockwise on the map: (135, 35), (136, 34), (135, 34)
             Group(ltClosed, 1, {{0, 0}, {2, 4}, {0, 4}}), Group(ltPoints, 0, {{2, 2}, {4, 0}}),
             Group(ltCurve, 0, {{4, 4}})};
  return d;
}

std::vector<std::vector<std::string>> SplitRows(const std::string& text, char separator) {
  std::vector<std::vector<std::string>> rows;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    const std::string line = text.substr(start, end - start);
    std::vector<std::string> cells;
    std::size_t a = 0;
    for (std::size_t b; (b = line.find(separator, a)) != std::string::npos; a = b + 1)
      cells.push_back(line.substr(a, b - a));
    cells.push_back(line.substr(a));
    rows.push_back(cells);
    start = end == std::string::npos ? text.size() : end + 2;
  }
  return rows;
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

double Number(const std::string& text) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  EXPECT_EQ(*end, '\0') << text;
  return v;
}

TEST(Export, ResultTableInCsvKeepsEveryDigitBehindAByteOrderMark) {
  const ProjectData d = MillimetreProject();
  const ExportText csv = ExportProject(d, ExportContent::Results, ExportFormat::Csv);
  ASSERT_TRUE(csv.ok()) << csv.error;
  ASSERT_EQ(csv.text.substr(0, 3), "\xEF\xBB\xBF");
  const auto rows = SplitRows(csv.text.substr(3), ',');
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"分類", "Group", "長さ(mm)", "面積(mm^2)", "点数",
                                               "length_sd", "area_sd"}));
  // The category with a comma is quoted, as the table copies are.
  EXPECT_NE(csv.text.find("\r\n\"道路, 舗装\",C2,"), std::string::npos) << csv.text;

  std::vector<TLine> measured = d.Lines;
  ASSERT_TRUE(CalculateLines(measured, d.Method, d.Cx, d.Cy, d.ScaleUnit).ok());
  EXPECT_EQ(Number(rows[1][2]), measured[0].Length);  // 0.1·√2 + 0.1·√40: no short decimal
  EXPECT_GT(rows[1][2].size(), 12u);
  // (The quoted category splits in two here; the values are counted from the end.)
  const std::size_t n = rows[2].size();
  EXPECT_EQ(Number(rows[2][n - 5]), measured[1].Length);
  EXPECT_EQ(Number(rows[2][n - 4]), measured[1].Area);
  // Coefficients without markers: the uncertainty is unknown, an empty cell and never 0.
  EXPECT_EQ(rows[2][n - 2], "");
  EXPECT_EQ(rows[2][n - 1], "");

  // TSV: the same cells between tabs, no byte order mark.
  const ExportText tsv = ExportProject(d, ExportContent::Results, ExportFormat::Tsv);
  EXPECT_EQ(SplitRows(tsv.text, '\t')[1], rows[1]);
  EXPECT_TRUE(StartsWith(tsv.text, "分類\tGroup"));
}

TEST(Export, PointTableCarriesImageAndPhysicalPositionsWithTheirUnits) {
  ProjectData d = MillimetreProject();
  const ExportText tsv = ExportProject(d, ExportContent::Points, ExportFormat::Tsv);
  ASSERT_TRUE(tsv.ok());
  const auto rows = SplitRows(tsv.text, '\t');
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"分類", "Group", "Point", "x(pixels)", "y(pixels)",
                                               "X(mm)", "Y(mm)", "x_sd", "y_sd"}));
  EXPECT_EQ(std::vector<std::string>(rows[3].begin(), rows[3].begin() + 5),
            (std::vector<std::string>{"1", "L1", "3", "3", "7"}));
  EXPECT_EQ(Number(rows[3][5]), EvaluateTransform(d.Method, d.Cx, 3, 7));
  EXPECT_EQ(Number(rows[3][6]), EvaluateTransform(d.Method, d.Cy, 3, 7));
  EXPECT_EQ(rows[6][1], "C2");

  const ExportText json = ExportProject(d, ExportContent::Points, ExportFormat::Json);
  EXPECT_PRED2(StartsWith, json.text, "{\"imageUnit\": \"pixels\", \"unit\": \"mm\",\n \"header\"");
  EXPECT_NE(json.text.find("{\"group\": \"C2\", \"point\": \"2\", \"category\": \"道路, 舗装\", "
                           "\"x\": 3, \"y\": 0, \"X\": " +
                           rows[5][5] + ", \"Y\": 0, \"x_sd\": null, \"y_sd\": null}"),
            std::string::npos)
      << json.text;

  // Without a transformation: the image columns alone, and no unit.
  d.Cx.clear();
  d.Cy.clear();
  const ExportText image = ExportProject(d, ExportContent::Points, ExportFormat::Json);
  ASSERT_TRUE(image.ok());
  EXPECT_NE(image.text.find("\"unit\": null"), std::string::npos);
  EXPECT_EQ(image.text.find("\"X\""), std::string::npos);
  EXPECT_EQ(SplitRows(ExportProject(d, ExportContent::Points, ExportFormat::Csv).text, ',')[1],
            (std::vector<std::string>{"1", "L1", "1", "0", "0", "0.3", "0.3"}));
}

// An affine fit to markers that miss it by a little: every value carries its uncertainty, the
// same as the engine propagates, and a total combines its groups with the fit's correlation.
TEST(Export, EveryFigureCarriesItsStandardDeviation) {
  ProjectData d = MillimetreProject();
  d.Lines.push_back(Group(ltClosed, 1, {{10, 10}, {40, 10}, {40, 50}}));
  const double miss[] = {0.02, -0.03, 0.01, 0.04, -0.02, 0.0};
  const std::pair<int, int> at[] = {{0, 0}, {100, 0}, {0, 100}, {100, 100}, {50, 20}, {20, 70}};
  for (int k = 0; k < 6; ++k)
    d.Markers.push_back({static_cast<std::uint16_t>(at[k].first * 10),
                         static_cast<std::uint16_t>(at[k].second * 10),
                         ExactNumber(at[k].first * 0.1 + miss[k]),
                         ExactNumber(at[k].second * 0.1 - miss[5 - k])});
  d.ClickPrecision = 0.5;
  std::vector<TLine> lines = d.Lines;
  ASSERT_TRUE(CalculateLines(lines, d.Method, d.Cx, d.Cy, d.ScaleUnit).ok());
  const UncertaintyModel model = ProjectUncertaintyModel(d);
  ASSERT_EQ(model.fit.share, FitShare::Known);
  EXPECT_EQ(model.clickSd, 0.5);
  const ResultUncertainty u = PropagateUncertainty(lines, d.Method, d.Cx, d.Cy, d.ScaleUnit, model);

  const auto rows =
      SplitRows(ExportProject(d, ExportContent::Results, ExportFormat::Tsv).text, '\t');
  ASSERT_EQ(rows.size(), 5u);  // header, L1, C2, C3, total of C2 and C3
  EXPECT_EQ(rows[1][5], ExactNumber(u.LengthSd(0)));
  EXPECT_EQ(rows[1][6], "0");  // an open curve has no area
  EXPECT_EQ(rows[3][6], ExactNumber(u.AreaSd(2)));
  const std::size_t both[] = {1, 2};
  EXPECT_EQ(rows[4][1], "合計");
  EXPECT_EQ(rows[4][5], ExactNumber(u.TotalLengthSd(both)));
  // The shared fit makes the total's uncertainty other than the groups' in quadrature.
  EXPECT_NE(u.TotalLengthSd(both), std::hypot(u.LengthSd(1), u.LengthSd(2)));
  EXPECT_GT(u.LengthSd(0), 0);

  const std::string json = ExportProject(d, ExportContent::Results, ExportFormat::Json).text;
  EXPECT_NE(json.find("\"length_sd\": " + ExactNumber(u.LengthSd(1)) +
                      ", \"area_sd\": " + ExactNumber(u.AreaSd(1))),
            std::string::npos)
      << json;
  const std::string shapes = ExportProject(d, ExportContent::Shapes, ExportFormat::Json).text;
  EXPECT_NE(shapes.find("\"area_sd\": " + ExactNumber(u.AreaSd(2))), std::string::npos);

  const auto points =
      SplitRows(ExportProject(d, ExportContent::Points, ExportFormat::Csv).text.substr(3), ',');
  const PositionSd p = PositionUncertainty(model, d.Method, d.Cx, d.Cy, 3, 7);
  EXPECT_EQ(points[3][7], ExactNumber(p.x));
  EXPECT_EQ(points[3][8], ExactNumber(p.y));
  EXPECT_GT(p.x, 0.5 * 0.1);  // more than the click alone
}

TEST(Export, ResultsAsJsonNameTheirUnits) {
  const ExportText json =
      ExportProject(MillimetreProject(), ExportContent::Results, ExportFormat::Json);
  ASSERT_TRUE(json.ok());
  EXPECT_PRED2(StartsWith, json.text,
               "{\"lengthUnit\": \"mm\", \"areaUnit\": \"mm^2\",\n \"header\"");
  EXPECT_NE(json.text.find("{\"type\": \"group\", \"group\": \"C2\", \"category\": \"道路, 舗装\", "
                           "\"kind\": \"領域（閉曲線）\", \"length\": "),
            std::string::npos)
      << json.text;
  EXPECT_NE(json.text.find(", \"points\": 3, \"outside_markers\": false}\n ]}\n"),
            std::string::npos);
}

TEST(Export, GroupsAsGeoJsonAreLongitudeLatitudeFeatures) {
  const ProjectData d = DegreeProject();
  const ExportText geo = ExportProject(d, ExportContent::Shapes, ExportFormat::GeoJson);
  ASSERT_TRUE(geo.ok()) << geo.error;
  const std::string& t = geo.text;
  EXPECT_PRED2(StartsWith, t,
               "{\"type\": \"FeatureCollection\", \"lengthUnit\": \"m\", \"areaUnit\": \"m^2\",\n "
               "\"features\": [");
  EXPECT_NE(t.find("{\"type\": \"Feature\", \"geometry\": {\"type\": \"LineString\", "
                   "\"coordinates\": [[135, 35], [136, 35]]}, \"properties\": {\"group\": \"L1\", "
                   "\"category\": \"Sort 1\", \"kind\": \"曲線\", \"length\": "),
            std::string::npos)
      << t;
  // The ring is turned counter-clockwise, starts at the group's first point and is closed.
  EXPECT_NE(t.find("{\"type\": \"Polygon\", \"coordinates\": [[[135, 35], [135, 34], [136, 34], "
                   "[135, 35]]]}, \"properties\": {\"group\": \"C2\", \"category\": \"池\", "
                   "\"kind\": \"領域（閉曲線）\""),
            std::string::npos)
      << t;
  EXPECT_NE(t.find("{\"type\": \"MultiPoint\", \"coordinates\": [[136, 34.5], [137, 35]]}"),
            std::string::npos);
  // Too few points for the kind: the geometry they make.
  EXPECT_NE(t.find("{\"type\": \"Point\", \"coordinates\": [137, 34]}, \"properties\": {\"group\": "
                   "\"L4\""),
            std::string::npos);

  // The area keeps the group's own sign and every digit.
  std::vector<TLine> measured = d.Lines;
  ASSERT_TRUE(CalculateLines(measured, d.Method, d.Cx, d.Cy, d.ScaleUnit).ok());
  const std::size_t at = t.find("\"area\": ", t.find("\"group\": \"C2\"")) + 8;
  EXPECT_EQ(Number(t.substr(at, t.find(',', at) - at)), measured[1].Area);
  EXPECT_EQ(ExportProject(d, ExportContent::Results, ExportFormat::GeoJson).text, t);

  // The same geometries in the project's unit, named, in the order the points were taken.
  const ExportText json = ExportProject(d, ExportContent::Shapes, ExportFormat::Json);
  EXPECT_PRED2(StartsWith, json.text,
               "{\"unit\": \"度\", \"lengthUnit\": \"m\", \"areaUnit\": \"m^2\",\n \"groups\": [");
  EXPECT_NE(json.text.find("\"geometry\": {\"type\": \"Polygon\", \"coordinates\": [[[135, 35], "
                           "[136, 34], [135, 34], [135, 35]]]}}"),
            std::string::npos)
      << json.text;

  // A ring closed by hand is not closed twice; two points make no ring.
  ProjectData byHand = d;
  byHand.Lines = {Group(ltClosed, 0, {{0, 0}, {0, 4}, {2, 4}, {0, 0}}),
                  Group(ltClosed, 0, {{0, 0}, {2, 0}})};
  const std::string hand = ExportProject(byHand, ExportContent::Shapes, ExportFormat::GeoJson).text;
  EXPECT_NE(hand.find("[[[135, 35], [135, 34], [136, 34], [135, 35]]]}"), std::string::npos)
      << hand;
  EXPECT_NE(hand.find("{\"type\": \"LineString\", \"coordinates\": [[135, 35], [136, 35]]}, "
                      "\"properties\": {\"group\": \"C2\""),
            std::string::npos)
      << hand;

  const ExportText points = ExportProject(d, ExportContent::Points, ExportFormat::GeoJson);
  EXPECT_NE(points.text.find(
                "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", "
                "\"coordinates\": [136, 34.5]}, \"properties\": {\"group\": \"P3\", "
                "\"point\": \"1\", \"category\": \"Sort 1\", \"x\": 2, \"y\": 2, \"x_sd\": null, "
                "\"y_sd\": null}}"),
            std::string::npos)
      << points.text;
}

TEST(Export, WhatAFormatCannotHoldIsRefusedWithAReason) {
  const ProjectData mm = MillimetreProject();
  for (ExportContent c : {ExportContent::Results, ExportContent::Points, ExportContent::Shapes}) {
    const ExportText geo = ExportProject(mm, c, ExportFormat::GeoJson);
    EXPECT_EQ(geo.status, ExportStatus::NotDegreeUnit);
    EXPECT_NE(geo.error.find("\"mm\""), std::string::npos) << geo.error;
    EXPECT_TRUE(geo.text.empty());
  }
  EXPECT_EQ(ExportProject(mm, ExportContent::Shapes, ExportFormat::Csv).status,
            ExportStatus::NotOffered);
  EXPECT_FALSE(ExportOffered(ExportContent::Shapes, ExportFormat::Tsv, kDegreeUnit));
  EXPECT_TRUE(ExportOffered(ExportContent::Points, ExportFormat::GeoJson, kDegreeUnit));

  ProjectData unset = DegreeProject();
  unset.Cy.pop_back();
  EXPECT_EQ(ExportProject(unset, ExportContent::Results, ExportFormat::Csv).status,
            ExportStatus::NoTransform);
  EXPECT_EQ(ExportProject(unset, ExportContent::Points, ExportFormat::GeoJson).status,
            ExportStatus::NoTransform);
  // No values that JSON cannot hold, no text where a number belongs.
  EXPECT_EQ(ExactNumber(std::nan("")), "");
  EXPECT_EQ(ExactNumber(0.1 + 0.2), "0.30000000000000004");
}

TEST(Export, PointsWithoutLabelsAndProjectsWithoutGroups) {
  // A keyed-text project's points carry no labels: every export names them by their place, as
  // the point table does, so it equals the export of the same points labelled 1, 2, ...
  const ExportContent contents[] = {ExportContent::Results, ExportContent::Points,
                                    ExportContent::Shapes};
  const ExportFormat formats[] = {ExportFormat::Csv, ExportFormat::Tsv, ExportFormat::Json,
                                  ExportFormat::GeoJson};
  for (const ProjectData& labelled : {MillimetreProject(), DegreeProject()}) {
    ProjectData bare = labelled;
    for (TLine& line : bare.Lines)
      for (TMarker& p : line.Points) p.nm = PointLabel();
    ProjectData empty = labelled;
    empty.Lines.clear();
    for (ExportContent content : contents)
      for (ExportFormat format : formats) {
        if (!ExportOffered(content, format, labelled.ScaleUnit)) continue;
        SCOPED_TRACE(static_cast<int>(content) * 10 + static_cast<int>(format));
        const ExportText expected = ExportProject(labelled, content, format);
        ASSERT_TRUE(expected.ok()) << expected.error;
        EXPECT_EQ(ExportProject(bare, content, format).text, expected.text);
        // Without groups: a well-formed file holding none.
        const ExportText none = ExportProject(empty, content, format);
        ASSERT_TRUE(none.ok()) << none.error;
        EXPECT_FALSE(none.text.empty());
        EXPECT_LT(none.text.size(), expected.text.size());
        if (format == ExportFormat::GeoJson)
          EXPECT_NE(none.text.find("\"features\": []"), std::string::npos) << none.text;
      }
  }
}

// What a GIS reads: the features' geometries parsed back by GEOS's own GeoJSON reader, each
// polygon checked for validity and orientation, every longitude within ±180.
struct GisView {
  std::vector<std::string> types;   // of each feature's geometry
  std::vector<double> planarAreas;  // square degrees, of each feature's geometry
  bool valid = true;                // every polygon valid, outer rings counter-clockwise
  bool withinRange = true;          // every longitude within -180..180
};

bool CounterClockwise(GEOSContextHandle_t h, const GEOSGeometry* ring) {
  char ccw = 0;
  return GEOSCoordSeq_isCCW_r(h, GEOSGeom_getCoordSeq_r(h, ring), &ccw) && ccw;
}

void Look(GEOSContextHandle_t h, const GEOSGeometry* g, GisView* v) {
  const int type = GEOSGeomTypeId_r(h, g);
  if (type == GEOS_POLYGON) {
    v->valid =
        v->valid && GEOSisValid_r(h, g) == 1 && CounterClockwise(h, GEOSGetExteriorRing_r(h, g));
  } else if (type == GEOS_MULTIPOLYGON || type == GEOS_MULTILINESTRING) {
    v->valid = v->valid && GEOSisValid_r(h, g) == 1;
    for (int i = 0; i < GEOSGetNumGeometries_r(h, g); ++i) Look(h, GEOSGetGeometryN_r(h, g, i), v);
  }
  double minX = 0, maxX = 0;
  if (GEOSGeom_getXMin_r(h, g, &minX) && GEOSGeom_getXMax_r(h, g, &maxX))
    v->withinRange = v->withinRange && minX >= -180 && maxX <= 180;
}

GisView ReadAsAGis(const std::string& geojson) {
  GisView v;
  GEOSContextHandle_t h = GEOS_init_r();
  GEOSGeoJSONReader* reader = GEOSGeoJSONReader_create_r(h);
  GEOSGeometry* all = GEOSGeoJSONReader_readGeometry_r(h, reader, geojson.c_str());
  EXPECT_NE(all, nullptr) << geojson;
  for (int i = 0; all && i < GEOSGetNumGeometries_r(h, all); ++i) {
    const GEOSGeometry* g = GEOSGetGeometryN_r(h, all, i);
    char* type = GEOSGeomType_r(h, g);
    v.types.push_back(type);
    GEOSFree_r(h, type);
    double area = 0;
    GEOSArea_r(h, g, &area);
    v.planarAreas.push_back(area);
    Look(h, g, &v);
  }
  if (all) GEOSGeom_destroy_r(h, all);
  GEOSGeoJSONReader_destroy_r(h, reader);
  GEOS_finish_r(h);
  return v;
}

std::string Property(const std::string& text, const std::string& group, const std::string& key) {
  const std::size_t at = text.find("\"" + key + "\": ", text.find("\"group\": \"" + group + "\""));
  if (at == std::string::npos) return {};
  const std::size_t start = at + key.size() + 4;
  return text.substr(start, text.find_first_of(",}", start) - start);
}

TEST(Export, GeoJsonThatAGisReadsAsMeant) {
  ProjectData d = DegreeProject();  // longitude 135 + x/2, latitude 35 - y/4
  d.Lines = {
      // A bow-tie whose lobes enclose 2 and 8 square pixels: its signed area is their difference.
      Group(ltClosed, 0, {{0, 0}, {6, 4}, {6, 0}, {0, 2}}),
      // A ring traced clockwise on the map.
      Group(ltClosed, 0, {{0, 0}, {2, 4}, {0, 4}}),
      // A ring traced counter-clockwise, for comparison.
      Group(ltClosed, 0, {{0, 0}, {0, 4}, {2, 4}})};
  const ExportText geo = ExportProject(d, ExportContent::Shapes, ExportFormat::GeoJson);
  ASSERT_TRUE(geo.ok()) << geo.error;
  const GisView v = ReadAsAGis(geo.text);
  EXPECT_TRUE(v.valid) << geo.text;
  ASSERT_EQ(v.types, (std::vector<std::string>{"MultiPolygon", "Polygon", "Polygon"})) << geo.text;
  // Both lobes, each counted once: (2 + 8) pixels of 1/8 square degree.
  EXPECT_NEAR(v.planarAreas[0], 10.0 / 8, 1e-12);
  EXPECT_EQ(Property(geo.text, "C1", "crossing_edges"), "true");
  EXPECT_EQ(Property(geo.text, "C2", "crossing_edges"), "false");
  // The areas stay the table's, signed by the tracing, and the file says how it was traced.
  std::vector<TLine> measured = d.Lines;
  ASSERT_TRUE(CalculateLines(measured, d.Method, d.Cx, d.Cy, d.ScaleUnit).ok());
  EXPECT_EQ(Number(Property(geo.text, "C2", "area")), measured[1].Area);
  EXPECT_LT(measured[1].Area, 0);
  EXPECT_EQ(Property(geo.text, "C2", "traced_clockwise"), "true");
  EXPECT_EQ(Property(geo.text, "C3", "traced_clockwise"), "false");
  EXPECT_EQ(Number(Property(geo.text, "C3", "area")), -measured[1].Area);
  // Each feature names its units: a GIS drops the collection's own members.
  EXPECT_EQ(Property(geo.text, "C1", "length_unit"), "\"m\"");
  EXPECT_EQ(Property(geo.text, "C1", "area_unit"), "\"m^2\"");

  // Across the antimeridian: longitude 179 + x/2, so x = 2 is 180 and x = 4 is 181.
  d.Cx = {179, 0.5, 0};
  d.Lines = {Group(ltClosed, 0, {{0, 0}, {0, 4}, {4, 4}, {4, 0}}),
             Group(ltCurve, 0, {{0, 0}, {4, 2}}), Group(ltCurve, 0, {{0, 0}, {1, 2}})};
  const ExportText across = ExportProject(d, ExportContent::Shapes, ExportFormat::GeoJson);
  ASSERT_TRUE(across.ok()) << across.error;
  const GisView a = ReadAsAGis(across.text);
  EXPECT_TRUE(a.valid && a.withinRange) << across.text;
  ASSERT_EQ(a.types, (std::vector<std::string>{"MultiPolygon", "MultiLineString", "LineString"}))
      << across.text;
  EXPECT_NEAR(a.planarAreas[0], 2.0, 1e-9);  // 2 by 1 degrees, in two halves
  EXPECT_NE(across.text.find("[-180, "), std::string::npos);
  EXPECT_NE(across.text.find("[180, "), std::string::npos);

  // Pixels are no longitude and latitude, whatever unit the project names.
  ProjectData none = DegreeProject();
  none.Method = tmNone;
  for (ExportContent c : {ExportContent::Results, ExportContent::Shapes, ExportContent::Points}) {
    const ExportText refused = ExportProject(none, c, ExportFormat::GeoJson);
    EXPECT_EQ(refused.status, ExportStatus::NoTransform);
    EXPECT_NE(refused.error.find("\"none\""), std::string::npos) << refused.error;
  }
}

TEST(Export, AFailedWriteLeavesTheOldFile) {
  char templ[] = "/tmp/zelko_export_XXXXXX";
  ASSERT_NE(mkdtemp(templ), nullptr);
  const fs::path dir = templ;
  const std::string path = (dir / "results.csv").string();
  Failure error;
  ASSERT_TRUE(WriteFileAtomically(path, "old", &error)) << error;
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(WriteFileAtomically(path, "new", &error));
  EXPECT_TRUE(error.Failed());
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
  EXPECT_FALSE(WriteFileAtomically((dir / "missing" / "r.csv").string(), "new", &error));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace zelko
