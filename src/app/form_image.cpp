// The window's side of the image pipeline: loading, rebuilding the working image, the
// adjustment page's settings, the memory read-out and the image commands of the file menu.
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QStatusBar>
#include <cmath>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/failure_text.h"
#include "app/form.h"
#include "app/image_page.h"
#include "app/view_widget.h"
#include "app/window_images.h"
#include "document/numbers.h"
#include "document/project_file.h"
#include "imaging/bitmap_ops.h"
#include "imaging/image_file.h"
#include "imaging/working_image.h"
#include "render/bitmap_image.h"
#include "render/live_picture.h"
#include "render/view_render.h"

namespace zelko {

namespace {

// Paths keep their native bytes, also those that are no UTF-8.
std::string S(const QString& s) { return NativePath(s); }

// The angles of the rotation choices 0 to 3; choice 4 is the typed angle.
constexpr float kQuarterTurns[4] = {0, 90, 180, 270};

}  // namespace

void TForm1::SetOriginalImage(Bitmap&& bitmap) {
  // The definition reads the loaded image's pixels: it goes before they change.
  images_->live.Clear();
  images_->working = QImage();
  images_->small = QImage();
  images_->OriginalImage = std::move(bitmap);
  state_.isBitDepthReported = false;
  pageImage->SetAdjustable(images_->OriginalImage.BitsPerPixel() == 24);
  view_.fmax = MaxFactor(images_->OriginalImage.Width(), images_->OriginalImage.Height(),
                         view_.RotationAngle);
  if (pageImage->CheckBoxOptSize->isChecked())
    view_.factor = FitFactor();
  else
    view_.factor = ParseNumber(S(pageImage->EditSizeRatio->text())) / 100;
  pageImage->EditSizeRatio->setText(QString::fromStdString(FormatFixed(view_.factor * 100, 1)));
}

double TForm1::FitFactor() {
  if (images_->OriginalImage.Empty()) return 1;
  return zelko::FitFactor(images_->OriginalImage.Width(), images_->OriginalImage.Height(),
                          view_.RotationAngle, ViewWidth(), ViewHeight());
}

WorkingImageSettings TForm1::CurrentWorkingSettings() const {
  WorkingImageSettings settings;
  const DocumentData& d = doc_.Data();
  settings.contrast = d.ContrastOn;
  settings.strength = d.Contrast / 100.0;
  settings.adjustRgb = d.AdjustRGB;
  settings.offsetR = static_cast<std::int8_t>(d.Red - 128);
  settings.offsetG = static_cast<std::int8_t>(d.Green - 128);
  settings.offsetB = static_cast<std::int8_t>(d.Blue - 128);
  settings.rotationAngle = view_.RotationAngle;
  settings.factor = view_.factor;
  settings.overviewWidth = Image->width();
  settings.overviewHeight = Image->height();
  return settings;
}

bool TForm1::BuildWorkingImage() {
  if (images_->OriginalImage.Empty()) return false;
  state_.isCreatedTransFormedBitmap = true;
  // Only the definition changes here; the view computes its window's pixels when it draws.
  const BuildResult r = images_->live.Define(images_->OriginalImage, CurrentWorkingSettings());
  // Once per image: the controls that cannot act on it are disabled and say why.
  if (!r.adjustMessage.empty() && !state_.isBitDepthReported) {
    state_.isBitDepthReported = true;
    Msg(MsgKind::Error, QString::fromStdString(r.adjustMessage));
  }
  if (!r.ok) {
    Msg(MsgKind::Error, kBuildFailedMessage);
    return false;
  }
  const LiveWorkingImage& live = images_->live;
  view_.BitWidth = live.Width();
  view_.BitHeight = live.Height();
  view_.factor2 = live.Factor2();
  view_.QViewWidth = live.OverviewWidth();
  view_.QViewHeight = live.OverviewHeight();
  images_->small = LiveOverview(images_->live);
  SetStatus(0, QString::fromStdString(MagnificationText(view_.factor)));
  return true;
}

void TForm1::RebuildAndRedraw() {
  rebuildRequested_ = false;
  if (BuildWorkingImage()) PaintPicture(-1, -1);
}

void TForm1::RequestRebuildAndRedraw() {
  // The values are read when it runs, so one waiting request serves every step made meanwhile.
  if (rebuildRequested_) return;
  rebuildRequested_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (rebuildRequested_) Guard([this] { RebuildAndRedraw(); });
      },
      Qt::QueuedConnection);
}

bool TForm1::DecodeImage(const QString& path, DecodedImage& out) {
  try {
    out = zelko::LoadImage(S(path), MachineDecodeLimits());
  } catch (const std::exception& e) {
    // The open document and its picture stay as they were.
    Msg(MsgKind::Error, QString::fromUtf8(e.what()));
    return false;
  }
  if (!out.warning.empty()) Msg(MsgKind::Warning, DecoderWarning(out.warning));
  return true;
}

