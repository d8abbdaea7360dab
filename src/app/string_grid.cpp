#include "app/string_grid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace zelko {

// The cells of a grid: texts the program set, row by row, and a block of rows formatted on
// demand. A row the program writes to takes its texts from the block first, so it keeps showing
// what it showed.
class StringGridModel : public QAbstractTableModel {
 public:
  explicit StringGridModel(StringGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : rows_;
  }
  int columnCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : cols_;
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const int row = index.row(), col = index.column();
    switch (role) {
      case Qt::DisplayRole:
      case Qt::EditRole:
        return Text(col, row);
      case Qt::BackgroundRole: {
        if (row < grid_->fixedRows_ || col < grid_->fixedCols_) return fixedBrush_;
        const auto it = backgrounds_.find(Key(col, row));
        if (it != backgrounds_.end()) return QBrush(it.value());
        return {};
      }
      default:
        return {};
    }
  }

  Qt::ItemFlags flags(const QModelIndex& index) const override {
    if (!index.isValid()) return Qt::NoItemFlags;
    if (index.row() < grid_->fixedRows_ || index.column() < grid_->fixedCols_)
      return Qt::ItemIsEnabled;
    if (grid_->ReadOnly(index.column())) return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
  }

  // The user's edit, committed by the cell editor.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (!index.isValid() || role != Qt::EditRole) return false;
    Store(index.column(), index.row(), value.toString());
    emit dataChanged(index, index);
    if (!grid_->signalsBlocked()) emit grid_->CellEdited(index.column(), index.row());
    return true;
  }

  QString Text(int col, int row) const {
    if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return {};
    const std::vector<QString>& own = cells_[static_cast<std::size_t>(row)];
    if (!own.empty()) return col < static_cast<int>(own.size()) ? own[col] : QString();
    if (InSource(row)) return source_.text(col, row);
    return {};
  }

  void SetText(int col, int row, const QString& text) {
    if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return;
    Store(col, row, text);
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i);
  }

  void Resize(int rows, int cols) {
    if (cols != cols_) {
      if (cols < cols_) {
        beginRemoveColumns({}, cols, cols_ - 1);
        cols_ = cols;
        for (auto& r : cells_)
          if (static_cast<int>(r.size()) > cols) r.resize(static_cast<std::size_t>(cols));
        endRemoveColumns();
      } else {
        beginInsertColumns({}, cols_, cols - 1);
        cols_ = cols;
        endInsertColumns();
      }
    }
    if (rows != rows_) {
      if (rows < rows_) {
        beginRemoveRows({}, rows, rows_ - 1);
        rows_ = rows;
        cells_.resize(static_cast<std::size_t>(rows));
        source_.end = std::min(source_.end, rows);
        endRemoveRows();
      } else {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        cells_.resize(static_cast<std::size_t>(rows));
        endInsertRows();
      }
    }
    backgrounds_.clear();
  }

  void SetSource(StringGrid::RowSource source) {
    source.first = std::max(0, source.first);
    source.end = std::min(source.end, rows_);
    if (!source.text || source.end <= source.first) source = {};
    // The block's rows show its texts, not what the program set there before.
    for (int r = source.first; r < source.end; ++r) cells_[static_cast<std::size_t>(r)].clear();
    source_ = std::move(source);
    if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
  }

  // Rows to measure for the widest text of every column.
  std::vector<int> RowsToMeasure() const {
    constexpr int kMeasureWhole = 2000;
    std::vector<int> rows;
    const int blockRows = source_.end - source_.first;
    for (int r = 0; r < rows_; ++r) {
      if (InSource(r) && cells_[static_cast<std::size_t>(r)].empty() && blockRows > kMeasureWhole)
        continue;
      rows.push_back(r);
    }
    if (blockRows > kMeasureWhole)
      for (int r : source_.widestRows)
        if (InSource(r)) rows.push_back(r);
    return rows;
  }

  void SetBackground(int col, int row, const QColor& color) {
    if (color.isValid())
      backgrounds_.insert(Key(col, row), color);
    else
      backgrounds_.remove(Key(col, row));
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i, {Qt::BackgroundRole});
  }
  QColor Background(int col, int row) const { return backgrounds_.value(Key(col, row)); }

  // The fixed cells' look and the normal backgrounds, as after a change of the counts.
  void ResetLook(const QBrush& fixed) {
    fixedBrush_ = fixed;
    backgrounds_.clear();
    if (rows_ > 0 && cols_ > 0)
      emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1), {Qt::BackgroundRole});
  }

 private:
  static quint64 Key(int col, int row) {
    return (static_cast<quint64>(static_cast<quint32>(row)) << 32) | static_cast<quint32>(col);
  }
  bool InSource(int row) const { return source_.text && row >= source_.first && row < source_.end; }

  void Store(int col, int row, const QString& text) {
    std::vector<QString>& own = cells_[static_cast<std::size_t>(row)];
    if (own.empty()) {
      own.resize(static_cast<std::size_t>(cols_));
      if (InSource(row))
        for (int c = 0; c < cols_; ++c) own[static_cast<std::size_t>(c)] = source_.text(c, row);
    } else if (static_cast<int>(own.size()) < cols_) {
      own.resize(static_cast<std::size_t>(cols_));
    }
    own[static_cast<std::size_t>(col)] = text;
  }

  StringGrid* grid_;
  int rows_ = 0;
  int cols_ = 0;
  std::vector<std::vector<QString>> cells_;  // per row; empty: the row holds no texts of its own
  StringGrid::RowSource source_;
  QHash<quint64, QColor> backgrounds_;
  QBrush fixedBrush_;
};

