#include "coords/fit_quality.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <set>

#include "coords/projective_fit.h"
#include "coords/transform.h"
#include "document/numbers.h"

namespace zelko {

namespace {

bool IsBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
  });
}

// One marker of a pass: its image position and the typed value of that pass.
struct PassPoint {
  int row;
  double x, y, value;
};

std::vector<PassPoint> PassPoints(const std::vector<MarkerRowText>& rows,
                                  const std::vector<int>& used, bool physicalY, bool unwrap) {
  std::vector<PassPoint> points;
  for (int r : used) {
    const MarkerRowText& t = rows[static_cast<std::size_t>(r)];
    points.push_back({r, *TryParseNumber(t.imageX), *TryParseNumber(t.imageY),
                      physicalY ? *TryParseNumber(t.physicalY) : *FittedPhysicalX(t, unwrap)});
  }
  return points;
}

// The projective fit is joint: leaving a marker out removes both its values.
void LeaveOneOutProjective(const std::vector<PassPoint>& px, const std::vector<PassPoint>& py,
                           std::vector<std::optional<double>>& outX,
                           std::vector<std::optional<double>>& outY) {
  const std::size_t count = px.size();
  outX.assign(count, std::nullopt);
  outY.assign(count, std::nullopt);
  if (count < 5 || py.size() != count) return;
  std::vector<ControlPoint> others;
  for (std::size_t k = 0; k < count; ++k) {
    others.clear();
    for (std::size_t j = 0; j < count; ++j)
      if (j != k) others.push_back({px[j].x, px[j].y, px[j].value, py[j].value});
    const ProjectiveSolution s = FitProjective(others);
    if (!s.ok || s.rank < kProjectiveParameters) continue;
    const double ex = EvaluateTransform(tmProjective, s.Cx, px[k].x, px[k].y) - px[k].value;
    const double ey = EvaluateTransform(tmProjective, s.Cy, py[k].x, py[k].y) - py[k].value;
    if (std::isfinite(ex)) outX[k] = ex;
    if (std::isfinite(ey)) outY[k] = ey;
  }
}

// The centre of a set of positions and their second moments about it.
struct Scatter {
  long double cx = 0, cy = 0, sxx = 0, syy = 0, sxy = 0;
};

template <typename Points>
Scatter ScatterOf(const Points& points) {
  Scatter s;
  if (points.empty()) return s;
  for (const auto& p : points) {
    s.cx += p.x;
    s.cy += p.y;
  }
  s.cx /= points.size();
  s.cy /= points.size();
  for (const auto& p : points) {
    const long double dx = p.x - s.cx, dy = p.y - s.cy;
    s.sxx += dx * dx;
    s.syy += dy * dy;
    s.sxy += dx * dy;
  }
  return s;
}

// Smaller over larger singular value of the centred positions.
double SpreadRatio(const std::vector<ImagePoint>& points) {
  if (points.size() < 2) return 0;
  const Scatter s = ScatterOf(points);
  const long double mean = (s.sxx + s.syy) / 2;
  const long double d = std::sqrt(((s.sxx - s.syy) / 2) * ((s.sxx - s.syy) / 2) + s.sxy * s.sxy);
  const long double large = mean + d, small = std::max(0.0L, mean - d);
  return large > 0 ? static_cast<double>(std::sqrt(small / large)) : 0;
}

// The markers of a fit that have image coordinates, each once.
std::vector<ImagePoint> FitMarkers(const std::vector<PassPoint>& px,
                                   const std::vector<PassPoint>& py) {
  std::set<int> seen;
  std::vector<ImagePoint> out;
  for (const auto* pts : {&px, &py})
    for (const auto& p : *pts)
      if (seen.insert(p.row).second) out.push_back({p.x, p.y});
  return out;
}

