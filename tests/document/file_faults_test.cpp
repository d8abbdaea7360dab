// What the document's files refuse to do: replace a read-only file, lose a file's permissions,
// store a path that would come back naming another file, or keep such a path in the settings.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>

#include "document/cp932.h"
#include "document/file_io.h"
#include "document/image_path.h"
#include "document/project_file.h"
#include "document/settings.h"
#include "test_support.h"

namespace zelko {
namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

size_t EntriesIn(const std::string& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(AtomicWrite, AReadOnlyFileIsRefusedEvenForTheSuperuser) {
  test::TempDir dir;
  const std::string path = dir.File("locked.pqs");
  test::WriteWholeFile(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  Failure error;
  EXPECT_FALSE(WriteFileAtomically(path, "new", &error));
  EXPECT_NE(error.Text().find("locked.pqs"), std::string::npos) << error;
  EXPECT_EQ(test::ReadWholeFile(path), "old");
  EXPECT_EQ(ModeOf(path), 0444u);
  EXPECT_EQ(EntriesIn(dir.Folder()), 1u);  // no temporary file left behind

  // Through a link the file it points to is the one that counts.
  ASSERT_EQ(::symlink(path.c_str(), dir.File("link.pqs").c_str()), 0);
  EXPECT_FALSE(WriteFileAtomically(dir.File("link.pqs"), "new", &error));
  EXPECT_EQ(error.Kind, FailureKind::NotWritable);
  EXPECT_EQ(error.Path, path);  // the window names the file that refused
  EXPECT_EQ(test::ReadWholeFile(path), "old");
}

TEST(AtomicWrite, AReplacedFileKeepsItsPermissionsAndOwner) {
  test::TempDir dir;
  const std::string path = dir.File("shared.pqs");
  test::WriteWholeFile(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  // As the superuser the file can belong to someone else, whose it must stay.
  if (root) ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
  Failure error;
  ASSERT_TRUE(WriteFileAtomically(path, "new", &error)) << error;
  EXPECT_EQ(test::ReadWholeFile(path), "new");
  EXPECT_EQ(ModeOf(path), 0640u);
  if (root) {
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
  }

  // A new file gets what the umask leaves of rw for everyone.
  const mode_t old = ::umask(022);
  ASSERT_TRUE(WriteFileAtomically(dir.File("fresh.pqs"), "x", &error)) << error;
  ::umask(old);
  EXPECT_EQ(ModeOf(dir.File("fresh.pqs")), 0644u);
}

TEST(AtomicWrite, ASaveRemovesOnlyItsOwnLeftoversWhoseSaveIsGone) {
  test::TempDir dir;
  const std::string target = dir.File("site.pqs");
  const std::string killed = dir.File(".site.pqs.zelko-Ab12Cd");
  const std::string stalled = dir.File(".site.pqs.zelko-Xy34Zw");
  const std::string usersOwn = dir.File(".site.pqs.backup");  // same length, the user's file
  const std::string other = dir.File(".other.pqs.zelko-Ab12Cd");
  for (const std::string& f : {killed, stalled, usersOwn, other})
    test::WriteWholeFile(f, "partial");
  // Age says nothing: a save that stalls for an hour still holds its lock.
  const timespec hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
  for (const std::string& f : {killed, stalled, usersOwn, other})
    ASSERT_EQ(::utimensat(AT_FDCWD, f.c_str(), hourAgo, 0), 0);
  const int lock = ::open(stalled.c_str(), O_RDONLY);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  Failure error;
  ASSERT_TRUE(WriteFileAtomically(target, "new", &error)) << error;
  ::close(lock);
  EXPECT_FALSE(test::FileExistsForTest(killed));
  EXPECT_TRUE(test::FileExistsForTest(stalled));
  EXPECT_EQ(test::ReadWholeFile(usersOwn), "partial");
  EXPECT_TRUE(test::FileExistsForTest(other));
  EXPECT_EQ(test::ReadWholeFile(target), "new");
  // Once the stalled save is gone, the next save tidies its file too.
  ASSERT_TRUE(WriteFileAtomically(target, "newer", &error)) << error;
  EXPECT_FALSE(test::FileExistsForTest(stalled));
}

TEST(AtomicWrite, TwoSavesAtOnceNeitherLosesItsFile) {
  test::TempDir dir;
  const std::string target = dir.File("shared.pqs");
  const std::string big(4 << 20, 'x');
  for (int round = 0; round < 4; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      Failure error;
      bool ok = true;
      for (int i = 0; i < 10; ++i) ok = WriteFileAtomically(target, big, &error) && ok;
      ::_exit(ok ? 0 : 1);
    }
    Failure error;
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(WriteFileAtomically(target, "small", &error)) << error;
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::string now = test::ReadWholeFile(target);
  EXPECT_TRUE(now == big || now == "small");
  EXPECT_EQ(EntriesIn(dir.Folder()), 1u);
}

TEST(AtomicWrite, PipesDevicesAndFoldersAreRefusedAndStayWhatTheyAre) {
  test::TempDir dir;
  const std::string fifo = dir.File("pipe.pqs");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::symlink(fifo.c_str(), dir.File("to-pipe.pqs").c_str()), 0);
  ASSERT_EQ(::mkdir(dir.File("folder.pqs").c_str(), 0700), 0);
  std::vector<std::string> targets = {fifo, dir.File("to-pipe.pqs"), dir.File("folder.pqs")};
  // A null device of our own, so that a fault could not replace the system's.
  const std::string device = dir.File("null.pqs");
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    ASSERT_EQ(::symlink(device.c_str(), dir.File("to-device.pqs").c_str()), 0);
    targets.push_back(device);
    targets.push_back(dir.File("to-device.pqs"));
  }
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    Failure error;
    EXPECT_FALSE(WriteProjectFile(target, ProjectData(), &error));
    EXPECT_EQ(error.Kind, FailureKind::NotRegularFile);
    EXPECT_FALSE(WriteSettingsFile(target, Settings(), &error));
    EXPECT_EQ(error.Kind, FailureKind::NotRegularFile);
  }
  struct stat st {};
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ASSERT_EQ(::lstat(dir.File("to-pipe.pqs").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  if (targets.size() > 3) {
    ASSERT_EQ(::stat(device.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
  }
  EXPECT_EQ(EntriesIn(dir.Folder()), targets.size());  // no temporary file left behind
}

TEST(AtomicWrite, EveryNameTheFileSystemTakesCanBeSaved) {
  test::TempDir dir;
  std::string japanese;
  for (int i = 0; i < 83; ++i) japanese += "測";  // 249 bytes
  const std::vector<std::string> names = {japanese + ".pqs", std::string(255, 'a'),
                                          std::string(241, 'b'), std::string(242, 'c')};
  for (const std::string& name : names) {
    SCOPED_TRACE(name.size());
    const std::string path = dir.File(name);
    Failure error;
    ASSERT_TRUE(WriteProjectFile(path, ProjectData(), &error)) << error;
    ASSERT_TRUE(WriteProjectFile(path, ProjectData(), &error)) << error;  // over the old file
    EXPECT_TRUE(ReadProjectFile(path).Error.Kind == FailureKind::None);
  }
  EXPECT_EQ(EntriesIn(dir.Folder()), names.size());
  // The hashed temporary of a long name is this program's too: a killed save's is tidied.
  const std::string longName = dir.File(std::string(255, 'a'));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Failure error;
    WriteFileAtomically(longName, std::string(64 << 20, 'z'), &error);
    ::_exit(0);
  }
  ::usleep(20000);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  Failure error;
  ASSERT_TRUE(WriteFileAtomically(longName, "new", &error)) << error;
  EXPECT_EQ(EntriesIn(dir.Folder()), names.size());
}

// Runs zelko-cli convert IN OUT; with killAfterMicroseconds >= 0 it is killed by SIGKILL then.
bool Convert(const std::string& in, const std::string& out, int killAfterMicroseconds = -1) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    if (!::freopen("/dev/null", "w", stderr)) ::_exit(126);
    ::execl(ZELKO_CLI, "zelko-cli", "convert", in.c_str(), out.c_str(), nullptr);
    ::_exit(127);
  }
  if (killAfterMicroseconds >= 0) {
    ::usleep(static_cast<useconds_t>(killAfterMicroseconds));
    ::kill(child, SIGKILL);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(AtomicWrite, AConvertKilledAtAnyMomentLeavesTheOldOrTheWholeNewFile) {
  test::TempDir dir;
  ProjectData big;
  big.Lines.resize(8);
  for (TLine& line : big.Lines) {
    line.NumPoints = 50000;
    for (int i = 0; i < line.NumPoints; ++i) line.Points.push_back({"", i * 0.5, i * 0.25});
  }
  Failure error;
  const std::string in = dir.File("big.pqs"), target = dir.File("out.pqs");
  ASSERT_TRUE(WriteProjectFile(in, big, &error)) << error;
  ASSERT_TRUE(WriteProjectFile(target, ProjectData(), &error)) << error;
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(Convert(in, dir.File("reference.pqs")));
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - started)
                        .count();
  const std::string before = test::ReadWholeFile(target);
  const std::string after = test::ReadWholeFile(dir.File("reference.pqs"));
  // Kills spread over the whole run and well beyond (a loaded machine runs it slower), so both
  // outcomes happen.
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> moment(0, static_cast<int>(took * 3));
  int old = 0, complete = 0;
  for (int round = 0; round < 24; ++round) {
    Convert(in, target, moment(random));
    const std::string now = test::ReadWholeFile(target);
    ASSERT_TRUE(now == before || now == after)
        << "round " << round << ": " << now.size() << " bytes";
    if (now == before) {
      ++old;
    } else {
      ++complete;
      ASSERT_TRUE(WriteProjectFile(target, ProjectData(), &error)) << error;
    }
  }
  EXPECT_GT(old, 0);
  EXPECT_GT(complete, 0);
  // The next save tidies up what they left.
  ASSERT_TRUE(Convert(in, target));
  EXPECT_TRUE(test::ReadWholeFile(target) == after);
  for (const auto& e : std::filesystem::directory_iterator(dir.File("")))
    EXPECT_NE(e.path().filename().string().rfind(".out.pqs.", 0), 0u) << e.path() << " left behind";
}

TEST(Cp932Paths, OnlyTextsThatComeBackUnchangedFit) {
  EXPECT_TRUE(FitsCp932("photos\\site1.jpg"));
  EXPECT_TRUE(FitsCp932("写真\\現場①.jpg"));
  EXPECT_TRUE(FitsCp932("what?.jpg"));  // a question mark of its own is no loss
  EXPECT_FALSE(FitsCp932("caf\xc3\xa9.jpg"));
  EXPECT_FALSE(FitsCp932("M\xc3\xbcller\\a.jpg"));
  EXPECT_FALSE(FitsCp932("\xf0\x9f\x98\x80.jpg"));
  EXPECT_FALSE(FitsCp932("a\xff.jpg"));  // no UTF-8 at all
}

TEST(ProjectFile, AnImagePathCp932CannotHoldIsNotWritten) {
  test::TempDir dir;
  const std::string path = dir.File("site.pqs");
  ProjectData d;
  d.ImagePath = "M\xc3\xbcller\\a.jpg";
  Failure error;
  EXPECT_FALSE(SerializeProject(d, &error));
  EXPECT_NE(error.Text().find("image path"), std::string::npos) << error;
  EXPECT_FALSE(WriteProjectFile(path, d, &error));
  EXPECT_FALSE(test::FileExistsForTest(path));
  // Other texts lose the character alone and are still written.
  d.ImagePath = "a.jpg";
  d.Notes = {"caf\xc3\xa9"};
  ASSERT_TRUE(WriteProjectFile(path, d, &error)) << error;
  EXPECT_EQ(ReadProjectFile(path).Data.Notes, std::vector<std::string>{"caf?"});
}

TEST(Settings, RecentPathsCp932CannotHoldStayOutOfTheFile) {
  test::TempDir dir;
  const std::string path = dir.File("zelko.ini");
  Settings s;
  s.RecentProjects = {"/a/one.pqs", "/b/caf\xc3\xa9.pqs", "/c/現場.pqs", "/M\xc3\xbcller/x.pqs"};
  Failure error;
  ASSERT_TRUE(WriteSettingsFile(path, s, &error)) << error;
  const std::string text = test::ReadWholeFile(path);
  EXPECT_NE(text.find("Number of Listed Files=2\r\nFile 0=/a/one.pqs\r\n"
                      "File 1=/c/\x8c\xbb\x8f\xea.pqs\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find('?'), std::string::npos) << text;
  Settings back;
  ASSERT_TRUE(ReadSettingsFile(path, &back, &error)) << error;
  EXPECT_EQ(back.RecentProjects, (std::vector<std::string>{"/a/one.pqs", "/c/現場.pqs"}));
}

TEST(RelativeImagePath, FoldersThatDifferInCaseAreTwoFoldersOnDisk) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.File("Proj"));
  std::filesystem::create_directories(dir.File("proj"));
  const std::string image = dir.File("proj/a.jpg");
  EXPECT_EQ(RelativeImagePath(dir.File("Proj/"), image), ToStoredPath(image));
  EXPECT_EQ(RelativeImagePath(dir.File("proj/"), image), "a.jpg");
  // One folder under two names is one folder.
  ASSERT_EQ(::symlink(dir.File("proj").c_str(), dir.File("alias").c_str()), 0);
  EXPECT_EQ(RelativeImagePath(dir.File("alias/"), image), "a.jpg");
  EXPECT_TRUE(SameFolderOnDisk(dir.File("alias/"), dir.File("proj")));
  EXPECT_FALSE(SameFolderOnDisk(dir.File("Proj/"), dir.File("proj/")));
  EXPECT_FALSE(SameFolderOnDisk(dir.File("gone/"), dir.File("gone/")));
}

}  // namespace
}  // namespace zelko
