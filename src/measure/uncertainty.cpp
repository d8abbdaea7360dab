#include "measure/uncertainty.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/Math.hpp>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

#include "coords/transform.h"
#include "document/numbers.h"
#include "document/project_data.h"
#include "measure/calculation.h"
#include "measure/formats.h"
#include "measure/geometry.h"

namespace zelko {

namespace {

constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

// ∂X/∂x, ∂X/∂y, ∂Y/∂x, ∂Y/∂y at image (x, y).
struct ImageJacobian {
  double Xx, Xy, Yx, Yy;
};

// ∂F/∂x and ∂F/∂y of a polynomial, in double: the propagation needs no more.
void PolynomialSlopes(int method, const double* c, double x, double y, double* sx, double* sy) {
  switch (method) {
    case tmBilinear:
      *sx = c[1] + c[3] * y;
      *sy = c[2] + c[3] * x;
      return;
    case tmQuadratic:
      *sx = c[1] + c[3] * y + 2 * c[4] * x;
      *sy = c[2] + c[3] * x + 2 * c[5] * y;
      return;
    case tmCubic:
      *sx = c[1] + 2 * c[3] * x + c[4] * y + 3 * c[6] * x * x + 2 * c[7] * x * y + c[8] * y * y;
      *sy = c[2] + c[4] * x + 2 * c[5] * y + c[7] * x * x + 2 * c[8] * x * y + 3 * c[9] * y * y;
      return;
    default:
      *sx = c[1];
      *sy = c[2];
  }
}

// F of a polynomial in double.
double PolynomialValue(int method, const double* c, double x, double y) {
  double f = c[0] + c[1] * x + c[2] * y;
  switch (method) {
    case tmBilinear:
      return f + c[3] * x * y;
    case tmQuadratic:
      return f + c[3] * x * y + c[4] * x * x + c[5] * y * y;
    case tmCubic:
      return f + c[3] * x * x + c[4] * x * y + c[5] * y * y + c[6] * x * x * x + c[7] * x * x * y +
             c[8] * x * y * y + c[9] * y * y * y;
    default:
      return f;
  }
}

ImageJacobian JacobianAt(int method, const std::vector<double>& cx, const std::vector<double>& cy,
                         double x, double y) {
  if (method != tmProjective && method >= tmNone && method <= tmCubic &&
      static_cast<int>(std::min(cx.size(), cy.size())) >= CoefficientCount(method)) {
    ImageJacobian j;
    PolynomialSlopes(method, cx.data(), x, y, &j.Xx, &j.Xy);
    PolynomialSlopes(method, cy.data(), x, y, &j.Yx, &j.Yy);
    return j;
  }
  const ViewPlacement unit{};
  return {TransformSlopeX(method, cx, unit, x, y), TransformSlopeY(method, cx, unit, x, y),
          TransformSlopeX(method, cy, unit, x, y), TransformSlopeY(method, cy, unit, x, y)};
}

const GeographicLib::Geodesic& Grs80() {
  static const GeographicLib::Geodesic earth(kSemiMajorAxis, kFlattening);
  return earth;
}

// Metres per degree of longitude (east) and of latitude (north) at latitude φ.
void MetresPerDegree(double latitude, double* east, double* north) {
  const double e2 = kFlattening * (2 - kFlattening);
  const double phi = latitude * GeographicLib::Math::degree();
  const double s = std::sin(phi), w2 = 1 - e2 * s * s, w = std::sqrt(w2);
  *east = kSemiMajorAxis / w * std::cos(phi) * GeographicLib::Math::degree();
  *north = kSemiMajorAxis * (1 - e2) / (w2 * w) * GeographicLib::Math::degree();
}

// The derivatives of a group's length and area by its physical points' X and Y.
struct PointDerivatives {
  std::vector<double> lx, ly, ax, ay;
  void Reset(std::size_t n) {
    lx.assign(n, 0);
    ly.assign(n, 0);
    ax.assign(n, 0);
    ay.assign(n, 0);
  }
};

void PlaneDerivatives(const std::vector<XY>& p, bool closed, PointDerivatives& d) {
  const std::size_t n = p.size();
  const std::size_t edges = closed ? n : n - 1;
  for (std::size_t i = 0; i < edges; ++i) {
    const std::size_t j = i + 1 < n ? i + 1 : 0;
    const double dx = p[j].x - p[i].x, dy = p[j].y - p[i].y, l = std::sqrt(dx * dx + dy * dy);
    if (l > 0) {
      d.lx[j] += dx / l;
      d.ly[j] += dy / l;
      d.lx[i] -= dx / l;
      d.ly[i] -= dy / l;
    }
  }
  if (!closed) return;
  for (std::size_t i = 0; i < n; ++i) {
    const XY& next = p[i + 1 < n ? i + 1 : 0];
    const XY& prev = p[i > 0 ? i - 1 : n - 1];
    d.ax[i] = (next.y - prev.y) / 2;
    d.ay[i] = (prev.x - next.x) / 2;
  }
}

// On the ellipsoid the azimuths at a geodesic's ends give its length's derivatives by their
// positions exactly; its share of the polygon's area moves like that of a straight edge, half
// its length times the end's displacement across it (exact to the square of the edge's length
// over the earth's radius).
void EllipsoidDerivatives(const std::vector<XY>& p, bool closed, PointDerivatives& d) {
  const std::size_t n = p.size();
  const std::size_t edges = closed ? n : n - 1;
  for (std::size_t i = 0; i < edges; ++i) {
    const std::size_t j = i + 1 < n ? i + 1 : 0;
    double s12 = 0, azi1 = 0, azi2 = 0;
    Grs80().Inverse(p[i].y, p[i].x, p[j].y, p[j].x, s12, azi1, azi2);
    if (!(s12 > 0)) continue;
    double si, ci, sj, cj;
    GeographicLib::Math::sincosd(azi1, si, ci);
    GeographicLib::Math::sincosd(azi2, sj, cj);
    // In metres east and north: length −(sin α1, cos α1) at the start, (sin α2, cos α2) at the
    // end; area ½·s12·(cos α, −sin α) at both.
    d.lx[i] -= si;
    d.ly[i] -= ci;
    d.lx[j] += sj;
    d.ly[j] += cj;
    if (closed) {
      d.ax[i] += s12 / 2 * ci;
      d.ay[i] -= s12 / 2 * si;
      d.ax[j] += s12 / 2 * cj;
      d.ay[j] -= s12 / 2 * sj;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    double east, north;
    MetresPerDegree(p[i].y, &east, &north);
    d.lx[i] *= east;
    d.ly[i] *= north;
    d.ax[i] *= east;
    d.ay[i] *= north;
  }
}

// The polynomial basis over the fit's normalised image coordinates, as BasisTerms orders it.
void NormalisedBasis(const FitCovariance& f, double x, double y, double* b) {
  const double u = (x - f.cx) * f.scale, v = (y - f.cy) * f.scale;
  b[0] = 1;
  b[1] = u;
  b[2] = v;
  switch (f.method) {
    case tmBilinear:
      b[3] = u * v;
      break;
    case tmQuadratic:
      b[3] = u * v;
      b[4] = u * u;
      b[5] = v * v;
      break;
    case tmCubic:
      b[3] = u * u;
      b[4] = u * v;
      b[5] = v * v;
      b[6] = u * u * u;
      b[7] = u * u * v;
      b[8] = u * v * v;
      b[9] = v * v * v;
      break;
    default:
      break;
  }
}

struct GroupShare {
  double clickLength = 0, clickArea = 0;
};

GroupShare PropagateGroup(const TLine& line, int method, const std::vector<double>& cx,
                          const std::vector<double>& cy, bool degree, const UncertaintyModel& m,
                          double* gradLength, double* gradArea, PointDerivatives& d,
                          std::vector<double>& gx, std::vector<double>& gy) {
  const std::size_t n = UsedPointCount(line);
  if (line.LineType == ltPoints || n == 0) return {};
  // The physical points and their slopes in one pass; the polynomials in double, which the
  // derivatives need no more than.
  thread_local std::vector<XY> physical;
  thread_local std::vector<ImageJacobian> slopes;
  physical.resize(n);
  slopes.resize(n);
  const bool polynomial =
      method >= tmNone && method <= tmCubic &&
      static_cast<int>(std::min(cx.size(), cy.size())) >= CoefficientCount(method);
  for (std::size_t i = 0; i < n; ++i) {
    const TMarker& q = line.Points[i];
    if (polynomial) {
      physical[i] = {PolynomialValue(method, cx.data(), q.x, q.y),
                     PolynomialValue(method, cy.data(), q.x, q.y)};
    } else {
      physical[i] = {EvaluateTransform(method, cx, q.x, q.y),
                     EvaluateTransform(method, cy, q.x, q.y)};
    }
    slopes[i] = JacobianAt(method, cx, cy, q.x, q.y);
  }
  for (const XY& q : physical)
    if (!std::isfinite(q.x) || !std::isfinite(q.y) || (degree && std::fabs(q.y) > 90))
      return {kUnknown, kUnknown};
  const bool closed = line.LineType == ltClosed;
  d.Reset(n);
  if (degree)
    EllipsoidDerivatives(physical, closed, d);
  else
    PlaneDerivatives(physical, closed, d);
  const int P = m.fit.parameters;
  // The polynomials' gradient is the same basis in the X and the Y block: formed once.
  const bool blocks = P > 0 && m.fit.method >= tmAffine && m.fit.method <= tmCubic;
  const int half = P / 2;
  double clickLength = 0, clickArea = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const TMarker& q = line.Points[i];
    const ImageJacobian& j = slopes[i];
    const double lx = j.Xx * d.lx[i] + j.Yx * d.ly[i], ly = j.Xy * d.lx[i] + j.Yy * d.ly[i];
    const double ax = j.Xx * d.ax[i] + j.Yx * d.ay[i], ay = j.Xy * d.ax[i] + j.Yy * d.ay[i];
    clickLength += lx * lx + ly * ly;
    clickArea += ax * ax + ay * ay;
    if (P == 0) continue;
    if (blocks) {
      double b[10];
      NormalisedBasis(m.fit, q.x, q.y, b);
      for (int k = 0; k < half; ++k) {
        gradLength[k] += d.lx[i] * b[k];
        gradLength[half + k] += d.ly[i] * b[k];
        gradArea[k] += d.ax[i] * b[k];
        gradArea[half + k] += d.ay[i] * b[k];
      }
      continue;
    }
    m.fit.Gradient(q.x, q.y, gx.data(), gy.data());
    for (int k = 0; k < P; ++k) {
      gradLength[k] += d.lx[i] * gx[k] + d.ly[i] * gy[k];
      gradArea[k] += d.ax[i] * gx[k] + d.ay[i] * gy[k];
    }
  }
  const double c2 = m.clickSd * m.clickSd;
  GroupShare share{c2 * clickLength, c2 * clickArea};
  if (!closed) share.clickArea = 0;
  return share;
}

constexpr std::size_t kPointsPerThread = 20000;

}  // namespace

UncertaintyModel ProjectUncertaintyModel(const ProjectData& data) {
  UncertaintyModel m;
  m.clickSd = data.ClickPrecision;
  m.fit =
      TransformCovariance(data.Method, MarkerRowsOf(data.Markers), data.Cx, data.Cy,
                          data.ScaleUnit == kDegreeUnit, data.ReferencePixels, data.ClickPrecision);
  return m;
}

PositionSd PositionUncertainty(const UncertaintyModel& model, int method,
                               const std::vector<double>& cx, const std::vector<double>& cy,
                               double x, double y) {
  if (model.fit.share == FitShare::Unknown) return {kUnknown, kUnknown};
  const ImageJacobian j = JacobianAt(method, cx, cy, x, y);
  const double c2 = model.clickSd * model.clickSd;
  double vx = c2 * (j.Xx * j.Xx + j.Xy * j.Xy), vy = c2 * (j.Yx * j.Yx + j.Yy * j.Yy);
  const int P = model.fit.parameters;
  if (P > 0) {
    thread_local std::vector<double> gx, gy;
    gx.resize(static_cast<std::size_t>(P));
    gy.resize(static_cast<std::size_t>(P));
    model.fit.Gradient(x, y, gx.data(), gy.data());
    vx += model.fit.Variance(gx.data());
    vy += model.fit.Variance(gy.data());
  }
  const PositionSd sd{std::sqrt(vx), std::sqrt(vy)};
  if (!std::isfinite(sd.x) || !std::isfinite(sd.y)) return {kUnknown, kUnknown};
  return sd;
}

ResultUncertainty PropagateUncertainty(const std::vector<TLine>& lines, int method,
                                       const std::vector<double>& cx, const std::vector<double>& cy,
                                       int unit, const UncertaintyModel& model) {
  ResultUncertainty r;
  r.fit_ = model.fit;
  r.fitKnown_ = model.fit.share != FitShare::Unknown;
  r.reason_ = r.fitKnown_ ? std::string() : model.fit.reason;
  const int P = r.fitKnown_ ? model.fit.parameters : 0;
  r.parameters_ = P;
  const std::size_t groups = lines.size();
  r.gradLength_.assign(groups * static_cast<std::size_t>(P), 0.0);
  r.gradArea_.assign(groups * static_cast<std::size_t>(P), 0.0);
  r.clickLength_.assign(groups, 0.0);
  r.clickArea_.assign(groups, 0.0);
  if (!TransformIsSet(method, cx, cy)) {
    std::fill(r.clickLength_.begin(), r.clickLength_.end(), kUnknown);
    std::fill(r.clickArea_.begin(), r.clickArea_.end(), kUnknown);
    return r;
  }
  UncertaintyModel m = model;
  if (!r.fitKnown_) m.fit.parameters = 0;
  const bool degree = unit == kDegreeUnit;
  std::size_t points = 0;
  for (const TLine& line : lines) points += UsedPointCount(line);
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t threads = std::min({cores, std::size_t{8}, 1 + points / kPointsPerThread});
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    PointDerivatives d;
    std::vector<double> gx(static_cast<std::size_t>(P)), gy(static_cast<std::size_t>(P));
    for (std::size_t g; (g = next.fetch_add(1)) < groups;) {
      const GroupShare s =
          PropagateGroup(lines[g], method, cx, cy, degree, m, r.gradLength_.data() + g * P,
                         r.gradArea_.data() + g * P, d, gx, gy);
      r.clickLength_[g] = s.clickLength;
      r.clickArea_[g] = s.clickArea;
    }
  };
  {
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
  }
  return r;
}

