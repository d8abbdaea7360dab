#include "imaging/image_formats.h"

#include <atomic>

#include "document/numbers.h"
#include "imaging/bmp_codec.h"
#include "imaging/jpeg_codec.h"
#include "imaging/library_messages.h"
#include "imaging/png_codec.h"
#include "imaging/tiff_codec.h"
#include "imaging/working_image.h"

namespace zelko {
namespace {

std::atomic<std::uint64_t> assumedMemory{0};

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The extension of a path with its dot: the text after the last "." that follows the last "/",
// "\" or ":".
std::string Extension(const std::string& path) {
  const auto sep = path.find_last_of("/\\:");
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return "";
  return path.substr(dot);
}

std::uint32_t Le16(const std::uint8_t* p) { return p[0] | p[1] << 8; }
std::int32_t Le32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                   std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
}

bool LooksLikeJpeg(const std::uint8_t* d, std::size_t n) {
  return n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF;
}
bool LooksLikeBmp(const std::uint8_t* d, std::size_t n) {
  return n >= 2 && d[0] == 'B' && d[1] == 'M';
}

DecodedImage Jpeg(const std::uint8_t* d, std::size_t n, const DecodeLimits& limits) {
  DecodedImage out;
  out.format = "JPEG";
  out.bitmap = DecodeJpeg(d, n, &out.warning, limits);
  out.depth = out.bitmap.BitsPerPixel() == 8 ? "8 ビット グレー" : "24 ビット カラー";
  out.orientation = JpegOrientation(d, n);
  return out;
}

DecodedImage Bmp(const std::uint8_t* d, std::size_t n, const DecodeLimits& limits) {
  // The size from the header, checked against the memory before the reader allocates.
  if (n >= 30) {
    const bool core = Le32(d + 14) == 12;
    // Each branch widened on its own: a common type of the two would make a top-down
    // (negative) height unsigned.
    const std::int64_t w = core ? std::int64_t{Le16(d + 18)} : std::int64_t{Le32(d + 18)};
    std::int64_t h = core ? std::int64_t{Le16(d + 20)} : std::int64_t{Le32(d + 22)};
    if (h < 0) h = -h;
    const int bpp = static_cast<int>(Le16(d + (core ? 24 : 28)));
    if (w > 0 && h > 0) {
      const std::string refusal = SizeRefusal(w, h, bpp >= 8 ? bpp / 8 : 1, limits);
      if (!refusal.empty()) throw ImagingError(refusal);
    }
  }
  DecodedImage out;
  out.format = "BMP";
  out.bitmap = ReadBmp(d, n, limits.maxPixels);
  out.depth = std::to_string(out.bitmap.BitsPerPixel()) + " ビット";
  return out;
}

}  // namespace

int OrientationTurn(int orientation) {
  return orientation == 6 ? 90 : orientation == 3 ? 180 : orientation == 8 ? 270 : 0;
}

bool OrientationMirrors(int orientation) {
  return orientation == 2 || orientation == 4 || orientation == 5 || orientation == 7;
}

const std::vector<ImageFormat>& ImageFormats() {
  static const std::vector<ImageFormat> formats = {
      {"JPEG", {".JPG", ".JPEG", ".JPE", ".JFIF"}, LooksLikeJpeg, Jpeg},
      {"BMP", {".BMP"}, LooksLikeBmp, Bmp},
      {"PNG", {".PNG"}, LooksLikePng, DecodePng},
      {"TIFF", {".TIF", ".TIFF"}, LooksLikeTiff, DecodeTiff},
  };
  return formats;
}

const ImageFormat* FormatOfContent(const std::uint8_t* data, std::size_t size) {
  for (const ImageFormat& f : ImageFormats())
    if (f.matches(data, size)) return &f;
  return nullptr;
}

const ImageFormat* FormatOfPath(const std::string& path) {
  const std::string ext = Upper(Extension(path));
  if (ext.empty()) return nullptr;
  for (const ImageFormat& f : ImageFormats())
    for (const std::string& e : f.extensions)
      if (e == ext) return &f;
  return nullptr;
}

