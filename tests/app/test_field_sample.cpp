// The field sample through the window, as the getting-started help page walks it: open the
// project, enter the measurement mode, calculate, and read the category totals.
#include <QFile>
#include <QPushButton>
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
  // A copy of the sample beside its picture, so that nothing here can change the real one.
  QString CopySample() {
    for (const char* name : {"field.pqs", "field.jpg"})
      EXPECT_TRUE(QFile::copy(QString(ZELKO_SAMPLE_DIR "/field/") + name, TempPath(name)));
    return TempPath("field.pqs");
  }

  static QStringList Row(const StringGrid* g, int row) {
    QStringList out;
    for (int c = 0; c < g->ColCount(); ++c) out << g->Cells(c, row);
    return out;
  }
};

TEST_F(FieldSampleWindowTest, OpensMeasuresAndTotalsByCategory) {
  Start();
  dialogs.openFiles.push_back(CopySample());
  QTest::mouseClick(Tool("ToolButtonLoadProject"), Qt::LeftButton);
  ASSERT_EQ(form->ProjectFile, TempPath("field.pqs")) << TakeMessages().join("|").toStdString();
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(form->ImageFile(), TempPath("field.jpg"));
  EXPECT_TRUE(form->isCoord());
  EXPECT_EQ(form->pageCoord->GroupBoxMesh->title(), "座標変換（設定済み）");
  const StringGrid* markers = form->pageCoord->StringGrid1;
  EXPECT_EQ(Row(markers, 0).mid(3), (QStringList{"経度", "緯度"}));
  EXPECT_EQ(markers->RowCount(), 10);  // the header and nine markers
  EXPECT_EQ(Row(markers, 1).mid(3), (QStringList{"139.696", "35.662"}));

  QTest::mouseClick(Tool("ToolButtonAreaMode"), Qt::LeftButton);
  ASSERT_TRUE(form->isAreaMode);
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
  EXPECT_EQ(totals, (QStringList{"水田 合計 1660.5 58725 12", "畑 合計 1192.5 44707 8"}));
  QStringList single;
  for (int r = 1; r < results->RowCount(); ++r)
    if (results->Cells(1, r).startsWith('L') || results->Cells(1, r).startsWith('P'))
      single << Row(results, r).join(" ");
  EXPECT_EQ(single, (QStringList{"農道 L6 372.3 0 9", "樹木 P7 0.0 0 13"}));
}

}  // namespace
}  // namespace zelko::testing
