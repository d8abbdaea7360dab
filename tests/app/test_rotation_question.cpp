// Turning the photograph under markers or points: every way of choosing an angle asks first, and
// a refusal leaves the angle, the controls and the document as they were.
#include <QRadioButton>
#include <QTest>

#include "app/coord_page.h"
#include "app/image_page.h"
#include "app/window_images.h"
#include "app_fixture.h"

namespace zelko::testing {
namespace {

const QString kQuestion =
    "マーカーまたはポイントの座標値があります。\n画像を回転させると、画像上でのそれらの位置は元と違"
    "うことになります。\nこのまま回転を行ってよろしいですか。";

class RotationQuestionTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Start({MakeImage("photo.bmp", 300, 200)});
    page = form->pageImage;
  }
  void PlaceMarker() {
    form->SetPointer(10, 10);
    form->pageCoord->AddMarkerClick();
    ASSERT_EQ(form->NumMarkers(), 1);
    Action("I2")->trigger();  // back to the image page
    form->Doc().MarkSaved();
    dialogs.messages.clear();
  }
  // A click on the round mark of item i, where a radio button takes clicks.
  void ClickItem(int i) {
    auto* b = page->findChild<QRadioButton*>("RadioGroupAngle_" + QString::number(i));
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
  }
  void TypeAngle(const QString& text) {
    page->EditAngle->selectAll();
    QTest::keyClicks(page->EditAngle, text);
    QTest::keyClick(page->EditAngle, Qt::Key_Return);
  }
  ImagePage* page = nullptr;
};

TEST_F(RotationQuestionTest, ARadioChoiceAsksAndNoKeepsEverything) {
  PlaceMarker();
  const QImage before = form->Images().working.copy();
  dialogs.answers.push_back(MsgResult::No);
  ClickItem(1);
  EXPECT_EQ(TakeMessages(), QStringList({kQuestion}));
  EXPECT_EQ(form->View().RotationAngle, 0.0f);
  EXPECT_EQ(page->RadioGroupAngle->ItemIndex(), 0);
  EXPECT_EQ(page->EditAngle->text(), "0");
  EXPECT_EQ(form->Images().working, before);
  EXPECT_EQ(form->Status(3), "変更なし");

  dialogs.answers.push_back(MsgResult::Yes);
  ClickItem(2);
  EXPECT_EQ(TakeMessages(), QStringList({kQuestion}));
  EXPECT_EQ(form->View().RotationAngle, 180.0f);
  EXPECT_EQ(form->Status(3), "変更あり");
}

TEST_F(RotationQuestionTest, ATypedAngleAsksAndNoPutsTheOldAngleBack) {
  ClickItem(4);  // no markers yet: nothing to ask
  EXPECT_TRUE(TakeMessages().isEmpty());
  TypeAngle("30");
  EXPECT_EQ(form->View().RotationAngle, 30.0f);
  EXPECT_TRUE(TakeMessages().isEmpty());

  PlaceMarker();
  dialogs.answers.push_back(MsgResult::No);
  TypeAngle("45");
  EXPECT_EQ(TakeMessages(), QStringList({kQuestion}));
  EXPECT_EQ(form->View().RotationAngle, 30.0f);
  EXPECT_EQ(page->EditAngle->text(), "30");
  EXPECT_EQ(page->RadioGroupAngle->ItemIndex(), 4);

  // Back to a quarter turn from the free angle: asked as well.
  dialogs.answers.push_back(MsgResult::No);
  ClickItem(0);
  EXPECT_EQ(TakeMessages(), QStringList({kQuestion}));
  EXPECT_EQ(form->View().RotationAngle, 30.0f);
  EXPECT_EQ(page->RadioGroupAngle->ItemIndex(), 4);
  EXPECT_TRUE(page->EditAngleBox->isVisibleTo(page));
}

TEST_F(RotationQuestionTest, TheSameAngleAgainAsksNothing) {
  PlaceMarker();
  ClickItem(0);
  ClickItem(4);  // the free angle still reads 0
  EXPECT_TRUE(TakeMessages().isEmpty());
}

}  // namespace
}  // namespace zelko::testing
