#include "app/widgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zelko {

RadioGroup::RadioGroup(const QString& name, const QString& caption, const QStringList& items,
                       int columns, QWidget* parent)
    : QGroupBox(caption, parent) {
  setObjectName(name);
  setAccessibleName(caption);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 4);
  const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    b->setObjectName(name + "_" + QString::number(i));
    group_.addButton(b, i);
    grid->addWidget(b, i % rows, i / rows);
  }
  connect(&group_, &QButtonGroup::idClicked, this, [this](int) { emit Click(); });
}

int RadioGroup::ItemIndex() const { return group_.checkedId(); }

void RadioGroup::SetItemIndex(int index) {
  SetItemIndexSilently(index);
  emit Click();
}

void RadioGroup::SetItemIndexSilently(int index) {
  if (auto* b = group_.button(index)) b->setChecked(true);
}

UpDown::UpDown(const QString& name, QLineEdit* associate, int min, int max, QWidget* parent)
    : QWidget(parent), associate_(associate), min_(min), max_(max), position_(min) {
  setObjectName(name);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  up_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  up_->setFixedSize(18, 11);
  up_->setAccessibleName(name + " up");
  down_ = new QToolButton(this);
  down_->setArrowType(Qt::DownArrow);
  down_->setFixedSize(18, 11);
  down_->setAccessibleName(name + " down");
  layout->addWidget(up_);
  layout->addWidget(down_);
  connect(up_, &QToolButton::clicked, this, [this] { SetPosition(position_ + 1); });
  connect(down_, &QToolButton::clicked, this, [this] { SetPosition(position_ - 1); });
}

void UpDown::SetPosition(int p) {
  if (p < min_) p = min_;
  if (p > max_) p = max_;
  position_ = p;
  if (associate_) associate_->setText(QString::number(p));
}

LabeledEdit::LabeledEdit(const QString& name, const QString& caption, const QString& text,
                         QWidget* parent)
    : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  label_ = new QLabel(caption, this);
  edit_ = new QLineEdit(text, this);
  edit_->setObjectName(name);
  edit_->setAccessibleName(caption);
  label_->setBuddy(edit_);
  layout->addWidget(label_);
  layout->addWidget(edit_, 1);
}

void LabeledEdit::SetCaption(const QString& caption) {
  label_->setText(caption);
  edit_->setAccessibleName(caption);
}

}  // namespace zelko
