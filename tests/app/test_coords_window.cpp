// The coordinate page through the real window: setting the transformation, the markers and their
// table, the clipboard commands and the grid button.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>
#include <memory>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/frm_symbols.h"
#include "app/image_page.h"
#include "app/note_page.h"
#include "app/string_grid.h"
#include "app/view_widget.h"
#include "app_fixture.h"

namespace zelko::testing {
namespace {

const char kShortX[] = "マーカー数が足りないか、マーカーの\n物理座標が正しく入力されていません。";
const char kShortY[] = "マーカー数が足りません。";
const char kGridOffer[] = "グリッドを表示しますか。";

class CoordsWindowTest : public WindowTest {
 protected:
  CoordPage& Page() const { return *form->pageCoord; }
  StringGrid& Table() const { return *form->pageCoord->StringGrid1; }

  // A plain grey photograph, so that overlay colours stand out in the view picture.
  QString GreyImage(const QString& name, int w, int h) {
    QImage img(w, h, QImage::Format_RGB888);
    img.fill(QColor(128, 128, 128));
    const QString path = TempPath(name);
    EXPECT_TRUE(img.save(path, "BMP"));
    return path;
  }

  // Opens an image at a fixed magnification (percent), not fitted to the view.
  void OpenAt(const QString& path, const QString& percent) {
    Start();
    form->pageImage->CheckBoxOptSize->setChecked(false);
    form->pageImage->EditSizeRatio->setText(percent);
    form->OpenImageFile(path);
    ASSERT_EQ(form->ImageFile(), path);
    TakeMessages();
  }

  // The user's choice in a combo box (runs its change handling, as activation does).
  void Choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
  }

  // A left click on the view, through the view's own signals (and so the general error report).
  void LeftClick(int x, int y) {
    emit form->Image1->MouseMove(x, y);
    emit form->Image1->MouseDown(Qt::LeftButton, x, y);
  }

  void AddMarker(double x, double y, const QString& physicalX = {}, const QString& physicalY = {}) {
    form->SetPointer(x, y);
    Page().AddMarker->trigger();
    const int r = form->NumMarkers();
    if (!physicalX.isEmpty()) TypeCell(Table(), 3, r, physicalX);
    if (!physicalY.isEmpty()) TypeCell(Table(), 4, r, physicalY);
  }

  QStringList Row(int r) const {
    QStringList out;
    for (int c = 0; c < Table().ColCount(); ++c) out << Table().Cells(c, r);
    return out;
  }

  // The cells after the physical columns: the residuals, once a fit has shown them.
  QStringList Columns(int r) const { return Row(r).mid(5); }

  QColor ViewPixel(int x, int y) const { return form->Image1->Picture().pixelColor(x, y); }

  // A grid line at (x, y), allowing for a traced position that truncates one pixel short.
  bool GridNear(int x, int y) const {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (ViewPixel(x + dx, y + dy) == QColor(0, 0, 0)) return true;
    return false;
  }

  // A right-click on the view at (x, y). Returns the menu that opened, after running inMenu on it
  // while it is open; nullptr when no menu opened.
  QMenu* RightClickView(int x, int y, const std::function<void(QMenu*)>& inMenu = {}) {
    form->Image1MouseMove(x, y);
    auto state = std::make_shared<std::pair<bool, QMenu*>>(false, nullptr);
    QTimer::singleShot(0, [state, inMenu] {
      state->first = true;
      if (auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        state->second = m;
        if (inMenu) inMenu(m);
        m->close();
      }
    });
    const QPoint p(x, y);
    // The pointer stays where it was clicked while the menu is open.
    QCursor::setPos(form->Image1->mapToGlobal(p));
    QContextMenuEvent ev(QContextMenuEvent::Mouse, p, form->Image1->mapToGlobal(p));
    QApplication::sendEvent(form->Image1, &ev);
    while (!state->first) QApplication::processEvents();
    return state->second;
  }

  void Key(QWidget* target, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
  }

  void Type(QWidget* target, const QString& text) {
    for (QChar ch : text) Key(target, ch.unicode(), QString(ch));
  }

  void DoubleClickCell(int col, int row) {
    const QRect cell = Table().visualRect(Table().model()->index(row, col));
    const QPointF at = cell.center();
    QMouseEvent press(QEvent::MouseButtonPress, at, Table().viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Table().viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, Table().viewport()->mapToGlobal(at),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Table().viewport(), &release);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, Table().viewport()->mapToGlobal(at),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Table().viewport(), &dbl);
  }

  QLineEdit* CellEditor() const { return qobject_cast<QLineEdit*>(Table().Editor()); }
};

void ExpectCoefficients(const std::vector<double>& actual, const std::vector<double>& expected,
                        double tol = 1e-9) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(actual[i], expected[i], tol) << i;
}

// ---------------------------------------------------------------- setting the transformation

TEST_F(CoordsWindowTest, NoTransformAtHalfMagnificationMeasuresFromTheBottomOfTheFullImage) {
  OpenAt(GreyImage("tall.bmp", 300, 600), "50");
  EXPECT_DOUBLE_EQ(form->View().factor, 0.5);
  EXPECT_EQ(form->View().BitHeight, 300);
  form->Doc().MarkSaved();
  Page().ButtonSetMesh->click();
  EXPECT_TRUE(TakeMessages().isEmpty());
  ExpectCoefficients(form->Cx(), {0, 1, 0});
  ExpectCoefficients(form->Cy(), {600, 0, -1});
  EXPECT_TRUE(form->isCoord());
  EXPECT_EQ(Page().GroupBoxMesh->title(), "座標変換（設定済み）");
  // The transformation opening the image installed is the same one: nothing changed.
  EXPECT_EQ(form->Status(3), "変更なし");
  EXPECT_FALSE(Page().ComboBoxScaleUnit->isEnabled());
  // View pixel (5, 50) is image point (10, 100).
  form->Image1MouseMove(5, 50);
  EXPECT_EQ(form->Status(1), "画像座標(10.0, 100.0)");
  EXPECT_EQ(form->Status(2), "物理座標(10.0, 500.0)");
}

