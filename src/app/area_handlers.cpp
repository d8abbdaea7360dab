// Reactions of the controls of the measurement page.
#include <QContextMenuEvent>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/form.h"
#include "app/view_widget.h"
#include "measure/editing.h"
#include "measure/tables.h"

namespace zelko {

void AreaPage::ConnectHandlers() {
  auto click = [this](QPushButton* b, auto fn) {
    connect(b, &QPushButton::clicked, this, [this, fn] { form_.Guard(fn); });
  };
  click(ButtonSetArea, [this] { form_.ButtonSetAreaClick(); });
  click(BitBtnCalArea, [this] { form_.BitBtnCalAreaClick(); });
  click(ButtonEraseArea, [this] { form_.ButtonEraseAreaClick(); });
  click(ButtonAddSort, [this] { Button1Click(); });
  click(ButtonDeleteSort, [this] { ButtonDeleteSortClick(); });
  auto grid = [this](StringGrid* g, auto fn) {
    connect(g, &StringGrid::Click, this, [this, fn] { form_.Guard(fn); });
  };
  grid(StringGridSort, [this] { StringGridSortClick(); });
  grid(StringGridGroup, [this] { StringGridGroupClick(); });
  grid(StringGrid2, [this] { StringGrid2Click(); });
  grid(StringGrid3, [this] { StringGrid3Click(); });
  connect(StringGridSort, &StringGrid::DblClick, this,
          [this] { StringGridSort->SetEditorMode(true); });
  // A typed name is the document's at once: a save stores it, registered or not.
  connect(StringGridSort, &StringGrid::CellEdited, this, [this](int col, int row) {
    form_.Guard([this, col, row] {
      if (col != 1 || row < 1) return;
      form_.Doc().SetCategories(TableNames());
    });
  });
  connect(StringGrid3, &StringGrid::DblClick, this, [this] { StringGrid3->SetEditorMode(true); });
  connect(RadioGroupLineType, &RadioGroup::Click, this,
          [this] { form_.Guard([this] { RadioGroupLineTypeClick(); }); });
  connect(ComboBoxSort, &QComboBox::activated, this,
          [this] { form_.Guard([this] { ComboBoxSortChange(); }); });
  connect(InverseRotation, &QAction::triggered, this,
          [this] { form_.Guard([this] { InverseRotationClick(); }); });
  connect(EraseOnePoint, &QAction::triggered, this,
          [this] { form_.Guard([this] { form_.EraseOnePointClick(); }); });
  connect(ModifyPoint, &QAction::triggered, this,
          [this] { form_.Guard([this] { ModifyPointClick(); }); });
  connect(AddPoint, &QAction::triggered, this,
          [this] { form_.Guard([this] { AddPointClick(); }); });
  connect(DeletePoint, &QAction::triggered, this,
          [this] { form_.Guard([this] { form_.DeletePointClick(); }); });
  connect(C2, &QAction::triggered, this, [this] {
    form_.Guard([this] {
      if (menuTable_) form_.CopyTableText(*menuTable_);
    });
  });
  connect(PageControl2, &QTabWidget::currentChanged, this,
          [this] { form_.Guard([this] { PageControl2Show(); }); });

  // The point menu opens on the point table, and on the view in the measurement mode, only
  // while the table holds a point.
  StringGrid2->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(StringGrid2, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    if (!PointMenuCanOpen()) return;
    menuTable_ = StringGrid2;
    PopupMenuLinePopup(true);
    PopupMenuLine->exec(StringGrid2->viewport()->mapToGlobal(p));
    menuTable_ = nullptr;
  });
  StringGridGroup->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(StringGridGroup, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    if (form_.State().IDLine >= 0 &&
        form_.State().IDLine < static_cast<int>(form_.Lines().size()) &&
        form_.Lines()[form_.State().IDLine].LineType == ltClosed)
      PopupMenuGroup->exec(StringGridGroup->viewport()->mapToGlobal(p));
  });
  StringGrid3->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(StringGrid3, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    form_.pageCoord->ShowTableMenu(StringGrid3, StringGrid3->viewport()->mapToGlobal(p));
  });
}

