// Speed of the transformation fit and of the grid tracing that runs on every repaint.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "coords/crs.h"
#include "coords/fit.h"
#include "coords/grid.h"
#include "coords/transform.h"
#include "document/numbers.h"

namespace {

std::string Text(double v) {
  char buf[32];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// A gently curved mapping of a 1000 × 700 image onto about 500 × 350 physical units.
double MapX(double x, double y) { return 0.5 * x + 0.01 * y + 2e-5 * x * y - 3e-9 * x * x * x; }
double MapY(double x, double y) {
  return 350 - 0.5 * y + 0.02 * x + 1e-5 * y * y + 2e-9 * x * y * y;
}

std::vector<zelko::MarkerRowText> Markers(int count) {
  std::vector<zelko::MarkerRowText> rows;
  for (int i = 0; i < count; ++i) {
    const double x = std::fmod(i * 37.3, 1000.0), y = std::fmod(i * 91.7, 700.0);
    rows.push_back(
        {zelko::FormatFixed(x, 1), zelko::FormatFixed(y, 1), Text(MapX(x, y)), Text(MapY(x, y))});
  }
  return rows;
}

// A floor photographed from 310 cm up by a camera tilted 35° from straight down (focal length
// 1000 pixels, centred on the 1000 × 700 image); ground X across, Y away from the camera, in cm.
constexpr double kTilt = 35 * 3.14159265358979323846 / 180, kHeight = 310, kFocal = 1000;

void FloorAt(double x, double y, double& X, double& Y) {
  const double u = (x - 500) / kFocal, v = (y - 350) / kFocal;
  const double t = kHeight / (v * std::sin(kTilt) + std::cos(kTilt));
  X = t * u;
  Y = t * (std::cos(kTilt) * -v + std::sin(kTilt));
}

// Markers on that floor, measured to within about a millimetre (a fixed pseudo-random sequence),
// so the linear start is not already the least-squares optimum and the refinement has to iterate.
std::vector<zelko::MarkerRowText> ObliqueMarkers(int count) {
  std::vector<zelko::MarkerRowText> rows;
  std::uint64_t state = 0x2545f4914f6cdd1dULL;
  const auto noise = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;  // [-0.5, 0.5)
  };
  for (int i = 0; i < count; ++i) {
    const double x = std::fmod(i * 37.3, 1000.0), y = std::fmod(i * 91.7, 700.0);
    double X = 0, Y = 0;
    FloorAt(x, y, X, Y);
    rows.push_back({zelko::FormatFixed(x, 1), zelko::FormatFixed(y, 1), Text(X + 0.2 * noise()),
                    Text(Y + 0.2 * noise())});
  }
  return rows;
}

void BM_FitCubic1000Markers(benchmark::State& state) {
  const auto rows = Markers(1000);
  for (auto _ : state) {
    auto fit = zelko::FitTransform(zelko::tmCubic, rows, {}, {});
    if (!fit.ok) state.SkipWithError("fit failed");
    benchmark::DoNotOptimize(fit);
  }
}
BENCHMARK(BM_FitCubic1000Markers)->Unit(benchmark::kMillisecond);

void BM_FitProjective1000Markers(benchmark::State& state) {
  const auto rows = ObliqueMarkers(1000);
  // A fit that missed the floor by more than a few millimetres would time the wrong work.
  const auto check = zelko::FitTransform(zelko::tmProjective, rows, {}, {});
  for (const auto& [x, y] : {std::pair{0.0, 0.0}, {1000.0, 0.0}, {0.0, 700.0}, {1000.0, 700.0}}) {
    double X = 0, Y = 0;
    FloorAt(x, y, X, Y);
    if (!check.ok ||
        std::hypot(zelko::EvaluateTransform(zelko::tmProjective, check.Cx, x, y) - X,
                   zelko::EvaluateTransform(zelko::tmProjective, check.Cy, x, y) - Y) > 0.5)
      state.SkipWithError("the fit does not reproduce the floor");
  }
  for (auto _ : state) {
    auto fit = zelko::FitTransform(zelko::tmProjective, rows, {}, {});
    if (!fit.ok) state.SkipWithError("fit failed");
    benchmark::DoNotOptimize(fit);
  }
}
BENCHMARK(BM_FitProjective1000Markers)->Unit(benchmark::kMillisecond);

// Both axes at 1000 × 1000 positions spread over the image, as a table of a million points needs.
void EvaluateMillion(benchmark::State& state, int method, const std::vector<double>& cx,
                     const std::vector<double>& cy) {
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < 1000; ++i)
      for (int j = 0; j < 1000; ++j) {
        const double x = i * 0.999, y = j * 0.699;
        sum +=
            zelko::EvaluateTransform(method, cx, x, y) + zelko::EvaluateTransform(method, cy, x, y);
      }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}