double Cross(const ImagePoint& o, const ImagePoint& a, const ImagePoint& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// How the Jacobian determinant of (X, Y) falls on a 33×33 grid over the area: the finite samples
// and those clearly above or below zero (rounding noise around a determinant that is zero
// throughout counts as neither). A nonzero side leaves out the positions where the projective
// denominator has the other sign.
struct DeterminantSigns {
  int samples = 0, positive = 0, negative = 0;
};

DeterminantSigns SampleDeterminants(int method, const std::vector<double>& Cx,
                                    const std::vector<double>& Cy, double left, double top,
                                    double right, double bottom, int side) {
  DeterminantSigns signs;
  if (!(left <= right && top <= bottom)) return signs;
  constexpr int kSteps = 32;
  const ViewPlacement image{0, 0, 1};
  std::vector<long double> dets;
  long double largest = 0;
  for (int i = 0; i <= kSteps; ++i)
    for (int j = 0; j <= kSteps; ++j) {
      const double x = left + (right - left) * i / kSteps;
      const double y = top + (bottom - top) * j / kSteps;
      if (side != 0 && !(side * ProjectiveDenominator(Cx, x, y) > 0)) continue;
      const long double d = static_cast<long double>(TransformSlopeX(method, Cx, image, x, y)) *
                                TransformSlopeY(method, Cy, image, x, y) -
                            static_cast<long double>(TransformSlopeY(method, Cx, image, x, y)) *
                                TransformSlopeX(method, Cy, image, x, y);
      if (!std::isfinite(d)) continue;
      dets.push_back(d);
      largest = std::max(largest, std::fabs(d));
    }
  const long double noise = largest * 1e-12L;
  signs.samples = static_cast<int>(dets.size());
  for (long double d : dets) {
    if (d > noise) ++signs.positive;
    if (d < -noise) ++signs.negative;
  }
  return signs;
}

// The projective denominator's sign at the centre of the markers (+1 without markers): the side
// of the vanishing line where the fit holds.
int ProjectiveSide(const std::vector<double>& Cx, const std::vector<ImagePoint>& markers) {
  if (markers.empty()) return 1;
  long double cx = 0, cy = 0;
  for (const auto& p : markers) {
    cx += p.x;
    cy += p.y;
  }
  const double w = ProjectiveDenominator(Cx, static_cast<double>(cx / markers.size()),
                                         static_cast<double>(cy / markers.size()));
  return w < 0 ? -1 : 1;
}

// Prediction error at every marker of a pass when the pass is fitted without that marker. A
// refit on exactly n markers still predicts, so the minimum marker set gets a figure too.
std::vector<std::optional<double>> LeaveOneOut(int method, const std::vector<PassPoint>& points) {
  const int n = CoefficientCount(method);
  const int count = static_cast<int>(points.size());
  std::vector<std::optional<double>> out(points.size());
  if (count - 1 < n) return out;
  RealMatrix terms(static_cast<std::size_t>(count - 1));
  std::vector<double> values(static_cast<std::size_t>(count - 1));
  for (int k = 0; k < count; ++k) {
    int i = 0;
    for (int j = 0; j < count; ++j) {
      if (j == k) continue;
      BasisTerms(method, points[j].x, points[j].y, terms[i]);
      values[i] = points[j].value;
      ++i;
    }
    std::vector<double> c;
    if (!FitPolynomial(count - 1, n, terms, values, c)) continue;
    const double e = EvaluateTransform(method, c, points[k].x, points[k].y) - points[k].value;
    if (std::isfinite(e)) out[k] = e;
  }
  return out;
}

FitLayout PassLayout(const std::vector<PassPoint>& points) {
  if (points.empty()) return FitLayout::Determined;
  const Scatter s = ScatterOf(points);
  const long double cx = s.cx, cy = s.cy, sxx = s.sxx, syy = s.syy, sxy = s.sxy;
  long double farthest = 0;
  for (const auto& p : points) farthest = std::max(farthest, std::hypot(p.x - cx, p.y - cy));
  if (farthest <= kLayoutTolerance) return FitLayout::OneSpot;
  // The line of least squared distance runs along the principal axis of the positions.
  const long double angle = 0.5L * std::atan2(2 * sxy, sxx - syy);
  const long double nx = -std::sin(angle), ny = std::cos(angle);
  long double off = 0;
  for (const auto& p : points) off = std::max(off, std::fabs(nx * (p.x - cx) + ny * (p.y - cy)));
  return off <= kLayoutTolerance ? FitLayout::OneLine : FitLayout::Determined;
}

double Rms(long double sum, int count) {
  return count ? static_cast<double>(std::sqrt(sum / count)) : 0.0;
}

void Summarise(FitQuality& q) {
  long double sumX = 0, sumY = 0;
  int countX = 0, countY = 0;
  for (const auto& r : q.residuals) {
    if (r.dx) {
      sumX += static_cast<long double>(*r.dx) * *r.dx;
      ++countX;
    }
    if (r.dy) {
      sumY += static_cast<long double>(*r.dy) * *r.dy;
      ++countY;
    }
  }
  q.rmsX = Rms(sumX, countX);
  q.rmsY = Rms(sumY, countY);
  q.rms = Rms(sumX + sumY, countX + countY);
  q.observations = countX + countY;
  q.dof = q.observations - q.coefficients;
}

}  // namespace

