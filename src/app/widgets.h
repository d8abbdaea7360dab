// Small controls the pages share: a radio group whose selection from the program runs its click
// handling, an up-down spinner bound to an edit, and a labelled edit.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

namespace zelko {

class RadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  RadioGroup(const QString& name, const QString& caption, const QStringList& items, int columns,
             QWidget* parent = nullptr);
  int ItemIndex() const;
  // Runs the click handling, as a user's choice does.
  void SetItemIndex(int index);
  // Sets the selection without any handling.
  void SetItemIndexSilently(int index);
  int Count() const { return static_cast<int>(group_.buttons().size()); }

 signals:
  void Click();

 private:
  QButtonGroup group_;
};

// Up and down arrows that step a position and write it into their edit.
class UpDown : public QWidget {
  Q_OBJECT
 public:
  UpDown(const QString& name, QLineEdit* associate, int min, int max, QWidget* parent = nullptr);
  int Position() const { return position_; }
  void SetPosition(int p);  // writes the edit's text
  void SetPositionSilently(int p) { position_ = p; }
  int Min() const { return min_; }
  int Max() const { return max_; }
  QToolButton* UpButton() const { return up_; }
  QToolButton* DownButton() const { return down_; }

 private:
  QLineEdit* associate_;
  QToolButton* up_;
  QToolButton* down_;
  int min_, max_, position_;
};

// An edit with its caption on the left; the caption names the edit for assistive technology.
class LabeledEdit : public QWidget {
  Q_OBJECT
 public:
  LabeledEdit(const QString& name, const QString& caption, const QString& text,
              QWidget* parent = nullptr);
  QLineEdit* edit() const { return edit_; }
  QLabel* label() const { return label_; }
  void SetCaption(const QString& caption);

 private:
  QLabel* label_;
  QLineEdit* edit_;
};

}  // namespace zelko
