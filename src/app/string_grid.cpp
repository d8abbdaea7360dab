#include "app/string_grid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

namespace zelko {

StringGrid::StringGrid(const QString& name, QWidget* parent) : QTableWidget(parent) {
  setObjectName(name);
  setAccessibleName(name);
  horizontalHeader()->hide();
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(20);
  horizontalHeader()->setDefaultSectionSize(64);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setColumnCount(2);
  setRowCount(2);
  connect(this, &QTableWidget::currentCellChanged, this, &StringGrid::OnCurrentChanged);
  // The program's own changes run with signals blocked, so this is the user's edit.
  connect(this, &QTableWidget::itemChanged, this,
          [this](QTableWidgetItem* item) { emit CellEdited(item->column(), item->row()); });
  ApplyFixedLook();
}

QTableWidgetItem* StringGrid::ItemAt(int col, int row) {
  QTableWidgetItem* it = item(row, col);
  if (!it) {
    it = new QTableWidgetItem();
    const bool fixed = row < fixedRows_ || col < fixedCols_;
    if (fixed) {
      it->setFlags(Qt::ItemIsEnabled);
      it->setBackground(palette().button());
    }
    setItem(row, col, it);
  }
  return it;
}

QString StringGrid::Cells(int col, int row) const {
  if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount()) return {};
  const QTableWidgetItem* it = item(row, col);
  return it ? it->text() : QString();
}

void StringGrid::SetCell(int col, int row, const QString& text) {
  if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount()) return;
  const bool wasBlocked = blockSignals(true);
  ItemAt(col, row)->setText(text);
  blockSignals(wasBlocked);
  viewport()->update();
}

void StringGrid::ClearRow(int row) {
  for (int c = 0; c < columnCount(); ++c) SetCell(c, row, QString());
}

void StringGrid::SetRowCount(int n) {
  if (n < 1) n = 1;
  const bool wasBlocked = blockSignals(true);
  setRowCount(n);
  blockSignals(wasBlocked);
  ApplyFixedLook();
  if (row_ >= n) SetRow(n - 1);
}

void StringGrid::SetColCount(int n) {
  if (n < 1) n = 1;
  const bool wasBlocked = blockSignals(true);
  setColumnCount(n);
  blockSignals(wasBlocked);
  ApplyFixedLook();
  if (col_ >= n) col_ = n - 1;
}

void StringGrid::SetFixedRows(int n) {
  fixedRows_ = n;
  ApplyFixedLook();
}

void StringGrid::SetFixedCols(int n) {
  fixedCols_ = n;
  ApplyFixedLook();
}

void StringGrid::ApplyFixedLook() {
  const bool wasBlocked = blockSignals(true);
  for (int r = 0; r < rowCount(); ++r)
    for (int c = 0; c < columnCount(); ++c) {
      QTableWidgetItem* it = ItemAt(c, r);
      const bool fixed = r < fixedRows_ || c < fixedCols_;
      if (fixed) {
        it->setFlags(Qt::ItemIsEnabled);
        it->setBackground(palette().button());
      } else {
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        it->setBackground(QBrush());
      }
    }
  blockSignals(wasBlocked);
}

void StringGrid::SetRow(int row) { SetCurrent(col_ < fixedCols_ ? fixedCols_ : col_, row); }

void StringGrid::SetCurrent(int col, int row) {
  if (row < 0 || row >= rowCount()) return;
  if (col < 0 || col >= columnCount()) col = std::min(fixedCols_, columnCount() - 1);
  const int oldRow = row_;
  row_ = row;
  col_ = col;
  {
    const bool wasBlocked = blockSignals(true);
    setCurrentCell(row, col);
    blockSignals(wasBlocked);
  }
  viewport()->update();
  if (oldRow != row) emit Click();
}

QRect StringGrid::Selection() const {
  const auto ranges = selectedRanges();
  if (ranges.isEmpty()) return QRect(QPoint(col_, row_), QPoint(col_, row_));
  const auto& r = ranges.first();
  return QRect(QPoint(r.leftColumn(), r.topRow()), QPoint(r.rightColumn(), r.bottomRow()));
}

void StringGrid::SetSelection(const QRect& r) {
  clearSelection();
  setRangeSelected(QTableWidgetSelectionRange(r.top(), r.left(), r.bottom(), r.right()), true);
}

int StringGrid::TopRow() const {
  const int r = rowAt(0);
  return r < 0 ? 0 : r;
}

void StringGrid::SetTopRow(int row) {
  if (row >= 0 && row < rowCount()) scrollToItem(item(row, 0), QAbstractItemView::PositionAtTop);
}

void StringGrid::SetRowSelect(bool on) {
  // Highlights the current row (or only the current cell again) without moving the current
  // cell, which a plain selectRow would put into the fixed column.
  setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
  const bool wasBlocked = blockSignals(true);
  clearSelection();
  if (on && row_ >= 0 && row_ < rowCount() && columnCount() > fixedCols_)
    setRangeSelected(QTableWidgetSelectionRange(row_, fixedCols_, row_, columnCount() - 1), true);
  else if (!on && row_ >= 0 && row_ < rowCount() && col_ >= 0 && col_ < columnCount())
    setRangeSelected(QTableWidgetSelectionRange(row_, col_, row_, col_), true);
  blockSignals(wasBlocked);
}

