#include "imaging/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "imaging/bitmap.h"

namespace zelko {
namespace {

// A run of reads is let go in steps of this much.
constexpr std::uint64_t kReleaseStep = std::uint64_t{4} << 20;

const std::uint8_t kNothing[1] = {0};

}  // namespace

MappedFile::MappedFile(const std::string& path) : data_(kNothing) {
  // Without O_NONBLOCK a named pipe would block the open until a writer comes; it is then
  // refused below as no regular file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw ImagingError("ファイル \"" + path + "\" を開けません: " + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw ImagingError("\"" + path + "\" は通常のファイルではありません");
  }
  size_ = static_cast<std::size_t>(st.st_size);
  if (size_ > 0) {
    map_ = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
    if (map_ == MAP_FAILED) {
      const int e = errno;
      ::close(fd);
      map_ = nullptr;
      throw ImagingError("ファイル \"" + path + "\" を読めません: " + std::strerror(e));
    }
    data_ = static_cast<const std::uint8_t*>(map_);
  }
  // The mapping stays valid without the descriptor.
  ::close(fd);
}

MappedFile::~MappedFile() {
  if (map_ != nullptr) ::munmap(map_, size_);
}

void ReadBehind::Read(std::uint64_t offset, std::uint64_t n) {
  if (!mapped_ || n == 0) return;
  if (offset != to_) {
    Release();
    from_ = offset;
  }
  to_ = offset + n;
  if (to_ - from_ >= kReleaseStep) {
    Release();
    from_ = to_;
  }
}

void ReadBehind::Release() {
  if (!mapped_) return;
  const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  const auto base = reinterpret_cast<std::uintptr_t>(data_);
  const std::uint64_t end = to_ < size_ ? to_ : size_;
  // Whole pages only: the ends of the run may share a page with bytes still to be read.
  const std::uint64_t first = (base + from_ + page - 1) / page * page;
  const std::uint64_t last = (base + end) / page * page;
  if (last > first)
    ::madvise(reinterpret_cast<void*>(first), static_cast<std::size_t>(last - first),
              MADV_DONTNEED);
}

}  // namespace zelko
