#include "app/area_page.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "app/form.h"
#include "coords/transform.h"
#include "document/numbers.h"

namespace zelko {

AreaPage::AreaPage(TForm1& form) : form_(form) {
  setObjectName("TabSheetArea");
  auto* layout = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  RadioGroupLineType = new RadioGroup("RadioGroupLineType", "ポイントの種類",
                                      {"曲線", "領域（閉曲線）", "点"}, 1, this);
  RadioGroupLineType->SetItemIndexSilently(0);
  top->addWidget(RadioGroupLineType);
  auto* right = new QVBoxLayout;
  auto* sortLabel = new QLabel("分類：", this);
  ComboBoxSort = new QComboBox(this);
  ComboBoxSort->setObjectName("ComboBoxSort");
  ComboBoxSort->setAccessibleName("分類");
  sortLabel->setBuddy(ComboBoxSort);
  ButtonSetArea = new QPushButton("入力開始", this);
  ButtonSetArea->setObjectName("ButtonSetArea");
  ButtonSetArea->setToolTip("グループを追加します");
  right->addWidget(sortLabel);
  right->addWidget(ComboBoxSort);
  right->addWidget(ButtonSetArea);
  right->addStretch(1);
  top->addLayout(right, 1);
  layout->addLayout(top);

  PageControl2 = new QTabWidget(this);
  PageControl2->setObjectName("PageControl2");

  TabSheetPointInput = new QWidget;
  TabSheetPointInput->setObjectName("TabSheetPointInput");
  auto* pl = new QVBoxLayout(TabSheetPointInput);
  StringGrid2 = new StringGrid("StringGrid2", TabSheetPointInput);
  StringGrid2->setAccessibleName("入力データ");
  StringGrid2->SetColCount(7);
  StringGrid2->SetFixedCols(3);
  pl->addWidget(StringGrid2);
  PageControl2->addTab(TabSheetPointInput, "入力データ");

  TabSheetProperty = new QWidget;
  TabSheetProperty->setObjectName("TabSheetProperty");
  auto* sl = new QVBoxLayout(TabSheetProperty);
  StringGridSort = new StringGrid("StringGridSort", TabSheetProperty);
  StringGridSort->setAccessibleName("分類");
  StringGridSort->SetColCount(2);
  StringGridSort->SetColWidth(1, 200);
  sl->addWidget(StringGridSort);
  auto* sortButtons = new QHBoxLayout;
  ButtonAddSort = new QPushButton("追加", TabSheetProperty);
  ButtonAddSort->setObjectName("Button1");
  ButtonRegistSort = new QPushButton("登録", TabSheetProperty);
  ButtonRegistSort->setObjectName("ButtonRegistSort");
  ButtonDeleteSort = new QPushButton("削除", TabSheetProperty);
  ButtonDeleteSort->setObjectName("ButtonDeleteSort");
  ButtonDeleteSort->setEnabled(false);
  sortButtons->addWidget(ButtonAddSort);
  sortButtons->addWidget(ButtonRegistSort);
  sortButtons->addWidget(ButtonDeleteSort);
  sl->addLayout(sortButtons);
  PageControl2->addTab(TabSheetProperty, "分類");

  TabSheetGroup = new QWidget;
  TabSheetGroup->setObjectName("TabSheetGroup");
  auto* gl = new QHBoxLayout(TabSheetGroup);
  StringGridGroup = new StringGrid("StringGridGroup", TabSheetGroup);
  StringGridGroup->setAccessibleName("グループ");
  StringGridGroup->SetColCount(3);
  StringGridGroup->SetFixedCols(0);
  gl->addWidget(StringGridGroup, 1);
  auto* gr = new QVBoxLayout;
  Memo2 = new QPlainTextEdit(TabSheetGroup);
  Memo2->setObjectName("Memo2");
  Memo2->setReadOnly(true);
  Memo2->setPlainText(
      "［グループ属性の\n変更手順］\n１）左表で変更する\nグループを指定\n２）上の「ポイント\nの種類"
      "」または「分\n類」で新しい項目を\n選択");
  Memo2->setFixedWidth(150);
  gr->addWidget(Memo2, 1);
  ButtonEraseArea = new QPushButton("グループ削除", TabSheetGroup);
  ButtonEraseArea->setObjectName("ButtonEraseArea");
  ButtonEraseArea->setToolTip("グループを削除します");
  gr->addWidget(ButtonEraseArea);
  gl->addLayout(gr);
  PageControl2->addTab(TabSheetGroup, "グループ");

  TabSheetCalResult = new QWidget;
  TabSheetCalResult->setObjectName("TabSheetCalResult");
  auto* rl = new QVBoxLayout(TabSheetCalResult);
  StringGrid3 = new StringGrid("StringGrid3", TabSheetCalResult);
  StringGrid3->setAccessibleName("計算結果");
  StringGrid3->SetColCount(5);
  StringGrid3->SetFixedCols(2);
  rl->addWidget(StringGrid3);
  PageControl2->addTab(TabSheetCalResult, "計算結果");
  layout->addWidget(PageControl2, 1);

  BitBtnCalArea = new QPushButton("計算", this);
  BitBtnCalArea->setObjectName("BitBtnCalArea");
  BitBtnCalArea->setToolTip("長さと面積の計算、計数を行います");
  layout->addWidget(BitBtnCalArea);

  PopupMenuLine = new QMenu(this);
  PopupMenuLine->setObjectName("PopupMenuLine");
  EraseOnePoint = PopupMenuLine->addAction("一つ前に戻る(&E)");
  EraseOnePoint->setObjectName("EraseOnePoint");
  PopupMenuLine->addSeparator();
  ModifyPoint = PopupMenuLine->addAction("ポイント位置修正(&M)");
  ModifyPoint->setObjectName("ModifyPoint");
  AddPoint = PopupMenuLine->addAction("ポイント追加(&A)");
  AddPoint->setObjectName("AddPoint");
  DeletePoint = PopupMenuLine->addAction("ポイント削除(&D)");
  DeletePoint->setObjectName("DeletePoint");
  PopupMenuLine->addSeparator();
  C2 = PopupMenuLine->addAction("表のコピー(&C)");
  C2->setObjectName("C2");
  PopupMenuGroup = new QMenu(this);
  PopupMenuGroup->setObjectName("PopupMenuGroup");
  InverseRotation = PopupMenuGroup->addAction("閉曲線のポイントの向きを逆転");
  InverseRotation->setObjectName("InverseRotation");

  SharedHolder = new QWidget(this);
  SharedHolder->setObjectName("AreaSharedHolder");
  new QVBoxLayout(SharedHolder);
  SharedHolder->layout()->setContentsMargins(0, 10, 0, 0);
  layout->addWidget(SharedHolder);

  connect(ButtonRegistSort, &QPushButton::clicked, this,
          [this] { form_.Guard([this] { ButtonRegistSortClick(); }); });
  ConnectHandlers();
}

void AreaPage::ResetPointTable() {
  StringGrid2->SetColCount(7);
  StringGrid2->SetRowCount(2);
  StringGrid2->SetFixedCols(3);
  const char* header[7] = {"分類", "Group", "Point", "x(pixels)", "y(pixels)", "", ""};
  for (int c = 0; c < 5; ++c) StringGrid2->SetCell(c, 0, header[c]);
  StringGrid2->SetCell(5, 0, "X(" + form_.State().ScaleUnit + ")");
  StringGrid2->SetCell(6, 0, "Y(" + form_.State().ScaleUnit + ")");
  StringGrid2->ClearRow(1);
  StringGrid2->FitColumnWidths();
}

void AreaPage::RelabelPointTable(int method, const QString& xCaption, const QString& yCaption) {
  if (method == tmNone) {
    StringGrid2->SetColCount(5);
  } else {
    StringGrid2->SetColCount(7);
    StringGrid2->SetCell(5, 0, xCaption);
    StringGrid2->SetCell(6, 0, yCaption);
  }
}

void AreaPage::ButtonRegistSortClick() {
  // The table's names, as they stand, become the document's.
  form_.Doc().SetCategories(TableNames());
  ShowCategoryChooser(0);
  if (!form_.Lines().empty()) form_.FillGroupTableAndChooser();
  // The selected category may be in use; the delete button follows it, not the count alone.
  StringGridSortClick();
}

void AreaPage::ShowCategoryChooser(int current) {
  const QSignalBlocker block(ComboBoxSort);
  ComboBoxSort->clear();
  const std::vector<std::string>& names = form_.CategoryNames();
  for (std::size_t i = 0; i < names.size(); ++i)
    ComboBoxSort->addItem(QString::number(i + 1) + ":" + QString::fromStdString(names[i]));
  ComboBoxSort->setCurrentIndex(std::clamp(current, 0, ComboBoxSort->count() - 1));
}

std::vector<std::string> AreaPage::TableNames() const {
  std::vector<std::string> names;
  for (int r = 1; r < StringGridSort->RowCount(); ++r)
    names.push_back(StringGridSort->Cells(1, r).toStdString());
  return names;
}

void AreaPage::FillPointTable() { form_.FillPointTable(); }

void AreaPage::SetSheetVisible(QWidget* sheet, bool visible) {
  PageControl2->setTabVisible(PageControl2->indexOf(sheet), visible);
}

void AreaPage::HideResults() {
  if (PageControl2->currentWidget() == TabSheetCalResult)
    PageControl2->setCurrentWidget(TabSheetPointInput);
  SetSheetVisible(TabSheetCalResult, false);
  StringGrid3->setVisible(false);
  form_.SetResultTableShown(false);
}

void AreaPage::ShowSheet(QWidget* sheet) {
  SetSheetVisible(sheet, true);
  PageControl2->setCurrentWidget(sheet);
}

}  // namespace zelko
