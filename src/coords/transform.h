// Evaluation of the image-to-physical transformation and its slopes.
#pragma once

#include <cstddef>
#include <vector>

namespace zelko {

// Methods of the coordinate page, in list order.
enum TransformMethod : int {
  tmNone = 0,       // X = x, Y = H - y
  tmLinear = 1,     // reference length
  tmAffine = 2,
  tmBilinear = 3,
  tmQuadratic = 4,  // stored order 1, x, y, x*y, x^2, y^2
  tmCubic = 5,
};

// Number of coefficients a method needs: 3, 3, 3, 4, 6, 10; 0 for an unknown method.
int CoefficientCount(int method);

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
