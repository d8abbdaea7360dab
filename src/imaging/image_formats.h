// The image formats the program opens, in one table: names, extensions, content signatures and
// decoders. Every way in (the open dialog, the command line, projects, zelko-cli) asks here, so a
// format is added by adding a row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmap.h"

namespace zelko {

// What a decoder may allocate. The decoded size is checked against these before the pixels are
// allocated, so a hostile or damaged header costs nothing.
struct DecodeLimits {
  // Largest number of pixels; the fuzz targets use a small one to stay quick.
  std::int64_t maxPixels = kMaxBitmapBytes / 3;
  // The memory this process may use in bytes (0: unknown, only maxPixels applies): the least of
  // the machine's, its container's and its address-space limit. An open may take at most a
  // quarter of it: the working image and its copies need the rest.
  std::uint64_t physicalMemory = 0;
  // What that figure is, for the refusal ("物理メモリ", ...).
  std::string memoryName = "物理メモリ";
  // What the open holds besides the decoded image and the decoder's buffers: the file itself.
  std::uint64_t heldBytes = 0;
  // The bytes are a read-only mapping of the file: a decoder that reads them in order may let
  // the pages it has passed go, so that the file does not stay resident beside the image.
  bool mappedInput = false;
};

// The outcome of decoding a file.
struct DecodedImage {
  Bitmap bitmap;
  // The format's name ("JPEG") and how the file held its pixels ("16 ビット RGBA"), for the
  // status bar.
  std::string format;
  std::string depth;
  // The EXIF/TIFF orientation tag (1..8), 0 when the file has none.
  int orientation = 0;
  // The decoder's warning for a damaged file that still decoded, or "".
  std::string warning;
};

// The clockwise turn on screen that shows a picture of an orientation tag upright: 90 for 6
// (the camera held turned right), 180 for 3, 270 for 8; 0 for the rest.
int OrientationTurn(int orientation);
// True for the tags that mirror the picture (2, 4, 5, 7), which the program does not undo.
bool OrientationMirrors(int orientation);
inline constexpr char kMirroredOrientationMessage[] =
    "この画像の向き情報は鏡像（左右または上下の反転）を含みます。鏡像には対応していないため、"
    "向きは補正せず、ファイルに記録されたままの向きで表示します。";

struct ImageFormat {
  const char* name;
  // Upper case with the dot; the first one is the usual one.
  std::vector<std::string> extensions;
  bool (*matches)(const std::uint8_t* data, std::size_t size);
  DecodedImage (*decode)(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits);
};

// Every format the program opens: JPEG, BMP, PNG and TIFF.
const std::vector<ImageFormat>& ImageFormats();
// The format whose signature the bytes carry, or nullptr.
const ImageFormat* FormatOfContent(const std::uint8_t* data, std::size_t size);
// The format a path's extension names (any case), or nullptr.
const ImageFormat* FormatOfPath(const std::string& path);

// True for a path whose extension names one of the formats.
bool IsImageExtension(const std::string& path);
// The open dialog's filter: "画像ファイル(*.jpg *.jpeg ... *.tiff)" with each pattern in lower and
// upper case (file choosers compare them by case on this system).
std::string ImageOpenFilter();
// "JPEG (.jpg .jpeg .jpe .jfif)、BMP (.bmp)、..." for messages and the help text.
std::string ImageFormatList();

// ".jpg, .jpeg, .jpe, .jfif, .bmp, .png, .tif, .tiff" for the command-line help.
std::string ImageExtensionList();

// Decodes bytes by their content first, then by the path's extension. Throws ImagingError with
// the reason (Japanese) for a file of no known format or one its decoder refuses.
DecodedImage DecodeImageBytes(const std::uint8_t* data, std::size_t size, const std::string& path,
                              const DecodeLimits& limits);

// "" when a decoded image of width x height at bytesPerPixel, with workBytes of the decoder's
// own buffers and the limits' heldBytes beside it, fits the limits; otherwise the Japanese
// reason, naming the size needed and the memory there is.
std::string SizeRefusal(std::int64_t width, std::int64_t height, int bytesPerPixel,
                        const DecodeLimits& limits, std::uint64_t workBytes = 0);

// The limits for this process: the memory it may use (ReadUsableMemory), or the figure set by
// SetAssumedPhysicalMemory.
DecodeLimits MachineDecodeLimits();
// Makes MachineDecodeLimits report bytes of physical memory (0 goes back to the machine's own).
// For tests, which must see the refusal of a large image on any machine.
void SetAssumedPhysicalMemory(std::uint64_t bytes);

}  // namespace zelko
