// The page "座標設定": the transformation method and unit, the set button, the grid interval and
// the marker table.
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

#include "app/string_grid.h"
#include "app/widgets.h"
#include "coords/fit.h"
#include "coords/fit_quality.h"

namespace zelko {

// The clicks' precision typed is no number, or not above 0 and at most 1000 pixels.
inline constexpr const char* kClickPrecisionMessage =
    "クリック精度（ピクセル）には、0 より大きく 1000 以下の数を入力して下さい。";

class TForm1;

class CoordPage : public QWidget {
  Q_OBJECT
 public:
  explicit CoordPage(TForm1& form);

  QGroupBox* GroupBoxMesh;
  QComboBox* ComboBoxGridMethod;
  QComboBox* ComboBoxScaleUnit;
  LabeledEdit* EditMeshSizeBox;
  QLineEdit* EditMeshSize;
  LabeledEdit* EditClickPrecisionBox;
  QLineEdit* EditClickPrecision;
  QPushButton* ButtonSetMesh;
  StringGrid* StringGrid1;
  // Under the marker table while residuals are shown: their RMS and the degrees of freedom.
  QLabel* LabelFitQuality;
  QMenu* PopupMenuTable;
  QAction* Copy1;
  QAction* C3;  // cut
  QAction* Paste1;
  QAction* D1;  // delete marker
  QAction* CopyTable;
  QMenu* PopupMenuMarkers;
  QAction* AddMarker;
  QAction* DeleteMarker;
  QAction* SearchMarker;
  QAction* CorrectMarker;
  QWidget* SharedHolder;

  // The physical column captions for the current unit.
  QString XCaption() const;
  QString YCaption() const;
  void ResetMarkerTable();
  // The marker table shows the document's markers.
  void ShowMarkers();
  // The marker rows' cells as the table holds them after a cut or paste become the document's.
  void TakeMarkerCells(const std::string& edit);

  // The marker rows 1..NumMarkers, columns 1..4, as the fits read them.
  std::vector<MarkerRowText> MarkerTableRows() const;
  // The residual columns after the physical ones, and the summary under the table.
  void ShowFitQuality(const FitQuality& quality);
  // Marks cells whose text is not a number (until the markers or the method change).
  void MarkNonNumericCells(const std::vector<MarkerTextFault>& faults);
  // Residuals and marks belong to one fit of one marker set: any change takes them away.
  void ClearFitQuality();

  void ComboBoxGridMethodChange();
  // The transformation's captions, unit chooser and title as the document has them (after an
  // undo or redo).
  void ShowTransform();
  // The unit's captions on the grid interval and both tables' headers.
  void ShowUnit();
  void ComboBoxScaleUnitChange();
  void EditMeshSizeChange();
  // The clicks' precision typed: applied as an edit of the document when it is a number in
  // range, otherwise refused with a message and the setting shown again.
  void EditClickPrecisionExit();
  void ShowClickPrecision();
  void ButtonSetMeshClick();
  void SetReferenceLength();

  // Markers and the marker table (coord_markers.cpp).
  void PopupMenuMarkersPopup();
  void AddMarkerClick();
  void DeleteMarkerClick();
  void SearchMarkerClick();
  void CorrectMarkerClick();
  void D1Click();
  void DeleteMarkerAt(int index);
  void StringGrid1Click();
  void StringGrid1EnterKey();
  void StringGrid1KeyPress();
  void Copy1Click();
  void C3Click();
  void Paste1Click();
  void CopyTableClick();
  void PopupMenuTablePopup();
  // Opens the table menu for a table of this page or the result table.
  void ShowTableMenu(StringGrid* table, const QPoint& globalPos);
  StringGrid* menuTable = nullptr;

 private:
  TForm1& form_;
  bool fitShown_ = false;
  int shownMarkers_ = 0;  // marker rows the table showed last
  void ConnectMarkerHandlers();
};

}  // namespace zelko