TEST_F(CoordsWindowTest, LinearMethodFromTwoClicksAndATypedLength) {
  OpenAt(GreyImage("tall.bmp", 200, 600), "100");
  Choose(Page().ComboBoxGridMethod, 1);
  EXPECT_FALSE(form->isCoord());
  EXPECT_EQ(Page().GroupBoxMesh->title(), "座標変換（未設定）");
  ASSERT_TRUE(Page().ComboBoxScaleUnit->isEnabled());
  Choose(Page().ComboBoxScaleUnit, 4);
  EXPECT_EQ(Page().EditMeshSizeBox->label()->text(), "グリッド間隔(m)：");
  EXPECT_EQ(Row(0), QStringList({"No.", "x(pixels)", "y(pixels)", "X(m)", "Y(m)"}));

  Page().ButtonSetMesh->click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Confirmation);
  EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(dialogs.messages[0].text, "基準になる長さを画像上で指定して下さい。");
  TakeMessages();
  EXPECT_EQ(form->State().isPointing, 1);
  EXPECT_FALSE(form->isCoord());

  LeftClick(0, 0);
  EXPECT_EQ(form->State().isPointing, 2);
  // While the second end is pending, the rubber line follows the pointer.
  form->Image1MouseMove(30, 40);
  EXPECT_EQ(ViewPixel(15, 20), QColor(255, 0, 0));
  EXPECT_TRUE(TakeMessages().isEmpty());
  EXPECT_FALSE(form->Undo1->isEnabled());  // not while the pick is under way

  // The length can be taken back and set again; what follows is checked after the redo.
  ExpectMarked("reference length", [&] {
    dialogs.inputs.push_back("10");
    LeftClick(30, 40);
  });
  EXPECT_EQ(TakeMessages(), QStringList({"基準線の長さ(m)："}));
  EXPECT_EQ(form->State().isPointing, 0);
  EXPECT_EQ(ViewPixel(15, 20), QColor(128, 128, 128));
  ExpectCoefficients(form->Cx(), {0, 0.2, 0});
  ExpectCoefficients(form->Cy(), {120, 0, -0.2});
  EXPECT_TRUE(form->isCoord());
  EXPECT_EQ(Page().GroupBoxMesh->title(), "座標変換（設定済み）");
  EXPECT_TRUE(form->A2->menuAction()->isEnabled());
  EXPECT_TRUE(Tool("ToolButtonAreaMode")->isEnabled());
  form->Image1MouseMove(100, 50);
  EXPECT_EQ(form->Status(2), "物理座標(20.0, 110.0)");
}

TEST_F(CoordsWindowTest, ReferenceLengthThatSetsNothing) {
  OpenAt(GreyImage("tall.bmp", 200, 600), "100");
  Choose(Page().ComboBoxGridMethod, 1);
  auto pick = [&](QPoint a, QPoint b, const QString& typed) {
    Page().ButtonSetMesh->click();
    LeftClick(a.x(), a.y());
    dialogs.inputs.push_back(typed);
    LeftClick(b.x(), b.y());
    EXPECT_EQ(form->State().isPointing, 0);
    EXPECT_FALSE(form->isCoord());
    EXPECT_EQ(form->Cx().size(), 3u);
    EXPECT_EQ(Page().GroupBoxMesh->title(), "座標変換（未設定）");
    QStringList shown = TakeMessages();
    EXPECT_EQ(shown.value(0), "基準になる長さを画像上で指定して下さい。");
    EXPECT_EQ(shown.value(1), "基準線の長さ(pixels)：");
    return shown.mid(2);
  };
  // Cancelling returns "0"; zero and negative lengths stop without a word.
  EXPECT_TRUE(pick({0, 0}, {30, 40}, "0").isEmpty());
  EXPECT_TRUE(pick({0, 0}, {30, 40}, "-5").isEmpty());
  // A text that is not a number reaches the general error report.
  const QStringList notNumber = pick({0, 0}, {30, 40}, "ten");
  ASSERT_EQ(notNumber.size(), 1);
  EXPECT_FALSE(notNumber[0].isEmpty());
  // Both ends on the same spot: an error, and no infinite scale.
  EXPECT_EQ(pick({20, 20}, {20, 20}, "5"),
            QStringList({"基準線の両端が同じ位置にあります。\n基準線を指定し直して下さい。"}));
}

TEST_F(CoordsWindowTest, AMethodChangeCancelsAPendingPick) {
  OpenAt(GreyImage("tall.bmp", 200, 600), "100");
  Choose(Page().ComboBoxGridMethod, 1);
  Page().ButtonSetMesh->click();
  LeftClick(0, 0);
  form->Image1MouseMove(30, 40);
  ASSERT_EQ(ViewPixel(15, 20), QColor(255, 0, 0));
  TakeMessages();

  Choose(Page().ComboBoxGridMethod, 3);
  EXPECT_EQ(form->State().isPointing, 0);
  // The rubber line is gone at once, and the next click asks for no length.
  EXPECT_EQ(ViewPixel(15, 20), QColor(128, 128, 128));
  LeftClick(30, 40);
  EXPECT_TRUE(TakeMessages().isEmpty());
  EXPECT_FALSE(form->isCoord());
  // The linear method's coefficients went with it; the new method has none until it is set.
  EXPECT_TRUE(form->Cx().empty());
}

class FitTest : public CoordsWindowTest {
 protected:
  void SetUp() override {
    CoordsWindowTest::SetUp();
    OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
    Choose(Page().ComboBoxGridMethod, 2);
    form->Doc().MarkSaved();
  }
  // The markers of these scenes sit in a corner of a large image, so a fit first says how little
  // of it they cover (a plain warning; the fit stands).
  void TakeCoverageAdvice() {
    const auto it =
        std::find_if(dialogs.messages.begin(), dialogs.messages.end(),
                     [](const auto& m) { return m.text.startsWith("マーカーが囲む範囲は画像の"); });
    ASSERT_NE(it, dialogs.messages.end());
    EXPECT_EQ(it->kind, MsgKind::Warning);
    EXPECT_EQ(it->buttons, MsgButtons::Ok);
    dialogs.messages.erase(it);
  }
  // Physical X = 10 + 2x − y and Y = 500 − 0.5y at whole-pixel image positions. The image is
  // larger than the view, so the magnification stays at 100 % whatever the window does.
  void AddAffineMarker(int x, int y, bool withY = true) {
    AddMarker(x, y, QString::number(10 + 2 * x - y),
              withY ? QString::number(500 - 0.5 * y) : QString());
  }
};

TEST_F(FitTest, AffineFitNeedsFourUsableMarkers) {
  const std::vector<double> oldCx = form->Cx(), oldCy = form->Cy();
  AddAffineMarker(10, 20);
  AddAffineMarker(200, 40);
  AddAffineMarker(50, 250);
  form->Doc().MarkSaved();
  Page().ButtonSetMesh->click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Error);
  EXPECT_EQ(dialogs.messages[0].text, kShortX);
  TakeMessages();
  EXPECT_FALSE(form->isCoord());
  EXPECT_EQ(form->Cx(), oldCx);
  EXPECT_EQ(form->Cy(), oldCy);
  EXPECT_EQ(Page().GroupBoxMesh->title(), "座標変換（未設定）");
  EXPECT_EQ(form->Status(3), "変更なし");

  AddAffineMarker(300, 200);
  // The fit can be taken back and made again; what follows is checked after the redo.
  ExpectMarked("affine fit", [&] {
    dialogs.answers.push_back(MsgResult::No);
    Page().ButtonSetMesh->click();
  });
  TakeCoverageAdvice();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, kGridOffer);
  EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::YesNo);
  TakeMessages();
  ExpectCoefficients(form->Cx(), {10, 2, -1});
  ExpectCoefficients(form->Cy(), {500, 0, -0.5});
  EXPECT_TRUE(form->isCoord());
  EXPECT_FALSE(form->State().withMesh);
  EXPECT_EQ(Page().GroupBoxMesh->title(), "座標変換（設定済み）");
  EXPECT_EQ(form->Status(3), "変更あり");
}

