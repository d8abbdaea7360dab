// An image file mapped read-only for decoding, and letting go of the pages a decoder has read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelko {

// The whole of a regular file mapped read-only: nothing is copied, and the kernel reads the
// pages as the decoder touches them. Throws ImagingError naming the file when it cannot be
// opened, is no regular file or cannot be mapped.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  const std::uint8_t* Data() const { return data_; }
  std::size_t Size() const { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_ = 0;
  void* map_ = nullptr;
};

// Follows a decoder's reads of a mapped file and returns the pages of a run of reads in order
// to the page cache once it is a few megabytes long, so that a file read once does not stay
// resident beside its decoded image. A page is read again from the cache if it is wanted later.
// Does nothing for bytes that are not a mapping (they would be lost).
class ReadBehind {
 public:
  ReadBehind(const std::uint8_t* data, std::size_t size, bool mapped)
      : data_(data), size_(size), mapped_(mapped) {}
  ~ReadBehind() { Release(); }
  ReadBehind(const ReadBehind&) = delete;
  ReadBehind& operator=(const ReadBehind&) = delete;
  // Bytes [offset, offset + n) were just read.
  void Read(std::uint64_t offset, std::uint64_t n);

 private:
  void Release();
  const std::uint8_t* data_;
  std::size_t size_;
  bool mapped_;
  std::uint64_t from_ = 0, to_ = 0;  // the present run of reads
};

}  // namespace zelko
