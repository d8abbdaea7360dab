#include "measure/view_overlay.h"

#include <cmath>
#include <limits>

#include "document/numbers.h"
#include "measure/calculation.h"
#include "measure/tables.h"

namespace zelko {

namespace {

// Truncation towards zero of a value that may lie far outside any view.
std::optional<int> Truncated(long double v) {
  if (!(std::fabs(v) < static_cast<long double>(std::numeric_limits<int>::max()))) return {};
  return static_cast<int>(v);
}

}  // namespace

std::optional<PixelPos> GroupLabelAnchor(const TLine& line) {
  const std::size_t n = UsedPointCount(line);
  long double x, y;
  if (line.LineType == ltPoints) {
    if (n < 1) return std::nullopt;
    x = line.Points[0].x;
    y = line.Points[0].y;
  } else {
    if (n < 2) return std::nullopt;
    x = (static_cast<long double>(line.Points[0].x) + line.Points[1].x) / 2;
    y = (static_cast<long double>(line.Points[0].y) + line.Points[1].y) / 2;
  }
  const auto ax = Truncated(x), ay = Truncated(y);
  if (!ax || !ay) return std::nullopt;
  return PixelPos{*ax, *ay};
}

std::vector<LabelPlacement> GroupLabelPlacements(const std::vector<TLine>& lines,
                                                 const ViewPlacement& view, int width, int height,
                                                 int fontSize) {
  std::vector<LabelPlacement> out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto anchor = GroupLabelAnchor(lines[i]);
    if (!anchor) continue;
    const auto vx = Truncated(static_cast<long double>(anchor->x) * view.factor - view.XB0);
    const auto vyBase = Truncated(static_cast<long double>(anchor->y) * view.factor - view.YB0);
    if (!vx || !vyBase) continue;
    const long long vy = static_cast<long long>(*vyBase) - fontSize / 2;
    if (*vx < 0 || *vx >= width || vy < 0 || vy >= height) continue;
    out.push_back({static_cast<int>(i),
                   GroupLabel(lines[i].LineType, static_cast<int>(i)),
                   {*vx, static_cast<int>(vy)}});
  }
  return out;
}

std::optional<std::vector<PixelPos>> AreaFillPolygon(const TLine& line, const ViewPlacement& view,
                                                     int width, int height) {
  const std::size_t n = UsedPointCount(line);
  if (n == 0) return std::nullopt;
  std::vector<PixelPos> polygon;
  polygon.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const long double fx = static_cast<long double>(line.Points[i].x) * view.factor - view.XB0;
    const long double fy = static_cast<long double>(line.Points[i].y) * view.factor - view.YB0;
    // Far outside the view the rounding would overflow; such a curve is not filled anyway.
    if (!(fx > -1 && fx < width + 1.0L && fy > -1 && fy < height + 1.0L)) return std::nullopt;
    const PixelPos v{RoundHalfAway(fx), RoundHalfAway(fy)};
    if (v.x < 0 || v.x > width || v.y < 0 || v.y > height) return std::nullopt;
    polygon.push_back(v);
  }
  return polygon;
}

}  // namespace zelko