void AreaPage::Button1Click() {
  std::vector<std::string> names = TableNames();
  const int r = static_cast<int>(names.size()) + 1;
  names.push_back(NewCategoryName(r));
  form_.Doc().SetCategories(names);
  StringGridSort->SetRow(r);
  ButtonRegistSortClick();
}

void AreaPage::ShowCategories() {
  const std::vector<std::string> names = form_.CategoryNames();
  const int rows = static_cast<int>(names.size()) + 1;
  if (StringGridSort->RowCount() != rows) StringGridSort->SetRowCount(rows);
  StringGridSort->SetCell(0, 0, "No.");
  StringGridSort->SetCell(1, 0, "分類名");
  for (int r = 1; r < rows; ++r) {
    const QString number = QString::number(r), name = QString::fromStdString(names[r - 1]);
    if (StringGridSort->Cells(0, r) != number) StringGridSort->SetCell(0, r, number);
    if (StringGridSort->Cells(1, r) != name) StringGridSort->SetCell(1, r, name);
  }
}

void AreaPage::ButtonDeleteSortClick() {
  const int r = StringGridSort->Row();
  std::optional<int> selected;
  form_.Doc().Edit("分類削除", kPartCategories | kPartGroups, [&](DocumentData& d) {
    std::vector<std::string> names = TableNames();
    selected = DeleteCategory(names, d.Lines, r);
    if (selected) d.Categories = std::move(names);
    return selected.has_value();
  });
  if (!selected) return;
  {
    const QSignalBlocker b(StringGridSort);
    StringGridSort->SetRow(std::min(*selected, StringGridSort->RowCount() - 1));
  }
  ButtonRegistSortClick();
  form_.FillPointTable();
  StringGridSortClick();
}

// Also the delete button's state after anything that changes which categories are in use.
void AreaPage::StringGridSortClick() {
  const int count = StringGridSort->RowCount() - 1;
  if (count <= 1) {
    ButtonDeleteSort->setEnabled(false);
    return;
  }
  ButtonDeleteSort->setEnabled(CanDeleteCategory(form_.Lines(), count, StringGridSort->Row()));
}

void AreaPage::StringGridGroupClick() {
  const int a = StringGridGroup->Row();
  if (a != form_.State().IDLine + 1) {
    form_.SetCurrentGroup(a - 1);
    const QString label = QString::fromStdString(GroupLabel(form_.Lines(), form_.State().IDLine));
    for (int r = 1; r < StringGrid2->RowCount(); ++r)
      if (StringGrid2->Cells(1, r) == label) {
        const QSignalBlocker b(StringGrid2);
        StringGrid2->SetRow(r);
        break;
      }
  }
  form_.SelectGroup(form_.State().IDLine);
}

void AreaPage::StringGrid2Click() {
  if (form_.State().isAreaMode && StringGrid2->RowCount() > 1) form_.PaintPicture(-1, -1);
}

void AreaPage::StringGrid3Click() { form_.PaintPicture(-1, -1); }

void AreaPage::RadioGroupLineTypeClick() {
  if (form_.State().AreaPage != 2 || form_.Lines().empty()) return;
  const int g = StringGridGroup->Row() - 1;
  if (g < 0 || g >= static_cast<int>(form_.Lines().size())) return;
  const int kind = RadioGroupLineType->ItemIndex();
  if (kind == form_.Lines()[g].LineType) return;
  if (form_.Msg(MsgKind::Confirmation, QString::fromUtf8(kMsgChangeGroupKind), MsgButtons::YesNo) ==
      MsgResult::Yes) {
    form_.EditGroups("ポイントの種類", [&](std::vector<TLine>& l) {
      l[g].LineType = static_cast<std::uint8_t>(kind);
      return true;
    });
    RefreshAfterGroupEdit();
  } else {
    RadioGroupLineType->SetItemIndexSilently(form_.Lines()[g].LineType);
  }
}

