// The help viewer of the real program: its back and forward buttons follow the pages visited by
// clicking links, and so does Alt+← / Alt+→.
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <algorithm>

#include "app/application.h"
#include "app/dialogs.h"
#include "app/form.h"
#include "app/help_viewer.h"
#include "app_fixture.h"

namespace zelko::testing {
namespace {

class HelpViewerTest : public RealDialogsTest {
 protected:
  void SetUp() override {
    RealDialogsTest::SetUp();
    if (HasFatalFailure()) return;
    form->findChild<QAction*>("Contents1")->trigger();
    viewer = HelpViewerWindow();
    ASSERT_NE(viewer, nullptr);
    browser = viewer->findChild<QTextBrowser*>("HelpBrowser");
    back = viewer->findChild<QToolButton*>("HelpBack");
    forward = viewer->findChild<QToolButton*>("HelpForward");
    ASSERT_TRUE(browser && back && forward);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
  }
  QString Page() const { return QFileInfo(browser->source().toLocalFile()).fileName(); }

  // Clicks the first link to page the way a user does: a press and release over its text.
  void ClickLink(const QString& page) {
    QTextDocument* doc = browser->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
      for (auto it = b.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (!f.isValid() || f.charFormat().anchorHref() != page) continue;
        QTextCursor c(doc);
        c.setPosition(f.position() + f.length() / 2);
        browser->setTextCursor(c);
        browser->ensureCursorVisible();
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, browser->cursorRect(c).center());
        return;
      }
    ADD_FAILURE() << "no link to " << page.toStdString() << " on " << Page().toStdString();
  }

  QDialog* viewer = nullptr;
  QTextBrowser* browser = nullptr;
  QToolButton* back = nullptr;
  QToolButton* forward = nullptr;
};

TEST_F(HelpViewerTest, BackAndForwardFollowTheLinksClicked) {
  EXPECT_EQ(Page(), "index.htm");
  EXPECT_EQ(back->text(), "戻る");
  EXPECT_EQ(forward->text(), "進む");
  EXPECT_EQ(back->accessibleName(), "戻る");
  EXPECT_EQ(forward->accessibleName(), "進む");
  EXPECT_TRUE(back->toolTip().contains("Alt+←"));
  EXPECT_TRUE(forward->toolTip().contains("Alt+→"));
  // Nowhere to go yet.
  EXPECT_FALSE(back->isEnabled());
  EXPECT_FALSE(forward->isEnabled());

  ClickLink("File.htm");
  EXPECT_EQ(Page(), "File.htm");
  EXPECT_TRUE(back->isEnabled());
  EXPECT_FALSE(forward->isEnabled());
  ClickLink("Setting.htm");
  EXPECT_EQ(Page(), "Setting.htm");

  QTest::mouseClick(back, Qt::LeftButton);
  EXPECT_EQ(Page(), "File.htm");
  EXPECT_TRUE(back->isEnabled());
  EXPECT_TRUE(forward->isEnabled());
  QTest::mouseClick(back, Qt::LeftButton);
  EXPECT_EQ(Page(), "index.htm");
  EXPECT_FALSE(back->isEnabled());
  EXPECT_TRUE(forward->isEnabled());

  QTest::mouseClick(forward, Qt::LeftButton);
  EXPECT_EQ(Page(), "File.htm");
  QTest::mouseClick(forward, Qt::LeftButton);
  EXPECT_EQ(Page(), "Setting.htm");
  EXPECT_FALSE(forward->isEnabled());

  // A new link drops the pages ahead.
  QTest::mouseClick(back, Qt::LeftButton);
  ClickLink("ManageImage.htm");
  EXPECT_EQ(Page(), "ManageImage.htm");
  EXPECT_FALSE(forward->isEnabled());
}

TEST_F(HelpViewerTest, AltArrowsGoBackAndForwardAsTheButtonsSay) {
  ClickLink("Keys.htm");
  ASSERT_EQ(Page(), "Keys.htm");
  QTest::keyClick(browser, Qt::Key_Left, Qt::AltModifier);
  EXPECT_EQ(Page(), "index.htm");
  EXPECT_TRUE(forward->isEnabled());
  QTest::keyClick(browser, Qt::Key_Right, Qt::AltModifier);
  EXPECT_EQ(Page(), "Keys.htm");
}

TEST_F(HelpViewerTest, AHelpMenuTopicIsAPageToComeBackFrom) {
  form->findChild<QAction*>("M1")->trigger();
  EXPECT_EQ(Page(), "Measurement.htm");
  ASSERT_TRUE(back->isEnabled());
  QTest::mouseClick(back, Qt::LeftButton);
  EXPECT_EQ(Page(), "index.htm");
}

// The text wraps at the viewer's edge, however narrow: no page is wider than the window, or
// than its widest picture, which cannot wrap.
TEST_F(HelpViewerTest, PagesWrapToTheViewersWidth) {
  viewer->resize(420, 500);
  const QStringList pages = QDir(HelpFolder()).entryList({"*.htm"}, QDir::Files);
  ASSERT_GE(pages.size(), 10);
  for (const QString& page : pages) {
    browser->setSource(QUrl(page));
    QCoreApplication::processEvents();
    QTextDocument* doc = browser->document();
    qreal picture = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
      for (auto it = b.begin(); !it.atEnd(); ++it)
        if (const QTextFormat f = it.fragment().charFormat(); f.isImageFormat())
          picture = std::max(picture, f.toImageFormat().width() + 2 * doc->documentMargin());
    EXPECT_LE(doc->idealWidth(), std::max<qreal>(browser->viewport()->width() + 1, picture + 1))
        << page.toStdString();
    // The pictures of the steps fit the viewer as it opens.
    EXPECT_LE(picture, 760 - 40) << page.toStdString();
  }
}

}  // namespace
}  // namespace zelko::testing
