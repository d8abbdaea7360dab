// A small viewer for the HTML help pages shipped with the executable.
#pragma once

#include <QString>

class QWidget;

namespace zelko {

// The folder holding the help pages, found from the executable's folder so that one binary
// works in the build folder ("help" beside it) and installed (the data folder of its prefix);
// else the source tree's.
QString HelpFolderFor(const QString& executableFolder);
// The same for the running program.
QString HelpFolder();
// The field sample's project: installed beside the help pages, else the source tree's.
QString SampleProjectFor(const QString& executableFolder);
QString SampleProject();
// page: "" for the contents, otherwise a topic such as "File" (shown as File.htm).
void ShowHelpViewer(QWidget* parent, const QString& page);

}  // namespace zelko
