// Photographs taken at an angle through the real window: the projective fit set from the marker
// table, its vanishing line in the measurement mode, and the oblique sample opened, measured,
// saved and taken back to another method.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <cmath>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/image_page.h"
#include "app/string_grid.h"
#include "app/view_widget.h"
#include "app/widgets.h"
#include "app_fixture.h"

namespace zelko::testing {
namespace {

const char kShort[] =
    "射影変換には、画像座標と物理座標（X と Y）がそろったマーカーが 4 点以上必要です。\n"
    "残差で精度を確かめるには 5 点以上を置いて下さい。";
const char kExactFit[] =
    "変換式はマーカーをちょうど通るため、残差で精度を確かめられません。"
    "マーカーを 1 点以上増やすことをお勧めします。";
const char kVanishing[] =
    "射影変換の消失線（無限遠になる線）が画像を横切っています。消失線の向こう側の点は測れません。"
    "\nマーカーを増やすか、配置や変換式を見直して下さい。\nこの変換式を使いますか。";
const char kBeyond[] =
    "この位置は射影変換の消失線の向こう側（写真の地平線より上）にあり、物理座標がありません。\n"
    "消失線の手前に点を置いて下さい。";
const char kGridOffer[] = "グリッドを表示しますか。";

// X = (a1 + a2·x + a3·y) / w and Y = (b1 + b2·x + b3·y) / w with w = 1 + g·x + h·y, written
// out here rather than taken from the program.
struct Homography {
  double a1, a2, a3, b1, b2, b3, g, h;
  double W(double x, double y) const { return 1 + g * x + h * y; }
  double X(double x, double y) const { return (a1 + a2 * x + a3 * y) / W(x, y); }
  double Y(double x, double y) const { return (b1 + b2 * x + b3 * y) / W(x, y); }
};

class ProjectiveWindowTest : public WindowTest {
 protected:
  CoordPage& Page() const { return *form->pageCoord; }
  StringGrid& Table() const { return *form->pageCoord->StringGrid1; }

  // A grey photograph larger than the view, shown at 100 % from its top left corner, so that a
  // view pixel is an image pixel.
  void OpenPhoto(int w, int h) {
    QImage img(w, h, QImage::Format_RGB888);
    img.fill(QColor(128, 128, 128));
    ASSERT_TRUE(img.save(TempPath("photo.bmp"), "BMP"));
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->pageImage->CheckBoxOptSize->setChecked(false);
    form->pageImage->EditSizeRatio->setText("100");
    form->OpenImageFile(TempPath("photo.bmp"));
    form->PaintPicture(0, 0);
    ASSERT_DOUBLE_EQ(form->View().factor, 1);
    ASSERT_EQ(form->View().XB0, 0);
    ASSERT_EQ(form->View().YB0, 0);
    TakeMessages();
  }

  // The method list driven from the keyboard: the projective method is its last item.
  void ChooseProjectiveByKeyboard() {
    QComboBox* box = Page().ComboBoxGridMethod;
    box->setFocus();
    QTest::keyClick(box, Qt::Key_End);
  }

  void AddMarker(const Homography& t, double x, double y) {
    form->SetPointer(x, y);
    Page().AddMarker->trigger();
    const int r = form->NumMarkers();
    TypeCell(Table(), 3, r, QString::number(t.X(x, y), 'g', 17));
    TypeCell(Table(), 4, r, QString::number(t.Y(x, y), 'g', 17));
  }

  void PressSet() { QTest::mouseClick(Page().ButtonSetMesh, Qt::LeftButton); }

  QPoint ViewAt(double x, double y) const {
    const QPoint p(std::lround(x * form->View().factor - form->View().XB0),
                   std::lround(y * form->View().factor - form->View().YB0));
    EXPECT_TRUE(form->Image1->rect().contains(p)) << x << "," << y;
    return p;
  }
  void MoveTo(double x, double y) { QTest::mouseMove(form->Image1, ViewAt(x, y)); }
  void ClickAt(double x, double y) {
    QTest::mouseClick(form->Image1, Qt::LeftButton, {}, ViewAt(x, y));
  }

