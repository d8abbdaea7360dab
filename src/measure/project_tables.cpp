#include "measure/project_tables.h"

#include <algorithm>
#include <cmath>

#include "coords/transform.h"
#include "document/any_project.h"
#include "document/numbers.h"
#include "measure/calculation.h"
#include "measure/formats.h"
#include "measure/uncertainty.h"

namespace zelko {

std::optional<ProjectData> LoadProjectData(const std::string& path, std::string* error) {
  AnyProjectResult read = ReadAnyProjectFile(path);
  if (!read.Ok) {
    if (error) *error = read.Error.Failed() ? read.Error.Text() : "the project cannot be read";
    return std::nullopt;
  }
  if (read.Form == ProjectForm::Binary) return std::move(read.Binary);
  // The keyed-text form leaves out what a new document would hold.
  ProjectData data;
  std::string why;
  if (!KeyedTextToProjectData(read.KeyedText, ProjectData{}, &data, &why)) {
    if (error) *error = why;
    return std::nullopt;
  }
  return data;
}

bool ProjectTransformIsSet(const ProjectData& data) {
  const int count = CoefficientCount(data.Method);
  return count > 0 && static_cast<int>(data.Cx.size()) == count &&
         static_cast<int>(data.Cy.size()) == count;
}

std::optional<int> ProjectDecimals(const ProjectData& data, std::string* error) {
  const auto d = TryParseInteger(data.NumDecimal);
  if (!d) {
    if (error) *error = "decimal places \"" + data.NumDecimal + "\" are not a whole number";
    return std::nullopt;
  }
  return static_cast<int>(std::clamp<long long>(*d, -1, kMaxDecimals));
}

std::vector<std::string> ProjectCategories(const ProjectData& data) {
  if (!data.HasCategories || data.Categories.empty()) return {"Sort 1"};
  return data.Categories;
}

namespace {

std::string NotSetMessage(const ProjectData& data) {
  return "transformation not set (method " + std::to_string(data.Method) + " needs " +
         std::to_string(CoefficientCount(data.Method)) + " coefficients, the project holds " +
         std::to_string(data.Cx.size()) + ")";
}

}  // namespace

ProjectResults ProjectResultTable(const ProjectData& data) {
  ProjectResults out;
  if (!ProjectTransformIsSet(data)) {
    out.error = NotSetMessage(data);
    return out;
  }
  const auto decimals = ProjectDecimals(data, &out.error);
  if (!decimals) return out;
  std::vector<TLine> lines = data.Lines;
  const FitRegion region = ProjectMarkerRegion(data.Method, data.Cx, data.Markers);
  const CalculateResult r =
      CalculateLines(lines, data.Method, data.Cx, data.Cy, data.ScaleUnit, false, {}, &region);
  if (!r.ok() && r.status != CalculateStatus::NoGroups) {
    out.error = r.message;
    return out;
  }
  // A number that is wrong without a word is worse than none: the command fails.
  out.error = UnreliableError(lines, r);
  if (!out.error.empty()) return out;
  out.table = BuildResultTable(lines, ProjectCategories(data), data.ScaleUnit, *decimals);
  const ResultUncertainty u = PropagateUncertainty(lines, data.Method, data.Cx, data.Cy,
                                                   data.ScaleUnit, ProjectUncertaintyModel(data));
  FillResultUncertainty(out.table, lines, u);
  // One standard deviation after the table's columns, to two significant digits; empty where
  // the fit leaves it unknown.
  out.table.cells[0].insert(out.table.cells[0].end(), {"length_sd", "area_sd"});
  for (std::size_t row = 1; row < out.table.cells.size(); ++row)
    out.table.cells[row].insert(out.table.cells[row].end(), {SdText(out.table.rows[row].lengthSd),
                                                             SdText(out.table.rows[row].areaSd)});
  out.warning = CalculationWarning(lines, r);
  out.ok = true;
  return out;
}

namespace {

// Appends the standard deviations of the row's position: of X and Y with a transformation
// (empty beyond the vanishing line or where the fit leaves them unknown), of the image x and y
// without one.
class PointSdColumns {
 public:
  PointSdColumns(const ProjectData& data, bool physical)
      : data_(data),
        physical_(physical && data.Method != tmNone),
        model_(ProjectUncertaintyModel(data)) {}
  void Append(std::vector<std::string>& cells, PointRowInfo info) const {
    if (info.group < 0) {
      cells.insert(cells.end(), {"x_sd", "y_sd"});
      return;
    }
    if (!physical_) {
      cells.insert(cells.end(), {SdText(model_.clickSd), SdText(model_.clickSd)});
      return;
    }
    const TMarker& p = data_.Lines[static_cast<std::size_t>(info.group)]
                           .Points[static_cast<std::size_t>(info.point)];
    PositionSd sd{std::nan(""), std::nan("")};
    if (cells.size() >= 7 && !cells[5].empty())
      sd = PositionUncertainty(model_, data_.Method, data_.Cx, data_.Cy, p.x, p.y);
    cells.insert(cells.end(), {SdText(sd.x), SdText(sd.y)});
  }

 private:
  const ProjectData& data_;
  bool physical_;
  UncertaintyModel model_;
};

}  // namespace

ProjectPoints ProjectPointTable(const ProjectData& data) {
  ProjectPoints out;
  const auto decimals = ProjectDecimals(data, &out.error);
  if (!decimals) return out;
  out.physical = ProjectTransformIsSet(data);
  // Method 0 has no physical columns anyway; an unset transformation shows what method 0 shows.
  const int method = out.physical ? data.Method : tmNone;
  out.table = BuildPointTable(data.Lines, method, data.Cx, data.Cy, data.ScaleUnit, *decimals,
                              ProjectMarkerRegion(method, data.Cx, data.Markers).side);
  const PointSdColumns sd(data, out.physical);
  for (std::size_t r = 0; r < out.table.cells.size(); ++r)
    sd.Append(out.table.cells[r], out.table.rows[r]);
  out.ok = true;
  return out;
}

ProjectPoints ForEachProjectPointRow(const ProjectData& data, const PointRowFn& row) {
  ProjectPoints out;
  const auto decimals = ProjectDecimals(data, &out.error);
  if (!decimals) return out;
  out.physical = ProjectTransformIsSet(data);
  const int method = out.physical ? data.Method : tmNone;
  const PointSdColumns sd(data, out.physical);
  std::vector<std::string> withSd;
  ForEachPointTableRow(
      data.Lines, method, data.Cx, data.Cy, data.ScaleUnit, *decimals,
      [&](const std::vector<std::string>& cells, PointRowInfo info) {
        withSd = cells;
        sd.Append(withSd, info);
        row(withSd, info);
      },
      ProjectMarkerRegion(method, data.Cx, data.Markers).side);
  out.ok = true;
  return out;
}

}  // namespace zelko
