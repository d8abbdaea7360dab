#include "coords/projective_fit.h"

#include <array>
#include <cmath>
#include <cstddef>

#include "coords/ls_solution.h"

namespace zelko {

namespace {

// Centring and isotropic scaling to a mean distance of √2 from the centre.
struct Normaliser {
  long double cx = 0, cy = 0, scale = 1;
};

template <typename GetX, typename GetY>
bool MakeNormaliser(const std::vector<ControlPoint>& pts, GetX gx, GetY gy, Normaliser& n) {
  for (const auto& p : pts) {
    n.cx += gx(p);
    n.cy += gy(p);
  }
  n.cx /= pts.size();
  n.cy /= pts.size();
  long double spread = 0;
  for (const auto& p : pts) spread += std::hypot(gx(p) - n.cx, gy(p) - n.cy);
  spread /= pts.size();
  if (!(spread > 0) || !std::isfinite(spread) || !std::isfinite(n.cx) || !std::isfinite(n.cy))
    return false;
  n.scale = std::sqrt(2.0L) / spread;
  return true;
}

// h = [h11 h12 h13 h21 h22 h23 h31 h32], h33 = 1, in normalised coordinates.
using Params = std::array<double, 8>;

struct Normalised {
  double u, v, U, V;
};

double Cost(const Params& h, const std::vector<Normalised>& pts) {
  long double sum = 0;
  for (const auto& p : pts) {
    // Each term in double; the sum in extended precision.
    const double w = h[6] * p.u + h[7] * p.v + 1.0;
    const double ex = (h[0] * p.u + h[1] * p.v + h[2]) / w - p.U;
    const double ey = (h[3] * p.u + h[4] * p.v + h[5]) / w - p.V;
    sum += static_cast<long double>(ex) * ex + static_cast<long double>(ey) * ey;
  }
  return static_cast<double>(sum);
}

using Matrix8 = std::array<std::array<long double, 8>, 8>;
using Vector8 = std::array<long double, 8>;

// Solves the symmetric system a·x = b (upper triangle read) by Cholesky. False when a pivot
// falls below 1e-24 of its diagonal, the QR solver's rank test (1e-12 of a column's norm) on
// squares, or when the solution is not finite.
bool CholeskySolve(const Matrix8& a, const Vector8& b, Params& x) {
  Matrix8 r{};
  for (int i = 0; i < 8; ++i) {
    long double d = a[i][i];
    for (int k = 0; k < i; ++k) d -= r[k][i] * r[k][i];
    if (!(a[i][i] > 0) || !(d > 1e-24L * a[i][i])) return false;
    r[i][i] = std::sqrt(d);
    for (int j = i + 1; j < 8; ++j) {
      long double t = a[i][j];
      for (int k = 0; k < i; ++k) t -= r[k][i] * r[k][j];
      r[i][j] = t / r[i][i];
    }
  }
  Vector8 y{};
  for (int i = 0; i < 8; ++i) {
    long double t = b[i];
    for (int k = 0; k < i; ++k) t -= r[k][i] * y[k];
    y[i] = t / r[i][i];
  }
  for (int i = 7; i >= 0; --i) {
    long double t = y[i];
    for (int k = i + 1; k < 8; ++k) t -= r[i][k] * x[static_cast<std::size_t>(k)];
    x[static_cast<std::size_t>(i)] = static_cast<double>(t / r[i][i]);
    if (!std::isfinite(x[static_cast<std::size_t>(i)])) return false;
  }
  return true;
}

// The linear (algebraic) solution; the centre of the points has w = 1 in these coordinates,
// which a sound fit never puts on its vanishing line. The normal equations are formed in
// extended precision and solved by Cholesky; the refinement polishes the result anyway. When a
// pivot shows the markers may not determine all eight values, the pivoted QR solver gives the
// basic solution and the rank instead.
bool LinearSolution(const std::vector<Normalised>& pts, Params& h, int& rank) {
  Matrix8 ata{};
  Vector8 atb{};
  const auto add = [&](const long double(&row)[8], long double value) {
    for (int i = 0; i < 8; ++i) {
      if (row[i] == 0) continue;
      atb[i] += row[i] * value;
      for (int k = i; k < 8; ++k) ata[i][k] += row[i] * row[k];
    }
  };
  for (const auto& p : pts) {
    const long double rx[8] = {p.u, p.v, 1, 0, 0, 0, -p.u * p.U, -p.v * p.U};
    const long double ry[8] = {0, 0, 0, p.u, p.v, 1, -p.u * p.V, -p.v * p.V};
    add(rx, p.U);
    add(ry, p.V);
  }
  if (CholeskySolve(ata, atb, h)) {
    rank = 8;
    return true;
  }
  const int m = static_cast<int>(2 * pts.size());
  RealMatrix a(static_cast<std::size_t>(m), std::vector<double>(8, 0.0));
  std::vector<double> b(static_cast<std::size_t>(m)), x(8, 0.0), w(8, 0.0);
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const auto& p = pts[i];
    a[2 * i] = {p.u, p.v, 1, 0, 0, 0, -p.u * p.U, -p.v * p.U};
    a[2 * i + 1] = {0, 0, 0, p.u, p.v, 1, -p.u * p.V, -p.v * p.V};
    b[2 * i] = p.U;
    b[2 * i + 1] = p.V;
  }
  if (!LeastSquaresSolve(m, 8, a, x, b, w, nullptr, &rank)) return false;
  for (int k = 0; k < 8; ++k) h[static_cast<std::size_t>(k)] = x[static_cast<std::size_t>(k)];
  return true;
}

// Levenberg–Marquardt on the geometric residuals. The normal equations are formed once per
// accepted point; a rejected step only changes the damping. Stops when the cost no longer falls
// by more than rounding can explain.
void Refine(const std::vector<Normalised>& pts, Params& h) {
  double cost = Cost(h, pts);
  long double lambda = 0;  // a plain Gauss–Newton step first; damping only when one fails
  for (int accepted = 0; accepted < 50 && cost > 0; ++accepted) {
    // JᵀJ and Jᵀr from their blocks: with q = (u, v, 1), an X row of J is (q, 0, −X·(u, v)) / w
    // and a Y row (0, q, −Y·(u, v)) / w.
    long double qq[3][3] = {}, qx[3][2] = {}, qy[3][2] = {}, uu[2][2] = {};
    Vector8 jtr{};
    for (const auto& p : pts) {
      // A step's direction needs no more than double; the sums are extended.
      const double w = h[6] * p.u + h[7] * p.v + 1.0;
      const double X = (h[0] * p.u + h[1] * p.v + h[2]) / w;
      const double Y = (h[3] * p.u + h[4] * p.v + h[5]) / w;
      const double q[3] = {p.u / w, p.v / w, 1 / w};
      const double rx = p.U - X, ry = p.V - Y;
      for (int i = 0; i < 3; ++i) {
        for (int k = i; k < 3; ++k) qq[i][k] += q[i] * q[k];
        for (int k = 0; k < 2; ++k) {
          qx[i][k] -= X * q[i] * q[k];
          qy[i][k] -= Y * q[i] * q[k];
        }
        jtr[i] += q[i] * rx;
        jtr[3 + i] += q[i] * ry;
      }
      const double xy2 = X * X + Y * Y, across = X * rx + Y * ry;
      for (int i = 0; i < 2; ++i) {
        for (int k = i; k < 2; ++k) uu[i][k] += xy2 * q[i] * q[k];
        jtr[6 + i] -= q[i] * across;
      }
    }
    Matrix8 jtj{};
    for (int i = 0; i < 3; ++i)
      for (int k = i; k < 3; ++k)
        jtj[i][k] = jtj[k][i] = jtj[3 + i][3 + k] = jtj[3 + k][3 + i] = qq[i][k];
    for (int i = 0; i < 3; ++i)
      for (int k = 0; k < 2; ++k) {
        jtj[i][6 + k] = jtj[6 + k][i] = qx[i][k];
        jtj[3 + i][6 + k] = jtj[6 + k][3 + i] = qy[i][k];
      }
    for (int i = 0; i < 2; ++i)
      for (int k = i; k < 2; ++k) jtj[6 + i][6 + k] = jtj[6 + k][6 + i] = uu[i][k];
    bool improved = false;
    for (int tries = 0; tries < 10 && !improved; ++tries) {
      auto damped = jtj;
      for (int i = 0; i < 8; ++i) damped[i][i] += lambda * jtj[i][i];
      Params step{};
      if (CholeskySolve(damped, jtr, step)) {
        Params trial = h;
        for (std::size_t k = 0; k < 8; ++k) trial[k] += step[k];
        const double trialCost = Cost(trial, pts);
        if (std::isfinite(trialCost) && trialCost < cost) {
          const bool converged = cost - trialCost <= 1e-12 * cost;
          h = trial;
          cost = trialCost;
          lambda /= 10;
          if (converged) return;
          improved = true;
          continue;
        }
      }
      lambda = lambda > 0 ? lambda * 10 : 1e-3L;
    }
    if (!improved) return;
  }
}

}  // namespace

