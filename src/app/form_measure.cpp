// The window's side of the measurement: the mode, group input, the four tables, the calculate
// command, group and point editing.
#include <QLineEdit>
#include <QPainter>
#include <QTabWidget>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

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
#include "measure/view_overlay.h"
#include "render/view_render.h"

namespace zelko {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Rows a table can hold, with its header and empty last row.
constexpr std::size_t kMaxPointRows = std::numeric_limits<int>::max() - 2;

void FillGrid(StringGrid* g, const TableCells& cells, int firstRow) {
  for (std::size_t r = static_cast<std::size_t>(firstRow); r < cells.size(); ++r)
    for (std::size_t c = 0; c < cells[r].size() && static_cast<int>(c) < g->ColCount(); ++c)
      g->SetCell(static_cast<int>(c), static_cast<int>(r), Q(cells[r][c]));
}

}  // namespace

int TForm1::Method() const { return doc_.Data().Method; }
int TForm1::Unit() const { return doc_.Data().ScaleUnit; }

// The decimals of the formats in force: frmdata is "0." followed by d zeros, and it keeps its
// value while the edit holds a text that is no number.
int TForm1::Decimals() const { return std::max(0, static_cast<int>(state_.frmdata.size()) - 2); }

const std::vector<std::string>& TForm1::CategoryNames() const { return doc_.Data().Categories; }

void TForm1::SetViewMenu(QMenu* menu) {
  viewMenu_ = menu;
  Image1->setContextMenuPolicy(menu ? Qt::CustomContextMenu : Qt::NoContextMenu);
}

void TForm1::EditNumDecimalChange() {
  const std::string text = EditNumDecimal->text().toStdString();
  doc_.SetNumDecimal(text, true);
  // An emptied field or a lone sign is a number still being typed: the formats stay meanwhile.
  if (IsUnfinishedDecimals(text)) return;
  const long long d = ParseInteger(text);
  state_.appliedDecimals = EditNumDecimal->text();
  const int decimals = static_cast<int>(std::clamp<long long>(d, -1, kMaxDecimals));
  state_.frmdata = Q(LengthFormat(decimals));
  state_.frmdata2 = Q(AreaFormat(decimals));
  FillPointTable();
}

void TForm1::EditNumDecimalExit() {
  if (!TryParseInteger(EditNumDecimal->text().toStdString()))
    EditNumDecimal->setText(state_.appliedDecimals);
}

// ---------------------------------------------------------------- the mode

void TForm1::ToolButtonAreaModeClick() {
  if (!isCoord()) {
    ToolButtonAreaMode->setChecked(state_.isAreaMode);
    Msg(MsgKind::Error, QString::fromUtf8(kMsgNoTransform));
    return;
  }
  if (state_.isAreaMode)
    LeaveMeasurementMode();
  else
    EnterMeasurementMode();
}

void TForm1::EnterMeasurementMode() {
  zelko::AreaPage& p = *pageArea;
  state_.isMarked = false;
  SetStatus(4, "");
  ToolButtonMarkers->setChecked(false);
  state_.isAreaMode = true;
  ToolButtonAreaMode->setChecked(true);
  PageControl1->setTabVisible(2, true);
  PageControl1->setTabVisible(1, false);
  Menu_Coord->setEnabled(false);
  p.SetSheetVisible(p.TabSheetCalResult, false);
  p.StringGrid3->setVisible(false);
  state_.resultTableShown = false;
  SetViewMenu(p.PopupMenuLine);
  FillPointTable();
  p.SetSheetVisible(p.TabSheetGroup, !Lines().empty());
  state_.AreaPage = 0;
  UpdateGroupCommands();
  ShowPage(2);
  p.PageControl2->setCurrentWidget(p.TabSheetPointInput);
  state_.AreaPage = 0;
  state_.NumPoints = -1;
  UpdateCalculateCommand();
}

