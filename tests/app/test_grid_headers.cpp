// The tables' fixed header rows and columns through the real window: they stay in view while the
// cells scroll, and the marker table widens its columns to what the user typed.
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/string_grid.h"
#include "app/widgets.h"
#include "app_fixture.h"
#include "coords/transform.h"

namespace zelko::testing {
namespace {

constexpr int kPoints = 2;

class GridHeadersTest : public WindowTest {
 protected:
  // A point table with one group of many points and physical columns, shown on its page.
  StringGrid& PointTable(int points) {
    Start({MakeImage("site.bmp", 400, 300)});
    form->Doc().SetMethod(tmAffine);
    form->Doc().SetScaleUnit(0);
    form->pageCoord->ComboBoxScaleUnitChange();
    form->Doc().SetTransform({1000000, 1, 0}, {2000000, 0, 1}, true);
    form->ToolButtonAreaModeClick();
    EXPECT_TRUE(form->State().isAreaMode);
    AreaPage& page = *form->pageArea;
    page.PageControl2->setCurrentWidget(page.TabSheetPointInput);
    page.RadioGroupLineType->SetItemIndex(kPoints);
    form->ButtonSetAreaClick();
    for (int i = 0; i < points; ++i) {
      form->Image1MouseMove(10 + i % 300, 10 + i % 200);
      form->Image1MouseDown(Qt::LeftButton, 10 + i % 300, 10 + i % 200);
    }
    form->ButtonSetAreaClick();
    StringGrid& g = *page.StringGrid2;
    EXPECT_EQ(g.ColCount(), 7);
    EXPECT_EQ(g.FixedCols(), 3);
    EXPECT_EQ(g.RowCount(), points + 2);
    EXPECT_TRUE(g.isVisible());
    return g;
  }

  static int FixedHeight(const StringGrid& g) { return g.rowHeight(0); }
  static int FixedWidth(const StringGrid& g) {
    return g.ColWidth(0) + g.ColWidth(1) + g.ColWidth(2);
  }
  // What the table shows in part of its viewport.
  static QImage Shot(StringGrid& g, const QRect& part) {
    return g.viewport()->grab().toImage().copy(part);
  }
  static QPoint CellCentre(const StringGrid& g, int col, int row) {
    return g.visualRect(g.model()->index(row, col)).center();
  }
};

TEST_F(GridHeadersTest, TheHeaderRowStaysAtTheTopWhenThePointTableScrollsDown) {
  StringGrid& g = PointTable(60);
  const QRect headerStrip(0, 0, g.viewport()->width(), FixedHeight(g));
  const QImage before = Shot(g, headerStrip);

  // The user drags the scroll bar to its end.
  QScrollBar* bar = g.verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  ASSERT_EQ(bar->value(), bar->maximum());

  EXPECT_EQ(Shot(g, headerStrip), before);
  for (int c = 0; c < g.ColCount(); ++c) {
    EXPECT_EQ(g.indexAt(QPoint(CellCentre(g, c, 0).x(), 2)).row(), 0) << c;
    EXPECT_EQ(g.visualRect(g.model()->index(0, c)).top(), 0) << c;
  }
  // The last point row is in view, and the first row under the header is the top row.
  const int last = g.RowCount() - 1;
  EXPECT_TRUE(g.viewport()->rect().contains(g.visualRect(g.model()->index(last, 3))));
  EXPECT_EQ(g.TopRow(), g.rowAt(FixedHeight(g)));
  EXPECT_GT(g.TopRow(), 1);
  EXPECT_EQ(g.visualRect(g.model()->index(g.TopRow(), 3)).top(), FixedHeight(g));

  // A click on the header changes no row; a click just below it picks the top row.
  const int row = g.Row();
  QSignalSpy clicks(&g, &StringGrid::Click);
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, QPoint(CellCentre(g, 4, 0).x(), 3));
  EXPECT_EQ(g.Row(), row);
  EXPECT_EQ(clicks.count(), 1);
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {},
                    QPoint(CellCentre(g, 4, 0).x(), FixedHeight(g) + 3));
  EXPECT_EQ(g.Row(), g.TopRow());
  EXPECT_EQ(g.Col(), 4);
}

