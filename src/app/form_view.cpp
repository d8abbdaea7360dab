// The view: redraw, zoom, pan, wheel, overview clicks and the pointer read-out.
#include <QEvent>
#include <QWheelEvent>
#include <cmath>
#include <cstdlib>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/form.h"
#include "app/image_page.h"
#include "app/view_widget.h"
#include "app/window_images.h"
#include "coords/fit_quality.h"
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
  return ViewWindow{view_.XB0,    view_.YB0,      view_.SWidth,   view_.SHeight,
                    view_.factor, view_.BitWidth, view_.BitHeight};
}

void TForm1::PaintPicture(double X, double Y) {
  if (!images_->live.Defined()) return;
  ViewWindow w = CurrentView();
  PlaceViewWindow(w, ViewWidth(), ViewHeight(), X, Y);
  view_.XB0 = w.XB0;
  view_.YB0 = w.YB0;
  view_.SWidth = w.SWidth;
  view_.SHeight = w.SHeight;
  // Only the window's pixels are computed, straight from the loaded image.
  LiveViewPicture(images_->live, w, images_->working);
  QImage picture = images_->working;
  view_.Xcent = (view_.SWidth / 2.0 + view_.XB0) / view_.factor;
  view_.Ycent = (view_.SHeight / 2.0 + view_.YB0) / view_.factor;
  Image->SetPicture(OverviewPicture(images_->small, w, state_.sym));
  if (state_.withMesh) state_.isMeshOK = DrawGrid(picture);
  if (state_.isMarked)
    DrawMarkers(picture, w, MarkerPositions(), NumMarkers(), pageCoord->StringGrid1->Row(),
                state_.sym);
  if (state_.isPointing == 2)
    DrawScaleRubberBand(picture, w, state_.Scale[0], state_.XPre, state_.YPre, state_.sym);
  if (state_.isAreaMode) {
    if (groupBoxesStale_ || groupBoxes_.size() != Lines().size()) {
      groupBoxes_ = GroupBoxes(Lines());
      groupBoxesStale_ = false;
    }
    DrawGroups(picture, w, Lines(), groupBoxes_, GroupHighlight(), state_.sym);
  }
  Image1->SetPicture(picture);
  ShowMemoryStatus();
}

void TForm1::ToolButtonEnlargeClick() {
  if (view_.factor == view_.fmax) {
    Msg(MsgKind::Warning, "これ以上拡大できません。");
    return;
  }
  view_.factor *= 1.5;
  if (view_.factor > view_.fmax) view_.factor = view_.fmax;
  pageImage->EditSizeRatio->setText(Fmt(view_.factor * 100, "0.0"));
  if (BuildWorkingImage()) PaintPicture(view_.Xcent * view_.factor, view_.Ycent * view_.factor);
}

void TForm1::ToolButtonReduceClick() {
  const double fit = FitFactor();
  view_.factor /= 1.5;
  if (view_.factor < fit) view_.factor = fit;
  pageImage->EditSizeRatio->setText(Fmt(view_.factor * 100, "0.0"));
  if (BuildWorkingImage()) PaintPicture(view_.Xcent * view_.factor, view_.Ycent * view_.factor);
}

void TForm1::Pan(int direction) {
  switch (direction) {
    case 0:
      PaintPicture(view_.XB0 + view_.SWidth / 4.0, -1);
      break;
    case 1:
      PaintPicture(view_.XB0 + 3.0 * view_.SWidth / 4.0, -1);
      break;
    case 2:
      PaintPicture(-1, view_.YB0 + 3.0 * view_.SHeight / 4.0);
      break;
    case 3:
      PaintPicture(-1, view_.YB0 + view_.SHeight / 4.0);
      break;
  }
}

void TForm1::ToolButtonAutoTrackClick() {
  state_.isAutoTrack = !state_.isAutoTrack;
  ToolButtonAutoTrack->setChecked(state_.isAutoTrack);
}

void TForm1::FormResize() {
  if (!Image1->HasPicture() || !images_->live.Defined()) return;
  const double fit = FitFactor();
  if (view_.factor < fit) {
    view_.factor = fit;
    pageImage->EditSizeRatio->setText(Fmt(view_.factor * 100, "0.0"));
  }
  if (BuildWorkingImage()) PaintPicture(-1, -1);
}

void TForm1::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  Guard([this] { FormResize(); });
}

