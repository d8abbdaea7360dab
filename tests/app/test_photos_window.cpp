// Photos as people have them, in the window: the orientation tag, PNG and TIFF files with the
// format in the status bar, and images too large for the machine's memory.
#include <tiffio.h>

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <utility>
#include <vector>

#include "app/coord_page.h"
#include "app/image_page.h"
#include "app/view_widget.h"
#include "app/widgets.h"
#include "app_fixture.h"
#include "document/project_file.h"
#include "imaging/bitmap_ops.h"
#include "imaging/image_formats.h"

namespace zelko::testing {
namespace {

class PhotosWindowTest : public WindowTest {
 protected:
  void TearDown() override {
    SetAssumedPhysicalMemory(0);
    WindowTest::TearDown();
  }
  void OpenImage(const QString& path) {
    dialogs.openFiles.push_back(path);
    Action("ReadImage1")->trigger();
  }
  // A JPEG as a camera held turned right stores it (white left, black right), with the
  // orientation tag in an EXIF block right after SOI.
  QString TaggedJpeg(const QString& name, int orientation) {
    QImage img(64, 32, QImage::Format_RGB888);
    img.fill(Qt::black);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) img.setPixelColor(x, y, Qt::white);
    const QString plain = TempPath("plain_" + name);
    EXPECT_TRUE(img.save(plain, "JPG", 95));
    QByteArray jpeg = ReadAll(plain);
    const char exif[] = {
        '\xFF', '\xE1', 0,   34, 'E', 'x', 'i', 'f', 0,
        0,      'I',    'I', 42, 0,   8,   0,   0,   0,  // TIFF header, IFD at 8
        1,      0,                                       // one entry
        0x12,   0x01,   3,   0,  1,   0,   0,   0,   static_cast<char>(orientation),
        0,      0,      0,   0,  0,   0,   0};  // no next IFD
    jpeg.insert(2, QByteArray(exif, sizeof exif));
    WriteAll(TempPath(name), jpeg);
    return TempPath(name);
  }
  QString FormatPanel() const {
    auto* panel = form->statusBar()->findChild<QLabel*>("PanelImageFormat");
    return panel != nullptr ? panel->text() : QString();
  }
};

TEST_F(PhotosWindowTest, APhotoTakenTurnedOpensUprightThroughTheRotationChoice) {
  Start();
  OpenImage(TaggedJpeg("turned.jpg", 6));
  EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage().toStdString();
  EXPECT_EQ(form->pageImage->RadioGroupAngle->ItemIndex(), 1);
  EXPECT_EQ(form->pageImage->EditAngle->text(), "90");
  EXPECT_EQ(form->View().RotationAngle, 90.0f);
  EXPECT_EQ(form->Status(3), "変更あり");
  // Upright: taller than wide, white above black.
  EXPECT_GT(form->View().BitHeight, form->View().BitWidth);
  const QImage shown = form->Image1->Picture();
  EXPECT_GT(qGray(shown.pixel(2, 2)), 200);
  // Tags 3 and 8 choose 180 and 270 degrees.
  form->Doc().MarkSaved();
  OpenImage(TaggedJpeg("upside.jpg", 3));
  EXPECT_EQ(form->pageImage->RadioGroupAngle->ItemIndex(), 2);
  form->Doc().MarkSaved();
  OpenImage(TaggedJpeg("left.jpg", 8));
  EXPECT_EQ(form->pageImage->RadioGroupAngle->ItemIndex(), 3);
  EXPECT_EQ(form->View().RotationAngle, 270.0f);
}

TEST_F(PhotosWindowTest, AMirroredTagIsReportedAndNothingIsTurned) {
  Start();
  OpenImage(TaggedJpeg("mirrored.jpg", 5));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Information);
  EXPECT_EQ(dialogs.messages[0].text, kMirroredOrientationMessage);
  EXPECT_EQ(form->pageImage->RadioGroupAngle->ItemIndex(), 0);
  EXPECT_EQ(form->View().RotationAngle, 0.0f);
}

