// GeoTIFF files: an 8-bit RGBA picture with its place on the map (north up, square pixels) and
// its coordinate reference system by EPSG code, so that a GIS opens it where it lies.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "document/failure.h"

namespace zelko {

struct GeoTiffPlacement {
  int width = 0;
  int height = 0;
  double west = 0;        // map x of the upper-left pixel's outer corner
  double north = 0;       // map y of that corner
  double resolution = 0;  // map units per pixel, both ways
  int epsg = 0;
  bool geographic = false;  // GeographicTypeGeoKey; otherwise ProjectedCSTypeGeoKey
  std::string citation;     // the system's name, for GTCitationGeoKey ("" leaves it out)
};

// Fills count rows from y0, width x 4 bytes each; false with the reason in *why stops the write.
using RgbaRows = std::function<bool(int y0, int count, std::uint8_t* rgba, std::string* why)>;

// Writes the GeoTIFF (deflate, the raster type PixelIsArea) to a temporary file beside path and
// puts it in place only when complete, so a failure leaves any old file as it was. False with
// the failure: a refusal of rows comes back as FailureKind::Unwritable with its reason.
bool WriteGeoTiff(const std::string& path, const GeoTiffPlacement& placement, const RgbaRows& rows,
                  Failure* failure);

}  // namespace zelko
