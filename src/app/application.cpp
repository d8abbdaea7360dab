#include "app/application.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/dialogs.h"
#include "app/form.h"
#include "app/help_viewer.h"
#include "document/settings.h"
#include "imaging/image_formats.h"

namespace zelko {

void SetUpApplication() {
  QApplication::setApplicationName("Zelko");
  QApplication::setApplicationVersion(ZELKO_VERSION);
  // Lets the desktop match the windows to the installed entry and its icon.
  QGuiApplication::setDesktopFileName(ZELKO_APP_ID);
  QApplication::setWindowIcon(QIcon(":/icons/" ZELKO_APP_ID ".svg"));
  static bool translated = false;
  if (translated) return;
  translated = true;
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  // The interface is Japanese whatever the system's language.
  for (const char* name : {"qtbase_ja"}) {
    auto* translator = new QTranslator(qApp);
    if (translator->load(name, folder))
      QApplication::installTranslator(translator);
    else
      delete translator;
  }
}

QString SettingsFileFor(const QString& executablePath) {
  const QByteArray overridden = qgetenv("ZELKO_INI");
  if (!overridden.isEmpty()) return QString::fromLocal8Bit(overridden);
  return QString::fromStdString(zelko::SettingsFilePath(executablePath.toStdString()));
}

bool SettingsBesideExecutable(const QString& settingsFile, const QString& executablePath) {
  return QFileInfo(settingsFile).absolutePath() == QFileInfo(executablePath).absolutePath();
}

QString CommandLineHelp(const QString& executablePath) {
  return QStringLiteral(
             "usage: zelko [FILE]\n"
             "Opens the window, with FILE in it: a project (.pqs) or a photograph (%3).\n"
             "\n"
             "  -h, --help     print this text and exit\n"
             "  -v, --version  print the version and exit\n"
             "Qt's own options (-platform, -style, ...) are accepted as well.\n"
             "\n"
             "help pages:    %1\n"
             "settings file: %2\n")
      .arg(HelpFolderFor(QFileInfo(executablePath).absolutePath()), SettingsFileFor(executablePath),
           QString::fromStdString(ImageExtensionList()));
}

TForm1* OpenMainWindow(QtDialogs& dialogs, const QStringList& args) {
  auto* form = new TForm1(dialogs);
  dialogs.SetParent(form);
  form->setAttribute(Qt::WA_DeleteOnClose);
  form->show();
  form->FormShow(args);
  return form;
}

}  // namespace zelko
