// The settings file and the recent-projects list.
#include "document/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "test_support.h"

namespace zelko {
namespace {

Settings ReadText(const test::TempDir& dir, const std::string& text) {
  const std::string path = dir.File("zelko.ini");
  test::WriteWholeFile(path, text);
  Settings s;
  Failure error;
  EXPECT_TRUE(ReadSettingsFile(path, &s, &error)) << error;
  return s;
}

std::string ListText(int count, int paths, int emptyAt = -1) {
  std::string text = "[File]\r\nNumber of Listed Files=" + std::to_string(count) + "\r\n";
  for (int i = 0; i < paths; ++i)
    text += "File " + std::to_string(i) + "=" +
            (i == emptyAt ? "" : "/p/" + std::to_string(i) + ".pqs") + "\r\n";
  return text;
}

TEST(Settings, ReadsPlacementListAndFontSize) {
  test::TempDir dir;
  const Settings s = ReadText(dir,
                              "[Form]\r\nLeft=10\r\nTop=-20\r\nWidht=800\r\nHeight=abc\r\n"
                              "[File]\r\nNumber of Listed Files=2\r\nFile 0=/a/\x8c\xbb.pqs\r\n"
                              "File 1=/b/x.pqs\r\nFile 2=/c/unread.pqs\r\n"
                              "[Marker]\r\nFont Size=14\r\n");
  EXPECT_EQ(s.Left, 10);
  EXPECT_EQ(s.Top, -20);
  EXPECT_EQ(s.Width, 800);
  EXPECT_FALSE(s.Height);  // no integer: the window keeps its height
  EXPECT_EQ(s.RecentProjects, (std::vector<std::string>{"/a/現.pqs", "/b/x.pqs"}));
  EXPECT_EQ(s.MarkerFontSize, 14);
}

TEST(Settings, ListCountsAndGaps) {
  test::TempDir dir;
  EXPECT_EQ(ReadText(dir, ListText(12, 11)).RecentProjects.size(), 10u);
  const Settings gap = ReadText(dir, ListText(5, 5, 2));
  EXPECT_EQ(gap.RecentProjects, (std::vector<std::string>{"/p/0.pqs", "/p/1.pqs"}));
  EXPECT_TRUE(ReadText(dir, ListText(-3, 3)).RecentProjects.empty());
  EXPECT_TRUE(ReadText(dir, ListText(0, 3)).RecentProjects.empty());
}

TEST(Settings, MissingFileAndBadFontSizeGiveDefaults) {
  test::TempDir dir;
  Settings s;
  s.MarkerFontSize = 3;
  Failure error;
  ASSERT_TRUE(ReadSettingsFile(dir.File("none.ini"), &s, &error));
  EXPECT_FALSE(s.Left);
  EXPECT_TRUE(s.RecentProjects.empty());
  EXPECT_EQ(s.MarkerFontSize, 10);
  EXPECT_EQ(ReadText(dir, "[Marker]\r\nFont Size=0\r\n").MarkerFontSize, 10);
  EXPECT_EQ(ReadText(dir, "[Marker]\r\nFont Size=big\r\n").MarkerFontSize, 10);
}

TEST(Settings, WritingKeepsOtherKeysAndOldEntries) {
  test::TempDir dir;
  const std::string path = dir.File("zelko.ini");
  test::WriteWholeFile(path, "[Mine]\r\nx=1\r\n" + ListText(3, 3));
  Settings s;
  s.Left = 5;
  s.Top = 6;
  s.Width = 700;
  s.Height = 500;
  s.RecentProjects = {"/new/現場.pqs"};
  s.MarkerFontSize = 12;
  Failure error;
  ASSERT_TRUE(WriteSettingsFile(path, s, &error)) << error;
  EXPECT_EQ(test::ReadWholeFile(path),
            "[Mine]\r\nx=1\r\n"
            "[File]\r\nNumber of Listed Files=1\r\nFile 0=/new/\x8c\xbb\x8f\xea.pqs\r\n"
            "File 1=/p/1.pqs\r\nFile 2=/p/2.pqs\r\n"
            "[Form]\r\nLeft=5\r\nTop=6\r\nWidht=700\r\nHeight=500\r\n"
            "[Marker]\r\nFont Size=12\r\n");
  Settings back;
  ASSERT_TRUE(ReadSettingsFile(path, &back, &error));
  EXPECT_EQ(back.RecentProjects, s.RecentProjects);
  EXPECT_EQ(back.Width, 700);

  // The configuration folder may not exist yet.
  ASSERT_TRUE(WriteSettingsFile(dir.File("config/zelko/zelko.ini"), s, &error)) << error;
}

TEST(Settings, AnUnchangedFileIsNotRewrittenAndAHugeOneIsLeftAlone) {
  test::TempDir dir;
  const std::string path = dir.File("zelko.ini");
  Settings s;
  s.Left = 5;
  s.RecentProjects = {"/p/a.pqs"};
  Failure error;
  ASSERT_TRUE(WriteSettingsFile(path, s, &error)) << error;
  const auto inode = [&] {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_ino;
  };
  const auto first = inode();
  ASSERT_TRUE(WriteSettingsFile(path, s, &error)) << error;
  EXPECT_EQ(inode(), first);
  s.Left = 6;
  ASSERT_TRUE(WriteSettingsFile(path, s, &error)) << error;
  EXPECT_NE(inode(), first);

  // Just over the cap: neither read nor replaced, whatever it holds.
  const std::string huge = "[Form]\r\nLeft=1\r\n;" + std::string(kMaxSettingsFileBytes, 'x');
  test::WriteWholeFile(path, huge);
  Settings read;
  EXPECT_FALSE(ReadSettingsFile(path, &read, &error));
  EXPECT_EQ(error.Kind, FailureKind::TooLarge);
  EXPECT_FALSE(WriteSettingsFile(path, s, &error));
  EXPECT_EQ(error.Kind, FailureKind::TooLarge);
  EXPECT_EQ(test::ReadWholeFile(path), huge);
}

TEST(RecentProjects, MoveToTopDropOldestKeepCaseVariants) {
  std::vector<std::string> list;
  EXPECT_TRUE(AddRecentProject(list, "/a.pqs"));
  EXPECT_FALSE(AddRecentProject(list, "/a.pqs"));  // already on top: the menu stays
  AddRecentProject(list, "/b.pqs");
  AddRecentProject(list, "/c.pqs");
  EXPECT_EQ(list, (std::vector<std::string>{"/c.pqs", "/b.pqs", "/a.pqs"}));
  EXPECT_TRUE(AddRecentProject(list, "/a.pqs"));  // third moves up, the two above move down
  EXPECT_EQ(list, (std::vector<std::string>{"/a.pqs", "/c.pqs", "/b.pqs"}));
  AddRecentProject(list, "/A.pqs");
  EXPECT_EQ(list.size(), 4u);

  list.clear();
  for (int i = 0; i < 10; ++i) AddRecentProject(list, "/" + std::to_string(i) + ".pqs");
  AddRecentProject(list, "/new.pqs");
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list.front(), "/new.pqs");
  EXPECT_EQ(list.back(), "/1.pqs");  // the oldest, /0.pqs, fell off

