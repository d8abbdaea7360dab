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

 private:
  QImage picture_;
  bool stretch_ = false;
};

}  // namespace zelko
