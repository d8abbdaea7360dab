// Markers on the view and the marker table with its editing and clipboard commands.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/form.h"
#include "app/view_widget.h"
#include "coords/marker_table.h"
#include "document/numbers.h"

namespace zelko {

void CoordPage::ConnectMarkerHandlers() {
  auto on = [this](QAction* a, void (CoordPage::*fn)()) {
    connect(a, &QAction::triggered, this,
            [this, fn] { form_.Guard([this, fn] { (this->*fn)(); }); });
  };
  on(AddMarker, &CoordPage::AddMarkerClick);
  on(DeleteMarker, &CoordPage::DeleteMarkerClick);
  on(SearchMarker, &CoordPage::SearchMarkerClick);
  on(CorrectMarker, &CoordPage::CorrectMarkerClick);
  on(D1, &CoordPage::D1Click);
  on(Copy1, &CoordPage::Copy1Click);
  on(C3, &CoordPage::C3Click);
  on(Paste1, &CoordPage::Paste1Click);
  on(CopyTable, &CoordPage::CopyTableClick);
  connect(PopupMenuMarkers, &QMenu::aboutToShow, this,
          [this] { form_.Guard([this] { PopupMenuMarkersPopup(); }); });
  connect(StringGrid1, &StringGrid::Click, this,
          [this] { form_.Guard([this] { StringGrid1Click(); }); });
  connect(StringGrid1, &StringGrid::DblClick, this, [this] { StringGrid1->SetEditorMode(true); });
  connect(StringGrid1, &StringGrid::EnterPressed, this,
          [this] { form_.Guard([this] { StringGrid1EnterKey(); }); });
  connect(StringGrid1, &StringGrid::KeyTyped, this,
          [this] { form_.Guard([this] { StringGrid1KeyPress(); }); });
  // Keys that type no character (Delete, a paste in the editor) still change the cell. A stored
  // edit may be wider than its column, which then widens to show it whole.
  connect(StringGrid1, &StringGrid::CellEdited, this, [this](int col, int row) {
    form_.Guard([this, col, row] {
      StringGrid1KeyPress();
      form_.Doc().SetMarkerCell(row - 1, col, StringGrid1->Cells(col, row).toStdString());
      StringGrid1->FitColumnWidths();
    });
  });
  StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(StringGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    ShowTableMenu(StringGrid1, StringGrid1->viewport()->mapToGlobal(p));
  });
}

void CoordPage::PopupMenuMarkersPopup() {
  const bool any = form_.NumMarkers() != 0;
  DeleteMarker->setEnabled(any);
  SearchMarker->setEnabled(any);
  CorrectMarker->setEnabled(any);
  AddMarker->setEnabled(true);
}

void CoordPage::AddMarkerClick() {
  ClearFitQuality();
  form_.Doc().AddMarker(form_.State().XPre, form_.State().YPre);
  StringGrid1->SetRow(form_.NumMarkers());
  form_.PaintPicture(-1, -1);
}

void CoordPage::DeleteMarkerClick() {
  const int i = NearestMarker(form_.MarkerPositions(), form_.NumMarkers(), form_.State().XPre,
                              form_.State().YPre);
  if (i >= 0) DeleteMarkerAt(i);
}

void CoordPage::SearchMarkerClick() {
  const int i = NearestMarker(form_.MarkerPositions(), form_.NumMarkers(), form_.State().XPre,
                              form_.State().YPre);
  if (i >= 0) StringGrid1->SetRow(i + 1);
}

void CoordPage::CorrectMarkerClick() {
  const int r = StringGrid1->Row();
  if (r < 1 || r > form_.NumMarkers()) return;
  ClearFitQuality();
  form_.Doc().MoveMarker(r - 1, form_.State().XPre, form_.State().YPre);
  form_.PaintPicture(-1, -1);
}

void CoordPage::D1Click() {
  StringGrid1->SetRowSelect(true);
  const MsgResult answer =
      form_.Msg(MsgKind::Confirmation, "このマーカーを削除しますか。", MsgButtons::YesNo);
  const int r = StringGrid1->Row();
  if (answer == MsgResult::Yes && r >= 1 && r <= form_.NumMarkers()) DeleteMarkerAt(r - 1);
  StringGrid1->SetRowSelect(false);
}

void CoordPage::DeleteMarkerAt(int i) {
  if (i < 0 || i >= form_.NumMarkers()) return;
  ClearFitQuality();
  form_.Doc().DeleteMarker(i);
  form_.PaintPicture(-1, -1);
}

void CoordPage::StringGrid1Click() {
  const int r = StringGrid1->Row();
  if (form_.NumMarkers() > 0 && r <= form_.NumMarkers()) {
    form_.SetMarkersShown(true);
    // The pressed marker button also means the view's marker menu, as in the marker mode.
    if (!form_.State().isAreaMode) form_.SetViewMenu(PopupMenuMarkers);
    form_.PaintPicture(-1, -1);
  }
}

void CoordPage::StringGrid1EnterKey() {
  int col = StringGrid1->Col(), row = StringGrid1->Row();
  // What was typed is stored before the cell changes.
  StringGrid1->SetEditorMode(false);
  EnterWalk(col, row, form_.NumMarkers());
  StringGrid1->SetCurrent(col, row);
  StringGrid1->SetEditorMode(true);
}

