// zelko-make-oblique OUTDIR: photographs the oblique sample's made-up field through its tilted
// pinhole camera (oblique_layout.h) and writes the picture as OUTDIR/oblique.jpg, with the
// project OUTDIR/oblique.pqs that measures it in metres by the projective transformation. Every
// pixel is traced back to the ground, so the perspective is exact; everything comes from fixed
// figures and integer hashing, so two runs give the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "coords/fit.h"
#include "coords/transform.h"
#include "document/project_data.h"
#include "document/project_file.h"
#include "imaging/bitmap.h"
#include "imaging/image_file.h"
#include "imaging/jpeg_codec.h"
#include "oblique_layout.h"
#include "sample_noise.h"

namespace zelko::oblique {
namespace {

using namespace zelko::sample;

// ---------------------------------------------------------------- crop rows

// 0 on a row's middle, 1 between rows, rows along the Y axis.
double Rows(double x, double period) {
  const double p = x / period;
  return std::abs(2 * (p - std::floor(p)) - 1);
}

// ---------------------------------------------------------------- ground geometry

double SegmentDistance(Ground p, Ground a, Ground b) {
  const double vx = b.X - a.X, vy = b.Y - a.Y;
  const double len2 = vx * vx + vy * vy;
  const double t = std::clamp(((p.X - a.X) * vx + (p.Y - a.Y) * vy) / len2, 0.0, 1.0);
  const double dx = p.X - (a.X + t * vx), dy = p.Y - (a.Y + t * vy);
  return std::sqrt(dx * dx + dy * dy);
}

// Whether p lies inside a convex polygon whose corners run counter-clockwise.
bool Inside(Ground p, const std::vector<Ground>& corners) {
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const Ground a = corners[i], b = corners[(i + 1) % corners.size()];
    if ((b.X - a.X) * (p.Y - a.Y) - (b.Y - a.Y) * (p.X - a.X) < 0) return false;
  }
  return true;
}

// ---------------------------------------------------------------- what the ground looks like

Rgb RoughGrass(Ground g) {
  const double n = Fbm(g.X, g.Y, 9, 11), fine = Noise(g.X, g.Y, 0.45, 14) - 0.5;
  const Rgb lush{92, 118, 58}, dry{150, 146, 88};
  return Scale(Mix(lush, dry, std::clamp(0.45 + 1.5 * n, 0.0, 1.0)), 1 + 0.16 * fine);
}

// The field is mown in 6 m bands, alternately towards and away from the camera.
Rgb MownGrass(Ground g) {
  const double n = Fbm(g.X, g.Y, 7, 21), fine = Noise(g.X, g.Y, 0.35, 24) - 0.5;
  const bool band = int(std::floor(g.X / 6)) % 2 != 0;
  const Rgb grass{104, 142, 66}, pale{128, 156, 84};
  return Scale(Mix(grass, pale, std::clamp(0.4 + 1.3 * n, 0.0, 1.0)),
               (band ? 1.04 : 0.97) + 0.12 * fine);
}

Rgb PlotColour(const Plot& p, int index, Ground g) {
  const double n = Fbm(g.X, g.Y, 5, 100 + index), fine = Noise(g.X, g.Y, 0.3, 110 + index) - 0.5;
  if (p.crop == Crop::Arable) {
    // Young crop in rows 0.9 m apart over tilled soil.
    const Rgb soil{150, 112, 78}, leaves{88, 128, 54};
    const double between = Rows(g.X + 0.3 * index, 0.9);
    return Scale(Mix(leaves, soil, std::clamp(between * 1.5 - 0.35 + 0.7 * n, 0.0, 1.0)),
                 1 + 0.14 * fine);
  }
  const Rgb clover{150, 176, 74}, seed{186, 178, 92};
  return Scale(Mix(clover, seed, std::clamp(0.35 + 1.4 * n, 0.0, 1.0)), 1 + 0.1 * fine);
}

Rgb Gravel(Ground g) {
  const double n = Noise(g.X, g.Y, 0.25, 41) - 0.5, m = Fbm(g.X, g.Y, 4, 42);
  return Scale(Rgb{172, 166, 152}, 1 + 0.18 * n + 0.12 * m);
}

Rgb Dirt(Ground g, double fromCentre) {
  const double n = Fbm(g.X, g.Y, 1.5, 43);
  const Rgb dirt{192, 172, 134}, ruts{160, 140, 108};
  const bool rut = std::abs(fromCentre - kTrackWidth * 0.27) < 0.12;
  return Mix(dirt, ruts, rut ? 0.7 : std::clamp(0.2 + n, 0.0, 1.0));
}

Rgb Paint(Ground g) {
  return Scale(Rgb{240, 240, 232}, 1 + 0.05 * (Noise(g.X, g.Y, 0.2, 51) - 0.5));
}

Rgb GroundColour(Ground g) {
  // A gravel lane runs along the south side, 10 to 14 m out, and another along the west.
  if ((g.Y > -14 && g.Y < -10 && g.X > -14) || (g.X > -14 && g.X < -10 && g.Y > -14))
    return Gravel(g);
  for (const Mark& m : Marks()) {
    const double dx = g.X - m.X, dy = g.Y - m.Y;
    if (dx * dx + dy * dy > kMarkRadius * kMarkRadius) continue;
    const bool cross = std::abs(dx) < 0.08 || std::abs(dy) < 0.08;
    return cross ? Rgb{30, 30, 34} : Paint(g);
  }
  const bool inField =
      g.X > -0.1 && g.X < kFieldWidth + 0.1 && g.Y > -0.1 && g.Y < kFieldDepth + 0.1;
  if (!inField) return RoughGrass(g);
  // The boundary line, painted 0.2 m wide centred on the field's edge.
  if (g.X < 0.1 || g.X > kFieldWidth - 0.1 || g.Y < 0.1 || g.Y > kFieldDepth - 0.1) return Paint(g);

  double track = 1e300;
  for (std::size_t i = 1; i < Track().size(); ++i)
    track = std::min(track, SegmentDistance(g, Track()[i - 1], Track()[i]));
  if (track < kTrackWidth / 2) return Dirt(g, track);

  for (std::size_t i = 0; i < Plots().size(); ++i)
    if (Inside(g, Plots()[i].corners)) return PlotColour(Plots()[i], int(i), g);
  return MownGrass(g);
}

// ---------------------------------------------------------------- the photograph

// 3 x 3 samples a pixel, each traced to the ground; distance adds a little haze, the lens a
// little vignetting and the sensor a little grain.
Bitmap Photograph(const Camera& cam) {
  constexpr int kSub = 3;
  const Rgb haze{186, 196, 208}, sky{196, 210, 226};
  Bitmap b(kWidth, kHeight, 24);
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* row = b.Row(y);
    for (int x = 0; x < kWidth; ++x) {
      Rgb sum;
      for (int j = 0; j < kSub; ++j)
        for (int i = 0; i < kSub; ++i) {
          const Pt p{x + (i + 0.5) / kSub, y + (j + 0.5) / kSub};
          Ground g;
          Rgb c = sky;
          if (ToGround(cam, p, &g)) {
            const double dx = g.X - cam.centre.x, dy = g.Y - cam.centre.y;
            const double range = std::sqrt(dx * dx + dy * dy + cam.centre.z * cam.centre.z);
            c = Mix(GroundColour(g), haze, std::clamp((range - 150) / 900, 0.0, 0.2));
          }
          sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
        }
      const double u = (x + 0.5 - kPrincipal.x) / kPrincipal.x;
      const double v = (y + 0.5 - kPrincipal.y) / kPrincipal.x;
      const double light = (1 - 0.12 * (u * u + v * v)) * (1 + 0.05 * (Unit(Hash(x, y, 7)) - 0.5));
      const Rgb p = Scale(sum, light / (kSub * kSub));
      auto byte = [](double v) { return std::uint8_t(std::lround(std::clamp(v, 0.0, 255.0))); };
      row[3 * x] = byte(p.b);
      row[3 * x + 1] = byte(p.g);
      row[3 * x + 2] = byte(p.r);
    }
  }
  return b;
}

