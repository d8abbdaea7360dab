// Notes, help, the about box, the symbol dialog and the recent projects, through the window.
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/about_box.h"
#include "app/coord_page.h"
#include "app/frm_symbols.h"
#include "app/note_page.h"
#include "app_fixture.h"
#include "document/settings.h"

namespace zelko::testing {
namespace {

using ExtrasTest = WindowTest;

TEST_F(ExtrasTest, NotesMarkChangesAndKeepTheirFontWithoutStyle) {
  Start({MakeImage("a.bmp")});
  form->Doc().MarkSaved();
  form->pageNote->Memo1->insertPlainText("x");
  EXPECT_EQ(form->Status(3), "変更あり");

  QFont bold("IPAGothic", 14);
  bold.setBold(true);
  dialogs.fonts.push_back(bold);
  form->pageNote->ButtonMemoFontClick();
  EXPECT_TRUE(form->pageNote->Memo1->font().bold());
  dialogs.saveFiles.push_back(TempPath("n.pqs"));
  form->SaveProjectClick();
  form->C1Click();
  form->OpenProjectFile(TempPath("n.pqs"));
  const QFont back = form->pageNote->Memo1->font();
  EXPECT_EQ(back.family(), "IPAGothic");
  EXPECT_EQ(back.pointSize(), 14);
  EXPECT_FALSE(back.bold());
  EXPECT_EQ(form->pageNote->Memo1->toPlainText(), "x");
}

TEST_F(ExtrasTest, PasteIsOfferedOnlyWithTextOnTheClipboard) {
  Start();
  QApplication::clipboard()->clear();
  form->pageNote->PopupMenuNotePopup();
  EXPECT_FALSE(form->pageNote->Paste2->isEnabled());
  QApplication::clipboard()->setText("メモ");
  form->pageNote->PopupMenuNotePopup();
  EXPECT_TRUE(form->pageNote->Paste2->isEnabled());
}

TEST_F(ExtrasTest, HelpCommandsOpenTheirTopicsAndTheAboutBoxNamesTheVersion) {
  Start();
  const std::pair<const char*, const char*> topics[] = {
      {"Contents1", ""}, {"A3", "HowToUse"},    {"F1", "File"},       {"D2", "ManageImage"},
      {"S2", "Setting"}, {"M1", "Measurement"}, {"ZelkoB1", "Author"},
      {"GettingStarted1", "GettingStarted"}, {"Accuracy1", "Accuracy"}, {"Keys1", "Keys"},
      {"CommandLine1", "CommandLine"}, {"Faq1", "FAQ"}};
  for (const auto& [item, topic] : topics) {
    Action(item)->trigger();
    EXPECT_EQ(dialogs.helpPages.back(), topic) << item;
  }
  Tool("ToolButton7")->click();
  EXPECT_EQ(dialogs.helpPages.back(), "");
  EXPECT_EQ(form->AboutBox->windowTitle(), "Zelko バージョン情報");
  EXPECT_EQ(form->AboutBox->findChild<QLabel*>("Version")->text(), "Version 2.8.3.3");
  EXPECT_EQ(form->State().ProgName, "Zelko");
  for (const char* page :
       {"index", "HowToUse", "File", "ManageImage", "Setting", "Measurement", "Author",
        "GettingStarted", "Accuracy", "Keys", "CommandLine", "FAQ"})
    EXPECT_TRUE(QFile::exists(QString(ZELKO_HELP_SOURCE_DIR) + "/" + page + ".htm")) << page;
}

TEST_F(ExtrasTest, SymbolDialogEditsCopiesUntilOk) {
  Start({MakeImage("a.bmp")});
  TFrmSymbols* dlg = form->FrmSymbols;
  {
    SymbolSettings s = form->State().sym;
    s.PointLineWidth = 3;
    form->ApplySymbols(s);
  }
  dlg->FormShow();
  EXPECT_EQ(dlg->EditPointLineWidth->text(), "3");
  dialogs.colors.push_back(QColor(0, 255, 0));
  dlg->findChild<QPushButton*>("ButtonLineColor")->click();
  EXPECT_EQ(form->State().sym.clLine, 0x0000FFu);  // not yet
  form->Doc().MarkSaved();
  dlg->BitBtn1Click();
  EXPECT_EQ(form->State().sym.clLine, 0x00FF00u);
  EXPECT_EQ(form->State().sym.PointLineWidth, 3);
  EXPECT_EQ(form->Status(3), "変更あり");

  // A font chosen and then abandoned leaves the window's font alone.
  const int size = form->State().sym.MarkerFont.pointSize();
  dlg->FormShow();
  dialogs.fonts.push_back(QFont("IPAGothic", 30));
  dlg->findChild<QPushButton*>("ButtonMarkerFont")->click();
  dlg->reject();
  EXPECT_EQ(form->State().sym.MarkerFont.pointSize(), size);

  // "初期化" restores the defaults at once, and a following OK keeps them.
  dlg->FormShow();
  dlg->Button1Click();
  EXPECT_EQ(form->State().sym.clLine, 0x0000FFu);
  EXPECT_EQ(form->State().sym.PointLineWidth, 1);
  dlg->BitBtn1Click();
  EXPECT_EQ(form->State().sym.clLine, 0x0000FFu);
  EXPECT_EQ(form->State().sym.PointLineWidth, 1);
}

TEST_F(ExtrasTest, RecentProjectsComeFromTheSettingsAndMoveToTheTop) {
  Settings s;
  for (int i = 0; i < 3; ++i)
    s.RecentProjects.push_back(TempPath("p" + QString::number(i) + ".pqs").toStdString());
  s.MarkerFontSize = 14;
  Failure error;
  ASSERT_TRUE(WriteSettingsFile(TempPath("zelko.ini").toStdString(), s, &error));
  Start();
  EXPECT_EQ(form->State().sym.MarkerFont.pointSize(), 14);
  QStringList captions;
  for (QAction* a : form->MenuOpenProject->actions()) captions << a->text();
  EXPECT_EQ(captions, QStringList({"プロジェクトファイル(*.pqs)(&P)", "", "&0:p0.pqs", "&1:p1.pqs",
                                   "&2:p2.pqs"}));

  // The third entry has gone: the question, then it leaves the menu.
  dialogs.answers.push_back(MsgResult::Yes);
  Action("ListedFile2")->trigger();
  EXPECT_EQ(dialogs.LastMessage(),
            "指定されたファイルが見つかりません。メニューから削除しますか。");
  EXPECT_EQ(form->State().ListedFile.size(), 2);
  captions.clear();
  for (QAction* a : form->MenuOpenProject->actions()) captions << a->text();
  EXPECT_EQ(captions,
            QStringList({"プロジェクトファイル(*.pqs)(&P)", "", "&0:p0.pqs", "&1:p1.pqs"}));

  // Saving a project puts it first; the settings written at the end of the run list it.
  form->OpenImageFile(MakeImage("a.bmp"));
  dialogs.saveFiles.push_back(TempPath("new.pqs"));
  form->SaveProjectClick();
  EXPECT_EQ(form->State().ListedFile.front(), TempPath("new.pqs"));
  EXPECT_EQ(form->MenuOpenProject->actions()[2]->text(), "&0:new.pqs");
  ASSERT_TRUE(form->close());
  Settings back;
  ASSERT_TRUE(ReadSettingsFile(TempPath("zelko.ini").toStdString(), &back, &error));
  ASSERT_EQ(back.RecentProjects.size(), 3u);
  EXPECT_EQ(back.RecentProjects[0], TempPath("new.pqs").toStdString());
  EXPECT_EQ(back.MarkerFontSize, 14);
}

}  // namespace
}  // namespace zelko::testing
