// The image page and the view: rebuild and change-mark rules of the adjustments, zoom limits,
// panning, the wheel, the overview click and the export of the view.
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>
#include <random>

#include "app/coord_page.h"
#include "app/image_page.h"
#include "app/view_widget.h"
#include "app/window_images.h"
#include "app_fixture.h"
#include "imaging/working_image.h"
#include "render/bitmap_image.h"
#include "render/view_render.h"

namespace zelko::testing {
namespace {

class ViewTest : public WindowTest {
 protected:
  void Open(int w = 2000, int h = 1000) {
    Start({MakeImage("photo.bmp", w, h)});
    form->Doc().MarkSaved();
  }
  ImagePage& page() { return *form->pageImage; }
};

TEST_F(ViewTest, OpeningFitsTheImageAndShowsMagnificationAndMemory) {
  Open();
  const double fit = std::min(form->ViewWidth() / 2000.0, form->ViewHeight() / 1000.0);
  EXPECT_DOUBLE_EQ(form->View().factor, fit);
  EXPECT_DOUBLE_EQ(form->View().fmax, 4.47);
  EXPECT_EQ(page().EditSizeRatio->text(), QString::number(fit * 100, 'f', 1));
  EXPECT_TRUE(form->Status(0).startsWith("倍率："));
  EXPECT_TRUE(form->Status(5).startsWith("物理メモリ使用量："));
  EXPECT_TRUE(form->Status(5).contains(" KB ("));
  EXPECT_EQ(form->View().XB0, 0);
  EXPECT_EQ(form->View().YB0, 0);
  EXPECT_TRUE(form->Image1->HasPicture());
  EXPECT_TRUE(form->Image->HasPicture());
}

TEST_F(ViewTest, AdjustmentsMarkChangesAndRebuildOnlyWhenSwitchedOn) {
  Open(300, 200);
  const QImage before = form->Images().working.copy();
  page().TrackBar1->setValue(80);
  EXPECT_EQ(page().LabelContrast->text(), "強度：80");
  EXPECT_EQ(form->Status(3), "変更あり");
  EXPECT_EQ(form->Images().working, before);  // contrast is off: only the label and the mark
  page().CheckBoxContrast->click();
  EXPECT_NE(form->Images().working, before);
  form->Doc().MarkSaved();
  page().ScrollBarR->setValue(0);
  EXPECT_EQ(page().EditR->text(), "-128");
  page().ScrollBarB->setValue(255);
  EXPECT_EQ(page().EditB->text(), "127");
  EXPECT_EQ(form->Status(3), "変更あり");
}

TEST_F(ViewTest, RotationRebuildsAndAsksWhenMarkersExist) {
  Open(300, 200);
  page().RadioGroupAngle->SetItemIndex(1);
  EXPECT_EQ(page().EditAngle->text(), "90");
  EXPECT_FALSE(page().EditAngleBox->isVisibleTo(&page()));
  EXPECT_EQ(form->View().BitWidth, form->Images().live.Width());
  EXPECT_GT(form->View().BitHeight, form->View().BitWidth);  // turned a quarter
  page().RadioGroupAngle->SetItemIndex(4);
  EXPECT_TRUE(page().EditAngleBox->isVisibleTo(&page()));

  // With a marker, the settings ask before a rotation; No puts the choice back.
  form->SetPointer(10, 10);
  form->pageCoord->AddMarkerClick();
  page().RadioGroupAngle->SetItemIndexSilently(2);
  dialogs.answers.push_back(MsgResult::No);
  form->ApplyImageSettings();
  EXPECT_TRUE(dialogs.LastMessage().startsWith("マーカーまたはポイントの座標値があります。"));
  EXPECT_EQ(page().RadioGroupAngle->ItemIndex(), 1);  // RotationAngle was 90 from the first click
  EXPECT_EQ(form->View().RotationAngle, 90.0f);
}

TEST_F(ViewTest, SizeRatioIsCappedAt300AndNotANumberIsReported) {
  Open(300, 200);
  page().EditSizeRatio->setText("450");
  page().EditSizeRatioKeyPress();
  EXPECT_DOUBLE_EQ(form->View().factor, 3);
  EXPECT_EQ(page().EditSizeRatio->text(), "300.0");
  page().EditSizeRatio->setText("abc");
  form->Guard([&] { page().EditSizeRatioKeyPress(); });
  EXPECT_FALSE(dialogs.messages.empty());
  EXPECT_DOUBLE_EQ(form->View().factor, 3);
}

TEST_F(ViewTest, ZoomStepsStopAtTheLimits) {
  Open();
  form->SetZoom(1);
  const double expected[] = {1.5, 2.25, 3.375, 4.47};
  for (double e : expected) {
    form->ToolButtonEnlargeClick();
    EXPECT_DOUBLE_EQ(form->View().factor, e);
  }
  form->ToolButtonEnlargeClick();
  EXPECT_EQ(dialogs.LastMessage(), "これ以上拡大できません。");
  EXPECT_DOUBLE_EQ(form->View().factor, 4.47);
  const double fit = form->FitFactor();
  for (int i = 0; i < 10; ++i) form->ToolButtonReduceClick();
  EXPECT_DOUBLE_EQ(form->View().factor, fit);
  EXPECT_EQ(dialogs.messages.size(), 1u);  // no message at the lower limit
}

TEST_F(ViewTest, PanningStopsAtTheEdgesAndTheOverviewClickClamps) {
  Open();
  form->SetZoom(1);
  form->PaintPicture(0, 0);
  form->Pan(0);
  EXPECT_EQ(form->View().XB0, 0);
  form->Pan(1);
  EXPECT_DOUBLE_EQ(form->View().XB0, form->View().SWidth / 4.0);
  for (int i = 0; i < 20; ++i) form->Pan(1);
  EXPECT_DOUBLE_EQ(form->View().XB0, form->View().BitWidth - form->View().SWidth);
  form->PaintPicture(form->View().BitWidth, form->View().BitHeight);
  EXPECT_DOUBLE_EQ(form->View().YB0, form->View().BitHeight - form->View().SHeight);
  // A click near the overview's right edge puts the window against the image's right edge.
  form->PaintPicture(0, 0);
  form->ImageMouseDown(form->Image->width() - 1, 0);
  EXPECT_DOUBLE_EQ(form->View().XB0, form->View().BitWidth - form->View().SWidth);
  EXPECT_EQ(form->View().YB0, 0);
}

TEST_F(ViewTest, TheWheelZoomsAboutThePointerAnywhereInTheWindow) {
  Open();
  form->SetZoom(1);
  form->PaintPicture(0, 0);
  form->Image1MouseMove(100, 50);
  const double x = form->State().XPre, y = form->State().YPre;
  QWheelEvent up(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton,
                 Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(form->pageCoord->StringGrid1->viewport(), &up);
  EXPECT_DOUBLE_EQ(form->View().factor, 1.5);
  // The image point under the pointer stays at the same view pixel.
  EXPECT_DOUBLE_EQ(x * form->View().factor - form->View().XB0, 100);
  EXPECT_DOUBLE_EQ(y * form->View().factor - form->View().YB0, 50);
}

TEST_F(ViewTest, ExportAppliesTheChosenExtensionAndAsksBeforeOverwriting) {
  Open(300, 200);
  dialogs.saveFiles.push_back(TempPath("result.png"));
  dialogs.saveFilterIndexes.push_back(0);
  form->PictureSaveClick();
  ASSERT_TRUE(QFile::exists(TempPath("result.jpg")));
  EXPECT_EQ(QImageReader(TempPath("result.jpg")).format(), "jpeg");
  dialogs.saveFiles.push_back(TempPath("result"));
  dialogs.saveFilterIndexes.push_back(1);
  form->PictureSaveClick();
  ASSERT_TRUE(QFile::exists(TempPath("result.bmp")));
  // At the top-left corner the whole working image is saved.
  EXPECT_EQ(QImage(TempPath("result.bmp")).size(),
            QSize(form->View().BitWidth, form->View().BitHeight));
  const auto stamp = QFileInfo(TempPath("result.bmp")).lastModified();
  dialogs.saveFiles.push_back(TempPath("result.bmp"));
  dialogs.saveFilterIndexes.push_back(1);
  dialogs.answers.push_back(MsgResult::No);
  form->PictureSaveClick();
  EXPECT_EQ(dialogs.LastMessage(), "同名のファイルが存在します。\n上書き保存してよろしいですか。");
  EXPECT_EQ(QFileInfo(TempPath("result.bmp")).lastModified(), stamp);
  EXPECT_EQ(form->Status(3), "変更なし");
}

TEST_F(ViewTest, ExportAwayFromTheCornerSavesTheVisibleWindow) {
  Open();
  form->SetZoom(2);
  form->PaintPicture(form->View().BitWidth / 2.0, form->View().BitHeight / 2.0);
  dialogs.saveFiles.push_back(TempPath("window.bmp"));
  dialogs.saveFilterIndexes.push_back(1);
  form->PictureSaveClick();
  EXPECT_EQ(QImage(TempPath("window.bmp")).size(),
            QSize(form->View().SWidth, form->View().SHeight));
}

TEST_F(ViewTest, ABadImageIsReportedAndThePreviousPictureStays) {
  Open(300, 200);
  QFile bad(TempPath("bad.jpg"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("not a jpeg at all");
  bad.close();
  const QString before = form->ImageFile();
  TypeCell(*form->pageCoord->StringGrid1, 3, 1, "kept");
  dialogs.openFiles.push_back(TempPath("bad.jpg"));
  Action("ReadImage1")->trigger();
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_FALSE(form->State().isProjLoading);
  EXPECT_EQ(form->ImageFile(), before);
  EXPECT_EQ(form->pageCoord->StringGrid1->Cells(3, 1), "kept");
  EXPECT_TRUE(form->Image1->HasPicture());
}

// A photograph of random pixels, so that any pixel taken from the wrong place shows.
QString NoiseImage(const QString& path, int w, int h, bool grey) {
  QImage img(w, h, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  std::mt19937 rng(17);
  for (int y = 0; y < h; ++y)
    for (qsizetype i = 0; i < img.bytesPerLine(); ++i) img.scanLine(y)[i] = uchar(rng());
  EXPECT_TRUE(img.save(path, "BMP"));
  return path;
}

class LiveViewTest : public ViewTest {
 protected:
  // The picture the view shows must be the full build's window, black outside the image.
  void ExpectViewIsTheFullBuild(const std::string& what) {
    WorkingImage full;
    ASSERT_TRUE(
        BuildWorkingImage(form->Images().OriginalImage, form->CurrentWorkingSettings(), full).ok);
    ASSERT_EQ(form->View().BitWidth, full.image.Width()) << what;
    ASSERT_EQ(form->View().BitHeight, full.image.Height()) << what;
    const QImage expected = ViewPicture(WrapBitmap(full.image), form->CurrentView());
    EXPECT_TRUE(form->Image1->Picture().convertToFormat(QImage::Format_RGB32) == expected) << what;
    const QImage small = WrapBitmap(full.small).convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(form->Images().small.convertToFormat(QImage::Format_RGB32) == small) << what;
  }
};

TEST_F(LiveViewTest, EveryViewAtTurnsZoomsAndPansIsTheFullBuildsWindow) {
  for (bool grey : {false, true}) {
    Start({NoiseImage(TempPath(grey ? "grey.bmp" : "colour.bmp"), 700, 450, grey)});
    if (!grey) page().CheckBoxContrast->click();
    for (const char* angle : {"0", "90", "30", "-45"}) {
      page().RadioGroupAngle->SetItemIndex(4);
      page().EditAngle->setText(angle);
      QTest::keyClick(page().EditAngle, Qt::Key_Return);
      ASSERT_EQ(form->View().RotationAngle, QString(angle).toFloat());
      ExpectViewIsTheFullBuild(std::string(angle) + " fitted");
      form->ToolButtonEnlargeClick();
      form->ToolButtonEnlargeClick();
      ExpectViewIsTheFullBuild(std::string(angle) + " enlarged");
      for (int i = 0; i < 3; ++i) {
        form->Pan(1);
        form->Pan(2);
        ExpectViewIsTheFullBuild(std::string(angle) + " panned");
      }
      for (int i = 0; i < 4; ++i) form->ToolButtonReduceClick();
    }
  }
}

// Fifty values of a drag reach the document one by one; the view is computed once the events
// are handled, with the last value, and not once per value.
TEST_F(LiveViewTest, ASliderDragEndsShowingTheLastValueWithEveryValueMarked) {
  Start({NoiseImage(TempPath("photo.bmp"), 640, 480, false)});
  page().CheckBoxContrast->click();
  page().CheckBoxAdjustRGB->click();
  form->Doc().MarkSaved();
  ASSERT_EQ(form->Status(3), "変更なし");
  int edits = 0;
  const int id = form->Doc().Subscribe([&](const DocumentChange&) { ++edits; });
  const QImage before = form->Image1->Picture().copy();

  page().TrackBar1->setFocus();
  for (int i = 0; i < 50; ++i) QTest::keyClick(page().TrackBar1, Qt::Key_Right);
  EXPECT_EQ(edits, 50);
  EXPECT_EQ(form->Doc().Data().Contrast, 100);
  EXPECT_EQ(page().LabelContrast->text(), "強度：100");
  EXPECT_EQ(form->Status(3), "変更あり");
  EXPECT_TRUE(form->Image1->Picture() == before);  // only the newest value waits
  QCoreApplication::processEvents();
  ExpectViewIsTheFullBuild("strength 100");
  EXPECT_FALSE(form->Image1->Picture() == before);

  // The colour balance likewise, with the mouse: a click on the bar's track pages it.
  for (int i = 0; i < 10; ++i)
    QTest::mouseClick(page().ScrollBarB, Qt::LeftButton, {},
                      QPoint(page().ScrollBarB->width() - 30, page().ScrollBarB->height() / 2));
  EXPECT_EQ(page().ScrollBarB->value(), 128 + 10 * page().ScrollBarB->pageStep());
  EXPECT_EQ(page().EditB->text(), QString::number(10 * page().ScrollBarB->pageStep()));
  EXPECT_EQ(edits, 60);
  QCoreApplication::processEvents();
  ExpectViewIsTheFullBuild("blue offset");
  form->Doc().Unsubscribe(id);
}

}  // namespace
}  // namespace zelko::testing
