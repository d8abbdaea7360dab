// A small viewer for the HTML help pages shipped beside the executable.
#pragma once

#include <QString>

class QWidget;

namespace zelko {

// The folder holding the help pages: "help" beside the executable, else the source tree's.
QString HelpFolder();
// page: "" for the contents, otherwise a topic such as "File" (shown as File.htm).
void ShowHelpViewer(QWidget* parent, const QString& page);

}  // namespace zelko
