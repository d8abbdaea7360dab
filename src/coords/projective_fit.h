// The plane projective fit: a photograph of a flat surface taken at an angle maps onto that
// surface by X = (a1 + a2·x + a3·y) / (1 + g·x + h·y), Y = (b1 + b2·x + b3·y) / (1 + g·x + h·y).
#pragma once

#include <vector>

namespace zelko {

// One marker with both image and physical coordinates.
struct ControlPoint {
  double x = 0, y = 0;  // image
  double X = 0, Y = 0;  // physical
};

struct ProjectiveSolution {
  bool ok = false;     // coefficients are finite and the denominator is defined at the origin
  bool fault = false;  // an arithmetic fault, or the vanishing line runs through the image origin
  int rank = 0;        // of the linear solution; below 8 the markers do not determine the fit
  std::vector<double> Cx, Cy;  // the stored order of tmProjective
};

// Needs at least 4 points. A linear solution in coordinates centred on the points and scaled
// to unit spread gives the start; Levenberg–Marquardt then minimises the sum of squared physical
// residuals (X and Y scaled alike, so the minimum is that of the physical residuals).
ProjectiveSolution FitProjective(const std::vector<ControlPoint>& points);

}  // namespace zelko
