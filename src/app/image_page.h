// The page "イメージ調整": contrast, colour balance, rotation and magnification.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QWidget>

#include "app/widgets.h"

namespace zelko {

class TForm1;

class ImagePage : public QWidget {
  Q_OBJECT
 public:
  explicit ImagePage(TForm1& form);

  // Back to the controls' initial states (no reactions run).
  void ResetControls();
  // Contrast and colour balance act on 24-bit pictures only: for another layout their controls
  // are disabled with the reason as their tool tip.
  void SetAdjustable(bool adjustable);

  QCheckBox* CheckBoxContrast;
  QSlider* TrackBar1;
  QLabel* LabelContrast;
  QCheckBox* CheckBoxAdjustRGB;
  QScrollBar* ScrollBarR;
  QScrollBar* ScrollBarG;
  QScrollBar* ScrollBarB;
  QLineEdit* EditR;
  QLineEdit* EditG;
  QLineEdit* EditB;
  RadioGroup* RadioGroupAngle;
  LabeledEdit* EditAngleBox;
  QLineEdit* EditAngle;
  LabeledEdit* EditSizeRatioBox;
  QLineEdit* EditSizeRatio;
  QCheckBox* CheckBoxOptSize;
  QWidget* SharedHolder;  // where the overview sits on this page

  // Reactions of the controls.
  void TrackBar1Change();
  // The controls show the document's adjustments.
  void ShowAdjustments();
  void CheckBoxContrastClick();
  void ScrollBarChange(int channel);
  void CheckBoxAdjustRGBClick();
  void RadioGroupAngleClick();
  void EditAngleKeyPress();
  void EditAngleChange();
  void EditSizeRatioKeyPress();

 private:
  TForm1& form_;
};

}  // namespace zelko
