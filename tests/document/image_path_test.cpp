// The image path stored in a project and how it is found again.
#include "document/image_path.h"

#include <gtest/gtest.h>

#include <set>

#include "test_support.h"

namespace zelko {
namespace {

TEST(RelativeImagePath, BesideBelowOrElsewhere) {
  EXPECT_EQ(RelativeImagePath("/data/proj/", "/data/proj/site1.jpg"), "site1.jpg");
  EXPECT_EQ(RelativeImagePath("/data/proj/", "/data/proj/photos/site1.jpg"), "photos\\site1.jpg");
  EXPECT_EQ(RelativeImagePath("/data/proj/", "/data/other/site1.jpg"), "\\data\\other\\site1.jpg");
  // Folder names keep their letter case in both cases.
  EXPECT_EQ(RelativeImagePath("C:\\Data\\", "c:\\data\\site1.jpg"), "c:\\data\\site1.jpg");
  EXPECT_EQ(RelativeImagePath("/x/Proj/", "/x/proj/site1.jpg"), "\\x\\proj\\site1.jpg");
  EXPECT_EQ(RelativeImagePath("C:\\Data\\", "c:\\data\\sub\\site1.jpg"),
            "c:\\data\\sub\\site1.jpg");
  EXPECT_EQ(RelativeImagePath("C:\\Data\\", "C:\\Data\\sub\\site1.jpg"), "sub\\site1.jpg");
  // Either separator matches the other.
  EXPECT_EQ(RelativeImagePath("/data/proj/", "\\data\\proj\\写真\\現場.jpg"), "写真\\現場.jpg");
  // A folder whose name merely begins like the project folder's is not below it.
  EXPECT_EQ(RelativeImagePath("/data/proj", "/data/project/a.jpg"), "\\data\\project\\a.jpg");
}

TEST(PathParts, SplitOnEitherSeparator) {
  EXPECT_EQ(FolderOf("C:\\a\\b.jpg"), "C:\\a\\");
  EXPECT_EQ(FolderOf("/a/b.jpg"), "/a/");
  EXPECT_EQ(FolderOf("b.jpg"), "");
  EXPECT_EQ(FileNameOf("C:\\a/b.jpg"), "b.jpg");
  EXPECT_EQ(ToNativePath("sub\\a.jpg"), "sub/a.jpg");
  EXPECT_EQ(ToStoredPath("sub/a.jpg"), "sub\\a.jpg");
}

struct FakeFiles {
  std::set<std::string> files;
  FileExistsFn Fn() const {
    return [this](const std::string& p) { return files.count(p) > 0; };
  }
};

TEST(ResolveStoredImagePath, ProjectFolderFirstThenAbsolutePath) {
  FakeFiles fs{{"/proj/site1.jpg", "/proj/photos/site1.jpg", "/elsewhere/x.jpg"}};
  EXPECT_EQ(ResolveStoredImagePath("/proj/", "site1.jpg", fs.Fn()), "/proj/site1.jpg");
  // A project written on Windows opens when its image lies below it.
  EXPECT_EQ(ResolveStoredImagePath("/proj/", "photos\\site1.jpg", fs.Fn()),
            "/proj/photos/site1.jpg");
  EXPECT_EQ(ResolveStoredImagePath("/proj/", "photos/site1.jpg", fs.Fn()),
            "/proj/photos/site1.jpg");
  EXPECT_EQ(ResolveStoredImagePath("/proj", "site1.jpg", fs.Fn()), "/proj/site1.jpg");
  EXPECT_EQ(ResolveStoredImagePath("/proj/", "\\elsewhere\\x.jpg", fs.Fn()), "/elsewhere/x.jpg");
  // A path of another computer, or a folder that is gone: the file name beside the project.
  EXPECT_EQ(ResolveStoredImagePath("/proj/", "C:\\old\\site1.jpg", fs.Fn()), "/proj/site1.jpg");
  EXPECT_EQ(ResolveStoredImagePath("/proj/", "\\gone\\site1.jpg", fs.Fn()), "/proj/site1.jpg");
  EXPECT_EQ(ResolveStoredImagePath("/proj/", "other\\site1.jpg", fs.Fn()), "/proj/site1.jpg");
  // Not found: the window asks for the file by its name.
  EXPECT_FALSE(ResolveStoredImagePath("/proj/", "C:\\old\\gone.jpg", fs.Fn()));
  EXPECT_FALSE(ResolveStoredImagePath("/proj/", "C:\\old\\", fs.Fn()));
  EXPECT_FALSE(ResolveStoredImagePath("/proj/", "", fs.Fn()));
  EXPECT_EQ(FileNameOf("C:\\old\\site1.jpg"), "site1.jpg");
}

TEST(ResolveStoredImagePath, RealFilesAndFolders) {
  test::TempDir dir;
  test::WriteWholeFile(dir.File("a.jpg"), "x");
  EXPECT_EQ(ResolveStoredImagePath(dir.Folder(), "a.jpg"), dir.File("a.jpg"));
  // The stored text naming a folder is no image.
  EXPECT_FALSE(ResolveStoredImagePath(dir.Folder(), "."));
  EXPECT_FALSE(FileExists(dir.Folder()));
}

TEST(KeyedTextImageCandidate, FallsBackToTheProjectFolder) {
  FakeFiles fs{{"/old/site1.jpg", "/proj/sub/b.jpg"}};
  EXPECT_EQ(KeyedTextImageCandidate("/proj/", "site1.jpg", fs.Fn()), "/proj/site1.jpg");
  EXPECT_EQ(KeyedTextImageCandidate("/proj/", "\\old\\site1.jpg", fs.Fn()), "/old/site1.jpg");
  // The folder named is gone: the image beside the project is taken.
  EXPECT_EQ(KeyedTextImageCandidate("/proj/", "D:\\gone\\site1.jpg", fs.Fn()), "/proj/site1.jpg");
  EXPECT_EQ(KeyedTextImageCandidate("/proj/", "sub\\b.jpg", fs.Fn()), "/proj/sub/b.jpg");
  // No image named at all: the candidate is the project folder itself, which is no file.
  EXPECT_EQ(KeyedTextImageCandidate("/proj/", "", fs.Fn()), "/proj/");
}

}  // namespace
}  // namespace zelko
