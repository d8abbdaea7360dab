#include "document/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
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

// How long this process has been running, in seconds (from its start time in /proc, in clock
// ticks since boot); negative when unknown.
double ProcessAge() {
  std::ifstream in("/proc/self/stat");
  std::string text;
  std::getline(in, text);
  const auto end = text.rfind(')');  // the command name may hold spaces and brackets
  if (end == std::string::npos) return -1;
  std::istringstream fields(text.substr(end + 1));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
  }
  timespec now{};
  if (!fields || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 -
         std::strtod(field.c_str(), nullptr) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// A save killed before its rename leaves its temporary file ("." + name + ".XXXXXX") behind.
// Such files of this program older than the running process belong to no save in progress.
void RemoveLeftovers(const std::string& folder, const std::string& name) {
  constexpr double kClockMargin = 1;  // seconds
  const double age = ProcessAge();
  timespec now{};
  if (age < 0 || ::clock_gettime(CLOCK_REALTIME, &now) != 0) return;
  const std::string prefix = "." + name + ".";
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* e = ::readdir(dir)) {
    const std::string entry = e->d_name;
    if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string path = folder + "/" + entry;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // Untouched since before this process began: no save that runs now is writing it. The
    // margin covers the coarse clocks of start times and file times, which made a file written
    // a moment ago look older than a process only milliseconds old.
    const double untouched = static_cast<double>(now.tv_sec - st.st_mtim.tv_sec) +
                             (now.tv_nsec - st.st_mtim.tv_nsec) / 1e9;
    if (untouched > age + kClockMargin) ::unlink(path.c_str());
  }
  ::closedir(dir);
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
  if (exists && !Writable(path, old)) {
    return Fail(failure, FailureKind::NotWritable, path, EACCES);
  }
  const std::string folder = FolderPart(path), base = path.substr(path.find_last_of('/') + 1);
  RemoveLeftovers(folder, base);
  std::string tempPath = folder + "/." + base + ".XXXXXX";
  std::vector<char> name(tempPath.begin(), tempPath.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    return Fail(failure, FailureKind::CreateTemporary, path, errno);
  }
  tempPath = name.data();
  auto fail = [&](const char* step, int err) {
    ::close(fd);
    ::unlink(tempPath.c_str());
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

  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail("", errno);
    }
    written += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return fail("cannot flush", errno);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(tempPath.c_str());
    return Fail(failure, FailureKind::Write, path, err);
  }
  if (::rename(tempPath.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tempPath.c_str());
    return Fail(failure, FailureKind::Replace, path, err);
  }
  SyncFolder(folder);
  return true;
}

}  // namespace zelko
