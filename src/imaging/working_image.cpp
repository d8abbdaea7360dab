#include "imaging/working_image.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sstream>
#include <vector>

#include "document/numbers.h"
#include "imaging/bitmap_ops.h"
#include "imaging/resample_kernels.h"

namespace zelko {
namespace {

bool IsQuarterTurn(float angle) { return angle == 90.0f || angle == 180.0f || angle == 270.0f; }

double Radians(float angle) {
  return static_cast<double>(static_cast<long double>(angle) * std::numbers::pi_v<long double> /
                             180);
}

// The operations one after another, each making its own bitmap: for the layouts and sizes the
// one-pass loops leave aside (1 and 4 bits, rows at the layout's limits).
Bitmap BuildStepByStep(const Bitmap& original, const WorkingImageSettings& s, int w, int h) {
  Bitmap work = original;
  if ((s.contrast || s.adjustRgb) && work.BitsPerPixel() == 24)
    (void)AdjustColor(work, s.contrast, s.adjustRgb, s.strength, s.offsetR, s.offsetG, s.offsetB);
  if (s.factor != 1) work = ResizeBitmap(work, w, h);
  const float angle = s.rotationAngle;
  if (angle == 0.0f) return work;
  if (IsQuarterTurn(angle))
    return QuarterTurnBitmap(work, angle == 90.0f ? 0 : angle == 180.0f ? 1 : 2);
  const BitmapSize box = RotatedSize(work, angle);
  return RotateBitmap(work, box.width, box.height, box.width / 2, box.height / 2, work.Width() / 2,
                      work.Height() / 2, Radians(angle), 0);
}

void CopyHeader(const Bitmap& from, Bitmap& to) {
  to.palette = from.palette;
  to.masks = from.masks;
  to.xPixelsPerMeter = from.xPixelsPerMeter;
  to.yPixelsPerMeter = from.yPixelsPerMeter;
}

bool IsIdentity(const kernels::ColourTables& t) {
  for (int v = 0; v < 256; ++v)
    if (t.red[v] != v || t.green[v] != v || t.blue[v] != v) return false;
  return true;
}

}  // namespace

namespace detail {

// How working pixel (x, y) is found in the original: through the composed column and row
// tables, or through the rotation's inverse map and then the resize tables.
struct WorkingPlan {
  int width = 0, height = 0;  // of the working image
  bool affine = false;
  bool transposed = false;  // separable: pixel (x, y) is original(columns[y], rows[x])
  std::vector<std::int32_t> columns, rows;
  kernels::AffineInverse inv{};
  int innerWidth = 0, innerHeight = 0;  // the resized, unrotated size
};

}  // namespace detail

namespace {

using detail::WorkingPlan;

// The one-pass plan of the working image. Returns false when the layout or a size needs the
// step-by-step path. Throws for what the full build fails on.
bool PlanOnePass(const Bitmap& original, const WorkingImageSettings& s, int w, int h,
                 WorkingPlan& plan) {
  const int bpp = original.BitsPerPixel();
  if (bpp < 8) return false;
  const std::int64_t limit = kernels::RowBoundLimit(bpp);
  const int W = original.Width(), H = original.Height();
  std::vector<std::int32_t> cols, rows;
  if (s.factor != 1) {
    cols = kernels::ResizeTable(W, w);
    rows = kernels::ResizeTable(H, h);
    if (w - 1 > limit || (w > 0 && h > 0 && cols.back() > limit)) return false;
  } else {
    cols = kernels::Identity(W);
    rows = kernels::Identity(H);
  }
  if (W - 1 > limit) return false;
  if (w <= 0 || h <= 0) throw ImagingError("作業画像の大きさが 0 になります");

  const float angle = s.rotationAngle;
  if (angle == 0.0f || IsQuarterTurn(angle)) {
    const int code = angle == 90.0f ? 0 : angle == 180.0f ? 1 : 2;
    const bool turned = angle == 90.0f || angle == 270.0f;
    const int nw = turned ? h : w, nh = turned ? w : h;
    if (nw - 1 > limit) return false;
    // Compose the turn's index rule with the resize tables.
    std::vector<std::int32_t> tc, tr;
    if (angle == 0.0f) {
      tc = std::move(cols);
      tr = std::move(rows);
    } else if (code == 0) {  // resized (y, h - 1 - x)
      tc = std::move(cols);
      tr.resize(nw);
      for (int x = 0; x < nw; ++x) tr[x] = rows[h - 1 - x];
    } else if (code == 1) {  // resized (w - 1 - x, h - 1 - y)
      tc.resize(nw);
      tr.resize(nh);
      for (int x = 0; x < nw; ++x) tc[x] = cols[w - 1 - x];
      for (int y = 0; y < nh; ++y) tr[y] = rows[h - 1 - y];
    } else {  // resized (w - 1 - y, x)
      tc.resize(nh);
      for (int y = 0; y < nh; ++y) tc[y] = cols[w - 1 - y];
      tr = std::move(rows);
    }
    plan.width = nw;
    plan.height = nh;
    plan.affine = false;
    plan.transposed = turned;
    plan.columns = std::move(tc);
    plan.rows = std::move(tr);
    return true;
  }

  const BitmapSize box = RotatedSize(w, h, angle);
  if (box.width - 1 > limit) return false;
  if (box.width <= 0 || box.height <= 0) throw ImagingError("作業画像の大きさが 0 になります");
  const double a = Radians(angle);
  const double c = static_cast<double>(std::cos(static_cast<long double>(a)));
  const double sn = static_cast<double>(std::sin(static_cast<long double>(a)));
  TransformRecord record{c,
                         -sn,
                         sn,
                         c,
                         static_cast<double>(w / 2),
                         static_cast<double>(h / 2),
                         static_cast<double>(box.width / 2),
                         static_cast<double>(box.height / 2)};
  TransformSourcePoint(0, 0, &record);  // fills the inverse
  const kernels::AffineInverse inv{record.i11, record.i12, record.i21,
                                   record.i22, record.tx,  record.ty};
  kernels::CheckAffineRange(inv, box.width, box.height);
  plan.width = box.width;
  plan.height = box.height;
  plan.affine = true;
  plan.transposed = false;
  plan.inv = inv;
  plan.innerWidth = w;
  plan.innerHeight = h;
  plan.columns = std::move(cols);
  plan.rows = std::move(rows);
  return true;
}

// Builds the working image into out.image in one pass over the original. Returns false when
// the layout or a size needs the step-by-step path. Everything that can fail is checked before
// out.image is touched.
bool BuildOnePass(const Bitmap& original, const WorkingImageSettings& s, int w, int h,
                  const kernels::ColourTables* lut, WorkingImage& out) {
  WorkingPlan plan;
  if (!PlanOnePass(original, s, w, h, plan)) return false;
  out.image.Reshape(plan.width, plan.height, original.BitsPerPixel());
  CopyHeader(original, out.image);
  if (plan.affine) {
    kernels::MapAffine(original, out.image, plan.inv, plan.innerWidth, plan.innerHeight,
                       plan.columns.data(), plan.rows.data(), 0, lut);
  } else if (s.rotationAngle == 0.0f && s.factor == 1 && lut == nullptr) {
    for (int y = 0; y < plan.height; ++y)
      std::memcpy(out.image.Row(y), original.Row(y), static_cast<size_t>(original.Stride()));
  } else {
    kernels::MapSeparable(original, out.image, plan.columns.data(), plan.rows.data(),
                          plan.transposed, lut);
  }
  return true;
}

// The colour tables of the settings for a 24-bit original; null when they change nothing.
// For another layout with an adjustment switched on, message gets BitDepthMessage.
const kernels::ColourTables* ColourTablesFor(const Bitmap& original, const WorkingImageSettings& s,
                                             kernels::ColourTables& tables, std::string& message) {
  if (!(s.contrast || s.adjustRgb)) return nullptr;
  if (original.BitsPerPixel() != 24) {
    message = BitDepthMessage(original.BitsPerPixel());
    return nullptr;
  }
  tables = kernels::BuildColourTables(s.contrast, s.adjustRgb, s.strength, s.offsetR, s.offsetG,
                                      s.offsetB);
  return IsIdentity(tables) ? nullptr : &tables;
}

// The overview's size and scale for a working image of bw x bh.
void OverviewSize(int bw, int bh, const WorkingImageSettings& s, int& qw, int& qh, double& f2) {
  f2 = std::min(static_cast<double>(s.overviewWidth) / bw,
                static_cast<double>(s.overviewHeight) / bh);
  qw = RoundHalfAway(static_cast<long double>(bw) * f2);
  qh = RoundHalfAway(static_cast<long double>(bh) * f2);
}

}  // namespace

BuildResult BuildWorkingImage(const Bitmap& original, const WorkingImageSettings& s,
                              WorkingImage& out) {
  BuildResult result;
  try {
    if (original.Empty()) throw ImagingError("画像が読み込まれていません");
    kernels::ColourTables tables;
    const kernels::ColourTables* lut = ColourTablesFor(original, s, tables, result.adjustMessage);
    const int w = RoundHalfAway(static_cast<long double>(original.Width()) * s.factor);
    const int h = RoundHalfAway(static_cast<long double>(original.Height()) * s.factor);
    if (w < 0 || h < 0) throw ImagingError("倍率が負です");
    if (!BuildOnePass(original, s, w, h, lut, out)) {
      Bitmap built = BuildStepByStep(original, s, w, h);
      if (built.Empty()) throw ImagingError("作業画像の大きさが 0 になります");
      out.image = std::move(built);
    }
    try {
      int qw = 0, qh = 0;
      double f2 = 0;
      OverviewSize(out.image.Width(), out.image.Height(), s, qw, qh, f2);
      out.small = ResizeBitmap(out.image, qw, qh);
      out.factor2 = f2;
    } catch (...) {
      // The new working image has no overview to go with it: leave nothing half made.
      out.image.Clear();
      out.small.Clear();
      out.factor2 = 0;
      throw;
    }
    result.ok = true;
  } catch (const std::exception& e) {
    result.ok = false;
    result.error = e.what();
  }
  return result;
}

struct LiveWorkingImage::State {
  const Bitmap* original = nullptr;
  WorkingImageSettings settings;
  WorkingPlan plan;
  bool fallback = false;  // full holds the whole working image and its overview
  WorkingImage full;
  bool lutOn = false;
  kernels::ColourTables tables{};
  int overviewWidth = 0, overviewHeight = 0;
  double factor2 = 0;
  // The window's pixels before the colour tables, and after them.
  Bitmap raw, adjusted;
  int key[4] = {0, 0, -1, -1};
  bool rawValid = false, adjustedValid = false;
  Bitmap rawSmall, adjustedSmall;
  bool rawSmallValid = false, adjustedSmallValid = false;
  // Affine plans: each row's run of pixels from the original (the colour tables skip the
  // background, as the full build does).
  std::vector<std::int32_t> runs, smallRuns;
  std::vector<std::int32_t> cc, rr;  // composed tables of the last request

