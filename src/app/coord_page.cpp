#include "app/coord_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/area_page.h"
#include "app/form.h"
#include "coords/simple_methods.h"
#include "coords/transform.h"
#include "document/numbers.h"
#include "measure/formats.h"

namespace zelko {

CoordPage::CoordPage(TForm1& form) : form_(form) {
  setObjectName("TabSheetQuadrat");
  auto* layout = new QVBoxLayout(this);

  GroupBoxMesh = new QGroupBox("座標変換（未設定）", this);
  GroupBoxMesh->setObjectName("GroupBoxMesh");
  auto* gl = new QVBoxLayout(GroupBoxMesh);
  auto* methodLabel = new QLabel("変換式：", GroupBoxMesh);
  ComboBoxGridMethod = new QComboBox(GroupBoxMesh);
  ComboBoxGridMethod->setObjectName("ComboBoxGridMethod");
  ComboBoxGridMethod->setAccessibleName("変換式");
  methodLabel->setBuddy(ComboBoxGridMethod);
  for (const char* name : kMethodNames) ComboBoxGridMethod->addItem(QString::fromUtf8(name));
  auto* unitRow = new QHBoxLayout;
  auto* unitLabel = new QLabel("単位：", GroupBoxMesh);
  ComboBoxScaleUnit = new QComboBox(GroupBoxMesh);
  ComboBoxScaleUnit->setObjectName("ComboBoxScaleUnit");
  ComboBoxScaleUnit->setAccessibleName("単位");
  unitLabel->setBuddy(ComboBoxScaleUnit);
  ComboBoxScaleUnit->addItems({"pixels", "μm", "mm", "cm", "m", "km", "度"});
  ButtonSetMesh = new QPushButton("設　定", GroupBoxMesh);
  ButtonSetMesh->setObjectName("ButtonSetMesh");
  unitRow->addWidget(unitLabel);
  unitRow->addWidget(ComboBoxScaleUnit, 1);
  unitRow->addWidget(ButtonSetMesh);
  EditMeshSizeBox = new LabeledEdit("EditMeshSize", "グリッド間隔(pixels)：", "20", GroupBoxMesh);
  EditMeshSize = EditMeshSizeBox->edit();
  gl->addWidget(methodLabel);
  gl->addWidget(ComboBoxGridMethod);
  gl->addLayout(unitRow);
  gl->addWidget(EditMeshSizeBox);
  EditClickPrecisionBox =
      new LabeledEdit("EditClickPrecision", "クリック精度（ピクセル）：", "0.3", GroupBoxMesh);
  EditClickPrecision = EditClickPrecisionBox->edit();
  EditClickPrecision->setToolTip(
      "点を置く位置の誤差（標準偏差、ピクセル）。長さと面積の「±」に使います。");
  gl->addWidget(EditClickPrecisionBox);
  layout->addWidget(GroupBoxMesh);

  StringGrid1 = new StringGrid("StringGrid1", this);
  StringGrid1->setAccessibleName("マーカー");
  StringGrid1->SetColCount(5);
  StringGrid1->SetRowCount(2);
  StringGrid1->horizontalHeader()->setDefaultSectionSize(28);
  layout->addWidget(StringGrid1, 1);
  // The pages follow the table's width, whoever changes its columns.
  connect(StringGrid1->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this] { form_.FitPagesTo(*StringGrid1); });
  connect(StringGrid1->horizontalHeader(), &QHeaderView::sectionCountChanged, this,
          [this] { form_.FitPagesTo(*StringGrid1); });
  LabelFitQuality = new QLabel(this);
  LabelFitQuality->setObjectName("LabelFitQuality");
  LabelFitQuality->setWordWrap(true);
  LabelFitQuality->setVisible(false);
  layout->addWidget(LabelFitQuality);

  PopupMenuTable = new QMenu(this);
  PopupMenuTable->setObjectName("PopupMenuTable");
  Copy1 = PopupMenuTable->addAction("コピー(&C)");
  Copy1->setObjectName("Copy1");
  C3 = PopupMenuTable->addAction("切り取り(&C)");
  C3->setObjectName("C3");
  Paste1 = PopupMenuTable->addAction("貼り付け(&P)");
  Paste1->setObjectName("Paste1");
  PopupMenuTable->addSeparator();
  D1 = PopupMenuTable->addAction("マーカー削除(&D)");
  D1->setObjectName("D1");
  PopupMenuTable->addSeparator();
  CopyTable = PopupMenuTable->addAction("表のコピー(&T)");
  CopyTable->setObjectName("CopyTable");

