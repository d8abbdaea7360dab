// The measurement through the real window: the mode, digitising groups by clicks on the view,
// the four tables, the calculation, group and category management and point editing.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <initializer_list>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/image_page.h"
#include "app/string_grid.h"
#include "app/view_widget.h"
#include "app/widgets.h"
#include "app_fixture.h"
#include "coords/transform.h"
#include "document/numbers.h"

namespace zelko::testing {
namespace {

constexpr int kCurve = 0, kClosed = 1, kPoints = 2;

class MeasureWindowTest : public WindowTest {
 protected:
  // Opens a 400 x 300 photograph shown at 100 % with the view at the origin, so that a view
  // pixel is an image pixel; turns automatic centring off and enters the measurement mode.
  void StartMeasuring() {
    Start({MakeImage("site.bmp", 400, 300)});
    page = form->pageArea;
    form->pageImage->EditSizeRatio->setText("100");
    form->RefreshWorkingImage();
    form->PaintPicture(0, 0);
    form->ToolButtonAutoTrackClick();
    ASSERT_FALSE(form->State().isAutoTrack);
    ASSERT_DOUBLE_EQ(form->View().factor, 1);
    ASSERT_EQ(form->View().XB0, 0);
    ASSERT_EQ(form->View().YB0, 0);
    form->ToolButtonAreaModeClick();
    ASSERT_TRUE(form->State().isAreaMode);
  }

  void Click(int x, int y) {
    form->Image1MouseMove(x, y);
    form->Image1MouseDown(Qt::LeftButton, x, y);
  }

  // Digitises one group as a user does: kind and category chosen on the point page, start,
  // one click per point, end.
  void InputGroup(int kind, std::initializer_list<QPoint> points, int category = 0) {
    page->PageControl2->setCurrentWidget(page->TabSheetPointInput);
    page->RadioGroupLineType->SetItemIndex(kind);
    page->ComboBoxSort->setCurrentIndex(category);
    form->ButtonSetAreaClick();
    for (const QPoint& p : points) Click(p.x(), p.y());
    form->ButtonSetAreaClick();
  }

  // An affine transformation set directly, in the given unit.
  void SetAffine(std::vector<double> cx, std::vector<double> cy, int unit) {
    form->Doc().SetMethod(tmAffine);
    form->Doc().SetScaleUnit(unit);
    form->pageCoord->ComboBoxScaleUnitChange();
    form->Doc().SetTransform(cx, cy, true);
  }

  void AddCategories(int count) {
    for (int i = 0; i < count; ++i) page->Button1Click();
  }

  static QStringList Row(const StringGrid* g, int row) {
    QStringList out;
    for (int c = 0; c < g->ColCount(); ++c) out << g->Cells(c, row);
    return out;
  }
  static QStringList Column(const StringGrid* g, int col, int from = 1) {
    QStringList out;
    for (int r = from; r < g->RowCount(); ++r) out << g->Cells(col, r);
    return out;
  }
  // Group and point columns of every point row (the empty last row left out).
  static QStringList PointLabels(const StringGrid* g) {
    QStringList out;
    for (int r = 1; r + 1 < g->RowCount(); ++r) out << g->Cells(1, r) + "-" + g->Cells(2, r);
    return out;
  }
  int RowOf(const QString& group, const QString& point) const {
    const StringGrid* g = page->StringGrid2;
    for (int r = 1; r < g->RowCount(); ++r)
      if (g->Cells(1, r) == group && g->Cells(2, r) == point) return r;
    return -1;
  }
  QColor PixelAt(double x, double y) const {
    const int vx = RoundHalfAway(x * form->View().factor - form->View().XB0);
    const int vy = RoundHalfAway(y * form->View().factor - form->View().YB0);
    return form->Image1->Picture().pixelColor(vx, vy);
  }
  bool SheetShown(QWidget* sheet) const {
    return page->PageControl2->isTabVisible(page->PageControl2->indexOf(sheet));
  }