TEST_F(PhotosWindowTest, AProjectsStoredRotationWinsOverTheTag) {
  const QString image = TaggedJpeg("site.jpg", 6);
  ProjectData d;
  d.ImagePath = "site.jpg";
  Failure error;
  ASSERT_TRUE(WriteProjectFile(TempPath("site.pqs").toStdString(), d, &error)) << error;
  Start({TempPath("site.pqs")});
  EXPECT_EQ(form->ImageFile(), image);
  EXPECT_EQ(form->pageImage->RadioGroupAngle->ItemIndex(), 0);
  EXPECT_EQ(form->View().RotationAngle, 0.0f);
  EXPECT_GT(form->View().BitWidth, form->View().BitHeight);
}

TEST_F(PhotosWindowTest, PngAndTiffOpenWithTheirFormatInTheStatusBar) {
  QImage deep(40, 20, QImage::Format_RGBX64);
  deep.fill(QColor(200, 100, 50));
  ASSERT_TRUE(deep.save(TempPath("deep.png"), "PNG"));
  {
    TIFF* t = TIFFOpen(TempPath("grey.tif").toLocal8Bit().constData(), "w");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 30);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 10);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    std::vector<std::uint8_t> row(30, 77);
    for (int y = 0; y < 10; ++y) TIFFWriteScanline(t, row.data(), y, 0);
    TIFFClose(t);
  }
  Start({TempPath("deep.png")});
  EXPECT_EQ(form->ImageFile(), TempPath("deep.png"));
  EXPECT_EQ(FormatPanel(), "PNG 16 ビット RGB");
  form->Doc().MarkSaved();
  OpenImage(TempPath("grey.tif"));
  EXPECT_EQ(form->ImageFile(), TempPath("grey.tif"));
  EXPECT_EQ(FormatPanel(), "TIFF 8 ビット グレー");
  EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage().toStdString();
  form->Doc().MarkSaved();
  Action("C1")->trigger();
  EXPECT_EQ(FormatPanel().toStdString(), "");
}

TEST_F(PhotosWindowTest, AFileTheLibraryRefusesIsReportedAndChangesNothing) {
  Start({MakeImage("first.bmp")});
  form->Doc().MarkSaved();
  QImage img(40, 20, QImage::Format_RGB888);
  img.fill(Qt::red);
  ASSERT_TRUE(img.save(TempPath("broken.png"), "PNG"));
  QByteArray bytes = ReadAll(TempPath("broken.png"));
  bytes.truncate(bytes.size() / 2);
  WriteAll(TempPath("broken.png"), bytes);
  OpenImage(TempPath("broken.png"));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Error);
  EXPECT_TRUE(dialogs.messages[0].text.startsWith("PNG ファイルを読み込めません"))
      << dialogs.messages[0].text.toStdString();
  EXPECT_EQ(form->ImageFile(), TempPath("first.bmp"));
  EXPECT_EQ(form->Status(3), "変更なし");
}

TEST_F(PhotosWindowTest, AnImageBeyondTheMemoryShareIsRefusedNamingBothNumbers) {
  Start({MakeImage("first.bmp", 200, 100)});
  form->Doc().MarkSaved();
  const int before = form->View().BitWidth;
  const QString big = MakeImage("big.bmp", 2000, 1000);  // 6 MB of pixels
  SetAssumedPhysicalMemory(16u << 20);                   // a quarter is 4 MB
  OpenImage(big);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  const QString text = dialogs.messages[0].text;
  EXPECT_TRUE(text.contains("2000 x 1000")) << text.toStdString();
  EXPECT_TRUE(text.contains("6 MB")) << text.toStdString();
  EXPECT_TRUE(text.contains("16 MB")) << text.toStdString();
  EXPECT_EQ(form->ImageFile(), TempPath("first.bmp"));
  EXPECT_EQ(form->View().BitWidth, before);
  EXPECT_EQ(form->Status(3), "変更なし");
  SetAssumedPhysicalMemory(64u << 20);
  OpenImage(big);
  EXPECT_EQ(form->ImageFile(), big);
}

