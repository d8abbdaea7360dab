// The measurement road without a mouse: menus by their letters, controls by Tab, points placed
// with the view's own pointer, the calculation by its key, pointing modes ended by Esc.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/string_grid.h"
#include "app/view_widget.h"
#include "app_fixture.h"
#include "coords/transform.h"
#include "document/project_file.h"

namespace zelko::testing {
namespace {

class KeyboardRoadTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    CopyFieldSample();
    Start();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }

  // A key where a user's key goes: the open menu, else the widget with the focus.
  void Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* to = QApplication::activePopupWidget();
    if (!to) to = QApplication::focusWidget();
    if (!to) to = form.get();
    QTest::keyClick(to, static_cast<Qt::Key>(key), mods);
  }
  // A menu command by its letters: Alt and the menu's letter, then the items' letters.
  void Menu(int menuKey, std::initializer_list<int> itemKeys) {
    Press(menuKey, Qt::AltModifier);
    for (int k : itemKeys) Press(k);
  }
  // Tab until the widget has the focus; false when a whole round of the window never reaches it.
  bool TabTo(QWidget* target) {
    for (int i = 0; i < 80; ++i) {
      if (QApplication::focusWidget() == target) return true;
      Press(Qt::Key_Tab);
    }
    return QApplication::focusWidget() == target;
  }
  // Runs inMenu on the menu a key opens at the view's pointer (the menu runs its own loop).
  bool KeyMenu(const std::function<void(QMenu*)>& inMenu) {
    auto opened = std::make_shared<bool>(false);
    QTimer::singleShot(0, [opened, inMenu] {
      if (auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        *opened = true;
        inMenu(m);
        if (m->isVisible()) m->close();
      }
    });
    QWidget* focus = QApplication::focusWidget();
    Press(Qt::Key_F10, Qt::ShiftModifier);
    QApplication::processEvents();
    // The offscreen platform gives neither the activation nor the focus back after a pop-up, as
    // a desktop does.
    if (QApplication::activeWindow() != form.get()) {
      form->activateWindow();
      EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.get(); }));
    }
    if (!QApplication::focusWidget() && focus) focus->setFocus(Qt::PopupFocusReason);
    return *opened;
  }
  void OpenByMenu() {
    dialogs.openFiles.push_back(TempPath("field.pqs"));
    Menu(Qt::Key_F, {Qt::Key_O, Qt::Key_P});
    ASSERT_EQ(form->State().ProjectFile, TempPath("field.pqs"));
    TakeMessages();
  }
  void EnterMeasuring() {
    Menu(Qt::Key_A, {Qt::Key_A});
    ASSERT_TRUE(form->State().isAreaMode);
  }
  AreaPage& Area() { return *form->pageArea; }
};

