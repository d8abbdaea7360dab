// Live work as the user feels it: the real main window (offscreen) with a photograph open, one
// contrast value set through the slider, then events processed until the view has painted; and
// a pan of a turned, enlarged view through the tool button. The counters tell how many paint
// events the whole window took for it (ZELKO_BENCH_PAINTS=1 names each painted widget on
// stderr). Against BM_ViewCopy32: copying the 32-bit 1600 x 1000 picture the view holds.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "app/dialogs.h"
#include "app/form.h"
#include "app/image_page.h"
#include "app/view_widget.h"
#include "app/widgets.h"
#include "imaging/image_file.h"
#include "imaging/jpeg_codec.h"
#include "synthetic_photo.h"

namespace {

using namespace zelko;

constexpr int kViewWidth = 1600, kViewHeight = 1000;

QApplication& App() {
  static int argc = 3;
  static char name[] = "bench_window", opt[] = "-platform", platform[] = "offscreen";
  static char* argv[] = {name, opt, platform, nullptr};
  static auto* app = new QApplication(argc, argv);
  return *app;
}

// The photographs as files, made once: 24 and 100 megapixels.
std::string PhotoFile(int megapixels) {
  static std::map<int, std::string> files;
  std::string& path = files[megapixels];
  if (path.empty()) {
    path = "/tmp/zelko_bench_window_" + std::to_string(megapixels) + "mp.jpg";
    const Bitmap photo =
        megapixels == 24 ? bench::SyntheticPhoto(6000, 4000) : bench::SyntheticPhoto(12248, 8165);
    if (!WriteImageFileAtomically(path, EncodeJpeg(photo, 90))) std::abort();
  }
  return path;
}

// Counts paint events anywhere in the window, and notes when the view itself has painted.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QWidget* view) : view_(view) { qApp->installEventFilter(this); }
  ~PaintWatch() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      ++paints;
      if (std::getenv("ZELKO_BENCH_PAINTS"))
        std::fprintf(stderr, "paint %s %s\n", o->metaObject()->className(),
                     qPrintable(o->objectName()));
      if (o == view_) viewPainted = true;
    }
    return false;
  }
  // Processes events until the view has painted and nothing is left to do.
  void WaitForView() {
    viewPainted = false;
    for (int i = 0; i < 100000 && !viewPainted; ++i)
      QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  long paints = 0;
  bool viewPainted = false;

 private:
  QWidget* view_;
};

// A message the window shows would wait for a click that never comes: it is closed and told.
class MessageWatch : public QObject {
 public:
  MessageWatch() {
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, [this] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) message += box->text().toStdString();
        if (message.empty()) message = "a dialog appeared";
        modal->close();
      }
    });
    timer_.start();
  }
  std::string message;

 private:
  QTimer timer_;
};

struct Window {
  explicit Window(int megapixels) : dialogs(nullptr), form(dialogs) {
    dialogs.SetParent(&form);
    form.resize(2100, 1200);
    form.show();
    // The view the size the yardstick copies.
    const QSize extra = QSize(kViewWidth, kViewHeight) - form.Image1->size();
    form.resize(form.size() + extra);
    QCoreApplication::processEvents();
    form.FormShow({QString::fromStdString(PhotoFile(megapixels))});
    QCoreApplication::processEvents();
  }
  ImagePage& page() { return *form.pageImage; }
  void Type(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
  }
  void Turn(const char* angle) {
    page().RadioGroupAngle->SetItemIndex(4);
    Type(page().EditAngle, angle);
  }
  MessageWatch messages;
  QtDialogs dialogs;
  TForm1 form;
};

enum class Scale { kFit, kPercent, kMax };

