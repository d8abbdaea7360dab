// Image files on disk: loading a JPEG or BMP file into a bitmap and writing one safely.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmap.h"

namespace zelko {

// The extension of a path in upper case with its dot (".JPG"), or "" when it has none: the text
// after the last "." that follows the last "/", "\" or ":".
std::string UpperExtension(const std::string& path);
// The path with its extension replaced by ext (".jpg"), or ext appended when it has none:
// "result.png" gives "result.jpg", "result" gives "result.jpg".
std::string WithImageExtension(const std::string& path, const std::string& ext);
// True for the extensions the program opens as images: ".JPG" and ".BMP" in any case.
bool IsImageExtension(const std::string& path);

// Reads a whole file, refusing one larger than maxBytes. Throws ImagingError naming the file.
std::vector<std::uint8_t> ReadImageFileBytes(const std::string& path,
                                             std::uint64_t maxBytes = std::uint64_t{1} << 30);

// Decodes an image file: a ".jpg" path as JPEG into 24 bits per pixel (8 with a grey palette for
// grayscale files), a ".bmp" path as BMP in its own layout. A file whose content is plainly the
// other of the two formats is decoded as what it is. Any other extension, a file that cannot be
// read and a file that cannot be decoded throw ImagingError with the reason. *warning receives
// the decoder's warning for a damaged JPEG that still decoded, or "".
Bitmap LoadImageFile(const std::string& path, std::string* warning = nullptr);

// Writes bytes to a temporary file in the target's folder and renames it over the target only
// when everything is written, so a failure never leaves a damaged or half-written file.
// Throws ImagingError with the reason.
void WriteImageFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The encoded form of a bitmap for a path ending in ".jpg" (JPEG, quality 90) or ".bmp".
// Throws ImagingError for another extension.
std::vector<std::uint8_t> EncodeImageForPath(const Bitmap& bitmap, const std::string& path,
                                             int jpegQuality = 90);

}  // namespace zelko
