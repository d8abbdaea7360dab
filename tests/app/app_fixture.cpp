#include "app_fixture.h"

#include <QFile>
#include <QPainter>
#include <QTest>

#include "app/application.h"
#include "document/project_file.h"

namespace zelko::testing {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

QApplication& App() {
  static int argc = 1;
  static char name[] = "test_app";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    SetUpApplication();
    return a;
  }();
  return *app;
}

QDialog* HelpViewerWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "HelpViewer") return qobject_cast<QDialog*>(w);
  return nullptr;
}

void TypeCell(StringGrid& grid, int col, int row, const QString& text) {
  grid.model()->setData(grid.model()->index(row, col), text, Qt::EditRole);
}

void WindowTest::ExpectMarked(const char* what, const std::function<void()>& edit) {
  SCOPED_TRACE(what);
  form->Doc().MarkSaved();
  ASSERT_EQ(form->Status(3), "変更なし");
  const QByteArray before = CollectedBytes();
  edit();
  EXPECT_EQ(form->Status(3), "変更あり");
  EXPECT_TRUE(form->Doc().IsModified());

  // Every such edit can be taken back and made again, exactly as the file holds it.
  const QByteArray after = CollectedBytes();
  QToolButton* undo = Tool("ToolButtonUndo");
  ASSERT_TRUE(undo->isEnabled());
  EXPECT_TRUE(Action("Undo1")->isEnabled());
  EXPECT_TRUE(Action("Undo1")->text().startsWith("元に戻す: "))
      << Action("Undo1")->text().toStdString();
  QTest::mouseClick(undo, Qt::LeftButton);
  EXPECT_EQ(CollectedBytes(), before);
  EXPECT_EQ(form->Status(3), "変更なし");
  ASSERT_TRUE(Action("Redo1")->isEnabled());
  EXPECT_EQ(Tool("ToolButtonRedo")->toolTip(),
            Action("Redo1")->text().chopped(4));  // the same caption without "(&R)"
  Action("Redo1")->trigger();
  EXPECT_EQ(CollectedBytes(), after);
  EXPECT_EQ(form->Status(3), "変更あり");
}

QByteArray WindowTest::CollectedBytes() {
  ProjectData d;
  Failure error;
  EXPECT_TRUE(form->CollectProject(TempPath("collected.pqs"), d, false));
  const auto bytes = SerializeProject(d, &error);
  EXPECT_TRUE(bytes) << error;
  return bytes ? QByteArray::fromStdString(*bytes) : QByteArray();
}

void WindowTest::SetUp() {
  App();
  ASSERT_TRUE(dir.isValid());
  qputenv("ZELKO_INI", dir.filePath("zelko.ini").toUtf8());
  form = std::make_unique<TForm1>(dialogs);
}

void WindowTest::TearDown() {
  // Closing would ask to save; the tests decide that themselves.
  form->Doc().MarkSaved();
  form.reset();
}

void WindowTest::Start(const QStringList& args) {
  form->resize(1045, 775);
  form->show();
  form->FormShow(args);
}

QString WindowTest::MakeImage(const QString& name, int w, int h) {
  QImage img(w, h, QImage::Format_RGB888);
  QPainter p(&img);
  p.fillRect(img.rect(), QColor(40, 120, 60));
  p.setPen(Qt::yellow);
  p.drawLine(0, 0, w - 1, h - 1);
  p.end();
  const QString path = dir.filePath(name);
  EXPECT_TRUE(img.save(path, name.toLower().endsWith(".bmp") ? "BMP" : "JPG"));
  return path;
}

QString WindowTest::CopyFieldSample() {
  for (const char* name : {"field.pqs", "field.jpg"})
    EXPECT_TRUE(QFile::copy(QString(ZELKO_SAMPLE_DIR "/field/") + name, TempPath(name)));
  return TempPath("field.pqs");
}

QAction* WindowTest::Action(const char* name) const {
  QAction* a = form->findChild<QAction*>(name);
  EXPECT_NE(a, nullptr) << name;
  return a;
}

QToolButton* WindowTest::Tool(const char* name) const {
  QToolButton* b = form->findChild<QToolButton*>(name);
  EXPECT_NE(b, nullptr) << name;
  return b;
}

QStringList WindowTest::TakeMessages() {
  QStringList out;
  for (const auto& m : dialogs.messages) out << m.text;
  dialogs.messages.clear();
  return out;
}

}  // namespace zelko::testing