  zelko::AreaPage* page = nullptr;
};

const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kMagenta(255, 0, 255), kBlue(0, 0, 255),
    kYellow(255, 255, 0);

// ---------------------------------------------------------------- the mode and its states

TEST_F(MeasureWindowTest, TheModeNeedsATransformation) {
  Start();
  form->ToolButtonAreaModeClick();
  EXPECT_EQ(TakeMessages(), QStringList({"座標変換がまだ完了していません。\n「設定」ボタンを押して"
                                         "座標変換式を設定してください。"}));
  EXPECT_FALSE(form->State().isAreaMode);
  EXPECT_FALSE(Tool("ToolButtonAreaMode")->isChecked());
}

TEST_F(MeasureWindowTest, EnteringShowsTheMeasurementPageAndLeavingIsRefusedDuringInput) {
  Start({MakeImage("site.bmp", 400, 300)});
  page = form->pageArea;
  form->ToolButtonMarkersClick();
  ASSERT_TRUE(form->State().isMarked);
  form->ToolButtonAreaModeClick();
  EXPECT_TRUE(form->State().isAreaMode);
  EXPECT_FALSE(form->State().isMarked);
  EXPECT_FALSE(Tool("ToolButtonMarkers")->isChecked());
  EXPECT_TRUE(Tool("ToolButtonAreaMode")->isChecked());
  EXPECT_EQ(form->Status(4), "");
  EXPECT_TRUE(form->PageControl1->isTabVisible(2));
  EXPECT_FALSE(form->PageControl1->isTabVisible(1));
  EXPECT_EQ(form->PageControl1->currentIndex(), 2);
  EXPECT_FALSE(Action("Menu_Coord")->isEnabled());
  EXPECT_FALSE(SheetShown(page->TabSheetCalResult));
  EXPECT_FALSE(SheetShown(page->TabSheetGroup));
  EXPECT_EQ(page->PageControl2->currentWidget(), page->TabSheetPointInput);
  EXPECT_EQ(form->State().AreaPage, 0);
  EXPECT_EQ(form->State().NumPoints, -1);
  EXPECT_EQ(form->Image1->contextMenuPolicy(), Qt::CustomContextMenu);

  form->ButtonSetAreaClick();
  EXPECT_EQ(page->ButtonSetArea->text(), "入力終了");
  EXPECT_EQ(form->Status(4), "ポイントを入力して下さい");
  EXPECT_TRUE(form->State().isLineInput);
  EXPECT_EQ(form->State().NumPoints, 0);
  for (QWidget* w : std::initializer_list<QWidget*>{
           page->PageControl2, page->ButtonEraseArea, page->RadioGroupLineType, page->ComboBoxSort,
           page->BitBtnCalArea, Tool("ToolButtonMarkers"), Tool("ToolButtonLoadProject"),
           Tool("ToolButtonResaveProject"), Tool("ToolButtonLoadImage")})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_FALSE(form->File1->menuAction()->isEnabled());
  EXPECT_FALSE(Action("SaveProject")->isEnabled());
  EXPECT_FALSE(Action("ResaveProject")->isEnabled());

  form->ToolButtonAreaModeClick();
  EXPECT_EQ(TakeMessages(),
            QStringList({"グループ入力がまだ終了していません。\n入力を終了させて下さい。"}));
  EXPECT_TRUE(form->State().isAreaMode);
  EXPECT_TRUE(Tool("ToolButtonAreaMode")->isChecked());
  EXPECT_FALSE(form->LeaveMeasurementMode());

  form->ButtonSetAreaClick();
  EXPECT_EQ(page->ButtonSetArea->text(), "入力開始");
  EXPECT_EQ(form->Status(4), "");
  for (QWidget* w : std::initializer_list<QWidget*>{
           page->PageControl2, page->ButtonEraseArea, page->RadioGroupLineType, page->ComboBoxSort,
           page->BitBtnCalArea, Tool("ToolButtonMarkers"), Tool("ToolButtonLoadProject"),
           Tool("ToolButtonLoadImage")})
    EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_TRUE(Action("SaveProject")->isEnabled());
  // No project was read or saved yet, so there is nothing to overwrite.
  EXPECT_FALSE(Tool("ToolButtonResaveProject")->isEnabled());

  form->ToolButtonAreaModeClick();
  EXPECT_FALSE(form->State().isAreaMode);
  EXPECT_FALSE(form->PageControl1->isTabVisible(2));
  EXPECT_TRUE(form->PageControl1->isTabVisible(1));
  EXPECT_EQ(form->PageControl1->currentIndex(), 0);
  EXPECT_TRUE(Action("Menu_Coord")->isEnabled());
  EXPECT_EQ(form->Image1->contextMenuPolicy(), Qt::NoContextMenu);
}

// ---------------------------------------------------------------- group input

TEST_F(MeasureWindowTest, InputEndKeepsOrRemovesTheGroupByItsPointCount) {
  StartMeasuring();
  InputGroup(kClosed, {{10, 10}, {50, 10}, {50, 40}});
  EXPECT_TRUE(TakeMessages().isEmpty());
  InputGroup(kClosed, {{100, 10}, {150, 10}});
  EXPECT_EQ(TakeMessages(), QStringList({"入力点数が２点しかありません。データを消去します。"}));
  InputGroup(kCurve, {{10, 100}, {60, 100}});
  InputGroup(kCurve, {{200, 200}});
  EXPECT_EQ(TakeMessages(), QStringList({"入力点数が１点しかありません。データを消去します。"}));
  InputGroup(kPoints, {{300, 250}});
  EXPECT_TRUE(TakeMessages().isEmpty());

  ASSERT_EQ(form->Lines().size(), 3u);
  EXPECT_EQ(form->Lines()[0].NumPoints, 3);
  EXPECT_EQ(form->Lines()[1].LineType, kCurve);
  EXPECT_EQ(form->Lines()[2].NumPoints, 1);
  EXPECT_EQ(form->State().IDLine, 2);
  // The removed groups took their rows along: 3 + 2 + 1 point rows, the header and the empty row.
  EXPECT_EQ(PointLabels(page->StringGrid2),
            QStringList({"C1-1", "C1-2", "C1-3", "L2-1", "L2-2", "P3-1"}));
  EXPECT_EQ(page->StringGrid2->RowCount(), 8);
  EXPECT_EQ(Row(page->StringGrid2, 7).join(""), "");
  EXPECT_TRUE(SheetShown(page->TabSheetGroup));
  EXPECT_TRUE(page->BitBtnCalArea->isEnabled());
}

TEST_F(MeasureWindowTest, AnInputWithoutClicksLeavesTheGroupsButMarksTheDocumentChanged) {
  StartMeasuring();
  form->Doc().MarkSaved();
  form->ButtonSetAreaClick();
  form->ButtonSetAreaClick();
  EXPECT_TRUE(form->Lines().empty());
  EXPECT_EQ(form->State().IDLine, -1);
  EXPECT_TRUE(TakeMessages().isEmpty());
  EXPECT_EQ(form->Status(3), "変更あり");
  EXPECT_FALSE(SheetShown(page->TabSheetGroup));
}

TEST_F(MeasureWindowTest, TakingBackTheLastPointRenumbersTheNextOne) {
  StartMeasuring();
  form->ButtonSetAreaClick();
  Click(10, 10);
  Click(20, 10);
  page->PopupMenuLinePopup(false);
  EXPECT_TRUE(page->EraseOnePoint->isEnabled());
  EXPECT_FALSE(page->ModifyPoint->isEnabled());
  EXPECT_FALSE(page->AddPoint->isEnabled());
  EXPECT_FALSE(page->DeletePoint->isEnabled());
  EXPECT_FALSE(page->C2->isVisible());
  Click(30, 10);
  page->EraseOnePoint->trigger();
  EXPECT_EQ(form->State().NumPoints, 2);
  EXPECT_EQ(page->StringGrid2->RowCount(), 4);
  EXPECT_EQ(page->StringGrid2->Row(), 3);  // the empty last row
  Click(40, 20);
  form->ButtonSetAreaClick();
  EXPECT_EQ(PointLabels(page->StringGrid2), QStringList({"L1-1", "L1-2", "L1-3"}));
  EXPECT_EQ(Column(page->StringGrid2, 3).mid(0, 3), QStringList({"10.0", "20.0", "40.0"}));
  ASSERT_EQ(form->Lines()[0].Points.size(), 3u);
  EXPECT_EQ(form->Lines()[0].Points[2].nm, "3");

  // With no point taken the take-back is off and does nothing.
  form->ButtonSetAreaClick();
  page->PopupMenuLinePopup(false);
  EXPECT_FALSE(page->EraseOnePoint->isEnabled());
  form->EraseOnePointClick();
  EXPECT_EQ(form->State().NumPoints, 0);
  form->ButtonSetAreaClick();
  EXPECT_EQ(form->Lines().size(), 1u);
}

TEST_F(MeasureWindowTest, PointTableAndReadOutFollowTheTransformationAndTheDecimals) {
  StartMeasuring();
  // Method 0: five columns, no physical values.
  InputGroup(kPoints, {{10, 20}, {35, 45}});
  const StringGrid* g = page->StringGrid2;
  EXPECT_EQ(g->ColCount(), 5);
  EXPECT_EQ(Row(g, 0), QStringList({"分類", "Group", "Point", "x(pixels)", "y(pixels)"}));
  EXPECT_EQ(Row(g, 1), QStringList({"1", "P1", "1", "10.0", "20.0"}));
  EXPECT_EQ(Row(g, 2), QStringList({"1", "P1", "2", "35.0", "45.0"}));
  // The status bar still reads physical coordinates out: X = x, Y = H - y.
  form->Image1MouseMove(10, 20);
  EXPECT_EQ(form->Status(1), "画像座標(10.0, 20.0)");
  EXPECT_EQ(form->Status(2), "物理座標(10.0, 280.0)");

  // X = 2x + 1, Y = 1000 - y / 4 in metres.
  SetAffine({1, 2, 0}, {1000, 0, -0.25}, 4);
  form->FillPointTable();
  EXPECT_EQ(g->ColCount(), 7);
  EXPECT_EQ(Row(g, 0).mid(5), QStringList({"X(m)", "Y(m)"}));
  EXPECT_EQ(Row(g, 2), QStringList({"1", "P1", "2", "35.0", "45.0", "71.0", "988.8"}));
  form->EditNumDecimal->setText("3");
  EXPECT_EQ(form->State().frmdata, "0.000");
  EXPECT_EQ(form->State().frmdata2, "0.000000");
  EXPECT_EQ(Row(g, 2).mid(5), QStringList({"71.000", "988.750"}));
  form->Image1MouseMove(35, 45);
  EXPECT_EQ(form->Status(2), "物理座標(71.000, 988.750)");
  form->EditNumDecimal->setText("0");
  EXPECT_EQ(Row(g, 2).mid(5), QStringList({"71", "989"}));

  // A text that is no number is reported and the formats stay.
  form->EditNumDecimal->setText("x");
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages.back().kind, MsgKind::Error);
  dialogs.messages.clear();
  EXPECT_EQ(form->State().frmdata, "0.");
  EXPECT_EQ(form->State().frmdata2, "0.");
  InputGroup(kPoints, {{1, 3}});
  EXPECT_EQ(Row(g, 3), QStringList({"1", "P2", "1", "1.0", "3.0", "3", "999"}));
}

// ---------------------------------------------------------------- the calculation

TEST_F(MeasureWindowTest, ResultTableBlocksByCategoryWithTotals) {
  StartMeasuring();
  AddCategories(1);
  // In pixels with X = x, Y = 300 - y: going down, then right on the image is counter-clockwise.
  InputGroup(kClosed, {{10, 10}, {10, 20}, {11, 20}});  // +5
  InputGroup(kClosed, {{30, 10}, {34, 10}, {34, 11}});  // -2
  InputGroup(kCurve, {{100, 100}, {103, 104}}, 1);      // length 5
  page->BitBtnCalArea->click();
  const StringGrid* g3 = page->StringGrid3;
  EXPECT_EQ(g3->RowCount(), 5);
  EXPECT_EQ(Row(g3, 0), QStringList({"分類", "Group", "長さ(pixels)", "面積(pixels^2)", "点数"}));
  EXPECT_EQ(Row(g3, 1), QStringList({"Sort 1", "C1", "21.0", "5.00", "3"}));
  EXPECT_EQ(Row(g3, 2), QStringList({"", "C2", "9.1", "-2.00", "3"}));
  EXPECT_EQ(Row(g3, 3), QStringList({"Sort 1", "合計", "30.2", "3.00", "6"}));
  EXPECT_EQ(Row(g3, 4), QStringList({"Sort 2", "L3", "5.0", "0.00", "2"}));
  EXPECT_TRUE(SheetShown(page->TabSheetCalResult));
  EXPECT_TRUE(g3->isVisible());
  EXPECT_EQ(page->PageControl2->currentWidget(), page->TabSheetCalResult);
  EXPECT_EQ(form->State().AreaPage, 3);
  // The calculation shows the whole image.
  EXPECT_EQ(form->View().XB0, 0);
  EXPECT_EQ(form->View().YB0, 0);
  EXPECT_EQ(form->pageImage->EditSizeRatio->text(),
            QString::fromStdString(FormatFixed(form->View().factor * 100, 1)));

  // A new group hides the result page, which comes back with the next calculation.
  InputGroup(kPoints, {{200, 200}});
  EXPECT_FALSE(SheetShown(page->TabSheetCalResult));
  EXPECT_EQ(page->PageControl2->currentWidget(), page->TabSheetPointInput);
}

TEST_F(MeasureWindowTest, CategoriesAppearInTheOrderOfTheirFirstGroup) {
  StartMeasuring();
  AddCategories(1);
  InputGroup(kPoints, {{10, 10}}, 1);
  InputGroup(kPoints, {{20, 10}, {30, 10}}, 0);
  InputGroup(kPoints, {{40, 10}}, 1);
  page->BitBtnCalArea->click();
  const StringGrid* g3 = page->StringGrid3;
  EXPECT_EQ(Column(g3, 0), QStringList({"Sort 2", "", "Sort 2", "Sort 1"}));
  EXPECT_EQ(Column(g3, 1), QStringList({"P1", "P3", "合計", "P2"}));
  EXPECT_EQ(Column(g3, 4), QStringList({"1", "1", "2", "2"}));
}

TEST_F(MeasureWindowTest, DegreeUnitMeasuresInMetresWithItsOwnFormats) {
  StartMeasuring();
  InputGroup(kClosed, {{0, 0}, {100, 0}, {100, 100}, {0, 100}});
  // Longitude 139 + x / 10000, latitude 35.01 - y / 10000: a square of 0.01 degrees, traced
  // clockwise.
  SetAffine({139, 0.0001, 0}, {35.01, 0, -0.0001}, 6);
  form->EditNumDecimal->setText("3");
  // Positions resolve a metre whatever the decimals of lengths: six decimals at the least.
  form->Image1MouseMove(50, 25);
  EXPECT_EQ(form->Status(2), "物理座標(139.005000, 35.007500)");
  form->EditNumDecimal->setText("8");
  form->Image1MouseMove(50, 25);
  EXPECT_EQ(form->Status(2), "物理座標(139.00500000, 35.00750000)");
  form->EditNumDecimal->setText("3");
  page->BitBtnCalArea->click();
  const StringGrid* g3 = page->StringGrid3;
  EXPECT_EQ(Row(g3, 0), QStringList({"分類", "Group", "長さ(m)", "面積(m^2)", "点数"}));
  ASSERT_EQ(g3->RowCount(), 2);
  // The geodesic polygon on GRS80: 4044.4656 m round and 1012695.42 square metres.
  EXPECT_EQ(g3->Cells(2, 1), "4044.5");
  EXPECT_EQ(g3->Cells(3, 1), "-1012695");
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(Row(page->StringGrid2, 0).mid(5), QStringList({"経度", "緯度"}));
  EXPECT_EQ(Row(page->StringGrid2, 3).mid(5), QStringList({"139.010000", "35.000000"}));
  form->EditNumDecimal->setText("8");
  EXPECT_EQ(Row(page->StringGrid2, 3).mid(5), QStringList({"139.01000000", "35.00000000"}));
  // The result table keeps its own formats.
  page->BitBtnCalArea->click();
  EXPECT_EQ(g3->Cells(2, 1), "4044.5");
}

TEST_F(MeasureWindowTest, CalculateNamesClosedCurvesWhoseEdgesCross) {
  StartMeasuring();
  InputGroup(kClosed, {{10, 10}, {60, 10}, {60, 60}, {10, 60}});
  InputGroup(kClosed, {{100, 10}, {150, 60}, {150, 10}, {100, 60}});  // a bow tie
  InputGroup(kCurve, {{10, 100}, {60, 150}, {60, 100}, {10, 150}});   // open: no area
  InputGroup(kClosed, {{100, 100}, {150, 150}, {150, 100}, {100, 150}});
  dialogs.messages.clear();
  page->BitBtnCalArea->click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Warning);
  EXPECT_EQ(dialogs.messages[0].text,
            "辺が交差している閉曲線があります：C2, C4\n"
            "面積は交差で分かれた部分を向きの符号付きで足した値です。");
  // The areas are reported all the same, and the table is filled before the warning.
  EXPECT_EQ(page->StringGrid3->Cells(1, 2), "C2");
  EXPECT_EQ(page->StringGrid3->Cells(3, 2), "0.00");
  EXPECT_TRUE(page->StringGrid3->isVisible());
}

