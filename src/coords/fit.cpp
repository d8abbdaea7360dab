#include "coords/fit.h"

#include <cstddef>
#include <optional>

#include "coords/transform.h"
#include "document/numbers.h"

namespace zelko {

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
int CollectPass(int method, const std::vector<MarkerRowText>& rows, bool physicalY,
                RealMatrix& terms, std::vector<double>& values, std::vector<int>& used) {
  int count = 0;
  used.clear();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const auto x = TryParseNumber(rows[r].imageX);
    const auto y = TryParseNumber(rows[r].imageY);
    const auto v = TryParseNumber(physicalY ? rows[r].physicalY : rows[r].physicalX);
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

}  // namespace

FitResult FitTransform(int method, const std::vector<MarkerRowText>& rows,
                       const std::vector<double>& Cx, const std::vector<double>& Cy) {
  FitResult result;
  result.Cx = Cx;
  result.Cy = Cy;
  if (method < tmAffine || method > tmCubic) return result;
  const int n = CoefficientCount(method);
  result.Cx.resize(n, 0.0);
  result.Cy.resize(n, 0.0);

  RealMatrix terms(rows.size());
  std::vector<double> values(rows.size(), 0.0);
  std::string solverMessage;

  int count = CollectPass(method, rows, false, terms, values, result.rowsX);
  if (count <= n) {
    result.message = kFitShortageXMessage;
    return result;
  }
  if (!FitPolynomial(count, n, terms, values, result.Cx, &solverMessage, &result.rankX))
    return Fault(result);
  result.message = solverMessage;

  count = CollectPass(method, rows, true, terms, values, result.rowsY);
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
