// What the decoding libraries say, and what other formats' files look like, in the user's words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelko {

// A decoding library's reason in Japanese: the common ones (data cut short, a CRC error, an
// unsupported precision or compression) translated, anything else called damage or an unknown
// layout; the library's own text follows in parentheses. Text that is already Japanese is
// returned as it is.
std::string LibraryReason(const std::string& text);

// The name of the format whose signature the bytes carry among the common ones the program
// does not open ("WebP", "HEIF (HEIC)", "AVIF", "GIF", "JPEG 2000", "Photoshop (PSD)",
// "PNM (PBM/PGM/PPM)"), or "".
std::string ForeignFormatName(const std::uint8_t* data, std::size_t size);

}  // namespace zelko
