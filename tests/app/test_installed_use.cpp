// The window as a user meets it once installed: projects known by their content, the installed
// sample opened read-only from the help menu, and the smaller dialogs and read-outs around them.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/coord_page.h"
#include "app/frm_symbols.h"
#include "app/help_viewer.h"
#include "app/view_widget.h"
#include "app_fixture.h"
#include "document/project_file.h"
#include "render/symbols.h"

namespace zelko::testing {
namespace {

class InstalledUseTest : public WindowTest {
 protected:
  void TearDown() override {
    // An immutable folder would outlive the temporary one.
    if (!locked.isEmpty()) QProcess::execute("chattr", {"-i", locked});
    WindowTest::TearDown();
  }

  // The field sample copied into folder (made under the temp folder).
  QString CopySample(const QString& folder) {
    EXPECT_TRUE(QDir().mkpath(TempPath(folder)));
    for (const char* name : {"field.pqs", "field.jpg"})
      EXPECT_TRUE(
          QFile::copy(QString(ZELKO_SAMPLE_DIR "/field/") + name, TempPath(folder + "/" + name)));
    return TempPath(folder + "/field.pqs");
  }

  // The folder made unwritable, as an installed one is; false when this user writes anywhere.
  bool LockFolder(const QString& folder) {
    QFile::setPermissions(folder,
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    if (!QFileInfo(folder).isWritable()) return true;
    // The superuser writes into any folder that is not immutable.
    if (QProcess::execute("chattr", {"+i", folder}) == 0) locked = folder;
    return !QFileInfo(folder).isWritable();
  }

  QString locked;
};

TEST_F(InstalledUseTest, AProjectIsKnownByItsContentWhateverItsName) {
  MakeImage("photo.bmp");
  ProjectData d;
  d.ImagePath = "photo.bmp";
  Failure error;
  ASSERT_TRUE(WriteProjectFile(TempPath("f.dat").toStdString(), d, &error)) << error;

  // Given on the command line, as the desktop hands a file to the program.
  Start({TempPath("f.dat")});
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(form->State().ProjectFile, TempPath("f.dat"));
  EXPECT_EQ(form->ImageFile(), TempPath("photo.bmp"));

  // Chosen in the picture chooser: opened as the project it is.
  Action("C1")->trigger();
  ASSERT_TRUE(form->ImageFile().isEmpty());
  dialogs.openFiles.push_back(TempPath("f.dat"));
  Action("ReadImage1")->trigger();
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(form->State().ProjectFile, TempPath("f.dat"));
  EXPECT_EQ(form->ImageFile(), TempPath("photo.bmp"));
}

TEST_F(InstalledUseTest, ASampleInAFolderTheUserCannotWriteIsSavedOnlyIntoTheirDocuments) {
  const QString sample = CopySample("installed");
  if (!LockFolder(TempPath("installed"))) GTEST_SKIP() << "no folder here is read-only";
  Start({sample});
  ASSERT_EQ(form->State().ProjectFile, sample) << TakeMessages().join("|").toStdString();
  EXPECT_FALSE(Action("ResaveProject")->isEnabled());
  EXPECT_FALSE(Tool("ToolButtonResaveProject")->isEnabled());

  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  Action("SaveProject")->trigger();  // cancelled
  EXPECT_EQ(dialogs.filePresets.back(), documents + "/field.pqs");
  EXPECT_EQ(dialogs.fileFilters.back(), "プロジェクトファイル (*.pqs *.PQS)");
  ASSERT_TRUE(Action("ExportResults")->isEnabled());
  dialogs.choices.push_back(0);
  Action("ExportResults")->trigger();  // cancelled
  EXPECT_TRUE(dialogs.filePresets.back().startsWith(documents + "/field_"))
      << dialogs.filePresets.back().toStdString();

  // Saved where the user can write, it is theirs to overwrite.
  const QString mine = TempPath("mine.pqs");
  dialogs.saveFiles.push_back(mine);
  Action("SaveProject")->trigger();
  ASSERT_EQ(form->State().ProjectFile, mine);
  EXPECT_TRUE(Action("ResaveProject")->isEnabled());
  EXPECT_TRUE(Tool("ToolButtonResaveProject")->isEnabled());
}

TEST_F(InstalledUseTest, TheHelpMenuOpensTheSampleThatCameWithTheProgram) {
  Start();
  Action("OpenSample1")->trigger();
  EXPECT_EQ(TakeMessages(), QStringList());
  EXPECT_EQ(form->State().ProjectFile, SampleProject());
  EXPECT_TRUE(form->State().ProjectFile.endsWith("/sample/field/field.pqs"));
  EXPECT_TRUE(form->isCoord());
}

TEST_F(InstalledUseTest, AnotherMethodTakesAwayThePhysicalPositionOfTheOldFit) {
  Start({CopySample("here")});
  ASSERT_TRUE(form->isCoord());
  QTest::mouseMove(form->Image1, QPoint(100, 100));
  ASSERT_TRUE(form->Status(2).startsWith("物理座標(")) << form->Status(2).toStdString();
  QTabBar* tabs = form->PageControl1->tabBar();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
  QComboBox* methods = form->pageCoord->ComboBoxGridMethod;
  methods->setFocus();
  QTest::keyClick(methods, methods->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
  ASSERT_FALSE(form->isCoord());
  EXPECT_EQ(form->Status(2), "");
}

TEST_F(InstalledUseTest, TheSymbolDialogShowsEveryTabAndEachColour) {
  Start({MakeImage("a.bmp")});
  bool shown = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<TFrmSymbols*>(QApplication::activeModalWidget());
    if (!dialog) return;
    shown = true;
    QTabBar* tabs = dialog->Pages->tabBar();
    for (int i = 0; i < tabs->count(); ++i) EXPECT_LE(tabs->tabRect(i).right(), tabs->width()) << i;
    const std::pair<const char*, TColor SymbolSettings::*> buttons[] = {
        {"ButtonMarkerColor", &SymbolSettings::clMarker},
        {"ButtonLineColor", &SymbolSettings::clLine},
        {"ButtonGridColor", &SymbolSettings::clMesh}};
    for (const auto& [name, field] : buttons) {
      auto* b = dialog->findChild<QPushButton*>(name);
      const QImage swatch = b->icon().pixmap(b->iconSize()).toImage();
      EXPECT_EQ(swatch.pixelColor(swatch.rect().center()), ToQColor(dialog->copy.*field)) << name;
    }
    // A colour chosen shows on its button at once.
    dialogs.colors.push_back(QColor(12, 34, 56));
    auto* line = dialog->findChild<QPushButton*>("ButtonLineColor");
    line->click();
    const QImage swatch = line->icon().pixmap(line->iconSize()).toImage();
    EXPECT_EQ(swatch.pixelColor(swatch.rect().center()), QColor(12, 34, 56));
    dialog->reject();
  });
  Action("SetSymbols")->trigger();
  EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace zelko::testing
