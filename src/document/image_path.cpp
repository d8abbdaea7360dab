#include "document/image_path.h"

#include <sys/stat.h>

#include <algorithm>

namespace zelko {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Compares the first n characters; separators match each other.
bool SamePrefix(const std::string& a, const std::string& b, size_t n) {
  if (a.size() < n || b.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (IsSeparator(a[i]) && IsSeparator(b[i])) continue;
    if (a[i] != b[i]) return false;
  }
  return true;
}

bool IsAbsolute(const std::string& nativePath) {
  return !nativePath.empty() && nativePath[0] == '/';
}

// The project folder with a final separator, so that joining never runs two names together.
std::string WithSeparator(const std::string& folder) {
  if (folder.empty() || IsSeparator(folder.back())) return folder;
  return folder + "/";
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FolderOf(const std::string& path) {
  const auto pos = path.find_last_of("/\\");
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string FileNameOf(const std::string& path) {
  const auto pos = path.find_last_of("/\\");
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ToNativePath(const std::string& path) {
  std::string out = path;
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::string ToStoredPath(const std::string& path) {
  std::string out = path;
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

bool SameFolderOnDisk(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  const std::string na = ToNativePath(a), nb = ToNativePath(b);
  return !na.empty() && !nb.empty() && ::stat(na.c_str(), &sa) == 0 &&
         ::stat(nb.c_str(), &sb) == 0 && S_ISDIR(sa.st_mode) && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string RelativeImagePath(const std::string& folder, const std::string& imagePath,
                              const SameFolderFn& sameFolder) {
  const std::string projectFolder = WithSeparator(folder);
  const std::string imageFolder = FolderOf(imagePath);
  // Folders that differ only in letter case are different folders here; only the disk can say
  // that two spellings are one.
  if ((imageFolder.size() == projectFolder.size() &&
       SamePrefix(imageFolder, projectFolder, projectFolder.size())) ||
      (!imageFolder.empty() && sameFolder && sameFolder(imageFolder, projectFolder)))
    return ToStoredPath(FileNameOf(imagePath));
  if (SamePrefix(imageFolder, projectFolder, projectFolder.size()))
    return ToStoredPath(imagePath.substr(projectFolder.size()));
  return ToStoredPath(imagePath);
}

std::optional<std::string> ResolveStoredImagePath(const std::string& projectFolder,
                                                  const std::string& stored,
                                                  const FileExistsFn& exists) {
  const std::string native = ToNativePath(stored);
  if (native.empty()) return std::nullopt;
  const std::string folder = WithSeparator(projectFolder);
  const std::string itself = IsAbsolute(native) ? native : folder + native;
  if (exists(itself)) return itself;
  // The folder it names may belong to another computer; moved along, the image lies beside.
  const std::string name = FileNameOf(native);
  if (!name.empty() && name != "." && name != ".." && exists(folder + name)) return folder + name;
  return std::nullopt;
}

std::string KeyedTextImageCandidate(const std::string& projectFolder, const std::string& stored,
                                    const FileExistsFn& exists) {
  if (auto found = ResolveStoredImagePath(projectFolder, stored, exists)) return *found;
  return WithSeparator(projectFolder) + FileNameOf(ToNativePath(stored));
}

}  // namespace zelko
