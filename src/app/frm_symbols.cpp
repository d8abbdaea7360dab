#include "app/frm_symbols.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/form.h"
#include "document/numbers.h"

namespace zelko {

namespace {

QPushButton* MakeButton(const QString& name, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

}  // namespace

TFrmSymbols::TFrmSymbols(TForm1& form) : QDialog(&form), form_(form) {
  setObjectName("FrmSymbols");
  setWindowTitle("記号の設定");
  auto* layout = new QVBoxLayout(this);
  Pages = new QTabWidget(this);
  // Every tab in sight: the dialog is as wide as the tabs, not scrolled through arrows.
  Pages->setUsesScrollButtons(false);
  layout->addWidget(Pages);

  // A labelled width edit with its up-down; every change of the text updates the copy.
  auto widthRow = [this](QWidget* parent, QGridLayout* grid, int row, const QString& name,
                         const QString& upName, const QString& caption, int SymbolSettings::*field,
                         QLineEdit*& edit, UpDown*& upDown) {
    auto* label = new QLabel(caption, parent);
    edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setAccessibleName(caption);
    edit->setFixedWidth(40);
    label->setBuddy(edit);
    upDown = new UpDown(upName, edit, 1, 10, parent);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(upDown, row, 2);
    QLineEdit* e = edit;
    UpDown* u = upDown;
    connect(edit, &QLineEdit::textEdited, this, [this, e, u, field] {
      form_.Guard([this, e, u, field] {
        const int v = static_cast<int>(ParseInteger(e->text().toStdString()));
        copy.*field = v;
        u->SetPositionSilently(v);
      });
    });
    connect(upDown->UpButton(), &QToolButton::clicked, this,
            [this, u, field] { copy.*field = u->Position(); });
    connect(upDown->DownButton(), &QToolButton::clicked, this,
            [this, u, field] { copy.*field = u->Position(); });
  };
  auto colourButton = [this](QWidget* parent, const QString& name, const QString& caption,
                             TColor SymbolSettings::*field) {
    auto* b = MakeButton(name, caption, parent);
    colourButtons_.push_back({b, field});
    connect(b, &QPushButton::clicked, this,
            [this, field] { form_.Guard([this, field] { ChooseColour(copy.*field); }); });
    return b;
  };

  auto* monitor = new QWidget;
  auto* ml = new QVBoxLayout(monitor);
  auto* frameBox = new QGroupBox("編集画面位置表示", monitor);
  auto* fg = new QGridLayout(frameBox);
  fg->addWidget(
      colourButton(frameBox, "ButtonFrameColor", "色", &SymbolSettings::clFrameMonitorImage), 0, 0);
  widthRow(frameBox, fg, 1, "EditFrameWidth", "UpDown1", "幅：", &SymbolSettings::FrameLineWidth,
           EditFrameWidth, UpDown1);
  ml->addWidget(frameBox);
  ml->addStretch(1);
  Pages->addTab(monitor, "モニター画面");

  auto* coords = new QWidget;
  auto* cl = new QVBoxLayout(coords);
  auto* markerBox = new QGroupBox("マーカー", coords);
  auto* mg = new QGridLayout(markerBox);
  mg->addWidget(colourButton(markerBox, "ButtonMarkerColor", "記号の色", &SymbolSettings::clMarker),
                0, 0);
  widthRow(markerBox, mg, 1, "EditMarkerSize", "UpDownMarkerSize", "サイズ：",
           &SymbolSettings::MarkerSize, EditMarkerSize, UpDownMarkerSize);
  widthRow(markerBox, mg, 2, "EditMarkerLineWidth", "UpDown3", "線幅：",
           &SymbolSettings::MarkerLineWidth, EditMarkerLineWidth, UpDown3);
  auto* fontButton = MakeButton("ButtonMarkerFont", "文字", markerBox);
  connect(fontButton, &QPushButton::clicked, this, [this] {
    form_.Guard([this] {
      if (auto f = form_.dialogs().ChooseFont(copy.MarkerFont)) copy.MarkerFont = *f;
    });
  });
  mg->addWidget(fontButton, 3, 0);
  mg->addWidget(colourButton(markerBox, "ButtonMarkerFontBlackColor", "文字の背景色",
                             &SymbolSettings::clMarkerFontBackColor),
                3, 1, 1, 2);
  cl->addWidget(markerBox);
  auto* gridBox = new QGroupBox("グリッド線", coords);
  auto* gg = new QGridLayout(gridBox);
  gg->addWidget(colourButton(gridBox, "ButtonGridColor", "色", &SymbolSettings::clMesh), 0, 0);
  widthRow(gridBox, gg, 1, "EditGridWidth", "UpDown2", "幅：", &SymbolSettings::GridLineWidth,
           EditGridWidth, UpDown2);
  cl->addWidget(gridBox);
  cl->addStretch(1);
  Pages->addTab(coords, "座標設定");

  auto* measure = new QWidget;
  auto* mgrid = new QGridLayout(measure);
  mgrid->addWidget(colourButton(measure, "ButtonRegistPointColor", "登録ポイントの色",
                                &SymbolSettings::clRegistPoints),
                   0, 0, 1, 3);
  mgrid->addWidget(colourButton(measure, "ButtonSelectedPointColor", "選択ポイントの色",
                                &SymbolSettings::clPresentPoint),
                   1, 0, 1, 3);
  mgrid->addWidget(
      colourButton(measure, "ButtonPosiAreaColor", "正の面積の色", &SymbolSettings::clPlusArea), 2,
      0, 1, 3);
  mgrid->addWidget(
      colourButton(measure, "ButtonNegaAreaColor", "負の面積の色", &SymbolSettings::clMinusArea), 3,
      0, 1, 3);
  mgrid->addWidget(colourButton(measure, "ButtonLineColor", "線の色", &SymbolSettings::clLine), 4,
                   0, 1, 3);
  widthRow(measure, mgrid, 5, "EditRegistPointSize", "UpDownRegistPointSize", "ポイントサイズ：",
           &SymbolSettings::RegistPointSize, EditRegistPointSize, UpDownRegistPointSize);
  widthRow(measure, mgrid, 6, "EditPointLineWidth", "UpDownPointLineWidth", "線幅：",
           &SymbolSettings::PointLineWidth, EditPointLineWidth, UpDownPointLineWidth);
  Pages->addTab(measure, "測定モード");

  auto* buttons = new QHBoxLayout;
  auto* reset = MakeButton("Button1", "初期化", this);
  auto* ok = MakeButton("BitBtn1", "OK", this);
  buttons->addWidget(reset);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  layout->addLayout(buttons);
  connect(reset, &QPushButton::clicked, this, [this] { form_.Guard([this] { Button1Click(); }); });
  connect(ok, &QPushButton::clicked, this, [this] { form_.Guard([this] { BitBtn1Click(); }); });
}

void TFrmSymbols::SetDefaultGraphics() {
  SymbolSettings s = form_.State().sym;
  ApplyDefaultSymbols(s);
  form_.ApplySymbols(s);
}

void TFrmSymbols::Execute() {
  FormShow();
  exec();
}

void TFrmSymbols::SyncControls() {
  UpDown1->SetPosition(copy.FrameLineWidth);
  UpDownMarkerSize->SetPosition(copy.MarkerSize);
  UpDown3->SetPosition(copy.MarkerLineWidth);
  UpDown2->SetPosition(copy.GridLineWidth);
  UpDownRegistPointSize->SetPosition(copy.RegistPointSize);
  UpDownPointLineWidth->SetPosition(copy.PointLineWidth);
  // Values outside the spinners' range stay as they are in the copy.
  EditFrameWidth->setText(QString::number(copy.FrameLineWidth));
  EditMarkerSize->setText(QString::number(copy.MarkerSize));
  EditMarkerLineWidth->setText(QString::number(copy.MarkerLineWidth));
  EditGridWidth->setText(QString::number(copy.GridLineWidth));
  EditRegistPointSize->setText(QString::number(copy.RegistPointSize));
  EditPointLineWidth->setText(QString::number(copy.PointLineWidth));
  ShowSwatches();
}

void TFrmSymbols::ShowSwatches() {
  for (const auto& [button, field] : colourButtons_) {
    const int side = button->fontMetrics().height();
    QPixmap swatch(side, side);
    swatch.fill(ToQColor(copy.*field));
    QPainter frame(&swatch);
    frame.setPen(button->palette().color(QPalette::WindowText));
    frame.drawRect(0, 0, side - 1, side - 1);
    button->setIcon(QIcon(swatch));
    button->setIconSize(swatch.size());
  }
}

void TFrmSymbols::FormShow() {
  copy = form_.State().sym;
  SyncControls();
}

void TFrmSymbols::ChooseColour(TColor& target) {
  if (auto c = form_.dialogs().ChooseColor(ToQColor(target))) target = FromQColor(*c);
  ShowSwatches();
}

void TFrmSymbols::BitBtn1Click() {
  form_.ApplySymbols(copy);
  form_.PaintPicture(-1, -1);
  accept();
}

void TFrmSymbols::Button1Click() {
  SetDefaultGraphics();
  // The dialog's copies follow the defaults too, so a later OK keeps them.
  FormShow();
  form_.PaintPicture(-1, -1);
}

}  // namespace zelko