// The BMP header's bits per pixel and number of palette entries.
std::pair<int, int> BmpLayout(const QByteArray& bmp) {
  auto u32 = [&](int at) {
    return static_cast<int>(static_cast<quint8>(bmp[at]) | static_cast<quint8>(bmp[at + 1]) << 8 |
                            static_cast<quint8>(bmp[at + 2]) << 16 |
                            static_cast<quint8>(bmp[at + 3]) << 24);
  };
  const int bpp = static_cast<quint8>(bmp[28]) | static_cast<quint8>(bmp[29]) << 8;
  const int offset = u32(10);
  return {bpp, (offset - 14 - u32(14)) / 4};
}

QString GreyJpeg(const QString& path) {
  QFile::copy(QString(ZELKO_TEST_DATA) + "/images/jpeg/testimggray.jpg", path);
  return path;
}

TEST_F(PhotosWindowTest, ABareGreyPictureIsExportedAsAnEightBitBmpAndOneWithOverlaysInColour) {
  Start({GreyJpeg(TempPath("grey.jpg"))});
  ASSERT_EQ(form->ImageFile(), TempPath("grey.jpg"));
  dialogs.saveFiles.push_back(TempPath("bare.bmp"));
  dialogs.saveFilterIndexes.push_back(1);
  Action("PictureSave")->trigger();
  const QByteArray bare = ReadAll(TempPath("bare.bmp"));
  ASSERT_GT(bare.size(), 54);
  EXPECT_EQ(BmpLayout(bare), std::make_pair(8, 256));
  EXPECT_EQ(static_cast<quint8>(bare[54 + 4 * 200]), 200);  // the grey ramp, entry 200
  EXPECT_EQ(QImage(TempPath("bare.bmp")).size(),
            QSize(form->View().BitWidth, form->View().BitHeight));
  // A marker drawn on the view needs colour.
  Tool("ToolButtonMarkers")->click();
  form->SetPointer(20, 20);
  form->pageCoord->AddMarker->trigger();
  ASSERT_EQ(form->NumMarkers(), 1);
  dialogs.saveFiles.push_back(TempPath("marked.bmp"));
  dialogs.saveFilterIndexes.push_back(1);
  Action("PictureSave")->trigger();
  EXPECT_EQ(BmpLayout(ReadAll(TempPath("marked.bmp"))).first, 24);
}

TEST_F(PhotosWindowTest, AGreyPictureSaysOnceThatItCannotBeAdjustedAndItsControlsSayWhy) {
  GreyJpeg(TempPath("grey.jpg"));
  ProjectData d;
  d.ImagePath = "grey.jpg";
  d.ContrastOn = true;
  d.Contrast = 80;
  Failure error;
  ASSERT_TRUE(WriteProjectFile(TempPath("grey.pqs").toStdString(), d, &error)) << error;
  Start({TempPath("grey.pqs")});
  ASSERT_EQ(form->ImageFile(), TempPath("grey.jpg"));
  EXPECT_EQ(TakeMessages().count(QString::fromStdString(BitDepthMessage(8))), 1);
  ImagePage* page = form->pageImage;
  EXPECT_FALSE(page->TrackBar1->isEnabled());
  EXPECT_FALSE(page->ScrollBarR->isEnabled());
  EXPECT_FALSE(page->CheckBoxAdjustRGB->isEnabled());
  EXPECT_TRUE(page->TrackBar1->toolTip().contains("24ビット"))
      << page->TrackBar1->toolTip().toStdString();
  EXPECT_TRUE(page->RadioGroupAngle->isEnabled());
  // Steps of the slider and rebuilds by zooming say nothing more.
  const int before = page->TrackBar1->value();
  QTest::keyClick(page->TrackBar1, Qt::Key_Right);
  QTest::keyClick(page->TrackBar1, Qt::Key_PageUp);
  EXPECT_EQ(page->TrackBar1->value(), before);
  QTest::mouseClick(Tool("ToolButtonEnlarge"), Qt::LeftButton);
  QTest::mouseClick(Tool("ToolButtonReduce"), Qt::LeftButton);
  EXPECT_TRUE(TakeMessages().isEmpty());
  // A colour photo can be adjusted again.
  form->Doc().MarkSaved();
  OpenImage(MakeImage("colour.jpg"));
  ASSERT_EQ(form->ImageFile(), TempPath("colour.jpg"));
  EXPECT_TRUE(page->TrackBar1->isEnabled());
  EXPECT_TRUE(page->TrackBar1->toolTip().isEmpty());
  page->TrackBar1->setFocus();
  QTest::keyClick(page->TrackBar1, Qt::Key_Right);
  EXPECT_EQ(page->TrackBar1->value(), 51);
}

