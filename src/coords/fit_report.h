// What a user checks before trusting a fit: coefficients, per-row residuals and their RMS.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "coords/fit.h"

namespace zelko {

struct FitResidual {
  int row = 0;               // 1-based row of the marker table
  std::optional<double> dx;  // fitted X minus typed X; empty when the row was not used for X
  std::optional<double> dy;  // the same for Y
};

struct FitReport {
  int method = 0;
  bool ok = false;
  std::string message;  // the window's message when the fit failed (may be empty)
  std::vector<double> cx, cy;
  std::vector<FitResidual> residuals;  // one per marker row, in table order (only when ok)
  double rmsX = 0, rmsY = 0;           // root mean square over the rows used for each axis
};

// Fits the method (2..5) through FitTransform and evaluates every marker row with the result.
FitReport BuildFitReport(int method, const std::vector<MarkerRowText>& rows);

// The report of a successful fit as plain text, lines ending in "\n":
//   method: 2
//   cx: c0 c1 c2
//   cy: c0 c1 c2
//   row dx dy        (one line per marker row; "-" where the row was not used)
//   rms_x: v
//   rms_y: v
// Numbers are the shortest texts that read back to the same double.
std::string FormatFitReportText(const FitReport& report);

// The same as one JSON object on one line, followed by "\n":
// {"method": m, "cx": [...], "cy": [...], "residuals": [{"row": r, "dx": v or null,
// "dy": v or null}, ...], "rms_x": v, "rms_y": v}
std::string FormatFitReportJson(const FitReport& report);

}  // namespace zelko
