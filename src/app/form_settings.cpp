// The settings file and the recent projects under "プロジェクトを開く(&O)".
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "app/application.h"
#include "app/form.h"
#include "app/string_grid.h"
#include "document/settings.h"

namespace zelko {

QString TForm1::SettingsFilePath() const {
  return SettingsFileFor(QCoreApplication::applicationFilePath());
}

namespace {

// The title bar's height while the frame is not known yet: enough of it to grab the window by.
constexpr int kTitleBarGuess = 30;
constexpr int kGrabWidth = 100;

// The outer rectangle with its title bar on a screen. One that reaches above a screen or lies
// beside every one is moved onto the screen it overlaps most; one off every screen onto the
// primary screen's corner. The size is kept.
QRect WithTitleBarOnScreen(QRect g, int titleBar) {
  const QRect bar(g.left(), g.top(), g.width(), titleBar);
  QScreen* nearest = nullptr;
  qint64 overlap = 0;
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect a = screen->availableGeometry();
    const QRect onScreen = a.intersected(bar);
    if (g.top() >= a.top() && onScreen.height() == titleBar &&
        onScreen.width() >= std::min(g.width(), kGrabWidth))
      return g;
    const QRect shared = a.intersected(g);
    const qint64 area = qint64(shared.width()) * shared.height();
    if (area > overlap) {
      overlap = area;
      nearest = screen;
    }
  }
  if (!nearest) {
    if (QGuiApplication::primaryScreen())
      g.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    return g;
  }
  const QRect a = nearest->availableGeometry();
  const int grab = std::min(g.width(), kGrabWidth);
  g.moveLeft(std::clamp(g.left(), a.left() + grab - g.width(), a.right() + 1 - grab));
  g.moveTop(std::clamp(g.top(), a.top(), std::max(a.top(), a.bottom() + 1 - titleBar)));
  return g;
}

}  // namespace

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
  const int titleBar = geometry().top() - frameGeometry().top();
  g = WithTitleBarOnScreen(g, titleBar > 0 ? titleBar : kTitleBarGuess);
  if (s.Left || s.Top || s.Width || s.Height) PlaceFrame(g);
  state_.ListedFile.clear();
  for (const auto& p : s.RecentProjects) state_.ListedFile << QString::fromStdString(p);
  SymbolSettings symbols = state_.sym;
  symbols.MarkerFont.setPointSize(s.MarkerFontSize);
  ApplySymbols(symbols);
}

void TForm1::PlaceFrame(const QRect& outer) {
  const QSize frame = frameGeometry().size() - geometry().size();
  move(outer.topLeft());
  resize(outer.size() - frame);
  if (!frame.isNull()) return;
  // Until the window manager has framed the window its frame counts as none, and the window
  // would grow by a frame and shift on every start. Placed again once the frame is known.
  placing_ = true;
  auto* wait = new QTimer(this);
  wait->setInterval(50);
  connect(wait, &QTimer::timeout, this, [this, wait, outer, tries = 0]() mutable {
    const QSize known = frameGeometry().size() - geometry().size();
    if (!known.isNull()) {
      move(outer.topLeft());
      resize(outer.size() - known);
    }
    // A platform without frames never tells one.
    if (!known.isNull() || ++tries >= 100) {
      placing_ = false;
      wait->stop();
      wait->deleteLater();
    }
  });
  wait->start();
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
