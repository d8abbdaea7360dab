#include "imaging/rectify.h"

#include <algorithm>
#include <cmath>

#include "coords/fit_quality.h"
#include "coords/transform.h"

namespace zelko {
namespace {

// Map position and its 2x2 Jacobian by loaded-image x and y.
struct MapJet {
  PlanePoint p;
  double exx = 0, exy = 0, eyx = 0, eyy = 0;  // d(map x)/dx, d(map x)/dy, d(map y)/dx, ...
};

MapJet Jet(const RectifySource& s, double x, double y) {
  const PlanePoint f = s.loadedToFit.Apply(x, y);
  const ViewPlacement unit;
  const double X = EvaluateTransform(s.method, s.cx, f.x, f.y);
  const double Y = EvaluateTransform(s.method, s.cy, f.x, f.y);
  const double Xu = TransformSlopeX(s.method, s.cx, unit, f.x, f.y);
  const double Xv = TransformSlopeY(s.method, s.cx, unit, f.x, f.y);
  const double Yu = TransformSlopeX(s.method, s.cy, unit, f.x, f.y);
  const double Yv = TransformSlopeY(s.method, s.cy, unit, f.x, f.y);
  // Fit frame by loaded image.
  const auto& a = s.loadedToFit.a;
  MapJet j;
  double Xx = Xu * a[1] + Xv * a[4], Xy = Xu * a[2] + Xv * a[5];
  double Yx = Yu * a[1] + Yv * a[4], Yy = Yu * a[2] + Yv * a[5];
  if (s.northingFirst) {
    j.p = {Y, X};
    j.exx = Yx, j.exy = Yy, j.eyx = Xx, j.eyy = Xy;
  } else {
    j.p = {X, Y};
    j.exx = Xx, j.exy = Xy, j.eyx = Yx, j.eyy = Yy;
  }
  return j;
}

// The loaded image's rectangle in the fit's frame, as the fold checks take it.
void FitFrameBox(const RectifySource& s, double* l, double* t, double* r, double* b) {
  *l = *t = HUGE_VAL;
  *r = *b = -HUGE_VAL;
  for (const PlanePoint c :
       {PlanePoint{0, 0}, PlanePoint{double(s.width), 0}, PlanePoint{0, double(s.height)},
        PlanePoint{double(s.width), double(s.height)}}) {
    const PlanePoint f = s.loadedToFit.Apply(c.x, c.y);
    *l = std::min(*l, f.x), *r = std::max(*r, f.x);
    *t = std::min(*t, f.y), *b = std::max(*b, f.y);
  }
}

// The affine map from map positions to loaded-image positions nearest the fit's inverse over a
// grid of the image, by least squares.
std::optional<PixelAffine> ApproximateInverse(const RectifySource& s) {
  constexpr int n = 9;
  // About the mean map position: map offsets are large beside the image's extent.
  double mx = 0, my = 0;
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k) {
      const PlanePoint p = MapPosition(s, s.width * (i + 0.5) / n, s.height * (k + 0.5) / n);
      mx += p.x / (n * n), my += p.y / (n * n);
    }
  double m[3][3] = {};
  double rx[3] = {}, ry[3] = {};
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k) {
      const double x = s.width * (i + 0.5) / n, y = s.height * (k + 0.5) / n;
      const PlanePoint p = MapPosition(s, x, y);
      const double v[3] = {1, p.x - mx, p.y - my};
      for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) m[r][c] += v[r] * v[c];
        rx[r] += v[r] * x;
        ry[r] += v[r] * y;
      }
    }
  // Gaussian elimination with partial pivoting.
  long double a[3][5];
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) a[r][c] = m[r][c];
    a[r][3] = rx[r];
    a[r][4] = ry[r];
  }
  for (int c = 0; c < 3; ++c) {
    int piv = c;
    for (int r = c + 1; r < 3; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[piv][c])) piv = r;
    if (a[piv][c] == 0) return std::nullopt;
    std::swap(a[c], a[piv]);
    for (int r = 0; r < 3; ++r) {
      if (r == c) continue;
      const long double f = a[r][c] / a[c][c];
      for (int k = c; k < 5; ++k) a[r][k] -= f * a[c][k];
    }
  }
  const double x1 = double(a[1][3] / a[1][1]), x2 = double(a[2][3] / a[2][2]);
  const double y1 = double(a[1][4] / a[1][1]), y2 = double(a[2][4] / a[2][2]);
  PixelAffine out;
  out.a = {double(a[0][3] / a[0][0]) - x1 * mx - x2 * my, x1, x2,
           double(a[0][4] / a[0][0]) - y1 * mx - y2 * my, y1, y2};
  for (double v : out.a)
    if (!std::isfinite(v)) return std::nullopt;
  return out;
}

}  // namespace

PlanePoint MapPosition(const RectifySource& s, double x, double y) {
  const PlanePoint f = s.loadedToFit.Apply(x, y);
  const double X = EvaluateTransform(s.method, s.cx, f.x, f.y);
  const double Y = EvaluateTransform(s.method, s.cy, f.x, f.y);
  return s.northingFirst ? PlanePoint{Y, X} : PlanePoint{X, Y};
}

