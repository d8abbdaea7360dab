#include "app/image_page.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <initializer_list>

#include "app/form.h"
#include "document/numbers.h"

namespace zelko {

namespace {

// Runs fn when Enter is pressed in the edit.
class EnterFilter : public QObject {
 public:
  EnterFilter(QObject* parent, std::function<void()> fn) : QObject(parent), fn_(std::move(fn)) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::KeyPress) {
      auto* k = static_cast<QKeyEvent*>(e);
      if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
        fn_();
        return true;
      }
    }
    return QObject::eventFilter(o, e);
  }

 private:
  std::function<void()> fn_;
};

QScrollBar* BalanceBar(const QString& name, const QString& caption, QWidget* parent) {
  auto* bar = new QScrollBar(Qt::Horizontal, parent);
  bar->setObjectName(name);
  bar->setAccessibleName(caption);
  bar->setRange(0, 255);
  bar->setPageStep(5);
  bar->setValue(128);
  return bar;
}

QLineEdit* OffsetBox(const QString& name, const QString& caption, QWidget* parent) {
  auto* e = new QLineEdit("0", parent);
  e->setObjectName(name);
  e->setAccessibleName(caption);
  e->setAlignment(Qt::AlignRight);
  e->setReadOnly(true);
  e->setFixedWidth(48);
  return e;
}

}  // namespace

ImagePage::ImagePage(TForm1& form) : form_(form) {
  setObjectName("TabSheetImage");
  auto* layout = new QVBoxLayout(this);

  auto* contrastBox = new QGroupBox("コントラスト調整", this);
  auto* cl = new QGridLayout(contrastBox);
  CheckBoxContrast = new QCheckBox("コントラスト", contrastBox);
  CheckBoxContrast->setObjectName("CheckBoxContrast");
  TrackBar1 = new QSlider(Qt::Horizontal, contrastBox);
  TrackBar1->setObjectName("TrackBar1");
  TrackBar1->setAccessibleName("強度");
  TrackBar1->setRange(0, 100);
  TrackBar1->setTickInterval(10);
  TrackBar1->setTickPosition(QSlider::TicksBelow);
  TrackBar1->setValue(50);
  LabelContrast = new QLabel("強度：50", contrastBox);
  LabelContrast->setObjectName("LabelContrast");
  cl->addWidget(CheckBoxContrast, 0, 0);
  cl->addWidget(LabelContrast, 0, 1);
  cl->addWidget(TrackBar1, 1, 0, 1, 2);
  layout->addWidget(contrastBox);

  auto* rgbBox = new QGroupBox("色補正", this);
  auto* rl = new QGridLayout(rgbBox);
  CheckBoxAdjustRGB = new QCheckBox("色補正", rgbBox);
  CheckBoxAdjustRGB->setObjectName("CheckBoxAdjustRGB");
  rl->addWidget(CheckBoxAdjustRGB, 0, 0, 1, 3);
  ScrollBarR = BalanceBar("ScrollBarR", "赤", rgbBox);
  ScrollBarG = BalanceBar("ScrollBarG", "緑", rgbBox);
  ScrollBarB = BalanceBar("ScrollBarB", "青", rgbBox);
  EditR = OffsetBox("EditR", "赤の補正値", rgbBox);
  EditG = OffsetBox("EditG", "緑の補正値", rgbBox);
  EditB = OffsetBox("EditB", "青の補正値", rgbBox);
  const char* names[3] = {"R", "G", "B"};
  QScrollBar* bars[3] = {ScrollBarR, ScrollBarG, ScrollBarB};
  QLineEdit* edits[3] = {EditR, EditG, EditB};
  for (int i = 0; i < 3; ++i) {
    rl->addWidget(new QLabel(names[i], rgbBox), i + 1, 0);
    rl->addWidget(bars[i], i + 1, 1);
    rl->addWidget(edits[i], i + 1, 2);
  }
  layout->addWidget(rgbBox);

  RadioGroupAngle = new RadioGroup("RadioGroupAngle", "回転角度",
                                   {"0度", "90度", "180度", "270度", "任意"}, 2, this);
  RadioGroupAngle->SetItemIndexSilently(0);
  layout->addWidget(RadioGroupAngle);
  EditAngleBox = new LabeledEdit("EditAngle", "角度(0～360)：", "0", this);
  EditAngle = EditAngleBox->edit();
  layout->addWidget(EditAngleBox);

  EditSizeRatioBox = new LabeledEdit("EditSizeRatio", "拡大率（％）：", "100", this);
  EditSizeRatio = EditSizeRatioBox->edit();
  layout->addWidget(EditSizeRatioBox);
  CheckBoxOptSize = new QCheckBox("読込時に画像全体を最大表示", this);
  CheckBoxOptSize->setObjectName("CheckBoxOptSize");
  CheckBoxOptSize->setChecked(true);
  layout->addWidget(CheckBoxOptSize);

  layout->addStretch(1);
  SharedHolder = new QWidget(this);
  SharedHolder->setObjectName("ImageSharedHolder");
  new QVBoxLayout(SharedHolder);
  SharedHolder->layout()->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(SharedHolder);

  auto guard = [this](auto fn) {
    return [this, fn] { form_.Guard([this, fn] { (this->*fn)(); }); };
  };
  connect(TrackBar1, &QSlider::valueChanged, this, guard(&ImagePage::TrackBar1Change));
  // Each drag of a slider is one edit to take back, however many values it passes.
  for (QAbstractSlider* s :
       std::initializer_list<QAbstractSlider*>{TrackBar1, ScrollBarR, ScrollBarG, ScrollBarB})
    connect(s, &QAbstractSlider::sliderPressed, this, [this] { form_.Doc().BreakMerge(); });
  connect(CheckBoxContrast, &QCheckBox::clicked, this, guard(&ImagePage::CheckBoxContrastClick));
  connect(ScrollBarR, &QScrollBar::valueChanged, this,
          [this] { form_.Guard([this] { ScrollBarChange(0); }); });
  connect(ScrollBarG, &QScrollBar::valueChanged, this,
          [this] { form_.Guard([this] { ScrollBarChange(1); }); });
  connect(ScrollBarB, &QScrollBar::valueChanged, this,
          [this] { form_.Guard([this] { ScrollBarChange(2); }); });
  connect(CheckBoxAdjustRGB, &QCheckBox::clicked, this, guard(&ImagePage::CheckBoxAdjustRGBClick));
  connect(RadioGroupAngle, &RadioGroup::Click, this, guard(&ImagePage::RadioGroupAngleClick));
  connect(EditAngle, &QLineEdit::textChanged, this, guard(&ImagePage::EditAngleChange));
  EditAngle->installEventFilter(
      new EnterFilter(this, [this] { form_.Guard([this] { EditAngleKeyPress(); }); }));
  EditSizeRatio->installEventFilter(
      new EnterFilter(this, [this] { form_.Guard([this] { EditSizeRatioKeyPress(); }); }));
}

