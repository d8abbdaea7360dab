// Shows a picture unscaled at its top-left corner and reports mouse events in its pixels.
#pragma once

#include <QImage>
#include <QWidget>

namespace zelko {

class ViewWidget : public QWidget {
  Q_OBJECT
 public:
  explicit ViewWidget(const QString& name, QWidget* parent = nullptr);

  void SetPicture(const QImage& image);
  const QImage& Picture() const { return picture_; }
  bool HasPicture() const { return !picture_.isNull(); }
  void ClearPicture();
  // A fixed-size overview scales its picture proportionally; the main view does not.
  void SetStretch(bool on) { stretch_ = on; }
  // The view takes the keyboard focus and then has a pointer of its own: the arrows move it
  // (Shift: ten pixels), Space or Enter clicks there, the menu key or Shift+F10 opens the menu
  // there. It reports what a mouse would.
  void SetKeyboardPointer(bool on);
  QPoint KeyboardPointer() const { return keyPos_; }

 signals:
  void MouseDown(Qt::MouseButton button, int x, int y);
  void MouseMove(int x, int y);
  void DoubleClick();
  void Resized();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  bool event(QEvent* e) override;

 private:
  void MoveKeyboardPointer(QPoint to);
  void OpenMenuAtPointer();

  QImage picture_;
  bool stretch_ = false;
  bool keyboardPointer_ = false;
  QPoint keyPos_{-1, -1};
  bool menuKeyDown_ = false;
};

}  // namespace zelko
