#include "coords/fit_covariance.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "coords/transform.h"
#include "document/numbers.h"

namespace zelko {

namespace {

using LMatrix = std::vector<long double>;  // square, row-major

// Inverts the symmetric positive semi-definite matrix a (size n) in place: scaled to a unit
// diagonal first, then Gauss–Jordan with pivots on the diagonal. False when a pivot falls below
// 1e-13 of its column's scale, which is where the markers stop determining a parameter.
bool InvertSymmetric(LMatrix& a, int n) {
  std::vector<long double> d(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const long double v = a[static_cast<std::size_t>(i * n + i)];
    if (!(v > 0) || !std::isfinite(static_cast<double>(v))) return false;
    d[static_cast<std::size_t>(i)] = 1 / std::sqrt(v);
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      a[static_cast<std::size_t>(i * n + j)] *=
          d[static_cast<std::size_t>(i)] * d[static_cast<std::size_t>(j)];
  for (int k = 0; k < n; ++k) {
    const long double pivot = a[static_cast<std::size_t>(k * n + k)];
    if (!(pivot > 1e-13L)) return false;
    for (int j = 0; j < n; ++j) a[static_cast<std::size_t>(k * n + j)] /= pivot;
    a[static_cast<std::size_t>(k * n + k)] = 1 / pivot;
    for (int i = 0; i < n; ++i) {
      if (i == k) continue;
      const long double f = a[static_cast<std::size_t>(i * n + k)];
      if (f == 0) continue;
      a[static_cast<std::size_t>(i * n + k)] = 0;
      for (int j = 0; j < n; ++j)
        a[static_cast<std::size_t>(i * n + j)] -= f * a[static_cast<std::size_t>(k * n + j)];
    }
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      a[static_cast<std::size_t>(i * n + j)] *=
          d[static_cast<std::size_t>(i)] * d[static_cast<std::size_t>(j)];
  return true;
}

FitCovariance Unknown(FitCovariance c, const char* reason) {
  c.share = FitShare::Unknown;
  c.reason = reason;
  c.parameters = 0;
  c.cov.clear();
  return c;
}

struct Observation {
  double x, y, X, Y;
};

// Centre and scale of the image positions, so that the normal matrices stay well conditioned
// even for the cubic.
void Normalise(const std::vector<Observation>& obs, FitCovariance& c) {
  long double sx = 0, sy = 0;
  for (const auto& o : obs) {
    sx += o.x;
    sy += o.y;
  }
  c.cx = static_cast<double>(sx / obs.size());
  c.cy = static_cast<double>(sy / obs.size());
  long double spread = 0;
  for (const auto& o : obs)
    spread = std::max<long double>(spread, std::hypot(o.x - c.cx, o.y - c.cy));
  c.scale = spread > 0 ? static_cast<double>(1 / spread) : 1;
}

std::vector<Observation> Usable(const std::vector<MarkerRowText>& rows, bool unwrap, bool needX,
                                bool needY) {
  std::vector<Observation> out;
  for (const auto& r : rows) {
    const auto x = TryParseNumber(r.imageX), y = TryParseNumber(r.imageY);
    const auto X = FittedPhysicalX(r, unwrap);
    const auto Y = TryParseNumber(r.physicalY);
    if (!x || !y || (needX && !X) || (needY && !Y)) continue;
    out.push_back({*x, *y, X.value_or(0), Y.value_or(0)});
  }
  return out;
}

// One pass of a polynomial fit: σ² over the residuals of the stored coefficients, times the
// inverse normal matrix of the normalised basis, into the pass's block of c.cov.
bool PolynomialPass(FitCovariance& c, const std::vector<Observation>& obs, bool yPass,
                    const std::vector<double>& C, const char** reason) {
  const int n = CoefficientCount(c.method);
  const int m = static_cast<int>(obs.size());
  int& freedom = yPass ? c.freedomY : c.freedomX;
  double& variance = yPass ? c.varianceY : c.varianceX;
  freedom = m - n;
  if (freedom <= 0) {
    *reason = kZeroFreedomMessage;
    return false;
  }
  LMatrix normal(static_cast<std::size_t>(n * n), 0.0L);
  std::vector<double> b;
  long double ssr = 0;
  for (const auto& o : obs) {
    BasisTerms(c.method, (o.x - c.cx) * c.scale, (o.y - c.cy) * c.scale, b);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        normal[static_cast<std::size_t>(i * n + j)] +=
            static_cast<long double>(b[static_cast<std::size_t>(i)]) *
            b[static_cast<std::size_t>(j)];
    const long double r = (yPass ? o.Y : o.X) - EvaluateTransform(c.method, C, o.x, o.y);
    ssr += r * r;
  }
  if (!InvertSymmetric(normal, n)) {
    *reason = kUndeterminedFitMessage;
    return false;
  }
  variance = static_cast<double>(ssr / freedom);
  const int offset = yPass ? n : 0, P = 2 * n;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      c.cov[static_cast<std::size_t>((offset + i) * P + offset + j)] =
          static_cast<double>(variance * normal[static_cast<std::size_t>(i * n + j)]);
  return true;
}

FitCovariance PolynomialCovariance(FitCovariance c, const std::vector<MarkerRowText>& rows,
                                   const std::vector<double>& Cx, const std::vector<double>& Cy,
                                   bool unwrap) {
  const int n = CoefficientCount(c.method);
  const auto xs = Usable(rows, unwrap, true, false);
  const auto ys = Usable(rows, unwrap, false, true);
  auto all = Usable(rows, unwrap, false, false);
  if (all.empty()) return Unknown(c, kZeroFreedomMessage);
  Normalise(all, c);
  c.parameters = 2 * n;
  c.cov.assign(static_cast<std::size_t>(c.parameters * c.parameters), 0.0);
  const char* reason = nullptr;
  if (!PolynomialPass(c, xs, false, Cx, &reason) || !PolynomialPass(c, ys, true, Cy, &reason))
    return Unknown(c, reason);
  c.share = FitShare::Known;
  return c;
}

// The derivatives of one marker's X and Y by the eight projective parameters.
void ProjectiveRows(const FitCovariance& c, double x, double y, double* gx, double* gy, double* X,
                    double* Y) {
  const double u = (x - c.cx) * c.scale, v = (y - c.cy) * c.scale;
  const double w = 1 + c.p[6] * u + c.p[7] * v;
  const double dx = (c.p[0] + c.p[1] * u + c.p[2] * v) / w;
  const double dy = (c.p[3] + c.p[4] * u + c.p[5] * v) / w;
  const double q[3] = {1 / w, u / w, v / w};
  for (int k = 0; k < 3; ++k) {
    gx[k] = q[k];
    gx[3 + k] = 0;
    gy[k] = 0;
    gy[3 + k] = q[k];
  }
  gx[6] = -dx * q[1];
  gx[7] = -dx * q[2];
  gy[6] = -dy * q[1];
  gy[7] = -dy * q[2];
  if (X) *X = c.X0 + dx;
  if (Y) *Y = c.Y0 + dy;
}

FitCovariance ProjectiveCovariance(FitCovariance c, const std::vector<MarkerRowText>& rows,
                                   const std::vector<double>& Cx, const std::vector<double>& Cy,
                                   bool unwrap) {
  const auto obs = Usable(rows, unwrap, true, true);
  const int m = static_cast<int>(obs.size());
  c.freedomX = c.freedomY = 2 * m - kProjectiveParameters;
  if (m == 0 || c.freedomX <= 0) return Unknown(c, kZeroFreedomMessage);
  if (Cx.size() < 5 || Cy.size() < 5) return Unknown(c, kUndeterminedFitMessage);
  Normalise(obs, c);
  long double sX = 0, sY = 0;
  for (const auto& o : obs) {
    sX += o.X;
    sY += o.Y;
  }
  c.X0 = static_cast<double>(sX / m);
  c.Y0 = static_cast<double>(sY / m);
  // The stored form over (x, y) rewritten over (u, v) and divided by the denominator's value
  // at the centre, then centred on the markers' mean physical position.
  const long double s = 1 / static_cast<long double>(c.scale);
  const long double d0 = 1 + Cx[3] * static_cast<long double>(c.cx) + Cx[4] * c.cy;
  if (!(std::fabs(d0) > 0)) return Unknown(c, kUndeterminedFitMessage);
  const long double g = Cx[3] * s / d0, h = Cx[4] * s / d0;
  const long double a1 = (Cx[0] + Cx[1] * static_cast<long double>(c.cx) + Cx[2] * c.cy) / d0;
  const long double b1 = (Cy[0] + Cy[1] * static_cast<long double>(c.cx) + Cy[2] * c.cy) / d0;
  const long double a2 = Cx[1] * s / d0, a3 = Cx[2] * s / d0;
  const long double b2 = Cy[1] * s / d0, b3 = Cy[2] * s / d0;
  c.p = {static_cast<double>(a1 - c.X0),
         static_cast<double>(a2 - c.X0 * g),
         static_cast<double>(a3 - c.X0 * h),
         static_cast<double>(b1 - c.Y0),
         static_cast<double>(b2 - c.Y0 * g),
         static_cast<double>(b3 - c.Y0 * h),
         static_cast<double>(g),
         static_cast<double>(h)};
  // The Gauss–Newton normal matrix at the solution, JᵀJ, over both coordinates jointly.
  constexpr int P = kProjectiveParameters;
  LMatrix normal(P * P, 0.0L);
  long double ssr = 0;
  double gx[P], gy[P], X, Y;
  for (const auto& o : obs) {
    ProjectiveRows(c, o.x, o.y, gx, gy, &X, &Y);
    for (int i = 0; i < P; ++i)
      for (int j = 0; j < P; ++j)
        normal[static_cast<std::size_t>(i * P + j)] +=
            static_cast<long double>(gx[i]) * gx[j] + static_cast<long double>(gy[i]) * gy[j];
    const long double rx = o.X - X, ry = o.Y - Y;
    ssr += rx * rx + ry * ry;
  }
  if (!InvertSymmetric(normal, P)) return Unknown(c, kUndeterminedFitMessage);
  c.varianceX = c.varianceY = static_cast<double>(ssr / c.freedomX);
  c.parameters = P;
  c.cov.resize(P * P);
  for (int k = 0; k < P * P; ++k)
    c.cov[static_cast<std::size_t>(k)] =
        static_cast<double>(c.varianceX * normal[static_cast<std::size_t>(k)]);
  c.share = FitShare::Known;
  return c;
}

}  // namespace

void FitCovariance::Gradient(double x, double y, double* gx, double* gy) const {
  if (parameters == 0) return;
  if (method == tmProjective) {
    ProjectiveRows(*this, x, y, gx, gy, nullptr, nullptr);
    return;
  }
  if (method == tmLinear) {
    gx[0] = x;
    gy[0] = p[1] - y;
    return;
  }
  const int n = parameters / 2;
  thread_local std::vector<double> b;
  BasisTerms(method, (x - cx) * scale, (y - cy) * scale, b);
  for (int i = 0; i < n; ++i) {
    gx[i] = b[static_cast<std::size_t>(i)];
    gx[n + i] = 0;
    gy[i] = 0;
    gy[n + i] = b[static_cast<std::size_t>(i)];
  }
}

double FitCovariance::Variance(const double* g) const {
  double sum = 0;
  for (int i = 0; i < parameters; ++i) {
    if (g[i] == 0) continue;
    double row = 0;
    const double* c = cov.data() + static_cast<std::size_t>(i * parameters);
    for (int j = 0; j < parameters; ++j) row += c[j] * g[j];
    sum += g[i] * row;
  }
  return sum;
}

FitCovariance FitCovarianceOf(int method, const std::vector<MarkerRowText>& rows,
                              const std::vector<double>& Cx, const std::vector<double>& Cy,
                              bool longitudeLatitude) {
  FitCovariance c;
  c.method = method;
  if (method < tmAffine || method > tmProjective) return Unknown(c, kUndeterminedFitMessage);
  const int n = CoefficientCount(method);
  if (static_cast<int>(Cx.size()) < n || static_cast<int>(Cy.size()) < n)
    return Unknown(c, kUndeterminedFitMessage);
  const bool unwrap = longitudeLatitude && LongitudesCrossAntimeridian(rows);
  if (method == tmProjective) return ProjectiveCovariance(std::move(c), rows, Cx, Cy, unwrap);
  return PolynomialCovariance(std::move(c), rows, Cx, Cy, unwrap);
}

FitCovariance ReferenceCovariance(const std::vector<double>& Cx, const std::vector<double>& Cy,
                                  double referencePixels, double clickSd) {
  FitCovariance c;
  c.method = tmLinear;
  if (!(referencePixels > 0) || Cx.size() < 3 || Cy.size() < 3 || Cx[1] == 0)
    return Unknown(c, kUnknownReferenceMessage);
  const double s = Cx[1];
  // Each end's error along the line changes the length; across it, only to second order.
  const double relative = std::sqrt(2.0) * clickSd / referencePixels;
  c.share = FitShare::Known;
  c.parameters = 1;
  c.p = {s, Cy[0] / s};
  c.cov = {s * relative * s * relative};
  return c;
}

FitCovariance TransformCovariance(int method, const std::vector<MarkerRowText>& rows,
                                  const std::vector<double>& Cx, const std::vector<double>& Cy,
                                  bool longitudeLatitude, double referencePixels, double clickSd) {
  if (method == tmNone) {
    FitCovariance c;
    c.method = tmNone;
    return c;
  }
  if (method == tmLinear) return ReferenceCovariance(Cx, Cy, referencePixels, clickSd);
  return FitCovarianceOf(method, rows, Cx, Cy, longitudeLatitude);
}

std::vector<double> StoredCoefficientCovariance(const FitCovariance& c) {
  if (c.share != FitShare::Known || c.method < tmAffine || c.method > tmCubic) return {};
  const int n = c.parameters / 2;
  // Column k of T holds the stored coefficients of normalised basis term k, found by fitting
  // that polynomial exactly at scattered points (it is a polynomial of the same kind).
  RealMatrix terms;
  std::vector<std::vector<double>> columns(static_cast<std::size_t>(n));
  std::vector<double> b, values;
  std::vector<std::pair<double, double>> at;
  for (int i = 0; i < 3 * n; ++i)
    at.emplace_back(c.cx + (std::cos(1.7 * i) + 0.1 * i / n) / c.scale,
                    c.cy + (std::sin(2.3 * i) - 0.07 * i / n) / c.scale);
  for (const auto& [x, y] : at) {
    BasisTerms(c.method, x, y, b);
    terms.push_back(b);
  }
  for (int k = 0; k < n; ++k) {
    values.clear();
    for (const auto& [x, y] : at) {
      BasisTerms(c.method, (x - c.cx) * c.scale, (y - c.cy) * c.scale, b);
      values.push_back(b[static_cast<std::size_t>(k)]);
    }
    if (!FitPolynomial(static_cast<int>(at.size()), n, terms, values,
                       columns[static_cast<std::size_t>(k)]))
      return {};
  }
  // Σ_stored = T·Σ·Tᵀ per block.
  const int P = 2 * n;
  std::vector<double> out(static_cast<std::size_t>(P * P), 0.0);
  for (int block = 0; block < 2; ++block) {
    const int o = block * n;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        long double sum = 0;
        for (int k = 0; k < n; ++k)
          for (int l = 0; l < n; ++l)
            sum += static_cast<long double>(
                       columns[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)]) *
                   c.cov[static_cast<std::size_t>((o + k) * P + o + l)] *
                   columns[static_cast<std::size_t>(l)][static_cast<std::size_t>(j)];
        out[static_cast<std::size_t>((o + i) * P + o + j)] = static_cast<double>(sum);
      }
  }
  return out;
}

}  // namespace zelko
