// Measurement through real input events: quick clicks while digitising, closing during an input,
// the category delete button, results after edits, the grid after a failure, the decimal places
// while they are typed and the wheel in small steps.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>
#include <initializer_list>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/image_page.h"
#include "app/string_grid.h"
#include "app/view_widget.h"
#include "app/widgets.h"
#include "app_fixture.h"
#include "document/numbers.h"
#include "document/project_file.h"

namespace zelko::testing {
namespace {

constexpr int kCurve = 0, kClosed = 1, kPoints = 2;

class MeasureFaultsTest : public WindowTest {
 protected:
  // A 400 x 300 photograph at 100 % with the view at the origin (a view pixel is an image
  // pixel), automatic centring off, in the measurement mode.
  void StartMeasuring() {
    Start({MakeImage("site.bmp", 400, 300)});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    page = form->pageArea;
    form->pageImage->EditSizeRatio->setText("100");
    form->RefreshWorkingImage();
    form->PaintPicture(0, 0);
    form->ToolButtonAutoTrackClick();
    ASSERT_DOUBLE_EQ(form->View().factor, 1);
    QTest::mouseClick(Tool("ToolButtonAreaMode"), Qt::LeftButton);
    ASSERT_TRUE(form->State().isAreaMode);
  }

  void ClickView(int x, int y) { QTest::mouseClick(form->Image1, Qt::LeftButton, {}, {x, y}); }
  // A click on the view where an image position is shown (the calculation changes the view).
  void ClickImage(double x, double y) {
    ClickView(RoundHalfAway(x * form->View().factor - form->View().XB0),
              RoundHalfAway(y * form->View().factor - form->View().YB0));
  }
  void Press(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

  // A group digitised with clicks: kind and category chosen, start, one click a point, end.
  void InputGroup(int kind, std::initializer_list<QPoint> points, int category = 0) {
    ShowSheet(page->TabSheetPointInput);
    ChooseKind(kind);
    page->ComboBoxSort->setCurrentIndex(category);
    page->ComboBoxSortChange();
    Press(page->ButtonSetArea);
    for (const QPoint& p : points) ClickView(p.x(), p.y());
    Press(page->ButtonSetArea);
  }

  // A click on the kind's round button.
  void ChooseKind(int kind) {
    auto* b = page->RadioGroupLineType->findChild<QRadioButton*>("RadioGroupLineType_" +
                                                                 QString::number(kind));
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
  }

  // A click on a sub-page's tab.
  void ShowSheet(QWidget* sheet) {
    QTabBar* bar = page->PageControl2->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      bar->tabRect(page->PageControl2->indexOf(sheet)).center());
  }
  void ClickCell(StringGrid* g, int col, int row) {
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                      g->visualRect(g->model()->index(row, col)).center());
  }
  bool SheetShown(QWidget* sheet) const {
    return page->PageControl2->isTabVisible(page->PageControl2->indexOf(sheet));
  }
  void Calculate() {
    Press(page->BitBtnCalArea);
    ASSERT_TRUE(SheetShown(page->TabSheetCalResult));
  }

