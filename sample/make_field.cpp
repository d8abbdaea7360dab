// zelko-make-field OUTDIR: draws the field sample's made-up aerial picture with its graticule and
// writes it as OUTDIR/field.jpg, with the project OUTDIR/field.pqs that measures it in degrees.
// Everything is computed from fixed figures (field_layout.h) and integer hashing, so two runs
// give the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "coords/fit.h"
#include "document/project_data.h"
#include "document/project_file.h"
#include "field_layout.h"
#include "imaging/bitmap.h"
#include "imaging/image_file.h"
#include "imaging/jpeg_codec.h"
#include "sample_noise.h"

namespace zelko::field {
namespace {

using namespace zelko::sample;

// ---------------------------------------------------------------- pixels

class Canvas {
 public:
  Canvas() : px_(std::size_t(kWidth) * kHeight) {}
  Rgb& At(int x, int y) { return px_[std::size_t(y) * kWidth + x]; }
  // Lays colour c over pixel (x, y) with the given coverage.
  void Blend(int x, int y, Rgb c, double coverage) {
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight || coverage <= 0) return;
    Rgb& p = At(x, y);
    p = Mix(p, c, std::min(coverage, 1.0));
  }
  Bitmap ToBitmap() const {
    Bitmap b(kWidth, kHeight, 24);
    for (int y = 0; y < kHeight; ++y) {
      std::uint8_t* row = b.Row(y);
      for (int x = 0; x < kWidth; ++x) {
        const Rgb& p = px_[std::size_t(y) * kWidth + x];
        auto byte = [](double v) { return std::uint8_t(std::lround(std::clamp(v, 0.0, 255.0))); };
        row[3 * x] = byte(p.b);
        row[3 * x + 1] = byte(p.g);
        row[3 * x + 2] = byte(p.r);
      }
    }
    return b;
  }

 private:
  std::vector<Rgb> px_;
};

// ---------------------------------------------------------------- noise, from integers only

// Fine grain of the film, per pixel.
double Grain(int x, int y, std::uint32_t seed) { return Unit(Hash(x, y, seed)) - 0.5; }

// 0 on a row's middle, 1 between rows: a triangle wave across rows of the given period.
double Rows(double x, double y, double angle, double period) {
  const double p = (x * Cosine(angle) + y * Sine(angle)) / period;
  return std::abs(2 * (p - std::floor(p)) - 1);
}

// ---------------------------------------------------------------- geometry

double SegmentDistance(Pt p, Pt a, Pt b) {
  const double vx = b.x - a.x, vy = b.y - a.y;
  const double len2 = vx * vx + vy * vy;
  double t = len2 > 0 ? ((p.x - a.x) * vx + (p.y - a.y) * vy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  const double dx = p.x - (a.x + t * vx), dy = p.y - (a.y + t * vy);
  return std::sqrt(dx * dx + dy * dy);
}

double PolylineDistance(Pt p, const std::vector<Pt>& line) {
  double d = 1e300;
  for (std::size_t i = 1; i < line.size(); ++i)
    d = std::min(d, SegmentDistance(p, line[i - 1], line[i]));
  return d;
}

// How far p lies inside a convex polygon whose corners run clockwise on the screen (negative
// outside).
double InsideDistance(Pt p, const std::vector<Pt>& corners) {
  double d = 1e300;
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const Pt a = corners[i], b = corners[(i + 1) % corners.size()];
    const double ex = b.x - a.x, ey = b.y - a.y;
    const double len = std::sqrt(ex * ex + ey * ey);
    // With y down, the inside of a clockwise ring is on the right of each edge.
    d = std::min(d, ((p.x - a.x) * ey - (p.y - a.y) * ex) / len * -1);
  }
  return d;
}

struct Box {
  int x0, y0, x1, y1;
};
Box Bounds(const std::vector<Pt>& pts, double margin) {
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
  for (const Pt& p : pts) {
    x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
  }
  return {std::max(0, int(std::floor(x0 - margin))), std::max(0, int(std::floor(y0 - margin))),
          std::min(kWidth - 1, int(std::ceil(x1 + margin))),
          std::min(kHeight - 1, int(std::ceil(y1 + margin)))};
}

Pt Centre(int x, int y) { return {x + 0.5, y + 0.5}; }

// ---------------------------------------------------------------- the landscape

void DrawMeadow(Canvas& c) {
  const Rgb base{112, 134, 76}, dry{146, 150, 94};
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const double n = Fbm(x, y, 90, 11);
      Rgb p = Mix(base, dry, std::clamp(0.5 + 1.6 * n, 0.0, 1.0));
      c.At(x, y) = Scale(p, 1 + 0.06 * Grain(x, y, 12));
    }
}