TEST_F(FitTest, AnEmptyPhysicalYCellCountsForXOnly) {
  AddAffineMarker(10, 20);
  AddAffineMarker(200, 40);
  AddAffineMarker(50, 250);
  AddAffineMarker(300, 200, false);
  Page().ButtonSetMesh->click();
  EXPECT_EQ(TakeMessages(), QStringList({kShortY}));
  EXPECT_FALSE(form->isCoord());
  // The failed command keeps the coefficients it found.
  ExpectCoefficients(form->Cx(), {0, 1, 0});

  // Rows whose image cells are not numbers are skipped as well, after a word.
  AddAffineMarker(120, 130);
  TypeCell(Table(), 1, 1, "x");
  Page().ButtonSetMesh->click();
  const QString notNumber =
      "マーカー 1 の座標が数値ではありません。\nこのマーカーは変換式の計算に使われません。"
      "\n座標は半角の数字で、小数点には「.」を使って下さい。";
  EXPECT_EQ(TakeMessages(), QStringList({notNumber, kShortY}));

  TypeCell(Table(), 4, 4, "400");
  dialogs.answers.push_back(MsgResult::No);
  dialogs.answers.push_back(MsgResult::No);
  Page().ButtonSetMesh->click();
  TakeCoverageAdvice();
  EXPECT_EQ(TakeMessages(), QStringList({notNumber, kGridOffer}));
  ExpectCoefficients(form->Cx(), {10, 2, -1});
  ExpectCoefficients(form->Cy(), {500, 0, -0.5});
}

TEST_F(FitTest, TheFitReadsTheTableTextNotTheFullPositions) {
  // The table shows one decimal; the marker list keeps 10.04 and 20.04.
  AddMarker(10.04, 20.04, "10.0", "20.0");
  AddMarker(100, 20, "100", "20");
  AddMarker(10, 200, "10", "200");
  AddMarker(100, 200, "100", "200");
  EXPECT_EQ(Table().Cells(1, 1), "10.0");
  EXPECT_DOUBLE_EQ(form->Doc().Data().Markers[0].x, 10.04);
  Page().ButtonSetMesh->click();
  ExpectCoefficients(form->Cx(), {0, 1, 0}, 1e-12);
  ExpectCoefficients(form->Cy(), {0, 0, 1}, 1e-12);
}

TEST_F(FitTest, AcceptingTheGridOfferSwitchesTheGridOn) {
  for (auto [x, y] : {std::pair{0, 0}, {400, 0}, {0, 300}, {400, 300}, {200, 150}})
    AddMarker(x, y, QString::number(x), QString::number(300 - y));
  Page().EditMeshSize->setText("100");
  dialogs.answers.push_back(MsgResult::Ok);
  dialogs.answers.push_back(MsgResult::Yes);
  Page().ButtonSetMesh->click();
  TakeCoverageAdvice();
  EXPECT_EQ(TakeMessages(), QStringList({kGridOffer}));
  EXPECT_TRUE(form->State().withMesh);
  EXPECT_TRUE(Tool("ToolButtonMesh")->isChecked());
  // Y = 200 runs along view row 100 and X = 100 along column 100, in the grid colour.
  EXPECT_TRUE(GridNear(50, 100));
  EXPECT_TRUE(GridNear(100, 50));
  EXPECT_FALSE(GridNear(50, 50));

  // With the grid on, a new fit repaints it without asking.
  TypeCell(Table(), 3, 5, "210");
  Page().ButtonSetMesh->click();
  TakeCoverageAdvice();
  EXPECT_TRUE(TakeMessages().isEmpty());
  EXPECT_TRUE(form->State().withMesh);
}

// ---------------------------------------------------------------- judging a fit

const char kNotNumber[] =
    "マーカー 3, 6 の座標が数値ではありません。\nこのマーカーは変換式の計算に使われません。"
    "\n座標は半角の数字で、小数点には「.」を使って下さい。";
const char kKeepIt[] = "\nこの変換式を使いますか。";

class FitQualityTest : public FitTest {
 protected:
  // A 100-pixel square whose far corner is bent by 20 in X: the plane misses every corner by 5,
  // and the plane through the other three misses it by 20. Y is the image y.
  void AddBentSquare() {
    AddMarker(0, 0, "0", "0");
    AddMarker(100, 0, "100", "0");
    AddMarker(0, 100, "0", "100");
    AddMarker(100, 100, "120", "100");
  }
};

TEST_F(FitQualityTest, ResidualsAndTheirSummaryFollowTheFitAndGoWithAChange) {
  AddBentSquare();
  dialogs.answers.push_back(MsgResult::No);
  Page().ButtonSetMesh->click();
  TakeCoverageAdvice();
  EXPECT_EQ(TakeMessages(), QStringList({kGridOffer}));
  ASSERT_EQ(Table().ColCount(), 9);
  EXPECT_EQ(Columns(0), QStringList({"残差X", "残差Y", "検証残差X", "検証残差Y"}));
  const char* dx[] = {"-5.0", "5.0", "5.0", "-5.0"};
  const char* loo[] = {"-20.0", "20.0", "20.0", "-20.0"};
  for (int r = 1; r <= 4; ++r) {
    EXPECT_EQ(Table().Cells(5, r), dx[r - 1]) << r;
    EXPECT_EQ(Table().Cells(7, r), loo[r - 1]) << r;
    EXPECT_NEAR(Table().Cells(6, r).toDouble(), 0, 1e-9);
  }
  auto* label = Find<QLabel>("LabelFitQuality");
  EXPECT_TRUE(label->isVisibleTo(&Page()));
  EXPECT_EQ(label->text(),
            "残差の二乗平均平方根: 3.5 pixels（X: 5.0、Y: 0.0）\n自由度: 2"
            "\nマーカーの範囲: 画像の 0.9%");

  // The figures are no input: they open no editor, and the marker cells copy as before.
  Table().SetCurrent(5, 1);
  Table().SetEditorMode(true);
  EXPECT_EQ(Table().Editor(), nullptr);
  Table().SetEditorMode(false);
  Table().SetSelection(QRect(QPoint(3, 3), QPoint(4, 4)));
  Page().Copy1->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "0\t100\r\n120\t100\r\n");

  // Typing into a marker cell takes them away.
  DoubleClickCell(3, 4);
  ASSERT_NE(CellEditor(), nullptr);
  Type(CellEditor(), "1");
  Key(CellEditor(), Qt::Key_Return);
  EXPECT_EQ(Table().ColCount(), 5);
  EXPECT_FALSE(label->isVisibleTo(&Page()));

  // So do a method change, a new marker and a paste.
  for (const std::function<void()>& change : std::vector<std::function<void()>>{
           [&] { Choose(Page().ComboBoxGridMethod, 2); }, [&] { AddMarker(50, 50); },
           [&] {
             QApplication::clipboard()->setText("7\t8");
             Table().SetCurrent(3, 5);
             Page().Paste1->trigger();
           }}) {
    dialogs.answers.push_back(MsgResult::No);
    Page().ButtonSetMesh->click();
    TakeMessages();
    ASSERT_EQ(Table().ColCount(), 9);
    change();
    EXPECT_EQ(Table().ColCount(), 5);
    EXPECT_TRUE(label->text().isEmpty());
  }
  EXPECT_EQ(Row(5), QStringList({"5", "50.0", "50.0", "7", "8"}));
}

