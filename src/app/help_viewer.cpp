#include "app/help_viewer.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace zelko {

namespace {

QToolButton* HistoryButton(QWidget* parent, const char* name, const QString& caption,
                           const QString& tip, Qt::ArrowType arrow) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(caption);
  b->setToolTip(tip);
  b->setAccessibleName(caption);
  b->setArrowType(arrow);
  b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  // Nothing to go back or forward to until a link is followed.
  b->setEnabled(false);
  return b;
}

}  // namespace

QString HelpFolderFor(const QString& executableFolder) {
  for (const QString& folder :
       {executableFolder + "/help", executableFolder + "/" + QStringLiteral(ZELKO_HELP_FROM_BIN)}) {
    if (QFileInfo::exists(folder + "/index.htm")) return QDir::cleanPath(folder);
  }
  return QStringLiteral(ZELKO_HELP_SOURCE_DIR);
}

QString HelpFolder() { return HelpFolderFor(QCoreApplication::applicationDirPath()); }

QString SampleProjectFor(const QString& executableFolder) {
  // The samples are installed beside the help pages, as they lie beside them in the sources.
  const QString sample = "/../sample/field/field.pqs";
  const QString beside = QDir::cleanPath(HelpFolderFor(executableFolder) + sample);
  if (QFileInfo::exists(beside)) return beside;
  return QDir::cleanPath(QStringLiteral(ZELKO_HELP_SOURCE_DIR) + sample);
}

QString SampleProject() { return SampleProjectFor(QCoreApplication::applicationDirPath()); }

void ShowHelpViewer(QWidget* parent, const QString& page) {
  static QPointer<QDialog> viewer;
  static QPointer<QWidget> owner;
  static QTextBrowser* browser = nullptr;
  if (!viewer || owner != parent) {
    delete viewer;
    // A window of its own, no dialog of the main window: minimising either leaves the other
    // in sight. It goes with the window it was opened from, which may go first.
    viewer = new QDialog(nullptr, Qt::Window);
    owner = parent;
    if (parent)
      QObject::connect(parent, &QObject::destroyed, [gone = viewer] { delete gone.data(); });
    viewer->setObjectName("HelpViewer");
    viewer->setWindowTitle("Zelko ヘルプ");
    viewer->resize(760, 600);
    auto* layout = new QVBoxLayout(viewer);
    auto* bar = new QHBoxLayout;
    QToolButton* back =
        HistoryButton(viewer, "HelpBack", "戻る", "前のページに戻ります (Alt+←)", Qt::LeftArrow);
    QToolButton* forward = HistoryButton(viewer, "HelpForward", "進む",
                                         "次のページに進みます (Alt+→)", Qt::RightArrow);
    bar->addWidget(back);
    bar->addWidget(forward);
    bar->addStretch(1);
    layout->addLayout(bar);
    browser = new QTextBrowser(viewer);
    browser->setObjectName("HelpBrowser");
    browser->setAccessibleName("ヘルプの本文");
    browser->setOpenLinks(true);
    // Lines break at the window's edge, never wider than it: no sideways scrolling.
    browser->setLineWrapMode(QTextEdit::WidgetWidth);
    browser->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->addWidget(browser);
    QObject::connect(back, &QToolButton::clicked, browser, &QTextBrowser::backward);
    QObject::connect(forward, &QToolButton::clicked, browser, &QTextBrowser::forward);
    QObject::connect(browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    QObject::connect(browser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);
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