TEST_F(MeasureWindowTest, NoDecimalsShowsWholeNumbers) {
  StartMeasuring();
  form->EditNumDecimal->setText("0");
  EXPECT_EQ(form->State().frmdata, "0.");
  EXPECT_EQ(form->State().frmdata2, "0.");
  InputGroup(kClosed, {{10, 10}, {10, 20}, {11, 20}});
  page->BitBtnCalArea->click();
  EXPECT_EQ(Row(page->StringGrid3, 1), QStringList({"Sort 1", "C1", "21", "5", "3"}));
}

TEST_F(MeasureWindowTest, FillsByTheSignOfTheAreaOnlyInsideTheViewAndLabelsTheGroups) {
  StartMeasuring();
  InputGroup(kClosed, {{20, 20}, {20, 80}, {80, 80}, {80, 20}});      // positive
  InputGroup(kClosed, {{120, 20}, {180, 20}, {180, 80}, {120, 80}});  // negative
  InputGroup(kClosed, {{220, 20}, {280, 20}, {280, 80}, {220, 80}});
  // The third curve gets a vertex outside the image, and so outside the view.
  form->EditGroups("", [](std::vector<TLine>& l) {
    l[2].Points[1].x = 2000;
    return true;
  });
  page->BitBtnCalArea->click();
  EXPECT_EQ(PixelAt(50, 50), kRed);    // clPlusArea
  EXPECT_EQ(PixelAt(150, 50), kBlue);  // clMinusArea
  EXPECT_NE(PixelAt(240, 50), kRed);
  EXPECT_NE(PixelAt(240, 50), kBlue);
  // Not drawn, but measured and listed.
  EXPECT_EQ(page->StringGrid3->RowCount(), 5);
  EXPECT_EQ(page->StringGrid3->Cells(1, 4), "合計");
  EXPECT_LT(form->Lines()[2].Area, 0);

  // The label of C1 sits on a white box at the midpoint of its first two points, 4 pixels up.
  const QImage view = form->Image1->Picture();
  const int vx = static_cast<int>(20 * form->View().factor),
            vy = static_cast<int>(50 * form->View().factor) - 4;
  int white = 0, dark = 0;
  for (int y = vy; y < vy + 10; ++y)
    for (int x = vx; x < vx + 12; ++x) {
      const QColor c = view.pixelColor(x, y);
      white += c == Qt::white;
      dark += c.lightness() < 100;
    }
  EXPECT_GT(white, 0);
  EXPECT_GT(dark, 0);

  // Any repaint takes fills and labels away again.
  form->PaintPicture(-1, -1);
  EXPECT_NE(PixelAt(50, 50), kRed);
}

