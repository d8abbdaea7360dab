#include <QApplication>
#include <QStringList>

#include "app/dialogs.h"
#include "app/form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Zelko");
  QApplication::setApplicationDisplayName("Zelko");
  QStringList args = QApplication::arguments();
  args.removeFirst();
  zelko::TForm1* form = nullptr;
  zelko::QtDialogs dialogs(nullptr);
  form = new zelko::TForm1(dialogs);
  form->setAttribute(Qt::WA_DeleteOnClose);
  form->show();
  form->FormShow(args);
  return QApplication::exec();
}
