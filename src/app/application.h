// What the program sets on the application before its window opens; tests set up the same way.
#pragma once

#include <QStringList>
#include <string>
#include <string_view>

namespace zelko {

class QtDialogs;
class TForm1;

// The program's name and Qt's own Japanese texts for the standard controls (message-box buttons,
// file dialogs, context menus of edits). No display name is set: Qt would append it to every
// window title, and the captions are the program's own.
void SetUpApplication();

// The settings file the program uses when started from executablePath: $ZELKO_INI when set,
// otherwise beside the executable or in the user's config folder (see document/settings.h).
QString SettingsFileFor(const QString& executablePath);
// True when that file lies beside the executable: a portable copy.
bool SettingsBesideExecutable(const QString& settingsFile, const QString& executablePath);

// What `zelko --help` prints: the command line, the help folder and the settings file.
QString CommandLineHelp(const QString& executablePath);

// A path's bytes as the system knows them, kept through a QString: bytes that are no UTF-8 stand
// as the lone surrogates U+DC80..U+DCFF, which no UTF-8 text can hold, and come back unchanged.
// Any other text converts as UTF-8.
QString PathFromNative(std::string_view bytes);
std::string NativePath(const QString& path);
// The program's arguments with their native bytes kept (see PathFromNative).
QStringList NativeArguments(int argc, char** argv);

// Creates, shows and starts the main window with the program's command line. The window owns
// the dialogs it opens and deletes itself when closed.
TForm1* OpenMainWindow(QtDialogs& dialogs, const QStringList& args);

}  // namespace zelko
