// The window's history as a property: random sequences of edits of every kind, made through the
// window's own controls with real clicks and keys, with undos, redos and saves among them. A
// simple model (the project bytes before each entry and after each undo) must agree with what the
// window would save at every step, and every save writes exactly those bytes, adding nothing to
// the history and taking nothing from it.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <optional>
#include <random>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/image_page.h"
#include "app/note_page.h"
#include "app/string_grid.h"
#include "app/view_widget.h"
#include "app/widgets.h"
#include "app_fixture.h"

namespace zelko::testing {
namespace {

class HistoryPropertyTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Start({CopyFieldSample()});
    ASSERT_EQ(form->State().ProjectFile, TempPath("field.pqs"));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const char* seed = std::getenv("ZELKO_HISTORY_SEED");
    rng.seed(seed ? static_cast<unsigned>(std::strtoul(seed, nullptr, 10)) : 20261211u);
  }

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  QPoint ViewPoint() {
    return {20 + Pick(form->Image1->width() - 40), 20 + Pick(form->Image1->height() - 40)};
  }
  void Click(QWidget* w) {
    if (w->isVisible() && w->isEnabled()) QTest::mouseClick(w, Qt::LeftButton);
  }
  // Leaves the measurement mode for the pages that it hides, as a user must.
  void NotMeasuring() {
    if (form->State().isAreaMode && !form->State().isLineInput) Click(Tool("ToolButtonAreaMode"));
  }
  void Measuring() {
    if (!form->State().isAreaMode) Click(Tool("ToolButtonAreaMode"));
  }
  void ShowPage(QWidget* page) {
    if (form->PageControl1->indexOf(page) >= 0 &&
        form->PageControl1->isTabVisible(form->PageControl1->indexOf(page)))
      form->PageControl1->setCurrentWidget(page);
  }
  void TypeInto(QLineEdit* edit, const QString& text) {
    if (!edit->isVisible() || !edit->isEnabled()) return;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  void RadioChoose(RadioGroup* group, int index) {
    const auto buttons = group->findChildren<QRadioButton*>();
    if (index < buttons.size()) Click(buttons[index]);
  }
  QString Number(double lo, double hi, int decimals) {
    return QString::number(std::uniform_real_distribution<double>(lo, hi)(rng), 'f', decimals);
  }

  // One edit of a kind chosen at random; the name says which, for the failure's trace.
  QString RandomEdit() {
    ImagePage* image = form->pageImage;
    CoordPage* coord = form->pageCoord;
    AreaPage* area = form->pageArea;
    switch (Pick(15)) {
      case 0:
        ShowPage(image);
        Click(image->CheckBoxContrast);
        return "contrast on/off";
      case 1: {
        ShowPage(image);
        image->TrackBar1->setFocus();
        const int steps = 1 + Pick(4);
        for (int i = 0; i < steps; ++i)
          QTest::keyClick(image->TrackBar1, Pick(2) ? Qt::Key_PageUp : Qt::Key_PageDown);
        return "contrast slider";
      }
      case 2:
        ShowPage(image);
        Click(image->CheckBoxAdjustRGB);
        return "colour correction on/off";
      case 3: {
        ShowPage(image);
        QScrollBar* bars[] = {image->ScrollBarR, image->ScrollBarG, image->ScrollBarB};
        QScrollBar* bar = bars[Pick(3)];
        bar->setFocus();
        QTest::keyClick(bar, Pick(2) ? Qt::Key_PageUp : Qt::Key_PageDown);
        return "colour balance";
      }
      case 4:
        ShowPage(image);
        dialogs.answers.push_back(Pick(2) ? MsgResult::Yes : MsgResult::No);
        RadioChoose(image->RadioGroupAngle, Pick(4));
        return "rotation";
      case 5: {
        NotMeasuring();
        ShowPage(coord);
        QComboBox* box = Pick(3) ? coord->ComboBoxGridMethod : coord->ComboBoxScaleUnit;
        box->setFocus();
        QTest::keyClick(box, Pick(2) ? Qt::Key_Up : Qt::Key_Down);
        return box == coord->ComboBoxGridMethod ? "method" : "unit";
      }
      case 6:
        NotMeasuring();
        ShowPage(coord);
        dialogs.answers.push_back(MsgResult::Yes);  // a warning's question, else the grid's
        Click(coord->ButtonSetMesh);
        return "set the transformation";
      case 7:
        NotMeasuring();
        ShowPage(coord);
        TypeInto(coord->EditMeshSize, Number(0.001, 0.004, 4));
        return "grid interval";
      case 8: {
        NotMeasuring();
        ShowPage(coord);
        StringGrid* g = coord->StringGrid1;
        if (form->NumMarkers() == 0) return "marker cell (none)";
        const int row = 1 + Pick(form->NumMarkers()), col = 3 + Pick(2);
        const QPoint at = g->visualRect(g->model()->index(row, col)).center();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, at);
        if (auto* editor = qobject_cast<QLineEdit*>(g->Editor())) {
          QTest::keyClicks(editor,
                           col == 3 ? Number(139.695, 139.705, 4) : Number(35.657, 35.663, 4));
          QTest::keyClick(editor, Qt::Key_Return);
          QTest::keyClick(g, Qt::Key_Escape);
        }
        return "marker cell";
      }
      case 9: {
        // A marker placed or removed with the view's marker menu, opened from the keyboard.
        NotMeasuring();
        if (!form->State().isMarked) Click(Tool("ToolButtonMarkers"));
        const int key = Pick(3) ? Qt::Key_A : Qt::Key_D;
        const QPoint p = ViewPoint();
        QTest::mouseMove(form->Image1, p);
        QTimer::singleShot(0, [key] {
          if (auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            QTest::keyClick(m, static_cast<Qt::Key>(key));
            if (m->isVisible()) m->close();
          }
        });
        QContextMenuEvent ev(QContextMenuEvent::Mouse, p, form->Image1->mapToGlobal(p));
        QApplication::sendEvent(form->Image1, &ev);
        Reactivate();
        return key == Qt::Key_A ? "add marker" : "delete marker";
      }
      case 10: {
        Measuring();
        if (!form->State().isAreaMode) return "measure (no transformation)";
        RadioChoose(area->RadioGroupLineType, Pick(3));
        Click(area->ButtonSetArea);
        if (!form->State().isLineInput) return "group input (refused)";
        const int n = 2 + Pick(3);
        for (int i = 0; i < n; ++i)
          QTest::mouseClick(form->Image1, Qt::LeftButton, {}, ViewPoint());
        Click(area->ButtonSetArea);
        return "group input";
      }
      case 11:
        Measuring();
        dialogs.answers.push_back(MsgResult::Yes);
        Click(area->ButtonEraseArea);
        return "erase a group";
      case 12:
        Measuring();
        area->PageControl2->setCurrentWidget(area->TabSheetProperty);
        Click(area->ButtonAddSort);
        return "add a category";
      case 13: {
        ShowPage(form->pageNote);
        QPlainTextEdit* memo = form->pageNote->Memo1;
        memo->setFocus();
        QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
        if (Pick(2))
          QTest::keyClicks(memo, " plot");
        else
          QTest::keyClick(memo, Qt::Key_Return);
        ShowPage(form->pageImage);
        return "notes";
      }
      default:
        TypeInto(form->EditNumDecimal, QString::number(Pick(9)));
        return "decimal places";
    }
  }