TEST_F(FitQualityTest, DegreesShowSixDecimalsAndTheProjectFileIgnoresTheFigures) {
  Choose(Page().ComboBoxScaleUnit, 6);
  AddBentSquare();
  dialogs.answers.push_back(MsgResult::No);
  Page().ButtonSetMesh->click();
  EXPECT_EQ(Table().Cells(5, 1), "-5.000000");  // as positions: a metre resolved
  EXPECT_EQ(Table().Cells(8, 0), "検証残差Y");
  EXPECT_NE(Find<QLabel>("LabelFitQuality")->text().indexOf("3.535534 度"), -1);

  const QString shown = TempPath("shown.pqs"), plain = TempPath("plain.pqs");
  ASSERT_TRUE(form->WriteProject(shown));
  Page().ClearFitQuality();
  ASSERT_EQ(Table().ColCount(), 5);
  ASSERT_TRUE(form->WriteProject(plain));
  EXPECT_EQ(ReadAll(shown), ReadAll(plain));
  EXPECT_FALSE(ReadAll(plain).isEmpty());
}

TEST_F(FitQualityTest, CellsThatAreNoNumbersAreMarkedAndNamedBeforeTheFit) {
  for (auto [x, y] : {std::pair{10, 20}, {200, 40}, {50, 250}, {300, 200}, {120, 130}})
    AddAffineMarker(x, y);
  AddMarker(400, 300, "５", "350");
  TypeCell(Table(), 4, 3, "1,5");
  dialogs.answers.push_back(MsgResult::No);
  Page().ButtonSetMesh->click();
  TakeCoverageAdvice();
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Warning);
  EXPECT_EQ(dialogs.messages[0].text, kNotNumber);
  EXPECT_EQ(dialogs.messages[1].text, kGridOffer);
  TakeMessages();
  EXPECT_TRUE(form->isCoord());
  ExpectCoefficients(form->Cx(), {10, 2, -1});
  EXPECT_EQ(Table().CellBackground(3, 6), QColor(255, 200, 200));
  EXPECT_EQ(Table().CellBackground(4, 3), QColor(255, 200, 200));
  EXPECT_FALSE(Table().CellBackground(4, 6).isValid());
  // The rows left out of a pass have no residual there.
  EXPECT_EQ(Table().Cells(5, 6), "-");
  EXPECT_EQ(Table().Cells(6, 3), "-");
  EXPECT_NEAR(Table().Cells(5, 3).toDouble(), 0, 1e-9);

  // Too few markers left: the message still comes first, the cells stay marked.
  Choose(Page().ComboBoxGridMethod, 4);
  Page().ButtonSetMesh->click();
  EXPECT_EQ(TakeMessages(), QStringList({kNotNumber, kShortX}));
  EXPECT_EQ(Table().CellBackground(3, 6), QColor(255, 200, 200));
}

TEST_F(FitQualityTest, LayoutsThatCannotDetermineTheFitAndFoldsWarnBeforeTheGridOffer) {
  const std::vector<double> oldCx = form->Cx();
  for (int i = 0; i < 5; ++i) AddMarker(100, 200, "5", "5");
  const QString spot = QString(
                           "すべてのマーカーがほぼ同じ位置にあるため、変換式が定まりません。\n"
                           "マーカーを増やすか、配置や変換式を見直して下さい。") +
                       kKeepIt;
  dialogs.answers.push_back(MsgResult::No);
  Page().ButtonSetMesh->click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Warning);
  EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(dialogs.messages[0].text, spot);
  TakeMessages();
  EXPECT_FALSE(form->isCoord());
  EXPECT_EQ(form->Cx(), oldCx);
  EXPECT_EQ(Table().ColCount(), 5);

  // Kept on purpose: set as any other fit.
  dialogs.answers.push_back(MsgResult::Yes);
  dialogs.answers.push_back(MsgResult::No);
  Page().ButtonSetMesh->click();
  EXPECT_EQ(TakeMessages(), QStringList({spot, kGridOffer}));
  EXPECT_TRUE(form->isCoord());
  EXPECT_EQ(Page().GroupBoxMesh->title(), "座標変換（設定済み）");

  // A cubic on markers between x = 300 and 900 that turns back near the image's sides.
  for (int i = 5; i >= 1; --i) Page().DeleteMarkerAt(i - 1);
  Choose(Page().ComboBoxGridMethod, 5);
  for (int x : {300, 500, 700, 900})
    for (int y : {200, 400, 600, 800})
      AddMarker(x, y, QString::number(x - 2e-6 * std::pow(x - 600, 3), 'g', 17),
                QString::number(y));
  dialogs.answers.push_back(MsgResult::Yes);
  dialogs.answers.push_back(MsgResult::No);
  Page().ButtonSetMesh->click();
  EXPECT_EQ(
      TakeMessages(),
      QStringList({QString("変換式が画像の中で折り返しています（座標の向きが逆になる部分があり"
                           "ます）。\nマーカーを増やすか、配置や変換式を見直して下さい。") +
                       kKeepIt,
                   kGridOffer}));
  EXPECT_TRUE(form->isCoord());
}

TEST_F(FitQualityTest, AnArithmeticFaultIsReported) {
  AddMarker(0, 0, "1e308", "0");
  AddMarker(100, 0, "1.7e308", "0");
  AddMarker(0, 100, "1.7e308", "10");
  AddMarker(100, 100, "1.7e308", "10");
  Page().ButtonSetMesh->click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Error);
  EXPECT_EQ(dialogs.messages[0].text,
            "変換式の計算中に演算エラーが発生しました。\nマーカーの座標の値を確かめて下さい。");
  EXPECT_FALSE(form->isCoord());
  EXPECT_EQ(Table().ColCount(), 5);
}

