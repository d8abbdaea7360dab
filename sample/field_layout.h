// The made-up landscape of the field sample: how its picture's pixels map to longitude and
// latitude, where its graticule lies, and the fields, paths and trees drawn on it. The generator
// draws and digitises from these figures, and the tests take the true lengths and areas from
// them, so the sample's right answers are known exactly.
#pragma once

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace zelko::field {

inline constexpr int kWidth = 1600;
inline constexpr int kHeight = 1200;

// Image coordinates as the program has them: x to the right, y down, pixel (i, j) covering
// [i, i + 1) x [j, j + 1).
struct Pt {
  double x = 0;
  double y = 0;
};

struct LonLat {
  double lon = 0;
  double lat = 0;
};

// Sine and cosine from additions and multiplications only, so that the picture comes out the
// same bytes whichever compiler and mathematics library build the generator.
inline double Sine(double t) {
  const double twoPi = 6.283185307179586;
  t -= twoPi * std::floor(t / twoPi + 0.5);  // into [-pi, pi]
  double term = t, sum = t;
  for (int k = 1; k <= 16; ++k) {
    term *= -t * t / ((2 * k) * (2 * k + 1));
    sum += term;
  }
  return sum;
}
inline double Cosine(double t) { return Sine(t + 1.5707963267948966); }

// The picture is 0.5 m a pixel, with north 1.5 degrees clockwise of its up, and its centre
// (800, 600) at 139.70 E, 35.66 N. Metres a degree are those of that latitude, rounded; they only
// shape the mapping, which is the affine one below and nothing else.
inline constexpr double kMetresPerPixel = 0.5;
inline constexpr double kTurnDegrees = 1.5;
inline constexpr double kMetresPerDegreeLon = 90560;
inline constexpr double kMetresPerDegreeLat = 110950;
inline constexpr double kCentreLon = 139.70;
inline constexpr double kCentreLat = 35.66;
inline constexpr Pt kCentre{800, 600};

// Longitude and latitude = origin + matrix * (x, y), exactly.
struct Affine {
  double lon0, lonX, lonY;
  double lat0, latX, latY;
};

inline Affine Mapping() {
  const double t = kTurnDegrees * 3.14159265358979323846 / 180;
  const double c = Cosine(t), s = Sine(t);
  // A turn with one scale, as a vertical photograph has: a step right goes east and a little
  // north, a step down goes south and a little east.
  Affine a{};
  a.lonX = kMetresPerPixel * c / kMetresPerDegreeLon;
  a.lonY = kMetresPerPixel * s / kMetresPerDegreeLon;
  a.latX = kMetresPerPixel * s / kMetresPerDegreeLat;
  a.latY = -kMetresPerPixel * c / kMetresPerDegreeLat;
  a.lon0 = kCentreLon - a.lonX * kCentre.x - a.lonY * kCentre.y;
  a.lat0 = kCentreLat - a.latX * kCentre.x - a.latY * kCentre.y;
  return a;
}

inline LonLat ToDegrees(const Affine& a, Pt p) {
  return {a.lon0 + a.lonX * p.x + a.lonY * p.y, a.lat0 + a.latX * p.x + a.latY * p.y};
}

inline Pt ToPixel(const Affine& a, LonLat g) {
  const double det = a.lonX * a.latY - a.lonY * a.latX;
  const double dl = g.lon - a.lon0, dp = g.lat - a.lat0;
  return {(a.latY * dl - a.lonY * dp) / det, (a.lonX * dp - a.latX * dl) / det};
}

// The graticule drawn on the picture: every 0.002 degree, whole thousandths so that the labels
// are short.
inline constexpr double kGraticuleStep = 0.002;
inline constexpr std::array<int, 5> kLonThousandths{139696, 139698, 139700, 139702, 139704};
inline constexpr std::array<int, 3> kLatThousandths{35658, 35660, 35662};

// A reference marker: the graticule crossing it stands on, and how far from it the click went
// (pixels), as a careful user's clicks at 100 % land.
struct MarkerPlan {
  int lonThousandths;
  int latThousandths;
  double dx, dy;
};
inline const std::vector<MarkerPlan>& Markers() {
  static const std::vector<MarkerPlan> m{
      {139696, 35662, 0.3, -0.2},  {139700, 35662, -0.2, 0.4}, {139704, 35662, 0.1, 0.3},
      {139696, 35660, -0.4, -0.1}, {139700, 35660, 0.2, 0.2},  {139704, 35660, -0.3, 0.1},
      {139696, 35658, 0.4, -0.3},  {139700, 35658, 0.0, -0.4}, {139704, 35658, -0.1, 0.2},
  };
  return m;
}

enum class Cover { Paddy, Crop, Soil, Meadow };

// A field as drawn, corners clockwise on the screen from the north-west one.
struct Parcel {
  std::string name;
  Cover cover;
  std::vector<Pt> corners;
  double rowAngle;  // direction of the crop rows or paddy furrows, radians in the image
  bool measured;    // digitised in the sample project
};

inline const std::vector<Parcel>& Parcels() {
  static const std::vector<Parcel> p{
      {"A1", Cover::Paddy, {{28, 26}, {268, 30}, {262, 212}, {24, 216}}, 0.02, true},
      {"A2", Cover::Crop, {{290, 30}, {540, 36}, {536, 214}, {284, 212}}, 1.55, false},
      {"A3", Cover::Soil, {{22, 236}, {262, 234}, {258, 430}, {20, 434}}, 0.0, false},
      {"A4", Cover::Paddy, {{284, 234}, {538, 236}, {542, 432}, {280, 430}}, 0.03, false},
      {"B1", Cover::Crop, {{586, 18}, {884, 22}, {886, 236}, {584, 238}}, 0.01, true},
      {"D1", Cover::Soil, {{588, 272}, {890, 276}, {892, 438}, {586, 440}}, 0.0, false},
      {"D2", Cover::Paddy, {{924, 276}, {1262, 280}, {1258, 440}, {920, 438}}, 0.02, false},
      {"E1", Cover::Crop, {{322, 828}, {538, 792}, {540, 1000}, {302, 1010}}, -0.17, false},
      {"E2", Cover::Meadow, {{262, 1030}, {540, 1022}, {542, 1182}, {204, 1186}}, 0.0, false},
      {"G1", Cover::Paddy, {{588, 494}, {918, 498}, {920, 808}, {586, 804}}, 0.03, true},
      {"G2", Cover::Crop, {{586, 842}, {920, 848}, {924, 1182}, {584, 1184}}, 1.57, true},
      {"G3", Cover::Paddy, {{962, 500}, {1250, 504}, {1244, 812}, {964, 810}}, 0.04, true},
      {"G4", Cover::Soil, {{966, 852}, {1232, 856}, {1238, 1186}, {968, 1184}}, 0.0, false},
      {"H1", Cover::Crop, {{1462, 30}, {1588, 34}, {1586, 438}, {1458, 436}}, 1.56, false},
      {"H2", Cover::Paddy, {{1462, 502}, {1590, 504}, {1588, 1170}, {1458, 1168}}, 0.0, false},
  };
  return p;
}

// The paved roads and the farm tracks, as centre lines.
struct Track {
  std::vector<Pt> line;
  double width;  // pixels
  bool paved;
};

// The farm track that the sample measures as a curve, from the south-west corner to the road.
inline const std::vector<Pt>& MeasuredTrack() {
  static const std::vector<Pt> t{{40, 1196}, {112, 1108}, {172, 1040}, {222, 962}, {258, 882},
                                 {300, 806}, {372, 748},  {462, 712},  {560, 694}};
  return t;
}

inline const std::vector<Track>& Tracks() {
  static const std::vector<Track> t{
      {{{0, 452}, {1600, 478}}, 18, true},   {{{572, 0}, {562, 1200}}, 12, true},
      {MeasuredTrack(), 7, false},           {{{566, 826}, {1300, 834}}, 7, false},
      {{{942, 478}, {950, 1200}}, 7, false}, {{{566, 256}, {1300, 262}}, 7, false},
      {{{904, 0}, {908, 458}}, 7, false},    {{{272, 0}, {276, 452}}, 5, false},
      {{{0, 224}, {566, 226}}, 5, false},
  };
  return t;
}

// The river's centre at row y, and its width.
inline double RiverCentre(double y) { return 1360 + 50 * Sine(y / 170 + 0.6); }
inline constexpr double kRiverWidth = 52;

// Trees standing alone on the river's west bank: the sample counts them.
inline std::vector<Pt> BankTrees() {
  std::vector<Pt> trees;
  for (int y = 40; y < kHeight - 20; y += 86) {
    if (std::abs(y - 466) < 40) continue;  // the bridge
    trees.push_back({std::round(RiverCentre(y) - kRiverWidth / 2 - 20), double(y)});
  }
  return trees;
}

}  // namespace zelko::field
