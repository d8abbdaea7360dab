// Every modal interaction of the window goes through this seam, so tests can script the answers
// and read every message.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace zelko {

enum class MsgKind { Error, Warning, Confirmation, Information };
enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgResult { Ok, Yes, No, Cancel };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual MsgResult Message(MsgKind kind, const QString& text, MsgButtons buttons) = 0;
  // Returns the typed text, or defaultText when cancelled.
  virtual QString InputBox(const QString& caption, const QString& prompt,
                           const QString& defaultText) = 0;
  // filter uses Qt's syntax, e.g. "Project files (*.pqs)". Empty result: cancelled.
  virtual QString OpenFile(const QString& title, const QString& filter, const QString& preset) = 0;
  // filterIndex, when given, receives the 0-based index of the filter the user chose.
  virtual QString SaveFile(const QString& title, const QString& filter, const QString& preset,
                           int* filterIndex = nullptr) = 0;
  // One of items, offered with `current` chosen; -1: cancelled.
  virtual int ChooseItem(const QString& title, const QString& prompt, const QStringList& items,
                         int current) = 0;
  virtual std::optional<QColor> ChooseColor(const QColor& initial) = 0;
  virtual std::optional<QFont> ChooseFont(const QFont& initial) = 0;
  virtual void ShowHelp(const QString& page) = 0;
};

// Qt's own dialogs, parented to the window.
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  // The main window, once it exists: message boxes centre on it, and the help viewer belongs to
  // it, so that closing the main window ends the program.
  void SetParent(QWidget* parent) { parent_ = parent; }
  MsgResult Message(MsgKind kind, const QString& text, MsgButtons buttons) override;
  QString InputBox(const QString& caption, const QString& prompt,
                   const QString& defaultText) override;
  QString OpenFile(const QString& title, const QString& filter, const QString& preset) override;
  QString SaveFile(const QString& title, const QString& filter, const QString& preset,
                   int* filterIndex = nullptr) override;
  int ChooseItem(const QString& title, const QString& prompt, const QStringList& items,
                 int current) override;
  std::optional<QColor> ChooseColor(const QColor& initial) override;
  std::optional<QFont> ChooseFont(const QFont& initial) override;
  void ShowHelp(const QString& page) override;

 private:
  QWidget* parent_;
};

// Answers from queues and records what was asked; a question with no scripted answer gets the
// safest answer (Cancel, or No, or OK) and is recorded all the same.
class ScriptedDialogs : public Dialogs {
 public:
  struct Shown {
    MsgKind kind;
    QString text;
    MsgButtons buttons;
  };
  std::vector<Shown> messages;
  std::deque<MsgResult> answers;
  std::deque<QString> inputs;
  std::deque<QString> openFiles;
  std::deque<QString> saveFiles;
  std::deque<int> saveFilterIndexes;  // the filter chosen in each save chooser (default 0)
  // The index chosen in each item chooser (none left: cancelled), and the items of every one shown.
  std::deque<int> choices;
  std::vector<QStringList> choiceItems;
  std::deque<std::optional<QColor>> colors;
  std::deque<std::optional<QFont>> fonts;
  QStringList helpPages;
  QStringList fileFilters;  // the filter of every file chooser shown
  QStringList filePresets;  // the proposed name of every file chooser shown

  MsgResult Message(MsgKind kind, const QString& text, MsgButtons buttons) override;
  QString InputBox(const QString& caption, const QString& prompt,
                   const QString& defaultText) override;
  QString OpenFile(const QString& title, const QString& filter, const QString& preset) override;
  QString SaveFile(const QString& title, const QString& filter, const QString& preset,
                   int* filterIndex = nullptr) override;
  int ChooseItem(const QString& title, const QString& prompt, const QStringList& items,
                 int current) override;
  std::optional<QColor> ChooseColor(const QColor& initial) override;
  std::optional<QFont> ChooseFont(const QFont& initial) override;
  void ShowHelp(const QString& page) override;

  QString LastMessage() const { return messages.empty() ? QString() : messages.back().text; }
};

}  // namespace zelko
