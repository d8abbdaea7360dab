#include "document/settings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "document/cp932.h"
#include "document/file_io.h"
#include "document/image_path.h"
#include "document/ini_file.h"

namespace zelko {
namespace {

// The file's bytes; a file that does not exist reads as empty with *exists false.
bool LoadSettingsBytes(const std::string& path, std::string* bytes, bool* exists,
                       Failure* failure) {
  struct stat st {};
  *exists = !(::stat(path.c_str(), &st) != 0 && errno == ENOENT);
  bytes->clear();
  return !*exists || ReadFileBytes(path, bytes, failure, kMaxSettingsFileBytes);
}

}  // namespace

bool ReadSettingsFile(const std::string& path, Settings* out, Failure* failure) {
  std::string bytes;
  bool exists = false;
  if (!LoadSettingsBytes(path, &bytes, &exists, failure)) return false;
  const IniFile ini = IniFile::Parse(bytes);
  Settings s;
  s.Left = ini.TryReadInteger("Form", "Left");
  s.Top = ini.TryReadInteger("Form", "Top");
  s.Width = ini.TryReadInteger("Form", "Widht");
  s.Height = ini.TryReadInteger("Form", "Height");
  const int count = std::clamp(ini.ReadInteger("File", "Number of Listed Files", 0), 0,
                               static_cast<int>(kMaxRecentProjects));
  for (int i = 0; i < count; ++i) {
    std::string entry = ini.ReadString("File", "File " + std::to_string(i), "");
    if (entry.empty()) break;
    s.RecentProjects.push_back(std::move(entry));
  }
  const int fontSize = ini.ReadInteger("Marker", "Font Size", 10);
  s.MarkerFontSize = fontSize >= 1 && fontSize <= 255 ? fontSize : 10;
  *out = std::move(s);
  return true;
}

bool WriteSettingsFile(const std::string& path, const Settings& settings, Failure* failure) {
  // A file too large to read is left as it is: what it holds beyond the cap would be lost.
  std::string before;
  bool exists = false;
  if (!LoadSettingsBytes(path, &before, &exists, failure)) return false;
  IniFile ini = IniFile::Parse(before);
  if (settings.Left) ini.WriteInteger("Form", "Left", *settings.Left);
  if (settings.Top) ini.WriteInteger("Form", "Top", *settings.Top);
  if (settings.Width) ini.WriteInteger("Form", "Widht", *settings.Width);
  if (settings.Height) ini.WriteInteger("Form", "Height", *settings.Height);
  // A path the file cannot hold would come back naming another file; it is left out and the
  // entries after it close up.
  std::vector<std::string> recent;
  for (const auto& p : settings.RecentProjects)
    if (recent.size() < kMaxRecentProjects && FitsCp932(p)) recent.push_back(p);
  ini.WriteInteger("File", "Number of Listed Files", static_cast<long long>(recent.size()));
  for (size_t i = 0; i < recent.size(); ++i)
    ini.WriteString("File", "File " + std::to_string(i), recent[i]);
  ini.WriteInteger("Marker", "Font Size", settings.MarkerFontSize);
  const std::string after = ini.Serialize();
  // Every exit writes the settings; a file that already holds them is not rewritten.
  if (exists && after == before) return true;

  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!folder.empty() && !std::filesystem::exists(folder, ec)) {
    std::filesystem::create_directories(folder, ec);
    if (ec) {
      if (failure) *failure = Failure{FailureKind::CreateTemporary, path, ec.value(), {}};
      return false;
    }
  }
  return WriteFileAtomically(path, after, failure);
}

bool AddRecentProject(std::vector<std::string>& list, const std::string& path) {
  if (!list.empty() && list.front() == path) return false;
  list.erase(std::remove(list.begin(), list.end(), path), list.end());
  list.insert(list.begin(), path);
  if (list.size() > kMaxRecentProjects) list.resize(kMaxRecentProjects);
  return true;
}

void RemoveRecentProject(std::vector<std::string>& list, std::size_t index) {
  if (index < list.size()) list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

std::string RecentProjectCaption(std::size_t index, const std::string& path) {
  return "&" + std::to_string(index) + ":" + FileNameOf(path);
}

std::string SettingsFilePath(const std::string& executablePath,
                             const std::function<bool(const std::string& folder)>& folderWritable,
                             const std::string& xdgConfigHome, const std::string& home) {
  std::filesystem::path exe(executablePath);
  std::filesystem::path beside = exe;
  beside.replace_extension(".ini");
  std::string folder = exe.parent_path().string();
  if (folder.empty()) folder = ".";
  if (folderWritable(folder)) return beside.string();
  std::filesystem::path config;
  if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/')
    config = xdgConfigHome;
  else
    config = std::filesystem::path(home) / ".config";
  return (config / "zelko" / beside.filename()).string();
}

std::string SettingsFilePath(const std::string& executablePath) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  return SettingsFilePath(
      executablePath,
      [&](const std::string& folder) {
        return ::access(folder.c_str(), W_OK) == 0 && !IsInstalledCopy(executablePath);
      },
      xdg ? xdg : "", home ? home : "");
}

bool IsInstalledCopy(const std::string& executablePath) {
  std::filesystem::path folder = std::filesystem::path(executablePath).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  return std::filesystem::is_directory(folder / ".." / "share" / "zelko", ec);
}

}  // namespace zelko
