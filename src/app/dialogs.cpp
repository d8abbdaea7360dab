#include "app/dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "app/help_viewer.h"

namespace zelko {

MsgResult QtDialogs::Message(MsgKind kind, const QString& text, MsgButtons buttons) {
  QMessageBox::Icon icon = QMessageBox::Information;
  QString title = "Zelko";
  switch (kind) {
    case MsgKind::Error:
      icon = QMessageBox::Critical;
      title = "エラー";
      break;
    case MsgKind::Warning:
      icon = QMessageBox::Warning;
      title = "警告";
      break;
    case MsgKind::Confirmation:
      icon = QMessageBox::Question;
      title = "確認";
      break;
    case MsgKind::Information:
      icon = QMessageBox::Information;
      title = "情報";
      break;
  }
  QMessageBox::StandardButtons set = QMessageBox::Ok;
  if (buttons == MsgButtons::YesNo) set = QMessageBox::Yes | QMessageBox::No;
  if (buttons == MsgButtons::YesNoCancel)
    set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  QMessageBox box(icon, title, text, set, parent_);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MsgResult::Yes;
    case QMessageBox::No:
      return MsgResult::No;
    case QMessageBox::Cancel:
      return MsgResult::Cancel;
    default:
      return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
  }
}

QString QtDialogs::InputBox(const QString& caption, const QString& prompt,
                            const QString& defaultText) {
  bool ok = false;
  QString text =
      QInputDialog::getText(parent_, caption, prompt, QLineEdit::Normal, defaultText, &ok);
  return ok ? text : defaultText;
}

QString QtDialogs::OpenFile(const QString& title, const QString& filter, const QString& preset) {
  return QFileDialog::getOpenFileName(parent_, title, preset, filter);
}

QString QtDialogs::SaveFile(const QString& title, const QString& filter, const QString& preset,
                            int* filterIndex) {
  QString selected;
  // The overwrite question is the program's own.
  const QString path = QFileDialog::getSaveFileName(parent_, title, preset, filter, &selected,
                                                    QFileDialog::DontConfirmOverwrite);
  if (filterIndex)
    *filterIndex = std::max(0, static_cast<int>(filter.split(";;").indexOf(selected)));
  return path;
}

int QtDialogs::ChooseItem(const QString& title, const QString& prompt, const QStringList& items,
                          int current) {
  bool ok = false;
  const QString chosen = QInputDialog::getItem(parent_, title, prompt, items, current, false, &ok);
  return ok ? static_cast<int>(items.indexOf(chosen)) : -1;
}

std::optional<QColor> QtDialogs::ChooseColor(const QColor& initial) {
  QColor c = QColorDialog::getColor(initial, parent_);
  if (!c.isValid()) return std::nullopt;
  return c;
}

std::optional<QFont> QtDialogs::ChooseFont(const QFont& initial) {
  bool ok = false;
  QFont f = QFontDialog::getFont(&ok, initial, parent_);
  if (!ok) return std::nullopt;
  return f;
}

void QtDialogs::ShowHelp(const QString& page) { ShowHelpViewer(parent_, page); }

MsgResult ScriptedDialogs::Message(MsgKind kind, const QString& text, MsgButtons buttons) {
  messages.push_back({kind, text, buttons});
  if (!answers.empty()) {
    MsgResult r = answers.front();
    answers.pop_front();
    return r;
  }
  switch (buttons) {
    case MsgButtons::Ok:
      return MsgResult::Ok;
    case MsgButtons::YesNo:
      return MsgResult::No;
    case MsgButtons::YesNoCancel:
      return MsgResult::Cancel;
  }
  return MsgResult::Cancel;
}

QString ScriptedDialogs::InputBox(const QString&, const QString& prompt,
                                  const QString& defaultText) {
  messages.push_back({MsgKind::Information, prompt, MsgButtons::Ok});
  if (inputs.empty()) return defaultText;
  QString s = inputs.front();
  inputs.pop_front();
  return s;
}

QString ScriptedDialogs::OpenFile(const QString&, const QString& filter, const QString& preset) {
  fileFilters << filter;
  filePresets << preset;
  if (openFiles.empty()) return {};
  QString s = openFiles.front();
  openFiles.pop_front();
  return s;
}

QString ScriptedDialogs::SaveFile(const QString&, const QString& filter, const QString& preset,
                                  int* filterIndex) {
  fileFilters << filter;
  filePresets << preset;
  int index = 0;
  if (!saveFilterIndexes.empty()) {
    index = saveFilterIndexes.front();
    saveFilterIndexes.pop_front();
  }
  if (filterIndex) *filterIndex = index;
  if (saveFiles.empty()) return {};
  QString s = saveFiles.front();
  saveFiles.pop_front();
  return s;
}

int ScriptedDialogs::ChooseItem(const QString&, const QString&, const QStringList& items, int) {
  choiceItems.push_back(items);
  if (choices.empty()) return -1;
  const int index = choices.front();
  choices.pop_front();
  return index < static_cast<int>(items.size()) ? index : -1;
}

std::optional<QColor> ScriptedDialogs::ChooseColor(const QColor&) {
  if (colors.empty()) return std::nullopt;
  auto c = colors.front();
  colors.pop_front();
  return c;
}

std::optional<QFont> ScriptedDialogs::ChooseFont(const QFont&) {
  if (fonts.empty()) return std::nullopt;
  auto f = fonts.front();
  fonts.pop_front();
  return f;
}

void ScriptedDialogs::ShowHelp(const QString& page) { helpPages << page; }

}  // namespace zelko