double ResultUncertainty::Sd(std::size_t group, bool area) const {
  const std::size_t g[1] = {group};
  return TotalSd(g, area);
}

double ResultUncertainty::TotalSd(std::span<const std::size_t> groups, bool area) const {
  const auto& click = area ? clickArea_ : clickLength_;
  const auto& grad = area ? gradArea_ : gradLength_;
  long double clickSum = 0;
  bool measured = false;
  std::vector<double> sum(static_cast<std::size_t>(parameters_), 0.0);
  for (std::size_t g : groups) {
    if (g >= click.size()) return kUnknown;
    clickSum += click[g];
    const double* v = grad.data() + g * parameters_;
    for (int k = 0; k < parameters_; ++k) {
      sum[static_cast<std::size_t>(k)] += v[k];
      if (v[k] != 0) measured = true;
    }
    if (click[g] != 0) measured = true;
  }
  // A length or area that is exactly zero by its kind (a set of points, an open curve's area)
  // carries no error even when the fit's share is unknown.
  if (!fitKnown_) return measured || std::isnan(static_cast<double>(clickSum)) ? kUnknown : 0;
  const double v = static_cast<double>(clickSum) + (parameters_ ? fit_.Variance(sum.data()) : 0);
  return std::isfinite(v) && v >= 0 ? std::sqrt(v) : kUnknown;
}