// ---------------------------------------------------------------- the project

TLine Group(std::uint16_t category, TLineType type, const Camera& cam,
            const std::vector<Ground>& pts) {
  TLine g;
  g.Sort = category;
  g.LineType = type;
  g.NumPoints = std::int32_t(pts.size());
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const Pt p = ToImage(cam, pts[i]);
    g.Points.push_back({PointLabel::Number(std::uint32_t(i + 1)), p.x, p.y});
  }
  return g;
}

ProjectData MakeProject(const Camera& cam) {
  ProjectData d;
  d.ImagePath = "oblique.jpg";
  d.Method = tmProjective;
  d.ScaleUnit = 4;  // metres
  d.MeshSize = "10";
  d.NumDecimal = "2";
  std::vector<MarkerRowText> rows;
  for (const Mark& m : Marks()) {
    const Pt p = ToImage(cam, {double(m.X), double(m.Y)});
    auto tenths = [](double v) { return std::uint16_t(std::lround(v * 10)); };
    d.Markers.push_back({tenths(p.x), tenths(p.y), std::to_string(m.X), std::to_string(m.Y)});
    const MarkerRecord& r = d.Markers.back();
    rows.push_back({MarkerTextFromTenths(r.XTenths), MarkerTextFromTenths(r.YTenths), r.X, r.Y});
  }
  const FitResult fit = FitTransform(tmProjective, rows, {}, {});
  if (!fit.ok) throw std::runtime_error("the markers do not fit: " + fit.message);
  d.Cx = fit.Cx;
  d.Cy = fit.Cy;

  d.Categories = {"畑", "牧草地", "農道"};
  for (const Plot& p : Plots())
    d.Lines.push_back(Group(p.crop == Crop::Arable ? 0 : 1, ltClosed, cam, p.corners));
  d.Lines.push_back(Group(2, ltCurve, cam, Track()));

  // The grid in yellow, so that it stands out from the white paint on the field.
  d.Colors.clMesh = 0x0000FFFF;
  d.Sizes.MarkerSize = 6;
  d.Sizes.MarkerLineWidth = 2;
  d.Sizes.RegistPointSize = 3;
  d.Sizes.PointLineWidth = 2;
  d.Notes = {
      "斜めから写した写真を射影変換で測る見本のプロジェクトです。",
      "画像 oblique.jpg は、平らな畑地を、真下から約35度傾けたカメラで写したものとしてプログラム"
      "で描いた架空の写真です。実在の土地を写したものではありません。遠くのものほど小さく"
      "写っています。",
      "白線で囲んだ区画は東西120m・南北80mです。マーカー10個は、区画の角・辺の中点・内側2か所に"
      "描いた白い円の十字の中心に置き、地上の座標をmで入力してあります。座標は絵を描いたときの"
      "値そのものなので、正確です。",
      "場所によって縮尺が変わるため、アフィン変換では面積が数％以上ずれます。座標変換は"
      "「射影変換」で設定済みです（単位：m）。",
      "分類は、畑と牧草地（閉曲線）、農道（曲線）の3つです。「測定モード」で「計算」を押すと、"
      "長さ(m)・面積(平方メートル)が出ます。",
  };
  return d;
}

int Run(const std::string& dir) {
  const Camera cam = MakeCamera();
  if (Failure failure;
      !WriteImageFileAtomically(dir + "/oblique.jpg", EncodeJpeg(Photograph(cam), 85), &failure))
    throw std::runtime_error(failure.Text());
  if (Failure failure; !WriteProjectFile(dir + "/oblique.pqs", MakeProject(cam), &failure))
    throw std::runtime_error(failure.Text());
  return 0;
}

}  // namespace
}  // namespace zelko::oblique

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: zelko-make-oblique OUTDIR\n", stderr);
    return 2;
  }
  try {
    return zelko::oblique::Run(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zelko-make-oblique: %s\n", e.what());
    return 1;
  }
}
