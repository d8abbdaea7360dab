#include "coords/simple_methods.h"

#include <cmath>

#include "document/numbers.h"

namespace zelko {

TransformCoefficients NoTransformCoefficients(int bitHeight, double factor) {
  return {{0.0, 1.0, 0.0}, {bitHeight / factor, 0.0, -1.0}};
}

ReferenceLengthResult ReferenceLengthCoefficients(const std::string& lengthText,
                                                  const TMarker& end0, const TMarker& end1,
                                                  int bitHeight, double factor) {
  ReferenceLengthResult result;
  const double length = ParseNumber(lengthText);
  if (length <= 0) return result;
  const double dx = end1.x - end0.x, dy = end1.y - end0.y;
  const double d = std::sqrt(dx * dx + dy * dy);
  if (d == 0) {
    result.status = ReferenceLengthStatus::Failed;
    result.message = kReferenceEndsCoincideMessage;
    return result;
  }
  const double s = length / d;
  const double c0 = bitHeight * s / factor;
  if (!std::isfinite(s) || !std::isfinite(c0)) {
    result.status = ReferenceLengthStatus::Failed;
    result.message = kReferenceLengthTooLargeMessage;
    return result;
  }
  result.status = ReferenceLengthStatus::Set;
  result.coefficients = {{0.0, s, 0.0}, {c0, 0.0, -s}};
  return result;
}

}  // namespace zelko
