// A photograph resampled onto the map: north up, square pixels in the system's units, every
// output pixel taken from the loaded image where the fit's inverse puts it (bilinear), pixels
// outside the image transparent.
//
// The inverse is found per output pixel by Newton's method on the fit itself, started from the
// previous pixel of the row or, failing that, from the affine map that best approximates the
// inverse over the image. Only pixels inside the image's outline on the map are solved; one
// there that does not converge refuses the whole picture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/georeference.h"
#include "imaging/image_formats.h"

namespace zelko {

// A fit and the image it belongs to.
struct RectifySource {
  int method = 0;  // 1..6; 0 (none) is refused
  std::vector<double> cx, cy;
  int width = 0, height = 0;   // the loaded image
  PixelAffine loadedToFit;     // LoadedToFitFrame of the project's angle
  bool northingFirst = false;  // the typed X is northing (see MakeWorldFile)
};

// The map position (easting, northing) of a loaded-image position.
PlanePoint MapPosition(const RectifySource& s, double x, double y);

// The loaded-image position whose map position is target, by Newton's method from start;
// nullopt when it does not converge to a thousandth of an output pixel of resolution.
std::optional<PlanePoint> InvertFitAt(const RectifySource& s, PlanePoint target, PlanePoint start,
                                      double resolution);

// The image's own ground resolution: the mean pixel size on the map at the image's centre, the
// square root of the fit's Jacobian determinant there; nullopt where that is zero or no number.
std::optional<double> GroundResolution(const RectifySource& s);

// The output raster: west and north are the map position of its upper-left corner (the corner,
// not the pixel's centre), multiples of the resolution.
struct RectifiedGrid {
  int width = 0;
  int height = 0;
  double west = 0;
  double north = 0;
  double resolution = 0;
};

class Rectifier {
 public:
  // Checks the fit (set, one of the methods, not folding the image over, the projective
  // vanishing line outside the image) and lays the grid over the image's outline at resolution
  // (GroundResolution without one). An output beyond the memory rule of limits (a quarter of
  // the usable memory for the encoded picture and as much again, with heldBytes already held
  // beside it) is refused. nullopt with the reason (Japanese).
  static std::optional<Rectifier> Plan(const RectifySource& source,
                                       std::optional<double> resolution, const DecodeLimits& limits,
                                       std::uint64_t heldBytes, std::string* error);

  const RectifiedGrid& Grid() const { return grid_; }

  // Output rows [y0, y0 + count) as 8-bit RGBA, Grid().width x 4 bytes a row; alpha 0 outside
  // the image, 255 inside. loaded must be the image of the source's size. False with the
  // reason (Japanese) when the inverse does not converge at a pixel inside the outline.
  bool Render(const Bitmap& loaded, int y0, int count, std::uint8_t* rgba,
              std::string* error) const;

 private:
  RectifySource source_;
  RectifiedGrid grid_;
  PixelAffine start_;                // map -> loaded image, the inverse's first guess
  std::vector<PlanePoint> outline_;  // the image's edge on the map, closed
};

}  // namespace zelko
