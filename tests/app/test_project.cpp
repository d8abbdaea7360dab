// Saving and opening projects through the window: prompts, messages, what comes back, and that
// a bad file or a failed save never costs the user their document or their old file.
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/image_page.h"
#include "app/note_page.h"
#include "app_fixture.h"
#include "document/project_file.h"

namespace zelko::testing {
namespace {

class ProjectWindowTest : public WindowTest {
 protected:
  // An image with two markers whose physical texts are typed, saved as a project.
  QString SaveSampleProject(const QString& name) {
    Start({MakeImage("photo.bmp", 300, 200)});
    form->SetPointer(10.25, 20);
    form->pageCoord->AddMarkerClick();
    form->SetPointer(150, 120.75);
    form->pageCoord->AddMarkerClick();
    TypeCell(*form->pageCoord->StringGrid1, 3, 1, "１２.5");
    TypeCell(*form->pageCoord->StringGrid1, 4, 1, "abc");
    TypeCell(*form->pageCoord->StringGrid1, 3, 2, "7");
    form->pageNote->Memo1->setPlainText("測定メモ");
    form->pageArea->StringGridSort->SetCell(1, 1, "葉");
    form->pageArea->ButtonRegistSortClick();
    const QString path = TempPath(name);
    dialogs.saveFiles.push_back(path);
    form->SaveProjectClick();
    return path;
  }
};

TEST_F(ProjectWindowTest, SaveUnderANewNameThenOpenBringsEverythingBack) {
  const QString path = SaveSampleProject("site");  // typed without extension
  const QString target = TempPath("site.pqs");
  ASSERT_TRUE(QFile::exists(target)) << dialogs.LastMessage().toStdString();
  EXPECT_EQ(form->State().ProjectFile, target);
  EXPECT_EQ(form->windowTitle(), "Zelko - site.pqs/photo.bmp");
  EXPECT_EQ(form->Status(3), "変更なし");
  // The saved file can be overwritten from now on.
  EXPECT_TRUE(Tool("ToolButtonResaveProject")->isEnabled());
  QFile f(target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_EQ(bytes.left(20), QByteArray("Zelko Version 2.8.1 "));
  EXPECT_EQ(bytes.mid(20, 2), QByteArray("\x09\x00", 2));
  EXPECT_EQ(bytes.mid(22, 9), QByteArray("photo.bmp"));
  (void)path;

  form->C1Click();
  ASSERT_TRUE(form->ImageFile().isEmpty());
  form->OpenProjectFile(target);
  EXPECT_EQ(form->windowTitle(), "Zelko - site.pqs/photo.bmp");
  EXPECT_EQ(form->Status(3), "変更なし");
  EXPECT_TRUE(Tool("ToolButtonResaveProject")->isEnabled());
  const StringGrid* g = form->pageCoord->StringGrid1;
  EXPECT_EQ(form->NumMarkers(), 2);
  EXPECT_EQ(g->Cells(1, 1), "10.3");  // tenths, rounded half away from zero
  EXPECT_EQ(g->Cells(2, 2), "120.8");
  EXPECT_EQ(g->Cells(3, 1), "１２.5");
  EXPECT_EQ(g->Cells(4, 1), "abc");
  EXPECT_EQ(g->Cells(3, 2), "7");
  EXPECT_DOUBLE_EQ(form->Doc().Data().Markers[0].x, 10.3);
  EXPECT_EQ(form->pageArea->StringGridSort->Cells(1, 1), "葉");
  EXPECT_EQ(form->pageArea->ComboBoxSort->itemText(0), "1:葉");
  EXPECT_EQ(form->pageNote->Memo1->toPlainText(), "測定メモ");
  EXPECT_TRUE(form->isCoord());
  EXPECT_EQ(form->pageCoord->GroupBoxMesh->title(), "座標変換（設定済み）");
  ASSERT_FALSE(form->State().ListedFile.isEmpty());
  EXPECT_EQ(form->State().ListedFile.front(), target);
}

TEST_F(ProjectWindowTest, OverwriteAskFirstAndNoKeepsTheOldFile) {
  const QString target = SaveSampleProject("a.pqs");
  QFile f(target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray before = f.readAll();
  f.close();
  TypeCell(*form->pageCoord->StringGrid1, 3, 2, "99");
  form->Doc().MarkUnsaved();
  dialogs.saveFiles.push_back(target);
  dialogs.answers.push_back(MsgResult::No);
  form->SaveProjectClick();
  EXPECT_EQ(dialogs.LastMessage(), "同名のファイルがあります。\n上書きしてよろしいですか。");
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
  f.close();
  EXPECT_EQ(form->Status(3), "変更あり");
  dialogs.saveFiles.push_back(target);
  dialogs.answers.push_back(MsgResult::Yes);
  form->SaveProjectClick();
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_NE(f.readAll(), before);
  EXPECT_EQ(form->Status(3), "変更なし");
}

TEST_F(ProjectWindowTest, AFailedSaveReportsAndKeepsTheChangesAndTheOldFile) {
  const QString target = SaveSampleProject("b.pqs");
  QFile f(target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray before = f.readAll();
  f.close();
  // A marker beyond what the file can hold makes the save fail.
  TypeCell(*form->pageCoord->StringGrid1, 1, 1, "6553.6");
  form->Doc().MarkUnsaved();
  dialogs.saveFiles.push_back(target);
  dialogs.answers.push_back(MsgResult::Yes);
  form->SaveProjectClick();
  // The message names the cell to mend.
  const auto refused = [](const char* cell) {
    return QString("プロジェクトファイルの書き込みに失敗しました。\nマーカー 1 の画像座標 \"") +
           cell + "\" は 0～6553.5 の数値ではありません。";
  };
  EXPECT_EQ(dialogs.LastMessage(), refused("6553.6"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
  f.close();
  EXPECT_EQ(form->Status(3), "変更あり");
  // The overwrite command fails the same way and leaves the file alone; so does a cell that is
  // no number at all.
  form->ResaveProjectClick();
  EXPECT_EQ(dialogs.LastMessage(), refused("6553.6"));
  TypeCell(*form->pageCoord->StringGrid1, 2, 1, "abc");
  TypeCell(*form->pageCoord->StringGrid1, 1, 1, "1");
  form->ResaveProjectClick();
  EXPECT_EQ(dialogs.LastMessage(), refused("abc"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
  TypeCell(*form->pageCoord->StringGrid1, 2, 1, "2");
  TypeCell(*form->pageCoord->StringGrid1, 1, 1, "6553.5");
  form->ResaveProjectClick();
  EXPECT_EQ(form->Status(3), "変更なし");
}

TEST_F(ProjectWindowTest, OverwriteWithoutTheFileWarns) {
  SaveSampleProject("c.pqs");
  QFile::remove(TempPath("c.pqs"));
  form->ResaveProjectClick();
  EXPECT_EQ(dialogs.LastMessage(), "プロジェクトファイルがありません。");
  EXPECT_FALSE(QFile::exists(TempPath("c.pqs")));
}

TEST_F(ProjectWindowTest, ACorruptOrMissingFileLeavesTheOpenDocumentAsItWas) {
  const QString target = SaveSampleProject("d.pqs");
  QFile f(target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  f.close();
  // Cut inside the groups and categories: the header is fine, the rest is not.
  QFile cut(TempPath("cut.pqs"));
  ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
  cut.write(bytes.left(bytes.size() - 30));
  cut.close();
  TypeCell(*form->pageCoord->StringGrid1, 3, 2, "kept");
  form->OpenProjectFile(TempPath("cut.pqs"));
  EXPECT_EQ(TakeMessages(), QStringList({"プロジェクトファイルの読み込みに失敗しました。\n"
                                         "ファイルの内容が正しくないか、途中で切れています。"}));
  EXPECT_EQ(form->pageCoord->StringGrid1->Cells(3, 2), "kept");
  EXPECT_EQ(form->State().ProjectFile, target);
  EXPECT_FALSE(form->State().isProjLoading);

  form->OpenProjectFile(TempPath("no such file.pqs"));
  EXPECT_EQ(TakeMessages(),
            QStringList({"プロジェクトファイルの読み込みに失敗しました。\nファイル " +
                         TempPath("no such file.pqs") +
                         " を開けません（ファイルまたはフォルダーがありません）。"}));
  EXPECT_FALSE(form->State().isProjLoading);
  EXPECT_EQ(form->State().ProjectFile, target);
}

TEST_F(ProjectWindowTest, AProjectWithoutCoefficientsTakesNoneFromTheOneOpenBefore) {
  Start({MakeImage("photo.bmp", 300, 200)});
  auto write = [&](const QString& name, std::vector<double> cx, std::vector<double> cy) {
    ProjectData d;
    d.ImagePath = "photo.bmp";
    d.Method = 2;  // affine
    d.ScaleUnit = 2;
    d.Cx = std::move(cx);
    d.Cy = std::move(cy);
    Failure failure;
    EXPECT_TRUE(WriteProjectFile(TempPath(name).toStdString(), d, &failure)) << failure;
    return TempPath(name);
  };
  const QString fitted = write("fitted.pqs", {5, 0.5, 0}, {7, 0, 0.5});
  const QString bare = write("bare.pqs", {}, {});
  form->OpenProjectFile(fitted);
  ASSERT_TRUE(form->isCoord());

  // Saved with the other project's coefficients, the bare one would open as fitted.
  form->OpenProjectFile(bare);
  EXPECT_TRUE(form->Cx().empty());
  EXPECT_FALSE(form->isCoord());
  EXPECT_EQ(form->pageCoord->GroupBoxMesh->title(), "座標変換（未設定）");
  EXPECT_EQ(form->pageCoord->ComboBoxGridMethod->currentIndex(), 2);
  QTest::mouseClick(Tool("ToolButtonResaveProject"), Qt::LeftButton);
  const ProjectReadResult back = ReadProjectFile(bare.toStdString());
  ASSERT_EQ(back.Status, ProjectReadStatus::Ok) << back.Error;
  EXPECT_TRUE(back.Data.Cx.empty());

  // "無変換" without coefficients is worked out for the opened image and measures in pixels.
  ProjectData none;
  none.ImagePath = "photo.bmp";
  none.ScaleUnit = 3;
  Failure failure;
  ASSERT_TRUE(WriteProjectFile(TempPath("none.pqs").toStdString(), none, &failure)) << failure;
  form->OpenProjectFile(TempPath("none.pqs"));
  EXPECT_EQ(form->Cx().size(), 3u);
  EXPECT_EQ(form->pageCoord->ComboBoxScaleUnit->currentIndex(), 0);
  EXPECT_FALSE(form->pageCoord->ComboBoxScaleUnit->isEnabled());
  EXPECT_EQ(TakeMessages(), QStringList());
}

TEST_F(ProjectWindowTest, AMissingImageIsAskedForByName) {
  const QString target = SaveSampleProject("e.pqs");
  QDir().mkpath(TempPath("moved"));
  ASSERT_TRUE(QFile::rename(TempPath("photo.bmp"), TempPath("moved/photo.bmp")));
  form->C1Click();
  dialogs.openFiles.push_back(TempPath("moved/photo.bmp"));
  form->OpenProjectFile(target);
  EXPECT_EQ(TakeMessages().front(),
            "画像ファイル photo.bmp がみつかりません。\nファイルを指定して下さい。");
  EXPECT_EQ(dialogs.filePresets.back(), TempPath("photo.bmp"));
  EXPECT_EQ(form->ImageFile(), TempPath("moved/photo.bmp"));
  EXPECT_EQ(form->NumMarkers(), 2);
}

TEST_F(ProjectWindowTest, CommandLineOpensAProject) {
  const QString target = SaveSampleProject("f.pqs");
  form->C1Click();
  form.reset();
  form = std::make_unique<TForm1>(dialogs);
  Start({target});
  EXPECT_EQ(form->windowTitle(), "Zelko - f.pqs/photo.bmp");
  EXPECT_EQ(form->NumMarkers(), 2);
}

TEST_F(ProjectWindowTest, OpeningWithUnsavedChangesAsksAndCancelStops) {
  const QString target = SaveSampleProject("g.pqs");
  form->Doc().MarkUnsaved();
  dialogs.answers.push_back(MsgResult::Cancel);
  form->P1Click();
  EXPECT_EQ(dialogs.LastMessage(), "プロジェクトファイルが変更されています。\n保存しますか。");
  EXPECT_TRUE(dialogs.fileFilters.size() == 1);  // only the first save's chooser
  dialogs.answers.push_back(MsgResult::No);
  dialogs.openFiles.push_back(target);
  form->P1Click();
  EXPECT_EQ(form->Status(3), "変更なし");
}

}  // namespace
}  // namespace zelko::testing
