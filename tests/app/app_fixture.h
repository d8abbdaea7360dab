// A real main window, offscreen, with scripted dialogs and a settings file of its own.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QToolButton>
#include <functional>
#include <memory>

#include "app/application.h"
#include "app/dialogs.h"
#include "app/form.h"
#include "app/string_grid.h"

namespace zelko::testing {

// A whole file's bytes (empty when it cannot be read); a file written with exactly these bytes.
QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& bytes);
// A cell's text as the table's editor commits what the user typed (the grid reports the edit).
void TypeCell(StringGrid& grid, int col, int row, const QString& text);

// One QApplication for the whole test program.
QApplication& App();
// The help window, a top-level window of its own; null when none is open.
QDialog* HelpViewerWindow();

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the window as the program does, with the given command line.
  void Start(const QStringList& args = {});
  // A small synthetic photograph (w x h, 24 bits) written as BMP or JPEG into the temp folder.
  QString MakeImage(const QString& name, int w = 200, int h = 100);
  QString TempPath(const QString& name) const { return dir.filePath(name); }
  // A copy of the field sample beside its picture in the temp folder (nothing here can change
  // the real one); the copy's path.
  QString CopyFieldSample();

  QAction* Action(const char* name) const;
  QToolButton* Tool(const char* name) const;
  template <typename T>
  T* Find(const char* name) const {
    T* w = form->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  // Texts of the messages shown since the last call, and forget them.
  QStringList TakeMessages();
  // The document is saved, edit runs, and the document then counts as changed, in the status
  // bar too; the undo button takes the edit back and the redo command makes it again, each
  // leaving exactly the project the file would hold.
  void ExpectMarked(const char* what, const std::function<void()>& edit);
  // The project as a file would hold it now.
  QByteArray CollectedBytes();

  QTemporaryDir dir;
  ScriptedDialogs dialogs;
  std::unique_ptr<TForm1> form;
};

// A window with the real dialogs, parented as the program parents them.
class RealDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(dir.isValid());
    qputenv("ZELKO_INI", dir.filePath("zelko.ini").toUtf8());
    form = OpenMainWindow(dialogs, {});
  }
  void TearDown() override { delete form.data(); }

  QTemporaryDir dir;
  QtDialogs dialogs{nullptr};
  QPointer<TForm1> form;
};

}  // namespace zelko::testing
