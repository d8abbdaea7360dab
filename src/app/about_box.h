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
  // Names the settings file in use, and whether it is a portable copy's, beside the executable.
  void SetSettingsFile(const QString& path, bool besideExecutable);

 private:
  QLabel* productName_;
  QLabel* settingsFile_;
};

}  // namespace zelko
