// The dialog "記号の設定": the overlay colours, widths and sizes and the marker font. It edits
// copies and writes them to the window only on OK.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <utility>
#include <vector>

#include "app/widgets.h"
#include "render/symbols.h"

namespace zelko {

class TForm1;

class TFrmSymbols : public QDialog {
  Q_OBJECT
 public:
  explicit TFrmSymbols(TForm1& form);

  // The symbol defaults into the window's settings.
  void SetDefaultGraphics();
  // Shows the dialog modally (SetSymbolsClick).
  void Execute();
  // Fills the copies and the controls from the window (the show reaction).
  void FormShow();
  void BitBtn1Click();  // OK
  void Button1Click();  // "初期化"

  SymbolSettings copy;
  QTabWidget* Pages;
  QLineEdit* EditFrameWidth;
  QLineEdit* EditMarkerSize;
  QLineEdit* EditMarkerLineWidth;
  QLineEdit* EditGridWidth;
  QLineEdit* EditRegistPointSize;
  QLineEdit* EditPointLineWidth;
  UpDown* UpDown1;
  UpDown* UpDownMarkerSize;
  UpDown* UpDown3;
  UpDown* UpDown2;
  UpDown* UpDownRegistPointSize;
  UpDown* UpDownPointLineWidth;

 private:
  void ChooseColour(TColor& target);
  void SyncControls();
  // Each colour button shows its colour of the copy.
  void ShowSwatches();
  TForm1& form_;
  std::vector<std::pair<QPushButton*, TColor SymbolSettings::*>> colourButtons_;
};

}  // namespace zelko