void ImagePage::ResetControls() {
  const QSignalBlocker b1(TrackBar1), b2(CheckBoxContrast), b3(ScrollBarR), b4(ScrollBarG),
      b5(ScrollBarB), b6(CheckBoxAdjustRGB), b7(EditAngle);
  TrackBar1->setValue(50);
  LabelContrast->setText("強度：50");
  CheckBoxContrast->setChecked(false);
  ScrollBarR->setValue(128);
  ScrollBarG->setValue(128);
  ScrollBarB->setValue(128);
  EditR->setText("0");
  EditG->setText("0");
  EditB->setText("0");
  CheckBoxAdjustRGB->setChecked(false);
  RadioGroupAngle->SetItemIndexSilently(0);
  EditAngle->setText("0");
  // The angle is typed only for "任意", as the radio click shows it; a visible row here would
  // also make the side panel, and so the window, taller than at the first start.
  EditAngleBox->setVisible(false);
}

void ImagePage::SetAdjustable(bool adjustable) {
  const QString why =
      adjustable ? QString()
                 : QStringLiteral(
                       "この画像は24ビットカラーではない（8ビットグレーやパレットなど）ため、"
                       "コントラストと色補正は使えません。");
  for (QWidget* w : std::initializer_list<QWidget*>{CheckBoxContrast, TrackBar1, LabelContrast,
                                                    CheckBoxAdjustRGB, ScrollBarR, ScrollBarG,
                                                    ScrollBarB, EditR, EditG, EditB}) {
    w->setEnabled(adjustable);
    w->setToolTip(why);
  }
}

