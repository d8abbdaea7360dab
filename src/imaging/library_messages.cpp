#include "imaging/library_messages.h"

#include <cstring>

namespace zelko {
namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool HasAny(const std::string& text, std::initializer_list<const char*> words) {
  for (const char* w : words)
    if (text.find(w) != std::string::npos) return true;
  return false;
}

bool Is(const std::uint8_t* d, std::size_t n, std::size_t at, const char* text) {
  const std::size_t len = std::strlen(text);
  return n >= at + len && std::memcmp(d + at, text, len) == 0;
}

}  // namespace

std::string LibraryReason(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return text;
  const std::string t = Lower(text);
  const char* reason;
  if (HasAny(t, {"premature end", "unexpected end", "truncat", "not enough data", "read error",
                 "can not read", "cannot read", "empty input", "short", "eof"}))
    reason = "ファイルが途中で切れています";
  else if (HasAny(t, {"crc", "checksum", "adler"}))
    reason = "データの検査値が合いません。ファイルが壊れています";
  else if (HasAny(t, {"precision", "bit depth", "bits/sample", "bitspersample", "bits per sample"}))
    reason = "対応していないサンプルのビット数です";
  else if (HasAny(t, {"compression", "codec", "not configured", "not implemented"}))
    reason = "対応していない圧縮方式です";
  else if (HasAny(t, {"not a jpeg", "not a png", "not a tiff", "signature", "magic"}))
    reason = "ファイルの識別子がこの形式のものではありません";
  else
    reason = "ファイルが壊れているか、対応していない内容です";
  return std::string(reason) + " (" + text + ")";
}

std::string ForeignFormatName(const std::uint8_t* d, std::size_t n) {
  if (Is(d, n, 0, "RIFF") && Is(d, n, 8, "WEBP")) return "WebP";
  if (Is(d, n, 4, "ftyp") && n >= 12) {
    const std::string brand(reinterpret_cast<const char*>(d + 8), 4);
    if (brand == "avif" || brand == "avis") return "AVIF";
    if (brand == "heic" || brand == "heix" || brand == "hevc" || brand == "hevx" ||
        brand == "heim" || brand == "heis" || brand == "mif1" || brand == "msf1")
      return "HEIF (HEIC)";
  }
  if (Is(d, n, 0, "GIF87a") || Is(d, n, 0, "GIF89a")) return "GIF";
  static const std::uint8_t jp2[] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 13, 10, 0x87, 10};
  if (n >= sizeof jp2 && std::memcmp(d, jp2, sizeof jp2) == 0) return "JPEG 2000";
  if (n >= 4 && d[0] == 0xFF && d[1] == 0x4F && d[2] == 0xFF && d[3] == 0x51) return "JPEG 2000";
  if (Is(d, n, 0, "8BPS")) return "Photoshop (PSD)";
  if (n >= 3 && d[0] == 'P' && d[1] >= '1' && d[1] <= '7' &&
      (d[2] == ' ' || d[2] == '\n' || d[2] == '\r' || d[2] == '\t'))
    return "PNM (PBM/PGM/PPM)";
  return "";
}

}  // namespace zelko
