#include "measure/export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "coords/transform.h"
#include "measure/calculation.h"
#include "measure/formats.h"
#include "measure/geojson_geometry.h"
#include "measure/project_tables.h"
#include "measure/table_text.h"
#include "measure/tables.h"
#include "measure/uncertainty.h"

namespace zelko {

std::string ExactNumber(double v) {
  if (!std::isfinite(v)) return {};
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

bool ExportOffered(ExportContent content, ExportFormat format, int unit) {
  if (format == ExportFormat::GeoJson) return unit == kDegreeUnit;
  return content != ExportContent::Shapes || format == ExportFormat::Json;
}

namespace {

std::string JsonNumber(double v) {
  const std::string s = ExactNumber(v);
  return s.empty() ? "null" : s;
}

// The names the group kinds have in the window's kind chooser.
std::string KindName(std::uint8_t lineType) {
  switch (lineType) {
    case ltCurve:
      return "曲線";
    case ltClosed:
      return "領域（閉曲線）";
    case ltPoints:
      return "点";
    default:
      return {};
  }
}

std::string Rows(const TableCells& cells, ExportFormat format) {
  std::string out = format == ExportFormat::Csv ? kCsvByteOrderMark : "";
  std::size_t width = 0;
  for (const auto& row : cells) width = std::max(width, row.size());
  for (const auto& row : cells)
    out += format == ExportFormat::Csv ? TableRowToCsv(row, width) : TableRowToTsv(row, width);
  return out;
}

std::string JsonCells(const std::vector<std::string>& cells) {
  std::string out = "[";
  for (std::size_t c = 0; c < cells.size(); ++c) out += (c ? ", " : "") + JsonString(cells[c]);
  return out + "]";
}

struct Measured {
  std::vector<TLine> lines;  // with fresh lengths and areas
  std::vector<std::string> categories;
  std::string warning;
  std::vector<bool> beyondVanishingLine;  // by group: no physical place, no geometry
  ResultUncertainty uncertainty;
};

std::string GroupLatitudeError(const std::vector<TLine>& lines,
                               const std::vector<std::size_t>& groups) {
  std::string labels;
  for (std::size_t g : groups)
    labels += (labels.empty() ? "" : ", ") + GroupLabel(lines, static_cast<int>(g));
  return "latitudes beyond ±90 degrees in " + labels;
}

// The calculate command's work on a copy of the groups; false when the transformation is not set.
bool Measure(const ProjectData& data, bool geo, Measured* m, ExportText* out) {
  if (!ProjectTransformIsSet(data)) {
    out->status = ExportStatus::NoTransform;
    out->error = "transformation not set (method " + std::to_string(data.Method) + " needs " +
                 std::to_string(CoefficientCount(data.Method)) +
                 " coefficients, the project holds " + std::to_string(data.Cx.size()) + ")";
    return false;
  }
  m->lines = data.Lines;
  m->categories = ProjectCategories(data);
  const FitRegion region = ProjectMarkerRegion(data.Method, data.Cx, data.Markers);
  const CalculateResult r =
      CalculateLines(m->lines, data.Method, data.Cx, data.Cy, data.ScaleUnit, false, {}, &region);
  if (!r.ok() && r.status != CalculateStatus::NoGroups) {
    out->status = ExportStatus::NoTransform;
    out->error = "the groups cannot be measured";
    return false;
  }
  out->error = UnreliableError(m->lines, r);
  // A latitude beyond the poles has no place in GeoJSON; sets of points are not measured, so
  // every group is looked at.
  if (out->error.empty() && geo) {
    std::vector<std::size_t> off;
    for (std::size_t g = 0; g < m->lines.size(); ++g)
      if (!std::binary_search(r.beyondVanishingLine.begin(), r.beyondVanishingLine.end(), g) &&
          HasPointOffTheEllipsoid(PhysicalPoints(m->lines[g], data.Method, data.Cx, data.Cy)))
        off.push_back(g);
    if (!off.empty()) out->error = GroupLatitudeError(m->lines, off);
  }
  if (!out->error.empty()) {
    out->status = ExportStatus::Unreliable;
    return false;
  }
  m->warning = CalculationWarning(m->lines, r);
  m->uncertainty = PropagateUncertainty(m->lines, data.Method, data.Cx, data.Cy, data.ScaleUnit,
                                        ProjectUncertaintyModel(data));
  m->beyondVanishingLine.assign(m->lines.size(), false);
  for (std::size_t g : r.beyondVanishingLine) m->beyondVanishingLine[g] = true;
  return true;
}

// ---------------------------------------------------------------- result table

std::string ResultText(const Measured& m, int unit, ExportFormat format) {
  // The decimals only shape the cells replaced below.
  ResultTable table = BuildResultTable(m.lines, m.categories, unit, 1);
  FillResultUncertainty(table, m.lines, m.uncertainty);
  if (format != ExportFormat::Json) {
    // One standard deviation each, after the table's columns; empty where unknown.
    table.cells[0].insert(table.cells[0].end(), {"length_sd", "area_sd"});
    for (std::size_t r = 1; r < table.cells.size(); ++r) {
      table.cells[r][2] = ExactNumber(table.rows[r].length);
      table.cells[r][3] = ExactNumber(table.rows[r].area);
      table.cells[r].insert(table.cells[r].end(), {ExactNumber(table.rows[r].lengthSd),
                                                   ExactNumber(table.rows[r].areaSd)});
    }
    return Rows(table.cells, format);
  }
  const std::string u = ResultUnitText(unit);
  std::string out = "{\"lengthUnit\": " + JsonString(u) +
                    ", \"areaUnit\": " + JsonString(u + "^2") +
                    ",\n \"header\": " + JsonCells(table.cells[0]) + ",\n \"rows\": [";
  for (std::size_t r = 1; r < table.cells.size(); ++r) {
    const ResultRowInfo& info = table.rows[r];
    out += r == 1 ? "\n  " : ",\n  ";
    if (info.kind == ResultRowKind::Group) {
      const TLine& line = m.lines[static_cast<std::size_t>(info.group)];
      out += "{\"type\": \"group\", \"group\": " + JsonString(table.cells[r][1]) +
             ", \"category\": " + JsonString(CategoryName(m.categories, info.sort)) +
             ", \"kind\": " + JsonString(KindName(line.LineType));
    } else {
      out += "{\"type\": \"total\", \"category\": " +
             JsonString(CategoryName(m.categories, info.sort));
    }
    out += ", \"length\": " + JsonNumber(info.length) + ", \"area\": " + JsonNumber(info.area) +
           ", \"length_sd\": " + JsonNumber(info.lengthSd) +
           ", \"area_sd\": " + JsonNumber(info.areaSd) + ", \"points\": " + table.cells[r][4];
    if (info.kind == ResultRowKind::Group)
      out += std::string(", \"outside_markers\": ") +
             (m.lines[static_cast<std::size_t>(info.group)].OutsideMarkers ? "true" : "false");
    out += "}";
  }
  return out + (table.cells.size() > 1 ? "\n ]}\n" : "]}\n");
}

// ---------------------------------------------------------------- point table

struct PointValues {
  std::size_t group;
  std::size_t point;
  double X, Y;  // physical, when the table has them
  bool beyond;  // beyond the projective fit's vanishing line: no physical position
  // Standard deviations of X and Y, or of x and y without physical columns; NaN where unknown.
  double xSd, ySd;
};

// Every used point of every group, in table order; longitudes within ±180°. A point beyond the
// projective fit's vanishing line has no physical position (NaN: an empty cell, null in JSON).
template <typename Fn>
void ForEachPoint(const ProjectData& data, int method, Fn fn) {
  const FitRegion region = ProjectMarkerRegion(method, data.Cx, data.Markers);
  const UncertaintyModel model = ProjectUncertaintyModel(data);
  for (std::size_t g = 0; g < data.Lines.size(); ++g) {
    const TLine& line = data.Lines[g];
    const std::size_t n = UsedPointCount(line);
    for (std::size_t j = 0; j < n; ++j) {
      const TMarker& p = line.Points[j];
      PointValues v{g, j, 0, 0, false, model.clickSd, model.clickSd};
      if (method != tmNone) {
        if (PlaceOf(region, data.Cx, p.x, p.y) == PointPlace::BeyondVanishingLine) {
          v.X = v.Y = v.xSd = v.ySd = std::nan("");
          v.beyond = true;
        } else {
          v.X = EvaluateTransform(method, data.Cx, p.x, p.y);
          v.Y = EvaluateTransform(method, data.Cy, p.x, p.y);
          const PositionSd sd = PositionUncertainty(model, method, data.Cx, data.Cy, p.x, p.y);
          v.xSd = sd.x;
          v.ySd = sd.y;
          if (data.ScaleUnit == kDegreeUnit) v.X = NormalLongitude(v.X);
        }
      }
      fn(line, p, v);
    }
  }
}

std::string PointName(const TMarker& p, std::size_t j) {
  return p.nm.empty() ? std::to_string(j + 1) : p.nm.str();
}

// Without a set transformation only the image columns, as the window's point table shows.
int PointMethod(const ProjectData& data) {
  return ProjectTransformIsSet(data) ? data.Method : static_cast<int>(tmNone);
}

// Why the point table cannot be written: a physical position that is no finite number (other
// than beyond the vanishing line, which stays empty), or in GeoJSON a latitude beyond the poles.
// Checked before the first row, so that a table is either complete or not begun.
std::string PointError(const ProjectData& data, int method, bool geo) {
  if (method == tmNone) return {};
  std::string error;
  ForEachPoint(data, method, [&](const TLine& line, const TMarker& p, const PointValues& v) {
    if (!error.empty() || v.beyond) return;
    const std::string where = "point " + PointName(p, v.point) + " of " +
                              GroupLabel(line.LineType, static_cast<int>(v.group));
    if (!std::isfinite(v.X) || !std::isfinite(v.Y))
      error = "the physical position of " + where + " is not a finite number";
    else if (geo && std::fabs(v.Y) > 90)
      error = "the latitude " + ExactNumber(v.Y) + " of " + where + " is beyond ±90 degrees";
  });
  return error;
}

// Written a row at a time: the whole table as one text takes many times the project's memory.
void PointText(const ProjectData& data, ExportFormat format, const ByteSink& emit) {
  const int method = PointMethod(data);
  const int unit = data.ScaleUnit;
  const bool physical = method != tmNone;
  const std::vector<std::string> categories = ProjectCategories(data);
  std::vector<std::string> header = PointTableHeader(method, unit);
  // The window's captions name the degree columns without their unit.
  if (physical && unit == kDegreeUnit) {
    header[5] += "(度)";
    header[6] += "(度)";
  }
  header.insert(header.end(), {"x_sd", "y_sd"});
  if (format != ExportFormat::Json) {
    const bool csv = format == ExportFormat::Csv;
    const std::size_t width = header.size();
    const auto row = csv ? &TableRowToCsv : &TableRowToTsv;
    if (csv) emit(kCsvByteOrderMark);
    emit(row(header, width));
    std::vector<std::string> cells;
    ForEachPoint(data, method, [&](const TLine& line, const TMarker& p, const PointValues& v) {
      cells = {std::to_string(line.Sort + 1), GroupLabel(line.LineType, static_cast<int>(v.group)),
               PointName(p, v.point), ExactNumber(p.x), ExactNumber(p.y)};
      if (physical) {
        cells.push_back(ExactNumber(v.X));
        cells.push_back(ExactNumber(v.Y));
      }
      cells.push_back(ExactNumber(v.xSd));
      cells.push_back(ExactNumber(v.ySd));
      emit(row(cells, width));
    });
    return;
  }
  emit("{\"imageUnit\": \"pixels\", \"unit\": " +
       (physical ? JsonString(ScaleUnitText(unit)) : std::string("null")) +
       ",\n \"header\": " + JsonCells(header) + ",\n \"rows\": [");
  bool first = true;
  std::string out;
  ForEachPoint(data, method, [&](const TLine& line, const TMarker& p, const PointValues& v) {
    out = first ? "\n  " : ",\n  ";
    first = false;
    out += "{\"group\": " + JsonString(GroupLabel(line.LineType, static_cast<int>(v.group))) +
           ", \"point\": " + JsonString(PointName(p, v.point)) +
           ", \"category\": " + JsonString(CategoryName(categories, line.Sort)) +
           ", \"x\": " + JsonNumber(p.x) + ", \"y\": " + JsonNumber(p.y);
    if (physical) out += ", \"X\": " + JsonNumber(v.X) + ", \"Y\": " + JsonNumber(v.Y);
    out += ", \"x_sd\": " + JsonNumber(v.xSd) + ", \"y_sd\": " + JsonNumber(v.ySd) + "}";
    emit(out);
  });
  emit(first ? "]}\n" : "\n ]}\n");
}

// ---------------------------------------------------------------- geometries

std::string Position(const XY& p) { return "[" + JsonNumber(p.x) + ", " + JsonNumber(p.y) + "]"; }

std::string Positions(const std::vector<XY>& points) {
  std::string out = "[";
  for (std::size_t i = 0; i < points.size(); ++i) out += (i ? ", " : "") + Position(points[i]);
  return out + "]";
}

// A group's geometry in the project's unit: a curve is a LineString, a closed curve a Polygon
// whose ring ends at its first point in the order clicked, a set of points a MultiPoint. Too few
// points for the kind give the geometry they do make (a Point, a LineString), none at all null.
std::string Geometry(const TLine& line, std::vector<XY> points) {
  const std::size_t n = points.size();
  if (n == 0) return "null";
  if (line.LineType == ltPoints)
    return "{\"type\": \"MultiPoint\", \"coordinates\": " + Positions(points) + "}";
  if (n == 1) return "{\"type\": \"Point\", \"coordinates\": " + Position(points[0]) + "}";
  // A ring that the user closed by hand is not closed twice.
  const bool closedByHand =
      points.back().x == points.front().x && points.back().y == points.front().y;
  if (line.LineType != ltClosed || n - closedByHand < 3)
    return "{\"type\": \"LineString\", \"coordinates\": " + Positions(points) + "}";
  if (!closedByHand) points.push_back(points.front());
  return "{\"type\": \"Polygon\", \"coordinates\": [" + Positions(points) + "]}";
}

void ShapeText(const ProjectData& data, const Measured& m, ExportFormat format,
               const ByteSink& emit) {
  const int unit = data.ScaleUnit;
  const std::string u = ResultUnitText(unit);
  const bool geo = format == ExportFormat::GeoJson;
  std::string out = geo ? "{\"type\": \"FeatureCollection\", "
                        : "{\"unit\": " + JsonString(ScaleUnitText(unit)) + ", ";
  out += "\"lengthUnit\": " + JsonString(u) + ", \"areaUnit\": " + JsonString(u + "^2") + ",\n " +
         (geo ? "\"features\": [" : "\"groups\": [");
  emit(out);
  out.clear();
  for (std::size_t g = 0; g < m.lines.size(); ++g) {
    const TLine& line = m.lines[g];
    std::string geometry = "null";
    bool crossing = false;
    if (!m.beyondVanishingLine[g]) {
      std::vector<XY> points = PhysicalPoints(line, data.Method, data.Cx, data.Cy);
      if (line.LineType == ltClosed) crossing = HasCrossingEdges(points, unit == kDegreeUnit);
      geometry = geo ? GeoJsonGeometry(line.LineType, std::move(points))
                     : Geometry(line, std::move(points));
    }
    std::string properties =
        "\"group\": " + JsonString(GroupLabel(line.LineType, static_cast<int>(g))) +
        ", \"category\": " + JsonString(CategoryName(m.categories, line.Sort)) +
        ", \"kind\": " + JsonString(KindName(line.LineType)) +
        ", \"length\": " + JsonNumber(line.Length) + ", \"area\": " + JsonNumber(line.Area) +
        ", \"length_sd\": " + JsonNumber(m.uncertainty.LengthSd(g)) +
        ", \"area_sd\": " + JsonNumber(m.uncertainty.AreaSd(g));
    // A GIS keeps the features' properties only: each says its units.
    if (geo)
      properties +=
          ", \"length_unit\": " + JsonString(u) + ", \"area_unit\": " + JsonString(u + "^2");
    properties += ", \"points\": " + std::to_string(line.NumPoints) +
                  ", \"outside_markers\": " + (line.OutsideMarkers ? "true" : "false");
    // The polygon is written counter-clockwise and by its lobes; the area is the table's, signed
    // by the way the curve was traced, so the file says how it was traced.
    if (line.LineType == ltClosed)
      properties += std::string(", \"traced_clockwise\": ") + (line.Area < 0 ? "true" : "false") +
                    ", \"crossing_edges\": " + (crossing ? "true" : "false");
    out += g == 0 ? "\n  " : ",\n  ";
    if (geo)
      out += "{\"type\": \"Feature\", \"geometry\": " + geometry + ", \"properties\": {" +
             properties + "}}";
    else
      out += "{" + properties + ", \"geometry\": " + geometry + "}";
    emit(out);
    out.clear();
  }
  emit(m.lines.empty() ? "]}\n" : "\n ]}\n");
}

void PointFeatures(const ProjectData& data, const ByteSink& emit) {
  const std::vector<std::string> categories = ProjectCategories(data);
  emit("{\"type\": \"FeatureCollection\", \"imageUnit\": \"pixels\",\n \"features\": [");
  bool first = true;
  std::string out;
  ForEachPoint(data, data.Method, [&](const TLine& line, const TMarker& p, const PointValues& v) {
    out = first ? "\n  " : ",\n  ";
    first = false;
    out += "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": " +
           Position({v.X, v.Y}) + "}, \"properties\": {\"group\": " +
           JsonString(GroupLabel(line.LineType, static_cast<int>(v.group))) +
           ", \"point\": " + JsonString(PointName(p, v.point)) +
           ", \"category\": " + JsonString(CategoryName(categories, line.Sort)) +
           ", \"x\": " + JsonNumber(p.x) + ", \"y\": " + JsonNumber(p.y) +
           ", \"x_sd\": " + JsonNumber(v.xSd) + ", \"y_sd\": " + JsonNumber(v.ySd) + "}}";
    emit(out);
  });
  emit(first ? "]}\n" : "\n ]}\n");
}

}  // namespace

ExportText ExportProjectTo(const ProjectData& data, ExportContent content, ExportFormat format,
                           const ByteSink& sink) {
  ExportText out;
  if (!ExportOffered(content, format, data.ScaleUnit)) {
    if (format == ExportFormat::GeoJson) {
      out.status = ExportStatus::NotDegreeUnit;
      out.error = "GeoJSON holds longitude and latitude: the project's unit is \"" +
                  ScaleUnitText(data.ScaleUnit) + "\", not \"" + ScaleUnitText(kDegreeUnit) + "\"";
    } else {
      out.status = ExportStatus::NotOffered;
      out.error = "the groups as geometries are written as JSON or GeoJSON only";
    }
    return out;
  }
  const bool geo = format == ExportFormat::GeoJson;
  // Pixels are no place on the earth, whatever unit the project names.
  if (geo && ProjectTransformIsSet(data) && data.Method == tmNone) {
    out.status = ExportStatus::NoTransform;
    out.error = "the method \"none\" gives no longitude and latitude";
    return out;
  }
  if (content == ExportContent::Points) {
    if (geo && PointMethod(data) == tmNone) {
      out.status = ExportStatus::NoTransform;
      out.error = "transformation not set";
      return out;
    }
    out.error = PointError(data, PointMethod(data), geo);
    if (!out.error.empty()) {
      out.status = ExportStatus::Unreliable;
      return out;
    }
    if (geo)
      PointFeatures(data, sink);
    else
      PointText(data, format, sink);
    return out;
  }
  Measured m;
  if (!Measure(data, geo, &m, &out)) return out;
  out.warning = m.warning;
  if (content == ExportContent::Results && !geo)
    sink(ResultText(m, data.ScaleUnit, format));
  else
    ShapeText(data, m, format, sink);
  return out;
}

ExportText ExportProject(const ProjectData& data, ExportContent content, ExportFormat format) {
  std::string text;
  ExportText out =
      ExportProjectTo(data, content, format, [&text](std::string_view piece) { text += piece; });
  if (out.ok()) out.text = std::move(text);
  return out;
}

}  // namespace zelko