TEST_F(GridHeadersTest, KeysWalkTheCurrentRowOutFromUnderTheHeader) {
  StringGrid& g = PointTable(60);
  g.setFocus();
  QTest::keyClick(&g, Qt::Key_End, Qt::ControlModifier);
  ASSERT_EQ(g.Row(), g.RowCount() - 1);
  ASSERT_GT(g.verticalScrollBar()->value(), 0);
  // Up to the row just under the header, then one more: the table scrolls one row, so the new
  // current row shows whole below the header rather than behind it.
  while (g.Row() > g.TopRow()) QTest::keyClick(&g, Qt::Key_Up);
  const int top = g.TopRow();
  QTest::keyClick(&g, Qt::Key_Up);
  EXPECT_EQ(g.Row(), top - 1);
  EXPECT_EQ(g.TopRow(), top - 1);
  EXPECT_EQ(g.visualRect(g.model()->index(g.Row(), g.Col())).top(), FixedHeight(g));
  EXPECT_EQ(g.indexAt(QPoint(2, 2)).row(), 0);
}

TEST_F(GridHeadersTest, TopRowIsTheFirstRowUnderTheHeaderAndSetTopRowTakesItBack) {
  StringGrid& g = PointTable(60);
  g.SetTopRow(20);
  EXPECT_EQ(g.TopRow(), 20);
  EXPECT_EQ(g.visualRect(g.model()->index(20, 3)).top(), FixedHeight(g));
  const int value = g.verticalScrollBar()->value();
  g.SetTopRow(g.TopRow());
  EXPECT_EQ(g.verticalScrollBar()->value(), value);
  g.SetTopRow(0);
  EXPECT_EQ(g.verticalScrollBar()->value(), 0);
  EXPECT_EQ(g.TopRow(), 1);
}

TEST_F(GridHeadersTest, TheFixedColumnsStayAtTheLeftWhenThePointTableScrollsSideways) {
  StringGrid& g = PointTable(60);
  // Columns wider than the page, so that it scrolls sideways.
  for (int c = 3; c < g.ColCount(); ++c) g.SetColWidth(c, 200);
  const int fw = FixedWidth(g), fh = FixedHeight(g);
  const QRect fixedStrip(0, 0, fw, g.viewport()->height());
  const QImage before = Shot(g, fixedStrip);

  QScrollBar* bar = g.horizontalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  ASSERT_EQ(bar->value(), bar->maximum());

  EXPECT_EQ(Shot(g, fixedStrip), before);
  const int top = g.TopRow();
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(g.indexAt(QPoint(CellCentre(g, c, top).x(), fh + 2)).column(), c) << c;
    EXPECT_EQ(g.visualRect(g.model()->index(top, c)).left(),
              g.horizontalHeader()->sectionPosition(c));
  }
  // The last column ends at the right edge; what scrolled under the fixed columns is out of view.
  const QRect lastCell = g.visualRect(g.model()->index(top, g.ColCount() - 1));
  EXPECT_EQ(lastCell.right() + 2, g.viewport()->width());
  const QRect under = g.visualRect(g.model()->index(top, 3));
  EXPECT_TRUE(!under.isValid() || under.left() >= fw);

  // A cell that is partly under the fixed columns comes out whole when it becomes current.
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, CellCentre(g, g.ColCount() - 1, top + 1));
  ASSERT_EQ(g.Col(), g.ColCount() - 1);
  QTest::keyClick(&g, Qt::Key_Left);
  QTest::keyClick(&g, Qt::Key_Left);
  QTest::keyClick(&g, Qt::Key_Left);
  ASSERT_EQ(g.Col(), 3);
  EXPECT_EQ(g.visualRect(g.model()->index(top + 1, 3)).left(), fw);
  EXPECT_EQ(g.visualRect(g.model()->index(top + 1, 3)).width(), 199);
  EXPECT_EQ(Shot(g, fixedStrip), before);
}

