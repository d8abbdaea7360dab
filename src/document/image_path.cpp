#include "document/image_path.h"

#include <sys/stat.h>

#include <algorithm>

namespace zelko {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

char FoldForFolder(char c, bool ignoreCase) {
  if (IsSeparator(c)) return '/';
  if (ignoreCase && c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c;
}

// Compares the first n characters; separators match each other.
bool SamePrefix(const std::string& a, const std::string& b, size_t n, bool ignoreCase) {
  if (a.size() < n || b.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (FoldForFolder(a[i], ignoreCase) != FoldForFolder(b[i], ignoreCase)) return false;
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

std::string RelativeImagePath(const std::string& folder, const std::string& imagePath) {
  const std::string projectFolder = WithSeparator(folder);
  const std::string imageFolder = FolderOf(imagePath);
  if (imageFolder.size() == projectFolder.size() &&
      SamePrefix(imageFolder, projectFolder, projectFolder.size(), true))
    return ToStoredPath(FileNameOf(imagePath));
  if (SamePrefix(imageFolder, projectFolder, projectFolder.size(), false))
    return ToStoredPath(imagePath.substr(projectFolder.size()));
  return ToStoredPath(imagePath);
}

std::optional<std::string> ResolveStoredImagePath(const std::string& projectFolder,
                                                  const std::string& stored,
                                                  const FileExistsFn& exists) {
  const std::string native = ToNativePath(stored);
  if (native.empty()) return std::nullopt;
  const std::string beside = WithSeparator(projectFolder) + native;
  if (!IsAbsolute(native) && exists(beside)) return beside;
  if (IsAbsolute(native) && exists(native)) return native;
  return std::nullopt;
}

std::string KeyedTextImageCandidate(const std::string& projectFolder, const std::string& stored,
                                    const FileExistsFn& exists) {
  const std::string folder = WithSeparator(projectFolder);
  const std::string native = ToNativePath(stored);
  if (FolderOf(native).empty()) return folder + native;
  const std::string itself = IsAbsolute(native) ? native : folder + native;
  if (exists(itself)) return itself;
  return folder + FileNameOf(native);
}

}  // namespace zelko
