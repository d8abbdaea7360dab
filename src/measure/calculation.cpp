#include "measure/calculation.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <thread>

#include "coords/transform.h"
#include "measure/tables.h"

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

namespace {

struct GroupMeasure {
  double length = 0;
  double area = 0;
  bool crossing = false;
  bool offEllipsoid = false;
  bool beyondVanishingLine = false;
  bool outsideMarkers = false;
  bool unreliable = false;
};

// Physical coordinates so large against the group's own extent that their differences keep
// fewer than about four of a double's digits (a huge coefficient swallows the others' terms).
constexpr double kLostPrecision = 1e12;

bool LosesPrecision(const std::vector<XY>& p) {
  if (p.empty()) return false;
  double minX = p[0].x, maxX = p[0].x, minY = p[0].y, maxY = p[0].y, magnitude = 0;
  for (const XY& q : p) {
    if (!std::isfinite(q.x) || !std::isfinite(q.y)) return true;
    minX = std::min(minX, q.x);
    maxX = std::max(maxX, q.x);
    minY = std::min(minY, q.y);
    maxY = std::max(maxY, q.y);
    magnitude = std::max({magnitude, std::fabs(q.x), std::fabs(q.y)});
  }
  const double extent = std::max(maxX - minX, maxY - minY);
  return !std::isfinite(extent) || (extent > 0 && magnitude > extent * kLostPrecision);
}

GroupMeasure MeasureGroup(const TLine& line, int method, const std::vector<double>& cx,
                          const std::vector<double>& cy, bool degree, const FitRegion* region) {
  GroupMeasure m;
  if (region) {
    for (std::size_t i = 0, n = UsedPointCount(line); i < n; ++i) {
      const PointPlace place = PlaceOf(*region, cx, line.Points[i].x, line.Points[i].y);
      if (place != PointPlace::Inside) m.outsideMarkers = true;
      if (place == PointPlace::BeyondVanishingLine) m.beyondVanishingLine = true;
    }
  }
  // Never measured through infinity: such a group has no length or area.
  if (line.LineType == ltPoints || m.beyondVanishingLine) return m;
  const std::vector<XY> physical = PhysicalPoints(line, method, cx, cy);
  const bool closed = line.LineType == ltClosed;
  if (degree && HasPointOffTheEllipsoid(physical)) {
    m.offEllipsoid = true;
    return m;
  }
  if (LosesPrecision(physical)) {
    m.unreliable = true;
    return m;
  }
  if (closed) m.crossing = HasCrossingEdges(physical, degree);
  if (degree && closed) {
    const LengthAndArea la = EllipsoidPolygon(physical);
    m.length = la.length;
    m.area = la.area;
  } else {
    m.length = LineLength(physical, closed, degree);
    m.area = closed ? PolygonArea(physical) : 0;
  }
  if (!std::isfinite(m.length) || !std::isfinite(m.area)) {
    m.length = m.area = 0;
    m.crossing = false;
    m.unreliable = true;
  }
  return m;
}

// Below this many points a second thread costs more than it saves.
constexpr std::size_t kPointsPerThread = 20000;

std::vector<GroupMeasure> MeasureGroups(const std::vector<TLine>& lines, int method,
                                        const std::vector<double>& cx,
                                        const std::vector<double>& cy, bool degree,
                                        const FitRegion* region) {
  std::vector<GroupMeasure> out(lines.size());
  std::size_t points = 0;
  for (const TLine& line : lines) points += UsedPointCount(line);
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t threads = std::min({cores, std::size_t{8}, 1 + points / kPointsPerThread});
  // Groups are handed out one by one, so a thread that drew small groups takes more.
  std::atomic<std::size_t> next{0};
  std::mutex failureLock;
  std::exception_ptr failure;
  const auto work = [&] {
    try {
      for (std::size_t g; (g = next.fetch_add(1)) < lines.size();)
        out[g] = MeasureGroup(lines[g], method, cx, cy, degree, region);
    } catch (...) {
      next = lines.size();
      const std::lock_guard lock(failureLock);
      if (!failure) failure = std::current_exception();
    }
  };
  {
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
  }
  // An error in any thread reaches the caller as it would without threads.
  if (failure) std::rethrow_exception(failure);
  return out;
}

std::string LabelList(const std::vector<TLine>& lines, const std::vector<std::size_t>& groups) {
  // A long list is cut short: the first labels tell the user where to look.
  constexpr std::size_t kShown = 20;
  std::string text;
  for (std::size_t i = 0; i < groups.size() && i < kShown; ++i) {
    if (i) text += ", ";
    text += GroupLabel(lines, static_cast<int>(groups[i]));
  }
  if (groups.size() > kShown) text += " ほか" + std::to_string(groups.size() - kShown) + "件";
  return text;
}

}  // namespace