  PopupMenuMarkers = new QMenu(this);
  PopupMenuMarkers->setObjectName("PopupMenuMarkers");
  AddMarker = PopupMenuMarkers->addAction("マーカー追加(&A)");
  AddMarker->setObjectName("AddMarker");
  DeleteMarker = PopupMenuMarkers->addAction("マーカー削除(&D)");
  DeleteMarker->setObjectName("DeleteMarker");
  SearchMarker = PopupMenuMarkers->addAction("マーカー探索(&S)");
  SearchMarker->setObjectName("SearchMarker");
  CorrectMarker = PopupMenuMarkers->addAction("マーカー位置修正(&C)");
  CorrectMarker->setObjectName("CorrectMarker");

  SharedHolder = new QWidget(this);
  SharedHolder->setObjectName("CoordSharedHolder");
  new QVBoxLayout(SharedHolder);
  SharedHolder->layout()->setContentsMargins(0, 10, 0, 0);
  layout->addWidget(SharedHolder);

  connect(ComboBoxGridMethod, &QComboBox::activated, this,
          [this] { form_.Guard([this] { ComboBoxGridMethodChange(); }); });
  connect(ComboBoxScaleUnit, &QComboBox::activated, this,
          [this] { form_.Guard([this] { ComboBoxScaleUnitChange(); }); });
  connect(EditMeshSize, &QLineEdit::textChanged, this,
          [this] { form_.Guard([this] { EditMeshSizeChange(); }); });
  // The interval typed is applied when the typing ends: the grid shown follows it then, and an
  // interval it cannot be drawn with is reported then, not at some later unrelated repaint.
  connect(EditMeshSize, &QLineEdit::editingFinished, this, [this] {
    form_.Guard([this] {
      if (form_.State().withMesh) form_.PaintPicture(-1, -1);
    });
  });
  connect(EditClickPrecision, &QLineEdit::editingFinished, this,
          [this] { form_.Guard([this] { EditClickPrecisionExit(); }); });
  connect(ButtonSetMesh, &QPushButton::clicked, this,
          [this] { form_.Guard([this] { ButtonSetMeshClick(); }); });
  ConnectMarkerHandlers();
}

QString CoordPage::XCaption() const {
  return form_.Unit() == 6 ? QString("経度") : "X(" + form_.State().ScaleUnit + ")";
}

QString CoordPage::YCaption() const {
  return form_.Unit() == 6 ? QString("緯度") : "Y(" + form_.State().ScaleUnit + ")";
}

void CoordPage::ResetMarkerTable() {
  ClearFitQuality();
  StringGrid1->SetRowCount(2);
  StringGrid1->SetColCount(5);
  StringGrid1->SetCell(0, 0, "No.");
  StringGrid1->SetCell(1, 0, "x(pixels)");
  StringGrid1->SetCell(2, 0, "y(pixels)");
  StringGrid1->SetCell(3, 0, XCaption());
  StringGrid1->SetCell(4, 0, YCaption());
  StringGrid1->ClearRow(1);
  StringGrid1->SetCell(0, 1, "1");
  shownMarkers_ = 0;
}

void CoordPage::ComboBoxGridMethodChange() {
  const int method = ComboBoxGridMethod->currentIndex();
  // A pending pick of the reference line belongs to the method it was started for: finishing
  // it under another method would install three coefficients where that method needs more.
  const bool rubberLineShown = form_.State().isPointing == 2;
  form_.SetPointing(0);
  std::vector<double> cx = form_.Cx(), cy = form_.Cy();
  if (method == tmNone) {
    const auto c = NoTransformCoefficients(form_.View().BitHeight, form_.View().factor);
    cx = c.Cx;
    cy = c.Cy;
  } else if (static_cast<int>(cx.size()) != CoefficientCount(method)) {
    // Another method's coefficients mean another formula: kept, they would be saved and undone
    // as this method's. The three-term methods read each other's as the same mapping.
    cx.clear();
    cy.clear();
  }
  // A new method leaves no transformation set, whatever the coefficients.
  form_.Doc().Edit("変換方法", kPartTransform, [&](DocumentData& d) {
    d.Method = method;
    d.Cx = cx;
    d.Cy = cy;
    d.TransformSet = false;
    return true;
  });
  if (method == tmNone) {
    ComboBoxScaleUnit->setCurrentIndex(0);
    ComboBoxScaleUnit->setEnabled(false);
    ComboBoxScaleUnitChange();
  } else if (method == tmLinear) {
    ComboBoxScaleUnit->setEnabled(true);
  } else {
    ComboBoxScaleUnit->setEnabled(true);
  }
  GroupBoxMesh->setTitle("座標変換（未設定）");
  ClearFitQuality();
  if (rubberLineShown) form_.PaintPicture(-1, -1);
}