  QString FitLabel() const { return form->findChild<QLabel*>("LabelFitQuality")->text(); }
};

void ExpectRelative(const std::vector<double>& actual, const std::vector<double>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_NEAR(actual[i], expected[i], 1e-6 * std::fabs(expected[i])) << i;
}

// ---------------------------------------------------------------- the fit from the table

TEST_F(ProjectiveWindowTest, TheFitNeedsFourMarkersAndShowsItsFreedom) {
  OpenPhoto(1200, 900);
  ChooseProjectiveByKeyboard();
  EXPECT_EQ(Page().ComboBoxGridMethod->currentIndex(), 6);
  EXPECT_EQ(form->Method(), 6);
  EXPECT_FALSE(form->isCoord());
  EXPECT_EQ(Page().GroupBoxMesh->title(), "座標変換（未設定）");

  const Homography t{10, 0.5, 0.2, 400, 0.1, -0.4, 1e-4, -5e-4};
  AddMarker(t, 100, 100);
  AddMarker(t, 1000, 150);
  AddMarker(t, 950, 800);
  PressSet();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Error);
  EXPECT_EQ(dialogs.messages[0].text, kShort);
  TakeMessages();
  EXPECT_FALSE(form->isCoord());
  EXPECT_EQ(Page().GroupBoxMesh->title(), "座標変換（未設定）");
  EXPECT_EQ(Table().ColCount(), 5);

  // Four markers determine it exactly, and nothing is left to check it by.
  AddMarker(t, 150, 750);
  dialogs.answers = {MsgResult::Ok, MsgResult::No};
  PressSet();
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Warning);
  EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(dialogs.messages[0].text, kExactFit);
  EXPECT_EQ(dialogs.messages[1].text, kGridOffer);
  TakeMessages();
  ASSERT_TRUE(form->isCoord());
  EXPECT_EQ(Page().GroupBoxMesh->title(), "座標変換（設定済み）");
  ExpectRelative(form->Cx(), {t.a1, t.a2, t.a3, t.g, t.h});
  ExpectRelative(form->Cy(), {t.b1, t.b2, t.b3, t.g, t.h});
  // The four corners enclose 552 500 of the 1 080 000 pixels.
  EXPECT_TRUE(FitLabel().endsWith("\n自由度: 0\nマーカーの範囲: 画像の 51%"))
      << FitLabel().toStdString();

  // A fifth marker leaves two to spare, and every marker a residual.
  AddMarker(t, 600, 450);
  EXPECT_EQ(Table().ColCount(), 5);
  dialogs.answers = {MsgResult::No};
  PressSet();
  EXPECT_EQ(TakeMessages(), QStringList({kGridOffer}));
  EXPECT_TRUE(FitLabel().endsWith("\n自由度: 2\nマーカーの範囲: 画像の 51%"))
      << FitLabel().toStdString();
  ASSERT_EQ(Table().ColCount(), 9);
  for (int r = 1; r <= 5; ++r)
    for (int c = 5; c < 9; ++c) {
      bool number = false;
      const double v = Table().Cells(c, r).toDouble(&number);
      EXPECT_TRUE(number) << r << ":" << c << " " << Table().Cells(c, r).toStdString();
      EXPECT_LT(std::fabs(v), 1e-3) << r << ":" << c;
    }
  ExpectRelative(form->Cx(), {t.a1, t.a2, t.a3, t.g, t.h});
}

// ---------------------------------------------------------------- the vanishing line

