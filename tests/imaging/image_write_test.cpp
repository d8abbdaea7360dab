// Writing an exported picture over an existing file: a read-only one stays, a replaced one keeps
// its permissions.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/image_file.h"

namespace zelko {
namespace {

class ImageWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::path(::testing::TempDir()) /
              ("zelko-export-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static mode_t Mode(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
  }

  std::filesystem::path folder_;
};

TEST_F(ImageWriteTest, AReadOnlyPictureIsNotReplaced) {
  const std::string path = Path("view.bmp");
  { std::ofstream(path, std::ios::binary) << "old"; }
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(WriteImageFileAtomically(path, {1, 2, 3}));
  EXPECT_EQ(Read(path), "old");
  EXPECT_EQ(Mode(path), 0444u);
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder_)) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST_F(ImageWriteTest, AReplacedPictureKeepsItsPermissions) {
  const std::string path = Path("view.jpg");
  { std::ofstream(path, std::ios::binary) << "old"; }
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  ASSERT_TRUE(WriteImageFileAtomically(path, {'n', 'e', 'w'}));
  EXPECT_EQ(Read(path), "new");
  EXPECT_EQ(Mode(path), 0600u);
}

}  // namespace
}  // namespace zelko
