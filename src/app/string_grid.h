// A table with the cell model the window is written in: cells addressed (column, row) including
// the fixed header row and column, a current cell, a selection rectangle and an in-place editor
// that is off until switched on. The fixed rows stay at the top and the fixed columns at the left
// while the other cells scroll under them.
//
// The cells live in the grid's own model, which holds no per-cell objects: a block of rows can
// be handed over as a function that formats a cell when it is shown or asked for, so a table of
// hundreds of thousands of rows fills at once and only what is painted is formatted.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QTableView>
#include <functional>
#include <vector>

class QPainter;

namespace zelko {

class StringGridModel;

class StringGrid : public QTableView {
  Q_OBJECT
 public:
  explicit StringGrid(const QString& name, QWidget* parent = nullptr);

  QString Cells(int col, int row) const;
  void SetCell(int col, int row, const QString& text);
  void ClearRow(int row);

  int RowCount() const;
  int ColCount() const;
  void SetRowCount(int n);
  void SetColCount(int n);
  int FixedRows() const { return fixedRows_; }
  int FixedCols() const { return fixedCols_; }
  void SetFixedRows(int n);
  void SetFixedCols(int n);

  // The current cell. Changing the row from the program runs the click handling, as a user's
  // click does.
  int Row() const { return row_; }
  int Col() const { return col_; }
  void SetRow(int row);
  void SetCurrent(int col, int row);
  // Selected rectangle: left, top, right, bottom (inclusive), in cell coordinates.
  QRect Selection() const;
  void SetSelection(const QRect& r);
  // The first scrolling row in view, just below the fixed rows.
  int TopRow() const;
  void SetTopRow(int row);
  void SetRowSelect(bool on);

  // The in-place editor. Switched on, it opens on the current cell (when that cell is editable);
  // making another cell current, leaving the table, Escape or switching it off close it, and
  // what was typed is kept (Escape drops it).
  bool EditorMode() const { return editing_; }
  void SetEditorMode(bool on);
  // The open cell editor, or nullptr.
  QWidget* Editor() const;

  int ColWidth(int col) const { return columnWidth(col); }
  void SetColWidth(int col, int w) { setColumnWidth(col, w); }
  // Width of the widest text of a column plus 12 pixels, for every column.
  void FitColumnWidths();
  // Every row, cells joined by TAB, each row ending with CR LF.
  QString TableText() const;

  // Rows first..end-1 whose texts come from `text` when asked for, until the program sets a cell
  // of such a row (the row then holds its own texts). widestRows name the rows that have the
  // widest texts of their columns, so fitting the widths need not format every row; a short
  // block is measured whole. An empty `text` drops the block.
  struct RowSource {
    int first = 0;
    int end = 0;
    std::function<QString(int col, int row)> text;
    std::vector<int> widestRows;
  };
  void SetRowSource(RowSource source);
  // Columns from col on show figures the program computes: they never open an editor (-1: none).
  void SetReadOnlyFrom(int col);
  // A cell's background; an invalid colour gives the normal one. Column and row counts that
  // change restore the normal backgrounds.
  void SetCellBackground(int col, int row, const QColor& color);
  QColor CellBackground(int col, int row) const;

  // Geometry where the fixed cells stay in view: the position a fixed cell is drawn at, and a
  // scrolling cell only as far as it shows beside the fixed ones.
  QModelIndex indexAt(const QPoint& p) const override;
  QRect visualRect(const QModelIndex& index) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

 signals:
  // A row became current (by the user or the program), or the user clicked a cell.
  void Click();
  void DblClick();
  // Enter or Return, in the table or in its cell editor (the editor does not handle it).
  void EnterPressed();
  // A character key (or Backspace) typed in the table or in its cell editor.
  void KeyTyped(const QString& text);
  // The user's edit of a cell was stored (SetCell does not emit it).
  void CellEdited(int col, int row);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;
 protected slots:
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;

 private:
  void ApplyFixedLook();
  // Viewport pixels taken by the fixed columns at the left and the fixed rows at the top.
  int FixedWidth() const;
  int FixedHeight() const;
  // Viewport position of a column or row; fixed ones do not move with the scroll bars.
  int ColumnX(int col) const;
  int RowY(int row) const;
  void PaintFixedCell(QPainter& p, const QStyleOptionViewItem& base, int row, int col);
  void SetCurrentSilently(int row, int col);
  void OnCurrentChanged(int row, int col, int prevRow, int prevCol);

  int fixedRows_ = 1;
  int fixedCols_ = 1;
  int row_ = 1;
  int col_ = 1;
  bool editing_ = false;
  bool clickSent_ = false;
  int readOnlyFrom_ = -1;
  StringGridModel* model_;

  friend class StringGridModel;
  bool ReadOnly(int col) const { return readOnlyFrom_ >= 0 && col >= readOnlyFrom_; }
};

}  // namespace zelko