  // The offscreen platform does not give the window its activation back after a pop-up.
  void Reactivate() {
    if (QApplication::activeWindow() != form.get()) {
      form->activateWindow();
      ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.get(); }));
    }
  }

  std::mt19937 rng;
};

TEST_F(HistoryPropertyTest, EditsUndosRedosAndSavesAgreeWithTheModelByteForByte) {
  // The model: the bytes each undo and redo gives back. One user action may make more than one
  // entry (a method chosen and set); the states between them are learnt when first undone to.
  std::vector<std::optional<QByteArray>> undo, redo;
  QByteArray now = CollectedBytes();
  QStringList trace;
  auto where = [&] { return trace.join(" / ").toStdString(); };
  constexpr int kSteps = 500;
  for (int step = 0; step < kSteps; ++step) {
    const int action = Pick(10);
    const std::size_t undos = form->Doc().UndoCount(), redos = form->Doc().RedoCount();
    if (action < 5) {
      trace << RandomEdit();
      // Whatever the edit left open (a group input) ends before the check.
      if (form->State().isLineInput) Click(form->pageArea->ButtonSetArea);
      const std::size_t made = form->Doc().UndoCount();
      const QByteArray after = CollectedBytes();
      // A step of an edit already begun (a drag, a spell of typing) joins its entry, and what
      // follows from the document (lengths, labels) is no entry at all; a spell of typing that
      // ends where it began leaves no entry either.
      ASSERT_GE(made + 1, undos) << where();
      if (made > undos) {
        undo.push_back(now);
        undo.insert(undo.end(), made - undos - 1, std::nullopt);
        redo.clear();
      } else if (made < undos) {
        ASSERT_TRUE(undo.back().has_value()) << where();
        ASSERT_EQ(after, *undo.back()) << where();
        undo.pop_back();
      } else if (form->Doc().RedoCount() != redos) {
        redo.clear();
      }
      now = after;
    } else if (action < 7) {
      trace << "undo";
      Reactivate();
      QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
      if (form->Doc().UndoCount() + 1 == undos) {
        ASSERT_FALSE(undo.empty());
        redo.push_back(now);
        const QByteArray back = CollectedBytes();
        if (undo.back()) ASSERT_EQ(back, *undo.back()) << where();
        now = back;
        undo.pop_back();
      }
    } else if (action < 9) {
      trace << "redo";
      Reactivate();
      QTest::keyClick(form.get(), Qt::Key_Y, Qt::ControlModifier);
      if (form->Doc().RedoCount() + 1 == redos) {
        ASSERT_FALSE(redo.empty());
        undo.push_back(now);
        ASSERT_TRUE(redo.back().has_value());
        now = *redo.back();
        redo.pop_back();
      }
    } else {
      trace << "save";
      form->ResaveProject->trigger();
      ASSERT_EQ(ReadAll(TempPath("field.pqs")), now) << where();
      ASSERT_EQ(form->Doc().UndoCount(), undos) << where();
      ASSERT_EQ(form->Doc().RedoCount(), redos) << where();
      ASSERT_FALSE(form->Doc().IsModified()) << where();
    }
    ASSERT_EQ(form->Doc().UndoCount(), undo.size()) << where();
    ASSERT_EQ(form->Doc().RedoCount(), redo.size()) << where();
    ASSERT_EQ(CollectedBytes(), now) << "step " << step << ": " << where();
    TakeMessages();
  }
}

}  // namespace
}  // namespace zelko::testing