bool TForm1::LeaveMeasurementMode() {
  if (state_.isLineInput) {
    ToolButtonAreaMode->setChecked(true);
    Msg(MsgKind::Error, Q(kMsgGroupInputRunning));
    return false;
  }
  state_.isAreaMode = false;
  UpdateCalculateCommand();
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
  if (state_.NumPoints == -1) {
    p.PageControl2->setCurrentWidget(p.TabSheetPointInput);
    state_.IDLine = static_cast<int>(Lines().size());
    p.StringGrid2->SetRow(p.StringGrid2->RowCount() - 1);
    // The chooser offers only the listed categories; without a selection the first one counts.
    state_.Sortpres = std::max(0, p.ComboBoxSort->currentIndex());
    // The whole input, point by point, is one edit to take back.
    doc_.BeginCompound("グループ入力");
    EditGroups("グループ入力", [&](std::vector<TLine>& l) {
      StartGroupInput(l, state_.Sortpres, std::max(0, p.RadioGroupLineType->ItemIndex()));
      return true;
    });
    SetStatus(4, "ポイントを入力して下さい");
    state_.isLineInput = true;
    state_.NumPoints = 0;
    p.ButtonSetArea->setText("入力終了");
    SetInputControlsEnabled(false);
    return;
  }
  p.PageControl2->setCurrentWidget(p.TabSheetPointInput);
  p.ButtonSetArea->setText("入力開始");
  SetStatus(4, "");
  state_.isLineInput = false;
  SetInputControlsEnabled(true);
  SetResaveEnabled(!state_.ProjectFile.isEmpty());
  InputEndResult end;
  EditGroups("グループ入力", [&](std::vector<TLine>& l) {
    end = EndGroupInput(l);
    return true;
  });
  doc_.EndCompound();
  state_.IDLine = end.IDLine;
  if (!end.warning.empty()) Msg(MsgKind::Warning, Q(end.warning));
  if (end.pointRowsRemoved > 0) {
    StringGrid* g = p.StringGrid2;
    g->SetRowCount(std::max(2, g->RowCount() - end.pointRowsRemoved));
    g->ClearRow(g->RowCount() - 1);
  }
  AfterGroupsChanged();
  state_.NumPoints = -1;
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
  // The file commands themselves, not only their menu: assistive technology reaches items of a
  // disabled menu. (All of them stand for an open image; overwrite follows the project below.)
  for (QAction* a : {P1, SaveProject, ReadImage1, PictureSave, C1}) a->setEnabled(on);
  for (QAction* a : MenuOpenProject->actions()) a->setEnabled(on);
  if (!on) SetResaveEnabled(false);
  UpdateUndoCommands();
}

void TForm1::TakeNewPoint() {
  if (!PointHasPhysicalPlace(state_.XPre, state_.YPre)) return;
  EditGroups("ポイント入力", [&](std::vector<TLine>& l) {
    state_.NumPoints = AppendInputPoint(l[state_.IDLine], state_.XPre, state_.YPre);
    return true;
  });
  const TLine& line = Lines()[state_.IDLine];
  StringGrid* g = pageArea->StringGrid2;
  const int r = g->RowCount() - 1;
  const auto cells = PointTableRow(line, state_.IDLine, line.Points.size() - 1, Method(), Cx(),
                                   Cy(), Unit(), Decimals(), MarkerRegionNow().side);
  if (isCoord() && g->ColCount() != static_cast<int>(cells.size()))
    g->SetColCount(static_cast<int>(cells.size()));
  for (size_t c = 0; c < cells.size(); ++c) g->SetCell(static_cast<int>(c), r, Q(cells[c]));
  g->SetRow(r);
  g->SetRowCount(r + 2);
  g->ClearRow(r + 1);
  g->FitColumnWidths();
}

void TForm1::EraseOnePointClick() {
  if (state_.NumPoints <= 0 || state_.IDLine < 0 ||
      state_.IDLine >= static_cast<int>(Lines().size()))
    return;
  EditGroups("一つ前に戻る",
             [&](std::vector<TLine>& l) { return TakeBackPoint(l[state_.IDLine]); });
  --state_.NumPoints;
  StringGrid* g = pageArea->StringGrid2;
  g->SetRowCount(std::max(2, g->RowCount() - 1));
  g->ClearRow(g->RowCount() - 1);
  g->SetRow(g->RowCount() - 1);
  PaintPicture(-1, -1);
}

