// Speed of the transformation fit and of the grid tracing that runs on every repaint.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

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

void BM_FitCubic1000Markers(benchmark::State& state) {
  const auto rows = Markers(1000);
  for (auto _ : state) {
    auto fit = zelko::FitTransform(zelko::tmCubic, rows, {}, {});
    if (!fit.ok) state.SkipWithError("fit failed");
    benchmark::DoNotOptimize(fit);
  }
}
BENCHMARK(BM_FitCubic1000Markers)->Unit(benchmark::kMillisecond);

void TraceAndCount(benchmark::State& state, int method, const std::vector<double>& cx,
                   const std::vector<double>& cy) {
  std::size_t lines = 0;
  for (auto _ : state) {
    auto trace = zelko::TraceGrid(method, cx, cy, {0, 0, 1}, 1000, 700, "10");
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

}  // namespace

BENCHMARK_MAIN();
