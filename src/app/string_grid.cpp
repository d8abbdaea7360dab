#include "app/string_grid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
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
  // Columns differ in width, so a whole-column step would leave the first scrolling column
  // half under the fixed ones; rows are all of one height and scroll a row at a time.
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
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
    } else if (ReadOnly(col)) {
      it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
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
        it->setFlags(ReadOnly(c) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable
                                 : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        it->setBackground(QBrush());
      }
    }
  blockSignals(wasBlocked);
}

void StringGrid::SetReadOnlyFrom(int col) {
  readOnlyFrom_ = col;
  ApplyFixedLook();
}

void StringGrid::SetCellBackground(int col, int row, const QColor& color) {
  if (col < fixedCols_ || row < fixedRows_ || col >= columnCount() || row >= rowCount()) return;
  // A changed item would otherwise report itself as the user's edit.
  const bool wasBlocked = blockSignals(true);
  ItemAt(col, row)->setBackground(color.isValid() ? QBrush(color) : QBrush());
  blockSignals(wasBlocked);
  viewport()->update();
}

QColor StringGrid::CellBackground(int col, int row) const {
  const QTableWidgetItem* it = item(row, col);
  if (!it || it->background().style() == Qt::NoBrush) return {};
  return it->background().color();
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
  const int r = rowAt(FixedHeight());
  return r < 0 ? std::min(fixedRows_, rowCount()) : r;
}

void StringGrid::SetTopRow(int row) {
  if (row < 0 || row >= rowCount()) return;
  if (row < fixedRows_)
    verticalScrollBar()->setValue(0);
  else
    scrollTo(model()->index(row, 0), QAbstractItemView::PositionAtTop);
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

int StringGrid::FixedWidth() const {
  int w = 0;
  for (int c = 0; c < std::min(fixedCols_, columnCount()); ++c) w += columnWidth(c);
  return w;
}

int StringGrid::FixedHeight() const {
  int h = 0;
  for (int r = 0; r < std::min(fixedRows_, rowCount()); ++r) h += rowHeight(r);
  return h;
}

int StringGrid::ColumnX(int col) const {
  return col < fixedCols_ ? horizontalHeader()->sectionPosition(col) : columnViewportPosition(col);
}

int StringGrid::RowY(int row) const {
  return row < fixedRows_ ? verticalHeader()->sectionPosition(row) : rowViewportPosition(row);
}

QModelIndex StringGrid::indexAt(const QPoint& p) const {
  const int fw = FixedWidth(), fh = FixedHeight();
  if (p.x() >= fw && p.y() >= fh) return QTableWidget::indexAt(p);
  auto fixedAt = [](int pos, int count, auto size) {
    for (int i = 0, end = 0; i < count; ++i)
      if (pos < (end += size(i))) return i;
    return -1;
  };
  const int col = p.x() < fw ? fixedAt(p.x(), fixedCols_, [this](int c) { return columnWidth(c); })
                             : columnAt(p.x());
  const int row = p.y() < fh ? fixedAt(p.y(), fixedRows_, [this](int r) { return rowHeight(r); })
                             : rowAt(p.y());
  return row < 0 || col < 0 ? QModelIndex() : model()->index(row, col);
}

QRect StringGrid::visualRect(const QModelIndex& index) const {
  const QRect r = QTableWidget::visualRect(index);
  if (!r.isValid()) return r;
  const bool fixedRow = index.row() < fixedRows_, fixedCol = index.column() < fixedCols_;
  QRect out(fixedCol ? ColumnX(index.column()) : r.x(), fixedRow ? RowY(index.row()) : r.y(),
            r.width(), r.height());
  // What scrolls under the fixed cells is out of sight; an editor there is clipped or hidden.
  if (!fixedCol && out.left() < FixedWidth()) out.setLeft(FixedWidth());
  if (!fixedRow && out.top() < FixedHeight()) out.setTop(FixedHeight());
  return out.isValid() ? out : QRect();
}

void StringGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
  QScrollBar* hBar = horizontalScrollBar();
  QScrollBar* vBar = verticalScrollBar();
  const int h0 = hBar->value(), v0 = vBar->value();
  QTableWidget::scrollTo(index, hint);
  if (!index.isValid()) return;
  // Fixed cells are always in view and never scroll the table their way; a scrolling cell is
  // brought out from under them.
  if (index.row() < fixedRows_) {
    vBar->setValue(v0);
  } else {
    const int fh = FixedHeight();
    while (rowViewportPosition(index.row()) < fh && vBar->value() > vBar->minimum())
      vBar->setValue(vBar->value() - 1);
  }
  if (index.column() < fixedCols_) {
    hBar->setValue(h0);
  } else {
    const int hidden = FixedWidth() - columnViewportPosition(index.column());
    if (hidden > 0) hBar->setValue(hBar->value() - hidden);
  }
}

