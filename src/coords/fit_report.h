// What a user checks before trusting a fit: coefficients, per-row residuals, their RMS and the
// warnings the window gives.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "coords/fit.h"
#include "coords/fit_quality.h"

namespace zelko {

struct FitReport {
  int method = 0;
  bool ok = false;
  std::string message;  // the window's message when the fit failed (may be empty)
  std::vector<double> cx, cy;
  std::vector<FitResidual> residuals;  // one per marker row, in table order (only when ok)
  double rmsX = 0, rmsY = 0;           // root mean square over the rows used for each axis
  double rms = 0;                      // over both axes together
  int dof = 0;                         // values used minus coefficients fitted
  FitLayout layout = FitLayout::Determined;
  bool folds = false;
  bool vanishingLine = false;      // the projective fit's vanishing line crosses the checked area
  bool mirrored = false;           // every area's sign is reversed
  std::optional<double> coverage;  // share of the image inside the markers' hull (with a size)
  double spreadRatio = 0;          // smaller over larger singular value of the marker positions
  std::vector<int> notNumeric;     // 1-based markers with a cell that is not a number
  std::string warning;             // FitWarningMessage of the fit, empty when it looks sound
  std::string advice;              // FitAdviceMessage of the fit
};

// Fits the method (2..6) through FitTransform and assesses it as the window does (AssessFit).
FitReport BuildFitReport(int method, const std::vector<MarkerRowText>& rows,
                         const std::optional<ImageExtent>& image = std::nullopt,
                         bool longitudeLatitude = false);

// The report of a successful fit as plain text, lines ending in "\n":
//   method: 2
//   cx: c0 c1 c2
//   cy: c0 c1 c2
//   row dx dy loo_dx loo_dy   (one line per marker row; "-" where there is no value)
//   rms_x: v
//   rms_y: v
//   rms: v
//   dof: d
//   layout: determined | one_spot | one_line | deficient
//   folds: yes | no
//   vanishing_line: yes | no
//   mirrors: yes | no
//   coverage: v               (share of the image inside the markers' hull; "-" without a size)
//   spread: v                 (smaller over larger singular value of the marker positions)
//   not_numeric: m m ...      (the marker numbers, none when every cell is a number)
// Numbers are the shortest texts that read back to the same double.
std::string FormatFitReportText(const FitReport& report);

// The same as one JSON object on one line, followed by "\n":
// {"method": m, "cx": [...], "cy": [...], "residuals": [{"row": r, "dx": v or null,
// "dy": v or null, "loo_dx": v or null, "loo_dy": v or null}, ...], "rms_x": v, "rms_y": v,
// "rms": v, "dof": d, "layout": "...", "folds": false, "vanishing_line": false, "mirrors": false,
// "coverage": v or null, "spread": v, "not_numeric": [m, ...]}
std::string FormatFitReportJson(const FitReport& report);

}  // namespace zelko
