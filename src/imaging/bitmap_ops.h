// Free functions on bitmaps: colour adjustment of 24-bit images, nearest-neighbour resampling
// through a source-point rule, resizing, affine transforms, rotation and quarter turns.
// Every geometric operation returns a new bitmap and leaves its source as it was.
#pragma once

#include <cstdint>
#include <string>

#include "document/records.h"
#include "imaging/bitmap.h"

namespace zelko {

// x clamped to 0..255 (a value that is not a number gives 0), then rounded to nearest with ties
// to even: 0.5 gives 0, 1.5 gives 2, 72.5 gives 72.
std::uint8_t ClampToByte(double x);

// The message shown when AdjustColor is given a bitmap that is not 24 bits per pixel.
std::string BitDepthMessage(int bitsPerPixel);

// Replaces every pixel of a 24-bit bitmap: with contrast on, each channel v becomes
// ClampToByte(v + strength x (v - 127.5)); then, with balance on, each channel gets its offset
// added and clamped. Returns "" when done; for another layout it returns BitDepthMessage and
// leaves the bitmap as it was (the caller shows the message and goes on).
std::string AdjustColor(Bitmap& bitmap, bool contrastOn, bool balanceOn, double strength,
                        std::int8_t redOffset, std::int8_t greenOffset, std::int8_t blueOffset);

// A source pixel for a destination pixel. Coordinates outside the source mean background.
struct SourcePoint {
  std::int32_t x;
  std::int32_t y;
};
using SourcePointCallback = SourcePoint (*)(std::int32_t x, std::int32_t y, void* record);

struct ResizeRecord {
  std::int32_t sourceWidth;
  std::int32_t sourceHeight;
  std::int32_t newWidth;
  std::int32_t newHeight;
};

struct TransformRecord {
  double a11, a12, a21, a22;
  double sourceCentreX, sourceCentreY;
  double destCentreX, destCentreY;
  // The inverse, filled on the first call.
  double i11 = 0, i12 = 0, i21 = 0, i22 = 0, tx = 0, ty = 0;
  bool inverseReady = false;
};

struct QuarterTurnRecord {
  std::int32_t sourceWidth;
  std::int32_t sourceHeight;
  std::uint8_t code;  // 0: 90, 1: 180, 2: 270 degrees clockwise
};

// The source-point rules of the operations below, for ResampleBitmap. They throw ImagingError
// on arithmetic overflow.
SourcePoint ResizeSourcePoint(std::int32_t x, std::int32_t y, void* record);
SourcePoint TransformSourcePoint(std::int32_t x, std::int32_t y, void* record);
SourcePoint QuarterTurnSourcePoint(std::int32_t x, std::int32_t y, void* record);

// Nearest-neighbour inverse mapping: a new bitmap of the source's layout and palette in which
// pixel (x, y) is the source pixel the callback names, copied in the layout's own form, or the
// background where that lies outside the source. Throws ImagingError for a pixel index beyond
// what the layout allows in a row, or a background the layout cannot hold.
Bitmap ResampleBitmap(const Bitmap& source, int newWidth, int newHeight,
                      SourcePointCallback callback, TColor background, void* record);

// Source column (x x source width) div new width, row likewise; enlarging repeats pixels,
// reducing drops them.
Bitmap ResizeBitmap(const Bitmap& source, int newWidth, int newHeight);

// destination = M x (source - source centre) + destination centre, inverted per pixel and
// rounded to nearest with ties to even.
Bitmap TransformBitmap(const Bitmap& source, int newWidth, int newHeight, double a11, double a12,
                       double a21, double a22, double sourceCentreX, double sourceCentreY,
                       double destCentreX, double destCentreY, TColor background);

// TransformBitmap with the rotation matrix of angle (radians); a positive angle turns the
// picture clockwise on the screen.
Bitmap RotateBitmap(const Bitmap& source, int newWidth, int newHeight, double destCentreX,
                    double destCentreY, double sourceCentreX, double sourceCentreY, double angle,
                    TColor background);

// Lossless quarter turns clockwise: code 0 by 90, 1 by 180, 2 by 270 degrees.
// The rectangle (x, y, width, height) of a bitmap of 8 bits or more per pixel, in the same layout
// with the same palette and masks. Throws ImagingError for a rectangle outside the bitmap or a
// layout below 8 bits.
Bitmap CropBitmap(const Bitmap& source, int x, int y, int width, int height);

Bitmap QuarterTurnBitmap(const Bitmap& source, std::uint8_t code);

struct BitmapSize {
  int width = 0;
  int height = 0;
  bool operator==(const BitmapSize&) const = default;
};

// The bounding box of a width x height rectangle turned by angle degrees, each side rounded
// half away from zero. Throws std::range_error when a side does not fit 32 bits.
BitmapSize RotatedSize(int width, int height, double angleDegrees);
BitmapSize RotatedSize(const Bitmap& bitmap, double angleDegrees);

}  // namespace zelko
