// The window as it starts, its states and enabled commands, the caption and the close prompts.
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/image_page.h"
#include "app_fixture.h"

namespace zelko::testing {
namespace {

QStringList MenuCaptions(QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions()) out << (a->isSeparator() ? QString("-") : a->text());
  return out;
}

using ShellTest = WindowTest;

TEST_F(ShellTest, StartsEmptyWithEveryCaptionAndOnlyTheOpenCommandsEnabled) {
  Start();
  EXPECT_EQ(form->windowTitle(), "Zelko");
  QStringList top;
  for (QAction* a : form->menuBar()->actions()) top << a->text();
  EXPECT_EQ(top, QStringList({"ファイル(&F)", "編集(&E)", "設定(&S)", "解析(&A)", "ヘルプ(&H)"}));
  EXPECT_EQ(MenuCaptions(form->Edit1),
            QStringList({"元に戻す(&U)", "やり直し(&R)", "-", "位置の指定をやめる(&X)"}));
  EXPECT_FALSE(form->Undo1->isEnabled());
  EXPECT_FALSE(form->CancelPointing->isEnabled());
  EXPECT_FALSE(form->Redo1->isEnabled());
  EXPECT_EQ(MenuCaptions(form->File1),
            QStringList({"プロジェクトを開く(&O)", "名前をつけてプロジェクトを保存(&S)",
                         "プロジェクトの上書き保存(&R)", "画像の読み込み(&I)", "画像の保存(&P)",
                         "結果のエクスポート(&E)...", "ファイルを閉じる(&C)", "-", "終了(&Q)"}));
  EXPECT_EQ(MenuCaptions(form->MenuOpenProject), QStringList({"プロジェクトファイル(*.pqs)(&P)"}));
  EXPECT_EQ(MenuCaptions(form->Setting1),
            QStringList({"イメージ調整(&I)", "座標設定(&Q)", "記号の設定(&S)"}));
  EXPECT_EQ(MenuCaptions(form->A2), QStringList({"位置・距離・面積の測定と計数(&A)", "計算(&C)"}));
  EXPECT_EQ(MenuCaptions(form->Help1),
            QStringList({"目次(&C)", "はじめに(&G)", "こんなこともできる(&A)", "-",
                         "ファイルについて(&F)", "画面とその操作(&D)", "設定(&S)", "測定モード(&M)",
                         "測定の精度(&P)", "キーとマウスの操作(&K)", "コマンドライン(&L)",
                         "困ったときは(&T)", "-", "サンプルを開く(&O)", "-", "Zelkoについて(&Q)",
                         "バージョン情報(&V)"}));

  const std::pair<const char*, const char*> hints[] = {
      {"ToolButtonLoadProject", "プロジェクトを開く"},
      {"ToolButtonResaveProject", "プロジェクトの上書き保存"},
      {"ToolButtonLoadImage", "画像の読み込み"},
      {"ToolButtonMarkers", "マーカー表示"},
      {"ToolButtonMesh", "グリッド表示"},
      {"ToolButtonAreaMode", "測定モード"},
      {"ToolButton7", "ヘルプ"},
      {"ToolButtonEnlarge", "拡大"},
      {"ToolButtonReduce", "縮小"},
      {"ToolButtonLeft", "左へ"},
      {"ToolButtonRight", "右へ"},
      {"ToolButtonDown", "下へ"},
      {"ToolButtonUp", "上へ"},
      {"ToolButtonAutoTrack", "自動センタリング"}};
  for (const auto& [name, hint] : hints) {
    EXPECT_EQ(Tool(name)->toolTip(), hint);
    EXPECT_EQ(Tool(name)->accessibleName(), hint);
  }

  const int widths[6] = {100, 250, 250, 80, 270, 200};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(form->Panels[i]->width(), widths[i]);
  // The memory read-out is as wide as its widest text, at least its design width.
  EXPECT_GE(form->Panels[5]->width(), widths[5]);
  EXPECT_EQ(form->Status(3), "");

  QStringList tabs;
  for (int i = 0; i < form->PageControl1->count(); ++i) tabs << form->PageControl1->tabText(i);
  EXPECT_EQ(tabs, QStringList({"イメージ調整", "座標設定", "測定", "メモ"}));
  EXPECT_FALSE(form->PageControl1->isTabVisible(2));
  QStringList inner;
  for (int i = 0; i < 4; ++i) inner << form->pageArea->PageControl2->tabText(i);
  EXPECT_EQ(inner, QStringList({"入力データ", "分類", "グループ", "計算結果"}));

  for (const char* off : {"ToolButtonEnlarge", "ToolButtonResaveProject", "ToolButtonReduce",
                          "ToolButtonMarkers", "ToolButtonMesh", "ToolButtonAreaMode",
                          "ToolButtonLeft", "ToolButtonRight", "ToolButtonUp", "ToolButtonDown"})
    EXPECT_FALSE(Tool(off)->isEnabled()) << off;
  for (const char* on :
       {"ToolButtonLoadProject", "ToolButtonLoadImage", "ToolButton7", "ToolButtonAutoTrack"})
    EXPECT_TRUE(Tool(on)->isEnabled()) << on;
  EXPECT_TRUE(Tool("ToolButtonAutoTrack")->isChecked());
  for (const char* off : {"SaveProject", "ResaveProject", "PictureSave", "ExportResults", "C1"})
    EXPECT_FALSE(Action(off)->isEnabled()) << off;
  EXPECT_FALSE(form->Setting1->menuAction()->isEnabled());
  EXPECT_FALSE(form->A2->menuAction()->isEnabled());
  EXPECT_FALSE(form->pageImage->isEnabled());
  EXPECT_FALSE(form->pageCoord->isEnabled());
  EXPECT_EQ(Find<QWidget>("Image1")->accessibleName(), "Image1");
  EXPECT_EQ(Find<QWidget>("Image")->accessibleName(), "Image");
}

TEST_F(ShellTest, NewDocumentDefaults) {
  Start();
  const StringGrid* markers = form->pageCoord->StringGrid1;
  EXPECT_EQ(markers->RowCount(), 2);
  EXPECT_EQ(markers->Cells(0, 1), "1");
  QStringList header;
  for (int c = 0; c < 5; ++c) header << markers->Cells(c, 0);
  EXPECT_EQ(header, QStringList({"No.", "x(pixels)", "y(pixels)", "X(pixels)", "Y(pixels)"}));
  EXPECT_EQ(form->pageArea->StringGridSort->Cells(1, 1), "Sort 1");
  EXPECT_EQ(form->pageArea->ComboBoxSort->itemText(0), "1:Sort 1");
  EXPECT_EQ(form->pageCoord->EditMeshSize->text(), "20");
  EXPECT_EQ(form->EditNumDecimal->text(), "1");
  EXPECT_EQ(form->pageImage->TrackBar1->value(), 50);
  EXPECT_EQ(form->pageImage->ScrollBarG->value(), 128);
  EXPECT_EQ(form->pageImage->RadioGroupAngle->ItemIndex(), 0);
  EXPECT_EQ(form->pageCoord->GroupBoxMesh->title(), "座標変換（未設定）");
  EXPECT_EQ(form->State().frmdata, "0.0");
  EXPECT_EQ(form->State().frmdata2, "0.00");
  EXPECT_TRUE(form->Lines().empty());
  EXPECT_EQ(form->State().IDLine, -1);
}

TEST_F(ShellTest, CommandLineJoinsArgumentsAndComparesTheExtensionInUpperCase) {
  QDir().mkpath(TempPath("My Photos"));
  const QString image = MakeImage("My Photos/site 1.Jpg");
  const QString folder = TempPath("My");
  Start({folder, "Photos/site", "1.Jpg"});
  EXPECT_EQ(form->ImageFile(), image);
  EXPECT_EQ(form->windowTitle(), "Zelko - site 1.Jpg");
  EXPECT_TRUE(form->State().ProjectFile.isEmpty());
  EXPECT_TRUE(Action("SaveProject")->isEnabled());
}

TEST_F(ShellTest, OtherFilesStartEmptyNamingTheFormatsRead) {
  MakeImage("photo.jpg");
  const QString renamed = TempPath("photo.txt");
  QFile::copy(TempPath("photo.jpg"), renamed);
  // A text file is no image, whatever it holds: only the content of an image file counts.
  WriteAll(renamed, "not a picture");
  Start({renamed});
  EXPECT_TRUE(form->ImageFile().isEmpty());
  EXPECT_EQ(form->windowTitle(), "Zelko");
  // Not in silence: the reason and the formats the program reads, as zelko-cli says them.
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.contains("開ける形式"))
      << dialogs.LastMessage().toStdString();
}