TEST_F(MeasureWindowTest, CalculationIsRefusedWhileAGroupIsInput) {
  StartMeasuring();
  InputGroup(kCurve, {{10, 10}, {20, 10}});
  form->ButtonSetAreaClick();
  form->BitBtnCalAreaClick();
  EXPECT_EQ(TakeMessages(), QStringList({"入力がまだ終了していません。\n入力を終了して下さい。"}));
  EXPECT_FALSE(SheetShown(page->TabSheetCalResult));
}

TEST_F(MeasureWindowTest, TableCopiesAreTabSeparatedWithCrLfOnEveryRow) {
  StartMeasuring();
  InputGroup(kCurve, {{10, 10}, {13, 14}});
  page->BitBtnCalArea->click();
  page->menuTable_ = page->StringGrid3;
  page->C2->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(),
            "分類\tGroup\t長さ(pixels)\t面積(pixels^2)\t点数\r\nSort 1\tL1\t5.0\t0.00\t2\r\n");
  // The point table: its empty last row gives a line of empty cells.
  page->menuTable_ = page->StringGrid2;
  page->PopupMenuLinePopup(true);
  EXPECT_TRUE(page->C2->isVisible());
  page->C2->trigger();
  page->menuTable_ = nullptr;
  EXPECT_EQ(QApplication::clipboard()->text(),
            "分類\tGroup\tPoint\tx(pixels)\ty(pixels)\r\n"
            "1\tL1\t1\t10.0\t10.0\r\n1\tL1\t2\t13.0\t14.0\r\n\t\t\t\t\r\n");
}

// ---------------------------------------------------------------- deleting groups

class GroupDeletionTest : public MeasureWindowTest {
 protected:
  // Groups whose first point's x tells them apart: 10, 20, 30, ...
  void MakeGroups(std::initializer_list<int> kinds) {
    int x = 10;
    for (int kind : kinds) {
      InputGroup(kind, {{x, 10}, {x, 50}, {x + 5, 50}});
      x += 10;
    }
  }
  QList<int> FirstXs() const {
    QList<int> out;
    for (const TLine& l : form->Lines()) out << static_cast<int>(l.Points[0].x);
    return out;
  }
  void Delete(const QString& list) {
    dialogs.inputs.push_back(list);
    form->ButtonEraseAreaClick();
  }
};