void CoordPage::ComboBoxScaleUnitChange() {
  // The residuals were formatted for the old unit.
  ClearFitQuality();
  form_.Doc().SetScaleUnit(ComboBoxScaleUnit->currentIndex());
  ShowUnit();
}

void CoordPage::ShowUnit() {
  form_.SetUnitCaption(ComboBoxScaleUnit->currentText());
  EditMeshSizeBox->SetCaption("グリッド間隔(" + form_.State().ScaleUnit + ")：");
  form_.pageArea->RelabelPointTable(form_.Method(), XCaption(), YCaption());
  StringGrid1->SetCell(3, 0, XCaption());
  StringGrid1->SetCell(4, 0, YCaption());
  StringGrid1->FitColumnWidths();
}

void CoordPage::ShowTransform() {
  const DocumentData& d = form_.Doc().Data();
  ComboBoxScaleUnit->setEnabled(d.Method != tmNone);
  ShowUnit();
  GroupBoxMesh->setTitle(d.TransformSet ? "座標変換（設定済み）" : "座標変換（未設定）");
  // The residuals shown belong to a fit of another state.
  ClearFitQuality();
}

std::vector<MarkerRowText> CoordPage::MarkerTableRows() const {
  std::vector<MarkerRowText> rows;
  for (const DocMarker& m : form_.Doc().Data().Markers)
    rows.push_back({m.ImageX, m.ImageY, m.X, m.Y});
  return rows;
}

namespace {

constexpr int kResidualCol = 5;  // the first column after the physical ones
const QColor kNotNumberColor(255, 200, 200);

}  // namespace

void CoordPage::ShowFitQuality(const FitQuality& q) {
  fitShown_ = true;
  // Residuals are positions: in degrees as many decimals as resolve a metre, and always enough
  // to read their size.
  const std::string picture = ResidualFormat(form_.Unit(), form_.Decimals(), q.rms);
  auto fmt = [&picture](const std::optional<double>& v) {
    return v ? QString::fromStdString(FormatPicture(*v, picture)) : QString("-");
  };
  StringGrid1->SetColCount(kResidualCol + 4);
  StringGrid1->SetReadOnlyFrom(kResidualCol);
  const QString captions[] = {"残差X", "残差Y", "検証残差X", "検証残差Y"};
  for (int c = 0; c < 4; ++c) StringGrid1->SetCell(kResidualCol + c, 0, captions[c]);
  for (int r = 1; r < StringGrid1->RowCount(); ++r)
    for (int c = 0; c < 4; ++c) StringGrid1->SetCell(kResidualCol + c, r, QString());
  for (const FitResidual& res : q.residuals) {
    StringGrid1->SetCell(kResidualCol, res.row, fmt(res.dx));
    StringGrid1->SetCell(kResidualCol + 1, res.row, fmt(res.dy));
    StringGrid1->SetCell(kResidualCol + 2, res.row, fmt(res.looDx));
    StringGrid1->SetCell(kResidualCol + 3, res.row, fmt(res.looDy));
  }
  StringGrid1->FitColumnWidths();
  const QString unit = form_.State().ScaleUnit;
  // One item a line: a Japanese line may break between any two characters, and would break
  // inside the words.
  LabelFitQuality->setText(
      "残差の二乗平均平方根: " + fmt(q.rms) + " " + unit + "（X: " + fmt(q.rmsX) +
      "、Y: " + fmt(q.rmsY) + "）\n自由度: " + QString::number(q.dof) +
      (q.coverage ? "\nマーカーの範囲: " + QString::fromStdString(CoverageText(q)) : QString()));
  LabelFitQuality->setVisible(true);
}