QString TForm1::DecoderWarning(const std::string& decoderText) {
  // The decoder speaks English; the user gets our words first and its own after them.
  return "画像ファイルの一部を読み込めませんでした。ファイルが途中で切れているか、壊れている可能性"
         "があります。\n(" +
         QString::fromStdString(decoderText) + ")";
}

void TForm1::OpenImageFile(const QString& path) {
  // Any file is tried, so that one the program cannot read is named with the reason.
  DecodedImage decoded;
  if (!DecodeImage(path, decoded)) return;
  OpenDecodedImage(path, std::move(decoded));
}

void TForm1::OpenDecodedImage(const QString& path, DecodedImage&& decoded) {
  const int orientation = decoded.orientation;
  ShowImageFormat(QString::fromStdString(decoded.format + " " + decoded.depth));
  state_.isProjLoading = true;
  SetOriginalImage(std::move(decoded.bitmap));
  state_.isProjLoading = false;
  if (!BuildWorkingImage()) return;
  PaintPicture(0, 0);
  SetImageFile(path);
  setWindowTitle(state_.ProgName);
  pageCoord->ClearFitQuality();
  doc_.Edit("", kPartMarkers, [](DocumentData& d) {
    d.Markers.clear();
    return true;
  });
  StringGrid* g1 = pageCoord->StringGrid1;
  for (int r = 1; r < g1->RowCount(); ++r) g1->ClearRow(r);
  g1->SetRowCount(2);
  g1->SetCell(0, 1, "1");
  ClearGroups();
  pageArea->StringGrid3->setVisible(false);
  state_.isPointing = 0;
  EnableImageCommands();
  // An image opened on its own is measured in pixels until a transformation is set.
  if (!isCoord()) {
    doc_.SetMethod(0);
    pageCoord->ButtonSetMeshClick();
  }
  ApplyOrientation(orientation);
  // A new image starts a new history: its own turn by the orientation tag included.
  doc_.ClearHistory();
  UpdateUndoCommands();
}

void TForm1::ApplyOrientation(int orientation) {
  // Choices 1 to 3 are the quarter turns 90, 180 and 270 degrees.
  const int item = OrientationTurn(orientation) / 90;
  if (item != 0) {
    pageImage->RadioGroupAngle->SetItemIndex(item);
    // The fit on opening was for the picture as stored; a portrait photo turned upright needs
    // its own.
    if (pageImage->CheckBoxOptSize->isChecked() && !images_->OriginalImage.Empty()) {
      view_.fmax = MaxFactor(images_->OriginalImage.Width(), images_->OriginalImage.Height(),
                             view_.RotationAngle);
      view_.factor = FitFactor();
      pageImage->EditSizeRatio->setText(QString::fromStdString(FormatFixed(view_.factor * 100, 1)));
      if (BuildWorkingImage()) PaintPicture(0, 0);
    }
  }
  if (OrientationMirrors(orientation)) Msg(MsgKind::Information, kMirroredOrientationMessage);
}

void TForm1::ShowImageFormat(const QString& text) {
  // A panel of its own at the right end of the status bar.
  auto* panel = statusBar()->findChild<QLabel*>("PanelImageFormat");
  if (panel == nullptr) {
    // Made with the status bar, at a fixed width, so that the window keeps its size.
    panel = new QLabel(statusBar());
    panel->setObjectName("PanelImageFormat");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setFixedWidth(panel->fontMetrics().horizontalAdvance("TIFF 16 ビット グレー+α") + 12);
    statusBar()->addPermanentWidget(panel);
  }
  panel->setText(text);
}

void TForm1::ReadImage1Click() {
  if (ToolButtonAreaMode->isChecked() && !LeaveMeasurementMode()) return;
  // The new image replaces the document, as opening a project does.
  if (!ConfirmDiscard("プロジェクトファイルが変更されています。\n保存しますか。")) return;
  const QString path =
      dialogs().OpenFile("画像の読み込み", QString::fromStdString(ImageOpenFilter()),
                         QFileInfo(state_.LastImageDialogFile).absolutePath());
  if (path.isEmpty()) return;
  // A project chosen here is opened as one: the window knows projects by content.
  if (IsBinaryProjectFile(S(path))) {
    OpenProjectFile(path);
    return;
  }
  // Decoded first, so a file that cannot be read changes nothing.
  DecodedImage decoded;
  if (!DecodeImage(path, decoded)) return;
  state_.LastImageDialogFile = path;
  bool keep = false;
  if (isCoord() && Method() != 0)
    keep = Msg(MsgKind::Confirmation,
               "座標変換等の設定情報があります。\n既存の設定をそのまま使いますか。",
               MsgButtons::YesNo) == MsgResult::Yes;
  if (!keep) {
    ResetToEmpty();
    pageCoord->ComboBoxGridMethodChange();
  }
  OpenDecodedImage(path, std::move(decoded));
  state_.ProjectFile.clear();
  SetResaveEnabled(false);
  UpdateCaption();
}