TEST_F(GroupDeletionTest, ANumberDeletesThatGroupAndRenumbersTheLaterOnes) {
  StartMeasuring();
  MakeGroups({kCurve, kClosed, kPoints});
  form->Doc().MarkSaved();
  Delete("2");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text,
            "削除するグループの番号（半角数字）を入力して下さい。\n例1：1-3\u3000   例2：1,3,5-7");
  EXPECT_EQ(FirstXs(), QList<int>({10, 30}));
  EXPECT_EQ(PointLabels(page->StringGrid2),
            QStringList({"L1-1", "L1-2", "L1-3", "P2-1", "P2-2", "P2-3"}));
  EXPECT_EQ(Column(page->StringGridGroup, 1), QStringList({"L1", "P2"}));
  EXPECT_EQ(form->State().IDLine, 1);
  EXPECT_EQ(form->Status(3), "変更あり");
}

TEST_F(GroupDeletionTest, NumbersReferToTheNumberingWhenTheBoxOpened) {
  StartMeasuring();
  MakeGroups({kCurve, kCurve, kCurve, kCurve});
  Delete("1,3");
  EXPECT_EQ(FirstXs(), QList<int>({20, 40}));
  EXPECT_EQ(Column(page->StringGridGroup, 1), QStringList({"L1", "L2"}));
}

TEST_F(GroupDeletionTest, OpenRangesReversedRangesAndNumbersOutOfRange) {
  StartMeasuring();
  MakeGroups({kCurve, kCurve, kCurve, kCurve});
  Delete("3-1");
  EXPECT_EQ(form->Lines().size(), 4u);
  Delete("9");
  EXPECT_EQ(form->Lines().size(), 4u);
  Delete("2-");
  EXPECT_EQ(FirstXs(), QList<int>({10}));
  EXPECT_EQ(page->StringGridGroup->RowCount(), 2);
}

TEST_F(GroupDeletionTest, AnItemThatIsNoNumberStopsTheList) {
  StartMeasuring();
  MakeGroups({kCurve, kClosed, kPoints});
  Delete("1,x,3");
  EXPECT_EQ(FirstXs(), QList<int>({20, 30}));
  EXPECT_EQ(Column(page->StringGridGroup, 1), QStringList({"C1", "P2"}));
}

TEST_F(GroupDeletionTest, ZeroOrCancelDeletesNothingAndChangesNothing) {
  StartMeasuring();
  MakeGroups({kCurve, kCurve});
  form->Doc().MarkSaved();
  form->ButtonEraseAreaClick();  // cancelled: the default "0"
  Delete("0");
  EXPECT_EQ(form->Lines().size(), 2u);
  EXPECT_EQ(form->Status(3), "変更なし");
}

TEST_F(GroupDeletionTest, AfterADeletionTheChoosersShowTheNewCurrentGroup) {
  StartMeasuring();
  AddCategories(1);
  InputGroup(kCurve, {{10, 10}, {20, 10}});
  InputGroup(kClosed, {{10, 30}, {20, 30}, {20, 40}}, 1);
  InputGroup(kPoints, {{10, 60}});
  Delete("3");
  EXPECT_EQ(form->State().IDLine, 1);
  EXPECT_EQ(page->StringGridGroup->Row(), 2);
  EXPECT_EQ(page->RadioGroupLineType->ItemIndex(), kClosed);
  EXPECT_EQ(page->ComboBoxSort->currentIndex(), 1);
}

TEST_F(GroupDeletionTest, TheOnlyGroupGoesWithoutTheBox) {
  StartMeasuring();
  MakeGroups({kClosed});
  form->Doc().MarkSaved();
  form->ButtonEraseAreaClick();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(form->Lines().empty());
  EXPECT_EQ(form->State().IDLine, -1);
  EXPECT_EQ(page->StringGrid2->RowCount(), 2);
  EXPECT_FALSE(page->BitBtnCalArea->isEnabled());
  EXPECT_FALSE(page->ButtonEraseArea->isEnabled());
  EXPECT_FALSE(SheetShown(page->TabSheetGroup));
  EXPECT_EQ(form->Status(3), "変更あり");
}

TEST_F(GroupDeletionTest, DeletingFromTheResultPageReturnsToThePointPage) {
  StartMeasuring();
  MakeGroups({kCurve, kCurve, kCurve});
  page->BitBtnCalArea->click();
  ASSERT_EQ(form->State().AreaPage, 3);
  Delete("1");
  EXPECT_FALSE(SheetShown(page->TabSheetCalResult));
  EXPECT_EQ(page->PageControl2->currentWidget(), page->TabSheetPointInput);
  EXPECT_EQ(form->State().AreaPage, 0);
}

// ---------------------------------------------------------------- categories and groups

TEST_F(MeasureWindowTest, AddedCategoriesAreNamedByTheirRowAndReachTheChooser) {
  StartMeasuring();
  EXPECT_FALSE(page->ButtonDeleteSort->isEnabled());
  AddCategories(3);
  const StringGrid* gs = page->StringGridSort;
  EXPECT_EQ(Row(gs, 4), QStringList({"4", "Sort 4"}));
  EXPECT_EQ(page->ComboBoxSort->count(), 4);
  EXPECT_EQ(page->ComboBoxSort->itemText(3), "4:Sort 4");
  EXPECT_EQ(page->ComboBoxSort->currentIndex(), 0);
  EXPECT_TRUE(page->ButtonDeleteSort->isEnabled());

  // Names typed into the table reach the chooser and the group table with "登録".
  InputGroup(kPoints, {{10, 10}}, 1);
  page->StringGridSort->SetCell(1, 2, "樹木");
  EXPECT_EQ(page->ComboBoxSort->itemText(1), "2:Sort 2");
  form->Doc().MarkSaved();
  page->ButtonRegistSort->click();
  EXPECT_EQ(page->ComboBoxSort->itemText(1), "2:樹木");
  EXPECT_EQ(page->StringGridGroup->Cells(2, 1), "樹木");
  // The chooser shows the category of the selected group.
  EXPECT_EQ(page->ComboBoxSort->currentIndex(), 1);
  EXPECT_EQ(form->Status(3), "変更あり");
}