const UncertaintyModel& TForm1::UncertaintyNow() {
  if (!uncertainty_) {
    const DocumentData& d = doc_.Data();
    uncertainty_ = UncertaintyModel{
        TransformCovariance(Method(), pageCoord->MarkerTableRows(), Cx(), Cy(),
                            Unit() == kDegreeUnit, d.ReferencePixels, d.ClickPrecision),
        d.ClickPrecision};
  }
  return *uncertainty_;
}

void TForm1::FillResultTable() {
  ResultTable t = BuildResultTable(Lines(), CategoryNames(), Unit(), Decimals());
  const bool withSd = ShowUncertainty->isChecked();
  StringGrid* g3 = pageArea->StringGrid3;
  g3->setToolTip({});
  if (withSd) {
    const ResultUncertainty u =
        PropagateUncertainty(Lines(), Method(), Cx(), Cy(), Unit(), UncertaintyNow());
    FillResultUncertainty(t, Lines(), u);
    // 長さ, ±, 面積, ±, 点数: each ± beside its value.
    for (std::size_t r = 0; r < t.cells.size(); ++r) {
      auto& row = t.cells[r];
      const bool header = r == 0;
      const auto sd = [&](double v) { return std::isfinite(v) ? SdText(v) : std::string("不明"); };
      row.insert(row.begin() + 4, header ? "±" : sd(t.rows[r].areaSd));
      row.insert(row.begin() + 3, header ? "±" : sd(t.rows[r].lengthSd));
    }
    if (!u.Reason().empty()) g3->setToolTip(Q(u.Reason()));
  }
  // A selection moved by the new row count would repaint the view and wipe the fills.
  const QSignalBlocker b(g3);
  g3->SetColCount(ResultTable::kColumns + (withSd ? 2 : 0));
  g3->SetRowCount(static_cast<int>(t.cells.size()));
  FillGrid(g3, t.cells, 0);
  g3->FitColumnWidths();
}

void TForm1::FillPointTable() {
  StringGrid* g = pageArea->StringGrid2;
  if (Lines().empty()) return;
  if (!isCoord()) {
    g->SetColCount(5);
    return;
  }
  doc_.Recompute(kPartGroups, [](DocumentData& d) {
    FillEmptyPointLabels(d.Lines);
    return true;
  });
  // The rows are formatted as the table shows or is asked for them, so the table of a project of
  // many points opens at once. The cells read the groups as they are; every change of the groups
  // fills the table anew.
  auto index = std::make_shared<const PointTableIndex>(Lines());
  const int rows = static_cast<int>(std::min<std::size_t>(index->Rows(), kMaxPointRows));
  g->SetRowCount(rows + 2);
  const int columns = PointTableColumns(Method());
  // The positions' ± after X and Y, when asked for and the table has physical columns.
  const bool withSd = ShowUncertainty->isChecked() && columns == 7;
  g->SetColCount(columns + (withSd ? 2 : 0));
  if (withSd) {
    g->SetCell(7, 0, "±" + g->Cells(5, 0));
    g->SetCell(8, 0, "±" + g->Cells(6, 0));
  }
  auto model = withSd ? std::make_shared<const UncertaintyModel>(UncertaintyNow()) : nullptr;
  StringGrid::RowSource source;
  source.first = 1;
  source.end = rows + 1;
  source.text = [index, lines = &Lines(), method = Method(), cx = Cx(), cy = Cy(), unit = Unit(),
                 decimals = Decimals(), side = MarkerRegionNow().side,
                 model](int col, int row) -> QString {
    const auto at = index->At(static_cast<std::size_t>(row));
    if (!at || static_cast<std::size_t>(at->group) >= lines->size()) return {};
    const TLine& line = (*lines)[static_cast<std::size_t>(at->group)];
    if (static_cast<std::size_t>(at->point) >= UsedPointCount(line)) return {};
    if (col >= 7) {
      // Empty beyond the vanishing line, where the position itself is.
      if (!model || PointTableCell(line, at->group, static_cast<std::size_t>(at->point), 5, method,
                                   cx, cy, unit, decimals, side)
                        .empty())
        return {};
      const TMarker& p = line.Points[static_cast<std::size_t>(at->point)];
      const PositionSd sd = PositionUncertainty(*model, method, cx, cy, p.x, p.y);
      const double v = col == 7 ? sd.x : sd.y;
      return std::isfinite(v) ? Q(SdText(v)) : QString("不明");
    }
    return Q(PointTableCell(line, at->group, static_cast<std::size_t>(at->point), col, method, cx,
                            cy, unit, decimals, side));
  };
  for (std::size_t r : index->WidestRows(Lines(), Method(), Cx(), Cy()))
    source.widestRows.push_back(static_cast<int>(r));
  g->SetRowSource(std::move(source));
  g->ClearRow(g->RowCount() - 1);
  g->SetRow(g->RowCount() - 1);
  g->FitColumnWidths();
}

