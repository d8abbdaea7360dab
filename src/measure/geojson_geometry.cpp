#include "measure/geojson_geometry.h"

#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "document/records.h"
#include "measure/export.h"

namespace zelko {

namespace {

std::string Number(double v) {
  const std::string s = ExactNumber(v);
  return s.empty() ? "null" : s;
}

std::string Position(const XY& q) {
  return "[" + Number(NormalLongitude(q.x)) + ", " + Number(q.y) + "]";
}

std::string Positions(const std::vector<XY>& points) {
  std::string out = "[";
  for (std::size_t i = 0; i < points.size(); ++i) out += (i ? ", " : "") + Position(points[i]);
  return out + "]";
}

std::string Typed(const char* type, const std::string& coordinates) {
  return std::string("{\"type\": \"") + type + "\", \"coordinates\": " + coordinates + "}";
}

// Twice the signed area in the longitude/latitude plane: positive counter-clockwise.
double TwiceArea(const std::vector<XY>& ring) {
  double sum = 0;
  for (std::size_t i = 0; i + 1 < ring.size(); ++i)
    sum += ring[i].x * ring[i + 1].y - ring[i + 1].x * ring[i].y;
  return sum;
}

// The GEOS objects of one conversion, released whatever happens.
class Geos {
 public:
  Geos() : h_(GEOS_init_r()) {}
  ~Geos() {
    for (GEOSGeometry* g : owned_) GEOSGeom_destroy_r(h_, g);
    GEOS_finish_r(h_);
  }
  Geos(const Geos&) = delete;
  Geos& operator=(const Geos&) = delete;

  GEOSContextHandle_t h() const { return h_; }
  // Takes ownership of g (which may be null: a failed operation).
  const GEOSGeometry* Keep(GEOSGeometry* g) {
    if (g) owned_.push_back(g);
    return g;
  }
  GEOSCoordSequence* Sequence(const std::vector<XY>& p) {
    GEOSCoordSequence* s = GEOSCoordSeq_create_r(h_, static_cast<unsigned>(p.size()), 2);
    for (std::size_t i = 0; s && i < p.size(); ++i)
      GEOSCoordSeq_setXY_r(h_, s, static_cast<unsigned>(i), p[i].x, p[i].y);
    return s;
  }
  std::vector<XY> Points(const GEOSGeometry* g) const {
    std::vector<XY> out;
    const GEOSCoordSequence* s = GEOSGeom_getCoordSeq_r(h_, g);
    unsigned n = 0;
    if (!s || !GEOSCoordSeq_getSize_r(h_, s, &n)) return out;
    out.resize(n);
    for (unsigned i = 0; i < n; ++i) GEOSCoordSeq_getXY_r(h_, s, i, &out[i].x, &out[i].y);
    return out;
  }
  // The parts of type `type` (GEOS_POLYGON, GEOS_LINESTRING) of g, collections opened.
  void Parts(const GEOSGeometry* g, int type, std::vector<const GEOSGeometry*>* out) const {
    if (!g) return;
    const int t = GEOSGeomTypeId_r(h_, g);
    if (t == type) {
      if (!GEOSisEmpty_r(h_, g)) out->push_back(g);
    } else if (t == GEOS_MULTIPOLYGON || t == GEOS_MULTILINESTRING ||
               t == GEOS_GEOMETRYCOLLECTION) {
      const int n = GEOSGetNumGeometries_r(h_, g);
      for (int i = 0; i < n; ++i) Parts(GEOSGetGeometryN_r(h_, g, i), type, out);
    }
  }