TEST_F(CoordsWindowTest, AReferenceLengthShowsHowTheMarkersAgree) {
  OpenAt(GreyImage("tall.bmp", 200, 600), "100");
  AddMarker(100, 50, "21", "");
  AddMarker(20, 60);
  Choose(Page().ComboBoxGridMethod, 1);
  Page().ButtonSetMesh->click();
  LeftClick(0, 0);
  dialogs.inputs.push_back("10");
  LeftClick(30, 40);
  TakeMessages();
  ASSERT_TRUE(form->isCoord());
  // X = 0.2x: the typed 21 is 1 too large; nothing was fitted to the markers.
  ASSERT_EQ(Table().ColCount(), 9);
  EXPECT_EQ(Columns(1), QStringList({"-1.0", "-", "-1.0", "-"}));
  EXPECT_EQ(Columns(2), QStringList({"-", "-", "-", "-"}));
  EXPECT_EQ(Find<QLabel>("LabelFitQuality")->text(),
            "残差の二乗平均平方根: 1.0 pixels（X: 1.0、Y: 0.0）\n自由度: 1");
}

TEST_F(CoordsWindowTest, DegreesRelabelTheTablesAndTheGridInterval) {
  OpenAt(GreyImage("map.bmp", 200, 100), "100");
  Choose(Page().ComboBoxGridMethod, 2);
  Choose(Page().ComboBoxScaleUnit, 6);
  EXPECT_EQ(form->State().ScaleUnit, "度");
  EXPECT_EQ(Table().Cells(3, 0), "経度");
  EXPECT_EQ(Table().Cells(4, 0), "緯度");
  EXPECT_EQ(Page().EditMeshSizeBox->label()->text(), "グリッド間隔(度)：");
  EXPECT_EQ(form->pageArea->StringGrid2->ColCount(), 7);
  EXPECT_EQ(form->pageArea->StringGrid2->Cells(5, 0), "経度");
  // Back to "無変換": the unit returns to pixels and is locked.
  Choose(Page().ComboBoxGridMethod, 0);
  EXPECT_EQ(Table().Cells(3, 0), "X(pixels)");
  EXPECT_FALSE(Page().ComboBoxScaleUnit->isEnabled());
  EXPECT_EQ(form->pageArea->StringGrid2->ColCount(), 5);
}

// ---------------------------------------------------------------- the grid button

TEST_F(CoordsWindowTest, GridButtonMessages) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  QToolButton* grid = Tool("ToolButtonMesh");

  Choose(Page().ComboBoxGridMethod, 2);
  grid->click();
  EXPECT_EQ(TakeMessages(),
            QStringList({"座標変換がまだ完了していません。\n座標変換式を設定してください。"}));
  EXPECT_FALSE(form->State().withMesh);
  EXPECT_FALSE(grid->isChecked());

  Choose(Page().ComboBoxGridMethod, 0);
  Page().ButtonSetMesh->click();
  for (const char* bad : {"0", "abc", "-100"}) {
    Page().EditMeshSize->setText(bad);
    grid->click();
    EXPECT_EQ(TakeMessages(),
              QStringList({"グリッド描画でエラー発生",
                           "グリッドは全画像領域にわたり正しく描画されませんでした。\n"
                           "変換式の変更、マーカーの修正もしくは追加を行って下さい。"}))
        << bad;
    // The grid goes off after the one report, so a repaint does not report it again.
    EXPECT_FALSE(form->State().withMesh);
    EXPECT_FALSE(grid->isChecked());
    form->PaintPicture(-1, -1);
    EXPECT_TRUE(TakeMessages().isEmpty());
  }

  Page().EditMeshSize->setText("100");
  grid->click();
  EXPECT_TRUE(TakeMessages().isEmpty());
  // Method 0 over an image 900 high: Y = 700 at row 200, X = 300 at column 300.
  EXPECT_EQ(ViewPixel(10, 200), QColor(0, 0, 0));
  EXPECT_EQ(ViewPixel(300, 10), QColor(0, 0, 0));
  EXPECT_EQ(ViewPixel(150, 150), QColor(128, 128, 128));
  grid->click();
  EXPECT_EQ(ViewPixel(10, 200), QColor(128, 128, 128));
}

// ---------------------------------------------------------------- markers

TEST_F(CoordsWindowTest, MarkerModeTogglesTheViewMenu) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  EXPECT_EQ(RightClickView(50, 50), nullptr);

  Tool("ToolButtonMarkers")->click();
  EXPECT_TRUE(form->State().isMarked);
  EXPECT_TRUE(Tool("ToolButtonMarkers")->isChecked());
  EXPECT_EQ(form->Status(4), "右クリックでマーカーを指定して下さい");
  EXPECT_EQ(form->PageControl1->currentIndex(), 1);

  QMap<QString, bool> enabled;
  auto record = [&](QMenu* m) {
    for (QAction* a : m->actions()) enabled[a->objectName()] = a->isEnabled();
  };
  QMenu* menu = RightClickView(50, 60, record);
  ASSERT_EQ(menu, Page().PopupMenuMarkers);
  EXPECT_TRUE(enabled["AddMarker"]);
  EXPECT_FALSE(enabled["DeleteMarker"]);
  EXPECT_FALSE(enabled["SearchMarker"]);
  EXPECT_FALSE(enabled["CorrectMarker"]);
  // The right-click position is where the marker goes.
  RightClickView(50, 60, [&](QMenu*) { Page().AddMarker->trigger(); });
  EXPECT_EQ(form->NumMarkers(), 1);
  EXPECT_EQ(Row(1), QStringList({"1", "50.0", "60.0", "", ""}));
  // The marker is drawn: its cross in the marker colour.
  EXPECT_EQ(ViewPixel(50, 60), QColor(255, 0, 0));
  RightClickView(10, 10, record);
  EXPECT_TRUE(enabled["DeleteMarker"]);
  EXPECT_TRUE(enabled["SearchMarker"]);
  EXPECT_TRUE(enabled["CorrectMarker"]);

  Tool("ToolButtonMarkers")->click();
  EXPECT_FALSE(form->State().isMarked);
  EXPECT_EQ(form->Status(4), "");
  EXPECT_EQ(ViewPixel(50, 60), QColor(128, 128, 128));
  EXPECT_EQ(RightClickView(50, 60), nullptr);
}

TEST_F(CoordsWindowTest, ThePointMenuOpensOnTheViewOnlyWithPointsInTheTable) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  Tool("ToolButtonAreaMode")->click();
  ASSERT_TRUE(form->State().isAreaMode);
  ASSERT_FALSE(form->Menu_Coord->isEnabled());
  EXPECT_EQ(RightClickView(50, 50), nullptr);
  form->pageArea->ButtonSetArea->click();
  LeftClick(50, 50);
  ASSERT_GT(form->pageArea->StringGrid2->RowCount(), 2);
  bool copyVisible = true;
  QMenu* menu =
      RightClickView(60, 60, [&](QMenu*) { copyVisible = form->pageArea->C2->isVisible(); });
  EXPECT_EQ(menu, form->pageArea->PopupMenuLine);
  // Opened on the view, the menu has no table to copy.
  EXPECT_FALSE(copyVisible);

  // The marker button leaves the measurement mode and brings the marker menu back.
  form->pageArea->ButtonSetArea->click();
  Tool("ToolButtonMarkers")->click();
  EXPECT_FALSE(form->State().isAreaMode);
  EXPECT_FALSE(Tool("ToolButtonAreaMode")->isChecked());
  EXPECT_TRUE(form->PageControl1->isTabVisible(1));
  EXPECT_FALSE(form->PageControl1->isTabVisible(2));
  EXPECT_TRUE(form->Menu_Coord->isEnabled());
  EXPECT_EQ(RightClickView(60, 60), Page().PopupMenuMarkers);
}