TEST_F(ShellTest, EveryUsualPhotoExtensionAndAnImageWithoutOneOpen) {
  MakeImage("photo.jpg");
  QFile::copy(TempPath("photo.jpg"), TempPath("photo.jpeg"));
  Start({TempPath("photo.jpeg")});
  EXPECT_EQ(form->ImageFile(), TempPath("photo.jpeg"));
  for (const char* name : {"photo.JPE", "photo.jfif", "photo"}) {
    const QString renamed = TempPath(name);
    QFile::copy(TempPath("photo.jpg"), renamed);
    form->Doc().MarkSaved();
    dialogs.openFiles.push_back(renamed);
    Action("ReadImage1")->trigger();
    EXPECT_EQ(form->ImageFile().toStdString(), renamed.toStdString())
        << name << " " << dialogs.LastMessage().toStdString();
  }
  EXPECT_TRUE(dialogs.fileFilters.last().contains("*.jfif"))
      << dialogs.fileFilters.last().toStdString();
  EXPECT_TRUE(dialogs.fileFilters.last().contains("*.TIFF"))
      << dialogs.fileFilters.last().toStdString();
  EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage().toStdString();
}

TEST_F(ShellTest, AnOpenImageEnablesItsCommandsAndInstallsNoTransform) {
  Start({MakeImage("a.bmp", 200, 100)});
  EXPECT_TRUE(Tool("ToolButtonMesh")->isEnabled());
  EXPECT_TRUE(Tool("ToolButtonAreaMode")->isEnabled());
  EXPECT_TRUE(Tool("ToolButtonMarkers")->isEnabled());
  EXPECT_FALSE(Tool("ToolButtonResaveProject")->isEnabled());
  EXPECT_EQ(form->pageCoord->GroupBoxMesh->title(), "座標変換（設定済み）");
  EXPECT_TRUE(form->isCoord());
  ASSERT_EQ(form->Cy().size(), 3u);
  EXPECT_DOUBLE_EQ(form->Cy()[0] * form->View().factor, form->View().BitHeight);
  EXPECT_TRUE(form->Setting1->menuAction()->isEnabled());
  EXPECT_TRUE(form->A2->menuAction()->isEnabled());
}

