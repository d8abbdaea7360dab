// The pixels of a slider step without the window (BM_ViewPixelsStep; bench_window times the
// step in the real window): the view window's pixels and the overview, straight
// from the loaded photograph, for a 1600 x 1000 view; against copying such a view. A JPEG load
// against libjpeg-turbo decoding into a buffer it keeps. Run with "memory" as the only argument
// for the peak memory of a 100-megapixel photograph viewed at the largest scale, turned 30
// degrees ("memory rebuild": the same with the whole working image rebuilt, as before).
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <QApplication>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/image_file.h"
#include "imaging/image_formats.h"
#include "imaging/jpeg_codec.h"
#include "imaging/working_image.h"
#include "render/bitmap_image.h"
#include "render/live_picture.h"
#include "render/symbols.h"
#include "render/view_render.h"
#include "synthetic_photo.h"

namespace {

using namespace zelko;

constexpr int kViewWidth = 1600, kViewHeight = 1000;
constexpr int kOverviewWidth = 401, kOverviewHeight = 271;

QApplication& App() {
  static int argc = 3;
  static char name[] = "bench_live", opt[] = "-platform", platform[] = "offscreen";
  static char* argv[] = {name, opt, platform, nullptr};
  // The groups' benchmarks of this program may have made it first.
  static auto* app = QCoreApplication::instance()
                         ? static_cast<QApplication*>(QCoreApplication::instance())
                         : new QApplication(argc, argv);
  return *app;
}

using bench::SyntheticPhoto;

// 24 and 100 megapixels, made once.
const Bitmap& Photo(int megapixels) {
  static std::map<int, std::unique_ptr<Bitmap>> photos;
  auto& p = photos[megapixels];
  if (!p) {
    p = std::make_unique<Bitmap>(megapixels == 24 ? SyntheticPhoto(6000, 4000)
                                                  : SyntheticPhoto(12248, 8165));
  }
  return *p;
}

WorkingImageSettings Settings(double factor, float angle, int strength) {
  WorkingImageSettings s;
  s.contrast = true;
  s.strength = strength / 100.0;
  s.factor = factor;
  s.rotationAngle = angle;
  s.overviewWidth = kOverviewWidth;
  s.overviewHeight = kOverviewHeight;
  return s;
}

enum class Scale { kFit, kFactor, kMax };

// The magnification a benchmark runs at: fitted to the view, as given, or the largest.
double ViewFactor(const Bitmap& original, Scale scale, double factor, float angle) {
  const int W = original.Width(), H = original.Height();
  if (scale == Scale::kFit) return FitFactor(W, H, angle, kViewWidth, kViewHeight);
  if (scale == Scale::kMax) return MaxFactor(W, H, angle);
  return factor;
}

// One contrast step: the definition takes the new strength, the overview and the window's
// picture are made as TForm1::BuildWorkingImage and PaintPicture make them.
void SliderStep(benchmark::State& state, int megapixels, Scale scale, double factor, float angle) {
  App();
  const Bitmap& original = Photo(megapixels);
  factor = ViewFactor(original, scale, factor, angle);
  LiveWorkingImage live;
  SymbolSettings sym;
  ApplyDefaultSymbols(sym);
  QImage bare, small;
  ViewWindow w;
  auto step = [&](int strength) {
    const BuildResult r = live.Define(original, Settings(factor, angle, strength));
    if (!r.ok) state.SkipWithError(r.error.c_str());
    small = LiveOverview(live);
    w.factor = factor;
    w.BitWidth = live.Width();
    w.BitHeight = live.Height();
    // The view at the picture's centre.
    PlaceViewWindow(w, kViewWidth, kViewHeight, live.Width() / 2.0, live.Height() / 2.0);
    LiveViewPicture(live, w, bare);
    QImage overview = OverviewPicture(small, w, sym);
    benchmark::DoNotOptimize(overview.constBits());
    benchmark::DoNotOptimize(bare.constBits());
  };
  step(50);  // the geometry, as set by the zoom or turn before the drag
  int strength = 50;
  for (auto _ : state) {
    strength = strength == 50 ? 51 : 50;
    step(strength);
  }
  state.counters["working_MP"] = static_cast<double>(live.Width()) * live.Height() / 1e6;
  state.counters["factor"] = factor;
}

void BM_ViewPixelsStep_24MP_fit(benchmark::State& s) { SliderStep(s, 24, Scale::kFit, 0, 0); }
void BM_ViewPixelsStep_24MP_100(benchmark::State& s) { SliderStep(s, 24, Scale::kFactor, 1, 0); }
void BM_ViewPixelsStep_24MP_300_30deg(benchmark::State& s) {
  SliderStep(s, 24, Scale::kFactor, 3, 30);
}
void BM_ViewPixelsStep_100MP_max_30deg(benchmark::State& s) {
  SliderStep(s, 100, Scale::kMax, 0, 30);
}
BENCHMARK(BM_ViewPixelsStep_24MP_fit)
    ->Name("BM_ViewPixelsStep/24MP/fit")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewPixelsStep_24MP_100)
    ->Name("BM_ViewPixelsStep/24MP/100")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewPixelsStep_24MP_300_30deg)
    ->Name("BM_ViewPixelsStep/24MP/300_30deg")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewPixelsStep_100MP_max_30deg)
    ->Name("BM_ViewPixelsStep/100MP/max_30deg")
    ->Unit(benchmark::kMillisecond);