std::vector<MarkerTextFault> NonNumericMarkerCells(const std::vector<MarkerRowText>& rows) {
  std::vector<MarkerTextFault> faults;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::string* cells[] = {&rows[r].imageX, &rows[r].imageY, &rows[r].physicalX,
                                  &rows[r].physicalY};
    for (int c = 0; c < 4; ++c)
      if (!IsBlank(*cells[c]) && !TryParseNumber(*cells[c]))
        faults.push_back({static_cast<int>(r), c + 1});
  }
  return faults;
}

std::string NonNumericMarkersMessage(const std::vector<MarkerTextFault>& faults) {
  if (faults.empty()) return {};
  std::set<int> markers;
  for (const auto& f : faults) markers.insert(f.row + 1);
  std::string names;
  for (int m : markers) names += (names.empty() ? "" : ", ") + std::to_string(m);
  return "マーカー " + names +
         " の座標が数値ではありません。\nこのマーカーは変換式の計算に使われません。"
         "\n座標は半角の数字で、小数点には「.」を使って下さい。";
}

FitQuality AssessFit(int method, const std::vector<MarkerRowText>& rows, const FitResult& fit,
                     const std::optional<ImageExtent>& image) {
  FitQuality q;
  const int n = CoefficientCount(method);
  q.coefficients = method == tmProjective ? kProjectiveParameters : 2 * n;
  q.residuals.resize(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) q.residuals[r].row = static_cast<int>(r) + 1;
  if (!fit.ok) return q;

  const auto pointsX = PassPoints(rows, fit.rowsX, false, fit.unwrapLongitudes);
  const auto pointsY = PassPoints(rows, fit.rowsY, true, false);
  std::vector<std::optional<double>> looX, looY;
  if (method == tmProjective) {
    LeaveOneOutProjective(pointsX, pointsY, looX, looY);
  } else {
    looX = LeaveOneOut(method, pointsX);
    looY = LeaveOneOut(method, pointsY);
  }
  for (std::size_t i = 0; i < pointsX.size(); ++i) {
    const auto& p = pointsX[i];
    FitResidual& r = q.residuals[static_cast<std::size_t>(p.row)];
    r.dx = EvaluateTransform(method, fit.Cx, p.x, p.y) - p.value;
    r.looDx = looX[i];
  }
  for (std::size_t i = 0; i < pointsY.size(); ++i) {
    const auto& p = pointsY[i];
    FitResidual& r = q.residuals[static_cast<std::size_t>(p.row)];
    r.dy = EvaluateTransform(method, fit.Cy, p.x, p.y) - p.value;
    r.looDy = looY[i];
  }
  Summarise(q);

  // The worse of the two passes decides; one spot says more than one line.
  const FitLayout lx = PassLayout(pointsX), ly = PassLayout(pointsY);
  q.layout = lx == FitLayout::OneSpot || ly == FitLayout::OneSpot   ? FitLayout::OneSpot
             : lx == FitLayout::OneLine || ly == FitLayout::OneLine ? FitLayout::OneLine
                                                                    : FitLayout::Determined;
  const int rankNeeded = method == tmProjective ? kProjectiveParameters : n;
  if (q.layout == FitLayout::Determined && (fit.rankX < rankNeeded || fit.rankY < rankNeeded))
    q.layout = FitLayout::Deficient;

  const std::vector<ImagePoint> markers = FitMarkers(pointsX, pointsY);
  q.spreadRatio = SpreadRatio(markers);

  double left, top, right, bottom;
  if (image && image->width > 0 && image->height > 0) {
    left = 0;
    top = 0;
    right = image->width;
    bottom = image->height;
  } else {
    left = top = HUGE_VAL;
    right = bottom = -HUGE_VAL;
    for (const auto* pts : {&pointsX, &pointsY})
      for (const auto& p : *pts) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
      }
  }
  if (method == tmProjective)
    q.vanishingLine = VanishingLineCrosses(fit.Cx, left, top, right, bottom);
  else
    q.folds = TransformFolds(method, fit.Cx, fit.Cy, left, top, right, bottom);
  // A fit the markers cannot determine has no orientation worth naming.
  q.mirrored = q.layout == FitLayout::Determined &&
               TransformMirrors(method, fit.Cx, fit.Cy, left, top, right, bottom,
                                method == tmProjective ? ProjectiveSide(fit.Cx, markers) : 0);
  if (image && image->width > 0 && image->height > 0)
    q.coverage = std::min(1.0, HullArea(ConvexHull(markers)) / (image->width * image->height));
  return q;
}