ProjectiveSolution FitProjective(const std::vector<ControlPoint>& points) {
  ProjectiveSolution s;
  if (points.size() < 4) return s;
  Normaliser image, physical;
  const bool imageSpread = MakeNormaliser(
      points, [](const ControlPoint& p) { return (long double)p.x; },
      [](const ControlPoint& p) { return (long double)p.y; }, image);
  const bool physicalSpread = MakeNormaliser(
      points, [](const ControlPoint& p) { return (long double)p.X; },
      [](const ControlPoint& p) { return (long double)p.Y; }, physical);
  if (!imageSpread || !physicalSpread) {
    // Every marker at one spot (in the image or on the ground): nothing but the centre can be
    // determined; the layout check names the cause.
    s.Cx = {static_cast<double>(physical.cx), 0, 0, 0, 0};
    s.Cy = {static_cast<double>(physical.cy), 0, 0, 0, 0};
    s.ok = std::isfinite(s.Cx[0]) && std::isfinite(s.Cy[0]);
    s.fault = !s.ok;
    return s;
  }
  std::vector<Normalised> pts;
  pts.reserve(points.size());
  for (const auto& p : points)
    pts.push_back({static_cast<double>((p.x - image.cx) * image.scale),
                   static_cast<double>((p.y - image.cy) * image.scale),
                   static_cast<double>((p.X - physical.cx) * physical.scale),
                   static_cast<double>((p.Y - physical.cy) * physical.scale)});
  Params h{};
  if (!LinearSolution(pts, h, s.rank)) {
    s.fault = true;
    return s;
  }
  if (s.rank == 8) Refine(pts, h);

  // H = T_physical⁻¹ · Hn · T_image, then scaled so that its constant denominator term is 1.
  const long double si = image.scale, sp = physical.scale;
  const long double hn[3][3] = {{h[0], h[1], h[2]}, {h[3], h[4], h[5]}, {h[6], h[7], 1}};
  const long double ti[3][3] = {{si, 0, -si * image.cx}, {0, si, -si * image.cy}, {0, 0, 1}};
  const long double tp[3][3] = {{1 / sp, 0, physical.cx}, {0, 1 / sp, physical.cy}, {0, 0, 1}};
  long double t[3][3] = {}, H[3][3] = {};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 3; ++k) t[r][c] += hn[r][k] * ti[k][c];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 3; ++k) H[r][c] += tp[r][k] * t[k][c];
  // The denominator at the markers' centre, against the one at the image origin: when the
  // origin lies (almost) on the vanishing line, the stored form 1 + g·x + h·y cannot hold the fit.
  const long double atCentre = H[2][0] * image.cx + H[2][1] * image.cy + H[2][2];
  if (!(std::fabs(H[2][2]) > 1e-12L * std::fabs(atCentre))) {
    s.fault = true;
    return s;
  }
  s.Cx = {static_cast<double>(H[0][2] / H[2][2]), static_cast<double>(H[0][0] / H[2][2]),
          static_cast<double>(H[0][1] / H[2][2]), static_cast<double>(H[2][0] / H[2][2]),
          static_cast<double>(H[2][1] / H[2][2])};
  s.Cy = {static_cast<double>(H[1][2] / H[2][2]), static_cast<double>(H[1][0] / H[2][2]),
          static_cast<double>(H[1][1] / H[2][2]), s.Cx[3], s.Cx[4]};
  for (int k = 0; k < 5; ++k)
    if (!std::isfinite(s.Cx[static_cast<std::size_t>(k)]) ||
        !std::isfinite(s.Cy[static_cast<std::size_t>(k)])) {
      s.fault = true;
      return s;
    }
  s.ok = true;
  return s;
}

}  // namespace zelko
