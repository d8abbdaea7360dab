// The working image: the loaded picture adjusted for viewing (contrast, colour balance), scaled
// and rotated, with its reduced overview copy; the scale limits; the memory figures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/bitmap.h"

namespace zelko {

inline constexpr char kBuildFailedMessage[] = "変形画像の作成に失敗しました。";

// Everything a rebuild depends on besides the loaded image.
struct WorkingImageSettings {
  bool contrast = false;    // CheckBoxContrast
  double strength = 0.5;    // TrackBar1 position / 100
  bool adjustRgb = false;   // CheckBoxAdjustRGB
  std::int8_t offsetR = 0;  // OffsetR, OffsetG, OffsetB: slider position - 128
  std::int8_t offsetG = 0;
  std::int8_t offsetB = 0;
  float rotationAngle = 0;  // RotationAngle, degrees clockwise; 0, 90, 180, 270 turn exactly
  double factor = 1;        // scale relative to the rotated loaded image
  int overviewWidth = 401;  // size of the overview control the overview copy must fit
  int overviewHeight = 271;
};

// The output of BuildWorkingImage. Keep one instance for the whole run and pass it to every
// rebuild: its buffers are reused while the size stays about the same, which is what makes a
// slider drag cheap.
struct WorkingImage {
  Bitmap image;        // TransFormedBitmap; BitWidth x BitHeight = image.Width() x Height()
  Bitmap small;        // SmallImage; QViewWidth x QViewHeight = small.Width() x Height()
  double factor2 = 0;  // scale of small relative to image
};

struct BuildResult {
  bool ok = false;
  // Why the rebuild failed; the window shows kBuildFailedMessage.
  std::string error;
  // The colour adjustment's message for a bitmap that is not 24 bits per pixel ("" otherwise).
  // The rebuild goes on with the picture unadjusted; the window shows it as an error box.
  std::string adjustMessage;
};

// Rebuilds out from original: colour adjustment, scaling to
// RoundHalfAway(size x factor) when factor is not exactly 1, then the exact quarter turn for
// 0/90/180/270 degrees or the rotation into the RotatedSize box about the centres (size div 2)
// with black corners; then factor2 and the overview copy fitted to the overview size.
// Every pixel is what those operations give one after another; the work is done in one pass
// over the original (colour tables, precomputed column and row indices, two threads).
// Safe to call from one thread at a time per WorkingImage. On failure out keeps the previous
// working image, or is empty if memory ran out half-way.
BuildResult BuildWorkingImage(const Bitmap& original, const WorkingImageSettings& settings,
                              WorkingImage& out);

// The working image as a definition rather than a stored picture: working pixel (x, y) is a
// fixed function of the loaded image (colour tables, the resize's column and row tables, the
// quarter turn or the rotation's inverse map). The view asks for the pixels of its window and
// the overview only, in work proportional to them; each equals the full build's pixel exactly.
// A change of the colour settings alone keeps the geometry and the window's source pixels, so
// a slider step costs one pass of table look-ups over the view. For the layouts and sizes the
// one-pass loops leave aside (1 and 4 bits, rows at the layout's limits) it keeps a full build.
class LiveWorkingImage {
 public:
  LiveWorkingImage();
  ~LiveWorkingImage();
  LiveWorkingImage(const LiveWorkingImage&) = delete;
  LiveWorkingImage& operator=(const LiveWorkingImage&) = delete;

  // Takes the working image of original with settings. original must outlive the definition
  // and keep its pixels; call Clear when they change. Fails as BuildWorkingImage does (same
  // result texts), keeping the previous definition.
  BuildResult Define(const Bitmap& original, const WorkingImageSettings& settings);
  void Clear();
  bool Defined() const;

  int Width() const;   // BitWidth
  int Height() const;  // BitHeight
  int BitsPerPixel() const;
  int OverviewWidth() const;  // QViewWidth
  int OverviewHeight() const;
  double Factor2() const;

  // The pixels [x, x + width) x [y, y + height) of the working image, which must lie inside it,
  // in its layout with the original's palette. Valid until the next call on this object.
  const Bitmap& Window(int x, int y, int width, int height);
  // The same as 0xFFRRGGBB words into rows of stride words (the view's picture format).
  void WindowArgb(int x, int y, int width, int height, std::uint32_t* out, std::ptrdiff_t stride);
  // The overview copy (SmallImage), as the full build makes it. Valid until the next call.
  const Bitmap& Overview();
  // The same as 0xFFRRGGBB words, OverviewWidth x OverviewHeight.
  void OverviewArgb(std::uint32_t* out, std::ptrdiff_t stride);

 private:
  struct State;
  std::unique_ptr<State> st_;
};

// The scale at which the loaded image, rotated by angle, just fits a view of the given size:
// the smaller of viewWidth / W' and viewHeight / H'. Throws ImagingError for an empty image.
double FitFactor(int width, int height, float angle, int viewWidth, int viewHeight);

// fmax: the largest scale, cut off to two decimals, at which the rotated image has at most
// 40,000,000 pixels. Throws ImagingError for an empty image.
double MaxFactor(int width, int height, float angle);

// "倍率：" + factor x 100 without decimals + "%", the text of status panel 0.
std::string MagnificationText(double factor);

// Physical memory of the machine and this process's own use, in bytes, from /proc. Fields the
// system does not report stay 0.
struct MemoryStatus {
  std::uint64_t totalPhysical = 0;
  std::uint64_t availablePhysical = 0;
  std::uint64_t processResident = 0;
  std::uint64_t processPeakResident = 0;
  // (total - available) div 1024.
  std::int64_t UsedKb() const;
  // UsedKb x 100 / (total div 1024); 0 when the total is unknown.
  double UsedPercent() const;
};
MemoryStatus ReadMemoryStatus();
// The memory this process may use: the least of the machine's physical memory, its control
// group's limit (memory.max of cgroup v2 or memory.limit_in_bytes of v1, the group's and its
// parents') and the address-space limit (RLIMIT_AS), with the name of the one that binds.
struct UsableMemory {
  std::uint64_t bytes = 0;  // 0: unknown
  std::string name;  // "物理メモリ", "コンテナのメモリ上限", "アドレス空間の上限"
};
UsableMemory ReadUsableMemory();
// The control group's memory limit for a /proc/self/cgroup text, looked up below root (the
// cgroup file system's mount point; v1 keeps its memory controller in root/memory). 0 when
// there is none.
std::uint64_t CgroupMemoryLimit(const std::string& procSelfCgroup, const std::string& root);
// "物理メモリ使用量：3,145,728 KB (37.5 %)", the text of status panel 5.
std::string MemoryStatusText(const MemoryStatus& status);

}  // namespace zelko