FitQuality AssessFixed(int method, const std::vector<MarkerRowText>& rows,
                       const std::vector<double>& Cx, const std::vector<double>& Cy) {
  FitQuality q;
  q.residuals.resize(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    FitResidual& res = q.residuals[r];
    res.row = static_cast<int>(r) + 1;
    const auto x = TryParseNumber(rows[r].imageX);
    const auto y = TryParseNumber(rows[r].imageY);
    if (!x || !y) continue;
    if (const auto v = TryParseNumber(rows[r].physicalX))
      res.dx = res.looDx = EvaluateTransform(method, Cx, *x, *y) - *v;
    if (const auto v = TryParseNumber(rows[r].physicalY))
      res.dy = res.looDy = EvaluateTransform(method, Cy, *x, *y) - *v;
  }
  Summarise(q);
  return q;
}

bool TransformFolds(int method, const std::vector<double>& Cx, const std::vector<double>& Cy,
                    double left, double top, double right, double bottom) {
  const DeterminantSigns signs = SampleDeterminants(method, Cx, Cy, left, top, right, bottom, 0);
  return signs.positive > 0 && signs.negative > 0;
}
bool TransformMirrors(int method, const std::vector<double>& Cx, const std::vector<double>& Cy,
                      double left, double top, double right, double bottom, int side) {
  const DeterminantSigns signs = SampleDeterminants(method, Cx, Cy, left, top, right, bottom, side);
  return signs.samples > 0 && signs.positive == signs.samples;
}
bool VanishingLineCrosses(const std::vector<double>& Cx, double left, double top, double right,
                          double bottom) {
  const double w[] = {ProjectiveDenominator(Cx, left, top), ProjectiveDenominator(Cx, right, top),
                      ProjectiveDenominator(Cx, left, bottom),
                      ProjectiveDenominator(Cx, right, bottom)};
  const bool positive = std::any_of(std::begin(w), std::end(w), [](double v) { return v > 0; });
  const bool other = std::any_of(std::begin(w), std::end(w), [](double v) { return v <= 0; });
  return positive && other;
}

std::vector<ImagePoint> ConvexHull(std::vector<ImagePoint> points) {
  // Andrew's monotone chain.
  std::sort(points.begin(), points.end(), [](const ImagePoint& a, const ImagePoint& b) {
    return a.x < b.x || (a.x == b.x && a.y < b.y);
  });
  points.erase(std::unique(points.begin(), points.end(),
                           [](const ImagePoint& a, const ImagePoint& b) {
                             return a.x == b.x && a.y == b.y;
                           }),
               points.end());
  if (points.size() < 3) return points;
  std::vector<ImagePoint> hull(2 * points.size());
  std::size_t k = 0;
  for (const auto& p : points) {
    while (k >= 2 && Cross(hull[k - 2], hull[k - 1], p) <= 0) --k;
    hull[k++] = p;
  }
  for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k - 1);
  return hull;
}

double HullArea(const std::vector<ImagePoint>& hull) {
  if (hull.size() < 3) return 0;
  long double sum = 0;
  for (std::size_t i = 0; i < hull.size(); ++i) {
    const auto& a = hull[i];
    const auto& b = hull[(i + 1) % hull.size()];
    sum += static_cast<long double>(a.x) * b.y - static_cast<long double>(b.x) * a.y;
  }
  return static_cast<double>(std::fabs(sum) / 2);
}