 private:
  GEOSContextHandle_t h_;
  std::vector<GEOSGeometry*> owned_;
};

// The strips of 360 degrees of longitude that the shape's extent touches, as offsets that bring
// each back to -180..180.
std::vector<double> Strips(const std::vector<XY>& p) {
  double lo = p[0].x, hi = p[0].x;
  for (const XY& q : p) lo = std::min(lo, q.x), hi = std::max(hi, q.x);
  std::vector<double> out;
  for (double k = std::floor((lo + 180) / 360); k * 360 - 180 < hi; ++k) out.push_back(k * 360);
  if (out.empty()) out.push_back(0);
  return out;
}

bool WithinOneStrip(const std::vector<XY>& p) {
  return std::all_of(p.begin(), p.end(), [](const XY& q) { return q.x >= -180 && q.x <= 180; });
}

// g cut into the strips, each part moved back by its strip's offset; `type` selects the parts.
std::vector<std::vector<std::vector<XY>>> CutAtAntimeridian(Geos& geos, const GEOSGeometry* g,
                                                            const std::vector<XY>& extent,
                                                            int type) {
  std::vector<std::vector<std::vector<XY>>> out;  // parts, each a list of rings or one line
  const bool one = WithinOneStrip(extent);
  for (double offset : one ? std::vector<double>{0} : Strips(extent)) {
    const GEOSGeometry* piece =
        one ? g : geos.Keep(GEOSClipByRect_r(geos.h(), g, offset - 180, -90, offset + 180, 90));
    std::vector<const GEOSGeometry*> parts;
    geos.Parts(piece, type, &parts);
    for (const GEOSGeometry* part : parts) {
      std::vector<std::vector<XY>> rings;
      if (type == GEOS_POLYGON) {
        rings.push_back(geos.Points(GEOSGetExteriorRing_r(geos.h(), part)));
        const int holes = GEOSGetNumInteriorRings_r(geos.h(), part);
        for (int i = 0; i < holes; ++i)
          rings.push_back(geos.Points(GEOSGetInteriorRingN_r(geos.h(), part, i)));
      } else {
        rings.push_back(geos.Points(part));
      }
      for (auto& ring : rings)
        for (XY& q : ring) q.x -= offset;
      out.push_back(std::move(rings));
    }
  }
  return out;
}

std::string Lines(Geos& geos, const std::vector<XY>& p) {
  if (WithinOneStrip(p)) return Typed("LineString", Positions(p));
  const GEOSGeometry* line = geos.Keep(GEOSGeom_createLineString_r(geos.h(), geos.Sequence(p)));
  const auto parts = CutAtAntimeridian(geos, line, p, GEOS_LINESTRING);
  if (parts.size() == 1) return Typed("LineString", Positions(parts[0][0]));
  std::string out = "[";
  for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? ", " : "") + Positions(parts[i][0]);
  return Typed("MultiLineString", out + "]");
}

std::string Polygons(Geos& geos, const std::vector<XY>& ring) {
  const GEOSGeometry* polygon = geos.Keep(GEOSGeom_createPolygon_r(
      geos.h(), GEOSGeom_createLinearRing_r(geos.h(), geos.Sequence(ring)), nullptr, 0));
  if (!polygon) return Typed("LineString", Positions(ring));
  if (GEOSisValid_r(geos.h(), polygon) != 1) {
    // The area the lobes enclose, each lobe once: the outline's structure, not an even-odd
    // reading of its crossings.
    GEOSMakeValidParams* params = GEOSMakeValidParams_create_r(geos.h());
    GEOSMakeValidParams_setMethod_r(geos.h(), params, GEOS_MAKE_VALID_STRUCTURE);
    polygon = geos.Keep(GEOSMakeValidWithParams_r(geos.h(), polygon, params));
    GEOSMakeValidParams_destroy_r(geos.h(), params);
  }
  auto parts = CutAtAntimeridian(geos, polygon, ring, GEOS_POLYGON);
  // A curve that encloses nothing (its points on one line) is the line it traces.
  if (parts.empty()) return Lines(geos, ring);
  std::string all;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::string rings = "[";
    for (std::size_t r = 0; r < parts[i].size(); ++r) {
      std::vector<XY>& q = parts[i][r];
      // Outer rings counter-clockwise, holes clockwise.
      if ((TwiceArea(q) < 0) == (r == 0)) std::reverse(q.begin(), q.end());
      rings += (r ? ", " : "") + Positions(q);
    }
    all += (i ? ", " : "") + rings + "]";
  }
  return parts.size() == 1 ? Typed("Polygon", all) : Typed("MultiPolygon", "[" + all + "]");
}

}  // namespace

double NormalLongitude(double lon) {
  if (!(lon < -180 || lon > 180)) return lon;
  const double r = std::remainder(lon, 360.0);
  return r == -180 ? 180 : r;
}

std::string GeoJsonGeometry(std::uint8_t lineType, std::vector<XY> p) {
  if (p.empty()) return "null";
  if (lineType == ltPoints) return Typed("MultiPoint", Positions(p));
  if (p.size() == 1) return Typed("Point", Position(p[0]));
  // Continuous along the group, starting within -180..180.
  p[0].x = NormalLongitude(p[0].x);
  for (std::size_t i = 1; i < p.size(); ++i)
    p[i].x = p[i - 1].x + std::remainder(p[i].x - p[i - 1].x, 360.0);
  Geos geos;
  // A ring that the user closed by hand is not closed twice.
  const bool closedByHand = p.back().x == p.front().x && p.back().y == p.front().y;
  if (lineType != ltClosed || p.size() - closedByHand < 3) return Lines(geos, p);
  if (!closedByHand) p.push_back(p.front());
  return Polygons(geos, p);
}

}  // namespace zelko