bool IsImageExtension(const std::string& path) { return FormatOfPath(path) != nullptr; }

std::string ImageOpenFilter() {
  std::string patterns;
  for (const ImageFormat& f : ImageFormats())
    for (const std::string& e : f.extensions) {
      if (!patterns.empty()) patterns += ' ';
      patterns += "*" + Lower(e) + " *" + e;
    }
  return "画像ファイル(" + patterns + ")";
}

std::string ImageFormatList() {
  std::string list;
  for (const ImageFormat& f : ImageFormats()) {
    if (!list.empty()) list += "、";
    list += std::string(f.name) + " (";
    for (size_t i = 0; i < f.extensions.size(); ++i)
      list += (i > 0 ? " " : "") + Lower(f.extensions[i]);
    list += ")";
  }
  return list;
}

std::string ImageExtensionList() {
  std::string list;
  for (const ImageFormat& f : ImageFormats())
    for (const std::string& e : f.extensions) list += (list.empty() ? "" : ", ") + Lower(e);
  return list;
}

DecodedImage DecodeImageBytes(const std::uint8_t* data, std::size_t size, const std::string& path,
                              const DecodeLimits& limits) {
  // The content decides: a photo saved with the wrong extension still opens as what it is.
  const ImageFormat* f = FormatOfContent(data, size);
  if (f == nullptr) {
    // A photo of a format we do not read, whatever its name says, is named for what it is
    // rather than handed to the decoder its extension names.
    const std::string foreign = ForeignFormatName(data, size);
    if (!foreign.empty())
      throw ImagingError("\"" + path + "\" は " + foreign +
                         " 形式の画像です。この形式は開けません (開ける形式: " + ImageFormatList() +
                         ")");
    f = FormatOfPath(path);
  }
  if (f == nullptr)
    throw ImagingError("\"" + path + "\" は開ける画像ファイルではありません (開ける形式: " +
                       ImageFormatList() + ")");
  return f->decode(data, size, limits);
}

std::string SizeRefusal(std::int64_t width, std::int64_t height, int bytesPerPixel,
                        const DecodeLimits& limits, std::uint64_t workBytes) {
  const std::int64_t pixels = width * height;
  const std::string dims = std::to_string(width) + " x " + std::to_string(height) + " ピクセル";
  if (pixels > limits.maxPixels)
    return "画像が大きすぎます (" + dims + "、上限は " + FormatThousands(limits.maxPixels) +
           " ピクセル)";
  if (limits.physicalMemory == 0) return "";
  const std::uint64_t image =
      static_cast<std::uint64_t>(pixels) * static_cast<std::uint64_t>(bytesPerPixel);
  // The open holds the file and the decoder's buffers beside the image until it ends.
  const std::uint64_t besides = limits.heldBytes + workBytes;
  const std::uint64_t share = limits.physicalMemory / 4;
  if (image + besides <= share) return "";
  const auto mb = [](std::uint64_t bytes) {
    return FormatThousands(static_cast<std::int64_t>((bytes + (1u << 20) - 1) >> 20)) + " MB";
  };
  const std::string need = besides == 0 ? "展開に " + mb(image) + " 必要ですが"
                                        : "展開した画像に " + mb(image) +
                                              "、読み込みの間はファイルと作業用にさらに " +
                                              mb(besides) + " 必要ですが";
  return "画像が大きすぎます (" + dims + ")。" + need + "、" + limits.memoryName + " " +
         mb(limits.physicalMemory) + " のうち画像に使えるのは 4 分の 1 の " + mb(share) +
         " までです。";
}

DecodeLimits MachineDecodeLimits() {
  DecodeLimits limits;
  const std::uint64_t assumed = assumedMemory.load();
  if (assumed != 0) {
    limits.physicalMemory = assumed;
  } else {
    const UsableMemory usable = ReadUsableMemory();
    limits.physicalMemory = usable.bytes;
    limits.memoryName = usable.name;
  }
  return limits;
}

void SetAssumedPhysicalMemory(std::uint64_t bytes) { assumedMemory.store(bytes); }

}  // namespace zelko
