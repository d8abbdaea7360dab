// How uncertain the transformation's coefficients are: the covariance a least-squares fit leaves
// them with, or the scale error of a clicked reference line.
#pragma once

#include <string>
#include <vector>

#include "coords/fit.h"

namespace zelko {

// Why the fit's share of an uncertainty cannot be given.
inline constexpr const char* kZeroFreedomMessage =
    "自由度が 0 のため、変換式の誤差は求められません。\nマーカーを増やして下さい。";
inline constexpr const char* kUndeterminedFitMessage =
    "マーカーの配置が変換式を定めないため、変換式の誤差は求められません。";
inline constexpr const char* kUnknownReferenceMessage =
    "基準線の長さ（ピクセル）が分からないため、変換式の誤差は求められません。\n"
    "基準線を指定し直して下さい。";

enum class FitShare {
  None,     // the coefficients carry no error ("無変換")
  Known,    // covariance below
  Unknown,  // reason says why
};

// The covariance is held over parameters chosen to be well conditioned, not over the stored
// coefficients: for the polynomials the same polynomials in centred and scaled image
// coordinates, for the projective fit its eight values over centred image and physical
// coordinates, for the reference line the scale itself. Gradient() gives the physical
// position's derivatives by these parameters; the stored coefficients are linear (or, for the
// projective fit, smooth) functions of them, so the propagated variances are the same.
struct FitCovariance {
  FitShare share = FitShare::None;
  std::string reason;  // UTF-8, for FitShare::Unknown
  int method = 0;
  int parameters = 0;
  // Image normalisation u = (x − cx)·scale, v = (y − cy)·scale.
  double cx = 0, cy = 0, scale = 1;
  // Projective: X = X0 + (p0 + p1·u + p2·v) / w, Y = Y0 + (p3 + p4·u + p5·v) / w,
  // w = 1 + p6·u + p7·v. Linear: p = {s, H}, X = s·x, Y = s·(H − y).
  double X0 = 0, Y0 = 0;
  std::vector<double> p;
  std::vector<double> cov;  // parameters × parameters, row-major
  // Residual variance of each pass (the projective fit has one, held in both).
  double varianceX = 0, varianceY = 0;
  int freedomX = 0, freedomY = 0;

  // ∂X/∂p and ∂Y/∂p at image (x, y); gx and gy hold `parameters` values each.
  void Gradient(double x, double y, double* gx, double* gy) const;
  // gᵀ·cov·g.
  double Variance(const double* g) const;
};

// The covariance of a fit of `method` (2..6) with coefficients Cx, Cy, from the same marker
// rows and the same choice of rows as FitTransform. Zero degrees of freedom in either pass make
// the share Unknown with kZeroFreedomMessage.
FitCovariance FitCovarianceOf(int method, const std::vector<MarkerRowText>& rows,
                              const std::vector<double>& Cx, const std::vector<double>& Cy,
                              bool longitudeLatitude = false);

// The reference line's scale error: its two ends each clicked to clickSd pixels per
// coordinate, so its length in pixels, referencePixels, is known to √2·clickSd. Unknown when
// referencePixels is not positive.
FitCovariance ReferenceCovariance(const std::vector<double>& Cx, const std::vector<double>& Cy,
                                  double referencePixels, double clickSd);

// Any method: "無変換" has no fit share, the reference line its scale error, the fits their
// covariance.
FitCovariance TransformCovariance(int method, const std::vector<MarkerRowText>& rows,
                                  const std::vector<double>& Cx, const std::vector<double>& Cy,
                                  bool longitudeLatitude, double referencePixels, double clickSd);

// The covariance of the polynomial coefficients in their stored order, X block then Y block
// (2n × 2n, row-major); empty unless the share is Known and the method a polynomial fit.
std::vector<double> StoredCoefficientCovariance(const FitCovariance& c);

}  // namespace zelko
