// Coefficients of the two methods that are not fitted: "無変換" and "線形変換".
#pragma once

#include <string>
#include <vector>

#include "document/records.h"

namespace zelko {

struct TransformCoefficients {
  std::vector<double> Cx, Cy;
};

// "無変換": X = x, Y = H − y with H = bitHeight / factor, the height of the rotated image at
// magnification 1. factor must be positive.
TransformCoefficients NoTransformCoefficients(int bitHeight, double factor);

// The two ends of the reference line lie on the same spot, so no scale follows from them.
inline constexpr const char* kReferenceEndsCoincideMessage =
    "基準線の両端が同じ位置にあります。\n基準線を指定し直して下さい。";
// The length is so large that the coefficients would not be finite numbers.
inline constexpr const char* kReferenceLengthTooLargeMessage = "基準線の長さが大きすぎます。";

enum class ReferenceLengthStatus {
  Set,          // Cx, Cy hold the linear transformation
  NotPositive,  // length ≤ 0 (also the cancelled input "0"): nothing is set, nothing shown
  Failed,       // message holds the text of an error box; nothing is set
};

struct ReferenceLengthResult {
  ReferenceLengthStatus status = ReferenceLengthStatus::NotPositive;
  TransformCoefficients coefficients;
  std::string message;
};

// The linear transformation from a reference line (ends in image coordinates) and the length
// text typed for it: s = L / |end1 − end0|, Cx = [0, s, 0], Cy = [bitHeight·s / factor, 0, −s].
// A length text that is not a number throws ConversionError (shown by the general error report).
ReferenceLengthResult ReferenceLengthCoefficients(const std::string& lengthText,
                                                  const TMarker& end0, const TMarker& end1,
                                                  int bitHeight, double factor);

}  // namespace zelko
