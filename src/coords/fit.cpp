#include "coords/fit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>

#include "coords/projective_fit.h"
#include "coords/transform.h"
#include "document/numbers.h"

namespace zelko {

std::vector<MarkerRowText> MarkerRowsOf(const std::vector<MarkerRecord>& markers) {
  std::vector<MarkerRowText> rows;
  rows.reserve(markers.size());
  for (const MarkerRecord& m : markers)
    rows.push_back({MarkerTextFromTenths(m.XTenths), MarkerTextFromTenths(m.YTenths), m.X, m.Y});
  return rows;
}

bool LongitudesCrossAntimeridian(const std::vector<MarkerRowText>& rows) {
  double low = HUGE_VAL, high = -HUGE_VAL, lowShifted = HUGE_VAL, highShifted = -HUGE_VAL;
  for (const auto& r : rows) {
    if (!TryParseNumber(r.imageX) || !TryParseNumber(r.imageY)) continue;
    const auto v = TryParseNumber(r.physicalX);
    if (!v) continue;
    low = std::min(low, *v);
    high = std::max(high, *v);
    const double shifted = *v < 0 ? *v + 360 : *v;
    lowShifted = std::min(lowShifted, shifted);
    highShifted = std::max(highShifted, shifted);
  }
  return high - low > 180 && highShifted - lowShifted <= 180;
}

std::optional<double> FittedPhysicalX(const MarkerRowText& row, bool unwrapLongitudes) {
  auto v = TryParseNumber(row.physicalX);
  if (v && unwrapLongitudes && *v < 0) *v += 360;
  return v;
}

void BasisTerms(int method, double x, double y, std::vector<double>& terms) {
  const int n = CoefficientCount(method);
  terms.assign(static_cast<std::size_t>(n < 3 ? 3 : n), 0.0);
  // Products are formed in extended precision and rounded once.
  const long double lx = x, ly = y;
  terms[0] = 1;
  terms[1] = x;
  terms[2] = y;
  switch (method) {
    case tmBilinear:
      terms[3] = static_cast<double>(lx * ly);
      break;
    case tmQuadratic:
      terms[3] = static_cast<double>(lx * ly);
      terms[4] = static_cast<double>(lx * lx);
      terms[5] = static_cast<double>(ly * ly);
      break;
    case tmCubic:
      terms[3] = static_cast<double>(lx * lx);
      terms[4] = static_cast<double>(lx * ly);
      terms[5] = static_cast<double>(ly * ly);
      terms[6] = static_cast<double>(lx * lx * lx);
      terms[7] = static_cast<double>(lx * lx * ly);
      terms[8] = static_cast<double>(lx * ly * ly);
      terms[9] = static_cast<double>(ly * ly * ly);
      break;
    default:
      break;
  }
}

bool FitPolynomial(int count, int n, const RealMatrix& terms, const std::vector<double>& values,
                   std::vector<double>& C, std::string* message, int* rank) {
  if (message) message->clear();
  if (count < 0 || n < 1 || terms.size() < static_cast<std::size_t>(count) ||
      values.size() < static_cast<std::size_t>(count))
    return false;
  RealMatrix a(static_cast<std::size_t>(count), std::vector<double>(n, 0.0));
  std::vector<double> b(values.begin(), values.begin() + count);
  for (int i = 0; i < count; ++i) {
    if (terms[i].size() < static_cast<std::size_t>(n)) return false;
    a[i][0] = 1;
    for (int j = 1; j < n; ++j) a[i][j] = terms[i][j];
  }
  std::vector<double> c(n, 0.0), work(n, 0.0);
  if (!LeastSquaresSolve(count, n, a, c, b, work, message, rank)) return false;
  if (C.size() < static_cast<std::size_t>(n)) C.resize(n, 0.0);
  for (int j = 0; j < n; ++j) C[j] = c[j];
  return true;
}

namespace {

// Collects the usable rows of one pass; the image coordinates come from the table text, not
// from the markers' full-precision positions, so the fit matches what the user sees.
int CollectPass(int method, const std::vector<MarkerRowText>& rows, bool physicalY, bool unwrap,
                RealMatrix& terms, std::vector<double>& values, std::vector<int>& used) {
  int count = 0;
  used.clear();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const auto x = TryParseNumber(rows[r].imageX);
    const auto y = TryParseNumber(rows[r].imageY);
    const auto v = physicalY ? TryParseNumber(rows[r].physicalY) : FittedPhysicalX(rows[r], unwrap);
    if (!x || !y || !v) continue;
    BasisTerms(method, *x, *y, terms[count]);
    values[count] = *v;
    used.push_back(static_cast<int>(r));
    ++count;
  }
  return count;
}

FitResult& Fault(FitResult& result) {
  result.fault = true;
  result.message = kFitFaultMessage;
  return result;
}

FitResult FitProjectiveRows(const std::vector<MarkerRowText>& rows, FitResult result) {
  std::vector<ControlPoint> points;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const auto x = TryParseNumber(rows[r].imageX);
    const auto y = TryParseNumber(rows[r].imageY);
    const auto X = FittedPhysicalX(rows[r], result.unwrapLongitudes);
    const auto Y = TryParseNumber(rows[r].physicalY);
    if (!x || !y || !X || !Y) continue;
    points.push_back({*x, *y, *X, *Y});
    result.rowsX.push_back(static_cast<int>(r));
  }
  result.rowsY = result.rowsX;
  if (points.size() < 4) {
    result.message = kFitShortageProjectiveMessage;
    return result;
  }
  const ProjectiveSolution s = FitProjective(points);
  if (!s.ok) return Fault(result);
  result.Cx = s.Cx;
  result.Cy = s.Cy;
  result.rankX = result.rankY = s.rank;
  result.ok = true;
  return result;
}

}  // namespace

FitResult FitTransform(int method, const std::vector<MarkerRowText>& rows,
                       const std::vector<double>& Cx, const std::vector<double>& Cy,
                       bool longitudeLatitude) {
  FitResult result;
  result.Cx = Cx;
  result.Cy = Cy;
  if (method < tmAffine || method > tmProjective) return result;
  const int n = CoefficientCount(method);
  result.Cx.resize(n, 0.0);
  result.Cy.resize(n, 0.0);
  result.unwrapLongitudes = longitudeLatitude && LongitudesCrossAntimeridian(rows);
  if (method == tmProjective) return FitProjectiveRows(rows, std::move(result));

  RealMatrix terms(rows.size());
  std::vector<double> values(rows.size(), 0.0);
  std::string solverMessage;

  int count =
      CollectPass(method, rows, false, result.unwrapLongitudes, terms, values, result.rowsX);
  if (count <= n) {
    result.message = kFitShortageXMessage;
    return result;
  }
  if (!FitPolynomial(count, n, terms, values, result.Cx, &solverMessage, &result.rankX))
    return Fault(result);
  result.message = solverMessage;

  count = CollectPass(method, rows, true, false, terms, values, result.rowsY);
  if (count <= n) {
    result.message = kFitShortageYMessage;
    return result;
  }
  if (!FitPolynomial(count, n, terms, values, result.Cy, &solverMessage, &result.rankY))
    return Fault(result);
  if (!solverMessage.empty()) result.message = solverMessage;
  result.ok = true;
  return result;
}

}  // namespace zelko
