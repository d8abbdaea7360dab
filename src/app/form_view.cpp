// The view: redraw, zoom, pan, wheel, overview clicks and the pointer read-out.
#include <QEvent>
#include <QWheelEvent>
#include <cstdlib>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/form.h"
#include "app/image_page.h"
#include "app/view_widget.h"
#include "app/window_images.h"
#include "coords/transform.h"
#include "document/numbers.h"
#include "measure/formats.h"
#include "render/live_picture.h"
#include "render/view_render.h"

namespace zelko {

namespace {

QString Fmt(double v, const QString& picture) {
  return QString::fromStdString(FormatPicture(v, picture.toStdString()));
}

}  // namespace

ViewWindow TForm1::CurrentView() const {
  return ViewWindow{XB0, YB0, SWidth, SHeight, factor, BitWidth, BitHeight};
}

void TForm1::PaintPicture(double X, double Y) {
  if (!images->live.Defined()) return;
  ViewWindow w = CurrentView();
  PlaceViewWindow(w, ViewWidth(), ViewHeight(), X, Y);
  XB0 = w.XB0;
  YB0 = w.YB0;
  SWidth = w.SWidth;
  SHeight = w.SHeight;
  // Only the window's pixels are computed, straight from the loaded image.
  LiveViewPicture(images->live, w, images->working);
  QImage picture = images->working;
  Xcent = (SWidth / 2.0 + XB0) / factor;
  Ycent = (SHeight / 2.0 + YB0) / factor;
  Image->SetPicture(OverviewPicture(images->small, w, sym));
  if (withMesh) isMeshOK = DrawGrid(picture);
  if (isMarked)
    DrawMarkers(picture, w, MarkerPositions(), NumMarkers(), pageCoord->StringGrid1->Row(), sym);
  if (isPointing == 2) DrawScaleRubberBand(picture, w, Scale[0], XPre, YPre, sym);
  if (isAreaMode) {
    if (groupBoxesStale_ || groupBoxes_.size() != Lines().size()) {
      groupBoxes_ = GroupBoxes(Lines());
      groupBoxesStale_ = false;
    }
    DrawGroups(picture, w, Lines(), groupBoxes_, GroupHighlight(), sym);
  }
  Image1->SetPicture(picture);
  ShowMemoryStatus();
}

void TForm1::ToolButtonEnlargeClick() {
  if (factor == fmax) {
    Msg(MsgKind::Warning, "これ以上拡大できません。");
    return;
  }
  factor *= 1.5;
  if (factor > fmax) factor = fmax;
  pageImage->EditSizeRatio->setText(Fmt(factor * 100, "0.0"));
  if (BuildWorkingImage()) PaintPicture(Xcent * factor, Ycent * factor);
}

void TForm1::ToolButtonReduceClick() {
  const double fit = FitFactor();
  factor /= 1.5;
  if (factor < fit) factor = fit;
  pageImage->EditSizeRatio->setText(Fmt(factor * 100, "0.0"));
  if (BuildWorkingImage()) PaintPicture(Xcent * factor, Ycent * factor);
}

void TForm1::Pan(int direction) {
  switch (direction) {
    case 0:
      PaintPicture(XB0 + SWidth / 4.0, -1);
      break;
    case 1:
      PaintPicture(XB0 + 3.0 * SWidth / 4.0, -1);
      break;
    case 2:
      PaintPicture(-1, YB0 + 3.0 * SHeight / 4.0);
      break;
    case 3:
      PaintPicture(-1, YB0 + SHeight / 4.0);
      break;
  }
}

void TForm1::ToolButtonAutoTrackClick() {
  isAutoTrack = !isAutoTrack;
  ToolButtonAutoTrack->setChecked(isAutoTrack);
}

void TForm1::FormResize() {
  if (!Image1->HasPicture() || !images->live.Defined()) return;
  const double fit = FitFactor();
  if (factor < fit) {
    factor = fit;
    pageImage->EditSizeRatio->setText(Fmt(factor * 100, "0.0"));
  }
  if (BuildWorkingImage()) PaintPicture(-1, -1);
}

void TForm1::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  Guard([this] { FormResize(); });
}

