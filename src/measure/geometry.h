// Lengths, areas and centroids of groups, in the plane and on the GRS80 ellipsoid.
#pragma once

#include <optional>
#include <span>
#include <vector>

namespace zelko {

// A point in physical coordinates (X to the right, Y upwards), or (north, east) after
// ProjectToPlane.
struct XY {
  double x = 0;
  double y = 0;
};

// GRS80 and the projection constants, as the measurements define them.
inline constexpr long double kPi = 3.14159265358979323851L;
inline constexpr double kSemiMajorAxis = 6378137;                        // a
inline constexpr double kFlattening = 0.0033528106811823189354;          // f = 1 / 298.257222101
inline constexpr double kSemiMinorAxis = 6356752.314140355848;           // b = a (1 - f)
inline constexpr double kEccentricitySquared = 0.006694380022900787625;  // e²
inline constexpr double kCentralScale = 0.9999;                          // m0
// e′ = √595.514444202 / 297.257222101
double SecondEccentricity();

// Degrees to radians with the extended-precision π.
double Radians(double degrees);

// Metres between (longitude x1, latitude y1) and (x2, y2), degrees, by the mean-latitude formula.
double EllipsoidDistance(double x1, double y1, double x2, double y2);

// Length of the polyline p, with the closing segment when closed; degreeUnit measures each
// segment with EllipsoidDistance (x longitude, y latitude), otherwise in the plane.
double LineLength(std::span<const XY> p, bool closed, bool degreeUnit);

// Signed shoelace area: positive counter-clockwise with Y upwards.
double PolygonArea(std::span<const XY> p);

// Centroid of the closed sequence p. nullopt when its signed area is zero (collinear points,
// parts that cancel, fewer than three points), where the centroid does not exist.
std::optional<XY> PolygonCentroid(std::span<const XY> p);

// Meridian arc length in metres from the equator to latitude phi (radians) on the ellipsoid
// with first eccentricity e and semi-major axis a.
double MeridianArc(double phi, double e, double a);

// Gauss–Krüger coordinates (x = north, y = east) in metres of the longitude/latitude points p
// (degrees) about the origin (lambda0, phi0) in degrees.
std::vector<XY> ProjectToPlane(std::span<const XY> p, double lambda0, double phi0);

// Signed area in square metres of a closed curve given in longitude/latitude degrees: projected
// about its own centroid. 0 when the curve has no centroid.
double EllipsoidArea(std::span<const XY> p);

}  // namespace zelko
