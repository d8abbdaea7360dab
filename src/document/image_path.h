// Image paths in project files: stored relative to the project folder with "\" as separator;
// on reading both "\" and "/" separate folders.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace zelko {

using FileExistsFn = std::function<bool(const std::string& path)>;

// True when a regular file exists at the path (a folder does not count).
bool FileExists(const std::string& path);

// The folder part including its final separator ("/" or "\"), empty when there is none.
std::string FolderOf(const std::string& path);
// The part after the last separator.
std::string FileNameOf(const std::string& path);
// "\" becomes "/" (the form this system opens); "/" becomes "\" (the form files store).
std::string ToNativePath(const std::string& path);
std::string ToStoredPath(const std::string& path);

// True when both name the same existing folder on disk (through links, "." and "..").
using SameFolderFn = std::function<bool(const std::string& a, const std::string& b)>;
bool SameFolderOnDisk(const std::string& a, const std::string& b);

// The image path as a project file stores it: the bare file name when the image lies in the
// project folder, the path below the project folder when the image folder begins with it,
// otherwise the image path unchanged; always with "\". Folder names compare with letter case,
// as this system's file names do; two spellings of one folder on disk also count as the same
// (a case-blind volume, a link). A project folder given without its final separator is taken
// with it.
std::string RelativeImagePath(const std::string& projectFolder, const std::string& imagePath,
                              const SameFolderFn& sameFolder = SameFolderOnDisk);

// The image a project names: the project folder followed by the stored text, otherwise the
// stored text itself when it is an absolute path, otherwise the stored file name beside the
// project (a project written elsewhere, with a drive letter or a folder that is gone); nullopt
// when none exists (the binary reader then asks for the file named FileNameOf(stored)).
std::optional<std::string> ResolveStoredImagePath(const std::string& projectFolder,
                                                  const std::string& stored,
                                                  const FileExistsFn& exists = FileExists);

// The image of a keyed-text project, found as ResolveStoredImagePath finds it; when nothing is
// found, the path beside the project under the stored file name, which the caller reports as
// missing.
std::string KeyedTextImageCandidate(const std::string& projectFolder, const std::string& stored,
                                    const FileExistsFn& exists = FileExists);

}  // namespace zelko
