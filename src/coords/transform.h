// Evaluation of the image-to-physical transformation and its slopes.
#pragma once

#include <cstddef>
#include <vector>

namespace zelko {

// Methods of the coordinate page, in list order.
enum TransformMethod : int {
  tmNone = 0,    // X = x, Y = H - y
  tmLinear = 1,  // reference length
  tmAffine = 2,
  tmBilinear = 3,
  tmQuadratic = 4,  // stored order 1, x, y, x*y, x^2, y^2
  tmCubic = 5,
  // X = (a1 + a2·x + a3·y) / (1 + g·x + h·y), Y = (b1 + b2·x + b3·y) / (1 + g·x + h·y);
  // stored as Cx = [a1, a2, a3, g, h] and Cy = [b1, b2, b3, g, h], so that each axis evaluates
  // on its own like the polynomials do.
  tmProjective = 6,
};

inline constexpr int kMethodCount = 7;
// The texts of the method list, in its order.
inline constexpr const char* kMethodNames[kMethodCount] = {
    "無変換",
    "線形変換",
    "アフィン変換 F(x, y) = a1+a2*x+a3*y",
    "１次式F(x, y) = a1+a2*x+a3*y+a4*x*y",
    "２次式F(x, y) = a1+a2*x+a3*x^2+a4*y+a5*y^2+a6*x*y",
    "３次式F(x, y) = a1+a2*x+a3*y+a4*x^2+a5*x*y+a6*y^2+a7*x^3+a8*x^2*y+a9*x*y^2+a10*y^3",
    "射影変換 F(x, y) = (a1+a2*x+a3*y)/(1+g*x+h*y)",
};
// Parameters the projective fit determines: the two numerators and the shared denominator.
inline constexpr int kProjectiveParameters = 8;

// Number of coefficients a method needs: 3, 3, 3, 4, 6, 10, 5; 0 for an unknown method.
int CoefficientCount(int method);

// The projective method's denominator 1 + g·x + h·y from one axis's coefficients. Where it is
// zero lies the vanishing line, the image of infinity; positions beyond it have no physical place.
double ProjectiveDenominator(const std::vector<double>& c, double x, double y);

// F(C; x, y) in image coordinates, summed in extended precision. C must have the method's length.
double EvaluateTransform(int method, const std::vector<double>& c, double x, double y);

// Where the view window lies on the working image and how large the image is shown.
struct ViewPlacement {
  double XB0 = 0;
  double YB0 = 0;
  double factor = 1;
};

// F at a view pixel: image position ((vx + XB0) / factor, (vy + YB0) / factor).
double EvaluateTransformAtView(int method, const std::vector<double>& c, const ViewPlacement& v,
                               double vx, double vy);
// Partial derivatives of EvaluateTransformAtView by vx and by vy.
double TransformSlopeX(int method, const std::vector<double>& c, const ViewPlacement& v, double vx,
                       double vy);
double TransformSlopeY(int method, const std::vector<double>& c, const ViewPlacement& v, double vx,
                       double vy);

}  // namespace zelko
