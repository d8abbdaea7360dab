#include "app/help_viewer.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace zelko {

QString HelpFolderFor(const QString& executableFolder) {
  for (const QString& folder :
       {executableFolder + "/help", executableFolder + "/" + QStringLiteral(ZELKO_HELP_FROM_BIN)}) {
    if (QFileInfo::exists(folder + "/index.htm")) return QDir::cleanPath(folder);
  }
  return QStringLiteral(ZELKO_HELP_SOURCE_DIR);
}

QString HelpFolder() { return HelpFolderFor(QCoreApplication::applicationDirPath()); }

void ShowHelpViewer(QWidget* parent, const QString& page) {
  // Owned by its parent window, which may go first.
  static QPointer<QDialog> viewer;
  static QTextBrowser* browser = nullptr;
  if (!viewer || viewer->parentWidget() != parent) {
    delete viewer;
    viewer = new QDialog(parent);
    viewer->setObjectName("HelpViewer");
    viewer->setWindowTitle("Zelko ヘルプ");
    viewer->resize(760, 600);
    auto* layout = new QVBoxLayout(viewer);
    browser = new QTextBrowser(viewer);
    browser->setObjectName("HelpBrowser");
    browser->setOpenLinks(true);
    layout->addWidget(browser);
  }
  const QString file = HelpFolder() + "/" + (page.isEmpty() ? QString("index") : page) + ".htm";
  if (QFileInfo::exists(file)) {
    browser->setSearchPaths({HelpFolder()});
    browser->setSource(QUrl::fromLocalFile(file));
  } else {
    browser->setHtml("<h2>ページが見つかりません</h2><p>" + file.toHtmlEscaped() + "</p>");
  }
  viewer->show();
  viewer->raise();
}

}  // namespace zelko
