// The tool bar as assistive technology and the eye meet it: toggles whose actions run the same
// command as a click, and real icons in place of glyphs.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QTabWidget>
#include <QTest>

#include "app/area_page.h"
#include "app_fixture.h"

namespace zelko::testing {
namespace {

using AccessibilityTest = WindowTest;

// What an AT-SPI client does: find the button's action by name and run it.
void Toggle(QToolButton* b) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(b);
  ASSERT_NE(iface, nullptr);
  QAccessibleActionInterface* actions = iface->actionInterface();
  ASSERT_NE(actions, nullptr);
  ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
  actions->doAction(QAccessibleActionInterface::toggleAction());
}

bool CheckedForAT(QToolButton* b) {
  return QAccessible::queryAccessibleInterface(b)->state().checked;
}

TEST_F(AccessibilityTest, TogglingThroughAssistiveTechnologyRunsTheCommandOfAClick) {
  Start({MakeImage("site.bmp", 300, 200)});
  QToolButton* area = Tool("ToolButtonAreaMode");
  QToolButton* markers = Tool("ToolButtonMarkers");
  QToolButton* mesh = Tool("ToolButtonMesh");
  QToolButton* track = Tool("ToolButtonAutoTrack");
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(area)->state().checkable);

  Toggle(area);
  EXPECT_TRUE(form->State().isAreaMode);
  EXPECT_TRUE(form->PageControl1->isTabVisible(2));
  EXPECT_FALSE(form->PageControl1->isTabVisible(1));
  EXPECT_TRUE(area->isChecked());
  EXPECT_TRUE(CheckedForAT(area));

  // Leaving is refused during a group input: the toggle stays down, as the mode does.
  QTest::mouseClick(form->pageArea->ButtonSetArea, Qt::LeftButton);
  ASSERT_TRUE(form->State().isLineInput);
  Toggle(area);
  EXPECT_TRUE(form->State().isAreaMode);
  EXPECT_TRUE(area->isChecked());
  EXPECT_EQ(dialogs.LastMessage(),
            "グループ入力がまだ終了していません。\n入力を終了させて下さい。");
  QTest::mouseClick(form->pageArea->ButtonSetArea, Qt::LeftButton);

  Toggle(area);
  EXPECT_FALSE(form->State().isAreaMode);
  EXPECT_FALSE(area->isChecked());
  EXPECT_FALSE(form->PageControl1->isTabVisible(2));

  Toggle(markers);
  EXPECT_TRUE(form->State().isMarked);
  EXPECT_TRUE(markers->isChecked());
  EXPECT_EQ(form->Status(4), "右クリックでマーカーを指定して下さい");
  Toggle(markers);
  EXPECT_FALSE(form->State().isMarked);
  EXPECT_FALSE(markers->isChecked());

  Toggle(mesh);
  EXPECT_TRUE(form->State().withMesh);
  EXPECT_TRUE(mesh->isChecked());
  Toggle(mesh);
  EXPECT_FALSE(form->State().withMesh);
  EXPECT_FALSE(mesh->isChecked());

  ASSERT_TRUE(form->State().isAutoTrack);
  Toggle(track);
  EXPECT_FALSE(form->State().isAutoTrack);
  EXPECT_FALSE(track->isChecked());
  EXPECT_FALSE(CheckedForAT(track));
}

TEST_F(AccessibilityTest, ADisabledToggleDoesNothingForAssistiveTechnology) {
  Start();
  Toggle(Tool("ToolButtonAreaMode"));
  EXPECT_FALSE(form->State().isAreaMode);
  EXPECT_FALSE(Tool("ToolButtonAreaMode")->isChecked());
}

TEST_F(AccessibilityTest, ToolButtonsShowDrawnIconsAndNameThemselvesWithoutGlyphs) {
  Start();
  for (QToolButton* b : form->findChildren<QToolButton*>()) {
    if (!b->objectName().startsWith("ToolButton")) continue;
    SCOPED_TRACE(b->objectName().toStdString());
    EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_TRUE(b->text().isEmpty());
    EXPECT_FALSE(b->accessibleName().isEmpty());
    EXPECT_EQ(b->accessibleName(), b->toolTip());
    // The icon must really draw: a missing file or icon engine gives an empty picture.
    const QImage pic = b->icon().pixmap(22, 22).toImage();
    ASSERT_FALSE(pic.isNull());
    int drawn = 0;
    for (int y = 0; y < pic.height(); ++y)
      for (int x = 0; x < pic.width(); ++x) drawn += qAlpha(pic.pixel(x, y)) > 0;
    EXPECT_GT(drawn, 20);
  }
}

}  // namespace
}  // namespace zelko::testing
