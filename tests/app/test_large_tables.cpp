// The point table of a project with more rows than are measured whole: its rows are formatted
// as they are shown or asked for, yet every row reads, copies, selects and reports to assistive
// technology as a fully built table would.
#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "app/area_page.h"
#include "app/view_widget.h"
#include "app_fixture.h"
#include "coords/transform.h"
#include "document/numbers.h"
#include "measure/tables.h"

namespace zelko::testing {
namespace {

class LargeTableTest : public WindowTest {
 protected:
  // A photograph with an affine transformation and `groups` groups of 50 points, the measurement
  // mode switched on with its tool button.
  void StartWithGroups(int groups) {
    Start({MakeImage("site.bmp", 400, 300)});
    form->Doc().SetMethod(tmAffine);
    form->Doc().SetTransform({10, 0.5, 0.01}, {-20, -0.02, 0.5}, true);
    form->EditGroups("グループ入力", [&](std::vector<TLine>& lines) {
      for (int g = 0; g < groups; ++g) {
        TLine line;
        line.LineType = static_cast<std::uint8_t>(g % 3);
        line.Sort = 0;
        for (int j = 0; j < 50; ++j)
          line.Points.push_back({"", 20.0 + (g % 10) * 35 + j % 7, 20.0 + (g / 10) * 40 + j / 7});
        line.NumPoints = 50;
        lines.push_back(line);
      }
      return true;
    });
    Tool("ToolButtonAreaMode")->click();
    ASSERT_TRUE(form->State().isAreaMode);
    grid = form->pageArea->StringGrid2;
  }

  QStringList Row(int row) const {
    QStringList out;
    for (int c = 0; c < grid->ColCount(); ++c) out << grid->Cells(c, row);
    return out;
  }

  // Right-clicks the point table and chooses the copy command of its menu.
  void CopyFromMenu() {
    auto done = std::make_shared<bool>(false);
    QTimer::singleShot(0, [this, done] {
      if (auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        form->pageArea->C2->trigger();
        m->close();
      }
      *done = true;
    });
    const QPoint p = grid->visualRect(grid->model()->index(1, 3)).center();
    QContextMenuEvent ev(QContextMenuEvent::Mouse, p, grid->viewport()->mapToGlobal(p));
    QApplication::sendEvent(grid->viewport(), &ev);
    while (!*done) QApplication::processEvents();
  }

  StringGrid* grid = nullptr;
};

TEST_F(LargeTableTest, EveryRowReadsCopiesAndReportsAsTheWholeTable) {
  StartWithGroups(60);  // 3,000 point rows
  const PointTable whole = BuildPointTable(form->Lines(), tmAffine, form->Cx(), form->Cy(),
                                           form->Unit(), form->Decimals());
  ASSERT_EQ(grid->RowCount(), 3002);
  ASSERT_EQ(grid->ColCount(), 7);
  QString expectedText;
  for (std::size_t r = 0; r < whole.cells.size(); ++r) {
    QStringList cells;
    for (const std::string& c : whole.cells[r]) cells << QString::fromStdString(c);
    // The header row is the page's own, kept from before the table was filled.
    if (r == 0) cells = Row(0);
    EXPECT_EQ(Row(static_cast<int>(r)), cells) << r;
    expectedText += cells.join('\t') + "\r\n";
  }
  expectedText += QString("\t").repeated(6) + "\r\n";  // the empty row for the next point

  QApplication::clipboard()->clear();
  CopyFromMenu();
  const QStringList copied = QApplication::clipboard()->text().split("\r\n");
  const QStringList expectedRows = expectedText.split("\r\n");
  ASSERT_EQ(copied.size(), expectedRows.size());
  for (int r = 0; r < copied.size(); ++r) EXPECT_EQ(copied[r], expectedRows[r]) << r;

  // Assistive technology reads any cell, also of rows never shown.
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
  ASSERT_NE(table, nullptr);
  QAccessibleTableInterface* cells = table->tableInterface();
  ASSERT_NE(cells, nullptr);
  EXPECT_EQ(cells->rowCount(), 3002);
  EXPECT_EQ(cells->columnCount(), 7);
  for (int row : {1, 1777, 3000}) {
    QAccessibleInterface* cell = cells->cellAt(row, 6);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), grid->Cells(6, row)) << row;
  }
}

TEST_F(LargeTableTest, AClickOnAFarRowSelectsItsPointInTheView) {
  StartWithGroups(60);
  grid->verticalScrollBar()->setValue(2400);
  QApplication::processEvents();
  const int row = grid->TopRow() + 2;
  ASSERT_GT(row, 2000);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                    grid->visualRect(grid->model()->index(row, 3)).center());
  EXPECT_EQ(grid->Row(), row);
  const auto ref =
      ParsePointRow(grid->Cells(1, row).toStdString(), grid->Cells(2, row).toStdString());
  ASSERT_TRUE(ref);
  const TMarker& p = form->Lines()[ref->group].Points[ref->point];
  const int vx = RoundHalfAway(p.x * form->View().factor - form->View().XB0);
  const int vy = RoundHalfAway(p.y * form->View().factor - form->View().YB0);
  // The selected point is drawn over everything in clPresentPoint (yellow by default).
  EXPECT_EQ(form->Image1->Picture().pixelColor(vx, vy), QColor(255, 255, 0));
}

TEST_F(LargeTableTest, ColumnsFitTheirWidestTextsWithoutFormattingEveryRow) {
  Start({MakeImage("site.bmp", 400, 300)});
  form->Doc().SetMethod(tmAffine);
  form->Doc().SetTransform({10, 0.5, 0.01}, {-20, -0.02, 0.5}, true);
  const std::string longLabel = "とても長い名前の測点";
  form->EditGroups("グループ入力", [&](std::vector<TLine>& lines) {
    for (int g = 0; g < 100; ++g) {
      TLine line;
      line.LineType = ltPoints;
      for (int j = 0; j < 30; ++j) line.Points.push_back({"", 50.0 + j, 60.0 + g});
      line.NumPoints = 30;
      lines.push_back(line);
    }
    lines[47].Points[11].nm = longLabel;
    lines[80].Points[3].x = -1234567.5;  // the widest x, far from the others
    lines[80].Points[3].y = -7654321.5;
    return true;
  });
  Tool("ToolButtonAreaMode")->click();
  grid = form->pageArea->StringGrid2;
  ASSERT_EQ(grid->RowCount(), 3002);
  const QFontMetrics fm(grid->font());
  EXPECT_EQ(grid->ColWidth(2), fm.horizontalAdvance(QString::fromStdString(longLabel)) + 12);
  EXPECT_EQ(grid->ColWidth(3), fm.horizontalAdvance("-1234567.5") + 12);
  EXPECT_EQ(grid->ColWidth(4), fm.horizontalAdvance("-7654321.5") + 12);
  EXPECT_EQ(grid->ColWidth(1),
            std::max(fm.horizontalAdvance("Group"), fm.horizontalAdvance("P100")) + 12);
}

}  // namespace
}  // namespace zelko::testing