TEST_F(CoordsWindowTest, AddingFillsTheRowAndKeepsTheFullPosition) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  Tool("ToolButtonMarkers")->click();
  form->Doc().MarkSaved();
  AddMarker(12.34, 56.78);
  EXPECT_EQ(form->NumMarkers(), 1);
  EXPECT_EQ(Table().RowCount(), 2);
  EXPECT_EQ(Row(1), QStringList({"1", "12.3", "56.8", "", ""}));
  EXPECT_DOUBLE_EQ(form->Doc().Data().Markers[0].x, 12.34);
  EXPECT_DOUBLE_EQ(form->Doc().Data().Markers[0].y, 56.78);
  AddMarker(100.05, 7);
  EXPECT_EQ(Table().RowCount(), 3);
  EXPECT_EQ(Row(2), QStringList({"2", "100.1", "7.0", "", ""}));
  EXPECT_EQ(Table().Row(), 2);
  // Placing markers is unsaved work.
  EXPECT_EQ(form->Status(3), "変更あり");
}

TEST_F(CoordsWindowTest, DeletingFromTheTableRenumbersTheRowsBelow) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  AddMarker(10, 10, "1", "11");
  AddMarker(20, 20, "2", "22");
  AddMarker(30, 30, "3", "33");
  Table().SetRow(2);
  dialogs.answers.push_back(MsgResult::No);
  Page().D1->trigger();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Confirmation);
  EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(dialogs.messages[0].text, "このマーカーを削除しますか。");
  TakeMessages();
  EXPECT_EQ(form->NumMarkers(), 3);

  dialogs.answers.push_back(MsgResult::Yes);
  Page().D1->trigger();
  EXPECT_EQ(form->NumMarkers(), 2);
  EXPECT_EQ(Table().RowCount(), 4);
  EXPECT_EQ(Row(1), QStringList({"1", "10.0", "10.0", "1", "11"}));
  EXPECT_EQ(Row(2), QStringList({"2", "30.0", "30.0", "3", "33"}));
  EXPECT_EQ(Row(3), QStringList({"", "", "", "", ""}));
  EXPECT_DOUBLE_EQ(form->Doc().Data().Markers[1].x, 30);
  // The row highlight was only for the question.
  EXPECT_EQ(Table().selectionBehavior(), QAbstractItemView::SelectItems);

  // An empty row holds no marker: nothing to delete.
  Table().SetRow(3);
  dialogs.answers.push_back(MsgResult::Yes);
  Page().D1->trigger();
  EXPECT_EQ(form->NumMarkers(), 2);

  // A new marker takes the first empty row, and the surplus row goes.
  AddMarker(40, 40);
  EXPECT_EQ(Row(3), QStringList({"3", "40.0", "40.0", "", ""}));
  EXPECT_EQ(Table().RowCount(), 4);
}

TEST_F(CoordsWindowTest, NearestMarkerTiesGoToTheLowerNumber) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  AddMarker(10, 10, "a");
  AddMarker(30, 10, "b");
  AddMarker(100, 100, "c");
  Table().SetRow(3);
  form->SetPointer(20, 10);
  Page().SearchMarker->trigger();
  EXPECT_EQ(Table().Row(), 1);
  Page().DeleteMarker->trigger();
  EXPECT_TRUE(dialogs.messages.empty());  // no question from the view
  EXPECT_EQ(form->NumMarkers(), 2);
  EXPECT_EQ(Row(1), QStringList({"1", "30.0", "10.0", "b", ""}));
  EXPECT_EQ(Row(2), QStringList({"2", "100.0", "100.0", "c", ""}));
  EXPECT_EQ(Table().RowCount(), 4);
  // With one marker left, that one goes wherever the click is.
  Page().DeleteMarker->trigger();
  form->SetPointer(0, 0);
  Page().DeleteMarker->trigger();
  EXPECT_EQ(form->NumMarkers(), 0);
  EXPECT_EQ(Row(1), QStringList({"", "", "", "", ""}));
}

TEST_F(CoordsWindowTest, CorrectMovesTheSelectedRowsMarkerOnly) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  AddMarker(10, 10, "5", "6");
  AddMarker(20, 20, "7", "8");
  Table().SetRow(1);
  form->SetPointer(55.55, 66.66);
  Page().CorrectMarker->trigger();
  EXPECT_EQ(Row(1), QStringList({"1", "55.6", "66.7", "5", "6"}));
  EXPECT_DOUBLE_EQ(form->Doc().Data().Markers[0].x, 55.55);
  EXPECT_EQ(Row(2), QStringList({"2", "20.0", "20.0", "7", "8"}));

  // A row below the markers: nothing happens.
  Table().SetRow(2);
  dialogs.answers.push_back(MsgResult::Yes);
  Page().D1->trigger();
  ASSERT_EQ(form->NumMarkers(), 1);
  Table().SetRow(2);
  Page().CorrectMarker->trigger();
  EXPECT_EQ(Row(2), QStringList({"", "", "", "", ""}));
  EXPECT_DOUBLE_EQ(form->Doc().Data().Markers[0].x, 55.55);
}

TEST_F(CoordsWindowTest, SelectingARowShowsTheMarkersAndHighlightsItsNumber) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  AddMarker(100, 100);
  AddMarker(200, 100);
  if (form->State().isMarked) Tool("ToolButtonMarkers")->click();
  ASSERT_FALSE(form->State().isMarked);
  Table().SetRow(2);
  auto yellowNear = [&](int x, int y) {
    int count = 0;
    for (int dy = -30; dy < 0; ++dy)
      for (int dx = 0; dx < 30; ++dx)
        if (ViewPixel(x + dx, y + dy) == QColor(255, 255, 0)) ++count;
    return count;
  };
  Table().SetRow(1);
  EXPECT_TRUE(form->State().isMarked);
  EXPECT_TRUE(Tool("ToolButtonMarkers")->isChecked());
  EXPECT_GT(yellowNear(100, 100), 0);
  EXPECT_EQ(yellowNear(200, 100), 0);
  Table().SetRow(2);
  EXPECT_EQ(yellowNear(100, 100), 0);
  EXPECT_GT(yellowNear(200, 100), 0);
  // The pressed button brings its menu with it.
  EXPECT_EQ(RightClickView(50, 50), Page().PopupMenuMarkers);
}

// ---------------------------------------------------------------- editing the table

