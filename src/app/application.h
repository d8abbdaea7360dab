// What the program sets on the application before its window opens; tests set up the same way.
#pragma once

#include <QStringList>

namespace zelko {

class QtDialogs;
class TForm1;

// The program's name and Qt's own Japanese texts for the standard controls (message-box buttons,
// file dialogs, context menus of edits). No display name is set: Qt would append it to every
// window title, and the captions are the program's own.
void SetUpApplication();

// Creates, shows and starts the main window with the program's command line. The window owns
// the dialogs it opens and deletes itself when closed.
TForm1* OpenMainWindow(QtDialogs& dialogs, const QStringList& args);

}  // namespace zelko