TEST_F(MeasureWindowTest, OnlyAnUnusedCategoryCanGoAndLaterOnesMoveUp) {
  StartMeasuring();
  page->StringGridSort->SetCell(1, 1, "A");
  AddCategories(2);
  page->StringGridSort->SetCell(1, 2, "B");
  page->StringGridSort->SetCell(1, 3, "C");
  page->ButtonRegistSortClick();
  InputGroup(kPoints, {{10, 10}}, 0);
  InputGroup(kPoints, {{20, 10}}, 2);
  page->PageControl2->setCurrentWidget(page->TabSheetProperty);
  EXPECT_EQ(form->State().AreaPage, 1);
  page->StringGridSort->SetRow(1);
  EXPECT_FALSE(page->ButtonDeleteSort->isEnabled());
  page->StringGridSort->SetRow(3);
  EXPECT_FALSE(page->ButtonDeleteSort->isEnabled());
  page->StringGridSort->SetRow(2);
  ASSERT_TRUE(page->ButtonDeleteSort->isEnabled());
  page->ButtonDeleteSort->click();
  EXPECT_EQ(Column(page->StringGridSort, 0), QStringList({"1", "2"}));
  EXPECT_EQ(Column(page->StringGridSort, 1), QStringList({"A", "C"}));
  EXPECT_EQ(form->Lines()[1].Sort, 1);
  EXPECT_EQ(page->StringGrid2->Cells(0, 2), "2");
  EXPECT_EQ(page->ComboBoxSort->itemText(1), "2:C");
  EXPECT_EQ(page->StringGridGroup->Cells(2, 2), "C");
  // Row 2 is now C, which a group uses.
  EXPECT_FALSE(page->ButtonDeleteSort->isEnabled());
}

TEST_F(MeasureWindowTest, DeletingTheLastCategoryRowSelectsTheOneBefore) {
  StartMeasuring();
  AddCategories(2);
  page->PageControl2->setCurrentWidget(page->TabSheetProperty);
  page->StringGridSort->SetRow(3);
  page->ButtonDeleteSort->click();
  EXPECT_EQ(page->StringGridSort->RowCount(), 3);
  EXPECT_EQ(page->StringGridSort->Row(), 2);
  page->ButtonDeleteSort->click();
  EXPECT_EQ(page->StringGridSort->RowCount(), 2);
  // The only category left cannot go.
  EXPECT_FALSE(page->ButtonDeleteSort->isEnabled());
}

TEST_F(MeasureWindowTest, KindAndCategoryChangeAfterTheQuestion) {
  StartMeasuring();
  AddCategories(1);
  InputGroup(kPoints, {{10, 10}, {50, 10}});
  InputGroup(kCurve, {{10, 100}, {60, 100}});
  page->PageControl2->setCurrentWidget(page->TabSheetGroup);
  EXPECT_EQ(form->State().AreaPage, 2);
  page->StringGridGroup->SetRow(1);
  EXPECT_EQ(form->State().IDLine, 0);
  EXPECT_EQ(page->RadioGroupLineType->ItemIndex(), kPoints);
  // The point table follows the group table's selection.
  EXPECT_EQ(page->StringGrid2->Row(), 1);

  dialogs.answers.push_back(MsgResult::No);
  page->RadioGroupLineType->SetItemIndex(kClosed);
  EXPECT_EQ(TakeMessages(), QStringList({"グループのポイントの種類を変更してよろしいですか。"}));
  EXPECT_EQ(form->Lines()[0].LineType, kPoints);
  EXPECT_EQ(page->RadioGroupLineType->ItemIndex(), kPoints);

  form->Doc().MarkSaved();
  dialogs.answers.push_back(MsgResult::Yes);
  page->RadioGroupLineType->SetItemIndex(kClosed);
  EXPECT_EQ(TakeMessages().size(), 1);
  EXPECT_EQ(form->Lines()[0].LineType, kClosed);
  EXPECT_EQ(form->Lines()[0].NumPoints, 2);  // kept, too few or not
  EXPECT_EQ(PointLabels(page->StringGrid2), QStringList({"C1-1", "C1-2", "L2-1", "L2-2"}));
  EXPECT_EQ(page->StringGridGroup->Cells(1, 1), "C1");
  EXPECT_EQ(page->StringGrid2->Row(), 1);
  EXPECT_EQ(form->Status(3), "変更あり");

  dialogs.answers.push_back(MsgResult::No);
  page->ComboBoxSort->setCurrentIndex(1);
  page->ComboBoxSortChange();
  EXPECT_EQ(TakeMessages(), QStringList({"グループのポイントの種類を変更してよろしいですか。"}));
  EXPECT_EQ(form->Lines()[0].Sort, 0);
  EXPECT_EQ(page->ComboBoxSort->currentIndex(), 0);
  dialogs.answers.push_back(MsgResult::Yes);
  page->ComboBoxSort->setCurrentIndex(1);
  page->ComboBoxSortChange();
  EXPECT_EQ(TakeMessages().size(), 1);
  EXPECT_EQ(form->Lines()[0].Sort, 1);
  EXPECT_EQ(page->StringGrid2->Cells(0, 1), "2");
  EXPECT_EQ(page->StringGridGroup->Cells(2, 1), "Sort 2");

  // Outside the group page the choosers only choose for the next group.
  page->PageControl2->setCurrentWidget(page->TabSheetPointInput);
  page->RadioGroupLineType->SetItemIndex(kCurve);
  page->ComboBoxSort->setCurrentIndex(0);
  page->ComboBoxSortChange();
  EXPECT_TRUE(TakeMessages().isEmpty());
  EXPECT_EQ(form->State().Sortpres, 0);
  EXPECT_EQ(form->Lines()[0].LineType, kClosed);
}

TEST_F(MeasureWindowTest, ReversingAClosedCurveRenumbersItsPointsAndFlipsTheArea) {
  StartMeasuring();
  InputGroup(kClosed, {{10, 10}, {10, 20}, {11, 20}, {11, 10}});
  InputGroup(kCurve, {{100, 100}, {110, 100}});
  page->BitBtnCalArea->click();
  EXPECT_EQ(page->StringGrid3->Cells(3, 1), "10.00");
  page->PageControl2->setCurrentWidget(page->TabSheetGroup);
  page->StringGridGroup->SetRow(1);
  page->InverseRotation->trigger();
  EXPECT_EQ(Row(page->StringGrid2, 1).mid(1, 4), QStringList({"C1", "1", "11.0", "10.0"}));
  EXPECT_EQ(Row(page->StringGrid2, 4).mid(1, 4), QStringList({"C1", "4", "10.0", "10.0"}));
  EXPECT_EQ(form->Lines()[0].Points[0].nm, "1");
  EXPECT_EQ(form->Lines()[1].Points[0].x, 100);  // the other group stays
  page->BitBtnCalArea->click();
  EXPECT_EQ(page->StringGrid3->Cells(3, 1), "-10.00");
}

// ---------------------------------------------------------------- point editing