std::optional<PointRef> TForm1::SelectedPointRef() const {
  const StringGrid* g = pageArea->StringGrid2;
  const int r = g->Row();
  if (r <= 0 || r >= g->RowCount() - 1) return std::nullopt;
  const auto ref = ParsePointRow(g->Cells(1, r).toStdString(), g->Cells(2, r).toStdString());
  // A row that names no existing point (the table is always rebuilt with the groups, so only a
  // stale table could) selects nothing rather than an edit of a point that is not there.
  if (!ref || ref->group >= static_cast<int>(Lines().size()) ||
      static_cast<std::size_t>(ref->point) >= UsedPointCount(Lines()[ref->group]))
    return std::nullopt;
  return PointRef{ref->group, ref->point};
}

bool TForm1::SelectedPoint() {
  const auto ref = SelectedPointRef();
  if (!ref) return false;
  state_.IDLine = ref->group;
  state_.idPoint = ref->point;
  return true;
}

GroupDrawing TForm1::GroupHighlight() {
  GroupDrawing d;
  const int count = static_cast<int>(Lines().size());
  if (count >= 2) {
    d.highlighted.assign(Lines().size(), false);
    if (state_.AreaPage == 2 && state_.IDLine >= 0 && state_.IDLine < count) {
      d.highlighted[state_.IDLine] = true;
    } else if (state_.AreaPage == 3) {
      const StringGrid* g3 = pageArea->StringGrid3;
      const int r = g3->Row();
      if (g3->Cells(1, r) == "合計") {
        const StringGrid* gs = pageArea->StringGridSort;
        for (int row = 1; row < gs->RowCount(); ++row)
          if (gs->Cells(1, row) == g3->Cells(0, r)) {
            for (int i = 0; i < count; ++i)
              if (Lines()[i].Sort + 1 == row) d.highlighted[i] = true;
            break;
          }
      } else if (auto g = ParseGroupLabel(g3->Cells(1, r).toStdString())) {
        if (*g < count) d.highlighted[*g] = true;
      }
    }
  }
  const int keepLine = state_.IDLine, keepPoint = state_.idPoint;
  if (SelectedPoint()) {
    d.selectedGroup = state_.IDLine;
    d.selectedPoint = state_.idPoint;
  }
  // On the group page the current group is the one of the group table, which the reversal and
  // the kind change act on; a repaint must not move it to the point table's group.
  if (state_.AreaPage == 2) {
    state_.IDLine = keepLine;
    state_.idPoint = keepPoint;
  }
  return d;
}

// ---------------------------------------------------------------- groups and categories

void TForm1::AfterGroupsChanged() {
  zelko::AreaPage& p = *pageArea;
  if (!Lines().empty()) {
    const int last = static_cast<int>(Lines().size()) - 1;
    if (state_.IDLine >= last) state_.IDLine = last;
    FillGroupTable();
    // Hiding the shown result page moves the current sheet and with it AreaPage; decide the
    // page from the value before that.
    int page = state_.AreaPage;
    p.SetSheetVisible(p.TabSheetGroup, true);
    p.HideResults();
    if (page == 0 || page == 3) page = 0;
    QWidget* sheets[4] = {p.TabSheetPointInput, p.TabSheetProperty, p.TabSheetGroup,
                          p.TabSheetCalResult};
    p.PageControl2->setCurrentWidget(sheets[page]);
    state_.AreaPage = page;
  } else {
    p.SetSheetVisible(p.TabSheetGroup, false);
    p.PageControl2->setCurrentWidget(p.TabSheetPointInput);
    p.HideResults();
    state_.AreaPage = 0;
  }
  p.StringGridSortClick();
}