double ResultUncertainty::LengthSd(std::size_t group) const { return Sd(group, false); }
double ResultUncertainty::AreaSd(std::size_t group) const { return Sd(group, true); }
double ResultUncertainty::TotalLengthSd(std::span<const std::size_t> groups) const {
  return TotalSd(groups, false);
}
double ResultUncertainty::TotalAreaSd(std::span<const std::size_t> groups) const {
  return TotalSd(groups, true);
}

void FillResultUncertainty(ResultTable& table, const std::vector<TLine>& lines,
                           const ResultUncertainty& u) {
  std::vector<std::vector<std::size_t>> bySort;
  for (std::size_t g = 0; g < lines.size(); ++g) {
    if (lines[g].Sort >= bySort.size()) bySort.resize(lines[g].Sort + 1u);
    bySort[lines[g].Sort].push_back(g);
  }
  for (ResultRowInfo& row : table.rows) {
    if (row.kind == ResultRowKind::Group && row.group >= 0) {
      row.lengthSd = u.LengthSd(static_cast<std::size_t>(row.group));
      row.areaSd = u.AreaSd(static_cast<std::size_t>(row.group));
    } else if (row.kind == ResultRowKind::Total && row.sort >= 0 &&
               static_cast<std::size_t>(row.sort) < bySort.size()) {
      row.lengthSd = u.TotalLengthSd(bySort[static_cast<std::size_t>(row.sort)]);
      row.areaSd = u.TotalAreaSd(bySort[static_cast<std::size_t>(row.sort)]);
    }
  }
}

std::string SdText(double sd) {
  if (!std::isfinite(sd)) return {};
  if (sd <= 0) return "0";
  const int digits = std::max(0, 1 - static_cast<int>(std::floor(std::log10(sd))));
  return FormatFixed(sd, std::min(digits, 15));
}

}  // namespace zelko