TEST_F(CoordsWindowTest, TypingNeedsTheEditorAndEnterWalksThePhysicalCells) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  AddMarker(10, 10);
  AddMarker(20, 20);
  QApplication::setActiveWindow(form.get());
  Table().setFocus();
  Table().SetCurrent(3, 1);
  form->Doc().MarkSaved();

  // Without the editor a typed key changes no cell, but still counts as a change.
  Type(&Table(), "9");
  EXPECT_EQ(Table().Cells(3, 1), "");
  EXPECT_EQ(Table().Col(), 3);
  EXPECT_EQ(form->Status(3), "変更あり");

  DoubleClickCell(3, 1);
  ASSERT_TRUE(Table().EditorMode());
  ASSERT_NE(CellEditor(), nullptr);
  form->Doc().MarkSaved();
  Type(CellEditor(), "12.5");
  EXPECT_EQ(form->Status(3), "変更あり");
  Key(CellEditor(), Qt::Key_Return);
  EXPECT_EQ(Table().Cells(3, 1), "12.5");
  EXPECT_EQ(Table().Col(), 4);
  EXPECT_EQ(Table().Row(), 1);
  ASSERT_NE(CellEditor(), nullptr);
  Type(CellEditor(), "7");
  Key(CellEditor(), Qt::Key_Return);
  EXPECT_EQ(Table().Cells(4, 1), "7");
  EXPECT_EQ(Table().Col(), 3);
  EXPECT_EQ(Table().Row(), 2);
  Type(CellEditor(), "-3");
  Key(CellEditor(), Qt::Key_Enter);
  Type(CellEditor(), "4");
  Key(CellEditor(), Qt::Key_Return);
  // The Y cell of the last marker row keeps the editor where it is.
  EXPECT_EQ(Table().Cells(3, 2), "-3");
  EXPECT_EQ(Table().Cells(4, 2), "4");
  EXPECT_EQ(Table().Col(), 4);
  EXPECT_EQ(Table().Row(), 2);
  EXPECT_TRUE(Table().EditorMode());
  ASSERT_NE(CellEditor(), nullptr);

  // Another cell ends the editing and keeps the text.
  // (The editor opens with its text selected, so typing replaces it.)
  Type(CellEditor(), "0");
  Table().SetCurrent(3, 1);
  EXPECT_FALSE(Table().EditorMode());
  EXPECT_EQ(Table().Cells(4, 2), "0");
  Type(&Table(), "5");
  EXPECT_EQ(Table().Cells(3, 1), "12.5");

  // Enter alone switches the editor on; leaving the table switches it off.
  Key(&Table(), Qt::Key_Return);
  ASSERT_TRUE(Table().EditorMode());
  EXPECT_EQ(Table().Col(), 4);
  ASSERT_NE(CellEditor(), nullptr);
  CellEditor()->setFocus();
  Type(CellEditor(), "1");
  Page().EditMeshSize->setFocus();
  EXPECT_FALSE(Table().EditorMode());
  EXPECT_EQ(Table().Editor(), nullptr);
  EXPECT_EQ(Table().Cells(4, 1), "1");
}

TEST_F(CoordsWindowTest, PasteWritesTheBlockAtTheSelectionAndClipsIt) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  AddMarker(10, 10);
  AddMarker(20, 20);
  QClipboard* clip = QApplication::clipboard();
  form->Doc().MarkSaved();

  clip->setText("1\t2\r\n3\t4\r\n");
  Table().SetCurrent(3, 1);
  Page().Paste1->trigger();
  EXPECT_EQ(Row(1), QStringList({"1", "10.0", "10.0", "1", "2"}));
  EXPECT_EQ(Row(2), QStringList({"2", "20.0", "20.0", "3", "4"}));
  EXPECT_EQ(Table().RowCount(), 3);
  EXPECT_EQ(form->Status(3), "変更あり");

  clip->setText("5\t7");
  Table().SetCurrent(3, 2);
  Page().Paste1->trigger();
  EXPECT_EQ(Row(2), QStringList({"2", "20.0", "20.0", "5", "7"}));
  clip->setText("8\t9\r\n");
  Page().Paste1->trigger();
  EXPECT_EQ(Row(2), QStringList({"2", "20.0", "20.0", "8", "9"}));

  // What does not fit is dropped; the table does not grow and the markers stay.
  clip->setText("a\tb\tc\r\nd\te\tf");
  Table().SetCurrent(4, 2);
  Page().Paste1->trigger();
  EXPECT_EQ(Row(2), QStringList({"2", "20.0", "20.0", "8", "a"}));
  EXPECT_EQ(Table().RowCount(), 3);
  // Image cells take the text, the marker list does not follow.
  clip->setText("99.9");
  Table().SetCurrent(1, 1);
  Page().Paste1->trigger();
  EXPECT_EQ(Table().Cells(1, 1), "99.9");
  EXPECT_DOUBLE_EQ(form->Doc().Data().Markers[0].x, 10);
}

TEST_F(CoordsWindowTest, CopyAndCutTheSelectedRectangle) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  AddMarker(10, 10, "x1", "y1");
  AddMarker(20, 20, "x2", "");
  QClipboard* clip = QApplication::clipboard();
  Table().SetCurrent(3, 1);
  Table().SetSelection(QRect(QPoint(3, 1), QPoint(4, 2)));
  Page().Paste1->setEnabled(false);
  Page().Copy1->trigger();
  EXPECT_EQ(clip->text(), "x1\ty1\r\nx2\t\r\n");
  EXPECT_TRUE(Page().Paste1->isEnabled());
  EXPECT_EQ(Table().Cells(3, 1), "x1");

  Table().SetSelection(QRect(QPoint(1, 2), QPoint(3, 2)));
  Page().C3->trigger();
  EXPECT_EQ(clip->text(), "20.0\t20.0\tx2\r\n");
  EXPECT_EQ(Row(2), QStringList({"2", "", "", "", ""}));

  // With the editor open the commands work on its text.
  Table().SetCurrent(3, 1);
  Table().SetEditorMode(true);
  ASSERT_NE(CellEditor(), nullptr);
  CellEditor()->setSelection(1, 1);
  Page().Copy1->trigger();
  EXPECT_EQ(clip->text(), "1");
  CellEditor()->selectAll();
  Page().C3->trigger();
  EXPECT_EQ(clip->text(), "x1");
  EXPECT_EQ(CellEditor()->text(), "");
  clip->setText("z");
  Page().Paste1->trigger();
  EXPECT_EQ(CellEditor()->text(), "z");
  Table().SetEditorMode(false);
  EXPECT_EQ(Table().Cells(3, 1), "z");
  EXPECT_EQ(Table().Cells(4, 1), "y1");

  // The whole table, header included, every row ended by CR LF.
  Page().CopyTable->trigger();
  EXPECT_EQ(clip->text(),
            "No.\tx(pixels)\ty(pixels)\tX(pixels)\tY(pixels)\r\n"
            "1\t10.0\t10.0\tz\ty1\r\n"
            "2\t\t\t\t\r\n");
}

