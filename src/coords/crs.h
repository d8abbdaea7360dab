// Coordinate reference systems of the physical coordinates, through PROJ: conversion of typed
// positions to longitude/latitude, and lengths and areas on the ground and on the map grid.
//
// The marker table's columns X and Y hold a system's coordinates as its users type them:
// - a projected system: X is the system's first axis and Y its second, in the order of the EPSG
//   definition. For the Japanese plane rectangular systems (EPSG:6669-6687) X is therefore
//   northing and Y easting, as surveyors write them; for UTM X is easting and Y northing.
// - a geographic system: X is longitude and Y latitude in degrees, as the degree unit has them,
//   even where the EPSG definition puts latitude first (EPSG:4326, 6668).
// Lengths and areas never depend on that order: signs are those seen on a map with east to the
// right and north upwards (counter-clockwise positive).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "measure/geometry.h"

namespace zelko {

struct CrsResult;

// The code of "EPSG:6677", "epsg:6677", "EPSG::6677" or "6677" (spaces around allowed); nullopt
// for any other text.
std::optional<int> EpsgCodeFromText(std::string_view text);

// A 2D geographic system in degrees or a projected system in metres, from the PROJ database.
// One object converts on one thread at a time; a copy has its own PROJ context and can be used
// on another thread.
class Crs {
 public:
  // "EPSG:6677", "epsg:6677", "EPSG::6677" or "6677", spaces around allowed.
  static CrsResult FromText(std::string_view text);
  static CrsResult FromEpsg(int code);

  Crs(const Crs& other);
  Crs& operator=(const Crs& other);
  Crs(Crs&&) noexcept;
  Crs& operator=(Crs&&) noexcept;
  ~Crs();

  int Epsg() const { return epsg_; }
  // "EPSG:6677".
  std::string Code() const;
  // PROJ's name, e.g. "JGD2011 / Japan Plane Rectangular CS IX".
  const std::string& Name() const { return name_; }
  // The label of the common list when the system is on it, otherwise "Name (EPSG:NNNN)".
  std::string Label() const;

  // Longitude/latitude in degrees; otherwise projected with both axes in metres.
  bool Geographic() const { return geographic_; }
  // The table's X column holds northing (projected systems whose first axis points north or
  // south). Never true for a geographic system, whose X is longitude.
  bool NorthingFirst() const { return northingFirst_; }
  // PROJ's abbreviations of the axes in the table's column order, e.g. "X", "Y" or "E", "N";
  // for a geographic system "Lon", "Lat".
  const std::string& AxisX() const { return axisX_; }
  const std::string& AxisY() const { return axisY_; }

  // The system's ellipsoid: semi-major axis in metres and flattening.
  double SemiMajorAxis() const { return a_; }
  double Flattening() const { return f_; }

  // The system as WKT1 in the ESRI dialect, the text of a .prj file beside a world file.
  std::string Wkt1Esri() const;

  // Converts table positions (X, Y) to longitude (x) and latitude (y) in degrees on the system's
  // own datum, all points with one PROJ operation. False, with a message, when a position is not
  // a number or lies where the system has no longitude/latitude; lonLat is then empty.
  bool ToLonLat(std::span<const XY> table, std::vector<XY>& lonLat,
                std::string* message = nullptr) const;
  // Longitude/latitude in degrees to table positions; the inverse of ToLonLat.
  bool FromLonLat(std::span<const XY> lonLat, std::vector<XY>& table,
                  std::string* message = nullptr) const;

  // Map position of a table position: (east, north) in the system's plane, metres, with east to
  // the right and north upwards; for a geographic system (longitude, latitude).
  XY MapOf(const XY& table) const;

 private:
  struct Proj;
  Crs();
  static CrsResult Build(int code);

  std::unique_ptr<Proj> proj_;
  int epsg_ = 0;
  std::string name_;
  bool geographic_ = false;
  bool northingFirst_ = false;
  // Signs of the axes, for systems counting westwards or southwards.
  double eastSign_ = 1, northSign_ = 1;
  std::string axisX_, axisY_;
  double a_ = 0, f_ = 0;
};

// A system, or the message that says why there is none.
struct CrsResult {
  std::optional<Crs> crs;
  std::string error;
};

// A system of the common list, with the label a Japanese user reads.
struct CrsChoice {
  int epsg;
  const char* label;
};

// JGD2011 geographic, JGD2011 plane rectangular I-XIX, JGD2011 UTM 51N-55N (EPSG has no 56N
// on JGD2011), WGS 84 UTM 51N-56N, WGS 84 geographic, in this order.
std::span<const CrsChoice> CommonCrsChoices();

// Lengths and areas of one group in a system.
struct CrsMeasure {
  // Along the geodesics on the system's ellipsoid: metres and signed square metres.
  double length = 0;
  double area = 0;
  // In the system's plane (the map grid), metres and signed square metres; none for a
  // geographic system, which has no plane.
  std::optional<double> lengthGrid;
  std::optional<double> areaGrid;
};

// Ground and grid length of the group through the table positions p, with the closing segment
// when closed, and for a closed group its signed area (0 otherwise), counter-clockwise positive
// as seen on the map. Empty, with a message, when a position cannot be converted.
std::optional<CrsMeasure> MeasureInCrs(const Crs& crs, std::span<const XY> p, bool closed,
                                       std::string* message = nullptr);

}  // namespace zelko