void StringGrid::SetEditorMode(bool on) {
  if (!on) {
    editing_ = false;
    if (QWidget* ed = Editor()) {
      commitData(ed);
      closeEditor(ed, QAbstractItemDelegate::NoHint);
    }
    return;
  }
  if (editing_ && Editor()) return;
  editing_ = true;
  QTableWidgetItem* it = item(row_, col_);
  if (!it || !(it->flags() & Qt::ItemIsEditable)) return;
  {
    const bool wasBlocked = blockSignals(true);
    setCurrentCell(row_, col_);
    blockSignals(wasBlocked);
  }
  editItem(it);
}

QWidget* StringGrid::Editor() const {
  const QModelIndex index = model()->index(row_, col_);
  return index.isValid() ? indexWidget(index) : nullptr;
}

bool StringGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  const bool opened = QTableWidget::edit(index, trigger, event);
  if (opened) {
    if (QWidget* ed = indexWidget(index)) {
      // Installed after the delegate's filter, so this one sees the keys first.
      ed->installEventFilter(this);
      // A right-click on the editor opens the table's own menu, when it has one.
      if (contextMenuPolicy() == Qt::CustomContextMenu) ed->setContextMenuPolicy(Qt::NoContextMenu);
    }
  }
  return opened;
}

bool StringGrid::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->parentWidget() == viewport()) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      emit EnterPressed();
      return true;
    }
    if (key->key() == Qt::Key_Backspace || (!key->text().isEmpty() && key->text().at(0).isPrint()))
      emit KeyTyped(key->text());
  }
  return QTableWidget::eventFilter(watched, event);
}

void StringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  // Tab ends the edit in place instead of opening the next cell's editor.
  if (hint == QAbstractItemDelegate::EditNextItem ||
      hint == QAbstractItemDelegate::EditPreviousItem)
    hint = QAbstractItemDelegate::NoHint;
  QTableWidget::closeEditor(editor, hint);
  editing_ = false;
}

void StringGrid::FitColumnWidths() {
  QFontMetrics fm(font());
  for (int c = 0; c < columnCount(); ++c) {
    int w = 0;
    for (int r = 0; r < rowCount(); ++r) w = std::max(w, fm.horizontalAdvance(Cells(c, r)));
    setColumnWidth(c, w + 12);
  }
}

QString StringGrid::TableText() const {
  QString out;
  for (int r = 0; r < rowCount(); ++r)
    for (int c = 0; c < columnCount(); ++c) {
      out += Cells(c, r);
      out += c + 1 < columnCount() ? QStringLiteral("\t") : QStringLiteral("\r\n");
    }
  return out;
}

void StringGrid::OnCurrentChanged(int row, int col, int, int) {
  if (row < 0 || col < 0) return;
  // Fixed cells cannot be current; keep the current cell in the scrollable part.
  if (row < fixedRows_ || col < fixedCols_) return;
  const int oldRow = row_;
  const int oldCol = col_;
  row_ = row;
  col_ = col;
  if (oldRow != row || oldCol != col) {
    if (editing_) {
      editing_ = false;
    }
    clickSent_ = true;
    emit Click();
  }
}

void StringGrid::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    emit EnterPressed();
    return;
  }
  const bool typed = !e->text().isEmpty() && e->text().at(0).isPrint();
  if (typed || e->key() == Qt::Key_Backspace) {
    emit KeyTyped(e->text());
    // No keyboard search: a typed character never moves the current cell.
    if (typed) {
      e->accept();
      return;
    }
  }
  QTableWidget::keyPressEvent(e);
}

void StringGrid::focusOutEvent(QFocusEvent* e) {
  QTableWidget::focusOutEvent(e);
  // Leaving the table ends the edit; a pop-up menu or the table's own editor taking the focus
  // does not.
  if (e->reason() == Qt::PopupFocusReason) return;
  QWidget* now = QApplication::focusWidget();
  if (now && (now == this || isAncestorOf(now))) return;
  if (editing_) SetEditorMode(false);
}

void StringGrid::mouseDoubleClickEvent(QMouseEvent* e) {
  QTableWidget::mouseDoubleClickEvent(e);
  emit DblClick();
}

void StringGrid::mousePressEvent(QMouseEvent* e) {
  // A right-click opens the menu on the current cell and selection; it does not move them.
  if (e->button() == Qt::RightButton) {
    e->accept();
    return;
  }
  clickSent_ = false;
  QTableWidget::mousePressEvent(e);
  if (!clickSent_ && e->button() == Qt::LeftButton) emit Click();
  clickSent_ = false;
}

void StringGrid::contextMenuEvent(QContextMenuEvent* e) {
  // The owner decides through its context-menu policy; default handling otherwise.
  QTableWidget::contextMenuEvent(e);
}

}  // namespace zelko