TEST_F(CoordsWindowTest, ARightClickOnTheTableOpensItsMenuWithoutMovingTheCell) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  AddMarker(10, 10);
  AddMarker(20, 20);
  Table().SetCurrent(3, 1);
  const QPoint at = Table().visualRect(Table().model()->index(2, 4)).center();
  const QPoint global = Table().viewport()->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::RightButton, Qt::RightButton,
                    Qt::NoModifier);
  QApplication::sendEvent(Table().viewport(), &press);
  auto shown = std::make_shared<std::pair<bool, QMenu*>>(false, nullptr);
  QTimer::singleShot(0, [shown] {
    shown->first = true;
    shown->second = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (shown->second) shown->second->close();
  });
  QContextMenuEvent ev(QContextMenuEvent::Mouse, at, global);
  QApplication::sendEvent(Table().viewport(), &ev);
  while (!shown->first) QApplication::processEvents();
  EXPECT_EQ(shown->second, Page().PopupMenuTable);
  EXPECT_EQ(Table().Col(), 3);
  EXPECT_EQ(Table().Row(), 1);
  EXPECT_EQ(Table().Selection(), QRect(QPoint(3, 1), QPoint(3, 1)));
}

TEST_F(CoordsWindowTest, TheTableMenuShowsItsItemsByClipboardAndResults) {
  OpenAt(GreyImage("photo.bmp", 1200, 900), "100");
  QClipboard* clip = QApplication::clipboard();
  clip->clear();
  Page().PopupMenuTablePopup();
  EXPECT_FALSE(Page().Paste1->isEnabled());
  clip->setText("1");
  Page().PopupMenuTablePopup();
  EXPECT_TRUE(Page().Paste1->isEnabled());
  for (QAction* a : {Page().Copy1, Page().C3, Page().Paste1, Page().D1})
    EXPECT_TRUE(a->isVisible());
  form->SetResultTableShown(true);
  Page().PopupMenuTablePopup();
  for (QAction* a : {Page().Copy1, Page().C3, Page().Paste1, Page().D1})
    EXPECT_FALSE(a->isVisible());
  EXPECT_TRUE(Page().CopyTable->isVisible());
}

// Each edit of the markers, the transformation, the image adjustments, the notes and the
// overlays' look, made through its own control, leaves the document changed.
TEST_F(CoordsWindowTest, EveryEditOfMarkersTransformationImageNotesAndSymbolsMarksTheDocument) {
  OpenAt(GreyImage("photo.bmp", 400, 300), "100");
  auto clickBox = [](QAbstractButton* b) {
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
  };
  ImagePage& image = *form->pageImage;
  ExpectMarked("contrast check box", [&] { clickBox(image.CheckBoxContrast); });
  ExpectMarked("contrast strength", [&] { QTest::keyClick(image.TrackBar1, Qt::Key_Right); });
  ExpectMarked("colour correction check box", [&] { clickBox(image.CheckBoxAdjustRGB); });
  ExpectMarked("colour balance", [&] { QTest::keyClick(image.ScrollBarR, Qt::Key_Right); });
  ExpectMarked("rotation choice",
               [&] { clickBox(image.findChild<QRadioButton*>("RadioGroupAngle_2")); });
  clickBox(image.findChild<QRadioButton*>("RadioGroupAngle_4"));
  ExpectMarked("rotation angle", [&] { Type(image.EditAngle, "5"); });

  ExpectMarked("add a marker", [&] { AddMarker(10, 10); });
  AddMarker(200, 20);
  AddMarker(20, 200);
  ExpectMarked("type a marker's coordinate", [&] { TypeCell(Table(), 3, 1, "100"); });
  ExpectMarked("correct a marker", [&] {
    Table().SetRow(2);
    form->SetPointer(210, 25);
    Page().CorrectMarker->trigger();
  });
  ExpectMarked("cut a cell", [&] {
    Table().SetCurrent(3, 1);
    Page().C3->trigger();
  });
  ExpectMarked("paste a cell", [&] {
    QApplication::clipboard()->setText("42");
    Table().SetCurrent(4, 2);
    Page().Paste1->trigger();
  });
  ExpectMarked("delete a marker", [&] {
    form->SetPointer(20, 200);
    Page().DeleteMarker->trigger();
  });
  EXPECT_EQ(form->NumMarkers(), 2);

  ExpectMarked("method", [&] { Choose(Page().ComboBoxGridMethod, 2); });
  ExpectMarked("unit", [&] { Choose(Page().ComboBoxScaleUnit, 3); });
  ExpectMarked("grid interval", [&] { Type(Page().EditMeshSize, "5"); });
  ExpectMarked("decimal places", [&] { Type(form->EditNumDecimal, "2"); });

  ExpectMarked("notes", [&] { Type(form->pageNote->Memo1, "x"); });
  ExpectMarked("notes font", [&] {
    dialogs.fonts.push_back(QFont("IPAGothic", 13));
    form->pageNote->ButtonMemoFont->click();
  });
  SymbolSettings bigger = form->State().sym;
  bigger.MarkerSize = 9;
  form->ApplySymbols(bigger);
  ExpectMarked("reset the symbols",
               [&] { form->FrmSymbols->findChild<QPushButton*>("Button1")->click(); });
  EXPECT_EQ(form->State().sym.MarkerSize, 4);
}

TEST_F(CoordsWindowTest, ADragOfASliderAndATypingInTheNotesAreOneEditEach) {
  OpenAt(GreyImage("photo.bmp", 400, 300), "100");
  ASSERT_FALSE(form->Doc().CanUndo());
  const QString opened = form->Status(3);
  ImagePage& image = *form->pageImage;
  QSlider* slider = image.TrackBar1;
  auto drag = [&](int from, int to) {
    slider->setSliderDown(true);  // as a press on the handle
    for (int v = from; from < to ? v <= to : v >= to; v += from < to ? 1 : -1) slider->setValue(v);
    slider->setSliderDown(false);
  };
  drag(51, 70);
  drag(69, 60);
  QTest::keyClick(slider, Qt::Key_Right);
  EXPECT_EQ(form->Doc().UndoCount(), 3u);
  EXPECT_EQ(form->Undo1->text(), "元に戻す: コントラスト(&U)");
  form->Undo1->trigger();
  form->Undo1->trigger();
  EXPECT_EQ(slider->value(), 70);
  EXPECT_EQ(image.LabelContrast->text(), "強度：70");
  form->Undo1->trigger();
  EXPECT_EQ(slider->value(), 50);
  EXPECT_EQ(form->Status(3), opened);

  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QPlainTextEdit* notes = form->pageNote->Memo1;
  notes->setFocus();
  Type(notes, "abc");
  form->EditNumDecimal->setFocus();  // the visit ends
  notes->setFocus();
  Type(notes, "d");
  EXPECT_EQ(form->Doc().UndoCount(), 2u);
  form->Undo1->trigger();
  EXPECT_EQ(notes->toPlainText(), "abc");
  form->Undo1->trigger();
  EXPECT_EQ(notes->toPlainText(), "");
}

}  // namespace
}  // namespace zelko::testing
