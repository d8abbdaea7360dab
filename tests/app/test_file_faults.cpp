// The file commands where they used to go wrong: the save question before an image replaces the
// document, the overwrite command after a save, one message for one failed open, command-line
// paths, paths the project file cannot hold, read-only targets and images named by a path of
// another computer.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSlider>
#include <QTest>

#include "app/image_page.h"
#include "app_fixture.h"
#include "document/image_path.h"
#include "document/project_file.h"
#include "document/settings.h"

namespace zelko::testing {
namespace {

const char* kSaveQuestion = "プロジェクトファイルが変更されています。\n保存しますか。";
const char* kReadFailed = "プロジェクトファイルの読み込みに失敗しました。";
const char* kWriteFailed = "プロジェクトファイルの書き込みに失敗しました。";
const char* kNotProject = "Zelkoのプロジェクトファイルではありません。";

mode_t ModeOf(const QString& path) {
  struct stat st {};
  EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
  return st.st_mode & 07777;
}

int StoredContrast(const QString& path) {
  const ProjectReadResult r = ReadProjectFile(path.toStdString());
  EXPECT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
  return r.Data.Contrast;
}

class FileFaultsTest : public WindowTest {
 protected:
  void StartWithImage(const QString& name = "photo.bmp") {
    Start({MakeImage(name)});
    TakeMessages();
    form->Doc().MarkSaved();
  }
  // An edit through the contrast slider, which marks the document changed.
  void Edit(int contrast) { form->pageImage->TrackBar1->setValue(contrast); }
  void SaveAs(const QString& path) {
    dialogs.saveFiles.push_back(path);
    Action("SaveProject")->trigger();
  }
  void Open(const QString& path) {
    dialogs.openFiles.push_back(path);
    Action("P1")->trigger();
  }
  // A current-version project whose image path is stored as given.
  QString ProjectNaming(const QString& name, const std::string& storedImage) {
    ProjectData d;
    d.ImagePath = storedImage;
    d.Contrast = 33;
    Failure error;
    EXPECT_TRUE(WriteProjectFile(TempPath(name).toStdString(), d, &error)) << error;
    return TempPath(name);
  }
};

// Runs the test in a working folder of its own and goes back afterwards.
class InFolder {
 public:
  explicit InFolder(const QString& folder) : old_(QDir::currentPath()) { QDir::setCurrent(folder); }
  ~InFolder() { QDir::setCurrent(old_); }

