// The page "測定": kind and category of new groups, the input button, the point, category,
// group and result tables, and the calculate button.
#pragma once

#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>

#include "app/string_grid.h"
#include "app/widgets.h"

namespace zelko {

class TForm1;

class AreaPage : public QWidget {
  Q_OBJECT
 public:
  explicit AreaPage(TForm1& form);

  RadioGroup* RadioGroupLineType;
  QComboBox* ComboBoxSort;
  QPushButton* ButtonSetArea;
  QTabWidget* PageControl2;
  QWidget* TabSheetPointInput;
  QWidget* TabSheetProperty;
  QWidget* TabSheetGroup;
  QWidget* TabSheetCalResult;
  StringGrid* StringGrid2;     // points
  StringGrid* StringGridSort;  // categories
  StringGrid* StringGridGroup;
  StringGrid* StringGrid3;     // results
  QPushButton* ButtonAddSort;  // "追加"
  QPushButton* ButtonRegistSort;
  QPushButton* ButtonDeleteSort;
  QPushButton* ButtonEraseArea;
  QPlainTextEdit* Memo2;
  QPushButton* BitBtnCalArea;
  QMenu* PopupMenuLine;
  QAction* EraseOnePoint;
  QAction* ModifyPoint;
  QAction* AddPoint;
  QAction* DeletePoint;
  QAction* C2;
  QMenu* PopupMenuGroup;
  QAction* InverseRotation;
  QWidget* SharedHolder;

  void ResetPointTable();
  // Header of the point table for the method and the physical captions.
  void RelabelPointTable(int method, const QString& xCaption, const QString& yCaption);
  void ButtonRegistSortClick();
  // The category chooser lists the document's categories; current is kept where it still exists.
  void ShowCategoryChooser(int current);
  void FillPointTable();
  // Reactions of the page's controls (area_handlers.cpp).
  void ConnectHandlers();
  void Button1Click();  // add a category
  // The category table shows the document's names.
  void ShowCategories();
  // The category names as the table shows them.
  std::vector<std::string> TableNames() const;
  void ButtonDeleteSortClick();
  void StringGridSortClick();
  void StringGridGroupClick();
  void StringGrid2Click();
  void StringGrid3Click();
  void RadioGroupLineTypeClick();
  void ComboBoxSortChange();
  void InverseRotationClick();
  // Sets the point menu's item states; onTable: opened on a table (the copy item shows).
  void PopupMenuLinePopup(bool onTable);
  // The point menu opens, on the point table or the view, only while the table holds a point.
  bool PointMenuCanOpen() const;
  void RefreshAfterGroupEdit();
  void PageControl2Show();
  void ModifyPointClick();
  void AddPointClick();
  StringGrid* menuTable_ = nullptr;
  // Sub-page visibility by sheet.
  void SetSheetVisible(QWidget* sheet, bool visible);
  void ShowSheet(QWidget* sheet);
  // Hides the result page: its numbers no longer match the groups until the next calculation.
  void HideResults();

 private:
  TForm1& form_;
};

}  // namespace zelko
