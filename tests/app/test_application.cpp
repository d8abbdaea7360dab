// The program with Qt's own dialogs: Japanese standard buttons, and quitting with the help open.
#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include "app/application.h"
#include "app/dialogs.h"
#include "app/form.h"
#include "app_fixture.h"

namespace zelko::testing {
namespace {

// The windows that keep the program running: shown, top level, not owned by another window.
QStringList WindowsKeepingTheProgramAlive() {
  QStringList out;
  for (QWindow* w : QGuiApplication::topLevelWindows()) {
    if (!w->isVisible() || w->transientParent() || w->type() == Qt::ToolTip ||
        w->type() == Qt::Popup)
      continue;
    out << w->title();
  }
  return out;
}

TEST_F(RealDialogsTest, QuittingWithTheHelpOpenEndsTheProgram) {
  form->findChild<QAction*>("Contents1")->trigger();
  QPointer<QDialog> help = HelpViewerWindow();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  // A window of its own: minimising it leaves the main window in sight.
  EXPECT_EQ(help->windowHandle()->transientParent(), nullptr);
  help->showMinimized();
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(form->isMinimized());
  form->findChild<QAction*>("Exit1")->trigger();
  // The window deletes itself once closed.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_TRUE(help.isNull());
  EXPECT_EQ(WindowsKeepingTheProgramAlive(), QStringList());
}

TEST_F(RealDialogsTest, MessageBoxesSpeakJapaneseAndCarryOnlyTheirOwnTitle) {
  QString title;
  QStringList buttons;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    for (QAbstractButton* b : box->buttons()) buttons << b->text();
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_EQ(
      dialogs.Message(MsgKind::Warning, "プロジェクトファイルが変更されています。\n保存しますか。",
                      MsgButtons::YesNoCancel),
      MsgResult::Cancel);
  EXPECT_EQ(title, "警告");
  EXPECT_EQ(QSet<QString>(buttons.begin(), buttons.end()),
            QSet<QString>({"はい(&Y)", "いいえ(&N)", "キャンセル"}));
  // No display name: Qt would append it to every window's title.
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
}

TEST_F(RealDialogsTest, TheStandardContextMenuOfAnEditIsJapanese) {
  QLineEdit edit;
  std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
  QStringList captions;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) captions << a->text();
  EXPECT_TRUE(captions.filter("コピー").size() == 1) << captions.join(" | ").toStdString();
  EXPECT_TRUE(captions.filter("貼り付け").size() == 1) << captions.join(" | ").toStdString();
}

using DecoderWarningTest = WindowTest;

TEST_F(DecoderWarningTest, ATruncatedPhotoOpensWithAJapaneseWarningAndTheDecodersWords) {
  Start();
  const QString truncated = TempPath("cut.jpg");
  ASSERT_TRUE(QFile::copy(ZELKO_TEST_DATA "/images/corrupt/jpeg_trunc50_baseline.jpg", truncated));
  dialogs.openFiles.push_back(truncated);
  form->findChild<QAction*>("ReadImage1")->trigger();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, MsgKind::Warning);
  EXPECT_EQ(dialogs.messages[0].text,
            "画像ファイルの一部を読み込めませんでした。ファイルが途中で切れているか、壊れている可能"
            "性があります。"
            "\n(Premature end of JPEG file)");
  EXPECT_EQ(form->ImageFile(), truncated);
}

}  // namespace
}  // namespace zelko::testing
