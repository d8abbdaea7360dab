#include "document/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zelko {
namespace {

bool Fail(Failure* failure, FailureKind kind, const std::string& path, int err = 0,
          std::string detail = {}) {
  if (failure) *failure = Failure{kind, path, err, std::move(detail)};
  return false;
}

std::string FolderPart(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A plain write into an existing file would be refused: the caller may not write it, or nobody
// may (no write permission for its owner, which access() overlooks for the superuser).
bool Writable(const std::string& path, const struct stat& st) {
  return (st.st_mode & S_IWUSR) != 0 && ::access(path.c_str(), W_OK) == 0;
}

// A save's temporary file is "." + name + ".zelko-" + six random characters in the target's
// folder; a name the folder cannot hold with that much added is replaced by its hash, so that
// every name the file system accepts can be saved.
std::string TemporaryPrefix(const std::string& folder, const std::string& name) {
  constexpr std::size_t kRandomChars = 6;
  const std::string tail = ".zelko-";
  long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  if (nameMax <= 0) nameMax = 255;
  if (1 + name.size() + tail.size() + kRandomChars <= static_cast<std::size_t>(nameMax))
    return "." + name + tail;
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return "." + std::string(hex) + tail;
}

// A save holds an exclusive lock on its temporary file until the file has taken the target's
// place, so a temporary that can be locked belongs to a save that was killed. Only files of this
// program's own pattern are looked at, and only those the caller owns (the superuser's saves give
// theirs to the target's owner).
void RemoveLeftovers(const std::string& folder, const std::string& prefix) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* e = ::readdir(dir)) {
    const std::string entry = e->d_name;
    if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string path = folder + "/" + entry;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        (st.st_uid == ::geteuid() || ::geteuid() == 0) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // The name may meanwhile have been removed and taken by a new save's file.
      struct stat now {};
      if (::lstat(path.c_str(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino)
        ::unlink(path.c_str());
    }
    ::close(fd);
  }
  ::closedir(dir);
}

// Creates the temporary file and locks it; a file another save's tidying removed between the two
// is made again. -1 with errno set when no file can be made.
int CreateLockedTemporary(const std::string& pattern, std::string* tempPath) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat mine {
    }, named{};
    if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &mine) == 0 && ::lstat(name.data(), &named) == 0 &&
        mine.st_dev == named.st_dev && mine.st_ino == named.st_ino) {
      *tempPath = name.data();
      return fd;
    }
    ::close(fd);
  }
  errno = EAGAIN;
  return -1;
}

// The rename is an entry of the folder: flushed, it survives a power loss like the data.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::string* bytes, Failure* failure,
                   std::size_t maxBytes) {
  // Without O_NONBLOCK a named pipe would block the open until a writer comes; it is then
  // refused below as no regular file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    return Fail(failure, FailureKind::Open, path, errno);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Fail(failure, FailureKind::NotRegularFile, path);
  }
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
    ::close(fd);
    return Fail(failure, FailureKind::TooLarge, path);
  }
  std::string data;
  data.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      return Fail(failure, FailureKind::Read, path, err);
    }
    if (n == 0) break;
    if (data.size() + static_cast<size_t>(n) > maxBytes) {
      ::close(fd);
      return Fail(failure, FailureKind::TooLarge, path);
    }
    data.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  *bytes = std::move(data);
  return true;
}

bool WriteFileAtomically(const std::string& target, std::string_view bytes, Failure* failure) {
  return WriteFileAtomicallyFrom(
      target,
      [bytes](const ByteSink& sink) {
        sink(bytes);
        return true;
      },
      failure);
}

bool WriteFileAtomicallyFrom(const std::string& target,
                             const std::function<bool(const ByteSink&)>& produce,
                             Failure* failure) {
  if (target.empty() || target.back() == '/') {
    return Fail(failure, FailureKind::NoFileName, target);
  }
  // Replace the file a link points to, not the link.
  std::string path = target;
  struct stat linkStat {};
  if (::lstat(target.c_str(), &linkStat) == 0 && S_ISLNK(linkStat.st_mode)) {
    if (char* resolved = ::realpath(target.c_str(), nullptr)) {
      path = resolved;
      std::free(resolved);
    }
  }
  struct stat old {};
  const bool exists = ::stat(path.c_str(), &old) == 0;
  // A device or a pipe would be replaced by a regular file, not written.
  if (exists && !S_ISREG(old.st_mode)) {
    return Fail(failure, FailureKind::NotRegularFile, path);
  }
  if (exists && !Writable(path, old)) {
    return Fail(failure, FailureKind::NotWritable, path, EACCES);
  }
  const std::string folder = FolderPart(path), base = path.substr(path.find_last_of('/') + 1);
  const std::string prefix = TemporaryPrefix(folder, base);
  RemoveLeftovers(folder, prefix);
  std::string tempPath;
  const int fd = CreateLockedTemporary(folder + "/" + prefix + "XXXXXX", &tempPath);
  if (fd < 0) {
    return Fail(failure, FailureKind::CreateTemporary, path, errno);
  }
  auto fail = [&](const char* step, int err) {
    ::unlink(tempPath.c_str());
    ::close(fd);
    return Fail(failure, FailureKind::Write, path, err, step);
  };

  // mkostemp makes the file private; give it the owner and mode the target has or a new file
  // would get. Only the superuser may give a file away; others keep at least the group where
  // they belong to it, and otherwise the file becomes theirs as a new one would.
  mode_t mode;
  if (exists) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      [[maybe_unused]] const int groupOnly = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0) return fail("cannot set the permissions for", errno);

  // Pieces are gathered into large writes; after the first error the rest is dropped.
  std::vector<char> buffer;
  buffer.reserve(std::size_t{1} << 18);
  int writeError = 0;
  const auto writeOut = [&](const char* data, std::size_t size) {
    while (size > 0 && writeError == 0) {
      const ssize_t n = ::write(fd, data, size);
      if (n < 0) {
        if (errno != EINTR) writeError = errno;
        continue;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
  };
  const ByteSink sink = [&](std::string_view piece) {
    if (writeError != 0) return;
    if (buffer.size() + piece.size() > buffer.capacity()) {
      writeOut(buffer.data(), buffer.size());
      buffer.clear();
    }
    if (piece.size() >= buffer.capacity())
      writeOut(piece.data(), piece.size());
    else
      buffer.insert(buffer.end(), piece.begin(), piece.end());
  };
  if (!produce(sink)) {
    ::unlink(tempPath.c_str());
    ::close(fd);
    return false;
  }
  writeOut(buffer.data(), buffer.size());
  if (writeError != 0) return fail("", writeError);
  if (::fsync(fd) != 0) return fail("cannot flush", errno);
  // The lock lives on in a second descriptor until the rename, so that no other save takes the
  // complete file for a leftover; closing the first reports what a network file system could
  // not store.
  const int lockFd = ::dup(fd);
  if (lockFd < 0) return fail("cannot flush", errno);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(tempPath.c_str());
    ::close(lockFd);
    return Fail(failure, FailureKind::Write, path, err);
  }
  if (::rename(tempPath.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tempPath.c_str());
    ::close(lockFd);
    return Fail(failure, FailureKind::Replace, path, err);
  }
  ::close(lockFd);
  SyncFolder(folder);
  return true;
}

}  // namespace zelko