FitRegion MarkerRegion(int method, const std::vector<double>& Cx,
                       const std::vector<MarkerRowText>& rows) {
  FitRegion region;
  // Only a fit to the markers is bound to them; no transformation and a reference length are not.
  if (method < tmAffine) return region;
  // The markers the fit can use: the polynomials' passes take either value, the projective fit
  // both.
  std::vector<ImagePoint> points;
  for (const auto& r : rows) {
    const auto x = TryParseNumber(r.imageX), y = TryParseNumber(r.imageY);
    const bool X = TryParseNumber(r.physicalX).has_value();
    const bool Y = TryParseNumber(r.physicalY).has_value();
    if (x && y && (method == tmProjective ? X && Y : X || Y)) points.push_back({*x, *y});
  }
  if (method == tmProjective) region.side = ProjectiveSide(Cx, points);
  region.hull = ConvexHull(std::move(points));
  return region;
}

PointPlace PlaceOf(const FitRegion& region, const std::vector<double>& Cx, double x, double y) {
  if (region.side != 0 && !(region.side * ProjectiveDenominator(Cx, x, y) > 0))
    return PointPlace::BeyondVanishingLine;
  const auto& h = region.hull;
  if (h.size() < 3) return PointPlace::Inside;
  // A little slack, so that a point placed on a marker counts as inside.
  constexpr double kSlack = 1e-9;
  for (std::size_t i = 0; i < h.size(); ++i) {
    const ImagePoint& a = h[i];
    const ImagePoint& b = h[(i + 1) % h.size()];
    const double scale = std::hypot(b.x - a.x, b.y - a.y);
    if (Cross(a, b, {x, y}) < -kSlack * scale * (1 + std::fabs(x) + std::fabs(y)))
      return PointPlace::OutsideMarkers;
  }
  return PointPlace::Inside;
}

std::string CoverageText(const FitQuality& quality) {
  if (!quality.coverage) return {};
  const double percent = *quality.coverage * 100;
  char text[32];
  std::snprintf(text, sizeof text, percent < 10 ? "%.1f" : "%.0f", percent);
  return std::string("画像の ") + text + "%";
}

std::string FitWarningMessage(const FitQuality& quality) {
  std::string text;
  switch (quality.layout) {
    case FitLayout::OneSpot:
      text = "すべてのマーカーがほぼ同じ位置にあるため、変換式が定まりません。";
      break;
    case FitLayout::OneLine:
      text = "すべてのマーカーがほぼ一直線上にあるため、変換式が定まりません。";
      break;
    case FitLayout::Deficient:
      text = "マーカーの配置では変換式の係数の一部が定まりません。";
      break;
    case FitLayout::Determined:
      break;
  }
  const auto add = [&text](const std::string& line) {
    if (!text.empty()) text += "\n";
    text += line;
  };
  if (quality.folds)
    add("変換式が画像の中で折り返しています（座標の向きが逆になる部分があります）。");
  if (quality.vanishingLine)
    add("射影変換の消失線（無限遠になる線）が画像を横切っています。"
        "消失線の向こう側の点は測れません。");
  if (text.empty()) return text;
  return text + "\nマーカーを増やすか、配置や変換式を見直して下さい。";
}

std::string FitAdviceMessage(const FitQuality& quality) {
  std::vector<std::string> parts;
  if (quality.layout == FitLayout::Determined) {
    if (quality.coverage && *quality.coverage < kSmallCoverage)
      parts.push_back("マーカーが囲む範囲は" + CoverageText(quality) +
                      "だけです。範囲の外の座標は外挿で、信頼できません。"
                      "測る範囲を囲むようにマーカーを置いて下さい。");
    if (quality.spreadRatio < kThinLayout)
      parts.push_back(
          "マーカーが細長い帯の形に並んでいるため、帯から離れた位置の座標は信頼できません。");
    if (quality.dof == 0 && quality.observations > 0)
      parts.push_back(
          "変換式はマーカーをちょうど通るため、残差で精度を確かめられません。"
          "マーカーを 1 点以上増やすことをお勧めします。");
    if (quality.mirrored)
      parts.push_back(
          "この変換式は画像を裏返します（X が北、Y が東の測量座標のように、"
          "物理座標の向きが画像と逆です）。面積の符号はすべて逆になります。");
  }
  std::string text;
  for (const auto& p : parts) text += (text.empty() ? "" : "\n\n") + p;
  return text;
}

}  // namespace zelko
