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

// The image path as a project file stores it: the bare file name when the image folder is the
// project folder (ignoring letter case), the path below the project folder when the image folder
// begins with it (with case), otherwise the image path unchanged; always with "\". A project
// folder given without its final separator is taken with it.
std::string RelativeImagePath(const std::string& projectFolder, const std::string& imagePath);

// The image a binary project names: the project folder followed by the stored text, otherwise
// the stored text itself when it is an absolute path; nullopt when neither exists (the window
// then asks for the file named FileNameOf(stored)).
std::optional<std::string> ResolveStoredImagePath(const std::string& projectFolder,
                                                  const std::string& stored,
                                                  const FileExistsFn& exists = FileExists);

// The image candidate of a keyed-text project: the project folder followed by the stored text
// when it has no folder part; the stored path itself when a file exists there (a relative one
// counted from the project folder); otherwise the project folder followed by its file name.
// The caller reports a candidate that does not exist.
std::string KeyedTextImageCandidate(const std::string& projectFolder, const std::string& stored,
                                    const FileExistsFn& exists = FileExists);

}  // namespace zelko
