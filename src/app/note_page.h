// The page "メモ": free notes with their font.
#pragma once

#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include "document/records.h"

namespace zelko {

class TForm1;

class NotePage : public QWidget {
  Q_OBJECT
 public:
  explicit NotePage(TForm1& form);

  QPlainTextEdit* Memo1;
  QPushButton* ButtonMemoFont;
  QMenu* PopupMenuNote;
  QAction* Copy2;
  QAction* Cut1;
  QAction* Paste2;

  void ButtonMemoFontClick();
  void PopupMenuNotePopup();
  // The notes as stored: one line per displayed line (word wrap on).
  std::vector<std::string> DisplayedLines();
  // The field's font as the document stores it (no style).
  FontData ShownFont() const;
  // Shows the document's notes and their font where the field differs from them.
  // force: the font is set again even where only its style differs.
  void Refresh(bool force = false);

 private:
  void LayOutAsShown();
  TForm1& form_;
};

}  // namespace zelko