  zelko::AreaPage* page = nullptr;
};

// ---------------------------------------------------------------- presses during group input

TEST_F(MeasureFaultsTest, EveryPressOfAQuickPairTakesItsPoint) {
  StartMeasuring();
  Press(page->ButtonSetArea);
  // Through the window, as the system delivers them: the second press, 100 ms and 3 pixels
  // after the first, arrives as a double-click.
  QWindow* window = form->windowHandle();
  const QPoint at = form->Image1->mapTo(form.get(), QPoint(100, 100));
  QTest::mouseClick(window, Qt::LeftButton, {}, at);
  QTest::lastMouseTimestamp -= QTest::mouseDoubleClickInterval;
  QTest::mouseClick(window, Qt::LeftButton, {}, at + QPoint(3, 0), 100);
  // A double-click in one place: press, release, double-click, release.
  QTest::mouseDClick(window, Qt::LeftButton, {}, at + QPoint(0, 20));
  ASSERT_EQ(form->Lines().size(), 1u);
  const TLine& line = form->Lines()[0];
  ASSERT_EQ(line.NumPoints, 4);
  EXPECT_DOUBLE_EQ(line.Points[0].x, 100);
  EXPECT_DOUBLE_EQ(line.Points[1].x, 103);
  EXPECT_DOUBLE_EQ(line.Points[2].y, 120);
  EXPECT_DOUBLE_EQ(line.Points[3].y, 120);
  EXPECT_EQ(page->StringGrid2->RowCount(), 6);
  Press(page->ButtonSetArea);
  EXPECT_EQ(form->Lines().size(), 1u);
}

TEST_F(MeasureFaultsTest, ADoubleClickWithNoInputStillPicksTheNearestPoint) {
  StartMeasuring();
  InputGroup(kCurve, {{10, 10}, {60, 10}});
  InputGroup(kPoints, {{200, 150}});
  const QPoint near = form->Image1->mapTo(form.get(), QPoint(58, 12));
  QTest::mouseDClick(form->windowHandle(), Qt::LeftButton, {}, near);
  EXPECT_EQ(page->StringGrid2->Row(), 2);
  EXPECT_EQ(form->State().IDLine, 0);
  // Its presses only repaint.
  EXPECT_EQ(form->Lines().size(), 2u);
  EXPECT_EQ(form->Lines()[0].NumPoints, 2);
  EXPECT_EQ(form->Lines()[1].NumPoints, 1);
}

// ---------------------------------------------------------------- closing during group input

TEST_F(MeasureFaultsTest, ClosingDuringAnInputIsRefusedUntilTheInputEnds) {
  StartMeasuring();
  InputGroup(kCurve, {{10, 10}, {60, 10}});
  const QString path = TempPath("site.pqs");
  Press(page->ButtonSetArea);
  ClickView(100, 100);
  ClickView(150, 100);
  dialogs.answers.push_back(MsgResult::Yes);
  dialogs.saveFiles.push_back(path);
  EXPECT_FALSE(form->close());
  EXPECT_EQ(TakeMessages(),
            QStringList({"グループ入力がまだ終了していません。\n入力を終了させて下さい。"}));
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(QFileInfo::exists(path));
  EXPECT_TRUE(form->State().isLineInput);
  EXPECT_EQ(form->Lines().size(), 2u);

  // Also with nothing to save: never a silent quit that drops the input.
  dialogs.answers.clear();
  form->Doc().MarkSaved();
  EXPECT_FALSE(form->close());
  EXPECT_EQ(TakeMessages().size(), 1);

  // Ended, the group is part of the document and the save question comes.
  Press(page->ButtonSetArea);
  dialogs.answers = {MsgResult::Yes};
  EXPECT_TRUE(form->close());
  EXPECT_EQ(TakeMessages(),
            QStringList({"プロジェクトファイルが変更されています。\n保存してから終了しますか。"}));
  const ProjectReadResult saved = ReadProjectFile(path.toStdString());
  ASSERT_EQ(saved.Status, ProjectReadStatus::Ok);
  EXPECT_EQ(saved.Data.Lines.size(), 2u);
}

TEST_F(MeasureFaultsTest, ASaveDuringAnInputWritesOnlyTheFinishedGroups) {
  StartMeasuring();
  InputGroup(kCurve, {{10, 10}, {60, 10}});
  Press(page->ButtonSetArea);
  ClickView(100, 100);
  ClickView(150, 100);
  // No file command is reachable during the input, not even through its menu item...
  for (const char* name : {"P1", "SaveProject", "ResaveProject", "ReadImage1", "C1"})
    EXPECT_FALSE(Action(name)->isEnabled()) << name;
  // ...and a save that ran all the same leaves the group being input out of the file.
  const QString path = TempPath("during.pqs");
  dialogs.saveFiles.push_back(path);
  form->SaveProjectClick();
  const ProjectReadResult saved = ReadProjectFile(path.toStdString());
  ASSERT_EQ(saved.Status, ProjectReadStatus::Ok);
  ASSERT_EQ(saved.Data.Lines.size(), 1u);
  EXPECT_EQ(saved.Data.Lines[0].NumPoints, 2);
  // The input goes on.
  EXPECT_TRUE(form->State().isLineInput);
  ClickView(150, 150);
  EXPECT_EQ(form->Lines()[1].NumPoints, 3);
}

// ---------------------------------------------------------------- the category delete button

TEST_F(MeasureFaultsTest, TheCategoryDeleteButtonFollowsTheSelectedCategorysUse) {
  StartMeasuring();
  ShowSheet(page->TabSheetProperty);
  Press(page->ButtonAddSort);
  InputGroup(kCurve, {{10, 10}, {60, 10}});
  ShowSheet(page->TabSheetProperty);
  ClickCell(page->StringGridSort, 1, 1);
  EXPECT_FALSE(page->ButtonDeleteSort->isEnabled());
  // Registering the names keeps the used category undeletable.
  Press(page->ButtonRegistSort);
  EXPECT_FALSE(page->ButtonDeleteSort->isEnabled());
  ClickCell(page->StringGridSort, 1, 2);
  EXPECT_TRUE(page->ButtonDeleteSort->isEnabled());

  // The group moves into category 2: now that one is in use.
  ShowSheet(page->TabSheetGroup);
  dialogs.answers.push_back(MsgResult::Yes);
  page->ComboBoxSort->setFocus();
  QTest::keyClick(page->ComboBoxSort, Qt::Key_Down);
  ASSERT_EQ(form->Lines()[0].Sort, 1);
  EXPECT_FALSE(page->ButtonDeleteSort->isEnabled());
  // Deleting the only group frees it.
  Press(page->ButtonEraseArea);
  EXPECT_TRUE(page->ButtonDeleteSort->isEnabled());
}

TEST_F(MeasureFaultsTest, AReadProjectDisablesDeletingTheSelectedCategoryInUse) {
  StartMeasuring();
  ShowSheet(page->TabSheetProperty);
  Press(page->ButtonAddSort);
  InputGroup(kCurve, {{10, 10}, {60, 10}});
  const QString path = TempPath("two.pqs");
  dialogs.saveFiles.push_back(path);
  Action("SaveProject")->trigger();
  ShowSheet(page->TabSheetProperty);
  ClickCell(page->StringGridSort, 1, 1);
  dialogs.openFiles.push_back(path);
  QTest::mouseClick(Tool("ToolButtonAreaMode"), Qt::LeftButton);
  Action("P1")->trigger();
  ASSERT_EQ(form->Lines().size(), 1u);
  EXPECT_EQ(page->StringGridSort->Row(), 1);
  EXPECT_FALSE(page->ButtonDeleteSort->isEnabled());
}

// ---------------------------------------------------------------- results after edits

class ResultsOutOfDateTest : public MeasureFaultsTest {
 protected:
  // Two closed curves and their results on show.
  void SetUpScene() {
    StartMeasuring();
    InputGroup(kClosed, {{10, 10}, {60, 10}, {60, 60}});
    InputGroup(kClosed, {{100, 100}, {150, 100}, {150, 150}});
    Calculate();
  }
  void ExpectHidden() {
    EXPECT_FALSE(SheetShown(page->TabSheetCalResult));
    EXPECT_NE(page->PageControl2->currentWidget(), page->TabSheetCalResult);
  }
};

TEST_F(ResultsOutOfDateTest, PointEditsHideTheResults) {
  SetUpScene();
  ShowSheet(page->TabSheetPointInput);
  ClickCell(page->StringGrid2, 3, 2);
  page->ModifyPoint->trigger();
  ClickImage(80, 20);
  ASSERT_NEAR(form->Lines()[0].Points[1].x, 80, 2);
  ExpectHidden();

  Calculate();
  ShowSheet(page->TabSheetPointInput);
  ClickCell(page->StringGrid2, 3, 2);
  page->AddPoint->trigger();
  ClickImage(40, 40);
  ASSERT_EQ(form->Lines()[0].NumPoints, 4);
  ExpectHidden();

  Calculate();
  ShowSheet(page->TabSheetPointInput);
  ClickCell(page->StringGrid2, 3, 2);
  page->DeletePoint->trigger();
  ASSERT_EQ(form->Lines()[0].NumPoints, 3);
  ExpectHidden();
}

TEST_F(ResultsOutOfDateTest, GroupEditsHideTheResults) {
  SetUpScene();
  ShowSheet(page->TabSheetGroup);
  ClickCell(page->StringGridGroup, 1, 1);
  page->InverseRotation->trigger();
  ExpectHidden();

  Calculate();
  ShowSheet(page->TabSheetGroup);
  dialogs.answers.push_back(MsgResult::Yes);
  ChooseKind(kCurve);
  ASSERT_EQ(form->Lines()[0].LineType, kCurve);
  ExpectHidden();

  ShowSheet(page->TabSheetProperty);
  Press(page->ButtonAddSort);
  Calculate();
  ShowSheet(page->TabSheetGroup);
  dialogs.answers.push_back(MsgResult::Yes);
  page->ComboBoxSort->setFocus();
  QTest::keyClick(page->ComboBoxSort, Qt::Key_Down);
  ASSERT_EQ(form->Lines()[0].Sort, 1);
  ExpectHidden();
}

TEST_F(ResultsOutOfDateTest, DeletingTheLastGroupHidesTheResults) {
  StartMeasuring();
  InputGroup(kClosed, {{10, 10}, {60, 10}, {60, 60}});
  Calculate();
  ShowSheet(page->TabSheetGroup);
  Press(page->ButtonEraseArea);
  ASSERT_TRUE(form->Lines().empty());
  ExpectHidden();
}

TEST_F(ResultsOutOfDateTest, ANewTransformationHidesTheResults) {
  SetUpScene();
  // The markers mode leads to the coordinate page; the measurement mode comes back after the
  // transformation is set again.
  QTest::mouseClick(Tool("ToolButtonMarkers"), Qt::LeftButton);
  Press(form->pageCoord->ButtonSetMesh);
  QTest::mouseClick(Tool("ToolButtonAreaMode"), Qt::LeftButton);
  ASSERT_TRUE(form->State().isAreaMode);
  ExpectHidden();
}

// ---------------------------------------------------------------- the grid after a failure

TEST_F(MeasureFaultsTest, AFailingGridIsReportedOnceAndSwitchedOff) {
  StartMeasuring();
  QTest::mouseClick(Tool("ToolButtonAreaMode"), Qt::LeftButton);
  Action("Menu_Coord")->trigger();
  QToolButton* grid = Tool("ToolButtonMesh");
  QTest::mouseClick(grid, Qt::LeftButton);
  ASSERT_TRUE(form->State().withMesh);
  ASSERT_TRUE(TakeMessages().isEmpty());
  QLineEdit* interval = form->pageCoord->EditMeshSize;
  interval->selectAll();
  QTest::keyClicks(interval, "0");
  QTest::mouseClick(Tool("ToolButtonRight"), Qt::LeftButton);
  EXPECT_EQ(TakeMessages(), QStringList({"グリッド描画でエラー発生"}));
  EXPECT_FALSE(form->State().withMesh);
  EXPECT_FALSE(grid->isChecked());
  // Later repaints, a click in the marker table among them, stay quiet.
  QTest::mouseClick(Tool("ToolButtonLeft"), Qt::LeftButton);
  ClickCell(form->pageCoord->StringGrid1, 1, 1);
  EXPECT_TRUE(TakeMessages().isEmpty());
}

TEST_F(MeasureFaultsTest, AMethodChangeUnderTheGridIsReportedOnce) {
  StartMeasuring();
  QTest::mouseClick(Tool("ToolButtonAreaMode"), Qt::LeftButton);
  QTest::mouseClick(Tool("ToolButtonMesh"), Qt::LeftButton);
  ASSERT_TRUE(form->State().withMesh);
  Action("Menu_Coord")->trigger();
  // The cubic needs ten coefficients where "無変換" left three.
  QComboBox* method = form->pageCoord->ComboBoxGridMethod;
  method->setFocus();
  QTest::keyClick(method, Qt::Key_End);
  QTest::keyClick(method, Qt::Key_Up);
  ASSERT_EQ(method->currentIndex(), 5);
  QTest::mouseClick(Tool("ToolButtonDown"), Qt::LeftButton);
  EXPECT_EQ(TakeMessages(), QStringList({"グリッド描画でエラー発生"}));
  QTest::mouseClick(Tool("ToolButtonUp"), Qt::LeftButton);
  EXPECT_TRUE(TakeMessages().isEmpty());
  EXPECT_FALSE(Tool("ToolButtonMesh")->isChecked());
}

// ---------------------------------------------------------------- decimal places while typed

TEST_F(MeasureFaultsTest, DecimalPlacesApplyOnceANumberStandsThere) {
  StartMeasuring();
  InputGroup(kPoints, {{10, 20}});
  QLineEdit* edit = form->EditNumDecimal;
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_TRUE(TakeMessages().isEmpty());
  EXPECT_EQ(form->State().frmdata, "0.0");
  QTest::keyClicks(edit, "3");
  EXPECT_EQ(form->State().frmdata, "0.000");
  EXPECT_EQ(form->State().frmdata2, "0.000000");
  // A lone minus sign is a number being typed too.
  edit->selectAll();
  QTest::keyClicks(edit, "-");
  EXPECT_TRUE(TakeMessages().isEmpty());
  EXPECT_EQ(form->State().frmdata, "0.000");
  QTest::keyClicks(edit, "1");
  EXPECT_EQ(form->State().frmdata, "0.");
  // Left with nothing in it, the field gets back the number in force: by Enter or by a click
  // elsewhere.
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(edit->text(), "-1");
  EXPECT_TRUE(TakeMessages().isEmpty());
  EXPECT_EQ(form->State().frmdata, "0.");
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, "2");
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  ClickCell(page->StringGrid2, 3, 1);
  ASSERT_FALSE(edit->hasFocus());
  EXPECT_EQ(edit->text(), "2");
  EXPECT_EQ(form->State().frmdata, "0.00");
  EXPECT_TRUE(TakeMessages().isEmpty());
}