void StringGrid::scrollContentsBy(int dx, int dy) {
  QTableWidget::scrollContentsBy(dx, dy);
  if (fixedRows_ <= 0 && fixedCols_ <= 0) return;
  // The scroll moved the fixed cells' pixels with the rest; they are drawn again in place, and
  // an open editor follows its cell under them.
  viewport()->update();
  updateEditorGeometries();
}

void StringGrid::paintEvent(QPaintEvent* e) {
  QTableWidget::paintEvent(e);
  const int fw = FixedWidth(), fh = FixedHeight();
  if (fw == 0 && fh == 0) return;
  QStyleOptionViewItem base;
  initViewItemOption(&base);
  const QRect vp = viewport()->rect();
  const int firstRow = rowAt(fh), lastRow = rowAt(vp.bottom());
  const int firstCol = columnAt(fw), lastCol = columnAt(vp.right());
  const int rowEnd = lastRow < 0 ? rowCount() - 1 : lastRow;
  const int colEnd = lastCol < 0 ? columnCount() - 1 : lastCol;
  QPainter p(viewport());
  // The fixed columns of the scrolling rows, the fixed rows of the scrolling columns, and the
  // corner where both are fixed, each over whatever scrolled under it.
  if (fw > 0 && firstRow >= 0) {
    p.setClipRect(QRect(0, fh, fw, vp.height() - fh));
    for (int r = firstRow; r <= rowEnd; ++r)
      for (int c = 0; c < std::min(fixedCols_, columnCount()); ++c) PaintFixedCell(p, base, r, c);
  }
  if (fh > 0 && firstCol >= 0) {
    p.setClipRect(QRect(fw, 0, vp.width() - fw, fh));
    for (int r = 0; r < std::min(fixedRows_, rowCount()); ++r)
      for (int c = firstCol; c <= colEnd; ++c) PaintFixedCell(p, base, r, c);
  }
  p.setClipping(false);
  for (int r = 0; r < std::min(fixedRows_, rowCount()); ++r)
    for (int c = 0; c < std::min(fixedCols_, columnCount()); ++c) PaintFixedCell(p, base, r, c);
  if (showGrid() && style()->styleHint(QStyle::SH_Table_AlwaysDrawLeftTopGridLines, &base, this)) {
    p.setPen(QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &base, this))));
    const int right =
        std::min(vp.right(), ColumnX(columnCount() - 1) + columnWidth(columnCount() - 1) - 1);
    const int bottom = std::min(vp.bottom(), RowY(rowCount() - 1) + rowHeight(rowCount() - 1) - 1);
    p.drawLine(0, 0, right, 0);
    p.drawLine(0, 0, 0, bottom);
  }
}

void StringGrid::PaintFixedCell(QPainter& p, const QStyleOptionViewItem& base, int row, int col) {
  const QModelIndex index = model()->index(row, col);
  const QRect cell(ColumnX(col), RowY(row), columnWidth(col), rowHeight(row));
  const int grid = showGrid() ? 1 : 0;
  p.fillRect(cell, palette().base());
  QStyleOptionViewItem opt = base;
  opt.rect = cell.adjusted(0, 0, -grid, -grid);
  if (selectionModel() && selectionModel()->isSelected(index)) opt.state |= QStyle::State_Selected;
  if (!(index.flags() & Qt::ItemIsEnabled)) opt.state &= ~QStyle::State_Enabled;
  opt.palette.setCurrentColorGroup(opt.state & QStyle::State_Enabled ? QPalette::Normal
                                                                     : QPalette::Disabled);
  if (index == currentIndex() && (hasFocus() || viewport()->hasFocus()))
    opt.state |= QStyle::State_HasFocus;
  style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &opt, &p, this);
  itemDelegateForIndex(index)->paint(&p, opt, index);
  if (grid) {
    const QPen old = p.pen();
    p.setPen(QPen(QColor::fromRgba(static_cast<QRgb>(
                      style()->styleHint(QStyle::SH_Table_GridLineColor, &base, this))),
                  1, gridStyle()));
    p.drawLine(cell.right(), cell.top(), cell.right(), cell.bottom());
    p.drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());
    p.setPen(old);
  }
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
