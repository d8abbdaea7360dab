// What the window shows and keeps of itself: the notes as stored lines, the outer placement in
// the settings file, and a memory read-out that is never cut.
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "app/coord_page.h"
#include "app/note_page.h"
#include "app_fixture.h"
#include "document/ini_file.h"
#include "document/project_file.h"

namespace zelko::testing {
namespace {

using WindowLayoutTest = WindowTest;

std::vector<std::string> StoredNotes(const QString& path) {
  const ProjectReadResult r = ReadProjectFile(path.toStdString());
  EXPECT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
  return r.Data.Notes;
}

TEST_F(WindowLayoutTest, NotesAreStoredAsTheirDisplayedLinesWhetherOrNotTheyWereShown) {
  Start({MakeImage("photo.bmp", 300, 200)});
  QPlainTextEdit* memo = form->pageNote->Memo1;
  ASSERT_FALSE(memo->isVisible());
  QString paragraph;
  for (int i = 0; i < 40; ++i) paragraph += "word" + QString::number(i) + " ";
  memo->setFocus();
  QTest::keyClicks(memo, paragraph.trimmed());

  const QString unseen = TempPath("unseen.pqs");
  dialogs.saveFiles.push_back(unseen);
  Action("SaveProject")->trigger();
  const std::vector<std::string> before = StoredNotes(unseen);

  form->PageControl1->setCurrentWidget(form->pageNote);
  ASSERT_TRUE(memo->isVisible());
  const QString seen = TempPath("seen.pqs");
  dialogs.saveFiles.push_back(seen);
  Action("SaveProject")->trigger();
  const std::vector<std::string> after = StoredNotes(seen);

  EXPECT_GT(after.size(), 1u);  // the paragraph is wider than the field
  // As many lines as the field itself shows.
  memo->viewport()->repaint();
  EXPECT_EQ(static_cast<std::size_t>(memo->document()->firstBlock().layout()->lineCount()),
            after.size());
  EXPECT_EQ(before, after);
  std::string joined;
  for (const auto& line : after) joined += line;
  EXPECT_EQ(QString::fromStdString(joined).remove(' '), paragraph.remove(' '));
}

TEST_F(WindowLayoutTest, TheSettingsFileKeepsTheOuterPlacementAndGivesItBack) {
  Start();
  form->move(40, 30);
  form->resize(1100, 800);
  QTest::qWait(20);
  const QRect outer = form->frameGeometry();
  ASSERT_NE(outer, form->geometry()) << "the platform draws no frame: the test would prove nothing";
  form->WriteSettings();
  IniFile ini;
  ASSERT_TRUE(IniFile::Load(form->State().iniFL.toStdString(), &ini, nullptr));
  EXPECT_EQ(ini.ReadInteger("Form", "Left", -1), outer.left());
  EXPECT_EQ(ini.ReadInteger("Form", "Top", -1), outer.top());
  EXPECT_EQ(ini.ReadInteger("Form", "Widht", -1), outer.width());
  EXPECT_EQ(ini.ReadInteger("Form", "Height", -1), outer.height());

  form->resize(900, 700);
  form->move(100, 100);
  form->ReadSettings();
  QTest::qWait(20);
  EXPECT_EQ(form->frameGeometry(), outer);
}

TEST_F(WindowLayoutTest, TheMemoryReadOutIsWhollyVisibleAtTheDefaultSize) {
  Start({MakeImage("photo.bmp", 300, 200)});
  form->resize(form->DesignSize());
  QTest::qWait(20);
  QLabel* panel = form->Panels[5];
  const QString text = form->Status(5);
  ASSERT_TRUE(text.startsWith("物理メモリ使用量：")) << text.toStdString();
  EXPECT_LE(panel->fontMetrics().horizontalAdvance(text), panel->contentsRect().width());
  EXPECT_LE(panel->mapTo(form.get(), QPoint(panel->width(), 0)).x(), form->width());
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(form->Panels[i]->isVisible()) << i;
}

TEST_F(WindowLayoutTest, TheResidualsAndTheirSummaryShowWholeAtTheDefaultSize) {
  // The field sample's degrees make the widest residuals.
  for (const char* name : {"field.pqs", "field.jpg"})
    ASSERT_TRUE(QFile::copy(QString(ZELKO_SAMPLE_DIR "/field/") + name, TempPath(name)));
  Start({TempPath("field.pqs")});
  form->resize(form->DesignSize());
  QTabBar* tabs = form->PageControl1->tabBar();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
  ASSERT_EQ(form->PageControl1->currentWidget(), form->pageCoord);
  dialogs.answers.push_back(MsgResult::No);  // no grid drawn
  QTest::mouseClick(form->pageCoord->ButtonSetMesh, Qt::LeftButton);
  TakeMessages();
  QTest::qWait(20);
  StringGrid* table = form->pageCoord->StringGrid1;
  ASSERT_EQ(table->ColCount(), 9);
  const int last = table->ColCount() - 1;
  EXPECT_LE(table->columnViewportPosition(last) + table->columnWidth(last),
            table->viewport()->width());
  EXPECT_EQ(table->horizontalScrollBar()->maximum(), 0);
  // The summary breaks between its items only: each of its lines fits the page whole.
  QLabel* label = form->pageCoord->LabelFitQuality;
  ASSERT_TRUE(label->isVisible());
  const QStringList lines = label->text().split('\n');
  EXPECT_EQ(lines.size(), 3);
  for (const QString& line : lines)
    EXPECT_LE(label->fontMetrics().horizontalAdvance(line), label->contentsRect().width())
        << line.toStdString();
}

}  // namespace
}  // namespace zelko::testing
