// The settings file and the recent projects under "プロジェクトを開く(&O)".
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include "app/application.h"
#include "app/form.h"
#include "app/string_grid.h"
#include "document/settings.h"

namespace zelko {

QString TForm1::SettingsFilePath() const {
  return SettingsFileFor(QCoreApplication::applicationFilePath());
}

void TForm1::ReadSettings() {
  Settings s;
  // Settings that cannot be read leave the design's placement; nothing to tell the user.
  if (!ReadSettingsFile(state_.iniFL.toStdString(), &s, nullptr)) return;
  // The stored placement is the outer one, frame included; the window is sized inside it.
  QRect g = frameGeometry();
  const QSize frame = g.size() - geometry().size();
  if (s.Left) g.moveLeft(*s.Left);
  if (s.Top) g.moveTop(*s.Top);
  // A size of zero or less would leave no window to see; such a value counts as missing.
  if (s.Width && *s.Width > frame.width()) g.setWidth(*s.Width);
  if (s.Height && *s.Height > frame.height()) g.setHeight(*s.Height);
  // A placement off every screen comes back onto the primary one.
  bool visible = false;
  for (QScreen* screen : QGuiApplication::screens())
    if (screen->availableGeometry().intersects(g)) visible = true;
  if (!visible && QGuiApplication::primaryScreen())
    g.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
  if (s.Left || s.Top || s.Width || s.Height) {
    move(g.topLeft());
    resize(g.size() - frame);
  }
  state_.ListedFile.clear();
  for (const auto& p : s.RecentProjects) state_.ListedFile << QString::fromStdString(p);
  SymbolSettings symbols = state_.sym;
  symbols.MarkerFont.setPointSize(s.MarkerFontSize);
  ApplySymbols(symbols);
}

void TForm1::WriteSettings() {
  if (state_.iniFL.isEmpty()) return;
  Settings s;
  const QRect g = frameGeometry();
  s.Left = g.left();
  s.Top = g.top();
  s.Width = g.width();
  s.Height = g.height();
  for (const QString& p : state_.ListedFile) s.RecentProjects.push_back(p.toStdString());
  s.MarkerFontSize = state_.sym.MarkerFont.pointSize();
  WriteSettingsFile(state_.iniFL.toStdString(), s, nullptr);
}

void TForm1::AddRecentProject() {
  std::vector<std::string> list;
  for (const QString& p : state_.ListedFile) list.push_back(p.toStdString());
  if (!zelko::AddRecentProject(list, state_.ProjectFile.toStdString())) return;
  state_.ListedFile.clear();
  for (const auto& p : list) state_.ListedFile << QString::fromStdString(p);
  BuildRecentMenu();
}

void TForm1::BuildRecentMenu() {
  for (QAction* a : recentActions_) {
    MenuOpenProject->removeAction(a);
    a->deleteLater();
  }
  recentActions_.clear();
  if (state_.ListedFile.isEmpty()) return;
  recentActions_.push_back(MenuOpenProject->addSeparator());
  for (int i = 0; i < state_.ListedFile.size(); ++i) {
    QAction* a = MenuOpenProject->addAction(QString::fromStdString(
        RecentProjectCaption(static_cast<std::size_t>(i), state_.ListedFile[i].toStdString())));
    a->setObjectName("ListedFile" + QString::number(i));
    connect(a, &QAction::triggered, this, [this, i] { Guard([this, i] { ListedFileClick(i); }); });
    recentActions_.push_back(a);
  }
}

void TForm1::ListedFileClick(int index) {
  if (index < 0 || index >= state_.ListedFile.size()) return;
  // The entry is taken before the save question: a save under a new name puts its project at
  // the top and moves every entry down, and the chosen one must still be the one opened.
  const QString path = state_.ListedFile[index];
  if (!ConfirmDiscard("設定が変更されています。\nプロジェクトファイルを保存しますか。")) return;
  if (QFileInfo(path).isFile()) {
    OpenProjectFile(path);
    return;
  }
  if (Msg(MsgKind::Error, "指定されたファイルが見つかりません。メニューから削除しますか。",
          MsgButtons::YesNo) == MsgResult::Yes) {
    state_.ListedFile.removeOne(path);
    BuildRecentMenu();
  }
}

void TForm1::CopyTableText(const StringGrid& table) {
  QApplication::clipboard()->setText(table.TableText());
}

}  // namespace zelko
