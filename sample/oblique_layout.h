// The made-up scene of the oblique sample: a flat, marked field on the ground, in metres, and
// the pinhole camera that photographs it from the south at 35 degrees from straight down. The
// generator draws the picture through this camera and digitises the marks and plots with it, and
// the tests take the true lengths and areas from the ground figures, so the right answers are
// known exactly.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "field_layout.h"  // Pt, and sine and cosine that come out the same on every build

namespace zelko::oblique {

using field::Cosine;
using field::Pt;
using field::Sine;

inline constexpr int kWidth = 1600;
inline constexpr int kHeight = 1000;

// A place on the ground in metres: X east, Y north, so that the far side of the field, at the
// top of the picture, has the larger Y and the fit is not mirrored.
struct Ground {
  double X = 0;
  double Y = 0;
};

// The marked field is [0, 120] x [0, 80].
inline constexpr double kFieldWidth = 120;
inline constexpr double kFieldDepth = 80;

// The camera stands south of the field, turned 5 degrees east of north, and looks down 35
// degrees from the vertical at the field's centre, 165 m away (135 m up), rolled 3 degrees
// so that the horizon would not lie level either; 1500 pixels of focal length on a 1600 x 1000
// picture, the axis through the picture's centre.
inline constexpr double kTiltDegrees = 35;
inline constexpr double kHeadingDegrees = 5;
inline constexpr double kRollDegrees = 3;
inline constexpr double kDistance = 165;
inline constexpr Ground kAim{60, 40};
inline constexpr double kFocalPixels = 1500;
inline constexpr Pt kPrincipal{kWidth / 2.0, kHeight / 2.0};

struct V3 {
  double x = 0, y = 0, z = 0;
};
inline double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

struct Camera {
  V3 centre;   // metres, z up from the ground
  V3 forward;  // the optical axis
  V3 right;    // the picture's x
  V3 down;     // the picture's y
};

inline Camera MakeCamera() {
  const double rad = 3.14159265358979323846 / 180;
  const double st = Sine(kTiltDegrees * rad), ct = Cosine(kTiltDegrees * rad);
  const double sh = Sine(kHeadingDegrees * rad), ch = Cosine(kHeadingDegrees * rad);
  const double sr = Sine(kRollDegrees * rad), cr = Cosine(kRollDegrees * rad);
  // Level first, then turned about the axis.
  const V3 right{ch, -sh, 0}, down{-ct * sh, -ct * ch, -st};
  Camera c;
  c.forward = {st * sh, st * ch, -ct};
  c.right = {cr * right.x + sr * down.x, cr * right.y + sr * down.y, cr * right.z + sr * down.z};
  c.down = {cr * down.x - sr * right.x, cr * down.y - sr * right.y, cr * down.z - sr * right.z};
  c.centre = {kAim.X - kDistance * c.forward.x, kAim.Y - kDistance * c.forward.y,
              -kDistance * c.forward.z};
  return c;
}

// Where a ground point appears in the picture (pixel (i, j) covers [i, i + 1) x [j, j + 1)).
inline Pt ToImage(const Camera& c, Ground g) {
  const V3 v{g.X - c.centre.x, g.Y - c.centre.y, -c.centre.z};
  const double depth = Dot(v, c.forward);
  return {kPrincipal.x + kFocalPixels * Dot(v, c.right) / depth,
          kPrincipal.y + kFocalPixels * Dot(v, c.down) / depth};
}

// The ground point a picture position shows; false for a ray that never meets the ground.
inline bool ToGround(const Camera& c, Pt p, Ground* g) {
  const double u = (p.x - kPrincipal.x) / kFocalPixels, w = (p.y - kPrincipal.y) / kFocalPixels;
  const V3 ray{c.forward.x + u * c.right.x + w * c.down.x,
               c.forward.y + u * c.right.y + w * c.down.y,
               c.forward.z + u * c.right.z + w * c.down.z};
  if (ray.z >= -1e-9) return false;
  const double s = -c.centre.z / ray.z;
  *g = {c.centre.x + s * ray.x, c.centre.y + s * ray.y};
  return true;
}

// The painted marks: white discs with a black cross on the point, at the corners, the middles
// of the sides and two inside, in whole metres.
struct Mark {
  int X, Y;
};
inline const std::vector<Mark>& Marks() {
  static const std::vector<Mark> m{{0, 0},  {60, 0},  {120, 0},  {0, 40},  {120, 40},
                                   {0, 80}, {60, 80}, {120, 80}, {30, 40}, {90, 40}};
  return m;
}
inline constexpr double kMarkRadius = 1.0;

enum class Crop { Arable, Pasture };

// A plot as drawn and digitised, corners counter-clockwise on the ground.
struct Plot {
  std::string name;
  Crop crop;
  std::vector<Ground> corners;
};

inline const std::vector<Plot>& Plots() {
  static const std::vector<Plot> p{
      {"A", Crop::Arable, {{10, 10}, {46, 10}, {46, 30}, {10, 30}}},
      {"B", Crop::Pasture, {{68, 8}, {110, 8}, {110, 31}, {68, 31}}},
      {"C", Crop::Arable, {{14, 50}, {46, 47}, {53, 61}, {34, 73}, {11, 66}}},
      {"D", Crop::Pasture, {{70, 50}, {108, 53}, {105, 72}, {74, 69}}},
  };
  return p;
}

// The farm track across the field, south to north, as its centre line.
inline const std::vector<Ground>& Track() {
  static const std::vector<Ground> t{{55, 1},  {57, 9},  {61, 17}, {63, 26}, {60, 35},
                                     {57, 44}, {58, 54}, {62, 63}, {64, 71}, {63, 78}};
  return t;
}
inline constexpr double kTrackWidth = 1.6;

}  // namespace zelko::oblique