CalculateResult CalculateLines(std::vector<TLine>& lines, int method, const std::vector<double>& cx,
                               const std::vector<double>& cy, int unit, bool isLineInput,
                               const CalculateHooks& hooks, const FitRegion* region) {
  const auto refuse = [](CalculateStatus status, const char* message) {
    CalculateResult r;
    r.status = status;
    r.message = message;
    return r;
  };
  if (lines.empty()) return refuse(CalculateStatus::NoGroups, "");
  if (isLineInput) return refuse(CalculateStatus::InputRunning, kMsgInputUnfinished);
  if (!TransformIsSet(method, cx, cy))
    return refuse(CalculateStatus::TransformNotSet, kMsgNoTransform);
  if (hooks.prepare) hooks.prepare();
  const std::vector<GroupMeasure> measures =
      MeasureGroups(lines, method, cx, cy, unit == kDegreeUnit, region);
  CalculateResult result;
  for (std::size_t g = 0; g < lines.size(); ++g) {
    const GroupMeasure& m = measures[g];
    lines[g].Length = m.length;
    lines[g].Area = m.area;
    lines[g].OutsideMarkers = m.outsideMarkers;
    if (m.crossing) result.crossing.push_back(g);
    if (m.offEllipsoid) result.offEllipsoid.push_back(g);
    if (m.beyondVanishingLine) result.beyondVanishingLine.push_back(g);
    if (m.outsideMarkers) result.outsideMarkers.push_back(g);
    if (m.unreliable) result.unreliable.push_back(g);
    if (hooks.afterGroup) hooks.afterGroup(g);
  }
  return result;
}

std::string UnreliableError(const std::vector<TLine>& lines, const CalculateResult& result) {
  if (result.unreliable.empty()) return {};
  std::string labels;
  for (std::size_t g : result.unreliable)
    labels += (labels.empty() ? "" : ", ") + GroupLabel(lines, static_cast<int>(g));
  return "the length and area of " + labels +
         " are not finite or lose their precision: the coordinates are too large";
}

FitRegion ProjectMarkerRegion(int method, const std::vector<double>& cx,
                              const std::vector<MarkerRecord>& markers) {
  return MarkerRegion(method, cx, MarkerRowsOf(markers));
}

std::string CalculationWarning(const std::vector<TLine>& lines, const CalculateResult& result) {
  std::string text;
  if (!result.beyondVanishingLine.empty())
    text += "射影変換の消失線の向こう側に点があるため、長さと面積を0としました：" +
            LabelList(lines, result.beyondVanishingLine) +
            "\n消失線の向こう側は写真の中の地平線より上（空）にあたり、座標がありません。";
  if (!result.crossing.empty()) {
    if (!text.empty()) text += "\n\n";
    text += "辺が交差している閉曲線があります：" + LabelList(lines, result.crossing) +
            "\n面積は交差で分かれた部分を向きの符号付きで足した値です。";
  }
  if (!result.offEllipsoid.empty()) {
    if (!text.empty()) text += "\n\n";
    text += "緯度が-90度から90度の範囲を外れた点があるため、長さと面積を0としました：" +
            LabelList(lines, result.offEllipsoid);
  }
  if (!result.unreliable.empty()) {
    if (!text.empty()) text += "\n\n";
    text += "座標の値が大きすぎて正しく計算できないため、長さと面積を0としました：" +
            LabelList(lines, result.unreliable) + "\n変換式の係数と点の座標を確かめて下さい。";
  }
  return text;
}

}  // namespace zelko