Rgb ParcelColour(const Parcel& f, int index, int x, int y) {
  const double n = Fbm(x, y, 60, 100 + index);
  const double g = Grain(x, y, 200 + index);
  switch (f.cover) {
    case Cover::Paddy: {
      // Young rice: green rows over water that shows between them.
      const Rgb rice{84, 122, 66}, water{92, 110, 104};
      const double between = Rows(x, y, f.rowAngle + 1.5708, 4.0);
      Rgb p = Mix(rice, water, 0.25 + 0.35 * between + 0.5 * n);
      return Scale(p, 1 + 0.05 * g);
    }
    case Cover::Crop: {
      const Rgb soil{146, 114, 80}, leaves{96, 132, 62};
      const double row = Rows(x, y, f.rowAngle + 1.5708, 7.0);
      Rgb p = Mix(leaves, soil, std::clamp(row * 1.6 - 0.3 + 0.8 * n, 0.0, 1.0));
      return Scale(p, 1 + 0.08 * g);
    }
    case Cover::Soil: {
      const Rgb soil{170, 142, 106}, damp{138, 112, 84};
      const double tracks = Rows(x, y, f.rowAngle + 1.5708, 11.0);
      Rgb p = Mix(soil, damp, std::clamp(0.4 + 1.4 * n + 0.12 * tracks, 0.0, 1.0));
      return Scale(p, 1 + 0.1 * g);
    }
    case Cover::Meadow:
      return Scale(Mix(Rgb{128, 152, 88}, Rgb{150, 160, 100}, 0.5 + n), 1 + 0.07 * g);
  }
  return {};
}

void DrawParcels(Canvas& c) {
  const Rgb levee{150, 152, 112};
  for (std::size_t i = 0; i < Parcels().size(); ++i) {
    const Parcel& f = Parcels()[i];
    const Box b = Bounds(f.corners, 2);
    for (int y = b.y0; y <= b.y1; ++y)
      for (int x = b.x0; x <= b.x1; ++x) {
        const double d = InsideDistance(Centre(x, y), f.corners);
        if (d < -1) continue;
        // A low bank of earth and grass rings the paddies.
        const double bank = f.cover == Cover::Paddy ? 3.0 : 0.0;
        const Rgb p =
            d < bank ? Scale(levee, 1 + 0.1 * Grain(x, y, 7)) : ParcelColour(f, int(i), x, y);
        c.Blend(x, y, p, d + 0.5);
      }
  }
}

void DrawRiver(Canvas& c) {
  const Rgb deep{70, 92, 96}, shallow{104, 118, 104}, bank{96, 112, 70};
  for (int y = 0; y < kHeight; ++y) {
    const double yc = y + 0.5;
    const double centre = RiverCentre(yc);
    const double slope = (RiverCentre(yc + 0.5) - RiverCentre(yc - 0.5));
    const double across = 1 / std::sqrt(1 + slope * slope);
    for (int x = int(centre - 60); x <= int(centre + 60); ++x) {
      const double d = std::abs(x + 0.5 - centre) * across;
      const double half = kRiverWidth / 2;
      if (d < half + 8) c.Blend(x, y, Scale(bank, 1 + 0.12 * Grain(x, y, 31)), half + 8.5 - d);
      const double t = std::clamp(d / half, 0.0, 1.0);
      const Rgb w = Mix(deep, shallow, t * t + 0.3 * Fbm(x, y, 40, 32));
      c.Blend(x, y, Scale(w, 1 + 0.03 * Grain(x, y, 33)), half + 0.5 - d);
    }
  }
}