TEST_F(KeyboardRoadTest, OpenFitInputCalculateAndSaveWithoutAMouse) {
  OpenByMenu();
  const std::size_t groups = form->Lines().size();

  // Fit with another method: the coordinate page by its menu, then Tab to each control.
  Menu(Qt::Key_S, {Qt::Key_Q});
  ASSERT_EQ(form->PageControl1->currentWidget(), form->pageCoord);
  ASSERT_TRUE(TabTo(form->pageCoord->ComboBoxGridMethod));
  Press(Qt::Key_Down);
  ASSERT_EQ(form->Method(), tmBilinear);
  ASSERT_TRUE(TabTo(form->pageCoord->ButtonSetMesh));
  dialogs.answers.push_back(MsgResult::No);  // no grid
  Press(Qt::Key_Space);
  ASSERT_TRUE(form->isCoord());
  EXPECT_EQ(form->Cx().size(), 4u);

  // A curve of three points, placed with the view's pointer.
  EnterMeasuring();
  ASSERT_TRUE(TabTo(Area().ButtonSetArea));
  Press(Qt::Key_Space);
  ASSERT_TRUE(form->State().isLineInput);
  ASSERT_TRUE(TabTo(form->Image1));
  for (int i = 0; i < 3; ++i) {
    Press(Qt::Key_Space);
    Press(Qt::Key_Right, Qt::ShiftModifier);
    Press(Qt::Key_Down, Qt::ShiftModifier);
  }
  ASSERT_TRUE(TabTo(Area().ButtonSetArea));
  Press(Qt::Key_Space);
  ASSERT_FALSE(form->State().isLineInput);
  ASSERT_EQ(form->Lines().size(), groups + 1);
  EXPECT_EQ(form->Lines().back().NumPoints, 3);
  // Ten pixels apart on the screen each way.
  const auto& pts = form->Lines().back().Points;
  const double scale = form->View().factor;
  EXPECT_NEAR((pts[1].x - pts[0].x) * scale, 10, 1e-9);
  EXPECT_NEAR((pts[2].y - pts[1].y) * scale, 10, 1e-9);

  // The calculation by its key, and from the menu.
  ASSERT_TRUE(form->CalculateMenu->isEnabled());
  Press(Qt::Key_F9);
  EXPECT_EQ(Area().PageControl2->currentWidget(), Area().TabSheetCalResult);
  EXPECT_TRUE(form->State().resultTableShown);
  Area().PageControl2->setCurrentWidget(Area().TabSheetPointInput);
  Menu(Qt::Key_A, {Qt::Key_C});
  EXPECT_EQ(Area().PageControl2->currentWidget(), Area().TabSheetCalResult);

  Menu(Qt::Key_F, {Qt::Key_R});
  EXPECT_FALSE(form->Doc().IsModified());
  const ProjectReadResult read = ReadProjectFile(TempPath("field.pqs").toStdString());
  ASSERT_EQ(read.Status, ProjectReadStatus::Ok);
  EXPECT_EQ(read.Data.Lines.size(), groups + 1);
  EXPECT_EQ(read.Data.Method, tmBilinear);
  EXPECT_EQ(TakeMessages(), QStringList{"グリッドを表示しますか。"});
}

TEST_F(KeyboardRoadTest, TabAndShiftTabLeaveTheTables) {
  OpenByMenu();
  EnterMeasuring();
  StringGrid* points = Area().StringGrid2;
  ASSERT_TRUE(TabTo(points));
  Press(Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), points);
  ASSERT_TRUE(TabTo(points));
  Press(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_NE(QApplication::focusWidget(), points);
  // The marker table too, also after a cell was typed into.
  form->ToolButtonMarkers->click();
  StringGrid* markers = form->pageCoord->StringGrid1;
  ASSERT_TRUE(TabTo(markers));
  Press(Qt::Key_Down);
  Press(Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), markers);
}

TEST_F(KeyboardRoadTest, PointCommandsAreOfferedOnlyOnAPointAndEscEndsEveryPointing) {
  OpenByMenu();
  EnterMeasuring();
  StringGrid* points = Area().StringGrid2;
  ASSERT_EQ(points->Row(), points->RowCount() - 1);  // the blank row after the last point
  ASSERT_TRUE(TabTo(form->Image1));
  bool modifyOffered = true;
  ASSERT_TRUE(KeyMenu([&](QMenu*) {
    modifyOffered = Area().ModifyPoint->isEnabled() || Area().AddPoint->isEnabled() ||
                    Area().DeletePoint->isEnabled();
    Press(Qt::Key_M);
  }));
  EXPECT_FALSE(modifyOffered);
  EXPECT_FALSE(form->State().isModifyPoint);
  EXPECT_TRUE(Area().PageControl2->isEnabled());

  // On a real point the move is offered; Esc ends it and nothing moved.
  points->SetRow(1);
  const auto before = form->Lines();
  ASSERT_TRUE(KeyMenu([&](QMenu*) { Press(Qt::Key_M); }));
  ASSERT_TRUE(form->State().isModifyPoint);
  EXPECT_TRUE(form->CancelPointing->isEnabled());
  Press(Qt::Key_Escape);
  EXPECT_FALSE(form->State().isModifyPoint);
  EXPECT_TRUE(Area().PageControl2->isEnabled());
  EXPECT_FALSE(form->CancelPointing->isEnabled());
  EXPECT_EQ(form->Panels[4]->text(), "");
  EXPECT_EQ(form->Lines(), before);
  // Likewise the insertion.
  ASSERT_TRUE(KeyMenu([&](QMenu*) { Press(Qt::Key_A); }));
  ASSERT_TRUE(form->State().isAddPoint);
  Press(Qt::Key_Escape);
  EXPECT_FALSE(form->State().isAddPoint);
  EXPECT_EQ(form->Lines(), before);
  // Outside a pointing mode Esc does nothing to the window.
  Press(Qt::Key_Escape);
  EXPECT_TRUE(form->State().isAreaMode);
}