void TForm1::UpdateGroupCommands() {
  const bool any = !Lines().empty();
  if (any) state_.IDLine = static_cast<int>(Lines().size()) - 1;
  pageArea->BitBtnCalArea->setEnabled(any);
  pageArea->ButtonEraseArea->setEnabled(any);
  PaintPicture(-1, -1);
}

void TForm1::FillGroupTable() {
  StringGrid* g = pageArea->StringGridGroup;
  const TableCells t = BuildGroupTable(Lines(), CategoryNames());
  const int before = g->Row();
  const int target = std::max(1, state_.IDLine + 1);
  {
    const QSignalBlocker b(g);
    g->SetRowCount(static_cast<int>(t.size()));
    g->SetRow(target);
  }
  FillGrid(g, t, 0);
  g->FitColumnWidths();
  // Selecting the row runs the group-table selection when the row changes, as a click does;
  // the handling comes once the table is filled.
  if (target != before) pageArea->StringGridGroupClick();
}

void TForm1::FillGroupTableAndChooser() {
  FillGroupTable();
  const int r = pageArea->StringGridGroup->Row();
  if (r >= 1 && r <= static_cast<int>(Lines().size())) {
    const QSignalBlocker b(pageArea->ComboBoxSort);
    pageArea->ComboBoxSort->setCurrentIndex(Lines()[r - 1].Sort);
  }
}

void TForm1::SelectGroup(int i) {
  if (Lines().empty() || i < 0 || i >= static_cast<int>(Lines().size())) return;
  {
    const QSignalBlocker b(pageArea->StringGridGroup);
    pageArea->StringGridGroup->SetRow(i + 1);
  }
  state_.IDLine = i;
  // The kind chooser's own handling would find the group's kind unchanged and do nothing.
  pageArea->RadioGroupLineType->SetItemIndexSilently(Lines()[i].LineType);
  {
    const QSignalBlocker b(pageArea->ComboBoxSort);
    pageArea->ComboBoxSort->setCurrentIndex(Lines()[i].Sort);
  }
  PaintPicture(-1, -1);
}

void TForm1::RefreshPointTableAfterGroupDeletion() {
  if (Lines().empty()) {
    pageArea->StringGrid2->SetRowCount(2);
    pageArea->StringGrid2->ClearRow(1);
  } else {
    FillPointTable();
  }
}

void TForm1::DeleteGroupAt(int g) {
  EditGroups("グループ削除", [&](std::vector<TLine>& l) {
    const auto id = DeleteGroup(l, g);
    if (id) state_.IDLine = *id;
    return id.has_value();
  });
  RefreshPointTableAfterGroupDeletion();
}

void TForm1::ButtonEraseAreaClick() {
  if (Lines().empty()) return;
  if (Lines().size() == 1) {
    ClearGroups("グループ削除");
    state_.NumPoints = -1;
    // Not only the commands: the empty group page goes and the deletion counts as a change, or
    // closing the program would not offer to save it.
    AfterGroupsChanged();
    UpdateGroupCommands();
    return;
  }
  DrawGroupLabels();
  const QString text = dialogs().InputBox("", Q(kPromptDeleteGroups), Q(kDeleteGroupsDefault));
  // One pass over the groups and one refill of the point table, however long the list.
  GroupDeletion done;
  EditGroups("グループ削除", [&](std::vector<TLine>& l) {
    done = DeleteGroupsByList(l, text.toStdString());
    return !done.numbers.empty();
  });
  if (done.cancelled) return;
  if (!done.numbers.empty()) {
    state_.IDLine = static_cast<int>(Lines().size()) - 1;
    RefreshPointTableAfterGroupDeletion();
  }
  AfterGroupsChanged();
  UpdateGroupCommands();
}

// ---------------------------------------------------------------- calculation