TEST_F(ShellTest, ClosingTheFileEmptiesWindowAndStatus) {
  Start({MakeImage("a.bmp")});
  form->Doc().MarkUnsaved();
  dialogs.answers.push_back(MsgResult::No);
  form->C1Click();
  EXPECT_EQ(TakeMessages(),
            QStringList({"プロジェクトファイルが変更されています。\n保存しますか。"}));
  EXPECT_EQ(form->windowTitle(), "Zelko");
  EXPECT_EQ(form->Status(0), "");
  EXPECT_EQ(form->Status(3), "");
  EXPECT_EQ(form->Status(4), "");
  EXPECT_TRUE(form->ImageFile().isEmpty());
  EXPECT_FALSE(Action("C1")->isEnabled());
}

TEST_F(ShellTest, CancelOrAFailedSaveKeepsTheUnsavedDocument) {
  Start({MakeImage("a.bmp")});
  form->Doc().MarkUnsaved();
  dialogs.answers.push_back(MsgResult::Cancel);
  form->C1Click();
  EXPECT_FALSE(form->ImageFile().isEmpty());
  // Yes, then the save dialog is cancelled: the close stops as if Cancel had been chosen.
  dialogs.answers.push_back(MsgResult::Yes);
  form->C1Click();
  EXPECT_FALSE(form->ImageFile().isEmpty());
  EXPECT_EQ(form->Status(3), "変更あり");
  // Quitting likewise: the window stays open.
  dialogs.answers.push_back(MsgResult::Yes);
  EXPECT_FALSE(form->close());
  dialogs.answers.push_back(MsgResult::Cancel);
  EXPECT_FALSE(form->close());
  EXPECT_EQ(TakeMessages().back(),
            "プロジェクトファイルが変更されています。\n保存してから終了しますか。");
  dialogs.answers.push_back(MsgResult::No);
  EXPECT_TRUE(form->close());
  EXPECT_TRUE(QFile::exists(TempPath("zelko.ini")));
}

TEST_F(ShellTest, PagesMoveTheSharedControls) {
  Start({MakeImage("a.bmp")});
  form->ShowPage(1);
  EXPECT_EQ(form->SharedBox->parentWidget(), form->pageCoord->SharedHolder);
  EXPECT_FALSE(form->DecimalsRow->isHidden());
  form->ShowPage(0);
  EXPECT_EQ(form->SharedBox->parentWidget(), form->pageImage->SharedHolder);
  form->EnterMeasurementMode();
  EXPECT_EQ(form->SharedBox->parentWidget(), form->pageArea->SharedHolder);
  EXPECT_FALSE(form->pageArea->BitBtnCalArea->isEnabled());
  EXPECT_FALSE(form->pageArea->ButtonEraseArea->isEnabled());
}

}  // namespace
}  // namespace zelko::testing