void DrawTracks(Canvas& c) {
  for (std::size_t i = 0; i < Tracks().size(); ++i) {
    const Track& t = Tracks()[i];
    const Box b = Bounds(t.line, t.width);
    for (int y = b.y0; y <= b.y1; ++y)
      for (int x = b.x0; x <= b.x1; ++x) {
        const double d = PolylineDistance(Centre(x, y), t.line);
        const double half = t.width / 2;
        if (d > half + 1) continue;
        Rgb p;
        if (t.paved) {
          const Rgb asphalt{150, 150, 146}, edge{214, 212, 204};
          p = d > half - 2 ? edge
                           : Scale(asphalt, 1 + 0.05 * Grain(x, y, 41) + 0.08 * Fbm(x, y, 30, 42));
        } else {
          const Rgb dirt{194, 178, 142}, ruts{170, 154, 120};
          p = Mix(dirt, ruts, std::abs(d - half * 0.5) < 0.8 ? 0.6 : 0.15 + Fbm(x, y, 12, 43));
          p = Scale(p, 1 + 0.08 * Grain(x, y, 44));
        }
        c.Blend(x, y, p, half + 0.5 - d);
      }
  }
}

void DrawHouse(Canvas& c, double x0, double y0, double w, double h, Rgb roof) {
  // Shadow to the south-east, then the two halves of a gabled roof.
  for (int y = int(y0); y < int(y0 + h + 4); ++y)
    for (int x = int(x0); x < int(x0 + w + 4); ++x) {
      const bool inRoof = x >= x0 && x < x0 + w && y >= y0 && y < y0 + h;
      if (inRoof) {
        const bool north = (w > h) ? y < y0 + h / 2 : x < x0 + w / 2;
        c.Blend(x, y, Scale(roof, north ? 1.12 : 0.86), 1);
      } else if (x >= x0 + 4 && y >= y0 + 4) {
        c.Blend(x, y, Scale(c.At(std::min(x, kWidth - 1), std::min(y, kHeight - 1)), 0.55), 1);
      }
    }
}

void DrawHouses(Canvas& c) {
  const Rgb roofs[] = {{120, 124, 132}, {150, 86, 70}, {86, 100, 128}, {176, 170, 160}};
  int k = 0;
  for (int x = 24; x < 520; x += 58) {
    const std::uint32_t h = Hash(x, 0, 51);
    const double w = 26 + (h % 16), d = 20 + ((h >> 8) % 12);
    DrawHouse(c, x + (h >> 16) % 10, 500 + ((h >> 20) % 14), w, d, roofs[k++ % 4]);
    if ((h >> 24) % 3 != 0)
      DrawHouse(c, x + 6 + (h >> 4) % 8, 560 + ((h >> 12) % 12), d, w, roofs[(k + 1) % 4]);
  }
  // A farmstead by the bridge.
  DrawHouse(c, 1452, 452 - 48, 40, 26, roofs[1]);
  DrawHouse(c, 1500, 452 - 44, 24, 18, roofs[0]);
}

