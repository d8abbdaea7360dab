#include "imaging/working_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
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

// Builds the working image into out.image in one pass over the original. Returns false when
// the layout or a size needs the step-by-step path. Everything that can fail is checked before
// out.image is touched.
bool BuildOnePass(const Bitmap& original, const WorkingImageSettings& s, int w, int h,
                  const kernels::ColourTables* lut, WorkingImage& out) {
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
    out.image.Reshape(nw, nh, bpp);
    CopyHeader(original, out.image);
    if (angle == 0.0f && s.factor == 1 && lut == nullptr) {
      for (int y = 0; y < nh; ++y)
        std::memcpy(out.image.Row(y), original.Row(y), static_cast<size_t>(original.Stride()));
    } else {
      kernels::MapSeparable(original, out.image, tc.data(), tr.data(), turned, lut);
    }
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
  out.image.Reshape(box.width, box.height, bpp);
  CopyHeader(original, out.image);
  kernels::MapAffine(original, out.image, inv, w, h, cols.data(), rows.data(), 0, lut);
  return true;
}

}  // namespace

BuildResult BuildWorkingImage(const Bitmap& original, const WorkingImageSettings& s,
                              WorkingImage& out) {
  BuildResult result;
  try {
    if (original.Empty()) throw ImagingError("画像が読み込まれていません");
    const bool adjust = s.contrast || s.adjustRgb;
    kernels::ColourTables tables;
    const kernels::ColourTables* lut = nullptr;
    if (adjust) {
      if (original.BitsPerPixel() == 24) {
        tables = kernels::BuildColourTables(s.contrast, s.adjustRgb, s.strength, s.offsetR,
                                            s.offsetG, s.offsetB);
        if (!IsIdentity(tables)) lut = &tables;
      } else {
        result.adjustMessage = BitDepthMessage(original.BitsPerPixel());
      }
    }
    const int w = RoundHalfAway(static_cast<long double>(original.Width()) * s.factor);
    const int h = RoundHalfAway(static_cast<long double>(original.Height()) * s.factor);
    if (w < 0 || h < 0) throw ImagingError("倍率が負です");
    if (!BuildOnePass(original, s, w, h, lut, out)) {
      Bitmap built = BuildStepByStep(original, s, w, h);
      if (built.Empty()) throw ImagingError("作業画像の大きさが 0 になります");
      out.image = std::move(built);
    }
    try {
      const int bw = out.image.Width(), bh = out.image.Height();
      const double f2 = std::min(static_cast<double>(s.overviewWidth) / bw,
                                 static_cast<double>(s.overviewHeight) / bh);
      const int qw = RoundHalfAway(static_cast<long double>(bw) * f2);
      const int qh = RoundHalfAway(static_cast<long double>(bh) * f2);
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

std::string MemoryStatusText(const MemoryStatus& status) {
  return "物理メモリ使用量：" + FormatThousands(status.UsedKb()) + " KB (" +
         FormatFixed(status.UsedPercent(), 1) + " %)";
}

}  // namespace zelko