bool TForm1::WheelZoom(int delta) {
  const double vx = XPre * factor - XB0;
  const double vy = YPre * factor - YB0;
  if (delta > 0) {
    if (factor == fmax) {
      Msg(MsgKind::Warning, "これ以上拡大できません。");
      return false;
    }
    factor *= 1.5;
    if (factor > fmax) factor = fmax;
  } else {
    const double fit = FitFactor();
    factor /= 1.5;
    if (factor < fit) factor = fit;
  }
  XB0 = XPre * factor - vx;
  YB0 = YPre * factor - vy;
  pageImage->EditSizeRatio->setText(Fmt(factor * 100, "0.0"));
  if (BuildWorkingImage()) PaintPicture(-1, -1);
  return true;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (event->type() == QEvent::Wheel && !ImageFile().isEmpty() && widget &&
      widget->window() == this) {
    auto* wheel = static_cast<QWheelEvent*>(event);
    const int delta = wheel->angleDelta().y();
    if (delta == 0) return QMainWindow::eventFilter(watched, event);
    // Fine-grained wheels and touchpads send a notch in many small parts: one step per notch,
    // and a turn back starts counting anew.
    constexpr int kNotch = 120;
    if ((delta > 0) != (wheelAngle_ > 0)) wheelAngle_ = 0;
    wheelAngle_ += delta;
    bool handled = true;
    while (handled && std::abs(wheelAngle_) >= kNotch) {
      const int step = wheelAngle_ > 0 ? kNotch : -kNotch;
      wheelAngle_ -= step;
      Guard([&] { handled = WheelZoom(step); });
    }
    if (!handled) wheelAngle_ = 0;
    return handled;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::ImageMouseDown(int x, int y) {
  if (images->small.isNull() || factor2 <= 0) return;
  // The overview scales its picture to the control; map back to the picture's pixels.
  const QSize shown = images->small.size().scaled(Image->size(), Qt::KeepAspectRatio);
  const double sx = shown.width() > 0 ? double(images->small.width()) / shown.width() : 1;
  const double sy = shown.height() > 0 ? double(images->small.height()) / shown.height() : 1;
  double cx = x * sx / factor2, cy = y * sy / factor2;
  if (cx + SWidth / 2.0 > BitWidth)
    cx = BitWidth - SWidth / 2.0;
  else if (cx - SWidth / 2.0 < 0)
    cx = SWidth / 2.0;
  if (cy + SHeight / 2.0 > BitHeight)
    cy = BitHeight - SHeight / 2.0;
  else if (cy - SHeight / 2.0 < 0)
    cy = SHeight / 2.0;
  PaintPicture(RoundHalfAway(cx), RoundHalfAway(cy));
}

void TForm1::Image1MouseMove(int x, int y) {
  if (!Image1->HasPicture() || !Image1->isVisible()) return;
  XPre = (x + XB0) / factor;
  YPre = (y + YB0) / factor;
  SetStatus(1, "画像座標(" + Fmt(XPre, "0.0") + ", " + Fmt(YPre, "0.0") + ")");
  const int method = Method();
  if (isCoord()) {
    const QString format = QString::fromStdString(PositionFormat(Unit(), Decimals()));
    SetStatus(2, "物理座標(" + Fmt(EvaluateTransform(method, Cx(), XPre, YPre), format) + ", " +
                     Fmt(EvaluateTransform(method, Cy(), XPre, YPre), format) + ")");
  } else {
    SetStatus(2, "");
  }
  if (isPointing == 2) PaintPicture(-1, -1);
}

void TForm1::Image1MouseDown(Qt::MouseButton button, int x, int y) {
  if (button != Qt::LeftButton || !Image1->HasPicture() || !Image1->isVisible()) return;
  // The pointer position of the click, also when no move preceded it.
  XPre = (x + XB0) / factor;
  YPre = (y + YB0) / factor;
  bool editDone = false;
  if (isPointing == 1 || isPointing == 2) {
    ReferenceLinePick();
  } else if (isModifyPoint) {
    if (!CompletePointMove()) return;
    editDone = true;
  } else if (isAddPoint) {
    if (!CompletePointInsert()) return;
    editDone = true;
  } else if (IDLine >= 0 && NumPoints >= 0) {
    TakeNewPoint();
  }
  if (isAutoTrack && !editDone)
    PaintPicture(x + XB0, y + YB0);
  else
    PaintPicture(-1, -1);
}

}  // namespace zelko