TEST_F(MeasureWindowTest, InsertingAfterAPointRenumbersTheLaterOnes) {
  StartMeasuring();
  InputGroup(kClosed, {{10, 10}, {10, 20}, {20, 20}, {20, 10}});
  page->StringGrid2->SetRow(RowOf("C1", "2"));
  form->Doc().MarkSaved();
  page->AddPoint->trigger();
  EXPECT_TRUE(form->State().isAddPoint);
  EXPECT_FALSE(page->PageControl2->isEnabled());
  EXPECT_EQ(form->Status(4), "追加するポイントの位置をクリックして下さい");
  Click(15, 25);
  EXPECT_FALSE(form->State().isAddPoint);
  EXPECT_TRUE(page->PageControl2->isEnabled());
  EXPECT_EQ(form->Status(4), "");
  EXPECT_EQ(form->Status(3), "変更あり");
  ASSERT_EQ(form->Lines()[0].NumPoints, 5);
  EXPECT_EQ(PointLabels(page->StringGrid2), QStringList({"C1-1", "C1-2", "C1-3", "C1-4", "C1-5"}));
  EXPECT_EQ(page->StringGrid2->Row(), 3);
  EXPECT_EQ(Row(page->StringGrid2, 3).mid(2, 3), QStringList({"3", "15.0", "25.0"}));
  EXPECT_EQ(Row(page->StringGrid2, 4).mid(3, 2), QStringList({"20.0", "20.0"}));
  EXPECT_EQ(Row(page->StringGrid2, 5).mid(3, 2), QStringList({"20.0", "10.0"}));
}

TEST_F(MeasureWindowTest, MovingAPointRewritesItsRow) {
  StartMeasuring();
  InputGroup(kCurve, {{10, 10}, {20, 20}});
  page->StringGrid2->SetRow(2);
  page->ModifyPoint->trigger();
  EXPECT_EQ(form->Status(4), "ポイント位置を再指定して下さい");
  EXPECT_FALSE(page->PageControl2->isEnabled());
  Click(33, 44);
  EXPECT_FALSE(form->State().isModifyPoint);
  EXPECT_EQ(form->Lines()[0].Points[1].x, 33);
  EXPECT_EQ(form->Lines()[0].Points[1].y, 44);
  EXPECT_EQ(Row(page->StringGrid2, 2), QStringList({"1", "L1", "2", "33.0", "44.0"}));
  EXPECT_EQ(form->Status(3), "変更あり");
}

TEST_F(MeasureWindowTest, AnArmedEditWaitsUntilTheStatusBarIsClicked) {
  StartMeasuring();
  InputGroup(kCurve, {{10, 10}, {20, 20}});
  // The empty row after the last point names no point to move: nothing is armed.
  page->StringGrid2->SetRow(page->StringGrid2->RowCount() - 1);
  page->ModifyPoint->trigger();
  EXPECT_FALSE(form->State().isModifyPoint);
  EXPECT_TRUE(page->PageControl2->isEnabled());

  page->StringGrid2->SetRow(2);
  page->ModifyPoint->trigger();
  EXPECT_TRUE(form->State().isModifyPoint);
  EXPECT_EQ(form->Status(4), "ポイント位置を再指定して下さい");
  EXPECT_EQ(form->Lines()[0].Points[1].x, 20);
  form->StatusBar1Click();
  EXPECT_FALSE(form->State().isModifyPoint);
  EXPECT_TRUE(page->PageControl2->isEnabled());
  EXPECT_EQ(form->Status(4), "");

  page->AddPoint->trigger();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form->Panels[2], &press);
  EXPECT_FALSE(form->State().isAddPoint);
  EXPECT_EQ(form->Status(4), "");

  // With nothing armed a click on the status bar changes nothing.
  form->SetStatus(4, "x");
  form->StatusBar1Click();
  EXPECT_EQ(form->Status(4), "x");
  EXPECT_EQ(form->Lines()[0].NumPoints, 2);
}

TEST_F(MeasureWindowTest, DeletingPointsRenumbersAndAsksBeforeTheGroupGoes) {
  StartMeasuring();
  InputGroup(kCurve, {{10, 10}, {20, 10}, {30, 10}});
  InputGroup(kClosed, {{10, 50}, {20, 50}, {20, 60}});
  form->Doc().MarkSaved();
  page->StringGrid2->SetRow(RowOf("L1", "1"));
  page->DeletePoint->trigger();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(PointLabels(page->StringGrid2).mid(0, 2), QStringList({"L1-1", "L1-2"}));
  EXPECT_EQ(page->StringGrid2->Cells(3, 1), "20.0");
  EXPECT_EQ(page->StringGrid2->Row(), 1);
  EXPECT_EQ(form->Status(3), "変更あり");
  page->DeletePoint->trigger();  // a two-point curve: no question yet
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(form->Lines()[0].NumPoints, 1);

  dialogs.answers.push_back(MsgResult::No);
  page->DeletePoint->trigger();
  EXPECT_EQ(
      TakeMessages(),
      QStringList(
          {"点数が１点しかありません。この曲線データは全て消去されます。\nよろしいですか。"}));
  EXPECT_EQ(form->Lines().size(), 2u);
  dialogs.answers.push_back(MsgResult::Yes);
  page->DeletePoint->trigger();
  TakeMessages();
  ASSERT_EQ(form->Lines().size(), 1u);
  EXPECT_EQ(PointLabels(page->StringGrid2), QStringList({"C1-1", "C1-2", "C1-3"}));
  EXPECT_EQ(Column(page->StringGridGroup, 1), QStringList({"C1"}));

  page->StringGrid2->SetRow(3);
  page->DeletePoint->trigger();
  dialogs.answers.push_back(MsgResult::Yes);
  page->StringGrid2->SetRow(1);
  page->DeletePoint->trigger();
  EXPECT_EQ(
      TakeMessages(),
      QStringList(
          {"点数が２点しかありません。この領域データは全て消去されます。\nよろしいですか。"}));
  EXPECT_TRUE(form->Lines().empty());
  EXPECT_EQ(page->StringGrid2->RowCount(), 2);
  EXPECT_FALSE(page->BitBtnCalArea->isEnabled());
  EXPECT_FALSE(SheetShown(page->TabSheetGroup));
}