  const Bitmap& Source() const { return fallback ? full.image : *original; }
  // The runs the colour tables keep to; null where every pixel comes from the original.
  const std::vector<std::int32_t>* Runs(const std::vector<std::int32_t>& r) const {
    return plan.affine && !fallback ? &r : nullptr;
  }
  // Pixel (xs[i], ys[j]) of the working image into out(i, j), before the colour tables;
  // contiguous says xs and ys are runs starting at xs[0] and ys[0].
  void Sample(const std::int32_t* xs, int nx, const std::int32_t* ys, int ny, bool contiguous,
              Bitmap& out);
  // The window's pixels before the colour tables (kept while the window stays).
  const Bitmap& RawWindow(int x, int y, int width, int height);
  // The overview's likewise.
  const Bitmap& RawOverview();
  // A 24-bit raw picture as view words with the colour tables applied inside the runs.
  void Words(const Bitmap& raw, const std::vector<std::int32_t>& rawRuns, std::uint32_t* out,
             std::ptrdiff_t stride) const;
};

void LiveWorkingImage::State::Sample(const std::int32_t* xs, int nx, const std::int32_t* ys, int ny,
                                     bool contiguous, Bitmap& out) {
  const Bitmap& src = Source();
  out.Reshape(nx, ny, src.BitsPerPixel());
  CopyHeader(src, out);
  if (nx <= 0 || ny <= 0) return;
  if (fallback) {
    kernels::MapSeparable(src, out, xs, ys, false, nullptr);
  } else if (plan.affine) {
    if (contiguous)
      kernels::MapAffine(src, out, plan.inv, plan.innerWidth, plan.innerHeight, plan.columns.data(),
                         plan.rows.data(), 0, nullptr, xs[0], ys[0]);
    else
      kernels::MapAffineAt(src, out, plan.inv, plan.innerWidth, plan.innerHeight,
                           plan.columns.data(), plan.rows.data(), xs, ys, 0);
  } else if (!plan.transposed) {
    cc.resize(static_cast<size_t>(nx));
    rr.resize(static_cast<size_t>(ny));
    for (int i = 0; i < nx; ++i) cc[i] = plan.columns[xs[i]];
    for (int j = 0; j < ny; ++j) rr[j] = plan.rows[ys[j]];
    kernels::MapSeparable(src, out, cc.data(), rr.data(), false, nullptr);
  } else {  // working (x, y) is original(columns[y], rows[x])
    cc.resize(static_cast<size_t>(ny));
    rr.resize(static_cast<size_t>(nx));
    for (int j = 0; j < ny; ++j) cc[j] = plan.columns[ys[j]];
    for (int i = 0; i < nx; ++i) rr[i] = plan.rows[xs[i]];
    kernels::MapSeparable(src, out, cc.data(), rr.data(), true, nullptr);
  }
}

LiveWorkingImage::LiveWorkingImage() : st_(std::make_unique<State>()) {}
LiveWorkingImage::~LiveWorkingImage() = default;

void LiveWorkingImage::Clear() { st_ = std::make_unique<State>(); }
bool LiveWorkingImage::Defined() const { return st_->original != nullptr; }
int LiveWorkingImage::Width() const { return st_->plan.width; }
int LiveWorkingImage::Height() const { return st_->plan.height; }
int LiveWorkingImage::BitsPerPixel() const { return Defined() ? st_->Source().BitsPerPixel() : 0; }
int LiveWorkingImage::OverviewWidth() const { return st_->overviewWidth; }
int LiveWorkingImage::OverviewHeight() const { return st_->overviewHeight; }
double LiveWorkingImage::Factor2() const { return st_->factor2; }

BuildResult LiveWorkingImage::Define(const Bitmap& original, const WorkingImageSettings& s) {
  BuildResult result;
  try {
    if (original.Empty()) throw ImagingError("画像が読み込まれていません");
    kernels::ColourTables tables;
    const kernels::ColourTables* lut = ColourTablesFor(original, s, tables, result.adjustMessage);
    State& st = *st_;
    const WorkingImageSettings& old = st.settings;
    const bool sameGeometry = st.original == &original && old.rotationAngle == s.rotationAngle &&
                              old.factor == s.factor && old.overviewWidth == s.overviewWidth &&
                              old.overviewHeight == s.overviewHeight;
    const bool sameColour = old.contrast == s.contrast && old.strength == s.strength &&
                            old.adjustRgb == s.adjustRgb && old.offsetR == s.offsetR &&
                            old.offsetG == s.offsetG && old.offsetB == s.offsetB;
    if (!sameGeometry || (st.fallback && !sameColour)) {
      const int w = RoundHalfAway(static_cast<long double>(original.Width()) * s.factor);
      const int h = RoundHalfAway(static_cast<long double>(original.Height()) * s.factor);
      if (w < 0 || h < 0) throw ImagingError("倍率が負です");
      auto next = std::make_unique<State>();
      if (PlanOnePass(original, s, w, h, next->plan)) {
        OverviewSize(next->plan.width, next->plan.height, s, next->overviewWidth,
                     next->overviewHeight, next->factor2);
      } else {
        const BuildResult built = BuildWorkingImage(original, s, next->full);
        if (!built.ok) throw ImagingError(built.error);
        next->fallback = true;
        next->plan.width = next->full.image.Width();
        next->plan.height = next->full.image.Height();
        next->overviewWidth = next->full.small.Width();
        next->overviewHeight = next->full.small.Height();
        next->factor2 = next->full.factor2;
      }
      next->original = &original;
      // The buffers stay for the next window of about the same size.
      next->raw = std::move(st.raw);
      next->adjusted = std::move(st.adjusted);
      st_ = std::move(next);
    }
    State& now = *st_;
    now.settings = s;
    const bool lutOn = !now.fallback && lut != nullptr;
    if (lutOn != now.lutOn || (lutOn && std::memcmp(&tables, &now.tables, sizeof tables) != 0)) {
      now.lutOn = lutOn;
      if (lutOn) now.tables = tables;
      now.adjustedValid = now.adjustedSmallValid = false;
    }
    result.ok = true;
  } catch (const std::exception& e) {
    result.ok = false;
    result.error = e.what();
  }
  return result;
}

namespace {

std::vector<std::int32_t> Run(int first, int count) {
  std::vector<std::int32_t> v(static_cast<size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) v[i] = first + i;
  return v;
}

}  // namespace

const Bitmap& LiveWorkingImage::State::RawWindow(int x, int y, int width, int height) {
  if (original == nullptr || x < 0 || y < 0 || width < 0 || height < 0 || x > plan.width - width ||
      y > plan.height - height)
    throw ImagingError("表示範囲が作業画像の外にあります");
  const int wanted[4] = {x, y, width, height};
  if (!rawValid || std::memcmp(wanted, key, sizeof key) != 0) {
    const std::vector<std::int32_t> xs = Run(x, width), ys = Run(y, height);
    Sample(xs.data(), width, ys.data(), height, true, raw);
    if (plan.affine && !fallback)
      kernels::AffineInsideRuns(plan.inv, plan.innerWidth, plan.innerHeight, xs.data(), width,
                                ys.data(), height, runs);
    std::memcpy(key, wanted, sizeof key);
    rawValid = true;
    adjustedValid = false;
  }
  return raw;
}

const Bitmap& LiveWorkingImage::Window(int x, int y, int width, int height) {
  State& st = *st_;
  st.RawWindow(x, y, width, height);
  if (!st.lutOn) return st.raw;
  if (!st.adjustedValid) {
    st.adjusted.Reshape(width, height, 24);
    CopyHeader(st.raw, st.adjusted);
    kernels::ApplyColourTables(st.raw, st.adjusted, st.tables, st.Runs(st.runs));
    st.adjustedValid = true;
  }
  return st.adjusted;
}

void LiveWorkingImage::WindowArgb(int x, int y, int width, int height, std::uint32_t* out,
                                  std::ptrdiff_t stride) {
  State& st = *st_;
  if (BitsPerPixel() != 24) {
    const Bitmap& b = Window(x, y, width, height);
    for (int r = 0; r < height; ++r) RowToArgb32(b, r, out + r * stride);
    return;
  }
  // The tables and the widening in one pass over the window's source pixels.
  st.Words(st.RawWindow(x, y, width, height), st.runs, out, stride);
}

void LiveWorkingImage::State::Words(const Bitmap& raw, const std::vector<std::int32_t>& rawRuns,
                                    std::uint32_t* out, std::ptrdiff_t stride) const {
  const kernels::ColourTables& plain = kernels::IdentityTables();
  const kernels::ColourTables& adjusted = lutOn ? tables : plain;
  const kernels::WordTables plainWords = kernels::MakeWordTables(plain);
  const kernels::WordTables adjustedWords = kernels::MakeWordTables(adjusted);
  // The background outside the runs keeps its colour, through the plain tables.
  const std::vector<std::int32_t>* runs = lutOn ? Runs(rawRuns) : nullptr;
  const int width = raw.Width();
  kernels::ParallelRows(raw.Height(), std::int64_t{width} * raw.Height(), [&](int y0, int y1) {
    for (int r = y0; r < y1; ++r) {
      const std::uint8_t* s = raw.Row(r);
      std::uint32_t* d = out + r * stride;
      int first = 0, end = width;
      if (runs != nullptr) first = (*runs)[2 * r], end = std::max(first, (*runs)[2 * r + 1]);
      kernels::BgrToWords(s, d, first, plain, plainWords);
      kernels::BgrToWords(s + 3 * std::int64_t{first}, d + first, end - first, adjusted,
                          adjustedWords);
      kernels::BgrToWords(s + 3 * std::int64_t{end}, d + end, width - end, plain, plainWords);
    }
  });
}

const Bitmap& LiveWorkingImage::State::RawOverview() {
  if (original == nullptr) throw ImagingError("画像が読み込まれていません");
  if (!rawSmallValid) {
    const std::vector<std::int32_t> xs = kernels::ResizeTable(plan.width, overviewWidth);
    const std::vector<std::int32_t> ys = kernels::ResizeTable(plan.height, overviewHeight);
    if (overviewWidth <= 0 || overviewHeight <= 0)
      rawSmall.Clear();
    else
      Sample(xs.data(), overviewWidth, ys.data(), overviewHeight, false, rawSmall);
    if (plan.affine && !rawSmall.Empty())
      kernels::AffineInsideRuns(plan.inv, plan.innerWidth, plan.innerHeight, xs.data(),
                                overviewWidth, ys.data(), overviewHeight, smallRuns);
    rawSmallValid = true;
    adjustedSmallValid = false;
  }
  return rawSmall;
}

const Bitmap& LiveWorkingImage::Overview() {
  State& st = *st_;
  if (Defined() && st.fallback) return st.full.small;
  st.RawOverview();
  if (!st.lutOn || st.rawSmall.Empty()) return st.rawSmall;
  if (!st.adjustedSmallValid) {
    st.adjustedSmall.Reshape(st.rawSmall.Width(), st.rawSmall.Height(), 24);
    CopyHeader(st.rawSmall, st.adjustedSmall);
    kernels::ApplyColourTables(st.rawSmall, st.adjustedSmall, st.tables, st.Runs(st.smallRuns));
    st.adjustedSmallValid = true;
  }
  return st.adjustedSmall;
}

void LiveWorkingImage::OverviewArgb(std::uint32_t* out, std::ptrdiff_t stride) {
  State& st = *st_;
  if (BitsPerPixel() != 24 || st.fallback) {
    const Bitmap& b = Overview();
    for (int r = 0; r < b.Height(); ++r) RowToArgb32(b, r, out + r * stride);
    return;
  }
  st.Words(st.RawOverview(), st.smallRuns, out, stride);
}

namespace {

BitmapSize CheckedRotatedSize(int width, int height, float angle) {
  const BitmapSize box = RotatedSize(width, height, angle);
  if (box.width <= 0 || box.height <= 0) throw ImagingError("画像が空です");
  return box;
}

}  // namespace

double FitFactor(int width, int height, float angle, int viewWidth, int viewHeight) {
  const BitmapSize box = CheckedRotatedSize(width, height, angle);
  return std::min(static_cast<double>(viewWidth) / box.width,
                  static_cast<double>(viewHeight) / box.height);
}

double MaxFactor(int width, int height, float angle) {
  const BitmapSize box = CheckedRotatedSize(width, height, angle);
  const double pixels = static_cast<double>(std::int64_t{box.width} * box.height);
  return std::trunc(std::sqrt(40000000.0 / pixels) * 100) / 100;
}

std::string MagnificationText(double factor) {
  return "倍率：" + FormatFixed(factor * 100, 0) + "%";
}

std::int64_t MemoryStatus::UsedKb() const {
  return static_cast<std::int64_t>((totalPhysical - std::min(availablePhysical, totalPhysical)) /
                                   1024);
}

double MemoryStatus::UsedPercent() const {
  const std::uint64_t totalKb = totalPhysical / 1024;
  return totalKb == 0 ? 0 : static_cast<double>(UsedKb()) * 100 / static_cast<double>(totalKb);
}

namespace {

// The value in kB of a "Name:   123 kB" line of a /proc file, in bytes.
std::uint64_t ProcField(const std::string& file, const std::string& name) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, name.size(), name) != 0 || line.size() <= name.size() ||
        line[name.size()] != ':')
      continue;
    std::istringstream fields(line.substr(name.size() + 1));
    std::uint64_t kb = 0;
    fields >> kb;
    return kb * 1024;
  }
  return 0;
}

}  // namespace

