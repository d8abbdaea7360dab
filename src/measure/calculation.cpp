#include "measure/calculation.h"

#include <algorithm>

#include "coords/transform.h"

namespace zelko {

bool TransformIsSet(int method, const std::vector<double>& cx, const std::vector<double>& cy) {
  const int count = CoefficientCount(method);
  return count > 0 && static_cast<int>(cx.size()) >= count && static_cast<int>(cy.size()) >= count;
}

std::size_t UsedPointCount(const TLine& line) {
  if (line.NumPoints <= 0) return 0;
  return std::min(static_cast<std::size_t>(line.NumPoints), line.Points.size());
}

std::vector<XY> PhysicalPoints(const TLine& line, int method, const std::vector<double>& cx,
                               const std::vector<double>& cy) {
  const std::size_t n = UsedPointCount(line);
  std::vector<XY> out(n);
  for (std::size_t i = 0; i < n; ++i) {
    const TMarker& p = line.Points[i];
    out[i] = {EvaluateTransform(method, cx, p.x, p.y), EvaluateTransform(method, cy, p.x, p.y)};
  }
  return out;
}

CalculateResult CalculateLines(std::vector<TLine>& lines, int method, const std::vector<double>& cx,
                               const std::vector<double>& cy, int unit, bool isLineInput,
                               const CalculateHooks& hooks) {
  if (lines.empty()) return {CalculateStatus::NoGroups, {}};
  if (isLineInput) return {CalculateStatus::InputRunning, kMsgInputUnfinished};
  if (!TransformIsSet(method, cx, cy)) return {CalculateStatus::TransformNotSet, kMsgNoTransform};
  if (hooks.prepare) hooks.prepare();
  const bool degree = unit == kDegreeUnit;
  std::vector<XY> physical;
  for (std::size_t g = 0; g < lines.size(); ++g) {
    TLine& line = lines[g];
    physical = PhysicalPoints(line, method, cx, cy);
    const bool closed = line.LineType == ltClosed;
    line.Length = line.LineType == ltPoints ? 0 : LineLength(physical, closed, degree);
    line.Area = !closed ? 0 : degree ? EllipsoidArea(physical) : PolygonArea(physical);
    if (hooks.afterGroup) hooks.afterGroup(g);
  }
  return {};
}

}  // namespace zelko