std::optional<PlanePoint> InvertFitAt(const RectifySource& s, PlanePoint target, PlanePoint start,
                                      double resolution) {
  // Aim at a millionth of an output pixel; rounding may stop it short, and a thousandth will do.
  const double tolerance = 1e-6 * resolution, enough = 1e-3 * resolution;
  PlanePoint p = start;
  MapJet j = Jet(s, p.x, p.y);
  double ex = j.p.x - target.x, ey = j.p.y - target.y;
  double err = std::hypot(ex, ey);
  for (int it = 0; it < 50; ++it) {
    if (!std::isfinite(err)) return std::nullopt;
    if (err <= tolerance) return p;
    const double det = j.exx * j.eyy - j.exy * j.eyx;
    if (!std::isfinite(det) || det == 0) return std::nullopt;
    const double dx = (j.eyy * ex - j.exy * ey) / det;
    const double dy = (-j.eyx * ex + j.exx * ey) / det;
    // Halve the step while it makes the miss larger: a start far off on a curved fit.
    double t = 1;
    bool improved = false;
    for (int h = 0; h < 30; ++h, t /= 2) {
      const PlanePoint q{p.x - t * dx, p.y - t * dy};
      const MapJet k = Jet(s, q.x, q.y);
      const double kx = k.p.x - target.x, ky = k.p.y - target.y;
      const double e = std::hypot(kx, ky);
      if (std::isfinite(e) && e < err) {
        p = q, j = k, ex = kx, ey = ky, err = e;
        improved = true;
        break;
      }
    }
    if (!improved) break;
  }
  return err <= enough ? std::optional<PlanePoint>(p) : std::nullopt;
}

std::optional<double> GroundResolution(const RectifySource& s) {
  const MapJet j = Jet(s, s.width / 2.0, s.height / 2.0);
  const double det = std::fabs(j.exx * j.eyy - j.exy * j.eyx);
  if (!std::isfinite(det) || det == 0) return std::nullopt;
  return std::sqrt(det);
}

std::optional<Rectifier> Rectifier::Plan(const RectifySource& s, std::optional<double> resolution,
                                         const DecodeLimits& limits, std::uint64_t heldBytes,
                                         std::string* error) {
  const auto refuse = [&](const std::string& why) {
    if (error) *error = why;
    return std::nullopt;
  };
  if (s.method < tmLinear || s.method > tmProjective)
    return refuse("座標変換の方法が「無変換」なので、画像を地図に合わせられません。");
  const std::size_t count = static_cast<std::size_t>(CoefficientCount(s.method));
  if (s.cx.size() != count || s.cy.size() != count) return refuse("座標変換が設定されていません。");
  for (double v : s.cx)
    if (!std::isfinite(v)) return refuse("座標変換の係数が数になっていません。");
  for (double v : s.cy)
    if (!std::isfinite(v)) return refuse("座標変換の係数が数になっていません。");
  if (s.width <= 0 || s.height <= 0) return refuse("画像が空です。");
  double l, t, r, b;
  FitFrameBox(s, &l, &t, &r, &b);
  if (s.method == tmProjective && VanishingLineCrosses(s.cx, l, t, r, b))
    return refuse("射影変換の消失線が画像を横切るため、画像を地図に合わせられません。");
  if (TransformFolds(s.method, s.cx, s.cy, l, t, r, b))
    return refuse("座標変換が画像の中で折り返すため、画像を地図に合わせられません。");

  Rectifier out;
  out.source_ = s;
  const std::optional<double> ground = GroundResolution(s);
  if (!ground) return refuse("座標変換が画像を線や点に潰します。");
  const double res = resolution ? *resolution : *ground;
  if (!(res > 0) || !std::isfinite(res)) return refuse("解像度は 0 より大きい数にして下さい。");

  // The outline: every edge of the loaded image, a point every few pixels (at most 1024 a side).
  const auto edge = [&](double x0, double y0, double x1, double y1, int n) {
    for (int i = 0; i < n; ++i) {
      const double f = double(i) / n;
      out.outline_.push_back(MapPosition(s, x0 + (x1 - x0) * f, y0 + (y1 - y0) * f));
    }
  };
  const double W = s.width, H = s.height;
  const int nx = std::clamp(s.width / 4, 8, 1024), ny = std::clamp(s.height / 4, 8, 1024);
  edge(0, 0, W, 0, nx);
  edge(W, 0, W, H, ny);
  edge(W, H, 0, H, nx);
  edge(0, H, 0, 0, ny);
  out.outline_.push_back(out.outline_.front());
  double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
  for (const PlanePoint& p : out.outline_) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
      return refuse("座標変換が画像の縁で数になりません。");
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  const double west = std::floor(minX / res) * res, north = std::ceil(maxY / res) * res;
  const double w = std::ceil((maxX - west) / res), h = std::ceil((north - minY) / res);
  const auto dims = [](double v) { return std::to_string(static_cast<long long>(v)); };
  if (!(w >= 1 && h >= 1) || w > 1e9 || h > 1e9) {
    const std::string size =
        w > 1e9 || h > 1e9 ? "10 億ピクセルを超える辺" : dims(w) + " x " + dims(h);
    return refuse("幾何補正した画像が大きすぎます (" + size + ")。解像度の値を大きくして下さい。");
  }
  DecodeLimits held = limits;
  held.heldBytes = heldBytes;
  // The encoded file is held whole until it is written: about as large again at worst.
  const std::string tooLarge = SizeRefusal(std::int64_t(w), std::int64_t(h), 4, held,
                                           std::uint64_t(w) * std::uint64_t(h) * 4);
  if (!tooLarge.empty()) {
    std::string text = "幾何補正した" + tooLarge.substr(tooLarge.find("画像"));
    if (text.size() < 3 || text.compare(text.size() - 3, 3, "。") != 0) text += "。";
    return refuse(text + "解像度の値を大きくして下さい。");
  }
  out.grid_ = {int(w), int(h), west, north, res};
  const auto start = ApproximateInverse(s);
  if (!start) return refuse("座標変換が画像を線や点に潰します。");
  out.start_ = *start;
  return out;
}