void DrawTree(Canvas& c, Pt centre, double radius, std::uint32_t seed) {
  const Rgb crown{46, 78, 40}, light{80, 112, 58};
  const Box b = Bounds(
      {{centre.x - radius, centre.y - radius}, {centre.x + radius + 4, centre.y + radius + 4}}, 1);
  // The shadow falls to the south-east.
  for (int y = b.y0; y <= b.y1; ++y)
    for (int x = b.x0; x <= b.x1; ++x) {
      const double dx = x + 0.5 - centre.x - radius * 0.45, dy = y + 0.5 - centre.y - radius * 0.45;
      const double d = std::sqrt(dx * dx + dy * dy);
      c.Blend(x, y, Scale(c.At(x, y), 0.55), (radius + 0.5 - d) * 0.8);
    }
  for (int y = b.y0; y <= b.y1; ++y)
    for (int x = b.x0; x <= b.x1; ++x) {
      const double dx = x + 0.5 - centre.x, dy = y + 0.5 - centre.y;
      const double d = std::sqrt(dx * dx + dy * dy);
      // Lit from the north-west, leafy at the edge.
      const double lit = std::clamp(0.5 - (dx + dy) / (2.8 * radius), 0.0, 1.0);
      Rgb p = Mix(crown, light, lit + 0.25 * Grain(x, y, seed));
      const double edge = radius * (0.85 + 0.3 * Noise(x, y, 3, seed + 1));
      c.Blend(x, y, p, edge + 0.5 - d);
    }
}

void DrawTrees(Canvas& c) {
  // The orchard north of the farm track, in rows.
  for (int y = 22; y < 240; y += 22)
    for (int x = 934; x < 1280; x += 24) {
      const Pt p{x + 0.5 + (y / 22 % 2) * 12, y + 0.5};
      if (p.x > RiverCentre(p.y) - kRiverWidth / 2 - 16) continue;
      DrawTree(c, p, 6.5, Hash(x, y, 61));
    }
  // A wood in the south-west, densest in its middle.
  const std::vector<Pt> wood{{18, 620},  {262, 620},  {250, 760},
                             {204, 900}, {150, 1000}, {18, 1080}};
  for (int i = 0; i < 900; ++i) {
    const std::uint32_t h = Hash(i, 7, 71);
    const Pt p{12 + (h % 256) * 1.0, 612 + ((h >> 8) % 480) * 1.0};
    if (InsideDistance(p, wood) < 4) continue;
    DrawTree(c, p, 7 + (h >> 20) % 5, h);
  }
  // A windbreak along the north edge of the houses' gardens.
  for (int x = 20; x < 540; x += 17) DrawTree(c, {x + 0.5, 612.5}, 6, Hash(x, 3, 81));
  // Trees on the far bank.
  for (int i = 0; i < 40; ++i) {
    const std::uint32_t h = Hash(i, 9, 91);
    const double y = 20 + (h % 1160);
    if (std::abs(y - 466) < 40) continue;
    DrawTree(c, {RiverCentre(y) + kRiverWidth / 2 + 10 + (h >> 12) % 12, y}, 5 + (h >> 24) % 4, h);
  }
  // The counted trees on the near bank, a little larger.
  for (const Pt& t : BankTrees()) DrawTree(c, t, 8, Hash(int(t.x), int(t.y), 99));
}

// ---------------------------------------------------------------- graticule and labels

