// How far a transformation can be trusted: the residual of every marker, with and without that
// marker in the fit, their RMS and degrees of freedom, and the marker layouts and fits that
// cannot be right (markers at one spot or on one line, a mapping that folds the image over).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "coords/fit.h"

namespace zelko {

// A marker-table cell that holds text that is not a number. The passes that need the cell leave
// its row out; an empty cell is simply not typed yet and is not listed.
struct MarkerTextFault {
  int row = 0;  // 0-based marker row
  int col = 0;  // table column 1..4
};
std::vector<MarkerTextFault> NonNumericMarkerCells(const std::vector<MarkerRowText>& rows);
// One message naming every such marker by its number, or empty when there is none.
std::string NonNumericMarkersMessage(const std::vector<MarkerTextFault>& faults);

struct FitResidual {
  int row = 0;                  // 1-based row of the marker table
  std::optional<double> dx;     // fitted X minus typed X; empty when the row was not used for X
  std::optional<double> dy;     // the same for Y
  std::optional<double> looDx;  // the same from a fit made without this row (leave-one-out)
  std::optional<double> looDy;
};

enum class FitLayout {
  Determined,
  OneSpot,    // every marker of a pass within kLayoutTolerance of one point
  OneLine,    // every marker of a pass within kLayoutTolerance of one straight line
  Deficient,  // the solver's rank is below the method's coefficient count
};

// Markers are typed to 0.1 pixel, so a layout that is exactly degenerate still scatters that much.
inline constexpr double kLayoutTolerance = 0.5;  // image pixels

// Extent of the image in image coordinates (working-image pixels at magnification 1).
struct ImageExtent {
  double width = 0;
  double height = 0;
};

struct FitQuality {
  std::vector<FitResidual> residuals;  // one per marker row, in table order
  double rmsX = 0, rmsY = 0;           // over the rows used for each axis
  double rms = 0;                      // over every X and Y residual together
  int observations = 0;                // X values plus Y values used
  int coefficients = 0;                // coefficients fitted to them (both axes)
  int dof = 0;                         // observations − coefficients
  FitLayout layout = FitLayout::Determined;
  bool folds = false;  // the Jacobian determinant changes sign inside the checked area
};

// Evaluates a successful fit of method 2..5. The fold check covers the image when an extent is
// given, otherwise the rectangle the markers span.
FitQuality AssessFit(int method, const std::vector<MarkerRowText>& rows, const FitResult& fit,
                     const std::optional<ImageExtent>& image = std::nullopt);

// The markers against a transformation that was not fitted to them (the reference length):
// nothing was fitted, so every value counts as a degree of freedom and leaving a marker out
// changes nothing.
FitQuality AssessFixed(int method, const std::vector<MarkerRowText>& rows,
                       const std::vector<double>& Cx, const std::vector<double>& Cy);

// True when the Jacobian determinant of (X, Y) takes both signs on a 33×33 grid over the area.
bool TransformFolds(int method, const std::vector<double>& Cx, const std::vector<double>& Cy,
                    double left, double top, double right, double bottom);

// The warning to show before the fit is used, or empty when the fit looks sound.
std::string FitWarningMessage(const FitQuality& quality);

}  // namespace zelko