// ---------------------------------------------------------------- the wheel

TEST_F(MeasureFaultsTest, TheWheelTakesOneStepPerNotch) {
  StartMeasuring();
  form->Image1MouseMove(100, 100);
  auto turn = [&](int angle) {
    QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, angle), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form->Image1, &e);
    return e.isAccepted();
  };
  // A fine wheel: a notch in parts of 40.
  turn(40);
  turn(40);
  EXPECT_DOUBLE_EQ(form->View().factor, 1);
  turn(40);
  EXPECT_DOUBLE_EQ(form->View().factor, 1.5);
  // Two notches at once are two steps.
  turn(240);
  EXPECT_DOUBLE_EQ(form->View().factor, 3.375);
  // A part turned back does not take off from the notch the other way.
  turn(60);
  turn(-60);
  turn(-40);
  EXPECT_DOUBLE_EQ(form->View().factor, 3.375);
  turn(-20);
  EXPECT_DOUBLE_EQ(form->View().factor, 2.25);
}

}  // namespace
}  // namespace zelko::testing

namespace zelko::testing {
namespace {

// Each edit of groups, points and categories, made through its own control, leaves the
// document changed, so closing would offer to save it.
TEST_F(ResultsOutOfDateTest, EveryGroupPointAndCategoryEditMarksTheDocumentChanged) {
  SetUpScene();
  ExpectMarked("move a point", [&] {
    ShowSheet(page->TabSheetPointInput);
    ClickCell(page->StringGrid2, 3, 2);
    page->ModifyPoint->trigger();
    ClickImage(80, 20);
  });
  ExpectMarked("insert a point", [&] {
    ClickCell(page->StringGrid2, 3, 2);
    page->AddPoint->trigger();
    ClickImage(40, 40);
  });
  ExpectMarked("delete a point", [&] {
    ClickCell(page->StringGrid2, 3, 2);
    page->DeletePoint->trigger();
  });
  ExpectMarked("reverse a group", [&] {
    ShowSheet(page->TabSheetGroup);
    ClickCell(page->StringGridGroup, 1, 1);
    page->InverseRotation->trigger();
  });
  ExpectMarked("change a group's kind", [&] {
    dialogs.answers.push_back(MsgResult::Yes);
    ChooseKind(kCurve);
  });
  ExpectMarked("add a category", [&] {
    ShowSheet(page->TabSheetProperty);
    Press(page->ButtonAddSort);
  });
  ExpectMarked("type a category's name", [&] { TypeCell(*page->StringGridSort, 1, 2, "樹木"); });
  ExpectMarked("delete an unused category", [&] {
    ClickCell(page->StringGridSort, 1, 2);
    Press(page->ButtonDeleteSort);
  });
  ExpectMarked("input a group", [&] { InputGroup(kPoints, {{200, 200}}); });
  ExpectMarked("delete the groups", [&] {
    ShowSheet(page->TabSheetGroup);
    dialogs.inputs.push_back("1");
    Press(page->ButtonEraseArea);
  });
  // Working out the results changes no document value: nothing to save.
  form->Doc().MarkSaved();
  Calculate();
  EXPECT_EQ(form->Status(3), "変更なし");
}

// ---------------------------------------------------------------- undo and redo

// What an AT-SPI client does with a push button: run its press action.
void PressForAT(QToolButton* b) {
  QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(b)->actionInterface();
  ASSERT_NE(actions, nullptr);
  actions->doAction(QAccessibleActionInterface::pressAction());
}

TEST_F(MeasureFaultsTest, AGroupInputIsTakenBackWholeAndOnlyOnceItHasEnded) {
  StartMeasuring();
  QToolButton* undo = Tool("ToolButtonUndo");
  QToolButton* redo = Tool("ToolButtonRedo");
  EXPECT_FALSE(undo->isEnabled());
  InputGroup(kCurve, {{10, 10}, {50, 50}, {90, 20}});
  EXPECT_EQ(form->Undo1->text(), "元に戻す: グループ入力(&U)");
  EXPECT_EQ(undo->toolTip(), "元に戻す: グループ入力");

  // During an input the history waits; the input's own take-back still works.
  Press(page->ButtonSetArea);
  ClickView(100, 100);
  ClickView(120, 100);
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_FALSE(form->Undo1->isEnabled());
  QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
  ASSERT_EQ(form->Lines().size(), 2u);
  EXPECT_EQ(form->Lines()[1].NumPoints, 2);
  page->EraseOnePoint->trigger();
  EXPECT_EQ(form->Lines()[1].NumPoints, 1);
  ClickView(130, 120);
  Press(page->ButtonSetArea);
  EXPECT_TRUE(undo->isEnabled());

  // The whole second input goes at once, by key, and comes back by both redo keys.
  QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
  ASSERT_EQ(form->Lines().size(), 1u);
  EXPECT_EQ(page->StringGrid2->RowCount(), 5);  // header, three points, the empty row
  EXPECT_TRUE(redo->isEnabled());
  QTest::keyClick(form.get(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(form->Lines().size(), 2u);
  QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(form->Lines().size(), 2u);
  EXPECT_FALSE(redo->isEnabled());

  // Assistive technology presses the same command; undoing every input empties the pages.
  PressForAT(undo);
  PressForAT(undo);
  EXPECT_TRUE(form->Lines().empty());
  EXPECT_FALSE(SheetShown(page->TabSheetGroup));
  EXPECT_FALSE(page->BitBtnCalArea->isEnabled());
  EXPECT_FALSE(undo->isEnabled());

  // Closing the file ends the history.
  PressForAT(redo);
  ASSERT_TRUE(form->Doc().CanUndo());
  dialogs.answers.push_back(MsgResult::No);
  form->C1->trigger();
  EXPECT_FALSE(form->Undo1->isEnabled());
  EXPECT_FALSE(form->Redo1->isEnabled());
}

TEST_F(MeasureFaultsTest, UndoingPastTheResultsShowsThemOutOfDateAndAnOpenedProjectStartsAfresh) {
  StartMeasuring();
  InputGroup(kClosed, {{10, 10}, {110, 10}, {110, 110}});
  InputGroup(kPoints, {{200, 200}, {220, 200}});
  Calculate();
  ShowSheet(page->TabSheetGroup);
  dialogs.inputs.push_back("1");
  Press(page->ButtonEraseArea);
  ASSERT_EQ(form->Lines().size(), 1u);
  EXPECT_EQ(form->Undo1->text(), "元に戻す: グループ削除(&U)");
  QTest::mouseClick(Tool("ToolButtonUndo"), Qt::LeftButton);
  ASSERT_EQ(form->Lines().size(), 2u);
  EXPECT_EQ(form->Lines()[0].LineType, kClosed);
  EXPECT_FALSE(SheetShown(page->TabSheetCalResult));
  Calculate();

  // A category taken back leaves the chooser too.
  ShowSheet(page->TabSheetProperty);
  Press(page->ButtonAddSort);
  ASSERT_EQ(page->ComboBoxSort->count(), 2);
  QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(page->ComboBoxSort->count(), 1);
  EXPECT_EQ(page->StringGridSort->RowCount(), 2);
  QTest::keyClick(form.get(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(page->ComboBoxSort->itemText(1), page->StringGridSort->Cells(1, 2).prepend("2:"));

  const QString path = TempPath("undo.pqs");
  dialogs.saveFiles.push_back(path);
  form->SaveProject->trigger();
  ASSERT_EQ(form->State().ProjectFile, path);
  EXPECT_TRUE(form->Undo1->isEnabled());  // a save keeps the history
  form->OpenProjectFile(path);
  EXPECT_FALSE(form->Undo1->isEnabled());
  EXPECT_EQ(form->Status(3), "変更なし");
}

}  // namespace
}  // namespace zelko::testing