QString TestImage(const char* file) {
  return QString(ZELKO_TEST_DATA) + "/images/" + QString::fromUtf8(file);
}

TEST_F(PhotosWindowTest, ATopDownBmpOpensTheRightWayUp) {
  Start();
  OpenImage(TestImage("bmpsuite/g/pal8topdown.bmp"));
  EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage().toStdString();
  EXPECT_EQ(form->ImageFile(), TestImage("bmpsuite/g/pal8topdown.bmp"));
  EXPECT_EQ(FormatPanel(), "BMP 8 ビット");
  // Red at the top-left corner, as the file's rows run from the top.
  const QImage shown = form->Image1->Picture();
  EXPECT_EQ(QColor(shown.pixel(1, 1)), QColor(255, 0, 0));
}

TEST_F(PhotosWindowTest, APortraitPhotoIsFittedWholeAfterItsTurn) {
  Start();
  ASSERT_TRUE(form->pageImage->CheckBoxOptSize->isChecked());
  OpenImage(TestImage("made/portrait-exif6.jpg"));  // 640 x 480 stored, tag 6
  EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage().toStdString();
  EXPECT_EQ(form->View().RotationAngle, 90.0f);
  const int w = form->View().BitWidth, h = form->View().BitHeight;
  EXPECT_GT(h, w);
  // Whole in the view, and filling it in one direction.
  EXPECT_LE(w, form->Image1->width());
  EXPECT_LE(h, form->Image1->height());
  EXPECT_TRUE(h >= form->Image1->height() - 2 || w >= form->Image1->width() - 2)
      << w << " x " << h << " in " << form->Image1->width() << " x " << form->Image1->height();
  EXPECT_EQ(form->pageImage->EditSizeRatio->text(),
            QString::number(form->View().factor * 100, 'f', 1));
}

TEST_F(PhotosWindowTest, APictureOfAnotherFormatIsNamedFromTheCommandLineAndTheMenu) {
  // Given on the command line, as a file manager or the desktop entry passes it.
  const QString webp = TempPath("photo.webp");
  QFile::copy(TestImage("made/webp-named.jpg"), webp);
  Start({webp});
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Error);
  const QString text = dialogs.messages[0].text;
  EXPECT_TRUE(text.contains("WebP 形式の画像です")) << text.toStdString();
  EXPECT_TRUE(text.contains("PNG (.png)")) << text.toStdString();
  EXPECT_TRUE(form->ImageFile().isEmpty());
  // Named .jpg and chosen in the open dialog: the same reason, and the open picture stays.
  OpenImage(TestImage("bmpsuite/g/pal8.bmp"));
  form->Doc().MarkSaved();
  dialogs.messages.clear();
  OpenImage(TestImage("made/webp-named.jpg"));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.contains("WebP")) << dialogs.LastMessage().toStdString();
  EXPECT_EQ(form->ImageFile(), TestImage("bmpsuite/g/pal8.bmp"));
}

}  // namespace
}  // namespace zelko::testing