StringGrid::StringGrid(const QString& name, QWidget* parent)
    : QTableView(parent), model_(new StringGridModel(this)) {
  setModel(model_);
  setObjectName(name);
  setAccessibleName(name);
  horizontalHeader()->hide();
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(20);
  horizontalHeader()->setDefaultSectionSize(64);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Tab goes on to the next control, as everywhere in the window; the arrows move the cell.
  setTabKeyNavigation(false);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  // Columns differ in width, so a whole-column step would leave the first scrolling column
  // half under the fixed ones; rows are all of one height and scroll a row at a time.
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  model_->Resize(2, 2);
  // The program's own moves of the current cell run with the grid's signals blocked.
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current, const QModelIndex& previous) {
            if (signalsBlocked()) return;
            OnCurrentChanged(current.row(), current.column(), previous.row(), previous.column());
          });
  ApplyFixedLook();
}

int StringGrid::RowCount() const { return model_->rowCount(); }
int StringGrid::ColCount() const { return model_->columnCount(); }

QString StringGrid::Cells(int col, int row) const { return model_->Text(col, row); }

void StringGrid::SetCell(int col, int row, const QString& text) { model_->SetText(col, row, text); }

void StringGrid::ClearRow(int row) {
  for (int c = 0; c < ColCount(); ++c) SetCell(c, row, QString());
}

void StringGrid::SetRowSource(RowSource source) { model_->SetSource(std::move(source)); }

void StringGrid::SetRowCount(int n) {
  if (n < 1) n = 1;
  const bool wasBlocked = blockSignals(true);
  model_->Resize(n, ColCount());
  blockSignals(wasBlocked);
  ApplyFixedLook();
  if (row_ >= n) SetRow(n - 1);
}