  RemoveRecentProject(list, 0);
  EXPECT_EQ(list.front(), "/9.pqs");
  EXPECT_EQ(list.size(), 9u);
  RemoveRecentProject(list, 42);
  EXPECT_EQ(list.size(), 9u);
}

TEST(RecentProjects, MenuCaptions) {
  EXPECT_EQ(RecentProjectCaption(0, "/data/site1.pqs"), "&0:site1.pqs");
  EXPECT_EQ(RecentProjectCaption(9, "C:\\現場\\地点.pqs"), "&9:地点.pqs");
}

TEST(SettingsFilePath, BesideTheExecutableOrInTheConfigFolder) {
  auto writable = [](const std::string&) { return true; };
  auto readOnly = [](const std::string&) { return false; };
  EXPECT_EQ(SettingsFilePath("/opt/zelko/zelko", writable, "", "/home/u"), "/opt/zelko/zelko.ini");
  EXPECT_EQ(SettingsFilePath("/opt/zelko/zelko.exe", writable, "", "/home/u"),
            "/opt/zelko/zelko.ini");
  EXPECT_EQ(SettingsFilePath("/usr/bin/zelko", readOnly, "", "/home/u"),
            "/home/u/.config/zelko/zelko.ini");
  EXPECT_EQ(SettingsFilePath("/usr/bin/zelko", readOnly, "/xdg", "/home/u"),
            "/xdg/zelko/zelko.ini");
  EXPECT_EQ(SettingsFilePath("/usr/bin/zelko", readOnly, "relative", "/home/u"),
            "/home/u/.config/zelko/zelko.ini");
}

// Real folders: a temporary folder is writable whoever runs the test, root included, so only the
// layout decides.
TEST(SettingsFilePath, AnInstalledCopyKeepsItsSettingsInTheConfigFolder) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.File("portable"));
  std::filesystem::create_directories(dir.File("prefix/bin"));
  std::filesystem::create_directories(dir.File("prefix/share/zelko/help"));
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  ::setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);

  EXPECT_FALSE(IsInstalledCopy(dir.File("portable/zelko")));
  EXPECT_EQ(SettingsFilePath(dir.File("portable/zelko")), dir.File("portable/zelko.ini"));
  EXPECT_TRUE(IsInstalledCopy(dir.File("prefix/bin/zelko")));
  EXPECT_EQ(SettingsFilePath(dir.File("prefix/bin/zelko")), dir.File("config/zelko/zelko.ini"));

  if (oldXdg)
    ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace zelko
