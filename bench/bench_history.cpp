// The history on a large project (10,000 groups of 50 points): what an edit costs for being
// undoable, and what taking it back and making it again cost.
#include <benchmark/benchmark.h>

#include <vector>

#include "document/document.h"

namespace {

using namespace zelko;

DocumentData LargeProject() {
  DocumentData d;
  d.Lines.resize(10000);
  for (std::size_t g = 0; g < d.Lines.size(); ++g) {
    TLine& l = d.Lines[g];
    for (int p = 0; p < 50; ++p)
      l.Points.push_back({PointLabel::Number(p + 1), 1.0 * g + p, 2.0 * p});
    l.NumPoints = 50;
  }
  return d;
}

// One point moved in the middle of the project.
void BM_EditPoint(benchmark::State& state) {
  Document doc;
  doc.Reset(LargeProject());
  double x = 0;
  for (auto _ : state) {
    doc.Edit("ポイント移動", kPartGroups, [&](DocumentData& d) {
      d.Lines[5000].Points[25].x = ++x;
      return true;
    });
  }
}
BENCHMARK(BM_EditPoint)->Unit(benchmark::kMillisecond);

// Undo and redo of a deletion of half the groups.
void BM_UndoRedoGroupDeletion(benchmark::State& state) {
  Document doc;
  doc.Reset(LargeProject());
  doc.Edit("グループ削除", kPartGroups, [](DocumentData& d) {
    d.Lines.erase(d.Lines.begin() + 2500, d.Lines.begin() + 7500);
    return true;
  });
  for (auto _ : state) {
    doc.Undo();
    doc.Redo();
  }
}
BENCHMARK(BM_UndoRedoGroupDeletion)->Unit(benchmark::kMillisecond);

// Undo and redo of one moved point.
void BM_UndoRedoPointMove(benchmark::State& state) {
  Document doc;
  doc.Reset(LargeProject());
  doc.Edit("ポイント移動", kPartGroups, [](DocumentData& d) {
    d.Lines[5000].Points[25].x = -1;
    return true;
  });
  for (auto _ : state) {
    doc.Undo();
    doc.Redo();
  }
}
BENCHMARK(BM_UndoRedoPointMove)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