TEST_F(KeyboardRoadTest, EscEndsAReferenceLinePick) {
  OpenByMenu();
  Menu(Qt::Key_S, {Qt::Key_Q});
  ASSERT_TRUE(TabTo(form->pageCoord->ComboBoxGridMethod));
  while (form->Method() > tmLinear) Press(Qt::Key_Up);
  ASSERT_TRUE(TabTo(form->pageCoord->ButtonSetMesh));
  ASSERT_TRUE(form->Undo1->isEnabled());  // the method change
  Press(Qt::Key_Space);
  ASSERT_EQ(form->State().isPointing, 1);
  ASSERT_TRUE(TabTo(form->Image1));
  Press(Qt::Key_Space);
  ASSERT_EQ(form->State().isPointing, 2);
  // While the pick waits for its second end, the history waits too.
  EXPECT_FALSE(form->Undo1->isEnabled());
  EXPECT_FALSE(Tool("ToolButtonUndo")->isEnabled());
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(form->State().isPointing, 2);
  EXPECT_EQ(form->Method(), tmLinear);
  Press(Qt::Key_Escape);
  EXPECT_EQ(form->State().isPointing, 0);
  EXPECT_FALSE(form->CancelPointing->isEnabled());
  EXPECT_TRUE(form->Undo1->isEnabled());
  // The next press of the view's pointer starts no length.
  Press(Qt::Key_Space);
  EXPECT_EQ(form->State().isPointing, 0);
  EXPECT_FALSE(form->isCoord());
}

TEST_F(KeyboardRoadTest, UndoingTheTransformationInTheMeasurementModeLeavesTheMode) {
  OpenByMenu();
  Menu(Qt::Key_S, {Qt::Key_Q});
  ASSERT_TRUE(TabTo(form->pageCoord->ComboBoxGridMethod));
  Press(Qt::Key_Down);
  ASSERT_TRUE(TabTo(form->pageCoord->ButtonSetMesh));
  Press(Qt::Key_Space);
  ASSERT_EQ(form->Doc().UndoName(), "座標変換");
  EnterMeasuring();
  const std::vector<double> fitted = form->Cx();

  // Taken back, the fit leaves the chosen method unset: nothing can be measured, so the mode
  // ends and the coordinate page is back, with its menu item.
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_FALSE(form->isCoord());
  EXPECT_FALSE(form->State().isAreaMode);
  EXPECT_TRUE(form->Menu_Coord->isEnabled());
  EXPECT_TRUE(form->PageControl1->isTabVisible(form->PageControl1->indexOf(form->pageCoord)));
  EXPECT_FALSE(form->CalculateMenu->isEnabled());
  // Made again, the fit is in force; the mode is the user's to enter.
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_TRUE(form->isCoord());
  EXPECT_EQ(form->Cx(), fitted);
  EXPECT_FALSE(form->State().isAreaMode);
  EnterMeasuring();
}

}  // namespace
}  // namespace zelko::testing
