// The about box "Zelko バージョン情報".
#pragma once

#include <QDialog>
#include <QLabel>

namespace zelko {

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent);
  QString ProductName() const { return productName_->text(); }

 private:
  QLabel* productName_;
};

}  // namespace zelko