void Place(Window& w, Scale scale, const char* percent, const char* angle) {
  if (angle) w.Turn(angle);
  if (scale == Scale::kPercent) w.Type(w.page().EditSizeRatio, percent);
  // The largest scale: enlarged until the window says it can go no further.
  if (scale == Scale::kMax) {
    for (int i = 0; i < 20 && w.messages.message.empty(); ++i)
      QTest::mouseClick(w.form.ToolButtonEnlarge, Qt::LeftButton);
    w.messages.message.clear();
  }
  QCoreApplication::processEvents();
}

void WindowSliderStep(benchmark::State& state, int megapixels, Scale scale, const char* percent,
                      const char* angle) {
  App();
  Window w(megapixels);
  if (!w.messages.message.empty()) {
    state.SkipWithError(w.messages.message.c_str());
    for (auto _ : state) {
    }
    return;
  }
  w.page().CheckBoxContrast->click();
  Place(w, scale, percent, angle);
  PaintWatch watch(w.form.Image1);
  watch.WaitForView();
  QSlider* slider = w.page().TrackBar1;
  const long before = watch.paints;
  int value = 50;
  for (auto _ : state) {
    value = value == 50 ? 51 : 50;
    slider->setValue(value);
    watch.WaitForView();
  }
  state.counters["paints_per_step"] =
      static_cast<double>(watch.paints - before) / static_cast<double>(state.iterations());
  state.counters["percent"] = w.page().EditSizeRatio->text().toDouble();
  if (!w.messages.message.empty()) state.SetLabel("told: " + w.messages.message);
  w.form.Doc().MarkSaved();
}

void BM_WindowSliderStep_24MP_fit(benchmark::State& s) {
  WindowSliderStep(s, 24, Scale::kFit, nullptr, nullptr);
}
void BM_WindowSliderStep_24MP_100(benchmark::State& s) {
  WindowSliderStep(s, 24, Scale::kPercent, "100", nullptr);
}
void BM_WindowSliderStep_24MP_300_30deg(benchmark::State& s) {
  WindowSliderStep(s, 24, Scale::kPercent, "300", "30");
}
void BM_WindowSliderStep_100MP_max_30deg(benchmark::State& s) {
  WindowSliderStep(s, 100, Scale::kMax, nullptr, "30");
}
BENCHMARK(BM_WindowSliderStep_24MP_fit)
    ->Name("BM_WindowSliderStep/24MP_fit")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowSliderStep_24MP_100)
    ->Name("BM_WindowSliderStep/24MP_100")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowSliderStep_24MP_300_30deg)
    ->Name("BM_WindowSliderStep/24MP_300_30deg")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowSliderStep_100MP_max_30deg)
    ->Name("BM_WindowSliderStep/100MP_max_30deg")
    ->Unit(benchmark::kMillisecond);

// A pan of a turned, enlarged view: the tool button clicked, events processed until painted.
void BM_WindowPan_24MP_300_30deg(benchmark::State& state) {
  App();
  Window w(24);
  Place(w, Scale::kPercent, "300", "30");
  PaintWatch watch(w.form.Image1);
  watch.WaitForView();
  const long before = watch.paints;
  bool right = true;
  for (auto _ : state) {
    QTest::mouseClick(right ? w.form.ToolButtonRight : w.form.ToolButtonLeft, Qt::LeftButton);
    right = !right;
    watch.WaitForView();
  }
  state.counters["paints_per_step"] =
      static_cast<double>(watch.paints - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WindowPan_24MP_300_30deg)
    ->Name("BM_WindowPan/24MP_300_30deg")
    ->Unit(benchmark::kMillisecond);

// The yardstick: copying the 32-bit 1600 x 1000 picture the view holds.
void BM_ViewCopy32(benchmark::State& state) {
  QImage view(kViewWidth, kViewHeight, QImage::Format_RGB32);
  view.fill(Qt::darkGreen);
  QImage copy(kViewWidth, kViewHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    std::memcpy(copy.bits(), view.constBits(), static_cast<std::size_t>(view.sizeInBytes()));
    benchmark::DoNotOptimize(copy.bits());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ViewCopy32)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
