#include "measure/geometry.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/PolygonArea.hpp>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <vector>

namespace zelko {

namespace {

const GeographicLib::Geodesic& Grs80() {
  static const GeographicLib::Geodesic earth(kSemiMajorAxis, kFlattening);
  return earth;
}

double SegmentLength(const XY& p, const XY& q, bool degreeUnit) {
  if (degreeUnit) return EllipsoidDistance(p.x, p.y, q.x, q.y);
  const double dx = q.x - p.x, dy = q.y - p.y;
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

double EllipsoidDistance(double x1, double y1, double x2, double y2) {
  double s12 = 0;
  Grs80().Inverse(y1, x1, y2, x2, s12);
  return s12;
}

double LineLength(std::span<const XY> p, bool closed, bool degreeUnit) {
  if (p.empty()) return 0;
  long double sum = 0;
  for (std::size_t j = 1; j < p.size(); ++j) sum += SegmentLength(p[j - 1], p[j], degreeUnit);
  if (closed) sum += SegmentLength(p.back(), p.front(), degreeUnit);
  return static_cast<double>(sum);
}

double PolygonArea(std::span<const XY> p) {
  long double s = 0;
  const std::size_t n = p.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = i + 1 < n ? i + 1 : 0;
    s += static_cast<long double>(p[i].x) * p[j].y - static_cast<long double>(p[j].x) * p[i].y;
  }
  return static_cast<double>(s / 2);
}

LengthAndArea EllipsoidPolygon(std::span<const XY> p) {
  if (p.size() < 2) return {};
  GeographicLib::PolygonArea polygon(Grs80());
  for (const XY& q : p) polygon.AddPoint(q.y, q.x);
  double perimeter = 0, area = 0;
  // Counter-clockwise positive, and a clockwise curve keeps its minus sign rather than
  // becoming the rest of the earth.
  polygon.Compute(false, true, perimeter, area);
  return {perimeter, area};
}

bool HasPointOffTheEllipsoid(std::span<const XY> p) {
  return std::any_of(p.begin(), p.end(), [](const XY& q) {
    return !std::isfinite(q.x) || !std::isfinite(q.y) || std::fabs(q.y) > 90;
  });
}

namespace {

int Orientation(const XY& a, const XY& b, const XY& c) {
  const long double v =
      (static_cast<long double>(b.x) - a.x) * (static_cast<long double>(c.y) - a.y) -
      (static_cast<long double>(b.y) - a.y) * (static_cast<long double>(c.x) - a.x);
  return (v > 0) - (v < 0);
}

// c lies within the bounding box of a and b; with c on their line, on the segment.
bool WithinBox(const XY& a, const XY& b, const XY& c) {
  return std::min(a.x, b.x) <= c.x && c.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= c.y &&
         c.y <= std::max(a.y, b.y);
}

bool SegmentsMeet(const XY& a, const XY& b, const XY& c, const XY& d) {
  const int o1 = Orientation(a, b, c), o2 = Orientation(a, b, d);
  const int o3 = Orientation(c, d, a), o4 = Orientation(c, d, b);
  if (o1 * o2 < 0 && o3 * o4 < 0) return true;
  return (o1 == 0 && WithinBox(a, b, c)) || (o2 == 0 && WithinBox(a, b, d)) ||
         (o3 == 0 && WithinBox(c, d, a)) || (o4 == 0 && WithinBox(c, d, b));
}

}  // namespace

bool HasCrossingEdges(std::span<const XY> p, bool degreeUnit) {
  std::vector<XY> q;
  q.reserve(p.size());
  for (const XY& pt : p) {
    XY v = pt;
    if (degreeUnit && !q.empty()) v.x = q.back().x + std::remainder(pt.x - q.back().x, 360.0);
    if (q.empty() || v.x != q.back().x || v.y != q.back().y) q.push_back(v);
  }
  while (q.size() > 1 && q.back().x == q.front().x && q.back().y == q.front().y) q.pop_back();
  if (degreeUnit && q.size() > 1) {
    // A curve round a pole does not come back to its starting longitude; in the plane of
    // longitude and latitude it is no closed curve, so there is nothing to compare.
    const double back = q.back().x + std::remainder(q.front().x - q.back().x, 360.0);
    if (std::fabs(back - q.front().x) > 180) return false;
  }
  const std::size_t n = q.size();
  if (n < 4) return false;  // every pair of edges of a triangle are neighbours

  struct Edge {
    XY a, b;
    double minX, maxX;
  };
  std::vector<Edge> edges(n);
  for (std::size_t i = 0; i < n; ++i) {
    const XY& a = q[i];
    const XY& b = q[(i + 1) % n];
    edges[i] = {a, b, std::min(a.x, b.x), std::max(a.x, b.x)};
  }
  // Sweep from the left: an edge meets only edges whose extent in X overlaps its own.
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(),
            [&](std::size_t i, std::size_t j) { return edges[i].minX < edges[j].minX; });
  for (std::size_t s = 0; s < n; ++s) {
    const std::size_t i = order[s];
    const Edge& e = edges[i];
    for (std::size_t t = s + 1; t < n && edges[order[t]].minX <= e.maxX; ++t) {
      const std::size_t j = order[t];
      if ((i + 1) % n == j || (j + 1) % n == i) continue;  // neighbours share a point
      const Edge& f = edges[j];
      if (std::max(e.a.y, e.b.y) < std::min(f.a.y, f.b.y) ||
          std::max(f.a.y, f.b.y) < std::min(e.a.y, e.b.y))
        continue;
      if (SegmentsMeet(e.a, e.b, f.a, f.b)) return true;
    }
  }
  return false;
}

}  // namespace zelko
