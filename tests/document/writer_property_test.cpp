// Random targets through the project writer: whatever lies at the path, a save either leaves the
// new file there or is refused with everything as it was, and leaves no temporary behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "document/project_file.h"
#include "test_support.h"

namespace zelko {
namespace {

enum class Target {
  Missing,
  Regular,
  LinkToRegular,
  LinkToFifo,
  Fifo,
  Device,
  ReadOnly,
  ReadOnlyFolder,
  kCount
};

// What a target looks like from outside: kind, link, and the bytes of a regular file.
struct Snapshot {
  bool exists = false;
  mode_t mode = 0;
  std::string link;
  std::string bytes;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const std::string& path) {
  Snapshot s;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return s;
  s.exists = true;
  s.mode = st.st_mode;
  if (S_ISLNK(st.st_mode)) s.link = std::filesystem::read_symlink(path).string();
  struct stat followed {};
  if (::stat(path.c_str(), &followed) == 0 && S_ISREG(followed.st_mode))
    s.bytes = test::ReadWholeFile(path);
  return s;
}

std::string Project(int contrast) {
  ProjectData d;
  d.ImagePath = "photo.bmp";
  d.Contrast = contrast;
  test::TempDir dir;
  Failure error;
  EXPECT_TRUE(WriteProjectFile(dir.File("p.pqs"), d, &error)) << error;
  return test::ReadWholeFile(dir.File("p.pqs"));
}

TEST(WriterProperty, ANewFileOrARefusalWithTheOldOneIntact) {
  const bool root = ::geteuid() == 0;
  std::mt19937 random(20240527);
  const std::string oldBytes = Project(11);
  for (int round = 0; round < 300; ++round) {
    test::TempDir dir;
    const std::string folder = dir.File("f");
    std::filesystem::create_directory(folder);
    // Names up to the 255 bytes a file system takes, most of them short.
    const size_t length = random() % 3 == 0 ? 250 + random() % 6 : 5 + random() % 20;
    const std::string path = folder + "/" + std::string(length - 4, 'n') + ".pqs";
    const auto kind = static_cast<Target>(random() % static_cast<int>(Target::kCount));
    const std::string other = dir.File("other");
    switch (kind) {
      case Target::Missing:
        break;
      case Target::Regular:
      case Target::ReadOnly:
      case Target::ReadOnlyFolder:
        test::WriteWholeFile(path, oldBytes);
        if (kind == Target::ReadOnly) ::chmod(path.c_str(), 0444);
        if (kind == Target::ReadOnlyFolder) ::chmod(folder.c_str(), 0555);
        break;
      case Target::LinkToRegular:
        test::WriteWholeFile(other, oldBytes);
        ASSERT_EQ(::symlink(other.c_str(), path.c_str()), 0);
        break;
      case Target::LinkToFifo:
        ASSERT_EQ(::mkfifo(other.c_str(), 0644), 0);
        ASSERT_EQ(::symlink(other.c_str(), path.c_str()), 0);
        break;
      case Target::Fifo:
        ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        break;
      case Target::Device:
        // Only the superuser may make a device node; anyone else tries a FIFO again.
        if (!root || ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
          ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        break;
      default:
        break;
    }
    const Snapshot before = Take(path);
    const Snapshot otherBefore = Take(other);
    const int contrast = 20 + round % 50;
    ProjectData d;
    d.ImagePath = "photo.bmp";
    d.Contrast = contrast;
    Failure failure;
    const bool saved = WriteProjectFile(path, d, &failure);
    const std::string what = "round " + std::to_string(round) + ", kind " +
                             std::to_string(static_cast<int>(kind)) + ", name " +
                             std::to_string(length) + " bytes";
    if (saved) {
      EXPECT_EQ(ReadProjectFile(path).Data.Contrast, contrast) << what;
      // A link stays a link; the file it names took the new contents.
      if (!before.link.empty()) EXPECT_EQ(Take(path).link, before.link) << what;
      struct stat st {};
      ASSERT_EQ(::stat(path.c_str(), &st), 0) << what;
      EXPECT_TRUE(S_ISREG(st.st_mode)) << what;
    } else {
      EXPECT_FALSE(failure.Text().empty()) << what;
      EXPECT_EQ(Take(path), before) << what;
      EXPECT_EQ(Take(other), otherBefore) << what;
    }
    // What must be refused is refused, and what may be saved is saved.
    const bool nonRegular =
        kind == Target::Fifo || kind == Target::LinkToFifo || kind == Target::Device;
    // A read-only file is refused even for the superuser; a read-only folder stops others only.
    const bool readOnly = kind == Target::ReadOnly || (kind == Target::ReadOnlyFolder && !root);
    if (nonRegular) EXPECT_FALSE(saved) << what;
    if (!nonRegular && !readOnly) EXPECT_TRUE(saved) << what << ": " << failure;
    if (kind == Target::ReadOnly) EXPECT_FALSE(saved) << what;
    // No temporary is left beside the target.
    ::chmod(folder.c_str(), 0755);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++entries;
    EXPECT_EQ(entries, before.exists ? 1u : static_cast<size_t>(saved)) << what;
  }
}

}  // namespace
}  // namespace zelko