TEST_F(ProjectiveWindowTest, PointsBeyondTheVanishingLineAreRefused) {
  OpenPhoto(1200, 900);
  ChooseProjectiveByKeyboard();
  // A camera looking at the ground, its horizon across the photo at y = 250: the ground lies
  // below it, where w = 1 − 0.004·y is negative.
  const Homography t{120, -0.2, 0, -200, 0, 0, 0, -0.004};
  for (auto [x, y] : {std::pair{200, 400}, {1000, 400}, {1100, 850}, {100, 850}, {600, 600}})
    AddMarker(t, x, y);

  dialogs.answers = {MsgResult::No};
  PressSet();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Warning);
  EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(dialogs.messages[0].text, kVanishing);
  TakeMessages();
  EXPECT_FALSE(form->isCoord());

  dialogs.answers = {MsgResult::Yes, MsgResult::No};
  PressSet();
  EXPECT_EQ(TakeMessages(), QStringList({kVanishing, kGridOffer}));
  ASSERT_TRUE(form->isCoord());

  // The status bar as the pointer crosses the photo.
  MoveTo(600, 150);
  EXPECT_EQ(form->Status(2), "物理座標なし（消失線の向こう側）");
  MoveTo(600, 500);
  const QRegularExpression shown("^物理座標\\(([-0-9.]+), ([-0-9.]+)\\)$");
  const auto inside = shown.match(form->Status(2));
  ASSERT_TRUE(inside.hasMatch()) << form->Status(2).toStdString();
  EXPECT_NEAR(inside.captured(1).toDouble(), t.X(600, 500), 0.05);
  EXPECT_NEAR(inside.captured(2).toDouble(), t.Y(600, 500), 0.05);
  MoveTo(50, 300);
  EXPECT_TRUE(form->Status(2).startsWith("物理座標(")) << form->Status(2).toStdString();
  EXPECT_TRUE(form->Status(2).endsWith(")　マーカーの範囲外")) << form->Status(2).toStdString();

  // In the measurement mode a click beyond the line takes no point; one before it does.
  if (form->State().isAutoTrack) QTest::mouseClick(Tool("ToolButtonAutoTrack"), Qt::LeftButton);
  QTest::mouseClick(Tool("ToolButtonAreaMode"), Qt::LeftButton);
  ASSERT_TRUE(form->State().isAreaMode);
  AreaPage* page = form->pageArea;
  auto* closed = page->RadioGroupLineType->findChild<QRadioButton*>("RadioGroupLineType_1");
  QTest::mouseClick(closed, Qt::LeftButton, {}, QPoint(6, closed->height() / 2));
  QTest::mouseClick(page->ButtonSetArea, Qt::LeftButton);
  ASSERT_EQ(form->State().NumPoints, 0);
  ClickAt(600, 150);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Error);
  EXPECT_EQ(dialogs.messages[0].text, kBeyond);
  TakeMessages();
  EXPECT_EQ(form->State().NumPoints, 0);
  EXPECT_TRUE(form->State().isLineInput);
  ClickAt(50, 300);  // before the line, outside the markers
  ClickAt(600, 500);
  ClickAt(600, 700);
  EXPECT_EQ(form->State().NumPoints, 3);
  QTest::mouseClick(page->ButtonSetArea, Qt::LeftButton);
  EXPECT_TRUE(TakeMessages().isEmpty());
  ASSERT_EQ(form->Lines().size(), 1u);
  EXPECT_EQ(form->Lines()[0].Points.size(), 3u);

  // The group reaches outside the markers: its result carries the sign.
  QTest::mouseClick(page->BitBtnCalArea, Qt::LeftButton);
  EXPECT_TRUE(TakeMessages().isEmpty());
  const StringGrid* results = page->StringGrid3;
  ASSERT_GE(results->RowCount(), 2);
  EXPECT_EQ(results->Cells(1, 1), "C1※");
}

// ---------------------------------------------------------------- the oblique sample

