// The calculate command on a large project: 10,000 groups of 50 points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "coords/fit.h"
#include "coords/fit_covariance.h"
#include "coords/transform.h"
#include "measure/calculation.h"
#include "measure/table_text.h"
#include "measure/tables.h"
#include "measure/uncertainty.h"

namespace {

using namespace zelko;

std::string FormatNumber(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

constexpr int kGroups = 10000;
constexpr int kPointsPerGroup = 50;

std::vector<TLine> MakeProject() {
  std::vector<TLine> lines(kGroups);
  for (int g = 0; g < kGroups; ++g) {
    TLine& line = lines[g];
    line.LineType = static_cast<std::uint8_t>(g % 3);
    line.Sort = static_cast<std::uint16_t>(g % 7);
    const double cx = 100 + (g % 100) * 40, cy = 100 + (g / 100) * 40;
    for (int j = 0; j < kPointsPerGroup; ++j) {
      const double t = 2 * 3.141592653589793 * j / kPointsPerGroup;
      line.Points.push_back({std::to_string(j + 1), cx + 15 * std::cos(t), cy + 12 * std::sin(t)});
    }
    line.NumPoints = kPointsPerGroup;
  }
  return lines;
}

const std::vector<std::string> kNames{"Sort 1", "Sort 2", "Sort 3", "Sort 4",
                                      "Sort 5", "Sort 6", "Sort 7"};

// Image pixels to metres, and to degrees around Tokyo (about 0.1 m per pixel).
const std::vector<double> kMetreX{0, 0.1, 0}, kMetreY{500, 0, -0.1};
const std::vector<double> kDegreeX{139.7, 1e-6, 0}, kDegreeY{35.7, 0, -1e-6};

void BM_CalculateLinesPlane(benchmark::State& state) {
  std::vector<TLine> lines = MakeProject();
  for (auto _ : state) {
    CalculateLines(lines, tmAffine, kMetreX, kMetreY, 4);
    benchmark::DoNotOptimize(lines.data());
  }
}
BENCHMARK(BM_CalculateLinesPlane)->Unit(benchmark::kMillisecond);

void BM_CalculateLinesDegree(benchmark::State& state) {
  std::vector<TLine> lines = MakeProject();
  for (auto _ : state) {
    CalculateLines(lines, tmAffine, kDegreeX, kDegreeY, kDegreeUnit);
    benchmark::DoNotOptimize(lines.data());
  }
}
BENCHMARK(BM_CalculateLinesDegree)->Unit(benchmark::kMillisecond);

// Sixteen markers of the transformation, typed with a little error, and the fit's covariance.
UncertaintyModel ModelOf(int method, const std::vector<double>& cx, const std::vector<double>& cy,
                         bool degree) {
  std::vector<MarkerRowText> rows;
  for (int i = 0; i < 16; ++i) {
    const double x = 50 + 1300 * (i % 4) + 17 * i, y = 60 + 1300 * (i / 4) + 11 * i;
    const double miss = ((i * 7) % 5 - 2) * (degree ? 1e-7 : 0.01);
    rows.push_back({std::to_string(x), std::to_string(y),
                    FormatNumber(EvaluateTransform(method, cx, x, y) + miss),
                    FormatNumber(EvaluateTransform(method, cy, x, y) - miss)});
  }
  const FitResult fit = FitTransform(method, rows, cx, cy, degree);
  return {FitCovarianceOf(method, rows, fit.Cx, fit.Cy, degree), 0.3};
}

void CalculateWithUncertainty(benchmark::State& state, int method, const std::vector<double>& cx,
                              const std::vector<double>& cy, int unit) {
  std::vector<TLine> lines = MakeProject();
  const UncertaintyModel model = ModelOf(method, cx, cy, unit == kDegreeUnit);
  if (model.fit.share != FitShare::Known) state.SkipWithError("no covariance");
  for (auto _ : state) {
    CalculateLines(lines, method, cx, cy, unit);
    const ResultUncertainty u = PropagateUncertainty(lines, method, cx, cy, unit, model);
    ResultTable table = BuildResultTable(lines, kNames, unit, 2);
    FillResultUncertainty(table, lines, u);
    benchmark::DoNotOptimize(table.rows.data());
  }
}

// The same calculation and table without uncertainties, for comparison.
void CalculateWithout(benchmark::State& state, int method, const std::vector<double>& cx,
                      const std::vector<double>& cy, int unit) {
  std::vector<TLine> lines = MakeProject();
  for (auto _ : state) {
    CalculateLines(lines, method, cx, cy, unit);
    ResultTable table = BuildResultTable(lines, kNames, unit, 2);
    benchmark::DoNotOptimize(table.rows.data());
  }
}

const std::vector<double> kCubicX{0, 0.1, 0, 1e-8, 0, 2e-8, 0, 0, 0, 1e-12};
const std::vector<double> kCubicY{500, 0, -0.1, 0, 1e-8, 0, 0, 1e-12, 0, 0};

BENCHMARK_CAPTURE(CalculateWithout, PlaneAffine, tmAffine, kMetreX, kMetreY, 4)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CalculateWithUncertainty, PlaneAffine, tmAffine, kMetreX, kMetreY, 4)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CalculateWithout, PlaneCubic, tmCubic, kCubicX, kCubicY, 4)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CalculateWithUncertainty, PlaneCubic, tmCubic, kCubicX, kCubicY, 4)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CalculateWithout, DegreeAffine, tmAffine, kDegreeX, kDegreeY, kDegreeUnit)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CalculateWithUncertainty, DegreeAffine, tmAffine, kDegreeX, kDegreeY, kDegreeUnit)
    ->Unit(benchmark::kMillisecond);