TEST_F(GridHeadersTest, TheCornerStaysWhenTheTableScrollsBothWays) {
  StringGrid& g = PointTable(60);
  for (int c = 3; c < g.ColCount(); ++c) g.SetColWidth(c, 200);
  const QRect corner(0, 0, FixedWidth(g), FixedHeight(g));
  const QImage before = Shot(g, corner);
  g.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  g.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(Shot(g, corner), before);
  EXPECT_EQ(g.indexAt(QPoint(1, 1)), g.model()->index(0, 0));
}

// ---------------------------------------------------------------- the marker table

class MarkerTableTest : public WindowTest {
 protected:
  StringGrid& Table() const { return *form->pageCoord->StringGrid1; }
  QLineEdit* Editor() const { return qobject_cast<QLineEdit*>(Table().Editor()); }
  int TextWidth(const QString& text) const {
    return QFontMetrics(Table().font()).horizontalAdvance(text);
  }
  QPoint CellCentre(int col, int row) const {
    return Table().visualRect(Table().model()->index(row, col)).center();
  }
  void Prepare(int markers = 1) {
    Start({MakeImage("site.bmp", 400, 300)});
    form->ToolButtonMarkersClick();
    for (int i = 0; i < markers; ++i) {
      form->SetPointer(12.5 + i, 30);
      form->pageCoord->AddMarker->trigger();
    }
    ASSERT_EQ(form->NumMarkers(), markers);
    ASSERT_TRUE(Table().isVisible());
  }
};

TEST_F(MarkerTableTest, AnOpenEditorScrollsUnderTheHeaderOutOfSight) {
  Prepare(40);
  QScrollBar* bar = Table().verticalScrollBar();
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  const QRect headerStrip(0, 0, Table().viewport()->width(), Table().rowHeight(0));
  const QImage header = Table().viewport()->grab().toImage().copy(headerStrip);
  QTest::mouseClick(Table().viewport(), Qt::LeftButton, {}, CellCentre(3, 1));
  QTest::mouseDClick(Table().viewport(), Qt::LeftButton, {}, CellCentre(3, 1));
  ASSERT_NE(Editor(), nullptr);
  QTest::keyClicks(Editor(), "55");

  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  ASSERT_EQ(Table().TopRow(), 2);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_FALSE(Editor()->isVisible());
  EXPECT_EQ(Table().viewport()->grab().toImage().copy(headerStrip), header);

  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_TRUE(Editor()->isVisible());
  EXPECT_EQ(Editor()->text(), "55");
  EXPECT_EQ(Editor()->geometry().top(), Table().rowHeight(0));
}

TEST_F(MarkerTableTest, ATypedValueWidensItsColumnToShowItWhole) {
  Prepare();
  const QString x = "1234567890.123456";
  QTest::mouseClick(Table().viewport(), Qt::LeftButton, {}, CellCentre(3, 1));
  QTest::mouseDClick(Table().viewport(), Qt::LeftButton, {}, CellCentre(3, 1));
  ASSERT_NE(Editor(), nullptr);
  ASSERT_LT(Table().ColWidth(3), TextWidth(x));
  QTest::keyClicks(Editor(), x);
  QTest::keyClick(Editor(), Qt::Key_Return);
  EXPECT_EQ(Table().Cells(3, 1), x);
  EXPECT_EQ(Table().ColWidth(3), TextWidth(x) + 12);

  // Enter walked to the Y cell; a value left there by clicking another cell is fitted as well.
  ASSERT_EQ(Table().Col(), 4);
  ASSERT_NE(Editor(), nullptr);
  const QString y = "-98765432.25";
  QTest::keyClicks(Editor(), y);
  QTest::mouseClick(Table().viewport(), Qt::LeftButton, {}, CellCentre(1, 1));
  EXPECT_EQ(Table().Cells(4, 1), y);
  EXPECT_EQ(Table().ColWidth(4), TextWidth(y) + 12);
  // The other columns keep their fitted widths.
  EXPECT_EQ(Table().ColWidth(1), TextWidth("x(pixels)") + 12);
}

}  // namespace
}  // namespace zelko::testing
