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

namespace {

// The length of the well-formed UTF-8 sequence at s[i], or 0.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) return 1;
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;  // overlong
    if (c == 0xED) hi = 0x9F;  // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + n > s.size() || b(i + 1) < lo || b(i + 1) > hi) return 0;
  for (size_t k = 2; k < n; ++k)
    if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
  return n;
}

}  // namespace

QString PathFromNative(std::string_view bytes) {
  QString out;
  size_t run = 0;  // start of the well-formed run not yet converted
  size_t i = 0;
  const auto flush = [&] {
    out += QString::fromUtf8(bytes.data() + run, static_cast<qsizetype>(i - run));
  };
  while (i < bytes.size()) {
    const size_t n = Utf8SequenceLength(bytes, i);
    if (n > 0) {
      i += n;
      continue;
    }
    flush();
    out += QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i])));
    run = ++i;
  }
  flush();
  return out;
}

std::string NativePath(const QString& path) {
  std::string out;
  qsizetype run = 0;
  for (qsizetype i = 0; i < path.size(); ++i) {
    const char16_t c = path[i].unicode();
    const bool paired = i > 0 && QChar::isHighSurrogate(path[i - 1].unicode());
    if (c < 0xDC80 || c > 0xDCFF || paired) continue;
    out += path.mid(run, i - run).toStdString();
    out += static_cast<char>(c - 0xDC00);
    run = i + 1;
  }
  out += path.mid(run).toStdString();
  return out;
}

QStringList NativeArguments(int argc, char** argv) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args << PathFromNative(argv[i]);
  return args;
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
             "usage: zelko [--calculate] [FILE]\n"
             "Opens the window, with FILE in it: a project (.pqs) or a photograph (%3).\n"
             "\n"
             "  --calculate    show the project FILE in the measurement mode, calculated\n"
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
