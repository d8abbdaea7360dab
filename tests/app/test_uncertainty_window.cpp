// The 「±」 of the window: the toggle in the tables' menus, the columns it adds, the status bar,
// and the click precision typed on the coordinate page as an edit that can be undone.
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <initializer_list>
#include <memory>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/image_page.h"
#include "app/string_grid.h"
#include "app_fixture.h"
#include "coords/transform.h"
#include "document/numbers.h"
#include "measure/uncertainty.h"

namespace zelko::testing {
namespace {

class UncertaintyWindowTest : public WindowTest {
 protected:
  // A 400 × 300 photograph at 100 %, the view at the origin, in the measurement mode.
  void StartMeasuring() {
    Start({MakeImage("site.bmp", 400, 300)});
    page = form->pageArea;
    form->pageImage->EditSizeRatio->setText("100");
    form->RefreshWorkingImage();
    form->PaintPicture(0, 0);
    form->ToolButtonAutoTrackClick();
    form->ToolButtonAreaModeClick();
    ASSERT_TRUE(form->State().isAreaMode);
  }

  void InputGroup(int kind, std::initializer_list<QPoint> points) {
    page->PageControl2->setCurrentWidget(page->TabSheetPointInput);
    page->RadioGroupLineType->SetItemIndex(kind);
    form->ButtonSetAreaClick();
    for (const QPoint& p : points) {
      form->Image1MouseMove(p.x(), p.y());
      form->Image1MouseDown(Qt::LeftButton, p.x(), p.y());
    }
    form->ButtonSetAreaClick();
  }

  // Opens the context menu of the table at its first cell and triggers the ± toggle in it;
  // returns whether the menu offered it.
  bool ToggleFromMenu(StringGrid* table) {
    const QPoint at = table->visualRect(table->model()->index(0, 0)).center();
    auto offered = std::make_shared<std::pair<bool, bool>>(false, false);
    QTimer::singleShot(0, [offered] {
      offered->first = true;
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        for (QAction* a : menu->actions())
          if (a->objectName() == "ShowUncertainty" && a->isVisible() && a->isEnabled()) {
            offered->second = true;
            menu->close();
            a->trigger();
            return;
          }
        menu->close();
      }
    });
    QContextMenuEvent ev(QContextMenuEvent::Mouse, at, table->viewport()->mapToGlobal(at));
    QApplication::sendEvent(table->viewport(), &ev);
    while (!offered->first) QApplication::processEvents();
    return offered->second;
  }

  static QStringList Row(const StringGrid* g, int row) {
    QStringList out;
    for (int c = 0; c < g->ColCount(); ++c) out << g->Cells(c, row);
    return out;
  }

  void TypeClickPrecision(const QString& text) {
    QLineEdit* edit = form->pageCoord->EditClickPrecision;
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }

