// The settings file (window placement, recent projects, marker font size) and the
// recent-projects list.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "document/failure.h"

namespace zelko {

inline constexpr std::size_t kMaxRecentProjects = 10;
// Ten recent paths and the placement take a few kilobytes; a larger file is none of ours and is
// neither read nor rewritten.
inline constexpr std::size_t kMaxSettingsFileBytes = std::size_t{1} << 20;

struct Settings {
  // Missing or unreadable values are empty: the window keeps its current placement.
  std::optional<int> Left;
  std::optional<int> Top;
  std::optional<int> Width;  // stored under the key "Widht"
  std::optional<int> Height;
  std::vector<std::string> RecentProjects;  // most recent first, at most 10, none empty
  int MarkerFontSize = 10;
};

// A file that does not exist gives the defaults. A list count above 10 counts as 10, a negative
// one as 0; the list stops at the first empty entry. A font size outside 1..255 (which no
// project could store) reads as 10. False with a reason only when the file cannot be read or
// is larger than kMaxSettingsFileBytes.
bool ReadSettingsFile(const std::string& path, Settings* out, Failure* failure);

// Writes the keys of the settings into the file, keeping every other section and key (also
// list entries beyond the current count). Recent projects whose paths CP932 cannot hold are
// left out. Placement values that are empty are not written.
// Creates the file's folder when it is missing; writes atomically, and not at all when the file
// already holds these bytes. A file larger than kMaxSettingsFileBytes is refused, unchanged.
bool WriteSettingsFile(const std::string& path, const Settings& settings, Failure* failure);

// Puts path at the top of the list: nothing happens when it is there already (false: the menu
// need not be rebuilt); otherwise every equal entry (compared byte for byte) is removed, the
// others move down and the eleventh falls off.
bool AddRecentProject(std::vector<std::string>& list, const std::string& path);
// Removes entry index; the entries after it move up.
void RemoveRecentProject(std::vector<std::string>& list, std::size_t index);
// "&" + index + ":" + the file name of path without its folder: "&0:site1.pqs".
std::string RecentProjectCaption(std::size_t index, const std::string& path);

// The executable's path with its extension replaced by ".ini" when that folder is writable,
// otherwise "zelko/" + that file name in the user's configuration folder ($XDG_CONFIG_HOME, or
// $HOME/.config when it is unset or not absolute).
std::string SettingsFilePath(const std::string& executablePath,
                             const std::function<bool(const std::string& folder)>& folderWritable,
                             const std::string& xdgConfigHome, const std::string& home);
// The same with the real environment. The executable's folder counts as writable only when the
// process may write there and the executable is not an installed copy: an installed program run
// by root, or installed under a user's own prefix, keeps its settings in the config folder.
std::string SettingsFilePath(const std::string& executablePath);

// True when the executable sits in an installed tree, with its data folder (share/zelko) beside
// its own folder.
bool IsInstalledCopy(const std::string& executablePath);

}  // namespace zelko