void TForm1::DrawGroupLabels() {
  QImage picture = Image1->Picture();
  if (picture.isNull()) return;
  constexpr int kLabelPoints = 8;
  const auto labels =
      GroupLabelPlacements(Lines(), ViewPlacement{view_.XB0, view_.YB0, view_.factor}, view_.SWidth,
                           view_.SHeight, kLabelPoints);
  QPainter p(&picture);
  QFont font;
  font.setPointSize(kLabelPoints);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  p.setFont(font);
  const QFontMetrics fm(font);
  p.setPen(Qt::black);
  for (const LabelPlacement& l : labels) {
    const QString text = Q(l.label);
    const QRect box(l.topLeft.x, l.topLeft.y, fm.horizontalAdvance(text) + 2, fm.height());
    p.fillRect(box, Qt::white);
    p.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
  }
  p.end();
  Image1->SetPicture(picture);
}

void TForm1::BitBtnCalAreaClick() {
  QImage surface;
  bool prepared = false;
  QPainter fill;
  CalculateHooks hooks;
  hooks.prepare = [&] {
    view_.factor = FitFactor();
    pageImage->EditSizeRatio->setText(QString::fromStdString(FormatFixed(view_.factor * 100, 1)));
    view_.XB0 = 0;
    view_.YB0 = 0;
    RefreshWorkingImage();
    surface = Image1->Picture();
    prepared = true;
    if (!surface.isNull()) {
      fill.begin(&surface);
      fill.setPen(QPen(QColor(255, 0, 0), 1, Qt::SolidLine));
    }
  };
  hooks.afterGroup = [&](std::size_t g) {
    const TLine& l = Lines()[g];
    if (l.LineType != ltClosed || !fill.isActive()) return;
    const auto polygon = AreaFillPolygon(l, ViewPlacement{view_.XB0, view_.YB0, view_.factor},
                                         view_.SWidth, view_.SHeight);
    if (!polygon) return;
    QPolygon poly;
    poly.reserve(static_cast<int>(polygon->size()));
    for (const PixelPos& v : *polygon) poly << QPoint(v.x, v.y);
    fill.setBrush(QBrush(ToQColor(l.Area >= 0 ? state_.sym.clPlusArea : state_.sym.clMinusArea),
                         Qt::SolidPattern));
    fill.drawPolygon(poly);
  };
  // Lengths and areas follow from the document; working them out is no edit of it.
  CalculateResult r;
  const FitRegion region = MarkerRegionNow();
  doc_.Recompute(kPartGroups, [&](DocumentData& d) {
    r = CalculateLines(d.Lines, Method(), Cx(), Cy(), Unit(), state_.isLineInput, hooks, &region);
    return true;
  });
  if (fill.isActive()) fill.end();
  // The view shows the fills once, at the end, rather than after every one of many groups.
  if (prepared && !surface.isNull()) Image1->SetPicture(surface);
  if (!r.ok()) {
    if (!r.message.empty()) Msg(MsgKind::Error, Q(r.message));
    return;
  }
  DrawGroupLabels();
  FillResultTable();
  StringGrid* g3 = pageArea->StringGrid3;
  state_.resultTableShown = true;
  g3->setVisible(true);
  {
    const QSignalBlocker b(g3);
    pageArea->ShowSheet(pageArea->TabSheetCalResult);
  }
  state_.AreaPage = 3;
  // After the table, so the user sees the areas the warning is about.
  if (const std::string warning = CalculationWarning(Lines(), r); !warning.empty())
    Msg(MsgKind::Warning, Q(warning));
}

// ---------------------------------------------------------------- point editing

void TForm1::StatusBar1Click() {
  if (state_.isModifyPoint) {
    pageArea->PageControl2->setEnabled(true);
    SetStatus(4, "");
    state_.isModifyPoint = false;
  }
  if (state_.isAddPoint) {
    pageArea->PageControl2->setEnabled(true);
    SetStatus(4, "");
    state_.isAddPoint = false;
  }
  UpdateUndoCommands();
}

void TForm1::CancelPointingClick() {
  if (state_.isModifyPoint || state_.isAddPoint) {
    StatusBar1Click();
  } else if (state_.isPointing != 0) {
    SetPointing(0);
    SetStatus(4, "");
    // The rubber line of the first end goes with the pick.
    PaintPicture(-1, -1);
  }
}

