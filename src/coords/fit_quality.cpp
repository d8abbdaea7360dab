#include "coords/fit_quality.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <set>

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
                                  const std::vector<int>& used, bool physicalY) {
  std::vector<PassPoint> points;
  for (int r : used) {
    const MarkerRowText& t = rows[static_cast<std::size_t>(r)];
    points.push_back({r, *TryParseNumber(t.imageX), *TryParseNumber(t.imageY),
                      *TryParseNumber(physicalY ? t.physicalY : t.physicalX)});
  }
  return points;
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
  long double cx = 0, cy = 0;
  for (const auto& p : points) {
    cx += p.x;
    cy += p.y;
  }
  cx /= points.size();
  cy /= points.size();
  long double sxx = 0, syy = 0, sxy = 0, farthest = 0;
  for (const auto& p : points) {
    const long double dx = p.x - cx, dy = p.y - cy;
    sxx += dx * dx;
    syy += dy * dy;
    sxy += dx * dy;
    farthest = std::max(farthest, std::sqrt(dx * dx + dy * dy));
  }
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
  q.coefficients = 2 * n;
  q.residuals.resize(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) q.residuals[r].row = static_cast<int>(r) + 1;
  if (!fit.ok) return q;

  const auto pointsX = PassPoints(rows, fit.rowsX, false);
  const auto pointsY = PassPoints(rows, fit.rowsY, true);
  const auto looX = LeaveOneOut(method, pointsX);
  const auto looY = LeaveOneOut(method, pointsY);
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
  if (q.layout == FitLayout::Determined && (fit.rankX < n || fit.rankY < n))
    q.layout = FitLayout::Deficient;

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
  q.folds = TransformFolds(method, fit.Cx, fit.Cy, left, top, right, bottom);
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
  if (!(left <= right && top <= bottom)) return false;
  constexpr int kSteps = 32;
  const ViewPlacement image{0, 0, 1};
  std::vector<double> dets;
  double largest = 0;
  for (int i = 0; i <= kSteps; ++i)
    for (int j = 0; j <= kSteps; ++j) {
      const double x = left + (right - left) * i / kSteps;
      const double y = top + (bottom - top) * j / kSteps;
      const long double d = static_cast<long double>(TransformSlopeX(method, Cx, image, x, y)) *
                                TransformSlopeY(method, Cy, image, x, y) -
                            static_cast<long double>(TransformSlopeY(method, Cx, image, x, y)) *
                                TransformSlopeX(method, Cy, image, x, y);
      dets.push_back(static_cast<double>(d));
      if (std::isfinite(d)) largest = std::max(largest, static_cast<double>(std::fabs(d)));
    }
  // Rounding noise around a determinant that is zero throughout is no fold.
  const double noise = largest * 1e-12;
  bool positive = false, negative = false;
  for (double d : dets) {
    if (d > noise) positive = true;
    if (d < -noise) negative = true;
  }
  return positive && negative;
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
  if (quality.folds) {
    if (!text.empty()) text += "\n";
    text += "変換式が画像の中で折り返しています（座標の向きが逆になる部分があります）。";
  }
  if (text.empty()) return text;
  return text + "\nマーカーを増やすか、配置や変換式を見直して下さい。";
}

}  // namespace zelko
