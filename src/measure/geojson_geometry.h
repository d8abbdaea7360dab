// A group's shape as a GeoJSON geometry that a GIS reads as meant: valid polygons with
// counter-clockwise outer rings, and nothing that crosses the antimeridian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "measure/geometry.h"

namespace zelko {

// Longitudes unwrapped across ±180 degrees (for a fit, or along a group) back within -180..180,
// as a GIS wants them.
double NormalLongitude(double lon);

// The geometry object's text (or null) of a group of the given line type (ltCurve, ltClosed,
// ltPoints) through the longitude/latitude points p, in the order they were clicked:
// - a set of points is a MultiPoint;
// - a curve is a LineString, or a MultiLineString when it crosses ±180 degrees;
// - a closed curve is a Polygon whose ring is closed and counter-clockwise (holes clockwise).
//   One whose edges cross becomes the polygons its lobes enclose, and one across ±180 degrees
//   is cut there (RFC 7946, 3.1.9): both give a MultiPolygon when there are several parts. A
//   closed curve that encloses nothing is written as its traced line.
// Too few points for the kind give what they make (a Point, a LineString), none null.
// Longitudes are taken as continuous along the group (a step of more than 180 degrees goes the
// short way round) and written within -180..180.
std::string GeoJsonGeometry(std::uint8_t lineType, std::vector<XY> p);

}  // namespace zelko
