// The window's side of the measurement: the mode, group input, the four tables, the calculate
// command, group and point editing.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPainter>
#include <QTabWidget>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/form.h"
#include "app/image_page.h"
#include "app/view_widget.h"
#include "document/numbers.h"
#include "measure/calculation.h"
#include "measure/editing.h"
#include "measure/formats.h"
#include "measure/tables.h"
#include "render/view_render.h"

namespace zelko {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

int TForm1::Method() const { return pageCoord->ComboBoxGridMethod->currentIndex(); }
int TForm1::Unit() const { return pageCoord->ComboBoxScaleUnit->currentIndex(); }

int TForm1::Decimals() const {
  const auto d = TryParseInteger(EditNumDecimal->text().toStdString());
  return d ? static_cast<int>(std::clamp<long long>(*d, -1, kMaxDecimals)) : 1;
}

std::vector<std::string> TForm1::CategoryNames() const {
  std::vector<std::string> names;
  const StringGrid* g = pageArea->StringGridSort;
  for (int r = 1; r < g->RowCount(); ++r) names.push_back(g->Cells(1, r).toStdString());
  return names;
}

void TForm1::SetViewMenu(QMenu* menu) {
  viewMenu_ = menu;
  Image1->setContextMenuPolicy(menu ? Qt::CustomContextMenu : Qt::NoContextMenu);
}

void TForm1::EditNumDecimalChange() {
  const int d = static_cast<int>(ParseInteger(EditNumDecimal->text().toStdString()));
  frmdata = Q(LengthFormat(d));
  frmdata2 = Q(AreaFormat(d));
  FillPointTable();
}

// ---------------------------------------------------------------- the mode

void TForm1::ToolButtonAreaModeClick() {
  if (!isCoord) {
    ToolButtonAreaMode->setChecked(isAreaMode);
    Msg(MsgKind::Error, QString::fromUtf8(kMsgNoTransform));
    return;
  }
  if (isAreaMode)
    LeaveMeasurementMode();
  else
    EnterMeasurementMode();
}

void TForm1::EnterMeasurementMode() {
  isMarked = false;
  SetStatus(4, "");
  ToolButtonMarkers->setChecked(false);
  isAreaMode = true;
  ToolButtonAreaMode->setChecked(true);
  PageControl1->setTabVisible(2, true);
  PageControl1->setTabVisible(1, false);
  Menu_Coord->setEnabled(false);
  pageArea->SetSheetVisible(pageArea->TabSheetCalResult, false);
  resultTableShown = false;
  SetViewMenu(pageArea->PopupMenuLine);
  FillPointTable();
  pageArea->SetSheetVisible(pageArea->TabSheetGroup, !Lines.empty());
  AreaPage = 0;
  UpdateGroupCommands();
  ShowPage(2);
  pageArea->PageControl2->setCurrentWidget(pageArea->TabSheetPointInput);
  NumPoints = -1;
}

bool TForm1::LeaveMeasurementMode() {
  if (isLineInput) {
    ToolButtonAreaMode->setChecked(true);
    Msg(MsgKind::Error, "グループ入力がまだ終了していません。\n入力を終了させて下さい。");
    return false;
  }
  isAreaMode = false;
  ToolButtonAreaMode->setChecked(false);
  PageControl1->setTabVisible(2, false);
  PageControl1->setTabVisible(1, true);
  Menu_Coord->setEnabled(true);
  ShowPage(0);
  SetViewMenu(nullptr);
  PaintPicture(-1, -1);
  return true;
}

// ---------------------------------------------------------------- group input

void TForm1::ButtonSetAreaClick() {
  zelko::AreaPage& p = *pageArea;
  if (NumPoints == -1) {
    p.PageControl2->setCurrentWidget(p.TabSheetPointInput);
    IDLine = static_cast<int>(Lines.size());
    p.StringGrid2->SetRow(p.StringGrid2->RowCount() - 1);
    Sortpres = std::max(0, p.ComboBoxSort->currentIndex());
    StartGroupInput(Lines, Sortpres, std::max(0, p.RadioGroupLineType->ItemIndex()));
    SetStatus(4, "ポイントを入力して下さい");
    isLineInput = true;
    NumPoints = 0;
    p.ButtonSetArea->setText("入力終了");
    SetInputControlsEnabled(false);
    return;
  }
  p.PageControl2->setCurrentWidget(p.TabSheetPointInput);
  p.ButtonSetArea->setText("入力開始");
  SetStatus(4, "");
  isLineInput = false;
  SetInputControlsEnabled(true);
  SetResaveEnabled(!ProjectFile.isEmpty());
  const InputEndResult end = EndGroupInput(Lines);
  IDLine = end.IDLine;
  if (!end.warning.empty()) Msg(MsgKind::Warning, Q(end.warning));
  if (end.pointRowsRemoved > 0) {
    StringGrid* g = p.StringGrid2;
    g->SetRowCount(std::max(2, g->RowCount() - end.pointRowsRemoved));
    g->ClearRow(g->RowCount() - 1);
  }
  AfterGroupsChanged();
  NumPoints = -1;
  PaintPicture(-1, -1);
}

void TForm1::SetInputControlsEnabled(bool on) {
  zelko::AreaPage& p = *pageArea;
  File1->setEnabled(on);
  File1->menuAction()->setEnabled(on);
  p.PageControl2->setEnabled(on);
  p.ButtonEraseArea->setEnabled(on);
  p.RadioGroupLineType->setEnabled(on);
  p.ComboBoxSort->setEnabled(on);
  p.BitBtnCalArea->setEnabled(on);
  ToolButtonMarkers->setEnabled(on);
  ToolButtonLoadProject->setEnabled(on);
  ToolButtonLoadImage->setEnabled(on);
  SaveProject->setEnabled(on);
  if (!on) SetResaveEnabled(false);
}

void TForm1::TakeNewPoint() {
  TLine& line = Lines[IDLine];
  NumPoints = AppendInputPoint(line, XPre, YPre);
  StringGrid* g = pageArea->StringGrid2;
  const int r = g->RowCount() - 1;
  const auto cells = PointTableRow(line, IDLine, line.Points.size() - 1, Method(), Cx, Cy, Decimals());
  if (g->ColCount() < static_cast<int>(cells.size()) && isCoord)
    g->SetColCount(static_cast<int>(cells.size()));
  for (size_t c = 0; c < cells.size(); ++c) g->SetCell(static_cast<int>(c), r, Q(cells[c]));
  g->SetRow(r);
  g->SetRowCount(r + 2);
  g->ClearRow(r + 1);
  g->FitColumnWidths();
}

void TForm1::EraseOnePointClick() {
  if (NumPoints <= 0) return;
  TakeBackPoint(Lines[IDLine]);
  --NumPoints;
  StringGrid* g = pageArea->StringGrid2;
  g->SetRowCount(std::max(2, g->RowCount() - 1));
  g->ClearRow(g->RowCount() - 1);
  g->SetRow(g->RowCount() - 1);
  PaintPicture(-1, -1);
}

void TForm1::FillPointTable() {
  StringGrid* g = pageArea->StringGrid2;
  if (Lines.empty()) return;
  if (!isCoord) {
    g->SetColCount(5);
    return;
  }
  FillEmptyPointLabels(Lines);
  const PointTable t = BuildPointTable(Lines, Method(), Cx, Cy, Unit(), Decimals());
  const int columns = PointTableColumns(Method());
  g->SetRowCount(static_cast<int>(t.cells.size()) + 1);
  g->SetColCount(columns);
  for (size_t r = 1; r < t.cells.size(); ++r)
    for (int c = 0; c < columns; ++c)
      g->SetCell(c, static_cast<int>(r), Q(t.cells[r][static_cast<size_t>(c)]));
  g->ClearRow(g->RowCount() - 1);
  g->SetRow(g->RowCount() - 1);
  g->FitColumnWidths();
}

bool TForm1::SelectedPoint() {
  const StringGrid* g = pageArea->StringGrid2;
  const int r = g->Row();
  if (r <= 0 || r >= g->RowCount() - 1) return false;
  const auto ref = ParsePointRow(g->Cells(1, r).toStdString(), g->Cells(2, r).toStdString());
  if (!ref) return false;
  IDLine = ref->group;
  idPoint = ref->point;
  return true;
}

GroupDrawing TForm1::GroupHighlight() {
  GroupDrawing d;
  if (Lines.size() >= 2) {
    d.highlighted.assign(Lines.size(), false);
    if (AreaPage == 2 && IDLine >= 0 && IDLine < static_cast<int>(Lines.size())) {
      d.highlighted[IDLine] = true;
    } else if (AreaPage == 3) {
      const StringGrid* g3 = pageArea->StringGrid3;
      const int r = g3->Row();
      if (g3->Cells(1, r) == "合計") {
        const StringGrid* gs = pageArea->StringGridSort;
        for (int row = 1; row < gs->RowCount(); ++row)
          if (gs->Cells(1, row) == g3->Cells(0, r)) {
            for (size_t i = 0; i < Lines.size(); ++i)
              if (Lines[i].Sort + 1 == row) d.highlighted[i] = true;
            break;
          }
      } else if (auto g = ParseGroupLabel(g3->Cells(1, r).toStdString())) {
        if (*g >= 0 && *g < static_cast<int>(Lines.size())) d.highlighted[*g] = true;
      }
    }
  }
  const int keepLine = IDLine, keepPoint = idPoint;
  if (SelectedPoint()) {
    d.selectedGroup = IDLine;
    d.selectedPoint = idPoint;
  }
  // Reading the selection for the drawing must not move the current group of the group page.
  if (AreaPage == 2) {
    IDLine = keepLine;
    idPoint = keepPoint;
  }
  return d;
}

// ---------------------------------------------------------------- groups and categories

void TForm1::AfterGroupsChanged() {
  zelko::AreaPage& p = *pageArea;
  if (!Lines.empty()) {
    const int last = static_cast<int>(Lines.size()) - 1;
    if (IDLine >= last) IDLine = last;
    FillGroupTable();
    p.SetSheetVisible(p.TabSheetGroup, true);
    p.SetSheetVisible(p.TabSheetCalResult, false);
    if (AreaPage == 0 || AreaPage == 3) AreaPage = 0;
    QWidget* sheets[4] = {p.TabSheetPointInput, p.TabSheetProperty, p.TabSheetGroup,
                          p.TabSheetCalResult};
    p.PageControl2->setCurrentWidget(sheets[AreaPage]);
  } else {
    p.SetSheetVisible(p.TabSheetGroup, false);
    p.PageControl2->setCurrentWidget(p.TabSheetPointInput);
  }
  DataChanged(true);
}

void TForm1::UpdateGroupCommands() {
  const bool any = !Lines.empty();
  if (any) IDLine = static_cast<int>(Lines.size()) - 1;
  pageArea->BitBtnCalArea->setEnabled(any);
  pageArea->ButtonEraseArea->setEnabled(any);
  PaintPicture(-1, -1);
}

void TForm1::FillGroupTable() {
  StringGrid* g = pageArea->StringGridGroup;
  const TableCells t = BuildGroupTable(Lines, CategoryNames());
  g->SetRowCount(static_cast<int>(t.size()));
  for (size_t r = 0; r < t.size(); ++r)
    for (size_t c = 0; c < t[r].size() && c < 3; ++c)
      g->SetCell(static_cast<int>(c), static_cast<int>(r), Q(t[r][c]));
  g->FitColumnWidths();
  {
    const QSignalBlocker b(g);
    g->SetRow(std::max(1, IDLine + 1));
  }
}

void TForm1::FillGroupTableAndChooser() {
  FillGroupTable();
  const int r = pageArea->StringGridGroup->Row();
  if (r >= 1 && r <= static_cast<int>(Lines.size())) {
    const QSignalBlocker b(pageArea->ComboBoxSort);
    pageArea->ComboBoxSort->setCurrentIndex(Lines[r - 1].Sort);
  }
}

void TForm1::SelectGroup(int i) {
  if (Lines.empty() || i < 0 || i >= static_cast<int>(Lines.size())) return;
  {
    const QSignalBlocker b(pageArea->StringGridGroup);
    pageArea->StringGridGroup->SetRow(i + 1);
  }
  IDLine = i;
  pageArea->RadioGroupLineType->SetItemIndexSilently(Lines[i].LineType);
  {
    const QSignalBlocker b(pageArea->ComboBoxSort);
    pageArea->ComboBoxSort->setCurrentIndex(Lines[i].Sort);
  }
  PaintPicture(-1, -1);
}

void TForm1::DeleteGroupAt(int g) {
  if (auto id = DeleteGroup(Lines, g)) IDLine = *id;
  FillPointTable();
  if (Lines.empty()) {
    pageArea->StringGrid2->SetRowCount(2);
    pageArea->StringGrid2->ClearRow(1);
  }
}

void TForm1::ButtonEraseAreaClick() {
  if (Lines.size() == 1) {
    ClearGroups();
    NumPoints = -1;
    UpdateGroupCommands();
    return;
  }
  DrawGroupLabels();
  const QString text =
      dialogs().InputBox("", Q(kPromptDeleteGroups), Q(kDeleteGroupsDefault));
  const GroupDeletion plan = PlanGroupDeletion(text.toStdString(), static_cast<int>(Lines.size()));
  if (plan.cancelled) return;
  for (int index : plan.calls) DeleteGroupAt(index);
  AfterGroupsChanged();
  UpdateGroupCommands();
}

// ---------------------------------------------------------------- calculation

void TForm1::DrawGroupLabels() {
  QImage picture = Image1->Picture();
  if (picture.isNull()) return;
  QPainter p(&picture);
  QFont font = p.font();
  font.setPointSize(8);
  p.setFont(font);
  const QFontMetrics fm(font);
  for (size_t i = 0; i < Lines.size(); ++i) {
    const TLine& l = Lines[i];
    double X, Y;
    if (l.LineType == ltPoints) {
      if (l.Points.empty()) continue;
      X = std::trunc(l.Points[0].x);
      Y = std::trunc(l.Points[0].y);
    } else {
      if (l.Points.size() < 2) continue;
      X = std::trunc((l.Points[0].x + l.Points[1].x) / 2);
      Y = std::trunc((l.Points[0].y + l.Points[1].y) / 2);
    }
    const int vx = static_cast<int>(std::trunc(X * factor - XB0));
    const int vy = static_cast<int>(std::trunc(Y * factor - YB0)) - 8 / 2;
    if (vx < 0 || vx >= SWidth || vy < 0 || vy >= SHeight) continue;
    const QString label = Q(GroupLabel(Lines, static_cast<int>(i)));
    const QRect box(vx, vy, fm.horizontalAdvance(label) + 2, fm.height());
    p.fillRect(box, Qt::white);
    p.setPen(Qt::black);
    p.drawText(box, Qt::AlignLeft | Qt::AlignTop, label);
  }
  p.end();
  Image1->SetPicture(picture);
}

void TForm1::BitBtnCalAreaClick() {
  QImage surface;
  CalculateHooks hooks;
  hooks.prepare = [&] {
    factor = FitFactor();
    pageImage->EditSizeRatio->setText(QString::fromStdString(FormatFixed(factor * 100, 1)));
    XB0 = 0;
    YB0 = 0;
    RefreshWorkingImage();
    surface = Image1->Picture();
  };
  hooks.afterGroup = [&](std::size_t g) {
    const TLine& l = Lines[g];
    if (l.LineType == ltClosed && !surface.isNull()) {
      QPolygon poly;
      bool inside = true;
      for (const TMarker& m : l.Points) {
        const QPoint v(RoundHalfAway(m.x * factor - XB0), RoundHalfAway(m.y * factor - YB0));
        if (v.x() < 0 || v.x() > SWidth || v.y() < 0 || v.y() > SHeight) inside = false;
        poly << v;
      }
      if (inside && !poly.isEmpty()) {
        QPainter p(&surface);
        p.setPen(QPen(QColor(255, 0, 0), 1));
        p.setBrush(ToQColor(l.Area >= 0 ? sym.clPlusArea : sym.clMinusArea));
        p.drawPolygon(poly);
      }
    }
    if (!surface.isNull()) Image1->SetPicture(surface);
  };
  const CalculateResult r = CalculateLines(Lines, Method(), Cx, Cy, Unit(), isLineInput, hooks);
  if (!r.ok()) {
    if (!r.message.empty()) Msg(MsgKind::Error, Q(r.message));
    return;
  }
  DrawGroupLabels();
  const ResultTable t = BuildResultTable(Lines, CategoryNames(), Unit(), Decimals());
  StringGrid* g3 = pageArea->StringGrid3;
  g3->SetRowCount(static_cast<int>(t.cells.size()));
  g3->SetColCount(ResultTable::kColumns);
  for (size_t row = 0; row < t.cells.size(); ++row)
    for (size_t c = 0; c < t.cells[row].size(); ++c)
      g3->SetCell(static_cast<int>(c), static_cast<int>(row), Q(t.cells[row][c]));
  g3->FitColumnWidths();
  resultTableShown = true;
  g3->setVisible(true);
  pageArea->ShowSheet(pageArea->TabSheetCalResult);
  AreaPage = 3;
}

// ---------------------------------------------------------------- point editing

void TForm1::StatusBar1Click() {
  if (isModifyPoint || isAddPoint) {
    pageArea->PageControl2->setEnabled(true);
    SetStatus(4, "");
    isModifyPoint = false;
    isAddPoint = false;
  }
}

bool TForm1::CompletePointMove() {
  if (!SelectedPoint()) return false;
  MovePoint(Lines, PointRef{IDLine, idPoint}, XPre, YPre);
  StringGrid* g = pageArea->StringGrid2;
  const int r = g->Row();
  const auto cells = PointTableRow(Lines[IDLine], IDLine, static_cast<size_t>(idPoint), Method(),
                                   Cx, Cy, Decimals());
  for (size_t c = 3; c < cells.size() && static_cast<int>(c) < g->ColCount(); ++c)
    g->SetCell(static_cast<int>(c), r, Q(cells[c]));
  DataChanged(true);
  isModifyPoint = false;
  SetStatus(4, "");
  pageArea->PageControl2->setEnabled(true);
  PaintPicture(-1, -1);
  return true;
}

bool TForm1::CompletePointInsert() {
  if (!SelectedPoint()) return false;
  const int r = pageArea->StringGrid2->Row();
  if (auto p = InsertPointAfter(Lines, PointRef{IDLine, idPoint}, XPre, YPre)) idPoint = *p;
  DataChanged(true);
  FillPointTable();
  pageArea->StringGrid2->SetRow(r + 1);
  pageArea->PageControl2->setEnabled(true);
  SetStatus(4, "");
  isAddPoint = false;
  return true;
}

void TForm1::DeletePointClick() {
  if (!SelectedPoint()) return;
  pageArea->PageControl2->setCurrentWidget(pageArea->TabSheetPointInput);
  if (auto question = PointDeletionQuestion(Lines[IDLine])) {
    if (Msg(MsgKind::Warning, Q(*question), MsgButtons::YesNo) != MsgResult::No) {
      DeleteGroupAt(IDLine);
      PaintPicture(-1, -1);
    }
    return;
  }
  RemovePoint(Lines, PointRef{IDLine, idPoint});
  StringGrid* g = pageArea->StringGrid2;
  const int top = g->TopRow(), c = g->Row();
  FillPointTable();
  g->SetTopRow(top);
  g->SetRow(std::min(c, g->RowCount() - 1));
  PaintPicture(-1, -1);
}

void TForm1::Image1DblClick() {
  if (isLineInput || !isAreaMode || Lines.empty()) return;
  const auto nearest = NearestPoint(Lines, XPre, YPre);
  if (!nearest) return;
  IDLine = nearest->group;
  pageArea->StringGrid2->SetRow(nearest->row);
  if (AreaPage == 2) {
    pageArea->StringGridGroup->SetRow(IDLine + 1);
  } else if (AreaPage == 3) {
    const QString label = Q(GroupLabel(Lines, IDLine));
    const StringGrid* g3 = pageArea->StringGrid3;
    for (int r = 1; r < g3->RowCount(); ++r)
      if (g3->Cells(1, r) == label) {
        pageArea->StringGrid3->SetRow(r);
        break;
      }
  }
}

}  // namespace zelko