// Digits, the point, the degree sign and the letters E and N, 5 x 7, top row first.
const std::uint8_t* Glyph(char ch) {
  static const std::uint8_t digits[10][7] = {
      {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
      {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
      {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
      {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
      {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}};
  static const std::uint8_t point[7] = {0, 0, 0, 0, 0, 0x0C, 0x0C};
  static const std::uint8_t degree[7] = {0x0C, 0x12, 0x12, 0x0C, 0, 0, 0};
  static const std::uint8_t east[7] = {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F};
  static const std::uint8_t north[7] = {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11};
  if (ch >= '0' && ch <= '9') return digits[ch - '0'];
  if (ch == '.') return point;
  if (ch == 'o') return degree;
  if (ch == 'E') return east;
  return north;
}

// White text, two screen pixels a font pixel, on a dark band; (x, y) is its top-left corner.
void DrawLabel(Canvas& c, int x, int y, const std::string& text) {
  const int scale = 2, advance = 6 * scale;
  const int w = int(text.size()) * advance, h = 7 * scale;
  for (int j = y - 3; j < y + h + 3; ++j)
    for (int i = x - 3; i < x + w + 2; ++i)
      if (i >= 0 && j >= 0 && i < kWidth && j < kHeight) c.At(i, j) = Scale(c.At(i, j), 0.35);
  for (std::size_t k = 0; k < text.size(); ++k) {
    const std::uint8_t* g = Glyph(text[k]);
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col)
        if (g[row] & (0x10 >> col))
          for (int j = 0; j < scale; ++j)
            for (int i = 0; i < scale; ++i)
              c.Blend(x + int(k) * advance + col * scale + i, y + row * scale + j, {250, 250, 250},
                      1);
  }
}

std::string Thousandths(int value) {
  return std::to_string(value / 1000) + "." + std::to_string(1000 + value % 1000).substr(1);
}

void DrawGraticule(Canvas& c, const Affine& a) {
  const Rgb line{248, 248, 240};
  auto drawLine = [&](Pt p, Pt q) {
    // The whole straight line through p and q, 1.6 pixels wide.
    const double ex = q.x - p.x, ey = q.y - p.y, len = std::sqrt(ex * ex + ey * ey);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const double d = std::abs((x + 0.5 - p.x) * ey - (y + 0.5 - p.y) * ex) / len;
        if (d < 1.5) c.Blend(x, y, line, 1.3 - d);
      }
  };
  for (int lon : kLonThousandths) {
    const Pt top = ToPixel(a, {lon / 1000.0, 35.666}), bottom = ToPixel(a, {lon / 1000.0, 35.654});
    drawLine(top, bottom);
  }
  for (int lat : kLatThousandths) {
    const Pt west = ToPixel(a, {139.690, lat / 1000.0}), east = ToPixel(a, {139.710, lat / 1000.0});
    drawLine(west, east);
  }
  // Labels where the lines meet the top and the left edge.
  for (int lon : kLonThousandths) {
    const Pt top = ToPixel(a, {lon / 1000.0, 35.666}), bottom = ToPixel(a, {lon / 1000.0, 35.654});
    const double x = top.x + (bottom.x - top.x) * (14 - top.y) / (bottom.y - top.y);
    const std::string text = Thousandths(lon) + "oE";
    const int width = int(text.size()) * 12;
    // Right of the line, or left of it where the edge of the picture comes first.
    const int left =
        x + 6 + width < kWidth - 4 ? int(std::lround(x)) + 6 : int(std::lround(x)) - 6 - width;
    DrawLabel(c, left, 8, text);
  }
  // Latitudes below their lines, clear of the westmost meridian and of the markers' numbers.
  for (int lat : kLatThousandths) {
    const Pt west = ToPixel(a, {139.690, lat / 1000.0}), east = ToPixel(a, {139.710, lat / 1000.0});
    const double y = west.y + (east.y - west.y) * (100 - west.x) / (east.x - west.x);
    DrawLabel(c, 100, int(std::lround(y)) + 8, Thousandths(lat) + "oN");
  }
}

// ---------------------------------------------------------------- the project

MarkerRecord Marker(const Affine& a, const MarkerPlan& m) {
  const Pt exact = ToPixel(a, {m.lonThousandths / 1000.0, m.latThousandths / 1000.0});
  auto tenths = [](double v) { return std::uint16_t(std::lround(v * 10)); };
  return {tenths(exact.x + m.dx), tenths(exact.y + m.dy), Thousandths(m.lonThousandths),
          Thousandths(m.latThousandths)};
}

TLine Group(std::uint16_t category, TLineType type, const std::vector<Pt>& pts) {
  TLine g;
  g.Sort = category;
  g.LineType = type;
  g.NumPoints = std::int32_t(pts.size());
  for (std::size_t i = 0; i < pts.size(); ++i)
    g.Points.push_back({PointLabel::Number(std::uint32_t(i + 1)), pts[i].x, pts[i].y});
  return g;
}

ProjectData MakeProject(const Affine& a) {
  ProjectData d;
  d.ImagePath = "field.jpg";
  d.Method = 2;     // affine, by least squares
  d.ScaleUnit = 6;  // degrees
  d.MeshSize = "0.002";
  d.NumDecimal = "7";  // a ten-millionth of a degree is about 1 cm: the residuals show
  std::vector<MarkerRowText> rows;
  for (const MarkerPlan& m : Markers()) {
    d.Markers.push_back(Marker(a, m));
    const MarkerRecord& r = d.Markers.back();
    rows.push_back({MarkerTextFromTenths(r.XTenths), MarkerTextFromTenths(r.YTenths), r.X, r.Y});
  }
  const FitResult fit = FitTransform(d.Method, rows, {}, {});
  if (!fit.ok) throw std::runtime_error("the markers do not fit: " + fit.message);
  d.Cx = fit.Cx;
  d.Cy = fit.Cy;

  d.Categories = {"水田", "畑", "樹木", "農道"};
  // Closed curves run counter-clockwise on the ground (north up), so their areas are positive.
  for (const Parcel& f : Parcels()) {
    if (!f.measured) continue;
    std::vector<Pt> ccw{f.corners[0]};
    ccw.insert(ccw.end(), f.corners.rbegin(), f.corners.rend() - 1);
    d.Lines.push_back(Group(f.cover == Cover::Paddy ? 0 : 1, ltClosed, ccw));
  }
  d.Lines.push_back(Group(3, ltCurve, MeasuredTrack()));
  d.Lines.push_back(Group(2, ltPoints, BankTrees()));

  // The grid in yellow, so that it stands out from the white graticule of the picture.
  d.Colors.clMesh = 0x0000FFFF;
  d.Sizes.MarkerSize = 6;
  d.Sizes.MarkerLineWidth = 2;
  d.Sizes.RegistPointSize = 3;
  d.Sizes.PointLineWidth = 2;
  d.Notes = {
      "経度・緯度で測る見本のプロジェクトです。",
      "画像 field.jpg は、プログラムで描いた架空の航空写真です。実在の土地を写したものではあり"
      "ません。東経139.70度・北緯35.66度のあたり、東西約800m・南北約600mの範囲として描いて"
      "あります（1ピクセル約0.5m）。",
      "画像の白い経緯線（0.002度ごと）が座標の基準です。マーカー9個はその交点に置き、経度・"
      "緯度を度で入力してあります。クリックの誤差として、交点から0.4ピクセル以内ずらしてあります。",
      "座標変換はアフィン変換を最小二乗法で当てはめて設定済みです（単位：度）。",
      "分類は、水田と畑（閉曲線）、樹木（川の西岸の木を点で数える）、農道（曲線）の4つです。"
      "「測定モード」で「計算」を押すと、長さ(m)・面積(平方メートル)・本数が出ます。",
  };
  return d;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  if (Failure failure; !WriteImageFileAtomically(path, bytes, &failure))
    throw std::runtime_error(failure.Text());
}

int Run(const std::string& dir) {
  const Affine a = Mapping();
  Canvas c;
  DrawMeadow(c);
  DrawParcels(c);
  DrawRiver(c);
  DrawTracks(c);
  DrawHouses(c);
  DrawTrees(c);
  DrawGraticule(c, a);
  WriteBytes(dir + "/field.jpg", EncodeJpeg(c.ToBitmap(), 85));
  if (Failure failure; !WriteProjectFile(dir + "/field.pqs", MakeProject(a), &failure))
    throw std::runtime_error(failure.Text());
  return 0;
}

}  // namespace
}  // namespace zelko::field

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: zelko-make-field OUTDIR\n", stderr);
    return 2;
  }
  try {
    return zelko::field::Run(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zelko-make-field: %s\n", e.what());
    return 1;
  }
}
