// The settings file and the recent projects under "プロジェクトを開く(&O)".
#include <QCoreApplication>
#include <QFileInfo>
#include <QApplication>
#include <QClipboard>
#include <QMenu>

#include "app/string_grid.h"

#include "app/form.h"

namespace zelko {

QString TForm1::SettingsFilePath() const {
  const QByteArray overridden = qgetenv("ZELKO_INI");
  if (!overridden.isEmpty()) return QString::fromLocal8Bit(overridden);
  return QCoreApplication::applicationFilePath() + ".ini";
}

void TForm1::ReadSettings() {}

void TForm1::WriteSettings() {}

void TForm1::AddRecentProject() {
  if (!ListedFile.isEmpty() && ListedFile.front() == ProjectFile) return;
  ListedFile.removeAll(ProjectFile);
  ListedFile.prepend(ProjectFile);
  while (ListedFile.size() > 10) ListedFile.removeLast();
  BuildRecentMenu();
}

void TForm1::BuildRecentMenu() {
  for (QAction* a : recentActions_) {
    MenuOpenProject->removeAction(a);
    a->deleteLater();
  }
  recentActions_.clear();
  if (ListedFile.isEmpty()) return;
  recentActions_.push_back(MenuOpenProject->addSeparator());
  for (int i = 0; i < ListedFile.size(); ++i) {
    QAction* a = MenuOpenProject->addAction("&" + QString::number(i) + ":" +
                                            QFileInfo(ListedFile[i]).fileName());
    a->setObjectName("ListedFile" + QString::number(i));
    connect(a, &QAction::triggered, this, [this, i] { Guard([this, i] { ListedFileClick(i); }); });
    recentActions_.push_back(a);
  }
}

void TForm1::ListedFileClick(int index) {
  if (!ConfirmDiscard("設定が変更されています。\nプロジェクトファイルを保存しますか。")) return;
  if (index < 0 || index >= ListedFile.size()) return;
  const QString path = ListedFile[index];
  if (QFileInfo(path).isFile()) {
    OpenProjectFile(path);
    return;
  }
  if (Msg(MsgKind::Error, "指定されたファイルが見つかりません。メニューから削除しますか。",
          MsgButtons::YesNo) == MsgResult::Yes) {
    ListedFile.removeAt(index);
    BuildRecentMenu();
  }
}

bool TForm1::ReadKeyedTextProject(const QString&) { return false; }

void TForm1::CopyTableText(const StringGrid& table) {
  QApplication::clipboard()->setText(table.TableText());
}

}  // namespace zelko
