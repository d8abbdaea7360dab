// The history and the saves as a user meets them on the field sample: undo, redo and save in any
// order, typing into the tables, and pointing modes that always end.
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/image_page.h"
#include "app/note_page.h"
#include "app/string_grid.h"
#include "app_fixture.h"
#include "coords/transform.h"

namespace zelko::testing {
namespace {

class HistoryWindowTest : public WindowTest {
 protected:
  // Opens a copy of the field sample as a user does, with the toolbar's open button.
  void OpenSample() {
    Start();
    dialogs.openFiles.push_back(CopyFieldSample());
    QTest::mouseClick(Tool("ToolButtonLoadProject"), Qt::LeftButton);
    ASSERT_EQ(form->State().ProjectFile, TempPath("field.pqs"));
    TakeMessages();
    // Keys go where they go for a user: to the active window's focus.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  QByteArray Saved() { return ReadAll(TempPath("field.pqs")); }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(form.get(), static_cast<Qt::Key>(key), mods);
  }
  void Undo() { Key(Qt::Key_Z, Qt::ControlModifier); }
  void Redo() { Key(Qt::Key_Y, Qt::ControlModifier); }
  void Save() { form->ResaveProject->trigger(); }
  // Chooses a method in the list with the keyboard, as a user steps through it.
  void ChooseMethod(int method) {
    QComboBox* box = form->pageCoord->ComboBoxGridMethod;
    form->PageControl1->setCurrentWidget(form->pageCoord);
    box->setFocus();
    while (box->currentIndex() < method) QTest::keyClick(box, Qt::Key_Down);
    while (box->currentIndex() > method) QTest::keyClick(box, Qt::Key_Up);
  }
  StringGrid& Markers() { return *form->pageCoord->StringGrid1; }
  QPoint CellCentre(StringGrid& g, int col, int row) {
    return g.visualRect(g.model()->index(row, col)).center();
  }
  QLineEdit* Editor(StringGrid& g) { return qobject_cast<QLineEdit*>(g.Editor()); }
};

TEST_F(HistoryWindowTest, ASaveBetweenUndosNeitherAddsToTheHistoryNorCutsIt) {
  OpenSample();
  Save();
  const QByteArray original = Saved();
  ChooseMethod(tmBilinear);
  dialogs.answers.push_back(MsgResult::No);  // no grid
  QTest::mouseClick(form->pageCoord->ButtonSetMesh, Qt::LeftButton);
  EXPECT_EQ(TakeMessages(), QStringList{"グリッドを表示しますか。"});
  ASSERT_TRUE(form->isCoord());
  ASSERT_EQ(form->Cx().size(), 4u);
  Save();
  const QByteArray fitted = Saved();
  Undo();
  EXPECT_EQ(form->Doc().UndoName(), "変換方法");
  EXPECT_EQ(form->Doc().RedoName(), "座標変換");
  Save();
  // The chosen method has no coefficients of its own yet, so none are stored with it.
  EXPECT_FALSE(form->isCoord());
  EXPECT_TRUE(form->Cx().empty());
  EXPECT_EQ(form->Doc().UndoName(), "変換方法");
  EXPECT_EQ(form->Doc().RedoName(), "座標変換");
  EXPECT_EQ(form->pageCoord->GroupBoxMesh->title(), "座標変換（未設定）");

  Undo();
  Save();
  EXPECT_EQ(Saved(), original);
  EXPECT_TRUE(form->isCoord());
  Redo();
  Redo();
  Save();
  EXPECT_EQ(Saved(), fitted);
  EXPECT_TRUE(form->isCoord());
  EXPECT_EQ(TakeMessages(), QStringList());
}

TEST_F(HistoryWindowTest, ASavedUnsetMethodReopensUnsetWithoutForeignCoefficients) {
  OpenSample();
  ChooseMethod(tmQuadratic);
  Save();
  ASSERT_TRUE(form->Doc().CanUndo());
  EXPECT_FALSE(form->isCoord());
  form->C1->trigger();
  dialogs.openFiles.push_back(TempPath("field.pqs"));
  QTest::mouseClick(Tool("ToolButtonLoadProject"), Qt::LeftButton);
  EXPECT_EQ(form->Method(), tmQuadratic);
  EXPECT_FALSE(form->isCoord());
  EXPECT_TRUE(form->Cx().empty());
  EXPECT_EQ(form->pageCoord->GroupBoxMesh->title(), "座標変換（未設定）");
}

TEST_F(HistoryWindowTest, ATypedValueReplacesTheCellAlsoWithTheResidualsShown) {
  OpenSample();
  form->PageControl1->setCurrentWidget(form->pageCoord);
  dialogs.answers.push_back(MsgResult::No);
  QTest::mouseClick(form->pageCoord->ButtonSetMesh, Qt::LeftButton);
  ASSERT_GT(Markers().ColCount(), 5);  // the residuals are shown
  for (int col : {4, 1}) {
    QTest::mouseClick(Markers().viewport(), Qt::LeftButton, {}, CellCentre(Markers(), col, 1));
    QTest::mouseDClick(Markers().viewport(), Qt::LeftButton, {}, CellCentre(Markers(), col, 1));
    ASSERT_NE(Editor(Markers()), nullptr);
    QTest::keyClicks(Editor(Markers()), "35.665");
    QTest::keyClick(Editor(Markers()), Qt::Key_Return);
    EXPECT_EQ(Markers().Cells(col, 1), "35.665") << col;
    QTest::keyClick(Editor(Markers()), Qt::Key_Escape);
    // The fit again, so that the next cell is typed with the residuals shown too.
    dialogs.answers.push_back(MsgResult::No);
    QTest::mouseClick(form->pageCoord->ButtonSetMesh, Qt::LeftButton);
  }
}

TEST_F(HistoryWindowTest, TheNotesAreStoredAlikeWhetherOrNotTheirPageWasShown) {
  OpenSample();
  QTabWidget* pages = form->PageControl1;
  QWidget* notes = form->pageNote;
  ASSERT_NE(pages->currentWidget(), notes);
  Save();
  const QByteArray hidden = Saved();
  pages->setCurrentWidget(notes);
  QApplication::processEvents();
  Save();
  EXPECT_EQ(Saved(), hidden);
  // Opened and saved again, the file stays as it is.
  form->C1->trigger();
  dialogs.openFiles.push_back(TempPath("field.pqs"));
  QTest::mouseClick(Tool("ToolButtonLoadProject"), Qt::LeftButton);
  Save();
  EXPECT_EQ(Saved(), hidden);

  // A notes edit undone while the page is hidden restores the bytes.
  pages->setCurrentWidget(notes);
  QPlainTextEdit* memo = form->pageNote->Memo1;
  memo->setFocus();
  QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(memo, " more");
  pages->setCurrentWidget(form->pageImage);
  Save();
  EXPECT_NE(Saved(), hidden);
  Undo();
  Save();
  EXPECT_EQ(Saved(), hidden);
}

TEST_F(HistoryWindowTest, AGridIntervalIsCheckedWhenItIsApplied) {
  OpenSample();
  form->PageControl1->setCurrentWidget(form->pageCoord);
  QTest::mouseClick(Tool("ToolButtonMesh"), Qt::LeftButton);
  ASSERT_TRUE(form->State().withMesh);
  QLineEdit* interval = form->pageCoord->EditMeshSize;
  interval->setFocus();
  interval->selectAll();
  QTest::keyClicks(interval, "0");
  EXPECT_EQ(TakeMessages(), QStringList());  // while typed
  QTest::keyClick(interval, Qt::Key_Return);
  EXPECT_EQ(TakeMessages(), QStringList{"グリッド描画でエラー発生"});
  EXPECT_FALSE(form->State().withMesh);
  // An unrelated click later says nothing more.
  QTest::mouseClick(Tool("ToolButtonMarkers"), Qt::LeftButton);
  EXPECT_EQ(TakeMessages(), QStringList());
}

}  // namespace
}  // namespace zelko::testing