  AreaPage* page = nullptr;
};

TEST_F(UncertaintyWindowTest, TheResultTablesMenuShowsThePlusMinusColumns) {
  StartMeasuring();
  // "無変換": only the clicks. A straight line of two points: 0.3·√2 pixels.
  InputGroup(0, {{10, 10}, {40, 50}});
  InputGroup(1, {{100, 100}, {200, 100}, {200, 180}, {100, 180}});
  QTest::mouseClick(page->BitBtnCalArea, Qt::LeftButton);
  StringGrid* g3 = page->StringGrid3;
  ASSERT_TRUE(g3->isVisible());
  EXPECT_EQ(g3->ColCount(), 5);  // the table as it always was
  EXPECT_FALSE(form->ShowUncertainty->isChecked());

  ASSERT_TRUE(ToggleFromMenu(g3));
  EXPECT_TRUE(form->ShowUncertainty->isChecked());
  ASSERT_EQ(g3->ColCount(), 7);
  EXPECT_EQ(Row(g3, 0),
            QStringList({"分類", "Group", "長さ(pixels)", "±", "面積(pixels^2)", "±", "点数"}));
  EXPECT_EQ(Row(g3, 1).mid(1), QStringList({"L1", "50.0", "0.42", "0.00", "0", "2"}));
  // A rectangle 100 × 80: each corner moves the area by half its diagonal's span.
  const double areaSd = 0.3 * std::sqrt(4 * (0.25 * (80 * 80 + 100 * 100)));
  EXPECT_EQ(g3->Cells(5, 2), QString::fromStdString(SdText(areaSd)));

  // The typed click precision is an edit: twice the precision, twice every ±.
  TypeClickPrecision("0.6");
  EXPECT_EQ(form->Doc().Data().ClickPrecision, 0.6);
  EXPECT_EQ(form->Doc().UndoName(), "クリック精度");
  QTest::mouseClick(page->BitBtnCalArea, Qt::LeftButton);
  EXPECT_EQ(g3->Cells(3, 1), "0.85");
  ASSERT_TRUE(form->Doc().Undo());
  EXPECT_EQ(form->Doc().Data().ClickPrecision, 0.3);
  EXPECT_EQ(form->pageCoord->EditClickPrecision->text(), "0.3");

  // Off again through the same menu: the table as it was.
  QTest::mouseClick(page->BitBtnCalArea, Qt::LeftButton);
  ASSERT_TRUE(ToggleFromMenu(g3));
  EXPECT_EQ(g3->ColCount(), 5);
}

TEST_F(UncertaintyWindowTest, AClickPrecisionThatIsNoSoundNumberIsRefused) {
  StartMeasuring();
  const std::size_t edits = form->Doc().UndoCount();
  for (const char* bad : {"abc", "0", "-1", "2000"}) {
    SCOPED_TRACE(bad);
    TypeClickPrecision(bad);
    EXPECT_EQ(TakeMessages(), QStringList({QString::fromUtf8(kClickPrecisionMessage)}));
    EXPECT_EQ(form->Doc().Data().ClickPrecision, 0.3);
    EXPECT_EQ(form->pageCoord->EditClickPrecision->text(), "0.3");
  }
  EXPECT_EQ(form->Doc().UndoCount(), edits);
}

TEST_F(UncertaintyWindowTest, PointTableAndStatusBarShowThePositionsUncertainty) {
  StartMeasuring();
  // Six markers of an affine fit X = x / 10, Y = 30 − y / 10 in metres, typed a little off.
  const double miss[] = {0.05, -0.04, 0.02, -0.03, 0.04, -0.01};
  const QPoint at[] = {{20, 20}, {380, 30}, {30, 280}, {370, 270}, {200, 150}, {100, 200}};
  for (int k = 0; k < 6; ++k) {
    form->Doc().AddMarker(at[k].x(), at[k].y());
    form->Doc().SetMarkerCell(k, 3, FormatGeneral15(at[k].x() / 10.0 + miss[k]));
    form->Doc().SetMarkerCell(k, 4, FormatGeneral15(30 - at[k].y() / 10.0 - miss[5 - k]));
  }
  form->Doc().SetMethod(tmAffine);
  form->Doc().SetScaleUnit(4);
  form->pageCoord->ComboBoxScaleUnitChange();
  QTest::mouseClick(form->pageCoord->ButtonSetMesh, Qt::LeftButton);
  TakeMessages();
  ASSERT_TRUE(form->isCoord());
  InputGroup(2, {{50, 60}, {300, 250}});
  StringGrid* g2 = page->StringGrid2;
  EXPECT_EQ(g2->ColCount(), 7);

  ASSERT_TRUE(ToggleFromMenu(g2));
  ASSERT_EQ(g2->ColCount(), 9);
  EXPECT_EQ(Row(g2, 0).mid(5), QStringList({"X(m)", "Y(m)", "±X(m)", "±Y(m)"}));
  const UncertaintyModel model{
      FitCovarianceOf(tmAffine, form->pageCoord->MarkerTableRows(), form->Cx(), form->Cy()), 0.3};
  ASSERT_EQ(model.fit.share, FitShare::Known);
  const PositionSd sd = PositionUncertainty(model, tmAffine, form->Cx(), form->Cy(), 300, 250);
  EXPECT_EQ(g2->Cells(7, 2), QString::fromStdString(SdText(sd.x)));
  EXPECT_EQ(g2->Cells(8, 2), QString::fromStdString(SdText(sd.y)));

  form->Image1MouseMove(120, 90);
  const PositionSd here = PositionUncertainty(model, tmAffine, form->Cx(), form->Cy(),
                                              form->State().XPre, form->State().YPre);
  EXPECT_TRUE(form->Status(2).contains(" ±(" + QString::fromStdString(SdText(here.x)) + ", " +
                                       QString::fromStdString(SdText(here.y)) + ")"))
      << form->Status(2).toStdString();

  // Coefficients no markers stand behind: unknown, never 0.
  form->Doc().SetTransform({0, 0.1, 0}, {30, 0, -0.1}, true);
  while (form->NumMarkers() > 4) form->Doc().DeleteMarker(0);
  form->Doc().SetMethod(tmProjective);
  form->Doc().SetTransform({0, 0.1, 0, 0, 0}, {30, 0, -0.1, 0, 0}, true);
  form->FillPointTable();
  EXPECT_EQ(g2->Cells(7, 2), "不明");
  form->Image1MouseMove(300, 250);
  EXPECT_TRUE(form->Status(2).contains("±不明")) << form->Status(2).toStdString();
}

}  // namespace
}  // namespace zelko::testing