void StringGrid::SetColCount(int n) {
  if (n < 1) n = 1;
  const bool wasBlocked = blockSignals(true);
  model_->Resize(RowCount(), n);
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

void StringGrid::ApplyFixedLook() { model_->ResetLook(palette().button()); }

void StringGrid::SetReadOnlyFrom(int col) {
  readOnlyFrom_ = col;
  ApplyFixedLook();
}

void StringGrid::SetCellBackground(int col, int row, const QColor& color) {
  if (col < fixedCols_ || row < fixedRows_ || col >= ColCount() || row >= RowCount()) return;
  model_->SetBackground(col, row, color);
}

QColor StringGrid::CellBackground(int col, int row) const { return model_->Background(col, row); }

void StringGrid::SetRow(int row) { SetCurrent(col_ < fixedCols_ ? fixedCols_ : col_, row); }

void StringGrid::SetCurrent(int col, int row) {
  if (row < 0 || row >= RowCount()) return;
  if (col < 0 || col >= ColCount()) col = std::min(fixedCols_, ColCount() - 1);
  const int oldRow = row_;
  row_ = row;
  col_ = col;
  SetCurrentSilently(row, col);
  viewport()->update();
  if (oldRow != row) emit Click();
}

void StringGrid::SetCurrentSilently(int row, int col) {
  const bool wasBlocked = blockSignals(true);
  setCurrentIndex(model_->index(row, col));
  blockSignals(wasBlocked);
}

QRect StringGrid::Selection() const {
  const QItemSelection ranges = selectionModel()->selection();
  if (ranges.isEmpty()) return QRect(QPoint(col_, row_), QPoint(col_, row_));
  const QItemSelectionRange& r = ranges.first();
  return QRect(QPoint(r.left(), r.top()), QPoint(r.right(), r.bottom()));
}

void StringGrid::SetSelection(const QRect& r) {
  clearSelection();
  selectionModel()->select(
      QItemSelection(model_->index(r.top(), r.left()), model_->index(r.bottom(), r.right())),
      QItemSelectionModel::Select);
}

int StringGrid::TopRow() const {
  const int r = rowAt(FixedHeight());
  return r < 0 ? std::min(fixedRows_, RowCount()) : r;
}

void StringGrid::SetTopRow(int row) {
  if (row < 0 || row >= RowCount()) return;
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
  if (on && row_ >= 0 && row_ < RowCount() && ColCount() > fixedCols_)
    SetSelection(QRect(QPoint(fixedCols_, row_), QPoint(ColCount() - 1, row_)));
  else if (!on && row_ >= 0 && row_ < RowCount() && col_ >= 0 && col_ < ColCount())
    SetSelection(QRect(QPoint(col_, row_), QPoint(col_, row_)));
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
  const QModelIndex index = model_->index(row_, col_);
  if (!index.isValid() || !(index.flags() & Qt::ItemIsEditable)) return;
  SetCurrentSilently(row_, col_);
  QAbstractItemView::edit(index);
}

QWidget* StringGrid::Editor() const {
  const QModelIndex index = model()->index(row_, col_);
  return index.isValid() ? indexWidget(index) : nullptr;
}

bool StringGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  const bool opened = QTableView::edit(index, trigger, event);
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
  return QTableView::eventFilter(watched, event);
}

void StringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  // Tab ends the edit in place instead of opening the next cell's editor.
  if (hint == QAbstractItemDelegate::EditNextItem ||
      hint == QAbstractItemDelegate::EditPreviousItem)
    hint = QAbstractItemDelegate::NoHint;
  QTableView::closeEditor(editor, hint);
  editing_ = false;
}

void StringGrid::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                             const QList<int>& roles) {
  // A new colour is no new text: the base class would load the cell's text into an open editor
  // again, dropping its selection, so the next key typed would append instead of replace.
  if (roles.size() == 1 && roles.front() == Qt::BackgroundRole) {
    viewport()->update();
    return;
  }
  QTableView::dataChanged(topLeft, bottomRight, roles);
}

void StringGrid::FitColumnWidths() {
  QFontMetrics fm(font());
  const std::vector<int> rows = model_->RowsToMeasure();
  for (int c = 0; c < ColCount(); ++c) {
    int w = 0;
    for (int r : rows) w = std::max(w, fm.horizontalAdvance(Cells(c, r)));
    setColumnWidth(c, w + 12);
  }
}

QString StringGrid::TableText() const {
  QString out;
  const int rows = RowCount(), cols = ColCount();
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      out += Cells(c, r);
      out += c + 1 < cols ? QStringLiteral("\t") : QStringLiteral("\r\n");
    }
  return out;
}

int StringGrid::FixedWidth() const {
  int w = 0;
  for (int c = 0; c < std::min(fixedCols_, ColCount()); ++c) w += columnWidth(c);
  return w;
}

