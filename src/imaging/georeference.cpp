#include "imaging/georeference.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <numbers>

#include "coords/transform.h"
#include "document/numbers.h"
#include "imaging/bitmap_ops.h"

namespace zelko {

PixelAffine Compose(const PixelAffine& o, const PixelAffine& i) {
  const auto& p = o.a;
  const auto& q = i.a;
  return {{p[0] + p[1] * q[0] + p[2] * q[3], p[1] * q[1] + p[2] * q[4], p[1] * q[2] + p[2] * q[5],
           p[3] + p[4] * q[0] + p[5] * q[3], p[4] * q[1] + p[5] * q[4], p[4] * q[2] + p[5] * q[5]}};
}

std::optional<PixelAffine> Invert(const PixelAffine& m) {
  const auto& a = m.a;
  const double det = a[1] * a[5] - a[2] * a[4];
  if (!std::isfinite(det) || det == 0) return std::nullopt;
  const double i11 = a[5] / det, i12 = -a[2] / det, i21 = -a[4] / det, i22 = a[1] / det;
  return PixelAffine{{-(i11 * a[0] + i12 * a[3]), i11, i12, -(i21 * a[0] + i22 * a[3]), i21, i22}};
}

PixelAffine WorkingToLoaded(int width, int height, const WorkingImageSettings& s) {
  if (width <= 0 || height <= 0) throw ImagingError("画像が空です");
  int w = width, h = height;
  if (s.factor != 1) {
    w = RoundHalfAway(static_cast<long double>(width) * s.factor);
    h = RoundHalfAway(static_cast<long double>(height) * s.factor);
    if (w <= 0 || h <= 0) throw ImagingError("作業画像の大きさが 0 になります");
  }
  // The resized image's positions in the loaded image.
  const PixelAffine resize{
      {0, static_cast<double>(width) / w, 0, 0, 0, static_cast<double>(height) / h}};
  const float angle = s.rotationAngle;
  PixelAffine turn;  // working positions -> resized positions
  if (angle == 0.0f) {
    return resize;
  } else if (angle == 90.0f) {  // working (x, y) shows resized (y, h - x)
    turn.a = {0, 0, 1, static_cast<double>(h), -1, 0};
  } else if (angle == 180.0f) {
    turn.a = {static_cast<double>(w), -1, 0, static_cast<double>(h), 0, -1};
  } else if (angle == 270.0f) {
    turn.a = {static_cast<double>(w), 0, -1, 0, 1, 0};
  } else {
    // Pixel indices turn about the integer centres, each taking the nearest source index: in
    // continuous positions the centres sit half a pixel further on.
    const BitmapSize box = RotatedSize(w, h, angle);
    const double t = static_cast<double>(static_cast<long double>(angle) *
                                         std::numbers::pi_v<long double> / 180);
    const double c = std::cos(t), sn = std::sin(t);
    const double dcx = box.width / 2 + 0.5, dcy = box.height / 2 + 0.5;
    const double scx = w / 2 + 0.5, scy = h / 2 + 0.5;
    // source = R^-1 (dest - dc) + sc, R = [c -s; s c], R^-1 = [c s; -s c].
    turn.a = {scx - c * dcx - sn * dcy, c, sn, scy + sn * dcx - c * dcy, -sn, c};
  }
  return Compose(resize, turn);
}

PixelAffine LoadedToFitFrame(int width, int height, float angle) {
  WorkingImageSettings s;
  s.rotationAngle = angle;
  return *Invert(WorkingToLoaded(width, height, s));
}

std::optional<WorldFile> MakeWorldFile(int method, const std::vector<double>& cx,
                                       const std::vector<double>& cy,
                                       const PixelAffine& pictureToFit, bool northingFirst,
                                       std::string* error) {
  const auto refuse = [&](const std::string& why) {
    if (error) *error = why;
    return std::nullopt;
  };
  if (method != tmLinear && method != tmAffine)
    return refuse(
        "ワールドファイルはアフィン変換（線形変換を含む）の座標変換にだけ書けます。ほかの方法では"
        "幾何補正した画像（GeoTIFF）を使って下さい。");
  if (cx.size() != 3 || cy.size() != 3) return refuse("座標変換が設定されていません。");
  // The map axes as a GIS orders them: easting first.
  const std::vector<double>& ce = northingFirst ? cy : cx;
  const std::vector<double>& cn = northingFirst ? cx : cy;
  const PixelAffine fitToMap{{ce[0], ce[1], ce[2], cn[0], cn[1], cn[2]}};
  // Picture pixel indices -> their centres -> the fit's frame -> the map.
  const PixelAffine centres{{0.5, 1, 0, 0.5, 0, 1}};
  const PixelAffine m = Compose(fitToMap, Compose(pictureToFit, centres));
  WorldFile w{m.a[1], m.a[4], m.a[2], m.a[5], m.a[0], m.a[3]};
  for (double v : {w.A, w.B, w.C, w.D, w.E, w.F})
    if (!std::isfinite(v)) return refuse("座標変換の係数が数になっていません。");
  if (w.A * w.E - w.B * w.D == 0) return refuse("座標変換が画像を線や点に潰します。");
  return w;
}

std::string WorldFileText(const WorldFile& w) {
  std::string out;
  for (double v : {w.A, w.D, w.B, w.E, w.C, w.F}) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
    out += '\n';
  }
  return out;
}

namespace {

// Where the extension's dot is, or npos when the file name has none.
std::size_t ExtensionDot(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t sep = path.find_last_of("/\\");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return std::string::npos;
  return dot;
}

}  // namespace

std::string WorldFilePath(const std::string& picturePath) {
  const std::size_t dot = ExtensionDot(picturePath);
  if (dot == std::string::npos || dot + 1 >= picturePath.size()) {
    return picturePath.substr(0, dot) + ".wld";
  }
  const std::string ext = picturePath.substr(dot + 1);
  std::string upperExt = ext;
  for (char& ch : upperExt) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  // .jpeg and .tiff are named as .jpg and .tif.
  const std::string stem = upperExt == "JPEG"   ? ext.substr(0, 2) + ext[3]
                           : upperExt == "TIFF" ? ext.substr(0, 3)
                                                : ext;
  const bool upper = std::isupper(static_cast<unsigned char>(stem.back())) != 0;
  const std::string named = stem.size() >= 2 ? std::string{stem.front(), stem.back()} : stem;
  return picturePath.substr(0, dot + 1) + named + (upper ? "W" : "w");
}

std::string PrjFilePath(const std::string& picturePath) {
  const std::size_t dot = ExtensionDot(picturePath);
  return picturePath.substr(0, dot) + ".prj";
}

}  // namespace zelko
