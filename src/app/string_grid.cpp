#include "app/string_grid.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

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
  connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (editing_) emit CellEdited(item->column(), item->row());
  });
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
  setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
  if (on) selectRow(row_);
}

void StringGrid::SetEditorMode(bool on) {
  if (on == editing_) return;
  editing_ = on;
  if (on) {
    QTableWidgetItem* it = item(row_, col_);
    if (it && (it->flags() & Qt::ItemIsEditable)) editItem(it);
  } else {
    QWidget* ed = Editor();
    if (ed) commitData(ed);
    closePersistentEditor(currentItem());
    // Leave the in-place editor, keeping what was typed.
    if (state() == QAbstractItemView::EditingState) setCurrentCell(row_, col_);
  }
}

QWidget* StringGrid::Editor() const {
  return editing_ ? indexWidget(currentIndex()) : nullptr;
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
  if (!e->text().isEmpty() && e->text().at(0).isPrint()) emit KeyTyped(e->text());
  QTableWidget::keyPressEvent(e);
}

void StringGrid::focusOutEvent(QFocusEvent* e) {
  QTableWidget::focusOutEvent(e);
}

void StringGrid::mouseDoubleClickEvent(QMouseEvent* e) {
  QTableWidget::mouseDoubleClickEvent(e);
  emit DblClick();
}

void StringGrid::mousePressEvent(QMouseEvent* e) {
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
