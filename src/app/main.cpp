#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <cstring>

#include "app/application.h"
#include "app/dialogs.h"

int main(int argc, char** argv) {
  // Answered before any window exists, so that they work without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
      std::printf("zelko %s\n", ZELKO_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
      std::fputs(zelko::CommandLineHelp(exe).toLocal8Bit().constData(), stdout);
      return 0;
    }
  }
  QApplication app(argc, argv);
  zelko::SetUpApplication();
  // Qt's own list would turn a path that is no UTF-8 into another name.
  QStringList args = zelko::NativeArguments(argc, argv);
  args.removeFirst();
  zelko::QtDialogs dialogs(nullptr);
  zelko::OpenMainWindow(dialogs, args);
  return QApplication::exec();
}
