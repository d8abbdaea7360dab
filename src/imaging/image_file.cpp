#include "imaging/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "document/file_io.h"
#include "imaging/bmp_codec.h"
#include "imaging/image_formats.h"
#include "imaging/jpeg_codec.h"
#include "imaging/mapped_file.h"

namespace zelko {

std::string UpperExtension(const std::string& path) {
  const auto sep = path.find_last_of("/\\:");
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return "";
  std::string ext = path.substr(dot);
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return ext;
}

std::string WithImageExtension(const std::string& path, const std::string& ext) {
  const auto sep = path.find_last_of("/\\:");
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return path + ext;
  return path.substr(0, dot) + ext;
}

std::vector<std::uint8_t> ReadImageFileBytes(const std::string& path, std::uint64_t maxBytes) {
  // The same checks as an open (a regular file, a named pipe never waited for), then a copy.
  const MappedFile file(path);
  if (file.Size() > maxBytes)
    throw ImagingError("ファイル \"" + path + "\" が大きすぎます (" + std::to_string(file.Size()) +
                       " バイト)");
  return {file.Data(), file.Data() + file.Size()};
}

bool IsImageFile(const std::string& path) {
  if (IsImageExtension(path)) return true;
  std::uint8_t head[16];
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  ssize_t n = -1;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) n = ::read(fd, head, sizeof head);
  ::close(fd);
  return n > 0 && FormatOfContent(head, static_cast<std::size_t>(n)) != nullptr;
}

DecodedImage LoadImage(const std::string& path, const DecodeLimits& limits) {
  // Mapped, not read into a buffer of its own: no copy, and the memory rule alone decides
  // what is too large.
  const MappedFile file(path);
  DecodeLimits mapped = limits;
  mapped.heldBytes += file.Size();
  mapped.mappedInput = true;
  return DecodeImageBytes(file.Data(), file.Size(), path, mapped);
}

Bitmap LoadImageFile(const std::string& path, std::string* warning) {
  if (warning != nullptr) warning->clear();
  DecodedImage d = LoadImage(path, MachineDecodeLimits());
  if (warning != nullptr) *warning = d.warning;
  return std::move(d.bitmap);
}

bool WriteImageFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                              Failure* failure) {
  // The same safe replacement as the project files: a read-only target stays as it is, a
  // replaced one keeps its permissions.
  return WriteFileAtomically(
      path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), failure);
}

std::vector<std::uint8_t> EncodeImageForPath(const Bitmap& bitmap, const std::string& path,
                                             int jpegQuality) {
  const std::string ext = UpperExtension(path);
  if (ext == ".JPG") return EncodeJpeg(bitmap, jpegQuality);
  if (ext == ".BMP") return WriteBmp(bitmap);
  throw ImagingError("\"" + path + "\" の拡張子は .jpg でも .bmp でもありません");
}

}  // namespace zelko
