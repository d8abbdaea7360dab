// Where a written picture lies on the map: the pixel geometry of the working image, the world
// file of an affine fit, and the .prj text of a coordinate reference system (from PROJ).
//
// Image positions are continuous: pixel (i, j) covers [i, i + 1) x [j, j + 1) with x to the
// right and y down, so its centre is (i + 0.5, j + 0.5). A marker clicked at magnification 1 on
// pixel i gets x = i, the pixel's left edge; zoomed in, the clicks inside a pixel run from i
// towards i + 1. A fit's image coordinates are those of the loaded image turned by the project's
// angle at magnification 1 (for the angle 0, the loaded image itself).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "imaging/working_image.h"

namespace zelko {

struct PlanePoint {
  double x = 0;
  double y = 0;
};

// (x, y) -> (a[0] + a[1]·x + a[2]·y, a[3] + a[4]·x + a[5]·y); the identity by default.
struct PixelAffine {
  std::array<double, 6> a{0, 1, 0, 0, 0, 1};
  PlanePoint Apply(double x, double y) const {
    return {a[0] + a[1] * x + a[2] * y, a[3] + a[4] * x + a[5] * y};
  }
};
// outer after inner: p -> outer(inner(p)).
PixelAffine Compose(const PixelAffine& outer, const PixelAffine& inner);
// nullopt for a map that is not invertible.
std::optional<PixelAffine> Invert(const PixelAffine& m);

// Where positions of the working image BuildWorkingImage makes from a loaded image of width x
// height lie in the loaded image: the resize (the sides' true ratio, corners on corners), then
// the quarter turn or the rotation about the centres the build uses. Colours do not matter.
// Throws ImagingError for an empty image or a size that cannot be made.
PixelAffine WorkingToLoaded(int width, int height, const WorkingImageSettings& settings);

// The fit's image coordinates of loaded-image positions, for a project turned by angle degrees.
PixelAffine LoadedToFitFrame(int width, int height, float angle);

// A world file: map x = A·col + B·row + C, map y = D·col + E·row + F for the pixel (col, row)
// of the picture, C and F at the centre of the upper-left pixel. Map x is easting (or
// longitude), map y northing (or latitude), as a GIS reads them.
struct WorldFile {
  double A = 0, D = 0, B = 0, E = 0, C = 0, F = 0;
};

// The world file of a picture for an affine fit (methods 1 and 2) whose coefficients give the
// typed X and Y at the fit's image coordinates; pictureToFit takes the picture's positions
// there (the identity for a picture in the fit's own frame). With northingFirst the typed X is
// northing and Y easting (the Japanese plane rectangular systems), and the two are swapped so
// that the file holds easting first. nullopt with the reason (Japanese) for another method or
// coefficients that do not make a map.
std::optional<WorldFile> MakeWorldFile(int method, const std::vector<double>& cx,
                                       const std::vector<double>& cy,
                                       const PixelAffine& pictureToFit, bool northingFirst,
                                       std::string* error);

// The six lines A, D, B, E, C, F, each the shortest text that reads back as the same double.
std::string WorldFileText(const WorldFile& w);

// The world file beside a picture by the usual naming: the extension's first and last letters
// and "w" (".jpg" -> ".jgw", ".bmp" -> ".bpw", ".tif" -> ".tfw", ".png" -> ".pgw"; ".jpeg" and
// ".tiff" as ".jpg" and ".tif"), in the extension's letter case; ".wld" without an extension.
std::string WorldFilePath(const std::string& picturePath);
// The .prj file beside a picture: its extension replaced by ".prj".
std::string PrjFilePath(const std::string& picturePath);

}  // namespace zelko