void BM_EvaluateCubic1MPoints(benchmark::State& state) {
  const auto fit = zelko::FitTransform(zelko::tmCubic, Markers(1000), {}, {});
  if (!fit.ok) state.SkipWithError("fit failed");
  EvaluateMillion(state, zelko::tmCubic, fit.Cx, fit.Cy);
}
BENCHMARK(BM_EvaluateCubic1MPoints)->Unit(benchmark::kMillisecond);

void BM_EvaluateProjective1MPoints(benchmark::State& state) {
  const auto fit = zelko::FitTransform(zelko::tmProjective, ObliqueMarkers(1000), {}, {});
  if (!fit.ok) state.SkipWithError("fit failed");
  EvaluateMillion(state, zelko::tmProjective, fit.Cx, fit.Cy);
}
BENCHMARK(BM_EvaluateProjective1MPoints)->Unit(benchmark::kMillisecond);

void TraceAndCount(benchmark::State& state, int method, const std::vector<double>& cx,
                   const std::vector<double>& cy, int side = 0) {
  std::size_t lines = 0;
  for (auto _ : state) {
    auto trace = zelko::TraceGrid(method, cx, cy, {0, 0, 1}, 1000, 700, "10", side);
    if (!trace.ok) state.SkipWithError("grid failed");
    lines = trace.lines.size();
    benchmark::DoNotOptimize(trace);
  }
  state.counters["lines"] = static_cast<double>(lines);
}

void BM_GridNoTransform(benchmark::State& state) {
  TraceAndCount(state, zelko::tmNone, {0, 1, 0}, {700, 0, -1});
}
BENCHMARK(BM_GridNoTransform)->Unit(benchmark::kMillisecond);

void BM_GridLinearHalfScale(benchmark::State& state) {
  TraceAndCount(state, zelko::tmLinear, {0, 0.5, 0}, {350, 0, -0.5});
}
BENCHMARK(BM_GridLinearHalfScale)->Unit(benchmark::kMillisecond);

void BM_GridFittedCubic(benchmark::State& state) {
  const auto fit = zelko::FitTransform(zelko::tmCubic, Markers(200), {}, {});
  TraceAndCount(state, zelko::tmCubic, fit.Cx, fit.Cy);
}
BENCHMARK(BM_GridFittedCubic)->Unit(benchmark::kMillisecond);

void BM_GridFittedProjective(benchmark::State& state) {
  const auto fit = zelko::FitTransform(zelko::tmProjective, ObliqueMarkers(200), {}, {});
  // The whole image lies on the markers' side of the vanishing line, where the denominator is
  // positive.
  TraceAndCount(state, zelko::tmProjective, fit.Cx, fit.Cy, 1);
}
BENCHMARK(BM_GridFittedProjective)->Unit(benchmark::kMillisecond);

// Half a million positions typed in plane rectangular zone IX (X north, Y east, a 20 km field)
// converted to longitude/latitude with one PROJ operation. Target: well under a second.
void BM_CrsToLonLat(benchmark::State& state) {
  const zelko::CrsResult r = zelko::Crs::FromEpsg(6677);
  if (!r.crs) {
    state.SkipWithError(r.error.c_str());
    return;
  }
  std::vector<zelko::XY> table;
  for (int i = 0; i < 500000; ++i)
    table.push_back({-10000 + std::fmod(i * 37.3, 20000.0), -10000 + std::fmod(i * 91.7, 20000.0)});
  std::vector<zelko::XY> lonLat;
  for (auto _ : state) {
    r.crs->ToLonLat(table, lonLat);
    benchmark::DoNotOptimize(lonLat.data());
  }
}
BENCHMARK(BM_CrsToLonLat)->Unit(benchmark::kMillisecond);

// The same positions measured as 10,000 closed groups of 50 points, ground and grid.
void BM_MeasureInCrs(benchmark::State& state) {
  const zelko::CrsResult r = zelko::Crs::FromEpsg(6677);
  if (!r.crs) {
    state.SkipWithError(r.error.c_str());
    return;
  }
  std::vector<std::vector<zelko::XY>> groups(10000);
  for (int g = 0; g < 10000; ++g)
    for (int i = 0; i < 50; ++i) {
      const double angle = i * 2 * 3.141592653589793 / 50;
      groups[g].push_back({g * 2.0 + 30 * std::sin(angle), g * 1.5 + 30 * std::cos(angle)});
    }
  for (auto _ : state)
    for (const auto& p : groups) benchmark::DoNotOptimize(zelko::MeasureInCrs(*r.crs, p, true));
}
BENCHMARK(BM_MeasureInCrs)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
