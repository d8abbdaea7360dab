// The window's side of the coordinate system: marker mode, fits, the reference line, the grid.
#include <QMenu>
#include <QTabWidget>
#include <optional>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/form.h"
#include "app/string_grid.h"
#include "app/view_widget.h"
#include "coords/fit.h"
#include "coords/fit_quality.h"
#include "coords/grid.h"
#include "measure/formats.h"
#include "render/view_render.h"

namespace zelko {

void TForm1::ToolButtonMarkersClick() {
  pageCoord->StringGrid1->FitColumnWidths();
  if (state_.isMarked) {
    state_.isMarked = false;
    SetStatus(4, "");
    ToolButtonMarkers->setChecked(false);
    Image1->setContextMenuPolicy(Qt::NoContextMenu);
    PaintPicture(-1, -1);
  } else {
    state_.isMarked = true;
    SetStatus(4, "右クリックでマーカーを指定して下さい");
    state_.isAreaMode = false;
    UpdateCalculateCommand();
    PageControl1->setTabVisible(2, false);
    PageControl1->setTabVisible(1, true);
    // The coordinate page is back, so its menu item is too (the measurement mode disabled it).
    Menu_Coord->setEnabled(true);
    ToolButtonAreaMode->setChecked(false);
    ToolButtonMarkers->setChecked(true);
    SetViewMenu(pageCoord->PopupMenuMarkers);
    if (NumMarkers() > 0) PaintPicture(-1, -1);
  }
  ShowPage(1);
}

FitRegion TForm1::MarkerRegionNow() const {
  return MarkerRegion(Method(), Cx(), pageCoord->MarkerTableRows());
}

bool TForm1::PointHasPhysicalPlace(double x, double y) {
  if (!isCoord() || PlaceOf(MarkerRegionNow(), Cx(), x, y) != PointPlace::BeyondVanishingLine)
    return true;
  Msg(MsgKind::Error, QString::fromUtf8(kBeyondVanishingLineMessage));
  return false;
}

bool TForm1::FitTransformFromTable() {
  const int method = Method();
  const std::vector<MarkerRowText> rows = pageCoord->MarkerTableRows();
  pageCoord->ClearFitQuality();
  const auto faults = NonNumericMarkerCells(rows);
  if (!faults.empty()) {
    pageCoord->MarkNonNumericCells(faults);
    Msg(MsgKind::Warning, QString::fromStdString(NonNumericMarkersMessage(faults)));
  }
  const FitResult fit = FitTransform(method, rows, Cx(), Cy(), Unit() == kDegreeUnit);
  // A failed fit leaves the coefficients as they were, so a transformation that is still set
  // never mixes a new X fit with an old Y one.
  if (!fit.ok) {
    if (!fit.message.empty()) Msg(MsgKind::Error, QString::fromStdString(fit.message));
    return false;
  }
  std::optional<ImageExtent> image;
  if (view_.BitWidth > 0 && view_.BitHeight > 0 && view_.factor > 0)
    image = ImageExtent{view_.BitWidth / view_.factor, view_.BitHeight / view_.factor};
  const FitQuality quality = AssessFit(method, rows, fit, image);
  pageCoord->ShowFitQuality(quality);
  pageCoord->MarkNonNumericCells(faults);
  if (!fit.message.empty()) Msg(MsgKind::Error, QString::fromStdString(fit.message));
  const std::string warning = FitWarningMessage(quality);
  if (!warning.empty() &&
      Msg(MsgKind::Warning, QString::fromStdString(warning) + "\nこの変換式を使いますか。",
          MsgButtons::YesNo) == MsgResult::No) {
    // The figures of a fit the user turned down would describe coefficients not in force.
    pageCoord->ClearFitQuality();
    pageCoord->MarkNonNumericCells(faults);
    return false;
  }
  if (const std::string advice = FitAdviceMessage(quality); !advice.empty())
    Msg(MsgKind::Warning, QString::fromStdString(advice));
  doc_.SetTransform(fit.Cx, fit.Cy, true);
  return true;
}

void TForm1::ConnectViewMenu() {
  connect(Image1, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    Guard([this, p] { ViewMenuRequested(Image1->mapToGlobal(p)); });
  });
}

void TForm1::ViewMenuRequested(const QPoint& globalPos) {
  if (!viewMenu_) return;
  if (viewMenu_ == pageArea->PopupMenuLine) {
    // The point menu opens only while the point table holds a point row.
    if (pageArea->StringGrid2->RowCount() <= 2) return;
    pageArea->PopupMenuLinePopup(false);
  }
  // PopupMenuMarkers enables its items as it opens (aboutToShow).
  viewMenu_->exec(globalPos);
}

void TForm1::ReferenceLinePick() {
  if (state_.isPointing == 1) {
    state_.Scale[0] = TMarker{"", state_.XPre, state_.YPre};
    state_.isPointing = 2;
  } else if (state_.isPointing == 2) {
    state_.Scale[1] = TMarker{"", state_.XPre, state_.YPre};
    state_.isPointing = 3;
    pageCoord->SetReferenceLength();
  }
  UpdateUndoCommands();
}

void TForm1::ToolButtonMeshClick() {
  if (state_.withMesh) {
    state_.withMesh = false;
    ToolButtonMesh->setChecked(false);
    PaintPicture(-1, -1);
  } else if (isCoord()) {
    ToolButtonMesh->setChecked(true);
    state_.withMesh = true;
    QImage picture = Image1->Picture();
    state_.isMeshOK = DrawGrid(picture);
    if (state_.isMeshOK)
      Image1->SetPicture(picture);
    else
      Msg(MsgKind::Warning, QString::fromUtf8(kGridIncompleteMessage));
  } else {
    ToolButtonMesh->setChecked(false);
    Msg(MsgKind::Error, QString::fromUtf8(kGridNoTransformMessage));
  }
}

bool TForm1::DrawGrid(QImage& picture) {
  if (picture.isNull()) return true;
  const ViewPlacement view{view_.XB0, view_.YB0, view_.factor};
  const GridTrace trace = TraceGrid(Method(), Cx(), Cy(), view, view_.SWidth, view_.SHeight,
                                    doc_.Data().MeshSize, MarkerRegionNow().side);
  if (!trace.ok) {
    // Every later repaint would fail the same way: the grid goes off before the one report.
    state_.withMesh = false;
    ToolButtonMesh->setChecked(false);
    Msg(MsgKind::Error, QString::fromStdString(trace.message));
    return false;
  }
  std::vector<std::vector<QPoint>> lines;
  lines.reserve(trace.lines.size());
  for (const GridLine& l : trace.lines) {
    lines.emplace_back();
    for (const GridPoint& p : l.points) lines.back().emplace_back(p.x, p.y);
  }
  DrawPolylines(picture, lines, state_.sym.clMesh, state_.sym.GridLineWidth);
  return true;
}

}  // namespace zelko