TEST_F(ProjectiveWindowTest, TheObliqueSampleMeasuresSavesAsTwoNineAndUndoesAMethodChange) {
  for (const char* name : {"oblique.pqs", "oblique.jpg"})
    ASSERT_TRUE(QFile::copy(QString(ZELKO_SAMPLE_DIR "/oblique/") + name, TempPath(name)));
  Start();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  dialogs.openFiles.push_back(TempPath("oblique.pqs"));
  QTest::mouseClick(Tool("ToolButtonLoadProject"), Qt::LeftButton);
  ASSERT_EQ(form->State().ProjectFile, TempPath("oblique.pqs"))
      << TakeMessages().join("|").toStdString();
  EXPECT_EQ(TakeMessages(), QStringList());
  // The method and its coefficients as the file holds them.
  ASSERT_EQ(Page().ComboBoxGridMethod->currentIndex(), 6);
  ASSERT_TRUE(form->isCoord());
  const std::vector<double> cx = form->Cx(), cy = form->Cy();
  ASSERT_EQ(cx.size(), 5u);

  QTest::mouseClick(Tool("ToolButtonAreaMode"), Qt::LeftButton);
  ASSERT_TRUE(form->State().isAreaMode);
  QTest::mouseClick(form->pageArea->BitBtnCalArea, Qt::LeftButton);
  EXPECT_EQ(TakeMessages(), QStringList());
  const StringGrid* results = form->pageArea->StringGrid3;
  // The plots' corners lie on whole metres of the ground; none reaches outside the markers.
  EXPECT_EQ(results->Cells(3, 0), "面積(m^2)");
  QMap<QString, double> areas;
  for (int r = 1; r < results->RowCount(); ++r)
    if (results->Cells(1, r).startsWith('C'))
      areas[results->Cells(1, r)] = results->Cells(3, r).toDouble();
  const QMap<QString, double> truth{{"C1", 720}, {"C2", 966}, {"C3", 767.5}, {"C4", 654}};
  EXPECT_EQ(areas.keys(), truth.keys());
  for (const QString& plot : truth.keys())
    EXPECT_NEAR(areas.value(plot), truth[plot], truth[plot] * 1e-3) << plot.toStdString();

  // Saved under a new name, it carries the header of the version that knows the method.
  dialogs.saveFiles.push_back(TempPath("saved.pqs"));
  Action("SaveProject")->trigger();
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(form->State().ProjectFile, TempPath("saved.pqs"));
  EXPECT_EQ(ReadAll(TempPath("saved.pqs")).left(20), QByteArray("Zelko Version 2.9 \0\0", 20));
  dialogs.openFiles.push_back(TempPath("saved.pqs"));
  QTest::mouseClick(Tool("ToolButtonLoadProject"), Qt::LeftButton);
  EXPECT_EQ(TakeMessages(), QStringList());
  ASSERT_EQ(form->State().ProjectFile, TempPath("saved.pqs"));
  EXPECT_EQ(Page().ComboBoxGridMethod->currentIndex(), 6);
  EXPECT_EQ(form->Cx(), cx);
  EXPECT_EQ(form->Cy(), cy);
  EXPECT_EQ(form->Lines().size(), 5u);

  // Another method from the opened list, then the undo key: the projective fit is back.
  if (form->State().isAreaMode) QTest::mouseClick(Tool("ToolButtonAreaMode"), Qt::LeftButton);
  ASSERT_FALSE(form->State().isAreaMode);
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QComboBox* box = Page().ComboBoxGridMethod;
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(box->view()->isVisible());
  for (int i = 0; i < 4; ++i) QTest::keyClick(box->view(), Qt::Key_Up);
  QTest::keyClick(box->view(), Qt::Key_Return);
  EXPECT_EQ(box->currentIndex(), 2);
  EXPECT_EQ(form->Method(), 2);
  EXPECT_FALSE(form->isCoord());
  EXPECT_EQ(CollectedBytes().left(20), QByteArray("Zelko Version 2.8.1 "));
  QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(box->currentIndex(), 6);
  EXPECT_EQ(form->Method(), 6);
  EXPECT_TRUE(form->isCoord());
  EXPECT_EQ(Page().GroupBoxMesh->title(), "座標変換（設定済み）");
  EXPECT_EQ(form->Cx(), cx);
  EXPECT_EQ(form->Cy(), cy);
  EXPECT_EQ(CollectedBytes().left(20), QByteArray("Zelko Version 2.9 \0\0", 20));
}

}  // namespace
}  // namespace zelko::testing
