#include "coords/transform.h"

namespace zelko {

int CoefficientCount(int method) {
  switch (method) {
    case tmNone:
    case tmLinear:
    case tmAffine:
      return 3;
    case tmBilinear:
      return 4;
    case tmQuadratic:
      return 6;
    case tmCubic:
      return 10;
    case tmProjective:
      return 5;
    default:
      return 0;
  }
}

double ProjectiveDenominator(const std::vector<double>& c, double x, double y) {
  if (c.size() < 5) return 1;
  return static_cast<double>(1 + c[3] * static_cast<long double>(x) +
                             c[4] * static_cast<long double>(y));
}

namespace {

long double Evaluate(int method, const std::vector<double>& c, long double x, long double y) {
  if (method == tmProjective) return (c[0] + c[1] * x + c[2] * y) / (1 + c[3] * x + c[4] * y);
  long double f = static_cast<long double>(c[0]) + c[1] * x + c[2] * y;
  switch (method) {
    case tmBilinear:
      f += c[3] * x * y;
      break;
    case tmQuadratic:
      f += c[3] * x * y + c[4] * x * x + c[5] * y * y;
      break;
    case tmCubic:
      f += c[3] * x * x + c[4] * x * y + c[5] * y * y + c[6] * x * x * x + c[7] * x * x * y +
           c[8] * x * y * y + c[9] * y * y * y;
      break;
    default:
      break;
  }
  return f;
}

// The quotient rule for d/dx (k = 1) or d/dy (k = 2) of (c0 + c1·x + c2·y) / (1 + c3·x + c4·y).
long double ProjectiveSlope(const std::vector<double>& c, long double x, long double y, int k) {
  const long double num = c[0] + c[1] * x + c[2] * y;
  const long double den = 1 + c[3] * x + c[4] * y;
  return (c[k] * den - num * c[k + 2]) / (den * den);
}

}  // namespace

double EvaluateTransform(int method, const std::vector<double>& c, double x, double y) {
  if (static_cast<int>(c.size()) < CoefficientCount(method) || c.size() < 3) return 0;
  return static_cast<double>(Evaluate(method, c, x, y));
}

double EvaluateTransformAtView(int method, const std::vector<double>& c, const ViewPlacement& v,
                               double vx, double vy) {
  return EvaluateTransform(method, c, (vx + v.XB0) / v.factor, (vy + v.YB0) / v.factor);
}

double TransformSlopeX(int method, const std::vector<double>& c, const ViewPlacement& v, double vx,
                       double vy) {
  if (static_cast<int>(c.size()) < CoefficientCount(method) || c.size() < 3) return 0;
  const long double x = (vx + v.XB0) / v.factor, y = (vy + v.YB0) / v.factor;
  if (method == tmProjective) return static_cast<double>(ProjectiveSlope(c, x, y, 1) / v.factor);
  long double s = c[1];
  switch (method) {
    case tmBilinear:
      s += c[3] * y;
      break;
    case tmQuadratic:
      s += c[3] * y + 2 * c[4] * x;
      break;
    case tmCubic:
      s += 2 * c[3] * x + c[4] * y + 3 * c[6] * x * x + 2 * c[7] * x * y + c[8] * y * y;
      break;
    default:
      break;
  }
  return static_cast<double>(s / v.factor);
}

double TransformSlopeY(int method, const std::vector<double>& c, const ViewPlacement& v, double vx,
                       double vy) {
  if (static_cast<int>(c.size()) < CoefficientCount(method) || c.size() < 3) return 0;
  const long double x = (vx + v.XB0) / v.factor, y = (vy + v.YB0) / v.factor;
  if (method == tmProjective) return static_cast<double>(ProjectiveSlope(c, x, y, 2) / v.factor);
  long double s = c[2];
  switch (method) {
    case tmBilinear:
      s += c[3] * x;
      break;
    case tmQuadratic:
      s += c[3] * x + 2 * c[5] * y;
      break;
    case tmCubic:
      s += c[4] * x + 2 * c[5] * y + c[7] * x * x + 2 * c[8] * x * y + 3 * c[9] * y * y;
      break;
    default:
      break;
  }
  return static_cast<double>(s / v.factor);
}

}  // namespace zelko
