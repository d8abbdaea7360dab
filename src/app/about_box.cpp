#include "app/about_box.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelko {

namespace {

// The program picture: a leaf with a measuring cross.
QPixmap ProgramPicture() {
  QPixmap pm(64, 64);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(60, 150, 70));
  p.setPen(QPen(QColor(30, 90, 40), 2));
  p.drawEllipse(QRect(10, 14, 44, 36));
  p.setPen(QPen(Qt::red, 2));
  p.drawLine(32, 6, 32, 58);
  p.drawLine(6, 32, 58, 32);
  return pm;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("Zelko バージョン情報");
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* picture = new QLabel(this);
  picture->setObjectName("ProgramIcon");
  picture->setPixmap(ProgramPicture());
  row->addWidget(picture);
  auto* texts = new QVBoxLayout;
  productName_ = new QLabel("Zelko", this);
  productName_->setObjectName("ProductName");
  QFont big("Serif", 22, QFont::Bold);
  productName_->setFont(big);
  auto* version = new QLabel("Version " ZELKO_VERSION, this);
  version->setObjectName("Version");
  version->setFont(QFont("Serif", 12, QFont::Bold));
  texts->addWidget(productName_);
  texts->addWidget(version);
  row->addLayout(texts);
  layout->addLayout(row);
  settingsFile_ = new QLabel(this);
  settingsFile_->setObjectName("SettingsFile");
  settingsFile_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(settingsFile_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("OKButton");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  setFixedSize(sizeHint());
}

void TAboutBox::SetSettingsFile(const QString& path, bool besideExecutable) {
  settingsFile_->setText((besideExecutable
                              ? "設定ファイル（ポータブル、プログラムと同じフォルダー）:\n"
                              : "設定ファイル（ユーザーの設定フォルダー）:\n") +
                         QDir::toNativeSeparators(path));
  setFixedSize(sizeHint());
}

}  // namespace zelko
