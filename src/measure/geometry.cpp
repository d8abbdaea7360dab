#include "measure/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace zelko {

double SecondEccentricity() {
  static const double value = std::sqrt(595.514444202) / 297.257222101;
  return value;
}

double Radians(double degrees) {
  return static_cast<double>(static_cast<long double>(degrees) / 180.0L * kPi);
}

double EllipsoidDistance(double x1, double y1, double x2, double y2) {
  const double phi1 = Radians(y1), phi2 = Radians(y2);
  const double lambda1 = Radians(x1), lambda2 = Radians(x2);
  const double phiM = (phi1 + phi2) / 2;
  const double dPhi = phi1 - phi2;
  const double dLambda = lambda1 - lambda2;
  const double s = std::sin(phiM);
  // The flattening, not e², weighs sin²; b, not a(1 − e²), is the numerator of M. Both are
  // what the program has always measured with.
  const double w = 1 - kFlattening * s * s;
  const double m = kSemiMinorAxis / std::sqrt(w * w * w);
  const double n = kSemiMajorAxis / std::sqrt(w);
  const double east = n * std::cos(phiM) * dLambda;
  const double north = m * dPhi;
  return std::sqrt(east * east + north * north);
}

namespace {

double SegmentLength(const XY& p, const XY& q, bool degreeUnit) {
  if (degreeUnit) return EllipsoidDistance(p.x, p.y, q.x, q.y);
  const double dx = q.x - p.x, dy = q.y - p.y;
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

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

std::optional<XY> PolygonCentroid(std::span<const XY> p) {
  const std::size_t n = p.size();
  if (n < 3) return std::nullopt;
  // Relative to the first point, so that a small curve far from the origin (a field in
  // degrees) keeps its digits; the centroid is the same.
  const long double x0 = p[0].x, y0 = p[0].y;
  long double xMag = 0, yMag = 0;
  for (const XY& q : p) {
    xMag = std::max(xMag, std::fabs(static_cast<long double>(q.x)));
    yMag = std::max(yMag, std::fabs(static_cast<long double>(q.y)));
  }
  long double s = 0, tolerance = 0, sx = 0, sy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = i + 1 < n ? i + 1 : 0;
    const long double xi = p[i].x - x0, yi = p[i].y - y0;
    const long double xj = p[j].x - x0, yj = p[j].y - y0;
    const long double c = xi * yj - xj * yi;
    s += c;
    // What c can be off by when the coordinates are only known to the last bit of a double.
    tolerance += (std::fabs(yi) + std::fabs(yj)) * xMag + (std::fabs(xi) + std::fabs(xj)) * yMag;
    sx += (xi + xj) * c;
    sy += (yi + yj) * c;
  }
  // Points on a line, or parts that cancel, give a sum that is zero but for rounding: there is
  // no centroid, and dividing by it would put the origin anywhere.
  tolerance *= 8 * std::numeric_limits<double>::epsilon();
  if (!(std::fabs(s) > tolerance)) return std::nullopt;
  const long double a6 = 3 * s;  // 6 · (s / 2)
  return XY{static_cast<double>(x0 + sx / a6), static_cast<double>(y0 + sy / a6)};
}

double MeridianArc(double phi, double e, double a) {
  const long double e2 = static_cast<long double>(e) * e;
  const long double e4 = e2 * e2, e6 = e4 * e2, e8 = e4 * e4, e10 = e8 * e2, e12 = e8 * e4,
                    e14 = e12 * e2, e16 = e8 * e8;
  const long double cA = 1 + 3.0L / 4 * e2 + 45.0L / 64 * e4 + 175.0L / 256 * e6 +
                         11025.0L / 16384 * e8 + 43659.0L / 65536 * e10 +
                         693693.0L / 1048576 * e12 + 19324305.0L / 29360128 * e14 +
                         4927697775.0L / 7516192768 * e16;
  const long double cB = 3.0L / 4 * e2 + 15.0L / 16 * e4 + 525.0L / 512 * e6 + 2205.0L / 2048 * e8 +
                         72765.0L / 65536 * e10 + 297297.0L / 262144 * e12 +
                         135270135.0L / 117440512 * e14 + 547521975.0L / 469762048 * e16;
  const long double cC = 15.0L / 64 * e4 + 105.0L / 256 * e6 + 2205.0L / 4096 * e8 +
                         10395.0L / 16384 * e10 + 1486485.0L / 2097152 * e12 +
                         45090045.0L / 58720256 * e14 + 766530765.0L / 939524096 * e16;
  const long double cD = 35.0L / 512 * e6 + 315.0L / 2048 * e8 + 31185.0L / 131072 * e10 +
                         165165.0L / 524288 * e12 + 45090045.0L / 117440512 * e14 +
                         209053845.0L / 469762048 * e16;
  const long double cE = 315.0L / 16384 * e8 + 3465.0L / 65536 * e10 + 99099.0L / 1048576 * e12 +
                         4099095.0L / 29360128 * e14 + 348423075.0L / 1879048192 * e16;
  const long double cF = 693.0L / 131072 * e10 + 9009.0L / 524288 * e12 +
                         4099095.0L / 117440512 * e14 + 26801775.0L / 469762048 * e16;
  const long double cG =
      3003.0L / 2097152 * e12 + 315315.0L / 58720256 * e14 + 11486475.0L / 939524096 * e16;
  const long double cH = 45045.0L / 117440512 * e14 + 765765.0L / 469762048 * e16;
  const long double cI = 765765.0L / 7516192768 * e16;
  // The sines in double: they carry no sum, and long-double sines cost five times as much.
  const auto sn = [phi](int k) { return static_cast<long double>(std::sin(k * phi)); };
  const long double series = cA * phi - cB / 2 * sn(2) + cC / 4 * sn(4) - cD / 6 * sn(6) +
                             cE / 8 * sn(8) - cF / 10 * sn(10) + cG / 12 * sn(12) -
                             cH / 14 * sn(14) + cI / 16 * sn(16);
  return static_cast<double>(a * (1 - e2) * series);
}

std::vector<XY> ProjectToPlane(std::span<const XY> p, double lambda0, double phi0) {
  const double e = std::sqrt(kEccentricitySquared);
  const double ep = SecondEccentricity();
  const double a = kSemiMajorAxis;
  const double phi0r = Radians(phi0);
  const double es0 = e * std::sin(phi0r);
  // N0 belongs to the origin and serves every point.
  const double n0 = a / std::sqrt(1 - es0 * es0);
  const double s0 = MeridianArc(phi0r, e, a);
  std::vector<XY> out;
  out.reserve(p.size());
  for (const XY& pt : p) {
    const double phi = Radians(pt.y);
    const double dLambda = Radians(pt.x - lambda0);
    const double c = std::cos(phi), t = std::tan(phi);
    const double t2 = t * t, t4 = t2 * t2;
    const double eta2 = (ep * c) * (ep * c), eta4 = eta2 * eta2;
    const double aa = c * dLambda;
    const double a2 = aa * aa, a4 = a2 * a2, a6 = a4 * a2;
    const double s = MeridianArc(phi, e, a);
    const double north =
        kCentralScale * (s - s0 +
                         n0 * t * a2 *
                             (0.5 + a2 * (5 - t2 + 9 * eta2 + 4 * eta4) / 24 +
                              a4 * (61 - 58 * t2 + t4 + 270 * eta2 - 330 * t2 * eta2) / 720 +
                              a6 * (1385 - 3111 * t2 + 543 * t4 - t2 * t4) / 40320));
    const double east =
        kCentralScale * n0 * c * dLambda *
        (1 + a2 * (1 - t2 + eta2) / 6 + a4 * (5 - 18 * t2 + t4 + 14 * eta2 - 58 * t2 * eta2) / 120 +
         a6 * (61 - 479 * t2 + 179 * t4 - t2 * t4) / 5040);
    out.push_back({north, east});
  }
  return out;
}

double EllipsoidArea(std::span<const XY> p) {
  const auto centroid = PolygonCentroid(p);
  if (!centroid) return 0;
  const std::vector<XY> q = ProjectToPlane(p, centroid->x, centroid->y);
  // (north, east) pairs run the shoelace the other way round; the minus restores the sign.
  return -PolygonArea(q);
}

}  // namespace zelko