// The same step as it was before the view was computed from the definition: the whole working
// image and its overview rebuilt, then the view's window copied out of it (kept for the record
// in bench/README.md; the export still makes the whole image this way).
void RebuildStep(benchmark::State& state, int megapixels, Scale scale, double factor, float angle) {
  App();
  const Bitmap& original = Photo(megapixels);
  factor = ViewFactor(original, scale, factor, angle);
  WorkingImage built;
  SymbolSettings sym;
  ApplyDefaultSymbols(sym);
  int strength = 50;
  for (auto _ : state) {
    strength = strength == 50 ? 51 : 50;
    const BuildResult r = BuildWorkingImage(original, Settings(factor, angle, strength), built);
    if (!r.ok) state.SkipWithError(r.error.c_str());
    const QImage working = WrapBitmap(built.image);
    ViewWindow w;
    w.factor = factor;
    w.BitWidth = working.width();
    w.BitHeight = working.height();
    PlaceViewWindow(w, kViewWidth, kViewHeight, w.BitWidth / 2.0, w.BitHeight / 2.0);
    QImage picture = ViewPicture(working, w);
    QImage overview = OverviewPicture(WrapBitmap(built.small), w, sym);
    benchmark::DoNotOptimize(picture.constBits());
    benchmark::DoNotOptimize(overview.constBits());
  }
}
void BM_RebuildStep_24MP_fit(benchmark::State& s) { RebuildStep(s, 24, Scale::kFit, 0, 0); }
void BM_RebuildStep_24MP_100(benchmark::State& s) { RebuildStep(s, 24, Scale::kFactor, 1, 0); }
void BM_RebuildStep_24MP_300_30deg(benchmark::State& s) {
  RebuildStep(s, 24, Scale::kFactor, 3, 30);
}
void BM_RebuildStep_100MP_max_30deg(benchmark::State& s) {
  RebuildStep(s, 100, Scale::kMax, 0, 30);
}
BENCHMARK(BM_RebuildStep_24MP_fit)->Name("BM_RebuildStep/24MP/fit")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildStep_24MP_100)->Name("BM_RebuildStep/24MP/100")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildStep_24MP_300_30deg)
    ->Name("BM_RebuildStep/24MP/300_30deg")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_RebuildStep_100MP_max_30deg)
    ->Name("BM_RebuildStep/100MP/max_30deg")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// The yardstick: copying a 1600 x 1000 24-bit view.
