#include "app/view_widget.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

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

void ViewWidget::SetKeyboardPointer(bool on) {
  keyboardPointer_ = on;
  // Reached by Tab only: a click on the view places a point, it does not take the focus from
  // a table being typed into.
  setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
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
  if (keyboardPointer_ && hasFocus() && keyPos_.x() >= 0) {
    // A cross in inverted colours shows on any picture, and leaves the pixel itself visible.
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(Qt::white);
    const QPoint c = keyPos_;
    p.drawLine(c.x() - 8, c.y(), c.x() - 2, c.y());
    p.drawLine(c.x() + 2, c.y(), c.x() + 8, c.y());
    p.drawLine(c.x(), c.y() - 8, c.x(), c.y() - 2);
    p.drawLine(c.x(), c.y() + 2, c.x(), c.y() + 8);
  }
}

void ViewWidget::MoveKeyboardPointer(QPoint to) {
  to.setX(std::clamp(to.x(), 0, std::max(0, width() - 1)));
  to.setY(std::clamp(to.y(), 0, std::max(0, height() - 1)));
  keyPos_ = to;
  update();
  emit MouseMove(keyPos_.x(), keyPos_.y());
}

void ViewWidget::OpenMenuAtPointer() {
  if (contextMenuPolicy() == Qt::CustomContextMenu && keyPos_.x() >= 0)
    emit customContextMenuRequested(keyPos_);
}

void ViewWidget::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  if (!keyboardPointer_) return;
  // The pointer starts where the mouse last was, or in the middle.
  const QPoint mouse = mapFromGlobal(QCursor::pos());
  MoveKeyboardPointer(keyPos_.x() >= 0         ? keyPos_
                      : rect().contains(mouse) ? mouse
                                               : rect().center());
}

void ViewWidget::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  update();
}

void ViewWidget::keyPressEvent(QKeyEvent* e) {
  if (!keyboardPointer_) return QWidget::keyPressEvent(e);
  const int step = e->modifiers() & Qt::ShiftModifier ? 10 : 1;
  switch (e->key()) {
    case Qt::Key_Left:
      return MoveKeyboardPointer(keyPos_ - QPoint(step, 0));
    case Qt::Key_Right:
      return MoveKeyboardPointer(keyPos_ + QPoint(step, 0));
    case Qt::Key_Up:
      return MoveKeyboardPointer(keyPos_ - QPoint(0, step));
    case Qt::Key_Down:
      return MoveKeyboardPointer(keyPos_ + QPoint(0, step));
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (e->isAutoRepeat()) return;
      emit MouseDown(Qt::LeftButton, keyPos_.x(), keyPos_.y());
      return;
    case Qt::Key_Menu:
      menuKeyDown_ = true;
      return OpenMenuAtPointer();
    case Qt::Key_F10:
      if (e->modifiers() & Qt::ShiftModifier) return OpenMenuAtPointer();
      break;
    default:
      break;
  }
  QWidget::keyPressEvent(e);
}

void ViewWidget::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Menu) menuKeyDown_ = false;
  QWidget::keyReleaseEvent(e);
}

bool ViewWidget::event(QEvent* e) {
  // A menu asked for from the keyboard opens at the keyboard's pointer; the menu key itself
  // has opened it already.
  if (keyboardPointer_ && e->type() == QEvent::ContextMenu &&
      static_cast<QContextMenuEvent*>(e)->reason() == QContextMenuEvent::Keyboard) {
    if (!menuKeyDown_) OpenMenuAtPointer();
    return true;
  }
  return QWidget::event(e);
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