void CoordPage::MarkNonNumericCells(const std::vector<MarkerTextFault>& faults) {
  for (const MarkerTextFault& f : faults) {
    fitShown_ = true;
    StringGrid1->SetCellBackground(f.col, f.row + 1, kNotNumberColor);
  }
}

void CoordPage::ClearFitQuality() {
  if (!fitShown_) return;
  fitShown_ = false;
  StringGrid1->SetReadOnlyFrom(-1);
  if (StringGrid1->ColCount() > kResidualCol) {
    StringGrid1->SetColCount(kResidualCol);
    StringGrid1->FitColumnWidths();
  }
  for (int r = 1; r < StringGrid1->RowCount(); ++r)
    for (int c = 1; c < kResidualCol; ++c) StringGrid1->SetCellBackground(c, r, QColor());
  LabelFitQuality->clear();
  LabelFitQuality->setVisible(false);
}

void CoordPage::ShowClickPrecision() {
  const QString text = QString::fromStdString(FormatGeneral15(form_.Doc().Data().ClickPrecision));
  if (EditClickPrecision->text() != text) EditClickPrecision->setText(text);
}

void CoordPage::EditClickPrecisionExit() {
  const auto value = TryParseNumber(EditClickPrecision->text().toStdString());
  if (value && *value == form_.Doc().Data().ClickPrecision) return;
  if (!value || !form_.Doc().SetClickPrecision(*value)) {
    // The field shows the setting again before the box takes the focus (and ends the typing
    // a second time).
    ShowClickPrecision();
    form_.Msg(MsgKind::Error, QString::fromUtf8(kClickPrecisionMessage));
  }
}

void CoordPage::EditMeshSizeChange() {
  form_.Doc().SetMeshSize(EditMeshSize->text().toStdString(), true);
}

void CoordPage::ButtonSetMeshClick() {
  const int method = form_.Method();
  if (method == tmNone) {
    const auto c = NoTransformCoefficients(form_.View().BitHeight, form_.View().factor);
    form_.Doc().SetTransform(c.Cx, c.Cy, true);
    form_.EnableMeasurementCommands();
  } else if (method == tmLinear) {
    form_.Msg(MsgKind::Confirmation, "基準になる長さを画像上で指定して下さい。");
    form_.SetPointing(1);
  } else if (method >= tmAffine && method <= tmProjective) {
    if (!form_.FitTransformFromTable()) return;
    form_.EnableMeasurementCommands();
    if (form_.State().withMesh) {
      form_.PaintPicture(-1, -1);
    } else if (form_.Msg(MsgKind::Confirmation, "グリッドを表示しますか。", MsgButtons::YesNo) ==
               MsgResult::Yes) {
      form_.ToolButtonMeshClick();
    }
  } else {
    return;
  }
  if (form_.isCoord()) GroupBoxMesh->setTitle("座標変換（設定済み）");
}

}  // namespace zelko

namespace zelko {

void CoordPage::SetReferenceLength() {
  const QString text = form_.dialogs().InputBox(
      "入力ボックス", "基準線の長さ(" + form_.State().ScaleUnit + ")：", "0");
  form_.SetPointing(0);
  form_.PaintPicture(-1, -1);
  // The pick is cancelled by a method change; this keeps the coefficients right regardless.
  if (form_.Method() != tmLinear) return;
  const auto r = ReferenceLengthCoefficients(text.toStdString(), form_.State().Scale[0],
                                             form_.State().Scale[1], form_.View().BitHeight,
                                             form_.View().factor);
  if (r.status == ReferenceLengthStatus::NotPositive) return;
  if (r.status == ReferenceLengthStatus::Failed) {
    form_.Msg(MsgKind::Error, QString::fromStdString(r.message));
    return;
  }
  // The line's length in pixels gives the scale's uncertainty from its two clicked ends.
  const TMarker& a = form_.State().Scale[0];
  const TMarker& b = form_.State().Scale[1];
  form_.Doc().SetTransform(r.coefficients.Cx, r.coefficients.Cy, true,
                           std::hypot(b.x - a.x, b.y - a.y));
  // Markers typed in this unit show how well the reference length agrees with them.
  const FitQuality quality = AssessFixed(tmLinear, MarkerTableRows(), form_.Cx(), form_.Cy());
  if (quality.observations > 0) ShowFitQuality(quality);
  GroupBoxMesh->setTitle("座標変換（設定済み）");
  form_.EnableMeasurementCommands();
  form_.FillPointTable();
}

}  // namespace zelko