bool Rectifier::Render(const Bitmap& loaded, int y0, int count, std::uint8_t* rgba,
                       std::string* error) const {
  const RectifiedGrid& g = grid_;
  const RectifySource& s = source_;
  const int W = s.width, H = s.height;
  std::vector<double> cuts;
  for (int row = 0; row < count; ++row) {
    const int y = y0 + row;
    std::uint8_t* out = rgba + std::size_t(row) * g.width * 4;
    std::fill(out, out + std::size_t(g.width) * 4, std::uint8_t{0});
    const double my = g.north - (y + 0.5) * g.resolution;
    // Where the row's centre line crosses the outline: inside between pairs of crossings.
    cuts.clear();
    for (std::size_t i = 0; i + 1 < outline_.size(); ++i) {
      const PlanePoint a = outline_[i], b = outline_[i + 1];
      if ((a.y <= my) != (b.y <= my)) cuts.push_back(a.x + (my - a.y) / (b.y - a.y) * (b.x - a.x));
    }
    std::sort(cuts.begin(), cuts.end());
    std::optional<PlanePoint> last;
    for (std::size_t k = 0; k + 1 < cuts.size(); k += 2) {
      // One pixel more on either side: the outline is a polygon through the true edge.
      const int from = std::max(0, int(std::floor((cuts[k] - g.west) / g.resolution)) - 1);
      const int to =
          std::min(g.width - 1, int(std::floor((cuts[k + 1] - g.west) / g.resolution)) + 1);
      for (int x = from; x <= to; ++x) {
        const PlanePoint target{g.west + (x + 0.5) * g.resolution, my};
        std::optional<PlanePoint> p;
        if (last) p = InvertFitAt(s, target, *last, g.resolution);
        if (!p) p = InvertFitAt(s, target, start_.Apply(target.x, target.y), g.resolution);
        last = p;
        if (!p) {
          const bool margin = x == from || x == to;
          if (margin) continue;
          if (error)
            *error = "座標変換の逆算が収束しない地点があります（地図上の (" +
                     std::to_string(target.x) + ", " + std::to_string(target.y) +
                     ")）。画像を地図に合わせられません。";
          return false;
        }
        if (!(p->x >= 0 && p->x <= W && p->y >= 0 && p->y <= H)) continue;
        // Bilinear between the four pixel centres around the position.
        const double sx = std::clamp(p->x - 0.5, 0.0, W - 1.0);
        const double sy = std::clamp(p->y - 0.5, 0.0, H - 1.0);
        const int i0 = std::min(int(sx), W - 1), j0 = std::min(int(sy), H - 1);
        const int i1 = std::min(i0 + 1, W - 1), j1 = std::min(j0 + 1, H - 1);
        const double fx = sx - i0, fy = sy - j0;
        const std::uint32_t c00 = PixelRgb(loaded, i0, j0), c10 = PixelRgb(loaded, i1, j0);
        const std::uint32_t c01 = PixelRgb(loaded, i0, j1), c11 = PixelRgb(loaded, i1, j1);
        std::uint8_t* d = out + std::size_t(x) * 4;
        for (int ch = 0; ch < 3; ++ch) {
          const int shift = 16 - 8 * ch;  // red, green, blue
          const auto v = [&](std::uint32_t c) { return double((c >> shift) & 0xFF); };
          const double top = v(c00) + (v(c10) - v(c00)) * fx;
          const double bottom = v(c01) + (v(c11) - v(c01)) * fx;
          d[ch] = static_cast<std::uint8_t>(std::lround(top + (bottom - top) * fy));
        }
        d[3] = 255;
      }
    }
  }
  return true;
}

}  // namespace zelko