 private:
  QString old_;
};

TEST_F(FileFaultsTest, OpeningAnImageAsksFirstWhetherToSaveTheChanges) {
  StartWithImage();
  const QString first = form->ImageFile();
  const QString other = MakeImage("other.bmp", 120, 80);
  Edit(70);
  ASSERT_EQ(form->Status(3), "変更あり");

  // Cancel: no chooser, nothing replaced.
  dialogs.answers.push_back(MsgResult::Cancel);
  QTest::mouseClick(Tool("ToolButtonLoadImage"), Qt::LeftButton);
  EXPECT_EQ(TakeMessages(), QStringList({kSaveQuestion}));
  EXPECT_TRUE(dialogs.fileFilters.isEmpty());
  EXPECT_EQ(form->ImageFile(), first);
  EXPECT_EQ(form->pageImage->TrackBar1->value(), 70);
  EXPECT_EQ(form->Status(3), "変更あり");

  // Yes, but the save is cancelled: stop as with Cancel.
  dialogs.answers.push_back(MsgResult::Yes);
  Action("ReadImage1")->trigger();
  EXPECT_EQ(TakeMessages(), QStringList({kSaveQuestion}));
  EXPECT_EQ(dialogs.fileFilters.size(), 1);  // the save chooser only
  EXPECT_EQ(form->ImageFile(), first);

  // Yes and saved: the document is on disk before the image replaces it.
  dialogs.answers.push_back(MsgResult::Yes);
  dialogs.saveFiles.push_back(TempPath("kept.pqs"));
  dialogs.openFiles.push_back(other);
  Action("ReadImage1")->trigger();
  EXPECT_EQ(TakeMessages(), QStringList({kSaveQuestion}));
  EXPECT_EQ(StoredContrast(TempPath("kept.pqs")), 70);
  EXPECT_EQ(form->ImageFile(), other);
  EXPECT_TRUE(form->State().ProjectFile.isEmpty());

  // No: opened without saving. An unchanged document is not asked about.
  Edit(20);
  dialogs.answers.push_back(MsgResult::No);
  dialogs.openFiles.push_back(first);
  Action("ReadImage1")->trigger();
  EXPECT_EQ(TakeMessages(), QStringList({kSaveQuestion}));
  EXPECT_EQ(form->ImageFile(), first);
  EXPECT_EQ(StoredContrast(TempPath("kept.pqs")), 70);
  form->Doc().MarkSaved();
  dialogs.openFiles.push_back(other);
  Action("ReadImage1")->trigger();
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(form->ImageFile(), other);
}

TEST_F(FileFaultsTest, ASaveUnderANewNameEnablesTheOverwriteCommand) {
  StartWithImage();
  EXPECT_FALSE(Action("ResaveProject")->isEnabled());
  EXPECT_FALSE(Tool("ToolButtonResaveProject")->isEnabled());
  const QString path = TempPath("site.pqs");
  SaveAs(path);
  EXPECT_TRUE(Action("ResaveProject")->isEnabled());
  EXPECT_TRUE(Tool("ToolButtonResaveProject")->isEnabled());

  Edit(80);
  QTest::mouseClick(Tool("ToolButtonResaveProject"), Qt::LeftButton);
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(StoredContrast(path), 80);
  EXPECT_EQ(form->Status(3), "変更なし");

  // A save that fails enables nothing.
  QToolButton* resave = Tool("ToolButtonResaveProject");
  dialogs.openFiles.push_back(MakeImage("second.bmp"));
  Action("ReadImage1")->trigger();
  ASSERT_FALSE(resave->isEnabled());
  SaveAs(TempPath("no such folder/site.pqs"));
  // The reason follows the failure, in words the user can act on.
  EXPECT_EQ(TakeMessages(), QStringList({QString(kWriteFailed) + "\nファイル " +
                                         TempPath("no such folder/site.pqs") +
                                         " のフォルダーに新しいファイルを作れません"
                                         "（ファイルまたはフォルダーがありません）。"}));
  EXPECT_FALSE(resave->isEnabled());
}

TEST_F(FileFaultsTest, AFailedOpenSaysOneThing) {
  StartWithImage();
  const QString good = TempPath("good.pqs");
  SaveAs(good);
  const QByteArray bytes = ReadAll(good);
  TakeMessages();

  struct Case {
    const char* what;
    QString path;
    QStringList expected;
  };
  const QString cut = TempPath("cut.pqs");
  WriteAll(cut, bytes.left(bytes.size() - 10));
  const QString keyed = TempPath("keyed.pqs");
  WriteAll(keyed, "[File]\r\nImageFile=gone.bmp\r\n");
  const QString stranger = TempPath("notes.pqs");
  WriteAll(stranger, "just some text\r\n");
  const QString pipe = TempPath("pipe.pqs");
  ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
  const Case cases[] = {
      {"a damaged project",
       cut,
       {QString(kReadFailed) + "\nファイルの内容が正しくないか、途中で切れています。"}},
      // The chooser offered for the image is cancelled.
      {"a missing image",
       ProjectNaming("lost.pqs", "gone.bmp"),
       {"画像ファイル gone.bmp がみつかりません。\nファイルを指定して下さい。"}},
      {"a keyed-text project without its image", keyed, {"画像ファイルがみつかりません。"}},
      {"a file of neither form", stranger, {kNotProject}},
      {"a file that is not there",
       TempPath("nothing.pqs"),
       {QString(kReadFailed) + "\nファイル " + TempPath("nothing.pqs") +
        " を開けません（ファイルまたはフォルダーがありません）。"}},
      // Nothing writes to the pipe: an open that waited for a writer would never return.
      {"a named pipe",
       pipe,
       {QString(kReadFailed) + "\n" + pipe + " は通常のファイルではありません。"}},
  };
  for (const Case& c : cases) {
    Open(c.path);
    EXPECT_EQ(TakeMessages(), c.expected) << c.what;
    EXPECT_EQ(form->State().ProjectFile, good) << c.what;
    EXPECT_FALSE(form->State().isProjLoading) << c.what;
  }
  EXPECT_EQ(ReadAll(keyed), "[File]\r\nImageFile=gone.bmp\r\n");
}

TEST_F(FileFaultsTest, CommandLinePathsAreMadeAbsolute) {
  MakeImage("my photo.bmp");
  ASSERT_TRUE(QDir(dir.path()).mkdir("elsewhere"));
  {
    InFolder here(dir.path());
    Start({"my", "photo.bmp"});
  }
  EXPECT_EQ(form->ImageFile(), TempPath("my photo.bmp"));
  // Saved in another folder, the project names the image by a path that works from anywhere.
  const QString project = TempPath("elsewhere/site.pqs");
  SaveAs(project);
  EXPECT_EQ(ReadProjectFile(project.toStdString()).Data.ImagePath,
            ToStoredPath(TempPath("my photo.bmp").toStdString()));
  EXPECT_EQ(dialogs.filePresets.back(), TempPath("my photo.pqs"));

  form.reset();
  form = std::make_unique<TForm1>(dialogs);
  {
    InFolder here(TempPath("elsewhere"));
    Start({"site.pqs"});
  }
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(form->State().ProjectFile, project);
  EXPECT_EQ(form->ImageFile(), TempPath("my photo.bmp"));
  ASSERT_FALSE(form->State().ListedFile.isEmpty());
  EXPECT_EQ(form->State().ListedFile.front(), project);
}

TEST_F(FileFaultsTest, APathTheProjectFileCannotHoldIsRefusedAndKeptOutOfTheSettings) {
  WriteAll(TempPath("zelko.ini"), "[File]\r\nNumber of Listed Files=1\r\nFile 0=/p/old.pqs\r\n");
  StartWithImage("café.bmp");
  Edit(60);
  SaveAs(TempPath("site.pqs"));
  const QString refused = "画像ファイル " + TempPath("café.bmp") +
                          " のパスには、プロジェクトファイルに保存できない文字が含まれています。\n"
                          "フォルダー名とファイル名を変えてから保存して下さい。";
  EXPECT_EQ(TakeMessages(), QStringList({refused}));
  EXPECT_FALSE(QFile::exists(TempPath("site.pqs")));
  EXPECT_EQ(form->Status(3), "変更あり");
  EXPECT_TRUE(form->State().ProjectFile.isEmpty());

  // The folder below the project is stored, and its name cannot be.
  ASSERT_TRUE(QDir(dir.path()).mkdir("Müller"));
  const QString inside = TempPath("Müller/photo.bmp");
  ASSERT_TRUE(QFile::copy(TempPath("café.bmp"), inside));
  dialogs.answers.push_back(MsgResult::No);
  dialogs.openFiles.push_back(inside);
  Action("ReadImage1")->trigger();
  TakeMessages();
  SaveAs(TempPath("site.pqs"));
  EXPECT_EQ(TakeMessages().size(), 1);
  EXPECT_FALSE(QFile::exists(TempPath("site.pqs")));

  // Beside the image the project stores its bare name and is saved; only the settings file
  // cannot hold the project's path, so it stays out while the other entries stay in.
  const QString project = TempPath("Müller/site.pqs");
  SaveAs(project);
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(ReadProjectFile(project.toStdString()).Data.ImagePath, "photo.bmp");
  EXPECT_EQ(form->State().ListedFile, QStringList({project, "/p/old.pqs"}));
  Settings saved;
  Failure error;
  ASSERT_TRUE(ReadSettingsFile(TempPath("zelko.ini").toStdString(), &saved, &error)) << error;
  EXPECT_EQ(saved.RecentProjects, std::vector<std::string>{"/p/old.pqs"});
  EXPECT_FALSE(ReadAll(TempPath("zelko.ini")).contains('?'));
}

TEST_F(FileFaultsTest, ReadOnlyProjectsAndPicturesAreNotReplaced) {
  StartWithImage();
  const QString path = TempPath("site.pqs");
  SaveAs(path);
  const QByteArray before = ReadAll(path);
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
  Edit(90);

  dialogs.answers.push_back(MsgResult::Yes);  // overwrite the file of that name
  SaveAs(path);
  const QString refused =
      QString(kWriteFailed) + "\nファイル " + path + " は書き込みが許可されていません。";
  EXPECT_EQ(TakeMessages().last(), refused);
  QTest::mouseClick(Tool("ToolButtonResaveProject"), Qt::LeftButton);
  EXPECT_EQ(TakeMessages(), QStringList({refused}));
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(ModeOf(path), 0444u);
  EXPECT_EQ(form->Status(3), "変更あり");

  // Writable again, with its own permissions: replaced, and the permissions stay.
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
  Action("ResaveProject")->trigger();
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(StoredContrast(path), 90);
  EXPECT_EQ(ModeOf(path), 0640u);

  // The picture export.
  const QString picture = TempPath("view.jpg");
  WriteAll(picture, "old");
  ASSERT_EQ(::chmod(QFile::encodeName(picture).constData(), 0444), 0);
  dialogs.saveFiles.push_back(picture);
  dialogs.answers.push_back(MsgResult::Yes);
  Action("PictureSave")->trigger();
  const QStringList shown = TakeMessages();
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[0], "同名のファイルが存在します。\n上書き保存してよろしいですか。");
  EXPECT_EQ(shown[1], "ファイル " + picture + " の書き込みに失敗しました。\nファイル " + picture +
                          " は書き込みが許可されていません。");
  EXPECT_EQ(ReadAll(picture), "old");
  ASSERT_EQ(::chmod(QFile::encodeName(picture).constData(), 0600), 0);
  dialogs.saveFiles.push_back(picture);
  dialogs.answers.push_back(MsgResult::Yes);
  Action("PictureSave")->trigger();
  EXPECT_TRUE(ReadAll(picture).startsWith("\xff\xd8"));
  EXPECT_EQ(ModeOf(picture), 0600u);
}

TEST_F(FileFaultsTest, AnImageNamedByAnotherComputersPathIsFoundBesideTheProject) {
  StartWithImage();
  for (const char* stored : {"C:\\Photos\\photo.bmp", "\\gone\\photo.bmp", "old\\photo.bmp"}) {
    Open(ProjectNaming("moved.pqs", stored));
    EXPECT_EQ(TakeMessages(), QStringList()) << stored;
    EXPECT_EQ(form->ImageFile(), TempPath("photo.bmp")) << stored;
    EXPECT_EQ(form->pageImage->TrackBar1->value(), 33) << stored;
    form->pageImage->TrackBar1->setValue(50);
    form->Doc().MarkSaved();
  }
}

TEST_F(FileFaultsTest, FoldersThatDifferOnlyInLetterCaseAreNotConfused) {
  ASSERT_TRUE(QDir(dir.path()).mkdir("Proj"));
  ASSERT_TRUE(QDir(dir.path()).mkdir("proj"));
  const QString image = MakeImage("proj/photo.bmp", 200, 100);
  MakeImage("Proj/photo.bmp", 60, 40);  // a different picture of the same name
  Start({image});
  const QString project = TempPath("Proj/site.pqs");
  SaveAs(project);
  Action("C1")->trigger();
  Open(project);
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(form->ImageFile(), image);
}

TEST_F(FileFaultsTest, AProjectInAFolderWhoseNameIsNoUtf8OpensAndSaves) {
  // The folder's name as a system with another encoding left it: the bytes 0xFF 0xFE.
  const std::string folder = NativePath(dir.path()) + "/\xff\xfe";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  const QString image = MakeImage("photo.bmp");
  ASSERT_EQ(::rename(NativePath(image).c_str(), (folder + "/photo.bmp").c_str()), 0);
  ProjectData d;
  d.ImagePath = "photo.bmp";
  d.Contrast = 33;
  Failure error;
  const std::string project = folder + "/site.pqs";
  ASSERT_TRUE(WriteProjectFile(project, d, &error)) << error;

  char* argv[] = {const_cast<char*>("zelko"), const_cast<char*>(project.c_str())};
  Start(NativeArguments(2, argv).mid(1));
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(NativePath(form->State().ProjectFile), project);
  EXPECT_EQ(NativePath(form->ImageFile()), folder + "/photo.bmp");
  Edit(44);
  Action("ResaveProject")->trigger();
  EXPECT_EQ(TakeMessages(), QStringList());
  const ProjectReadResult back = ReadProjectFile(project);
  EXPECT_EQ(back.Data.Contrast, 44);
  EXPECT_EQ(back.Data.ImagePath, "photo.bmp");
}

TEST_F(FileFaultsTest, AStartWithADeviceSaysWhyNothingOpened) {
  Start({"/dev/zero"});
  const QStringList shown = TakeMessages();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(shown[0].contains("/dev/zero")) << shown[0].toStdString();
  EXPECT_TRUE(form->ImageFile().isEmpty());
}

}  // namespace
}  // namespace zelko::testing