void BM_ResultTable(benchmark::State& state) {
  std::vector<TLine> lines = MakeProject();
  CalculateLines(lines, tmAffine, kMetreX, kMetreY, 4);
  for (auto _ : state) {
    ResultTable table = BuildResultTable(lines, kNames, 4, 2);
    benchmark::DoNotOptimize(table.cells.data());
  }
}
BENCHMARK(BM_ResultTable)->Unit(benchmark::kMillisecond);

// The whole command as the window runs it: the degree unit (the slower geometry), the table
// and its clipboard text.
void BM_CalculateAndTable(benchmark::State& state) {
  std::vector<TLine> lines = MakeProject();
  for (auto _ : state) {
    CalculateLines(lines, tmCubic, {139.7, 1e-6, 0, 0, 0, 0, 0, 0, 0, 0},
                   {35.7, 0, -1e-6, 0, 0, 0, 0, 0, 0, 0}, kDegreeUnit);
    ResultTable table = BuildResultTable(lines, kNames, kDegreeUnit, 2);
    std::string text = TableToTsv(table.cells);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_CalculateAndTable)->Unit(benchmark::kMillisecond);

// The point table as the window's lazy model and zelko-cli take it: a row at a time, none kept.
void BM_PointTable(benchmark::State& state) {
  const std::vector<TLine> lines = MakeProject();
  for (auto _ : state) {
    std::size_t bytes = 0;
    ForEachPointTableRow(lines, tmAffine, kMetreX, kMetreY, 4, 2,
                         [&](const std::vector<std::string>& cells, PointRowInfo) {
                           for (const std::string& c : cells) bytes += c.size();
                         });
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_PointTable)->Unit(benchmark::kMillisecond);

// One closed group of 65,535 points whose edges all span the same two X values (a comb): a sweep
// in X alone compares every edge with every other. Target: under 0.2 s.
void BM_CrossingCheckComb(benchmark::State& state) {
  std::vector<TLine> lines(1);
  TLine& comb = lines[0];
  comb.LineType = ltClosed;
  for (int k = 0; k < 32766; ++k) {
    comb.Points.push_back({"", 0, 2.0 * k});
    comb.Points.push_back({"", 100, 2.0 * k + 1});
  }
  comb.Points.push_back({"", -1, 65532});
  comb.Points.push_back({"", -1, 0});
  comb.Points.push_back({"", -1, -1});
  comb.NumPoints = static_cast<std::int32_t>(comb.Points.size());
  for (auto _ : state) {
    const CalculateResult r = CalculateLines(lines, tmAffine, kMetreX, kMetreY, 4);
    benchmark::DoNotOptimize(r.crossing.data());
  }
}
BENCHMARK(BM_CrossingCheckComb)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