int StringGrid::FixedHeight() const {
  int h = 0;
  for (int r = 0; r < std::min(fixedRows_, RowCount()); ++r) h += rowHeight(r);
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
  if (p.x() >= fw && p.y() >= fh) return QTableView::indexAt(p);
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
  const QRect r = QTableView::visualRect(index);
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
  QTableView::scrollTo(index, hint);
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
  QTableView::scrollContentsBy(dx, dy);
  if (fixedRows_ <= 0 && fixedCols_ <= 0) return;
  // The scroll moved the fixed cells' pixels with the rest; they are drawn again in place, and
  // an open editor follows its cell under them.
  viewport()->update();
  updateEditorGeometries();
}

void StringGrid::paintEvent(QPaintEvent* e) {
  QTableView::paintEvent(e);
  const int fw = FixedWidth(), fh = FixedHeight();
  if (fw == 0 && fh == 0) return;
  QStyleOptionViewItem base;
  initViewItemOption(&base);
  const QRect vp = viewport()->rect();
  const int firstRow = rowAt(fh), lastRow = rowAt(vp.bottom());
  const int firstCol = columnAt(fw), lastCol = columnAt(vp.right());
  const int rowEnd = lastRow < 0 ? RowCount() - 1 : lastRow;
  const int colEnd = lastCol < 0 ? ColCount() - 1 : lastCol;
  QPainter p(viewport());
  // The fixed columns of the scrolling rows, the fixed rows of the scrolling columns, and the
  // corner where both are fixed, each over whatever scrolled under it.
  if (fw > 0 && firstRow >= 0) {
    p.setClipRect(QRect(0, fh, fw, vp.height() - fh));
    for (int r = firstRow; r <= rowEnd; ++r)
      for (int c = 0; c < std::min(fixedCols_, ColCount()); ++c) PaintFixedCell(p, base, r, c);
  }
  if (fh > 0 && firstCol >= 0) {
    p.setClipRect(QRect(fw, 0, vp.width() - fw, fh));
    for (int r = 0; r < std::min(fixedRows_, RowCount()); ++r)
      for (int c = firstCol; c <= colEnd; ++c) PaintFixedCell(p, base, r, c);
  }
  p.setClipping(false);
  for (int r = 0; r < std::min(fixedRows_, RowCount()); ++r)
    for (int c = 0; c < std::min(fixedCols_, ColCount()); ++c) PaintFixedCell(p, base, r, c);
  if (showGrid() && style()->styleHint(QStyle::SH_Table_AlwaysDrawLeftTopGridLines, &base, this)) {
    p.setPen(QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &base, this))));
    const int right =
        std::min(vp.right(), ColumnX(ColCount() - 1) + columnWidth(ColCount() - 1) - 1);
    const int bottom = std::min(vp.bottom(), RowY(RowCount() - 1) + rowHeight(RowCount() - 1) - 1);
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
  QTableView::keyPressEvent(e);
}

void StringGrid::focusOutEvent(QFocusEvent* e) {
  QTableView::focusOutEvent(e);
  // Leaving the table ends the edit; a pop-up menu or the table's own editor taking the focus
  // does not.
  if (e->reason() == Qt::PopupFocusReason) return;
  QWidget* now = QApplication::focusWidget();
  if (now && (now == this || isAncestorOf(now))) return;
  if (editing_) SetEditorMode(false);
}

void StringGrid::mouseDoubleClickEvent(QMouseEvent* e) {
  QTableView::mouseDoubleClickEvent(e);
  emit DblClick();
}

void StringGrid::mousePressEvent(QMouseEvent* e) {
  // A right-click opens the menu on the current cell and selection; it does not move them.
  if (e->button() == Qt::RightButton) {
    e->accept();
    return;
  }
  clickSent_ = false;
  QTableView::mousePressEvent(e);
  if (!clickSent_ && e->button() == Qt::LeftButton) emit Click();
  clickSent_ = false;
}

void StringGrid::contextMenuEvent(QContextMenuEvent* e) {
  // The owner decides through its context-menu policy; default handling otherwise.
  QTableView::contextMenuEvent(e);
}

}  // namespace zelko