MemoryStatus ReadMemoryStatus() {
  MemoryStatus m;
  m.totalPhysical = ProcField("/proc/meminfo", "MemTotal");
  m.availablePhysical = ProcField("/proc/meminfo", "MemAvailable");
  m.processResident = ProcField("/proc/self/status", "VmRSS");
  m.processPeakResident = ProcField("/proc/self/status", "VmHWM");
  return m;
}

namespace {

// The number in a cgroup limit file; 0 for "max", a missing file or v1's "no limit" (a
// figure near 2^63).
std::uint64_t LimitFile(const std::string& path) {
  std::ifstream in(path);
  std::string text;
  if (!(in >> text) || text.empty() || text[0] < '0' || text[0] > '9') return 0;
  const std::uint64_t v = std::strtoull(text.c_str(), nullptr, 10);
  return v >= (std::uint64_t{1} << 62) ? 0 : v;
}

}  // namespace

std::uint64_t CgroupMemoryLimit(const std::string& procSelfCgroup, const std::string& root) {
  std::istringstream lines(procSelfCgroup);
  std::string line;
  std::uint64_t least = 0;
  auto take = [&](std::uint64_t v) {
    if (v != 0 && (least == 0 || v < least)) least = v;
  };
  while (std::getline(lines, line)) {
    // "0::/path" for v2; "N:controllers:/path" for v1, of which the memory one counts.
    const auto first = line.find(':'), second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    std::string path = line.substr(second + 1);
    std::string base, file;
    if (controllers.empty()) {
      base = root, file = "memory.max";
    } else if (("," + controllers + ",").find(",memory,") != std::string::npos) {
      base = root + "/memory", file = "memory.limit_in_bytes";
    } else {
      continue;
    }
    // A parent's limit binds the groups below it too.
    for (;;) {
      take(LimitFile(base + (path == "/" ? "" : path) + "/" + file));
      if (path.empty() || path == "/") break;
      const auto slash = path.find_last_of('/');
      path = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
    }
  }
  return least;
}

UsableMemory ReadUsableMemory() {
  UsableMemory m{ReadMemoryStatus().totalPhysical, "物理メモリ"};
  auto consider = [&](std::uint64_t v, const char* name) {
    if (v != 0 && (m.bytes == 0 || v < m.bytes)) m = {v, name};
  };
  std::ifstream cgroup("/proc/self/cgroup");
  const std::string text((std::istreambuf_iterator<char>(cgroup)), {});
  consider(CgroupMemoryLimit(text, "/sys/fs/cgroup"), "コンテナのメモリ上限");
  rlimit as{};
  if (::getrlimit(RLIMIT_AS, &as) == 0 && as.rlim_cur != RLIM_INFINITY)
    consider(static_cast<std::uint64_t>(as.rlim_cur), "アドレス空間の上限");
  return m;
}

std::string MemoryStatusText(const MemoryStatus& status) {
  return "物理メモリ使用量：" + FormatThousands(status.UsedKb()) + " KB (" +
         FormatFixed(status.UsedPercent(), 1) + " %)";
}

}  // namespace zelko
