#include "app/view_widget.h"

#include <QMouseEvent>
#include <QPainter>

namespace zelko {

ViewWidget::ViewWidget(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  setAccessibleName(name);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ViewWidget::SetPicture(const QImage& image) {
  picture_ = image;
  update();
}

void ViewWidget::ClearPicture() {
  picture_ = QImage();
  update();
}

void ViewWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  if (picture_.isNull()) return;
  if (stretch_) {
    QSize s = picture_.size().scaled(size(), Qt::KeepAspectRatio);
    p.drawImage(QRect(QPoint(0, 0), s), picture_);
  } else {
    p.drawImage(0, 0, picture_);
  }
}

void ViewWidget::mousePressEvent(QMouseEvent* e) {
  emit MouseDown(e->button(), static_cast<int>(e->position().x()),
                 static_cast<int>(e->position().y()));
}

void ViewWidget::mouseMoveEvent(QMouseEvent* e) {
  emit MouseMove(static_cast<int>(e->position().x()), static_cast<int>(e->position().y()));
}

// Qt turns the second press of a quick pair into a double-click event instead of a press; it is
// still a press, and a fast second click while digitising must take its point.
void ViewWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  mousePressEvent(e);
  emit DoubleClick();
}

void ViewWidget::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  emit Resized();
}

}  // namespace zelko
