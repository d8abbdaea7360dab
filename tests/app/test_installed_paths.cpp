// Where the program finds its help pages and keeps its settings, installed or not, and what the
// about box says of it.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include "app/about_box.h"
#include "app/application.h"
#include "app/help_viewer.h"
#include "app_fixture.h"

namespace zelko::testing {
namespace {

using InstalledPathsTest = WindowTest;

void MakeHelp(const QString& folder) {
  ASSERT_TRUE(QDir().mkpath(folder));
  WriteAll(folder + "/index.htm", "<html></html>");
}

TEST_F(InstalledPathsTest, HelpIsFoundBesideTheExecutableOrInTheDataFolderOfItsPrefix) {
  MakeHelp(TempPath("build/help"));
  EXPECT_EQ(HelpFolderFor(TempPath("build")), TempPath("build/help"));

  MakeHelp(TempPath("prefix/share/zelko/help"));
  ASSERT_TRUE(QDir().mkpath(TempPath("prefix/bin")));
  EXPECT_EQ(HelpFolderFor(TempPath("prefix/bin")), TempPath("prefix/share/zelko/help"));

  // Pages beside the executable win over an installed tree around it.
  MakeHelp(TempPath("prefix/bin/help"));
  EXPECT_EQ(HelpFolderFor(TempPath("prefix/bin")), TempPath("prefix/bin/help"));

  // A folder without the contents page does not count.
  ASSERT_TRUE(QDir().mkpath(TempPath("empty/help")));
  EXPECT_EQ(HelpFolderFor(TempPath("empty")), QString(ZELKO_HELP_SOURCE_DIR));
}

TEST_F(InstalledPathsTest, TheSampleIsFoundBesideTheInstalledHelpOrInTheSources) {
  MakeHelp(TempPath("prefix/share/zelko/help"));
  ASSERT_TRUE(QDir().mkpath(TempPath("prefix/bin")));
  const QString installed = TempPath("prefix/share/zelko/sample/field/field.pqs");
  ASSERT_TRUE(QDir().mkpath(QFileInfo(installed).absolutePath()));
  WriteAll(installed, "Zelko Version 2.8.1 ");
  EXPECT_EQ(SampleProjectFor(TempPath("prefix/bin")), installed);

  // Help pages without the sample beside them: the sources' sample.
  MakeHelp(TempPath("build/help"));
  EXPECT_EQ(SampleProjectFor(TempPath("build")),
            QDir::cleanPath(ZELKO_SAMPLE_DIR "/field/field.pqs"));
}

// The about box is opened from its menu command, as a user does, and read while it is shown.
QString SettingsShownInAboutBox(TForm1& form) {
  QString shown;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
    if (!box) return;
    shown = box->findChild<QLabel*>("SettingsFile")->text();
    box->accept();
  });
  form.findChild<QAction*>("V2")->trigger();
  return shown;
}

TEST_F(InstalledPathsTest, TheAboutBoxNamesTheSettingsFileAndWhetherItIsPortable) {
  Start();
  EXPECT_EQ(SettingsShownInAboutBox(*form),
            "設定ファイル（ユーザーの設定フォルダー）:\n" + TempPath("zelko.ini"));

  form.reset();
  const QString beside = QCoreApplication::applicationDirPath() + "/test_app.ini";
  qputenv("ZELKO_INI", beside.toUtf8());
  form = std::make_unique<TForm1>(dialogs);
  Start();
  EXPECT_EQ(SettingsShownInAboutBox(*form),
            "設定ファイル（ポータブル、プログラムと同じフォルダー）:\n" + beside);
  EXPECT_TRUE(SettingsBesideExecutable(beside, QCoreApplication::applicationFilePath()));
}

}  // namespace
}  // namespace zelko::testing
