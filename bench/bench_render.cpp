// The repaint of the groups on a large project: 10,000 groups of 50 points drawn onto a
// 1000 x 700 view picture.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cmath>
#include <string>
#include <vector>

#include "render/symbols.h"
#include "render/view_render.h"

namespace {

using namespace zelko;

constexpr int kGroups = 10000;
constexpr int kPointsPerGroup = 50;
constexpr int kViewWidth = 1000, kViewHeight = 700;

// Groups of every kind on a 100 x 100 lattice 40 pixels apart over a 4000-pixel image.
std::vector<TLine> MakeProject() {
  std::vector<TLine> lines(kGroups);
  for (int g = 0; g < kGroups; ++g) {
    TLine& line = lines[g];
    line.LineType = static_cast<std::uint8_t>(g % 3);
    const double cx = 20 + (g % 100) * 40, cy = 20 + (g / 100) * 40;
    for (int j = 0; j < kPointsPerGroup; ++j) {
      const double t = 2 * 3.141592653589793 * j / kPointsPerGroup;
      line.Points.push_back({std::to_string(j + 1), cx + 15 * std::cos(t), cy + 12 * std::sin(t)});
    }
    line.NumPoints = kPointsPerGroup;
  }
  return lines;
}

void RunDrawGroups(benchmark::State& state, double factor, double xb0, double yb0) {
  const std::vector<TLine> lines = MakeProject();
  SymbolSettings s;
  ViewWindow w;
  w.factor = factor;
  w.BitWidth = static_cast<int>(4000 * factor);
  w.BitHeight = static_cast<int>(4000 * factor);
  w.XB0 = xb0;
  w.YB0 = yb0;
  w.SWidth = kViewWidth;
  w.SHeight = kViewHeight;
  GroupDrawing d;
  d.highlighted.assign(lines.size(), false);
  d.highlighted[5050] = true;
  d.selectedGroup = 5050;
  d.selectedPoint = 3;
  QImage picture(kViewWidth, kViewHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    picture.fill(Qt::black);
    DrawGroups(picture, w, lines, d, s);
    benchmark::DoNotOptimize(picture.constBits());
  }
}

// Zoomed in at magnification 3 near the middle of the image: about 25 x 18 image pixels of
// lattice per 100 view pixels, so some 150 of the 10,000 groups are visible.
void BM_DrawGroupsZoomedIn(benchmark::State& state) { RunDrawGroups(state, 3, 6000, 6000); }
BENCHMARK(BM_DrawGroupsZoomedIn)->Unit(benchmark::kMillisecond);

// For comparison: the whole image at magnification 0.175, every group visible.
void BM_DrawGroupsWholeImage(benchmark::State& state) { RunDrawGroups(state, 0.175, 0, 0); }
BENCHMARK(BM_DrawGroupsWholeImage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
