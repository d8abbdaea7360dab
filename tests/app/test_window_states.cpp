// The window's states reached through its real controls, from every state into every other one:
// what each state enables, shows and presses must not depend on the state that came before.
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/image_page.h"
#include "app/view_widget.h"
#include "app_fixture.h"

namespace zelko::testing {
namespace {

void MoveMouse(QWidget* w, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

enum class State { Empty, Image, Measuring, GroupInput };

const char* Name(State s) {
  switch (s) {
    case State::Empty:
      return "empty";
    case State::Image:
      return "image open with its transformation";
    case State::Measuring:
      return "measurement mode";
    case State::GroupInput:
      return "group input";
  }
  return "";
}

class WindowStatesTest : public WindowTest {
 protected:
  void Click(QWidget* w) {
    ASSERT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    QTest::mouseClick(w, Qt::LeftButton);
  }
  // Any save question on the way is answered No: these tests are about states, not saving.
  void Trigger(const char* action) {
    dialogs.answers.assign(3, MsgResult::No);
    ASSERT_TRUE(Action(action)->isEnabled()) << action;
    Action(action)->trigger();
    dialogs.answers.clear();
  }
  void OpenImage() {
    dialogs.openFiles.push_back(image);
    Trigger("ReadImage1");
  }
  bool InputButtonEnds() const { return form->pageArea->ButtonSetArea->text() == "入力終了"; }

  // Goes from whatever state the window is in to `to`, by the shortest way a user would take.
  void Go(State to) {
    if (form->State().isLineInput) {
      // A group with one point is ended, so that the input really finishes.
      QTest::mouseClick(form->Image1, Qt::LeftButton, {}, QPoint(20, 20));
      Click(form->pageArea->ButtonSetArea);
      dialogs.messages.clear();
    }
    switch (to) {
      case State::Empty:
        if (!form->ImageFile().isEmpty()) Trigger("C1");
        break;
      case State::Image:
        if (form->State().isAreaMode)
          Click(Tool("ToolButtonAreaMode"));
        else if (form->ImageFile().isEmpty())
          OpenImage();
        break;
      case State::Measuring:
      case State::GroupInput:
        if (form->ImageFile().isEmpty()) OpenImage();
        if (!form->State().isAreaMode) Click(Tool("ToolButtonAreaMode"));
        if (to == State::GroupInput) Click(form->pageArea->ButtonSetArea);
        break;
    }
  }

  // The whole row of the state table for one state.
  void ExpectState(State s, const std::string& how) {
    SCOPED_TRACE(std::string(Name(s)) + " " + how);
    const bool empty = s == State::Empty, input = s == State::GroupInput;
    const bool measuring = s == State::Measuring || input;
    const bool open = !empty;
    EXPECT_EQ(Tool("ToolButtonLoadProject")->isEnabled(), !input);
    EXPECT_EQ(Tool("ToolButtonLoadImage")->isEnabled(), !input);
    EXPECT_EQ(form->File1->menuAction()->isEnabled(), !input);
    // Also the items themselves, which assistive technology reaches in a disabled menu.
    EXPECT_EQ(Action("P1")->isEnabled(), !input);
    EXPECT_EQ(Action("ReadImage1")->isEnabled(), !input);
    EXPECT_EQ(Action("SaveProject")->isEnabled(), open && !input);
    EXPECT_FALSE(Action("ResaveProject")->isEnabled());
    EXPECT_FALSE(Tool("ToolButtonResaveProject")->isEnabled());
    EXPECT_EQ(Action("PictureSave")->isEnabled(), open && !input);
    EXPECT_EQ(Action("C1")->isEnabled(), open && !input);
    for (const char* nav : {"ToolButtonEnlarge", "ToolButtonReduce", "ToolButtonLeft",
                            "ToolButtonRight", "ToolButtonDown", "ToolButtonUp"})
      EXPECT_EQ(Tool(nav)->isEnabled(), open) << nav;
    EXPECT_EQ(Tool("ToolButtonMarkers")->isEnabled(), open && !input);
    EXPECT_FALSE(Tool("ToolButtonMarkers")->isChecked());
    EXPECT_FALSE(form->State().isMarked);
    EXPECT_EQ(Tool("ToolButtonMesh")->isEnabled(), open);
    EXPECT_EQ(Tool("ToolButtonAreaMode")->isEnabled(), open);
    EXPECT_EQ(Tool("ToolButtonAreaMode")->isChecked(), measuring);
    EXPECT_EQ(form->State().isAreaMode, measuring);
    EXPECT_EQ(form->A2->menuAction()->isEnabled(), open);
    EXPECT_EQ(form->Setting1->menuAction()->isEnabled(), open);
    EXPECT_EQ(form->pageImage->isEnabled(), open);
    EXPECT_EQ(form->pageCoord->isEnabled(), open);
    EXPECT_EQ(form->PageControl1->isTabVisible(1), !measuring);
    EXPECT_EQ(Action("Menu_Coord")->isEnabled(), !measuring);
    EXPECT_EQ(form->PageControl1->isTabVisible(2), measuring);
    EXPECT_EQ(form->PageControl1->currentIndex(), measuring ? 2 : 0);
    EXPECT_EQ(form->pageArea->PageControl2->isEnabled(), !input);
    EXPECT_EQ(InputButtonEnds(), input);
    EXPECT_EQ(form->State().isLineInput, input);
    EXPECT_EQ(form->Status(4), input ? "ポイントを入力して下さい" : "");
    EXPECT_TRUE(Tool("ToolButtonAutoTrack")->isEnabled());
    EXPECT_TRUE(Tool("ToolButton7")->isEnabled());
    EXPECT_EQ(form->Image1->HasPicture(), open);
    if (empty) {
      EXPECT_EQ(form->windowTitle(), "Zelko");
      for (int panel : {0, 1, 2, 3, 4}) EXPECT_EQ(form->Status(panel), "") << panel;
    }
  }

  QString image;
};

TEST_F(WindowStatesTest, EveryStateLooksTheSameWhicheverStateCameBefore) {
  Start();
  image = MakeImage("site.bmp", 300, 200);
  const State all[] = {State::Empty, State::Image, State::Measuring, State::GroupInput};
  ExpectState(State::Empty, "at start");
  for (State from : all) {
    for (State to : all) {
      Go(State::Empty);
      Go(from);
      ExpectState(from, "on the way");
      // Moving the mouse over the view fills the coordinate panels, which the empty state clears.
      MoveMouse(form->Image1, QPoint(30, 30));
      if (from != State::Empty) EXPECT_NE(form->Status(1), "");
      Go(to);
      ExpectState(to, std::string("after ") + Name(from));
    }
  }
}

TEST_F(WindowStatesTest, OpeningAnotherImageInTheMeasurementModeLeavesIt) {
  Start({MakeImage("first.bmp", 300, 200)});
  image = MakeImage("second.bmp", 300, 200);
  Click(Tool("ToolButtonAreaMode"));
  ExpectState(State::Measuring, "before");
  OpenImage();
  ExpectState(State::Image, "after opening another image");
  EXPECT_EQ(form->ImageFile(), image);
}

TEST_F(WindowStatesTest, TheEmptyStateKeepsTheWindowSizeOfAFreshStart) {
  Start();
  const QSize fresh = form->size();
  // The angle is typed only for "任意".
  EXPECT_TRUE(form->pageImage->EditAngleBox->isHidden());
  image = MakeImage("site.bmp", 300, 200);
  OpenImage();
  EXPECT_TRUE(form->pageImage->EditAngleBox->isHidden());
  Trigger("C1");
  EXPECT_EQ(form->size(), fresh);
  EXPECT_TRUE(form->pageImage->EditAngleBox->isHidden());
}

}  // namespace
}  // namespace zelko::testing
