#include <QApplication>
#include <QStringList>

#include "app/application.h"
#include "app/dialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  zelko::SetUpApplication();
  QStringList args = QApplication::arguments();
  args.removeFirst();
  zelko::QtDialogs dialogs(nullptr);
  zelko::OpenMainWindow(dialogs, args);
  return QApplication::exec();
}