bool TForm1::ConfirmRotation(float requested) {
  if (requested == view_.RotationAngle) return true;
  if (NumMarkers() > 0 || !Lines().empty()) {
    const MsgResult answer =
        Msg(MsgKind::Warning,
            "マーカーまたはポイントの座標値があります。\n画像を回転させると、画像上でのそれらの位置"
            "は元と違うことになります。\nこのまま回転を行ってよろしいですか。",
            MsgButtons::YesNo);
    if (answer != MsgResult::Yes) {
      // The controls show the angle in force again.
      int back = 4;
      for (int i = 0; i < 4; ++i)
        if (view_.RotationAngle == kQuarterTurns[i]) back = i;
      const QSignalBlocker block(pageImage->EditAngle);
      pageImage->RadioGroupAngle->SetItemIndexSilently(back);
      pageImage->EditAngleBox->setVisible(back == 4);
      pageImage->EditAngle->setText(QString::number(view_.RotationAngle));
      return false;
    }
  }
  view_.RotationAngle = requested;
  return true;
}

void TForm1::ApplyImageSettings() {
  const int item = pageImage->RadioGroupAngle->ItemIndex();
  const float requested = item >= 0 && item < 4
                              ? kQuarterTurns[item]
                              : static_cast<float>(ParseNumber(S(pageImage->EditAngle->text())));
  if (!ConfirmRotation(requested)) return;
  view_.factor = ParseNumber(S(pageImage->EditSizeRatio->text())) / 100;
}

void TForm1::RefreshWorkingImage() {
  if (ImageFile().isEmpty() || state_.isProjLoading) return;
  ApplyImageSettings();
  RebuildAndRedraw();
}

void TForm1::ShowMemoryStatus() {
  SetStatus(5, QString::fromStdString(MemoryStatusText(ReadMemoryStatus())));
}

void TForm1::PictureSaveClick() {
  int filter = 0;
  const QString chosen = dialogs().SaveFile("画像の保存", "Jpeg file (*.jpg);;Bitmap file (*.bmp)",
                                            WritableFolderFor(ImageFile()), &filter);
  if (chosen.isEmpty()) return;
  const QString ext = filter == 1 ? ".bmp" : ".jpg";
  // The extension is the text after the last "." that follows the last separator.
  const int sep = std::max({static_cast<int>(chosen.lastIndexOf('/')),
                            static_cast<int>(chosen.lastIndexOf('\\')),
                            static_cast<int>(chosen.lastIndexOf(':'))});
  const int dot = chosen.lastIndexOf('.');
  const QString path = (dot > sep ? chosen.left(dot) : chosen) + ext;
  if (QFileInfo::exists(path) &&
      Msg(MsgKind::Warning, "同名のファイルが存在します。\n上書き保存してよろしいですか。",
          MsgButtons::YesNo) != MsgResult::Yes)
    return;
  const QImage shown = Image1->Picture();
  if (shown.isNull()) return;
  const auto write = [&](const Bitmap& picture) {
    Failure failure;
    if (!WriteImageFileAtomically(S(path), EncodeImageForPath(picture, S(path), 90), &failure))
      Msg(MsgKind::Error, WithReason("ファイル " + path + " の書き込みに失敗しました。", failure));
  };
  const PixelRect r = WindowPixels(CurrentView());
  const bool whole = r.x0 == 0 && r.y0 == 0 && r.x1 == view_.SWidth && r.y1 == view_.SHeight;
  // At the top-left corner the whole working image is saved: the only place that needs all of
  // it, made here and let go after.
  struct Release {
    WorkingImage& built;
    ~Release() { built = WorkingImage(); }
  } release{images_->built};
  if (whole) {
    const BuildResult built =
        zelko::BuildWorkingImage(images_->OriginalImage, CurrentWorkingSettings(), images_->built);
    if (!built.ok) {
      Msg(MsgKind::Error, kBuildFailedMessage);
      return;
    }
  }
  // A BMP of a bare picture keeps the working image's own layout (an 8-bit grey photo stays 8
  // bits with its palette); overlays need colours, so a picture with any drawn is 24 bits.
  const int bpp = images_->live.BitsPerPixel();
  const bool inside = r.x0 >= 0 && r.y0 >= 0 && r.x1 <= view_.BitWidth && r.y1 <= view_.BitHeight;
  if (filter == 1 && bpp >= 8 && bpp != 24 && (whole || inside) &&
      shown.convertToFormat(QImage::Format_RGB32) ==
          images_->working.convertToFormat(QImage::Format_RGB32)) {
    const Bitmap own =
        whole ? images_->built.image : images_->live.Window(r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0);
    write(own);
    return;
  }
  QImage out;
  if (whole) {
    // The overlays in the window's part.
    out = WrapBitmap(images_->built.image).convertToFormat(QImage::Format_RGB888);
    QPainter p(&out);
    p.drawImage(0, 0, shown);
  } else {
    out = shown.convertToFormat(QImage::Format_RGB888);
  }
  Bitmap bitmap(out.width(), out.height(), 24);
  for (int y = 0; y < out.height(); ++y) {
    const uchar* src = out.constScanLine(y);
    std::uint8_t* dst = bitmap.Row(y);
    for (int x = 0; x < out.width(); ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  write(bitmap);
}

}  // namespace zelko
