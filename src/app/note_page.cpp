#include "app/note_page.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QResizeEvent>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QVBoxLayout>

#include "app/form.h"
#include "render/symbols.h"

namespace zelko {

NotePage::NotePage(TForm1& form) : form_(form) {
  setObjectName("TabSheetNote");
  auto* layout = new QVBoxLayout(this);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setAccessibleName("メモ");
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // The notes are stored as the field breaks them: a scroll bar that came and went with the
  // text's length would move the breaks, so the field always has one.
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont f = Memo1->font();
  f.setFamily(QString::fromUtf8("ＭＳ Ｐゴシック"));
  Memo1->setFont(f);
  layout->addWidget(Memo1, 1);
  auto* row = new QHBoxLayout;
  ButtonMemoFont = new QPushButton("フォント", this);
  ButtonMemoFont->setObjectName("ButtonMemoFont");
  row->addStretch(1);
  row->addWidget(ButtonMemoFont);
  layout->addLayout(row);

  PopupMenuNote = new QMenu(this);
  PopupMenuNote->setObjectName("PopupMenuNote");
  Copy2 = PopupMenuNote->addAction("コピー(&C)");
  Copy2->setObjectName("Copy2");
  Cut1 = PopupMenuNote->addAction("切り取り(&T)");
  Cut1->setObjectName("Cut1");
  Paste2 = PopupMenuNote->addAction("貼り付け(&P)");
  Paste2->setObjectName("Paste2");
  Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Memo1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    PopupMenuNotePopup();
    PopupMenuNote->popup(Memo1->mapToGlobal(pos));
  });
  connect(Copy2, &QAction::triggered, Memo1, &QPlainTextEdit::copy);
  connect(Cut1, &QAction::triggered, Memo1, &QPlainTextEdit::cut);
  connect(Paste2, &QAction::triggered, Memo1, &QPlainTextEdit::paste);
  connect(Memo1, &QPlainTextEdit::textChanged, this,
          [this] { form_.Doc().SetNotes(Memo1->toPlainText().toStdString(), true); });
  connect(ButtonMemoFont, &QPushButton::clicked, this,
          [this] { form_.Guard([this] { ButtonMemoFontClick(); }); });
}

void NotePage::ButtonMemoFontClick() {
  auto chosen = form_.dialogs().ChooseFont(Memo1->font());
  if (!chosen) return;
  // The field keeps the chosen style for the session; the document stores the font without it.
  Memo1->setFont(*chosen);
  const FontData& stored = form_.Doc().Data().NotesFont;
  form_.Doc().SetNotesFont(ToFontData(*chosen, stored.Color, stored.Charset));
}

void NotePage::PopupMenuNotePopup() {
  const QString text = QApplication::clipboard()->text();
  Paste2->setEnabled(!text.isEmpty());
}

void NotePage::LayOutAsShown() {
  // A page that was never shown has no size of its own; it gets the size of the shown page, and
  // its field the width it would show its text in.
  QWidget* shown = form_.PageControl1->currentWidget();
  if (isVisible() || !shown || shown == this) return;
  // At the pages' designed width, which the coordinate page exceeds while it shows residuals.
  QRect page = shown->geometry();
  page.setWidth(page.width() - (form_.PageControl1->width() - TForm1::kPagesWidth));
  setGeometry(page);
  layout()->setGeometry(contentsRect());
  QResizeEvent resize(Memo1->size(), QSize(-1, -1));
  QCoreApplication::sendEvent(Memo1, &resize);
}

std::vector<std::string> NotePage::DisplayedLines() {
  // The lines are broken here as the field breaks them, so they do not depend on whether the
  // field has ever been painted (its own layout is made only then).
  LayOutAsShown();
  std::vector<std::string> lines;
  const QTextDocument* doc = Memo1->document();
  if (doc->isEmpty()) return lines;
  const qreal width = Memo1->viewport()->width() - 2 * doc->documentMargin();
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
    const QString text = block.text();
    QTextLayout layout(text, block.charFormat().font());
    layout.setTextOption(doc->defaultTextOption());
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
      line.setLineWidth(width);
    layout.endLayout();
    if (layout.lineCount() <= 1) {
      lines.push_back(text.toStdString());
      continue;
    }
    for (int i = 0; i < layout.lineCount(); ++i) {
      const QTextLine line = layout.lineAt(i);
      lines.push_back(text.mid(line.textStart(), line.textLength()).toStdString());
    }
  }
  return lines;
}

FontData NotePage::ShownFont() const {
  const FontData& stored = form_.Doc().Data().NotesFont;
  return ToFontData(Memo1->font(), stored.Color, stored.Charset);
}

void NotePage::Refresh(bool force) {
  const DocumentData& d = form_.Doc().Data();
  const QString text = QString::fromStdString(d.Notes);
  if (Memo1->toPlainText() != text) {
    const QSignalBlocker block(Memo1);
    Memo1->setPlainText(text);
  }
  // The stored font has no style: a bold font comes back regular.
  if (force || ShownFont() != d.NotesFont) Memo1->setFont(FromFontData(d.NotesFont));
  const QColor color = ToQColor(d.NotesFont.Color);
  if (Memo1->palette().color(QPalette::Text) != color) {
    QPalette p = Memo1->palette();
    p.setColor(QPalette::Text, color);
    Memo1->setPalette(p);
  }
}

}  // namespace zelko