bool TForm1::CompletePointMove() {
  if (!SelectedPoint() || !PointHasPhysicalPlace(state_.XPre, state_.YPre)) return false;
  EditGroups("ポイント移動", [&](std::vector<TLine>& l) {
    return MovePoint(l, PointRef{state_.IDLine, state_.idPoint}, state_.XPre, state_.YPre);
  });
  StringGrid* g = pageArea->StringGrid2;
  const int r = g->Row();
  const auto cells =
      PointTableRow(Lines()[state_.IDLine], state_.IDLine, static_cast<size_t>(state_.idPoint),
                    Method(), Cx(), Cy(), Unit(), Decimals(), MarkerRegionNow().side);
  for (size_t c = 3; c < cells.size() && static_cast<int>(c) < g->ColCount(); ++c)
    g->SetCell(static_cast<int>(c), r, Q(cells[c]));
  pageArea->HideResults();
  state_.isModifyPoint = false;
  SetStatus(4, "");
  pageArea->PageControl2->setEnabled(true);
  pageArea->StringGrid2Click();
  UpdateUndoCommands();
  return true;
}

bool TForm1::CompletePointInsert() {
  if (!SelectedPoint() || !PointHasPhysicalPlace(state_.XPre, state_.YPre)) return false;
  const int r = pageArea->StringGrid2->Row();
  EditGroups("ポイント挿入", [&](std::vector<TLine>& l) {
    const auto p =
        InsertPointAfter(l, PointRef{state_.IDLine, state_.idPoint}, state_.XPre, state_.YPre);
    if (p) state_.idPoint = *p;
    return p.has_value();
  });
  pageArea->HideResults();
  FillPointTable();
  pageArea->StringGrid2->SetRow(r + 1);
  pageArea->PageControl2->setEnabled(true);
  SetStatus(4, "");
  state_.isAddPoint = false;
  UpdateUndoCommands();
  return true;
}

void TForm1::DeletePointClick() {
  if (!SelectedPoint()) return;
  pageArea->PageControl2->setCurrentWidget(pageArea->TabSheetPointInput);
  if (auto question = PointDeletionQuestion(Lines()[state_.IDLine])) {
    if (Msg(MsgKind::Warning, Q(*question), MsgButtons::YesNo) != MsgResult::No) {
      DeleteGroupAt(state_.IDLine);
      // The group list changed: the group page and the commands follow, and it is a change.
      AfterGroupsChanged();
      UpdateGroupCommands();
    }
    return;
  }
  EditGroups("ポイント削除", [&](std::vector<TLine>& l) {
    return RemovePoint(l, PointRef{state_.IDLine, state_.idPoint});
  });
  pageArea->HideResults();
  StringGrid* g = pageArea->StringGrid2;
  const int top = g->TopRow(), c = g->Row();
  FillPointTable();
  g->SetTopRow(top);
  g->SetRow(std::min(c, g->RowCount() - 1));
  PaintPicture(-1, -1);
}

void TForm1::Image1DblClick() {
  if (state_.isLineInput || !state_.isAreaMode || Lines().empty()) return;
  const auto nearest = NearestPoint(Lines(), state_.XPre, state_.YPre);
  if (!nearest) return;
  state_.IDLine = nearest->group;
  zelko::AreaPage& p = *pageArea;
  {
    const QSignalBlocker b(p.StringGrid2);
    p.StringGrid2->SetRow(nearest->row);
  }
  if (state_.AreaPage == 0) {
    p.StringGrid2Click();
  } else if (state_.AreaPage == 2) {
    {
      const QSignalBlocker b(p.StringGridGroup);
      p.StringGridGroup->SetRow(state_.IDLine + 1);
    }
    p.StringGridGroupClick();
  } else if (state_.AreaPage == 3) {
    const QString label = Q(GroupLabel(Lines(), state_.IDLine));
    StringGrid* g3 = p.StringGrid3;
    for (int r = 1; r < g3->RowCount(); ++r)
      if (g3->Cells(1, r) == label) {
        {
          const QSignalBlocker b(g3);
          g3->SetRow(r);
        }
        p.StringGrid3Click();
        break;
      }
  }
}

}  // namespace zelko