void CoordPage::StringGrid1KeyPress() {
  ClearFitQuality();
  // A key typed into the table counts as a change before any text of it is committed.
  form_.Doc().MarkPendingEdit();
}

void CoordPage::ShowMarkers() {
  const std::vector<DocMarker>& markers = form_.Doc().Data().Markers;
  const int n = static_cast<int>(markers.size());
  if (StringGrid1->RowCount() < n + 1) StringGrid1->SetRowCount(n + 1);
  for (int r = 1; r <= n; ++r) {
    const DocMarker& m = markers[r - 1];
    const QString cells[5] = {QString::number(r), QString::fromStdString(m.ImageX),
                              QString::fromStdString(m.ImageY), QString::fromStdString(m.X),
                              QString::fromStdString(m.Y)};
    for (int c = 0; c < 5; ++c)
      if (StringGrid1->Cells(c, r) != cells[c]) StringGrid1->SetCell(c, r, cells[c]);
  }
  // Rows that held markers before a deletion are left empty.
  for (int r = n + 1; r <= shownMarkers_ && r < StringGrid1->RowCount(); ++r)
    StringGrid1->ClearRow(r);
  shownMarkers_ = n;
}

void CoordPage::TakeMarkerCells(const std::string& edit) {
  form_.Doc().Edit(edit, kPartMarkers, [this](DocumentData& d) {
    bool changed = false;
    for (int r = 1; r <= static_cast<int>(d.Markers.size()) && r < StringGrid1->RowCount(); ++r) {
      DocMarker& m = d.Markers[r - 1];
      std::string* cells[4] = {&m.ImageX, &m.ImageY, &m.X, &m.Y};
      for (int c = 1; c <= 4; ++c) {
        std::string text = StringGrid1->Cells(c, r).toStdString();
        if (*cells[c - 1] == text) continue;
        *cells[c - 1] = std::move(text);
        changed = true;
      }
    }
    return changed;
  });
}

namespace {

QLineEdit* CellEditor(StringGrid* g) { return qobject_cast<QLineEdit*>(g->Editor()); }

std::vector<std::vector<std::string>> SelectedCells(StringGrid* g) {
  const QRect s = g->Selection();
  std::vector<std::vector<std::string>> rows;
  for (int r = s.top(); r <= s.bottom(); ++r) {
    rows.emplace_back();
    for (int c = s.left(); c <= s.right(); ++c) rows.back().push_back(g->Cells(c, r).toStdString());
  }
  return rows;
}

}  // namespace

void CoordPage::Copy1Click() {
  StringGrid* g = menuTable ? menuTable : StringGrid1;
  if (g->EditorMode()) {
    if (QLineEdit* e = CellEditor(g)) e->copy();
  } else {
    QApplication::clipboard()->setText(QString::fromStdString(CellBlockText(SelectedCells(g))));
  }
  Paste1->setEnabled(true);
}

void CoordPage::C3Click() {
  StringGrid* g = menuTable ? menuTable : StringGrid1;
  if (g->EditorMode()) {
    if (QLineEdit* e = CellEditor(g)) e->cut();
  } else {
    QApplication::clipboard()->setText(QString::fromStdString(CellBlockText(SelectedCells(g))));
    const QRect s = g->Selection();
    for (int r = s.top(); r <= s.bottom(); ++r)
      for (int c = s.left(); c <= s.right(); ++c) g->SetCell(c, r, QString());
    if (g == StringGrid1) {
      ClearFitQuality();
      TakeMarkerCells("切り取り");
    }
  }
  Paste1->setEnabled(true);
}

void CoordPage::Paste1Click() {
  StringGrid* g = menuTable ? menuTable : StringGrid1;
  if (g->EditorMode()) {
    if (QLineEdit* e = CellEditor(g)) e->paste();
    return;
  }
  // The residual columns go first, so a block clips to the marker columns as it always did.
  if (g == StringGrid1) ClearFitQuality();
  // The block is written once, at the selection's top-left cell, and clipped to the table.
  const QRect s = g->Selection();
  const auto block = ParseCellBlock(QApplication::clipboard()->text().toStdString(),
                                    static_cast<size_t>(std::max(0, g->RowCount() - s.top())),
                                    static_cast<size_t>(std::max(0, g->ColCount() - s.left())));
  for (size_t r = 0; r < block.size(); ++r)
    for (size_t c = 0; c < block[r].size(); ++c)
      g->SetCell(s.left() + static_cast<int>(c), s.top() + static_cast<int>(r),
                 QString::fromStdString(block[r][c]));
  // Pasted physical coordinates are typed data as much as keyed-in ones.
  if (g == StringGrid1) TakeMarkerCells("貼り付け");
}

void CoordPage::CopyTableClick() { form_.CopyTableText(menuTable ? *menuTable : *StringGrid1); }

void CoordPage::PopupMenuTablePopup() {
  Paste1->setEnabled(!QApplication::clipboard()->text().isEmpty());
  const bool results = form_.pageArea->StringGrid3->isVisible() || form_.State().resultTableShown;
  for (QAction* a : {Copy1, Paste1, C3, D1}) a->setVisible(!results);
  form_.ShowUncertainty->setVisible(results);
}

void CoordPage::ShowTableMenu(StringGrid* table, const QPoint& globalPos) {
  menuTable = table;
  form_.Guard([this] { PopupMenuTablePopup(); });
  PopupMenuTable->exec(globalPos);
  menuTable = nullptr;
}

}  // namespace zelko
