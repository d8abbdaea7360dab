#include "measure/geometry.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/PolygonArea.hpp>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <map>
#include <numeric>
#include <queue>
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

struct Edge {
  XY a, b;
  double minX, maxX, minY, maxY;
};

// The edges the sweep has passed into and not yet out of, found by their extent in Y: those
// whose extent holds a value through a segment tree over the Y values of all edges, those that
// begin within a range through an ordered map. Edges that end before the sweep are dropped
// from the tree lazily, when a lookup meets them.
class ActiveEdges {
 public:
  explicit ActiveEdges(const std::vector<Edge>& edges) : edges_(edges) {
    for (const Edge& e : edges) {
      ys_.push_back(e.minY);
      ys_.push_back(e.maxY);
    }
    std::sort(ys_.begin(), ys_.end());
    ys_.erase(std::unique(ys_.begin(), ys_.end()), ys_.end());
    size_ = 1;
    while (size_ < ys_.size()) size_ *= 2;
    tree_.resize(2 * size_);
    alive_.assign(edges.size(), false);
  }

  void Add(std::size_t i) {
    const Edge& e = edges_[i];
    alive_[i] = true;
    byStart_.emplace(e.minY, i);
    byEnd_.push({e.maxX, i});
    // The canonical nodes of [lo, hi] in the tree of Y indices.
    std::size_t lo = Index(e.minY) + size_, hi = Index(e.maxY) + size_ + 1;
    for (; lo < hi; lo /= 2, hi /= 2) {
      if (lo & 1) tree_[lo++].push_back(i);
      if (hi & 1) tree_[--hi].push_back(i);
    }
  }

  void DropEndingBefore(double x) {
    while (!byEnd_.empty() && byEnd_.top().first < x) {
      const std::size_t i = byEnd_.top().second;
      byEnd_.pop();
      alive_[i] = false;
      const auto range = byStart_.equal_range(edges_[i].minY);
      for (auto it = range.first; it != range.second; ++it)
        if (it->second == i) {
          byStart_.erase(it);
          break;
        }
    }
  }

  // Whether meets(j) holds for an active edge j whose extent in Y overlaps [lo, hi].
  template <typename Fn>
  bool AnyOverlapping(double lo, double hi, Fn meets) {
    // Those holding lo: on the path from lo's leaf to the root.
    for (std::size_t node = Index(lo) + size_; node >= 1; node /= 2) {
      std::vector<std::size_t>& list = tree_[node];
      for (std::size_t k = 0; k < list.size();) {
        if (!alive_[list[k]]) {
          list[k] = list.back();
          list.pop_back();
          continue;
        }
        if (meets(list[k])) return true;
        ++k;
      }
    }
    // Those beginning above lo, up to hi.
    for (auto it = byStart_.upper_bound(lo); it != byStart_.end() && it->first <= hi; ++it)
      if (meets(it->second)) return true;
    return false;
  }

 private:
  std::size_t Index(double y) const {
    return static_cast<std::size_t>(std::lower_bound(ys_.begin(), ys_.end(), y) - ys_.begin());
  }

  const std::vector<Edge>& edges_;
  std::vector<double> ys_;
  std::size_t size_ = 1;
  std::vector<std::vector<std::size_t>> tree_;
  std::vector<bool> alive_;
  std::multimap<double, std::size_t> byStart_;
  std::priority_queue<std::pair<double, std::size_t>, std::vector<std::pair<double, std::size_t>>,
                      std::greater<>>
      byEnd_;
};

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

  std::vector<Edge> edges(n);
  for (std::size_t i = 0; i < n; ++i) {
    const XY& a = q[i];
    const XY& b = q[(i + 1) % n];
    edges[i] = {
        a, b, std::min(a.x, b.x), std::max(a.x, b.x), std::min(a.y, b.y), std::max(a.y, b.y)};
  }
  // Sweep from the left: an edge meets only edges whose extent in X overlaps its own, and of
  // those only the ones whose extent in Y does too; both are looked up, not scanned, so that
  // edges sharing one X range (a comb) cost no more than others.
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(),
            [&](std::size_t i, std::size_t j) { return edges[i].minX < edges[j].minX; });
  ActiveEdges active(edges);
  for (const std::size_t i : order) {
    const Edge& e = edges[i];
    active.DropEndingBefore(e.minX);
    const bool met = active.AnyOverlapping(e.minY, e.maxY, [&](std::size_t j) {
      if ((i + 1) % n == j || (j + 1) % n == i) return false;  // neighbours share a point
      return SegmentsMeet(e.a, e.b, edges[j].a, edges[j].b);
    });
    if (met) return true;
    active.Add(i);
  }
  return false;
}

}  // namespace zelko
