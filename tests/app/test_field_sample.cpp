// The field sample through the window, as the getting-started help page walks it: open the
// project, enter the measurement mode, calculate, and read the category totals.
#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/string_grid.h"
#include "app_fixture.h"

namespace zelko::testing {
namespace {

class FieldSampleWindowTest : public WindowTest {
 protected:
  static QStringList Row(const StringGrid* g, int row) {
    QStringList out;
    for (int c = 0; c < g->ColCount(); ++c) out << g->Cells(c, row);
    return out;
  }
};

TEST_F(FieldSampleWindowTest, OpensMeasuresAndTotalsByCategory) {
  Start();
  dialogs.openFiles.push_back(CopyFieldSample());
  QTest::mouseClick(Tool("ToolButtonLoadProject"), Qt::LeftButton);
  ASSERT_EQ(form->State().ProjectFile, TempPath("field.pqs"))
      << TakeMessages().join("|").toStdString();
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(form->ImageFile(), TempPath("field.jpg"));
  EXPECT_TRUE(form->isCoord());
  EXPECT_EQ(form->pageCoord->GroupBoxMesh->title(), "座標変換（設定済み）");
  const StringGrid* markers = form->pageCoord->StringGrid1;
  EXPECT_EQ(Row(markers, 0).mid(3), (QStringList{"経度", "緯度"}));
  EXPECT_EQ(markers->RowCount(), 10);  // the header and nine markers
  EXPECT_EQ(Row(markers, 1).mid(3), (QStringList{"139.696", "35.662"}));

  QTest::mouseClick(Tool("ToolButtonAreaMode"), Qt::LeftButton);
  ASSERT_TRUE(form->State().isAreaMode);
  AreaPage* page = form->pageArea;
  EXPECT_EQ(form->PageControl1->currentWidget(), page);
  QTest::mouseClick(page->BitBtnCalArea, Qt::LeftButton);
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(page->PageControl2->currentWidget(), page->TabSheetCalResult);

  const StringGrid* results = page->StringGrid3;
  EXPECT_EQ(Row(results, 0), (QStringList{"分類", "Group", "長さ(m)", "面積(m^2)", "点数"}));
  QStringList totals;
  for (int r = 1; r < results->RowCount(); ++r)
    if (results->Cells(1, r) == "合計") totals << Row(results, r).join(" ");
  // The figures the engine's test holds against GeographicLib's geodesics.
  EXPECT_EQ(totals, (QStringList{"水田 合計 1660.6 58813 12", "畑 合計 1192.3 44773 8"}));
  QStringList single;
  for (int r = 1; r < results->RowCount(); ++r)
    if (results->Cells(1, r).startsWith('L') || results->Cells(1, r).startsWith('P'))
      single << Row(results, r).join(" ");
  // The track and the trees reach beyond the markers' crossings: their labels carry the sign.
  EXPECT_EQ(single, (QStringList{"農道 L6※ 380.5 0 9", "樹木 P7※ 0.0 0 13"}));
}

// The first look the README's run command gives: the project opened measured and calculated, the
// same figures as by hand; a picture or a project that cannot be read is not measured.
TEST_F(FieldSampleWindowTest, CalculateOnTheCommandLineShowsTheFigures) {
  Start({"--calculate", CopyFieldSample()});
  EXPECT_EQ(form->State().ProjectFile, TempPath("field.pqs"));
  QTRY_VERIFY(form->State().isAreaMode);  // once the window is on the screen
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_TRUE(form->State().withMesh);  // the fit, as its grid
  EXPECT_TRUE(Tool("ToolButtonMesh")->isChecked());
  AreaPage* page = form->pageArea;
  EXPECT_EQ(page->PageControl2->currentWidget(), page->TabSheetCalResult);
  QStringList totals;
  for (int r = 1; r < page->StringGrid3->RowCount(); ++r)
    if (page->StringGrid3->Cells(1, r) == "合計") totals << Row(page->StringGrid3, r).join(" ");
  EXPECT_EQ(totals, (QStringList{"水田 合計 1660.6 58813 12", "畑 合計 1192.3 44773 8"}));
  EXPECT_EQ(form->Status(3), "変更なし");  // calculating is no edit
}

TEST_F(FieldSampleWindowTest, CalculateOnTheCommandLineLeavesOtherFilesAsOpened) {
  const QString picture = MakeImage("photo.jpg", 64, 48);
  Start({"--calculate", picture});
  QTest::qWait(300);
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(form->ImageFile(), picture);
  EXPECT_FALSE(form->State().isAreaMode);
  form.reset();

  form = std::make_unique<TForm1>(dialogs);
  QFile bad(TempPath("bad.pqs"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("no project");
  bad.close();
  Start({"--calculate", TempPath("bad.pqs")});
  QTest::qWait(300);
  EXPECT_FALSE(TakeMessages().isEmpty());  // the open's own refusal, and nothing more
  EXPECT_FALSE(form->State().isAreaMode);
  EXPECT_TRUE(form->State().ProjectFile.isEmpty());
}

// Every text the window shows anywhere, with the mnemonics written as the help pages write them:
// "ファイル(&F)" as "ファイル(F)".
QStringList WindowTexts(const TForm1& form) {
  QStringList texts{form.windowTitle()};
  for (const QWidget* w : form.findChildren<QWidget*>()) {
    texts << w->toolTip() << w->accessibleName();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) texts << b->text();
    if (auto* l = qobject_cast<const QLabel*>(w)) texts << l->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) texts << g->title();
    if (auto* m = qobject_cast<const QMenu*>(w)) texts << m->title();
    if (auto* c = qobject_cast<const QComboBox*>(w))
      for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
    if (auto* t = qobject_cast<const QTabWidget*>(w))
      for (int i = 0; i < t->count(); ++i) texts << t->tabText(i);
    if (auto* g = qobject_cast<const StringGrid*>(w))
      for (int r = 0; r < g->RowCount(); ++r)
        for (int c = 0; c < g->ColCount(); ++c) texts << g->Cells(c, r);
  }
  for (const QAction* a : form.findChildren<QAction*>()) texts << a->text();
  for (QString& t : texts) t.replace(QRegularExpression("\\(&(.)\\)"), "(\\1)").remove('&');
  return texts;
}

// The getting-started page quotes the window's own texts: each 「…」 of the page is found in the
// window at some step of the walk, in a message it showed or in a chooser it offered.
TEST_F(FieldSampleWindowTest, TheGettingStartedPageQuotesTheWindowsOwnTexts) {
  QFile page(QString(ZELKO_HELP_SOURCE_DIR) + "/GettingStarted.htm");
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  const QString html = QString::fromUtf8(page.readAll());

  Start();
  dialogs.openFiles.push_back(CopyFieldSample());
  QTest::mouseClick(Tool("ToolButtonLoadProject"), Qt::LeftButton);
  ASSERT_EQ(form->State().ProjectFile, TempPath("field.pqs"));
  QStringList seen = WindowTexts(*form);
  dialogs.answers.push_back(MsgResult::Yes);  // the grid, please
  QTest::mouseClick(form->pageCoord->ButtonSetMesh, Qt::LeftButton);
  ASSERT_TRUE(form->State().withMesh);
  seen << WindowTexts(*form);
  QTest::mouseClick(Tool("ToolButtonAreaMode"), Qt::LeftButton);
  QTest::mouseClick(form->pageArea->BitBtnCalArea, Qt::LeftButton);
  seen << WindowTexts(*form);
  QTest::mouseClick(form->pageArea->ButtonSetArea, Qt::LeftButton);  // a group's input begins
  seen << WindowTexts(*form);
  QTest::mouseClick(form->pageArea->ButtonSetArea, Qt::LeftButton);
  Action("ExportResults")->trigger();  // its chooser is cancelled
  for (const auto& m : dialogs.messages) seen << m.text;
  for (const QStringList& items : dialogs.choiceItems) seen << items;

  // Drawn in the picture, and the standard button of a question.
  const QStringList elsewhere{"139.700°E", "35.660°N", "はい(Y)"};
  const QRegularExpression quoted("「([^」]+)」");
  int count = 0;
  for (auto it = quoted.globalMatch(html); it.hasNext(); ++count) {
    const QString q = it.next().captured(1);
    if (elsewhere.contains(q)) continue;
    bool found = false;
    for (const QString& t : seen) found = found || t.contains(q);
    EXPECT_TRUE(found) << q.toStdString();
  }
  EXPECT_GT(count, 40);

  // Its pictures are there, and Qt reads them.
  const QRegularExpression image("<img src=\"([^\"]+)\"");
  int images = 0;
  for (auto it = image.globalMatch(html); it.hasNext(); ++images) {
    const QString src = it.next().captured(1);
    const QImage picture(QString(ZELKO_HELP_SOURCE_DIR) + "/" + src);
    EXPECT_FALSE(picture.isNull()) << src.toStdString();
    EXPECT_GE(picture.width(), 200) << src.toStdString();
  }
  EXPECT_GE(images, 6);
}

}  // namespace
}  // namespace zelko::testing