void AreaPage::ComboBoxSortChange() {
  form_.SetCurrentCategory(ComboBoxSort->currentIndex());
  if (form_.State().AreaPage != 2 || form_.Lines().empty()) return;
  const int g = StringGridGroup->Row() - 1;
  if (g < 0 || g >= static_cast<int>(form_.Lines().size())) return;
  const int sort = ComboBoxSort->currentIndex();
  if (sort < 0 || sort == form_.Lines()[g].Sort) return;
  if (form_.Msg(MsgKind::Confirmation, QString::fromUtf8(kMsgChangeGroupKind), MsgButtons::YesNo) ==
      MsgResult::Yes) {
    form_.EditGroups("グループの分類", [&](std::vector<TLine>& l) {
      l[g].Sort = static_cast<std::uint16_t>(sort);
      return true;
    });
    RefreshAfterGroupEdit();
  } else {
    const QSignalBlocker b(ComboBoxSort);
    ComboBoxSort->setCurrentIndex(form_.Lines()[g].Sort);
  }
}

// The tables after a group's kind or category changed. The change is marked, so that closing
// offers to save it.
void AreaPage::RefreshAfterGroupEdit() {
  const int keep = StringGrid2->Row();
  form_.FillPointTable();
  StringGrid2->SetRow(std::min(keep, StringGrid2->RowCount() - 1));
  form_.FillGroupTable();
  StringGridSortClick();
  HideResults();
}

void AreaPage::InverseRotationClick() {
  if (form_.State().IDLine < 0 || form_.State().IDLine >= static_cast<int>(form_.Lines().size()))
    return;
  form_.EditGroups("回転方向の反転", [&](std::vector<TLine>& l) {
    ReverseGroup(l[form_.State().IDLine]);
    return true;
  });
  form_.FillPointTable();
  HideResults();
}

bool AreaPage::PointMenuCanOpen() const { return StringGrid2->RowCount() > 2; }

void AreaPage::PopupMenuLinePopup(bool onTable) {
  EraseOnePoint->setEnabled(form_.State().NumPoints > 0);
  // The point commands act on the current row's point: the blank last row has none.
  const bool onPoint = !form_.State().isLineInput && form_.SelectedPointRef().has_value();
  ModifyPoint->setEnabled(onPoint);
  AddPoint->setEnabled(onPoint);
  DeletePoint->setEnabled(onPoint);
  C2->setVisible(onTable);
}

void AreaPage::PageControl2Show() {
  QWidget* sheet = PageControl2->currentWidget();
  if (sheet == TabSheetPointInput) {
    form_.SetAreaPage(0);
    if (!form_.ImageFile().isEmpty()) StringGrid2Click();
  } else if (sheet == TabSheetProperty) {
    form_.SetAreaPage(1);
    StringGridSortClick();
  } else if (sheet == TabSheetGroup) {
    form_.SetAreaPage(2);
    {
      const QSignalBlocker b(StringGridGroup);
      StringGridGroup->SetRow(std::max(1, form_.State().IDLine + 1));
    }
    form_.SelectGroup(form_.State().IDLine);
  } else if (sheet == TabSheetCalResult) {
    form_.SetAreaPage(3);
  }
}

void AreaPage::ModifyPointClick() {
  if (!form_.SelectedPointRef()) return;
  PageControl2->setCurrentWidget(TabSheetPointInput);
  form_.BeginPointEdit(false);
  PageControl2->setEnabled(false);
  form_.SetStatus(4, "ポイント位置を再指定して下さい");
}

void AreaPage::AddPointClick() {
  if (!form_.SelectedPointRef()) return;
  PageControl2->setCurrentWidget(TabSheetPointInput);
  form_.BeginPointEdit(true);
  form_.SetStatus(4, "追加するポイントの位置をクリックして下さい");
  PageControl2->setEnabled(false);
}

}  // namespace zelko