void ImagePage::TrackBar1Change() {
  form_.Doc().SetContrast(TrackBar1->value(), TrackBar1->isSliderDown());
  LabelContrast->setText("強度：" + QString::number(TrackBar1->value()));
  if (CheckBoxContrast->isChecked()) form_.RequestRebuildAndRedraw();
}

void ImagePage::CheckBoxContrastClick() {
  form_.Doc().SetContrastOn(CheckBoxContrast->isChecked());
  form_.RebuildAndRedraw();
}

void ImagePage::ScrollBarChange(int channel) {
  QScrollBar* bars[3] = {ScrollBarR, ScrollBarG, ScrollBarB};
  form_.Doc().SetBalance(channel, bars[channel]->value(), bars[channel]->isSliderDown());
  QLineEdit* edits[3] = {EditR, EditG, EditB};
  edits[channel]->setText(QString::number(bars[channel]->value() - 128));
  if (CheckBoxAdjustRGB->isChecked()) form_.RequestRebuildAndRedraw();
}

void ImagePage::CheckBoxAdjustRGBClick() {
  form_.Doc().SetAdjustRGB(CheckBoxAdjustRGB->isChecked());
  form_.RebuildAndRedraw();
}

void ImagePage::RadioGroupAngleClick() {
  if (form_.ImageFile().isEmpty() || form_.State().isProjLoading) return;
  const int i = RadioGroupAngle->ItemIndex();
  static const char* texts[4] = {"0", "90", "180", "270"};
  const QString angle = i >= 0 && i < 4 ? QString(texts[i]) : EditAngle->text();
  // A refused turn changes nothing, the document included.
  if (!form_.ConfirmRotation(static_cast<float>(ParseNumber(angle.toStdString())))) return;
  form_.Doc().SetRotation(i, angle.toStdString());
  EditAngle->setText(angle);
  EditAngleBox->setVisible(i == 4);
  form_.RebuildAndRedraw();
}

void ImagePage::EditAngleKeyPress() {
  if (form_.ConfirmRotation(static_cast<float>(ParseNumber(EditAngle->text().toStdString()))))
    form_.RebuildAndRedraw();
}

void ImagePage::EditAngleChange() {
  form_.Doc().SetAngleText(EditAngle->text().toStdString(), true);
}

void ImagePage::ShowAdjustments() {
  const DocumentData& d = form_.Doc().Data();
  const QSignalBlocker b1(TrackBar1), b2(CheckBoxContrast), b3(ScrollBarR), b4(ScrollBarG),
      b5(ScrollBarB), b6(CheckBoxAdjustRGB), b7(EditAngle);
  TrackBar1->setValue(d.Contrast);
  LabelContrast->setText("強度：" + QString::number(TrackBar1->value()));
  CheckBoxContrast->setChecked(d.ContrastOn);
  QScrollBar* bars[3] = {ScrollBarR, ScrollBarG, ScrollBarB};
  QLineEdit* edits[3] = {EditR, EditG, EditB};
  const int positions[3] = {d.Red, d.Green, d.Blue};
  for (int i = 0; i < 3; ++i) {
    bars[i]->setValue(positions[i]);
    edits[i]->setText(QString::number(bars[i]->value() - 128));
  }
  CheckBoxAdjustRGB->setChecked(d.AdjustRGB);
  RadioGroupAngle->SetItemIndexSilently(d.AngleChoice);
  if (EditAngle->text().toStdString() != d.AngleText)
    EditAngle->setText(QString::fromStdString(d.AngleText));
}

void ImagePage::EditSizeRatioKeyPress() {
  if (form_.ImageFile().isEmpty() || form_.State().isProjLoading) return;
  double f = ParseNumber(EditSizeRatio->text().toStdString()) / 100;
  if (f > 3) {
    f = 3;
    EditSizeRatio->setText("300.0");
  }
  // A magnification of zero or less would make an empty working image.
  if (f <= 0) throw ConversionError("拡大率は正の数で指定して下さい。");
  form_.SetZoom(f);
}

}  // namespace zelko
