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

// Markers covering less than this share of the image leave most of it to extrapolation.
inline constexpr double kSmallCoverage = 0.25;
// Below this ratio of the smaller to the larger singular value of the centred marker positions,
// the markers lie along a band and positions away from it are extrapolated.
inline constexpr double kThinLayout = 0.1;

struct FitQuality {
  std::vector<FitResidual> residuals;  // one per marker row, in table order
  double rmsX = 0, rmsY = 0;           // over the rows used for each axis
  double rms = 0;                      // over every X and Y residual together
  int observations = 0;                // X values plus Y values used
  int coefficients = 0;                // parameters fitted to them (both axes)
  int dof = 0;                         // observations − coefficients
  FitLayout layout = FitLayout::Determined;
  bool folds = false;  // the Jacobian determinant changes sign inside the checked area
  // The projective fit's vanishing line crosses the checked area.
  bool vanishingLine = false;
  // The fit reverses orientation everywhere (as Japanese survey coordinates, X north and Y
  // east, do): every signed area changes sign.
  bool mirrored = false;
  // Share of the image inside the markers' convex hull; empty without an image extent.
  std::optional<double> coverage;
  // Smaller over larger singular value of the centred marker positions (1 for a square, 0 for
  // a line).
  double spreadRatio = 0;
};

// Evaluates a successful fit of method 2..6. The fold check covers the image when an extent is
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

// True when the determinant has the orientation-reversing sign everywhere on that grid. Image y
// runs downwards, so a map that keeps the picture's orientation (X east, Y north) has a negative
// determinant in image coordinates and a mirroring one a positive determinant. A nonzero side
// (FitRegion::side) judges only the markers' side of a projective fit's vanishing line.
bool TransformMirrors(int method, const std::vector<double>& Cx, const std::vector<double>& Cy,
                      double left, double top, double right, double bottom, int side = 0);

// True when the projective denominator takes both signs over the rectangle (it is linear, so
// its corners decide).
bool VanishingLineCrosses(const std::vector<double>& Cx, double left, double top, double right,
                          double bottom);

struct ImagePoint {
  double x = 0, y = 0;
};

// Convex hull, every turn positive in (x, y) (clockwise on the screen, whose y runs down);
// collinear points are dropped.
std::vector<ImagePoint> ConvexHull(std::vector<ImagePoint> points);
// Polygon area (absolute) of a hull.
double HullArea(const std::vector<ImagePoint>& hull);

// Where a fit can be trusted, from the markers it was fitted to.
struct FitRegion {
  std::vector<ImagePoint> hull;  // of the markers with image coordinates and a physical value
  // Projective method: the sign of the denominator on the markers' side of the vanishing line
  // (+1 without markers); 0 for every other method.
  int side = 0;
};

// Empty (every point inside) for the methods that are not fitted to the markers.
FitRegion MarkerRegion(int method, const std::vector<double>& Cx,
                       const std::vector<MarkerRowText>& rows);

// A point clicked beyond the vanishing line is refused with this.
inline constexpr const char* kBeyondVanishingLineMessage =
    "この位置は射影変換の消失線の向こう側（写真の地平線より上）にあり、物理座標がありません。\n"
    "消失線の手前に点を置いて下さい。";

enum class PointPlace {
  Inside,               // within the markers' hull (or no hull to judge by)
  OutsideMarkers,       // beyond the hull: extrapolated
  BeyondVanishingLine,  // no physical position at all
};
PointPlace PlaceOf(const FitRegion& region, const std::vector<double>& Cx, double x, double y);

// What the markers' hull covers, for the label beside the RMS ("画像の 42%"), or empty.
std::string CoverageText(const FitQuality& quality);

// The warning to show before the fit is used, or empty when the fit looks sound: the markers
// cannot determine it, it folds the image over, or its vanishing line crosses the image.
std::string FitWarningMessage(const FitQuality& quality);
// What to know about a sound fit, or empty: the markers cover little of the image or lie along
// a band, they determine the fit exactly (no residual to check), or the fit mirrors the image.
std::string FitAdviceMessage(const FitQuality& quality);

}  // namespace zelko
