#include "app/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/dialogs.h"
#include "app/form.h"

namespace zelko {

void SetUpApplication() {
  QApplication::setApplicationName("Zelko");
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

TForm1* OpenMainWindow(QtDialogs& dialogs, const QStringList& args) {
  auto* form = new TForm1(dialogs);
  dialogs.SetParent(form);
  form->setAttribute(Qt::WA_DeleteOnClose);
  form->show();
  form->FormShow(args);
  return form;
}

}  // namespace zelko
