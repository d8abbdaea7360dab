// Image files on disk: loading one of the formats of image_formats.h and writing one safely.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/failure.h"
#include "imaging/bitmap.h"
#include "imaging/image_formats.h"

namespace zelko {

// The extension of a path in upper case with its dot (".JPG"), or "" when it has none: the text
// after the last "." that follows the last "/", "\" or ":".
std::string UpperExtension(const std::string& path);
// The path with its extension replaced by ext (".jpg"), or ext appended when it has none:
// "result.png" gives "result.jpg", "result" gives "result.jpg".
std::string WithImageExtension(const std::string& path, const std::string& ext);

// Reads a whole file, refusing one larger than maxBytes. Throws ImagingError naming the file.
std::vector<std::uint8_t> ReadImageFileBytes(const std::string& path,
                                             std::uint64_t maxBytes = std::uint64_t{1} << 30);

// Decodes an image file by its content, or by its extension when the content names no format
// (JPEG into 24 bits per pixel or 8 with a grey palette, BMP in its own layout, PNG and TIFF as
// DecodePng says). A path of no image extension, a file that cannot be read and a file that
// cannot be decoded throw ImagingError with the reason.
// True for a path with an image extension, or a regular file whose first bytes carry the
// signature of one of the formats.
bool IsImageFile(const std::string& path);
DecodedImage LoadImage(const std::string& path, const DecodeLimits& limits);
// LoadImage with this machine's limits, the bitmap alone; *warning receives the decoder's
// warning for a damaged JPEG that still decoded, or "".
Bitmap LoadImageFile(const std::string& path, std::string* warning = nullptr);

// Writes bytes to a temporary file in the target's folder and renames it over the target only
// when everything is written, so a failure never leaves a damaged or half-written file.
// False with the failure.
[[nodiscard]] bool WriteImageFileAtomically(const std::string& path,
                                            const std::vector<std::uint8_t>& bytes,
                                            Failure* failure = nullptr);

// The encoded form of a bitmap for a path ending in ".jpg" (JPEG, quality 90) or ".bmp".
// Throws ImagingError for another extension.
std::vector<std::uint8_t> EncodeImageForPath(const Bitmap& bitmap, const std::string& path,
                                             int jpegQuality = 90);

}  // namespace zelko
