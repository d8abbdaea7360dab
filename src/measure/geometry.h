// Lengths and areas of groups, in the plane and on the GRS80 ellipsoid.
#pragma once

#include <span>

namespace zelko {

// A point in physical coordinates: X to the right and Y upwards, or longitude (east) and
// latitude (north) in degrees in the degree unit.
struct XY {
  double x = 0;
  double y = 0;
};

// GRS80.
inline constexpr double kSemiMajorAxis = 6378137;  // a, metres
inline constexpr double kFlattening = 1 / 298.257222101;

// Metres along the geodesic between (longitude x1, latitude y1) and (x2, y2), degrees.
// NaN when a latitude lies outside ±90 degrees.
double EllipsoidDistance(double x1, double y1, double x2, double y2);

// Length of the polyline p, with the closing segment when closed; degreeUnit measures each
// segment with EllipsoidDistance (x longitude, y latitude), otherwise in the plane.
double LineLength(std::span<const XY> p, bool closed, bool degreeUnit);

// Signed shoelace area: positive counter-clockwise with Y upwards.
double PolygonArea(std::span<const XY> p);

struct LengthAndArea {
  double length = 0;
  double area = 0;
};

// Perimeter (metres) and signed area (square metres) of the geodesic polygon through the
// longitude/latitude points p: positive when it runs counter-clockwise with east to the right
// and north upwards. Longitudes are taken as they come, so a polygon across ±180 degrees is the
// small polygon it looks like.
LengthAndArea EllipsoidPolygon(std::span<const XY> p);

// Whether a latitude lies outside ±90 degrees or a coordinate is not a number, where no
// position on the ellipsoid exists.
bool HasPointOffTheEllipsoid(std::span<const XY> p);

// Whether two edges of the closed curve p cross or touch, other than neighbours at their
// shared point: then its signed area is a sum of parts that may cancel. Repeated points are
// passed over. In the degree unit longitudes are unwrapped along the curve first.
bool HasCrossingEdges(std::span<const XY> p, bool degreeUnit);

}  // namespace zelko
