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
  TColor NotesFontColor = 0;
  int NotesFontCharset = 128;

  void ButtonMemoFontClick();
  void PopupMenuNotePopup();
  // The notes as stored: one line per displayed line (word wrap on).
  std::vector<std::string> DisplayedLines();
  void SetLines(const std::vector<std::string>& lines);
  FontData NotesFont() const;
  void SetNotesFont(const FontData& f);

 private:
  void LayOutAsShown();
  TForm1& form_;
};

}  // namespace zelko