TEST_F(MeasureWindowTest, APointsGroupCanLoseItsLastPoint) {
  StartMeasuring();
  InputGroup(kPoints, {{10, 10}});
  InputGroup(kCurve, {{20, 20}, {30, 30}});
  page->StringGrid2->SetRow(1);
  page->DeletePoint->trigger();
  EXPECT_TRUE(dialogs.messages.empty());
  ASSERT_EQ(form->Lines().size(), 2u);
  EXPECT_EQ(form->Lines()[0].NumPoints, 0);
  EXPECT_EQ(PointLabels(page->StringGrid2), QStringList({"L2-1", "L2-2"}));
  // Its group-table row finds no point row; the search ends at the table's end.
  page->PageControl2->setCurrentWidget(page->TabSheetGroup);
  page->StringGridGroup->SetRow(1);
  EXPECT_EQ(form->State().IDLine, 0);
  page->BitBtnCalArea->click();
  EXPECT_EQ(Row(page->StringGrid3, 1), QStringList({"Sort 1", "P1", "0.0", "0.00", "0"}));
}

TEST_F(MeasureWindowTest, DoubleClickSelectsTheNearestPointWithTiesToTheEarlierOne) {
  StartMeasuring();
  InputGroup(kCurve, {{10, 10}, {30, 10}});
  InputGroup(kCurve, {{20, 20}, {20, 0}});
  // (20, 10) is 10 pixels from all four points.
  form->Image1MouseMove(20, 10);
  form->Image1DblClick();
  EXPECT_EQ(page->StringGrid2->Row(), 1);
  EXPECT_EQ(form->State().IDLine, 0);
  form->Image1MouseMove(29, 10);
  form->Image1DblClick();
  EXPECT_EQ(page->StringGrid2->Row(), 2);
  // However far the pointer is.
  form->Image1MouseMove(390, 290);
  form->Image1DblClick();
  EXPECT_EQ(page->StringGrid2->Row(), 2);

  // On the group page the group table follows; on the result page the result table.
  page->PageControl2->setCurrentWidget(page->TabSheetGroup);
  form->Image1MouseMove(20, 1);
  form->Image1DblClick();
  EXPECT_EQ(page->StringGridGroup->Row(), 2);
  EXPECT_EQ(form->State().IDLine, 1);
  page->BitBtnCalArea->click();
  page->StringGrid3->SetRow(2);
  form->Image1MouseMove(0, 0);
  form->Image1DblClick();
  EXPECT_EQ(page->StringGrid3->Row(), 1);

  // Nothing while an input runs.
  form->ButtonSetAreaClick();
  const int row = page->StringGrid2->Row();
  form->Image1MouseMove(20, 20);
  form->Image1DblClick();
  EXPECT_EQ(page->StringGrid2->Row(), row);
}

// ---------------------------------------------------------------- highlight on the view

TEST_F(MeasureWindowTest, TheGroupPageHighlightsTheCurrentGroupInGreen) {
  StartMeasuring();
  InputGroup(kCurve, {{10, 10}, {60, 10}});
  InputGroup(kCurve, {{10, 50}, {60, 50}});
  EXPECT_EQ(PixelAt(35, 10), kRed);  // clLine
  EXPECT_EQ(PixelAt(35, 50), kRed);
  page->PageControl2->setCurrentWidget(page->TabSheetGroup);
  EXPECT_EQ(PixelAt(35, 50), kGreen);
  EXPECT_EQ(PixelAt(35, 10), kRed);
  EXPECT_EQ(PixelAt(10, 51), kGreen);  // the points too
  page->StringGridGroup->SetRow(1);
  EXPECT_EQ(PixelAt(35, 10), kGreen);
  EXPECT_EQ(PixelAt(35, 50), kRed);
  // The point selected in the point table is drawn in clPresentPoint over everything.
  EXPECT_EQ(PixelAt(10, 11), kYellow);

  // A setting that already is pure green becomes magenta.
  {
    SymbolSettings s = form->State().sym;
    s.clRegistPoints = 0x0000FF00;
    form->ApplySymbols(s);
  }
  form->PaintPicture(-1, -1);
  EXPECT_EQ(PixelAt(60, 11), kMagenta);
  EXPECT_EQ(PixelAt(60, 51), kGreen);
  EXPECT_EQ(PixelAt(35, 10), kGreen);
}

TEST_F(MeasureWindowTest, ASegmentWithBothEndsOutsideTheViewIsDrawnAcrossIt) {
  auto SetFirstSegment = [this](const TMarker& a, const TMarker& b) {
    form->EditGroups("", [&](std::vector<TLine>& l) {
      l[0].Points[0] = a;
      l[0].Points[1] = b;
      return true;
    });
  };
  StartMeasuring();
  InputGroup(kCurve, {{10, 10}, {20, 10}});
  SetFirstSegment({"1", -100, 50}, {"2", 500, 50});
  form->PaintPicture(-1, -1);
  EXPECT_EQ(PixelAt(200, 50), kRed);
  // A group wholly outside draws nothing, and the others still do.
  InputGroup(kCurve, {{10, 100}, {60, 100}});
  SetFirstSegment({"1", -100, 50}, {"2", -10, 50});
  form->PaintPicture(-1, -1);
  EXPECT_NE(PixelAt(2, 50), kRed);
  EXPECT_EQ(PixelAt(35, 100), kRed);
}

TEST_F(MeasureWindowTest, WithOneGroupNothingIsHighlighted) {
  StartMeasuring();
  InputGroup(kCurve, {{10, 10}, {60, 10}});
  page->PageControl2->setCurrentWidget(page->TabSheetGroup);
  EXPECT_EQ(PixelAt(35, 10), kRed);
}

TEST_F(MeasureWindowTest, TheResultPageHighlightsTheRowsGroupOrCategory) {
  StartMeasuring();
  AddCategories(1);
  InputGroup(kCurve, {{10, 10}, {60, 10}});
  InputGroup(kCurve, {{10, 30}, {60, 30}});
  InputGroup(kCurve, {{10, 50}, {60, 50}}, 1);
  page->BitBtnCalArea->click();
  // Rows: Sort 1 L1, L2, 合計, Sort 2 L3.
  page->StringGrid3->SetRow(2);
  EXPECT_EQ(PixelAt(35, 10), kRed);
  EXPECT_EQ(PixelAt(35, 30), kGreen);
  page->StringGrid3->SetRow(3);
  EXPECT_EQ(PixelAt(35, 10), kGreen);
  EXPECT_EQ(PixelAt(35, 30), kGreen);
  EXPECT_EQ(PixelAt(35, 50), kRed);
  // A total row whose category name is not in the category table highlights nothing.
  page->StringGrid3->SetCell(0, 3, "other");
  page->StringGrid3Click();
  EXPECT_EQ(PixelAt(35, 10), kRed);
  EXPECT_EQ(PixelAt(35, 30), kRed);
  page->StringGrid3->SetRow(4);
  EXPECT_EQ(PixelAt(35, 50), kGreen);
}

}  // namespace
}  // namespace zelko::testing