bool TForm1::WheelZoom(int delta) {
  const double vx = state_.XPre * view_.factor - view_.XB0;
  const double vy = state_.YPre * view_.factor - view_.YB0;
  if (delta > 0) {
    if (view_.factor == view_.fmax) {
      Msg(MsgKind::Warning, "これ以上拡大できません。");
      return false;
    }
    view_.factor *= 1.5;
    if (view_.factor > view_.fmax) view_.factor = view_.fmax;
  } else {
    const double fit = FitFactor();
    view_.factor /= 1.5;
    if (view_.factor < fit) view_.factor = fit;
  }
  view_.XB0 = state_.XPre * view_.factor - vx;
  view_.YB0 = state_.YPre * view_.factor - vy;
  pageImage->EditSizeRatio->setText(Fmt(view_.factor * 100, "0.0"));
  if (BuildWorkingImage()) PaintPicture(-1, -1);
  return true;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::EnabledChange && pageArea && watched == pageArea->BitBtnCalArea)
    UpdateCalculateCommand();
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
  if (images_->small.isNull() || view_.factor2 <= 0) return;
  // The overview scales its picture to the control; map back to the picture's pixels.
  const QSize shown = images_->small.size().scaled(Image->size(), Qt::KeepAspectRatio);
  const double sx = shown.width() > 0 ? double(images_->small.width()) / shown.width() : 1;
  const double sy = shown.height() > 0 ? double(images_->small.height()) / shown.height() : 1;
  double cx = x * sx / view_.factor2, cy = y * sy / view_.factor2;
  if (cx + view_.SWidth / 2.0 > view_.BitWidth)
    cx = view_.BitWidth - view_.SWidth / 2.0;
  else if (cx - view_.SWidth / 2.0 < 0)
    cx = view_.SWidth / 2.0;
  if (cy + view_.SHeight / 2.0 > view_.BitHeight)
    cy = view_.BitHeight - view_.SHeight / 2.0;
  else if (cy - view_.SHeight / 2.0 < 0)
    cy = view_.SHeight / 2.0;
  PaintPicture(RoundHalfAway(cx), RoundHalfAway(cy));
}

void TForm1::Image1MouseMove(int x, int y) {
  if (!Image1->HasPicture() || !Image1->isVisible()) return;
  state_.XPre = (x + view_.XB0) / view_.factor;
  state_.YPre = (y + view_.YB0) / view_.factor;
  SetStatus(1, "画像座標(" + Fmt(state_.XPre, "0.0") + ", " + Fmt(state_.YPre, "0.0") + ")");
  const int method = Method();
  if (isCoord()) {
    const PointPlace place = PlaceOf(MarkerRegionNow(), Cx(), state_.XPre, state_.YPre);
    const QString format = QString::fromStdString(PositionFormat(Unit(), Decimals()));
    if (place == PointPlace::BeyondVanishingLine)
      SetStatus(2, "物理座標なし（消失線の向こう側）");
    else {
      QString sd;
      if (ShowUncertainty->isChecked()) {
        const PositionSd s =
            PositionUncertainty(UncertaintyNow(), method, Cx(), Cy(), state_.XPre, state_.YPre);
        sd = std::isfinite(s.x) ? " ±(" + QString::fromStdString(SdText(s.x)) + ", " +
                                      QString::fromStdString(SdText(s.y)) + ")"
                                : QString(" ±不明");
      }
      SetStatus(
          2, "物理座標(" + Fmt(EvaluateTransform(method, Cx(), state_.XPre, state_.YPre), format) +
                 ", " + Fmt(EvaluateTransform(method, Cy(), state_.XPre, state_.YPre), format) +
                 ")" + sd + (place == PointPlace::OutsideMarkers ? "　マーカーの範囲外" : ""));
    }
  } else {
    SetStatus(2, "");
  }
  if (state_.isPointing == 2) PaintPicture(-1, -1);
}

void TForm1::Image1MouseDown(Qt::MouseButton button, int x, int y) {
  if (button != Qt::LeftButton || !Image1->HasPicture() || !Image1->isVisible()) return;
  // The pointer position of the click, also when no move preceded it.
  state_.XPre = (x + view_.XB0) / view_.factor;
  state_.YPre = (y + view_.YB0) / view_.factor;
  bool editDone = false;
  if (state_.isPointing == 1 || state_.isPointing == 2) {
    ReferenceLinePick();
  } else if (state_.isModifyPoint) {
    if (!CompletePointMove()) return;
    editDone = true;
  } else if (state_.isAddPoint) {
    if (!CompletePointInsert()) return;
    editDone = true;
  } else if (state_.IDLine >= 0 && state_.NumPoints >= 0) {
    TakeNewPoint();
  }
  if (state_.isAutoTrack && !editDone)
    PaintPicture(x + view_.XB0, y + view_.YB0);
  else
    PaintPicture(-1, -1);
}

}  // namespace zelko
