// A repaint of the view: the window's part of a large working image, the overview with its
// frame, and the markers; it should cost in proportion to the view, not to the image.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "render/view_render.h"

namespace {

using namespace zelko;

QGuiApplication& App() {
  static int argc = 1;
  static char name[] = "bench_view";
  static char* argv[] = {name, nullptr};
  static auto* app = new QGuiApplication(argc, argv);
  return *app;
}

void BM_Repaint40Megapixels(benchmark::State& state) {
  App();
  QImage working(7746, 5164, QImage::Format_BGR888);  // 40 megapixels
  working.fill(QColor(40, 120, 60));
  QImage small = working.scaled(401, 267);
  SymbolSettings sym;
  ApplyDefaultSymbols(sym);
  std::vector<TMarker> markers;
  for (int i = 0; i < 20; ++i) markers.push_back({"", 30.0 * i, 20.0 * i});
  ViewWindow w;
  w.BitWidth = working.width();
  w.BitHeight = working.height();
  const bool corner = state.range(0) == 0;
  for (auto _ : state) {
    PlaceViewWindow(w, 1000, 700, corner ? 0 : 4000, corner ? 0 : 3000);
    QImage picture = ViewPicture(working, w);
    QImage overview = OverviewPicture(small, w, sym);
    DrawMarkers(picture, w, markers, static_cast<int>(markers.size()), 3, sym);
    benchmark::DoNotOptimize(picture.constBits());
    benchmark::DoNotOptimize(overview.constBits());
  }
}
BENCHMARK(BM_Repaint40Megapixels)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
