#include "coords/crs.h"

#include <proj.h>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/PolygonArea.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <numbers>
#include <utility>

namespace zelko {

namespace {

// EPSG defines JGD2011 UTM zones 51N-55N only (6693 is a height system); zone 56N is on
// WGS 84 alone.
constexpr CrsChoice kCommonChoices[] = {
    {6668, "JGD2011 経緯度 (EPSG:6668)"},
    {6669, "JGD2011 平面直角座標系 I (EPSG:6669)"},
    {6670, "JGD2011 平面直角座標系 II (EPSG:6670)"},
    {6671, "JGD2011 平面直角座標系 III (EPSG:6671)"},
    {6672, "JGD2011 平面直角座標系 IV (EPSG:6672)"},
    {6673, "JGD2011 平面直角座標系 V (EPSG:6673)"},
    {6674, "JGD2011 平面直角座標系 VI (EPSG:6674)"},
    {6675, "JGD2011 平面直角座標系 VII (EPSG:6675)"},
    {6676, "JGD2011 平面直角座標系 VIII (EPSG:6676)"},
    {6677, "JGD2011 平面直角座標系 IX (EPSG:6677)"},
    {6678, "JGD2011 平面直角座標系 X (EPSG:6678)"},
    {6679, "JGD2011 平面直角座標系 XI (EPSG:6679)"},
    {6680, "JGD2011 平面直角座標系 XII (EPSG:6680)"},
    {6681, "JGD2011 平面直角座標系 XIII (EPSG:6681)"},
    {6682, "JGD2011 平面直角座標系 XIV (EPSG:6682)"},
    {6683, "JGD2011 平面直角座標系 XV (EPSG:6683)"},
    {6684, "JGD2011 平面直角座標系 XVI (EPSG:6684)"},
    {6685, "JGD2011 平面直角座標系 XVII (EPSG:6685)"},
    {6686, "JGD2011 平面直角座標系 XVIII (EPSG:6686)"},
    {6687, "JGD2011 平面直角座標系 XIX (EPSG:6687)"},
    {6688, "JGD2011 / UTM 51N (EPSG:6688)"},
    {6689, "JGD2011 / UTM 52N (EPSG:6689)"},
    {6690, "JGD2011 / UTM 53N (EPSG:6690)"},
    {6691, "JGD2011 / UTM 54N (EPSG:6691)"},
    {6692, "JGD2011 / UTM 55N (EPSG:6692)"},
    {32651, "WGS 84 / UTM 51N (EPSG:32651)"},
    {32652, "WGS 84 / UTM 52N (EPSG:32652)"},
    {32653, "WGS 84 / UTM 53N (EPSG:32653)"},
    {32654, "WGS 84 / UTM 54N (EPSG:32654)"},
    {32655, "WGS 84 / UTM 55N (EPSG:32655)"},
    {32656, "WGS 84 / UTM 56N (EPSG:32656)"},
    {4326, "WGS 84 経緯度 (EPSG:4326)"},
};

std::string CodeText(int code) { return "EPSG:" + std::to_string(code); }

std::string Described(int code, const std::string& name) {
  return name.empty() ? CodeText(code) : CodeText(code) + "（" + name + "）";
}

const char* KindText(PJ_TYPE type) {
  switch (type) {
    case PJ_TYPE_GEOCENTRIC_CRS:
      return "地心直交座標系";
    case PJ_TYPE_GEOGRAPHIC_3D_CRS:
      return "高さを含む 3 次元の地理座標系";
    case PJ_TYPE_VERTICAL_CRS:
      return "高さの座標系";
    case PJ_TYPE_COMPOUND_CRS:
      return "平面と高さの複合座標系";
    case PJ_TYPE_TEMPORAL_CRS:
      return "時間の座標系";
    case PJ_TYPE_ENGINEERING_CRS:
      return "局地的な工学座標系";
    default:
      return "経緯度でも投影座標でもない座標系";
  }
}

enum class Direction { kEast, kWest, kNorth, kSouth, kOther };

Direction DirectionOf(const char* text) {
  const std::string_view d = text ? text : "";
  if (d == "east") return Direction::kEast;
  if (d == "west") return Direction::kWest;
  if (d == "north") return Direction::kNorth;
  if (d == "south") return Direction::kSouth;
  return Direction::kOther;
}

bool IsDegree(double factorToRadians) {
  return std::fabs(factorToRadians / (std::numbers::pi / 180) - 1) < 1e-12;
}

// A coordinate in a message, as short as its value allows.
std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

bool Finite(const XY& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

// The PROJ objects of one system, with a context of their own so that objects on different
// threads never share one.
struct Crs::Proj {
  PJ_CONTEXT* ctx = nullptr;
  PJ* crs = nullptr;
  PJ* toLonLat = nullptr;  // east-west axis first in, longitude first out; none when geographic

  Proj() : ctx(proj_context_create()) {
    // Failures come back as messages of their own; PROJ's log would only repeat them on stderr.
    if (ctx) proj_log_level(ctx, PJ_LOG_NONE);
  }
  ~Proj() {
    if (toLonLat) proj_destroy(toLonLat);
    if (crs) proj_destroy(crs);
    if (ctx) proj_context_destroy(ctx);
  }
  Proj(const Proj&) = delete;
  Proj& operator=(const Proj&) = delete;
};

namespace {

// Releases a PROJ object at the end of a scope.
struct Owned {
  PJ_CONTEXT* ctx;
  PJ* pj;
  Owned(PJ_CONTEXT* c, PJ* p) : ctx(c), pj(p) {}
  ~Owned() {
    if (pj) proj_destroy(pj);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
};

}  // namespace

Crs::Crs() = default;
Crs::~Crs() = default;
Crs::Crs(Crs&&) noexcept = default;
Crs& Crs::operator=(Crs&&) noexcept = default;

Crs::Crs(const Crs& other)
    : epsg_(other.epsg_),
      name_(other.name_),
      geographic_(other.geographic_),
      northingFirst_(other.northingFirst_),
      eastSign_(other.eastSign_),
      northSign_(other.northSign_),
      axisX_(other.axisX_),
      axisY_(other.axisY_),
      a_(other.a_),
      f_(other.f_) {
  // The same system again, in a context of its own; it was built once, so it builds again.
  CrsResult again = Build(other.epsg_);
  if (again.crs) proj_ = std::move(again.crs->proj_);
}

Crs& Crs::operator=(const Crs& other) {
  if (this != &other) *this = Crs(other);
  return *this;
}

std::optional<int> EpsgCodeFromText(std::string_view text) {
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  if (text.size() >= 5) {
    std::string head(text.substr(0, 5));
    std::transform(head.begin(), head.end(), head.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (head == "EPSG:") {
      text.remove_prefix(5);
      if (!text.empty() && text.front() == ':') text.remove_prefix(1);
      while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    }
  }
  int code = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), code);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || code <= 0)
    return std::nullopt;
  return code;
}

CrsResult Crs::FromText(std::string_view text) {
  if (const std::optional<int> code = EpsgCodeFromText(text)) return FromEpsg(*code);
  return {std::nullopt, "座標系「" + std::string(text) +
                            "」を読み取れません。EPSG:6677 や 6677 のように EPSG "
                            "コードで指定して下さい。"};
}

CrsResult Crs::FromEpsg(int code) {
  if (code <= 0) return {std::nullopt, CodeText(code) + " は EPSG コードではありません。"};
  return Build(code);
}

CrsResult Crs::Build(int code) {
  Crs c;
  c.epsg_ = code;
  c.proj_ = std::make_unique<Proj>();
  PJ_CONTEXT* ctx = c.proj_->ctx;
  if (!ctx) return {std::nullopt, "PROJ を初期化できません。"};
  if (!proj_context_get_database_path(ctx))
    return {std::nullopt,
            "PROJ の座標系データベース (proj.db) が見つかりません。PROJ のデータ "
            "(Debian のパッケージ proj-data) を入れて下さい。"};
  const std::string codeText = std::to_string(code);
  c.proj_->crs =
      proj_create_from_database(ctx, "EPSG", codeText.c_str(), PJ_CATEGORY_CRS, 0, nullptr);
  PJ* crs = c.proj_->crs;
  if (!crs)
    return {std::nullopt, CodeText(code) + " という座標系は PROJ のデータベースにありません。"};
  if (const char* name = proj_get_name(crs)) c.name_ = name;
  const std::string who = Described(code, c.name_);

  const PJ_TYPE type = proj_get_type(crs);
  if (type != PJ_TYPE_GEOGRAPHIC_2D_CRS && type != PJ_TYPE_PROJECTED_CRS)
    return {std::nullopt, who + " は" + KindText(type) +
                              "のため使えません。経緯度の地理座標系か、平面の投影座標系を選んで"
                              "下さい。"};
  c.geographic_ = type == PJ_TYPE_GEOGRAPHIC_2D_CRS;

  Owned cs(ctx, proj_crs_get_coordinate_system(ctx, crs));
  if (!cs.pj || proj_cs_get_axis_count(ctx, cs.pj) != 2)
    return {std::nullopt, who + " は 2 次元の座標系ではないため使えません。"};
  Direction dir[2];
  std::string abbrev[2];
  for (int i = 0; i < 2; ++i) {
    const char *axisAbbrev = nullptr, *direction = nullptr, *unitName = nullptr;
    double factor = 0;
    if (!proj_cs_get_axis_info(ctx, cs.pj, i, nullptr, &axisAbbrev, &direction, &factor, &unitName,
                               nullptr, nullptr))
      return {std::nullopt, who + " の軸を PROJ から読み取れません。"};
    dir[i] = DirectionOf(direction);
    abbrev[i] = axisAbbrev ? axisAbbrev : "";
    const std::string unit = unitName ? unitName : "?";
    if (c.geographic_ && !IsDegree(factor))
      return {std::nullopt, who + " の単位は " + unit +
                                " で、度ではないため使えません。度で表す経緯度の座標系を選んで"
                                "下さい。"};
    // Other linear units are refused rather than converted: the table's numbers are then the
    // metres the unit chooser says, and grid values need no factor.
    if (!c.geographic_ && factor != 1)
      return {std::nullopt, who + " の単位は " + unit +
                                " で、メートルではないため使えません。メートル単位の座標系を選ん"
                                "で下さい。"};
  }
  const bool eastFirst = dir[0] == Direction::kEast || dir[0] == Direction::kWest;
  const Direction eastWest = eastFirst ? dir[0] : dir[1];
  const Direction northSouth = eastFirst ? dir[1] : dir[0];
  if ((eastWest != Direction::kEast && eastWest != Direction::kWest) ||
      (northSouth != Direction::kNorth && northSouth != Direction::kSouth) ||
      (c.geographic_ && (eastWest != Direction::kEast || northSouth != Direction::kNorth)))
    return {std::nullopt,
            who + " の軸は東西と南北を向いていないため使えません（極域の座標系など）。"};
  c.eastSign_ = eastWest == Direction::kWest ? -1 : 1;
  c.northSign_ = northSouth == Direction::kSouth ? -1 : 1;
  c.northingFirst_ = !c.geographic_ && !eastFirst;
  const std::string& eastAbbrev = eastFirst ? abbrev[0] : abbrev[1];
  const std::string& northAbbrev = eastFirst ? abbrev[1] : abbrev[0];
  if (c.geographic_ || eastFirst) {
    c.axisX_ = eastAbbrev;
    c.axisY_ = northAbbrev;
  } else {
    c.axisX_ = northAbbrev;
    c.axisY_ = eastAbbrev;
  }

  Owned meridian(ctx, proj_get_prime_meridian(ctx, crs));
  double meridianLongitude = 0;
  if (!meridian.pj ||
      !proj_prime_meridian_get_parameters(ctx, meridian.pj, &meridianLongitude, nullptr, nullptr))
    return {std::nullopt, who + " の本初子午線を PROJ から読み取れません。"};
  if (meridianLongitude != 0)
    return {std::nullopt, who + " の経度はグリニッジ以外の子午線から測るため使えません。"};

  Owned ellipsoid(ctx, proj_get_ellipsoid(ctx, crs));
  double a = 0, b = 0, inverseFlattening = 0;
  int computed = 0;
  if (!ellipsoid.pj ||
      !proj_ellipsoid_get_parameters(ctx, ellipsoid.pj, &a, &b, &computed, &inverseFlattening) ||
      !(a > 0) || !(b > 0) || b > a)
    return {std::nullopt, who + " の楕円体を PROJ から読み取れません。"};
  c.a_ = a;
  // The defining inverse flattening where there is one, not one recomputed from b.
  c.f_ = inverseFlattening > 0 ? 1 / inverseFlattening : 1 - b / a;

  if (!c.geographic_) {
    Owned base(ctx, proj_crs_get_geodetic_crs(ctx, crs));
    const PJ_TYPE baseType = base.pj ? proj_get_type(base.pj) : PJ_TYPE_UNKNOWN;
    if (baseType != PJ_TYPE_GEOGRAPHIC_2D_CRS && baseType != PJ_TYPE_GEOGRAPHIC_3D_CRS)
      return {std::nullopt, who + " の基準の経緯度座標系を PROJ から得られません。"};
    Owned baseCs(ctx, proj_crs_get_coordinate_system(ctx, base.pj));
    double factor = 0;
    if (!baseCs.pj ||
        !proj_cs_get_axis_info(ctx, baseCs.pj, 0, nullptr, nullptr, nullptr, &factor, nullptr,
                               nullptr, nullptr) ||
        !IsDegree(factor))
      return {std::nullopt, who + " の基準の経緯度座標系は度で表されていないため使えません。"};
    // From the system to its own longitude/latitude: the inverse projection, no datum shift.
    Owned op(ctx, proj_create_crs_to_crs_from_pj(ctx, crs, base.pj, nullptr, nullptr));
    if (!op.pj) return {std::nullopt, who + " から経緯度への変換を PROJ が作れません。"};
    c.proj_->toLonLat = proj_normalize_for_visualization(ctx, op.pj);
    if (!c.proj_->toLonLat)
      return {std::nullopt, who + " から経緯度への変換を PROJ が作れません。"};
  }
  return {std::move(c), {}};
}

std::string Crs::Code() const { return CodeText(epsg_); }

std::string Crs::Label() const {
  for (const CrsChoice& choice : CommonCrsChoices())
    if (choice.epsg == epsg_) return choice.label;
  return name_ + " (" + Code() + ")";
}

std::string Crs::Wkt1Esri() const {
  if (!proj_ || !proj_->crs) return {};
  const char* wkt = proj_as_wkt(proj_->ctx, proj_->crs, PJ_WKT1_ESRI, nullptr);
  return wkt ? wkt : "";
}

XY Crs::MapOf(const XY& table) const {
  if (geographic_) return table;
  return northingFirst_ ? XY{eastSign_ * table.y, northSign_ * table.x}
                        : XY{eastSign_ * table.x, northSign_ * table.y};
}

bool Crs::ToLonLat(std::span<const XY> table, std::vector<XY>& lonLat, std::string* message) const {
  auto fail = [&](std::string text) {
    lonLat.clear();
    if (message) *message = std::move(text);
    return false;
  };
  auto where = [&](std::size_t i) {
    return std::to_string(i + 1) + " 点目 (X " + Number(table[i].x) + ", Y " + Number(table[i].y) +
           ")";
  };
  lonLat.resize(table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (!Finite(table[i])) return fail(std::to_string(i + 1) + " 点目の座標が数値ではありません。");
    lonLat[i] = northingFirst_ ? XY{table[i].y, table[i].x} : table[i];
  }
  if (geographic_) {
    for (std::size_t i = 0; i < table.size(); ++i)
      if (std::fabs(table[i].y) > 90) return fail(where(i) + " の緯度が ±90 度を超えています。");
    return true;
  }
  if (!proj_ || !proj_->toLonLat) return fail(Code() + " の変換を用意できませんでした。");
  if (table.empty()) return true;
  proj_errno_reset(proj_->toLonLat);
  const std::size_t n = lonLat.size();
  proj_trans_generic(proj_->toLonLat, PJ_FWD, &lonLat[0].x, sizeof(XY), n, &lonLat[0].y, sizeof(XY),
                     n, nullptr, 0, 0, nullptr, 0, 0);
  for (std::size_t i = 0; i < n; ++i)
    if (!Finite(lonLat[i]) || std::fabs(lonLat[i].y) > 90)
      return fail(where(i) + " は " + Label() + " の範囲外で、経緯度に変換できません。");
  return true;
}

bool Crs::FromLonLat(std::span<const XY> lonLat, std::vector<XY>& table,
                     std::string* message) const {
  auto fail = [&](std::string text) {
    table.clear();
    if (message) *message = std::move(text);
    return false;
  };
  table.assign(lonLat.begin(), lonLat.end());
  for (std::size_t i = 0; i < table.size(); ++i)
    if (!Finite(table[i]) || std::fabs(table[i].y) > 90)
      return fail(std::to_string(i + 1) + " 点目の経緯度が正しくありません。");
  if (geographic_ || table.empty()) return true;
  if (!proj_ || !proj_->toLonLat) return fail(Code() + " の変換を用意できませんでした。");
  proj_errno_reset(proj_->toLonLat);
  const std::size_t n = table.size();
  proj_trans_generic(proj_->toLonLat, PJ_INV, &table[0].x, sizeof(XY), n, &table[0].y, sizeof(XY),
                     n, nullptr, 0, 0, nullptr, 0, 0);
  for (std::size_t i = 0; i < n; ++i) {
    if (!Finite(table[i]))
      return fail(std::to_string(i + 1) + " 点目の経緯度は " + Label() + " に変換できません。");
    if (northingFirst_) std::swap(table[i].x, table[i].y);
  }
  return true;
}

std::span<const CrsChoice> CommonCrsChoices() { return kCommonChoices; }

std::optional<CrsMeasure> MeasureInCrs(const Crs& crs, std::span<const XY> p, bool closed,
                                       std::string* message) {
  std::vector<XY> lonLat;
  if (!crs.ToLonLat(p, lonLat, message)) return std::nullopt;
  CrsMeasure m;
  try {
    const GeographicLib::Geodesic earth(crs.SemiMajorAxis(), crs.Flattening());
    if (closed) {
      // As the degree unit measures: counter-clockwise positive, and a clockwise curve keeps
      // its minus sign rather than becoming the rest of the earth.
      if (lonLat.size() >= 2) {
        GeographicLib::PolygonArea polygon(earth);
        for (const XY& q : lonLat) polygon.AddPoint(q.y, q.x);
        polygon.Compute(false, true, m.length, m.area);
      }
    } else {
      long double sum = 0;
      for (std::size_t j = 1; j < lonLat.size(); ++j) {
        double s12 = 0;
        earth.Inverse(lonLat[j - 1].y, lonLat[j - 1].x, lonLat[j].y, lonLat[j].x, s12);
        sum += s12;
      }
      m.length = static_cast<double>(sum);
    }
  } catch (const std::exception& e) {
    if (message) *message = crs.Label() + " の楕円体で測れません: " + e.what();
    return std::nullopt;
  }
  if (!crs.Geographic()) {
    std::vector<XY> map(p.size());
    std::transform(p.begin(), p.end(), map.begin(), [&](const XY& q) { return crs.MapOf(q); });
    m.lengthGrid = LineLength(map, closed, false);
    m.areaGrid = closed ? PolygonArea(map) : 0;
  }
  return m;
}

}  // namespace zelko