void BM_ViewCopy(benchmark::State& state) {
  const Bitmap view = SyntheticPhoto(kViewWidth, kViewHeight);
  Bitmap copy(kViewWidth, kViewHeight, 24);
  for (auto _ : state) {
    std::memcpy(copy.Bits(), view.Bits(), static_cast<std::size_t>(view.ByteSize()));
    benchmark::DoNotOptimize(copy.Bits());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ViewCopy)->Unit(benchmark::kMillisecond);

const std::vector<std::uint8_t>& Jpeg24() {
  static const std::vector<std::uint8_t> bytes = EncodeJpeg(Photo(24), 90);
  return bytes;
}

const std::string& JpegPath() {
  static const std::string path = [] {
    const std::string p = "/tmp/zelko_bench_live_24mp.jpg";
    if (!WriteImageFileAtomically(p, Jpeg24())) std::abort();
    return p;
  }();
  return path;
}

// The program's load of a JPEG file: reading it, choosing the decoder by content, decoding
// into the bitmap the new image lives in (a new one each time, as each opened image has).
void BM_JpegLoad(benchmark::State& state) {
  const std::string& path = JpegPath();
  for (auto _ : state) {
    DecodedImage d = LoadImage(path, MachineDecodeLimits());
    benchmark::DoNotOptimize(d.bitmap.Bits());
  }
}
BENCHMARK(BM_JpegLoad)->Name("BM_JpegLoad/24MP")->Unit(benchmark::kMillisecond);

// libjpeg-turbo alone, decoding into the same buffer every time: the buffer is made and touched
// before the timing, so that no iteration pays for it.
void BM_LibjpegDecode(benchmark::State& state) {
  const std::vector<std::uint8_t>& bytes = Jpeg24();
  std::vector<unsigned char> pixels(static_cast<std::size_t>(Photo(24).Width()) * 3 *
                                        static_cast<std::size_t>(Photo(24).Height()),
                                    1);
  for (auto _ : state) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * 3;
    pixels.resize(stride * cinfo.output_height);
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height) {
      const unsigned y = cinfo.output_scanline;
      const unsigned n = std::min(16u, cinfo.output_height - y);
      for (unsigned i = 0; i < n; ++i) rows[i] = pixels.data() + stride * (y + i);
      jpeg_read_scanlines(&cinfo, rows, n);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_LibjpegDecode)->Name("BM_LibjpegDecode/24MP")->Unit(benchmark::kMillisecond);

// Peak resident memory of viewing a 100-megapixel photograph at fmax turned 30 degrees, with a
// zoom, a few pans and slider steps, against the loaded image's size.
// With rebuild, the way it was before: the whole working image made for every step.
int MeasureMemory(bool rebuild) {
  App();
  std::ofstream("/proc/self/clear_refs") << "5";
  const Bitmap& original = Photo(100);
  const double loadedMb = static_cast<double>(original.ByteSize()) / 1e6;
  const double fmax = MaxFactor(original.Width(), original.Height(), 30);
  LiveWorkingImage live;
  SymbolSettings sym;
  ApplyDefaultSymbols(sym);
  QImage bare, small;
  ViewWindow w;
  WorkingImage built;
  for (int strength = 40; strength < 60; ++strength) {
    if (rebuild) {
      const BuildResult r = BuildWorkingImage(original, Settings(fmax, 30, strength), built);
      if (!r.ok) return 1;
      const QImage working = WrapBitmap(built.image);
      w.factor = fmax;
      w.BitWidth = working.width();
      w.BitHeight = working.height();
      PlaceViewWindow(w, kViewWidth, kViewHeight, w.BitWidth * (strength - 39) / 21.0,
                      w.BitHeight / 2.0);
      QImage picture = ViewPicture(working, w);
      QImage overview = OverviewPicture(WrapBitmap(built.small), w, sym);
      benchmark::DoNotOptimize(picture.constBits());
      benchmark::DoNotOptimize(overview.constBits());
      continue;
    }
    const BuildResult r = live.Define(original, Settings(fmax, 30, strength));
    if (!r.ok) {
      std::fprintf(stderr, "%s\n", r.error.c_str());
      return 1;
    }
    small = LiveOverview(live);
    w.factor = fmax;
    w.BitWidth = live.Width();
    w.BitHeight = live.Height();
    PlaceViewWindow(w, kViewWidth, kViewHeight, live.Width() * (strength - 39) / 21.0,
                    live.Height() / 2.0);
    LiveViewPicture(live, w, bare);
    QImage overview = OverviewPicture(small, w, sym);
    benchmark::DoNotOptimize(overview.constBits());
  }
  const double peakMb = static_cast<double>(ReadMemoryStatus().processPeakResident) / 1e6;
  std::printf(
      "%s: loaded image %.1f MB (%d x %d) at %.2f, peak %.1f MB = %.2f x the loaded image\n",
      rebuild ? "whole working image" : "view window only", loadedMb, original.Width(),
      original.Height(), fmax, peakMb, peakMb / loadedMb);
  return 0;
}

}  // namespace

#if __has_include("live_groups.inc")
#include "live_groups.inc"
#endif

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "memory")
    return MeasureMemory(argc == 3 && std::string(argv[2]) == "rebuild");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
