#include "app/form.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <exception>
#include <filesystem>

#include "app/about_box.h"
#include "app/application.h"
#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/frm_symbols.h"
#include "app/help_viewer.h"
#include "app/image_page.h"
#include "app/note_page.h"
#include "app/view_widget.h"
#include "app/widgets.h"
#include "app/window_images.h"
#include "document/numbers.h"
#include "document/project_file.h"
#include "imaging/image_file.h"
#include "imaging/working_image.h"
#include "measure/editing.h"

// The icons are compiled into the static library, whose resources must be registered by hand (and
// outside any namespace).
static void InitIcons() { Q_INIT_RESOURCE(icons); }

namespace zelko {

namespace {

const int kPanelWidths[6] = {100, 250, 250, 80, 270, 200};

// A status panel that reports clicks, so a click on the status bar can cancel an armed edit.
class StatusPanel : public QLabel {
 public:
  StatusPanel(int index, TForm1& form) : form_(form) {
    setObjectName("StatusPanel" + QString::number(index));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setFixedWidth(kPanelWidths[index]);
  }

 protected:
  void mousePressEvent(QMouseEvent*) override { form_.StatusBar1Click(); }

 private:
  TForm1& form_;
};

// Assistive technology toggles a checkable button with setChecked, which runs no command. Its
// actions here click the button instead, so they run the same command as a mouse click or a key.
class ToolToggleAccessible : public QAccessibleWidget {
 public:
  explicit ToolToggleAccessible(QToolButton* b) : QAccessibleWidget(b, QAccessible::Button) {}
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = button()->isChecked();
    return s;
  }
  QStringList actionNames() const override { return {toggleAction(), pressAction()}; }
  void doAction(const QString& name) override {
    if ((name == toggleAction() || name == pressAction()) && button()->isEnabled())
      button()->click();
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QToolButton* button() const { return static_cast<QToolButton*>(widget()); }
};

QAccessibleInterface* ToolToggleFactory(const QString&, QObject* object) {
  auto* b = qobject_cast<QToolButton*>(object);
  if (b && b->isCheckable() && b->property("commandToggle").toBool())
    return new ToolToggleAccessible(b);
  return nullptr;
}

}  // namespace

TForm1::TForm1(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), images_(std::make_unique<WindowImages>()), dialogs_(dialogs) {
  static const bool accessibleToggles = (QAccessible::installFactory(ToolToggleFactory), true);
  (void)accessibleToggles;
  InitIcons();
  setObjectName("Form1");
  setWindowTitle("Zelko");
  BuildPages();
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  resize(DesignSize());
  AboutBox = new TAboutBox(this);
  FrmSymbols = new TFrmSymbols(*this);
  qApp->installEventFilter(this);
  ConnectViewMenu();
  DocumentData initial;
  initial.NotesFont = ToFontData(pageNote->Memo1->font(), 0, 128);
  doc_.Reset(std::move(initial));
  doc_.Subscribe([this](const DocumentChange& c) { DocumentChanged(c); });
  // Typing in one field is one edit to take back until the user moves on.
  connect(qApp, &QApplication::focusChanged, this, [this] { doc_.BreakMerge(); });
  // Group input disables the file menu; the export follows it.
  connect(File1->menuAction(), &QAction::enabledChanged, this, [this] { UpdateExportEnabled(); });
  UpdateUndoCommands();
  UpdateExportEnabled();
}

TForm1::~TForm1() {
  qApp->removeEventFilter(this);
  // The widgets going with the window move the focus; the document goes first.
  disconnect(qApp, &QApplication::focusChanged, this, nullptr);
  // An edit field losing the focus as it goes would report its edit to a window already gone.
  for (QLineEdit* edit : findChildren<QLineEdit*>())
    disconnect(edit, &QLineEdit::editingFinished, nullptr, nullptr);
  // The point table reads the groups, which go before the table does.
  if (pageArea) pageArea->StringGrid2->SetRowSource({});
}

// ---------------------------------------------------------------- construction

QAction* TForm1::AddAction(QMenu* menu, const QString& name, const QString& caption,
                           const std::function<void()>& onClick) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  connect(a, &QAction::triggered, this, [this, onClick] { Guard(onClick); });
  return a;
}

void TForm1::BuildMenus() {
  File1 = menuBar()->addMenu("ファイル(&F)");
  File1->setObjectName("File1");
  MenuOpenProject = File1->addMenu("プロジェクトを開く(&O)");
  MenuOpenProject->setObjectName("OpenProject1");
  P1 = AddAction(MenuOpenProject, "P1", "プロジェクトファイル(*.pqs)(&P)", [this] { P1Click(); });
  SaveProject = AddAction(File1, "SaveProject", "名前をつけてプロジェクトを保存(&S)",
                          [this] { SaveProjectClick(); });
  ResaveProject = AddAction(File1, "ResaveProject", "プロジェクトの上書き保存(&R)",
                            [this] { ResaveProjectClick(); });
  ReadImage1 = AddAction(File1, "ReadImage1", "画像の読み込み(&I)", [this] { ReadImage1Click(); });
  PictureSave = AddAction(File1, "PictureSave", "画像の保存(&P)", [this] { PictureSaveClick(); });
  ExportResults = AddAction(File1, "ExportResults", "結果のエクスポート(&E)...",
                            [this] { ExportResultsClick(); });
  C1 = AddAction(File1, "C1", "ファイルを閉じる(&C)", [this] { C1Click(); });
  File1->addSeparator();
  Exit1 = AddAction(File1, "Exit1", "終了(&Q)", [this] { Exit1Click(); });

  Edit1 = menuBar()->addMenu("編集(&E)");
  Edit1->setObjectName("Edit1");
  Undo1 = AddAction(Edit1, "Undo1", "元に戻す(&U)", [this] { UndoClick(); });
  Undo1->setShortcut(QKeySequence::Undo);
  Redo1 = AddAction(Edit1, "Redo1", "やり直し(&R)", [this] { RedoClick(); });
  Redo1->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  Edit1->addSeparator();
  CancelPointing = AddAction(Edit1, "CancelPointing", "位置の指定をやめる(&X)",
                             [this] { CancelPointingClick(); });
  CancelPointing->setShortcut(QKeySequence(Qt::Key_Escape));
  // Only while a click is awaited: Esc keeps its meaning in editors and dialogs otherwise.
  CancelPointing->setEnabled(false);

  Setting1 = menuBar()->addMenu("設定(&S)");
  Setting1->setObjectName("Setting1");
  I2 = AddAction(Setting1, "I2", "イメージ調整(&I)", [this] { ShowPage(0); });
  Menu_Coord = AddAction(Setting1, "Menu_Coord", "座標設定(&Q)", [this] { ShowPage(1); });
  SetSymbols =
      AddAction(Setting1, "SetSymbols", "記号の設定(&S)", [this] { FrmSymbols->Execute(); });

  A2 = menuBar()->addMenu("解析(&A)");
  A2->setObjectName("A2");
  A1 = AddAction(A2, "A1", "位置・距離・面積の測定と計数(&A)",
                 [this] { ToolButtonAreaModeClick(); });
  // The measurement page's button by key; it is pressed, so both ways take one road.
  CalculateMenu = AddAction(A2, "CalculateMenu", "計算(&C)", [this] {
    if (CalculationOffered()) pageArea->BitBtnCalArea->click();
  });
  CalculateMenu->setShortcut(QKeySequence(Qt::Key_F9));
  connect(A2, &QMenu::aboutToShow, this,
          [this] { CalculateMenu->setEnabled(CalculationOffered()); });

  Help1 = menuBar()->addMenu("ヘルプ(&H)");
  Help1->setObjectName("Help1");
  AddAction(Help1, "Contents1", "目次(&C)", [this] { dialogs_.ShowHelp(""); });
  AddAction(Help1, "GettingStarted1", "はじめに(&G)",
            [this] { dialogs_.ShowHelp("GettingStarted"); });
  AddAction(Help1, "A3", "こんなこともできる(&A)", [this] { dialogs_.ShowHelp("HowToUse"); });
  Help1->addSeparator();
  AddAction(Help1, "F1", "ファイルについて(&F)", [this] { dialogs_.ShowHelp("File"); });
  AddAction(Help1, "D2", "画面とその操作(&D)", [this] { dialogs_.ShowHelp("ManageImage"); });
  AddAction(Help1, "S2", "設定(&S)", [this] { dialogs_.ShowHelp("Setting"); });
  AddAction(Help1, "M1", "測定モード(&M)", [this] { dialogs_.ShowHelp("Measurement"); });
  AddAction(Help1, "Accuracy1", "測定の精度(&P)", [this] { dialogs_.ShowHelp("Accuracy"); });
  AddAction(Help1, "Keys1", "キーとマウスの操作(&K)", [this] { dialogs_.ShowHelp("Keys"); });
  AddAction(Help1, "CommandLine1", "コマンドライン(&L)",
            [this] { dialogs_.ShowHelp("CommandLine"); });
  AddAction(Help1, "Faq1", "困ったときは(&T)", [this] { dialogs_.ShowHelp("FAQ"); });
  Help1->addSeparator();
  AddAction(Help1, "OpenSample1", "サンプルを開く(&O)", [this] { OpenSampleClick(); });
  Help1->addSeparator();
  AddAction(Help1, "ZelkoB1", "Zelkoについて(&Q)", [this] { dialogs_.ShowHelp("Author"); });
  AddAction(Help1, "V2", "バージョン情報(&V)", [this] { AboutBox->exec(); });
}

QToolButton* TForm1::AddToolButton(const QString& name, const QString& hint, const QString& icon,
                                   const std::function<void()>& onClick,
                                   const std::function<bool()>& mode) {
  auto* b = new QToolButton(this);
  // Before anything that announces the button to assistive technology: its interface is made
  // then, and kept.
  b->setCheckable(static_cast<bool>(mode));
  b->setProperty("commandToggle", static_cast<bool>(mode));
  b->setObjectName(name);
  b->setToolTip(hint);
  b->setAccessibleName(hint);
  b->setIcon(QIcon(":/icons/" + icon + ".svg"));
  b->setIconSize(QSize(22, 22));
  b->setToolButtonStyle(Qt::ToolButtonIconOnly);
  connect(b, &QToolButton::clicked, this, [this, b, onClick, mode] {
    Guard(onClick);
    // Whatever the command did (or refused, or failed on), the toggle shows the window's mode.
    if (mode) b->setChecked(mode());
  });
  return b;
}

void TForm1::BuildToolBar() {
  QToolBar* bar = addToolBar("ToolBar1");
  bar->setObjectName("ToolBar1");
  bar->setMovable(false);
  ToolButtonLoadProject = AddToolButton("ToolButtonLoadProject", "プロジェクトを開く",
                                        "open-project", [this] { P1Click(); });
  ToolButtonResaveProject = AddToolButton("ToolButtonResaveProject", "プロジェクトの上書き保存",
                                          "save-project", [this] { ResaveProjectClick(); });
  ToolButtonUndo = AddToolButton("ToolButtonUndo", "元に戻す", "undo", [this] { UndoClick(); });
  ToolButtonRedo = AddToolButton("ToolButtonRedo", "やり直し", "redo", [this] { RedoClick(); });
  ToolButtonLoadImage = AddToolButton("ToolButtonLoadImage", "画像の読み込み", "open-image",
                                      [this] { ReadImage1Click(); });
  ToolButtonMarkers = AddToolButton(
      "ToolButtonMarkers", "マーカー表示", "markers", [this] { ToolButtonMarkersClick(); },
      [this] { return state_.isMarked; });
  ToolButtonMesh = AddToolButton(
      "ToolButtonMesh", "グリッド表示", "grid", [this] { ToolButtonMeshClick(); },
      [this] { return state_.withMesh; });
  ToolButtonAreaMode = AddToolButton(
      "ToolButtonAreaMode", "測定モード", "measure", [this] { ToolButtonAreaModeClick(); },
      [this] { return state_.isAreaMode; });
  ToolButton7 = AddToolButton("ToolButton7", "ヘルプ", "help", [this] { dialogs_.ShowHelp(""); });
  ToolButtonEnlarge =
      AddToolButton("ToolButtonEnlarge", "拡大", "zoom-in", [this] { ToolButtonEnlargeClick(); });
  ToolButtonReduce =
      AddToolButton("ToolButtonReduce", "縮小", "zoom-out", [this] { ToolButtonReduceClick(); });
  ToolButtonLeft = AddToolButton("ToolButtonLeft", "左へ", "left", [this] { Pan(0); });
  ToolButtonRight = AddToolButton("ToolButtonRight", "右へ", "right", [this] { Pan(1); });
  ToolButtonDown = AddToolButton("ToolButtonDown", "下へ", "down", [this] { Pan(2); });
  ToolButtonUp = AddToolButton("ToolButtonUp", "上へ", "up", [this] { Pan(3); });
  ToolButtonAutoTrack = AddToolButton(
      "ToolButtonAutoTrack", "自動センタリング", "auto-centre",
      [this] { ToolButtonAutoTrackClick(); }, [this] { return state_.isAutoTrack; });
  bar->addSeparator();
  bar->addWidget(ToolButtonLoadProject);
  bar->addWidget(ToolButtonResaveProject);
  bar->addWidget(ToolButtonUndo);
  bar->addWidget(ToolButtonRedo);
  bar->addWidget(ToolButtonLoadImage);
  bar->addSeparator();
  bar->addWidget(ToolButtonMarkers);
  bar->addWidget(ToolButtonMesh);
  bar->addSeparator();
  bar->addWidget(ToolButtonAreaMode);
  bar->addSeparator();
  bar->addWidget(ToolButton7);
  bar->addSeparator();
  bar->addWidget(ToolButtonEnlarge);
  bar->addWidget(ToolButtonReduce);
  bar->addSeparator();
  bar->addWidget(ToolButtonLeft);
  bar->addWidget(ToolButtonRight);
  bar->addWidget(ToolButtonDown);
  bar->addWidget(ToolButtonUp);
  bar->addSeparator();
  bar->addWidget(ToolButtonAutoTrack);
}

void TForm1::BuildStatusBar() {
  statusBar()->setObjectName("StatusBar1");
  statusBar()->setSizeGripEnabled(false);
  for (int i = 0; i < 6; ++i) {
    Panels[i] = new StatusPanel(i, *this);
    statusBar()->addWidget(Panels[i]);
  }
  ShowImageFormat("");
  // The memory read-out is wider than its design width: the panel takes the width of the widest
  // text this machine can show (all memory in use), so the text is never cut.
  MemoryStatus all;
  all.totalPhysical = ReadMemoryStatus().totalPhysical;
  const QString widest = QString::fromStdString(MemoryStatusText(all));
  const int margins = Panels[5]->frameWidth() * 2 + Panels[5]->margin() * 2 + 8;
  Panels[5]->setFixedWidth(
      std::max(kPanelWidths[5], Panels[5]->fontMetrics().horizontalAdvance(widest) + margins));
}

void TForm1::FitPagesTo(const StringGrid& table) {
  if (!table.isVisible() || !centralWidget()) return;
  int columns = 0;
  for (int c = 0; c < table.ColCount(); ++c) columns += table.columnWidth(c);
  // Frames and margins around the columns, and room for a vertical scroll bar, which comes
  // and goes with the rows that fit.
  const QScrollBar* bar = table.verticalScrollBar();
  const int around = PageControl1->width() - table.viewport()->width() -
                     (bar->isVisible() ? bar->width() : 0) + bar->sizeHint().width();
  // Never narrower than designed, and the view keeps room for the picture.
  const int widest = std::max(kPagesWidth, width() - kNarrowestView);
  const int wanted = std::clamp(columns + around, kPagesWidth, widest);
  if (wanted == PageControl1->width()) return;
  PageControl1->setFixedWidth(wanted);
  // Laid out at once, so that the view's size is the new one for the next click on it.
  centralWidget()->layout()->activate();
}

void TForm1::BuildPages() {
  auto* central = new QWidget(this);
  auto* layout = new QHBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  PageControl1 = new QTabWidget(central);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setFixedWidth(kPagesWidth);

  SharedBox = new QWidget;
  SharedBox->setObjectName("SharedBox");
  auto* shared = new QVBoxLayout(SharedBox);
  shared->setContentsMargins(0, 0, 0, 0);
  DecimalsRow = new QWidget(SharedBox);
  auto* decimals = new QHBoxLayout(DecimalsRow);
  decimals->setContentsMargins(0, 0, 0, 0);
  auto* decimalsLabel = new QLabel("物理座標小数点以下表示桁数：", SharedBox);
  EditNumDecimal = new QLineEdit("1", SharedBox);
  EditNumDecimal->setObjectName("EditNumDecimal");
  EditNumDecimal->setAccessibleName("物理座標小数点以下表示桁数");
  EditNumDecimal->setFixedWidth(40);
  decimalsLabel->setBuddy(EditNumDecimal);
  UpDown2 = new UpDown("UpDown2", EditNumDecimal, 0, 100, SharedBox);
  UpDown2->SetPositionSilently(1);
  decimals->addWidget(decimalsLabel);
  decimals->addWidget(EditNumDecimal);
  decimals->addWidget(UpDown2);
  decimals->addStretch(1);
  shared->addWidget(DecimalsRow);
  Image = new ViewWidget("Image", SharedBox);
  Image->setFixedSize(401, 271);
  Image->SetStretch(true);
  shared->addWidget(Image);

  pageImage = new ImagePage(*this);
  pageCoord = new CoordPage(*this);
  pageArea = new zelko::AreaPage(*this);
  ShowUncertainty = new QAction("±（標準偏差）を表示", this);
  ShowUncertainty->setObjectName("ShowUncertainty");
  ShowUncertainty->setCheckable(true);
  pageCoord->PopupMenuTable->addSeparator();
  pageCoord->PopupMenuTable->addAction(ShowUncertainty);
  pageArea->PopupMenuLine->addSeparator();
  pageArea->PopupMenuLine->addAction(ShowUncertainty);
  connect(ShowUncertainty, &QAction::toggled, this, [this] {
    Guard([this] {
      if (state_.resultTableShown) FillResultTable();
      FillPointTable();
    });
  });
  pageNote = new NotePage(*this);
  PageControl1->addTab(pageImage, "イメージ調整");
  PageControl1->addTab(pageCoord, "座標設定");
  PageControl1->addTab(pageArea, "測定");
  PageControl1->addTab(pageNote, "メモ");
  layout->addWidget(PageControl1);

  Image1 = new ViewWidget("Image1", central);
  Image1->setMinimumSize(200, 200);
  // Markers and points can be placed without a mouse.
  Image1->SetKeyboardPointer(true);
  layout->addWidget(Image1, 1);
  setCentralWidget(central);

  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this] { Guard([this] { PageControl1Change(); }); });
  connect(EditNumDecimal, &QLineEdit::textChanged, this,
          [this] { Guard([this] { EditNumDecimalChange(); }); });
  connect(EditNumDecimal, &QLineEdit::editingFinished, this,
          [this] { Guard([this] { EditNumDecimalExit(); }); });
  connect(Image1, &ViewWidget::MouseDown, this, [this](Qt::MouseButton b, int x, int y) {
    Guard([=, this] { Image1MouseDown(b, x, y); });
  });
  connect(Image1, &ViewWidget::MouseMove, this,
          [this](int x, int y) { Guard([=, this] { Image1MouseMove(x, y); }); });
  connect(Image1, &ViewWidget::DoubleClick, this, [this] { Guard([this] { Image1DblClick(); }); });
  connect(Image, &ViewWidget::MouseDown, this,
          [this](Qt::MouseButton, int x, int y) { Guard([=, this] { ImageMouseDown(x, y); }); });
}

// ---------------------------------------------------------------- shared operations

void TForm1::Guard(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    dialogs_.Message(MsgKind::Error, QString::fromUtf8(e.what()), MsgButtons::Ok);
  } catch (...) {
    dialogs_.Message(MsgKind::Error, "予期しないエラーが発生しました。", MsgButtons::Ok);
  }
}

MsgResult TForm1::Msg(MsgKind kind, const QString& text, MsgButtons buttons) {
  return dialogs_.Message(kind, text, buttons);
}

QSize TForm1::DesignSize() const {
  // As designed, but wide enough for the whole status bar.
  return {std::max(1045, statusBar()->sizeHint().width()), 775};
}

void TForm1::SetStatus(int panel, const QString& text) { Panels[panel]->setText(text); }
QString TForm1::Status(int panel) const { return Panels[panel]->text(); }

void TForm1::DataChanged(bool changed) { SetStatus(3, changed ? "変更あり" : "変更なし"); }

void TForm1::DocumentChanged(const DocumentChange& change) {
  DataChanged(doc_.IsModified());
  UpdateUndoCommands();
  UpdateExportEnabled();
  const DocumentData& d = doc_.Data();
  if (change.Parts & kPartGroups) groupBoxesStale_ = true;
  if (change.Parts & (kPartTransform | kPartMarkers)) uncertainty_.reset();
  if (change.Parts & kPartNotes) pageNote->Refresh();
  if (change.Parts & kPartAdjustments) pageImage->ShowAdjustments();
  if (change.Parts & kPartSymbols) ShowSymbols(false);
  if (change.Parts & kPartCategories) pageArea->ShowCategories();
  if (change.Parts & kPartMarkers) pageCoord->ShowMarkers();
  if (change.Parts & kPartTransform) {
    QComboBox* combos[2] = {pageCoord->ComboBoxGridMethod, pageCoord->ComboBoxScaleUnit};
    const int values[2] = {d.Method, d.ScaleUnit};
    for (int i = 0; i < 2; ++i) {
      if (combos[i]->currentIndex() == values[i]) continue;
      const QSignalBlocker b(combos[i]);
      combos[i]->setCurrentIndex(values[i]);
    }
    pageCoord->ShowClickPrecision();
    // The physical position shown was the old transformation's; the next mouse move shows
    // the new one's.
    SetStatus(2, "");
  }
  if ((change.Parts & kPartGrid) && pageCoord->EditMeshSize->text().toStdString() != d.MeshSize) {
    const QSignalBlocker b(pageCoord->EditMeshSize);
    pageCoord->EditMeshSize->setText(QString::fromStdString(d.MeshSize));
  }
  // Not blocked: the new places reformat the tables as if typed.
  if ((change.Parts & kPartDecimals) && EditNumDecimal->text().toStdString() != d.NumDecimal)
    EditNumDecimal->setText(QString::fromStdString(d.NumDecimal));
  if (change.Restored) RefreshFromDocument(change.Parts);
}

bool TForm1::UndoBlocked() const {
  return state_.isLineInput || state_.isModifyPoint || state_.isAddPoint ||
         state_.isPointing != 0 || state_.isProjLoading;
}

bool TForm1::CalculationOffered() const {
  return state_.isAreaMode && pageArea->BitBtnCalArea->isEnabled();
}

void TForm1::UpdateCalculateCommand() {
  if (CalculateMenu) CalculateMenu->setEnabled(CalculationOffered());
}

void TForm1::UpdateUndoCommands() {
  if (!Undo1) return;
  CancelPointing->setEnabled(state_.isModifyPoint || state_.isAddPoint || state_.isPointing != 0);
  const bool blocked = UndoBlocked();
  struct Command {
    QAction* action;
    QToolButton* button;
    bool can;
    std::string name;
    const char* caption;
    const char* key;
  };
  const Command commands[2] = {
      {Undo1, ToolButtonUndo, doc_.CanUndo(), doc_.UndoName(), "元に戻す", "U"},
      {Redo1, ToolButtonRedo, doc_.CanRedo(), doc_.RedoName(), "やり直し", "R"}};
  for (const Command& c : commands) {
    const bool on = c.can && !blocked;
    const QString caption = c.name.empty()
                                ? QString(c.caption)
                                : QString(c.caption) + ": " + QString::fromStdString(c.name);
    c.action->setEnabled(on);
    c.action->setText(caption + "(&" + c.key + ")");
    c.button->setEnabled(on);
    c.button->setToolTip(caption);
    c.button->setAccessibleName(caption);
  }
}

void TForm1::UndoClick() {
  if (UndoBlocked()) return;
  doc_.Undo();
}

void TForm1::RedoClick() {
  if (UndoBlocked()) return;
  doc_.Redo();
}

void TForm1::RefreshFromDocument(unsigned parts) {
  const DocumentData& d = doc_.Data();
  if (parts & kPartAdjustments) {
    pageImage->EditAngleBox->setVisible(d.AngleChoice == 4);
    view_.RotationAngle = static_cast<float>(ParseNumber(d.AngleText));
    BuildWorkingImage();
  }
  if (parts & kPartTransform) {
    pageCoord->ShowTransform();
    if (isCoord()) EnableMeasurementCommands();
  }
  if (parts & kPartMarkers) pageCoord->StringGrid1->FitColumnWidths();
  if (parts & kPartCategories) {
    pageArea->ShowCategoryChooser(pageArea->ComboBoxSort->currentIndex());
    pageArea->StringGridSortClick();
  }
  if (parts & (kPartGroups | kPartCategories | kPartTransform | kPartDecimals)) {
    if (Lines().empty()) {
      pageArea->StringGrid2->SetRowCount(2);
      pageArea->StringGrid2->ClearRow(1);
      state_.IDLine = -1;
    } else {
      state_.IDLine = std::clamp(state_.IDLine, 0, static_cast<int>(Lines().size()) - 1);
      FillPointTable();
    }
    AfterGroupsChanged();
    pageArea->BitBtnCalArea->setEnabled(!Lines().empty());
    pageArea->ButtonEraseArea->setEnabled(!Lines().empty());
  }
  // A transformation taken back leaves nothing to measure with.
  if (state_.isAreaMode && !isCoord()) LeaveMeasurementMode();
  PaintPicture(-1, -1);
}

void TForm1::SetImageFile(const QString& path) {
  doc_.Edit("", kPartImage, [&](DocumentData& d) {
    d.ImageFile = NativePath(path);
    return true;
  });
}

std::vector<TMarker> TForm1::MarkerPositions() const {
  std::vector<TMarker> out;
  for (const DocMarker& m : doc_.Data().Markers) out.push_back({"", m.x, m.y});
  return out;
}

void TForm1::ApplySymbols(const SymbolSettings& s) {
  // The field keeps the chosen style for the session; the document stores the font without it.
  state_.sym.MarkerFont = s.MarkerFont;
  doc_.SetSymbols({s.clFrameMonitorImage, s.clMarker, s.clMarkerFontBackColor, s.clMesh,
                   s.clPresentPoint, s.clRegistPoints, s.clPlusArea, s.clMinusArea, s.clLine},
                  {s.FrameLineWidth, s.GridLineWidth, s.MarkerSize, s.MarkerLineWidth,
                   s.RegistPointSize, s.PointLineWidth},
                  ToFontData(s.MarkerFont, s.MarkerFontColor, s.MarkerFontCharset));
}

void TForm1::ShowSymbols(bool forceFont) {
  const DocumentData& d = doc_.Data();
  const SymbolColors& c = d.Colors;
  SymbolSettings& sym = state_.sym;
  sym.clFrameMonitorImage = c.clFrameMonitorImage;
  sym.clMarker = c.clMarker;
  sym.clMarkerFontBackColor = c.clMarkerFontBackColor;
  sym.clMesh = c.clMesh;
  sym.clPresentPoint = c.clPresentPoint;
  sym.clRegistPoints = c.clRegistPoints;
  sym.clPlusArea = c.clPlusArea;
  sym.clMinusArea = c.clMinusArea;
  sym.clLine = c.clLine;
  sym.FrameLineWidth = d.Sizes.FrameLineWidth;
  sym.GridLineWidth = d.Sizes.GridLineWidth;
  sym.MarkerSize = d.Sizes.MarkerSize;
  sym.MarkerLineWidth = d.Sizes.MarkerLineWidth;
  sym.RegistPointSize = d.Sizes.RegistPointSize;
  sym.PointLineWidth = d.Sizes.PointLineWidth;
  if (forceFont ||
      ToFontData(sym.MarkerFont, d.MarkerFont.Color, d.MarkerFont.Charset) != d.MarkerFont)
    sym.MarkerFont = FromFontData(d.MarkerFont);
  sym.MarkerFontColor = d.MarkerFont.Color;
  sym.MarkerFontCharset = d.MarkerFont.Charset;
}

bool TForm1::EditGroups(const std::string& name,
                        const std::function<bool(std::vector<TLine>&)>& fn) {
  return doc_.Edit(name, kPartGroups, [&](DocumentData& d) { return fn(d.Lines); });
}

void TForm1::UpdateCaption() {
  const QString image = QFileInfo(ImageFile()).fileName();
  const QString project = QFileInfo(state_.ProjectFile).fileName();
  if (!state_.ProjectFile.isEmpty())
    setWindowTitle(state_.ProgName + " - " + project + "/" + image);
  else if (!ImageFile().isEmpty())
    setWindowTitle(state_.ProgName + " - " + image);
  else
    setWindowTitle(state_.ProgName);
}

void TForm1::SetResaveEnabled(bool on) {
  // A project that cannot be written where it is is saved only under a new name.
  on = on && ProjectWritable();
  ToolButtonResaveProject->setEnabled(on);
  ResaveProject->setEnabled(on);
}

namespace {

// Asked on the native bytes, which a path that is no UTF-8 keeps only there.
bool NativeWritable(const QString& path) { return ::access(NativePath(path).c_str(), W_OK) == 0; }

QString NativeFolderOf(const QString& file) {
  const std::filesystem::path folder = std::filesystem::path(NativePath(file)).parent_path();
  return PathFromNative(folder.empty() ? std::string(".") : folder.string());
}

}  // namespace

bool TForm1::ProjectWritable() const {
  // The file is replaced by a new one written beside it, so the folder must take files.
  struct stat st {};
  const bool exists = ::stat(NativePath(state_.ProjectFile).c_str(), &st) == 0;
  return NativeWritable(NativeFolderOf(state_.ProjectFile)) &&
         (!exists || NativeWritable(state_.ProjectFile));
}

QString TForm1::WritableFolderFor(const QString& file) {
  const QString folder = NativeFolderOf(file);
  if (NativeWritable(folder)) return folder;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return documents.isEmpty() ? QDir::homePath() : documents;
}

void TForm1::ResetToEmpty() {
  for (QToolButton* b : {ToolButtonEnlarge, ToolButtonResaveProject, ToolButtonReduce,
                         ToolButtonMarkers, ToolButtonMesh, ToolButtonAreaMode, ToolButtonLeft,
                         ToolButtonRight, ToolButtonUp, ToolButtonDown})
    b->setEnabled(false);
  for (QAction* a : {SaveProject, ResaveProject, PictureSave, C1}) a->setEnabled(false);
  Setting1->setEnabled(false);
  A2->setEnabled(false);
  Setting1->menuAction()->setEnabled(false);
  A2->menuAction()->setEnabled(false);

  pageImage->setEnabled(false);
  ShowImageFormat("");
  pageCoord->setEnabled(false);
  PageControl1->setTabVisible(2, false);
  // Whatever mode came before (the measurement mode hides the coordinate page and its menu item,
  // group input disables the file menu), the empty state is the one of a fresh start.
  PageControl1->setTabVisible(1, true);
  Menu_Coord->setEnabled(true);
  File1->setEnabled(true);
  File1->menuAction()->setEnabled(true);
  for (QAction* a : MenuOpenProject->actions()) a->setEnabled(true);
  ReadImage1->setEnabled(true);
  ToolButtonLoadProject->setEnabled(true);
  ToolButtonLoadImage->setEnabled(true);

  doc_.SetMethod(0);
  doc_.SetScaleUnit(0);
  pageCoord->EditMeshSize->setText("20");

  state_.ProjectFile.clear();
  SetImageFile(QString());
  UpdateCaption();

  state_.isLineInput = state_.isModifyPoint = state_.isProjLoading = state_.isAddPoint = false;
  state_.isCreatedTransFormedBitmap = state_.isMarked = state_.withMesh = state_.isAreaMode = false;
  state_.isPointing = 0;
  UpdateCalculateCommand();
  UpdateUndoCommands();
  ToolButtonMarkers->setChecked(false);
  ToolButtonMesh->setChecked(false);
  ToolButtonAreaMode->setChecked(false);
  SetStatus(3, "");
  view_.factor = 1;

  ShowPage(0);

  pageImage->ResetControls();
  view_.RotationAngle = 0;
  SetStatus(4, "");

  state_.ScaleUnit = pageCoord->ComboBoxScaleUnit->currentText();
  pageCoord->ResetMarkerTable();
  pageArea->ResetPointTable();
  ClearGroups();
  ResetCategories();

  pageCoord->ComboBoxGridMethodChange();
  EditNumDecimalChange();

  // A new document; the look of the overlays and the notes' font stay as they were.
  DocumentData fresh;
  fresh.Colors = doc_.Data().Colors;
  fresh.Sizes = doc_.Data().Sizes;
  fresh.MarkerFont = doc_.Data().MarkerFont;
  fresh.NotesFont = doc_.Data().NotesFont;
  doc_.Reset(std::move(fresh));
  for (int panel : {0, 1, 2, 3}) SetStatus(panel, "");
  Image1->setContextMenuPolicy(Qt::NoContextMenu);
}

void TForm1::EnableImageCommands() {
  for (QAction* a : {SaveProject, PictureSave, C1}) a->setEnabled(true);
  for (QToolButton* b : {ToolButtonEnlarge, ToolButtonReduce, ToolButtonMarkers, ToolButtonLeft,
                         ToolButtonRight, ToolButtonUp, ToolButtonDown})
    b->setEnabled(true);
  pageImage->setEnabled(true);
  pageCoord->setEnabled(true);
  state_.isLineInput = state_.isModifyPoint = state_.isAddPoint = false;
  pageArea->SetSheetVisible(pageArea->TabSheetCalResult, false);
  Setting1->setEnabled(true);
  Setting1->menuAction()->setEnabled(true);
  ShowPage(0);
}

void TForm1::EnableMeasurementCommands() {
  A2->setEnabled(true);
  A2->menuAction()->setEnabled(true);
  ToolButtonMesh->setEnabled(true);
  ToolButtonAreaMode->setEnabled(true);
  pageArea->setEnabled(true);
  pageArea->RadioGroupLineType->setEnabled(true);
}

void TForm1::ClearGroups(const std::string& edit) {
  if (!Lines().empty()) {
    EditGroups(edit, [](std::vector<TLine>& l) {
      l.clear();
      return true;
    });
    pageArea->StringGrid2->SetRowCount(2);
    pageArea->StringGrid2->ClearRow(1);
  }
  state_.IDLine = -1;
}

void TForm1::ResetCategories() {
  doc_.SetCategories(DocumentData{}.Categories);
  pageArea->ShowCategories();
  pageArea->ButtonRegistSortClick();
}

void TForm1::ShowPage(int index) {
  if (PageControl1->currentIndex() == index) {
    PageControl1Change();
    return;
  }
  // Setting the page runs the page-change reaction through the signal.
  PageControl1->setCurrentIndex(index);
}

void TForm1::PageControl1Change() {
  const int page = PageControl1->currentIndex();
  QWidget* holder = nullptr;
  if (page == 0) holder = pageImage->SharedHolder;
  if (page == 1) holder = pageCoord->SharedHolder;
  if (page == 2) holder = pageArea->SharedHolder;
  if (!holder) return;
  if (SharedBox->parentWidget() != holder) {
    SharedBox->setParent(holder);
    holder->layout()->addWidget(SharedBox);
  }
  // The decimal places belong to the coordinate and measurement pages only.
  DecimalsRow->setVisible(page != 0);
  SharedBox->show();
  // Only the coordinate page widens for its table; the others keep their designed width, at
  // which the notes are broken into lines.
  if (page == 1)
    FitPagesTo(*pageCoord->StringGrid1);
  else if (PageControl1->width() != kPagesWidth) {
    PageControl1->setFixedWidth(kPagesWidth);
    centralWidget()->layout()->activate();
  }
  if (page == 2) {
    pageArea->BitBtnCalArea->setEnabled(state_.IDLine >= 0 && !state_.isLineInput);
    pageArea->ButtonEraseArea->setEnabled(state_.IDLine >= 0 && !state_.isLineInput);
  }
}

int TForm1::ViewWidth() const { return Image1->width(); }
int TForm1::ViewHeight() const { return Image1->height(); }

// ---------------------------------------------------------------- start-up and shutdown

void TForm1::FormShow(const QStringList& args) {
  state_.ProgName = AboutBox->ProductName();
  FrmSymbols->SetDefaultGraphics();
  state_.PosListedFile = static_cast<int>(MenuOpenProject->actions().size());
  state_.iniFL = SettingsFilePath();
  AboutBox->SetSettingsFile(
      state_.iniFL,
      SettingsBesideExecutable(state_.iniFL, QCoreApplication::applicationFilePath()));
  ReadSettings();
  BuildRecentMenu();
  ResetToEmpty();
  state_.isAutoTrack = true;
  ToolButtonAutoTrack->setChecked(true);
  HandleCommandLine(args);
  UpdateCaption();
}

void TForm1::HandleCommandLine(const QStringList& given) {
  // "--calculate" before a project opens it as a user would to see its figures: the fit's grid
  // shown, in the measurement mode, calculated.
  QStringList args = given;
  const bool calculate = !args.isEmpty() && args.first() == QLatin1String("--calculate");
  if (calculate) args.removeFirst();
  if (args.join(' ').isEmpty()) return;
  // Counted from the folder the program was started in, which a later save elsewhere and the
  // recent list no longer know.
  // Worked out on the native bytes: Qt would rename a path that is no UTF-8.
  std::error_code ec;
  const std::filesystem::path native(NativePath(args.join(' ')));
  const std::filesystem::path absolute = std::filesystem::absolute(native, ec);
  const QString path = PathFromNative((ec ? native : absolute).lexically_normal().string());
  // A project is known by its content as a picture is, whatever its name says.
  if (UpperExtension(path.toStdString()) == ".PQS" || IsBinaryProjectFile(NativePath(path))) {
    Guard([&] { OpenProjectFile(path); });
    if (calculate && !state_.ProjectFile.isEmpty()) WhenPlaced([this] { ShowMeasured(); });
  } else {
    // Any other file is taken for a picture: one the program cannot read gets the reason and
    // the formats it reads, not an empty window.
    Guard([&] { OpenImageFile(path); });
    state_.LastImageDialogFile = path;
    state_.ProjectFile.clear();
  }
}

void TForm1::ShowMeasured() {
  // The same commands the tool bar and the menu give, each refusing with its own message what
  // it cannot do.
  if (!state_.withMesh && isCoord()) ToolButtonMesh->click();
  if (!state_.isAreaMode) A1->trigger();
  if (state_.isAreaMode) CalculateMenu->trigger();
}

void TForm1::WhenPlaced(const std::function<void()>& step) {
  auto* wait = new QTimer(this);
  wait->setInterval(50);
  connect(wait, &QTimer::timeout, this, [this, wait, step, tries = 0]() mutable {
    const bool placed = windowHandle() && windowHandle()->isExposed() && !placing_;
    if (!placed && ++tries < 100) return;  // at most 5 s, then as it is
    wait->stop();
    wait->deleteLater();
    step();
  });
  wait->start();
}

bool TForm1::ConfirmDiscard(const QString& question) {
  if (!doc_.IsModified()) return true;
  switch (Msg(MsgKind::Warning, question, MsgButtons::YesNoCancel)) {
    case MsgResult::Cancel:
      return false;
    case MsgResult::Yes:
      // A save that is cancelled or fails keeps the unsaved document: stop as with Cancel.
      SaveProjectClick();
      return !doc_.IsModified();
    default:
      return true;
  }
}

void TForm1::C1Click() {
  if (!ConfirmDiscard("プロジェクトファイルが変更されています。\n保存しますか。")) return;
  Image1->ClearPicture();
  Image->ClearPicture();
  ResetToEmpty();
}

void TForm1::Exit1Click() { close(); }

void TForm1::OpenSampleClick() {
  if (!ConfirmDiscard("プロジェクトファイルが変更されています。\n保存しますか。")) return;
  const QString sample = SampleProject();
  if (!QFileInfo(sample).isFile()) {
    Msg(MsgKind::Error, "サンプルが見つかりません。\n" + sample);
    return;
  }
  OpenProjectFile(sample);
}

bool TForm1::FormCloseQuery() {
  // The group being input is no part of the document yet, so it can neither be saved nor
  // dropped in silence: the input is ended first, as for leaving the measurement mode.
  if (state_.isLineInput) {
    Msg(MsgKind::Error, QString::fromUtf8(kMsgGroupInputRunning));
    return false;
  }
  bool ok = true;
  Guard([&] {
    ok = ConfirmDiscard("プロジェクトファイルが変更されています。\n保存してから終了しますか。");
  });
  return ok;
}

void TForm1::closeEvent(QCloseEvent* e) {
  if (!FormCloseQuery()) {
    e->ignore();
    return;
  }
  if (!state_.iniFL.isEmpty()) Guard([this] { WriteSettings(); });
  e->accept();
}

}  // namespace zelko

namespace zelko {

void TForm1::SetPointer(double x, double y) {
  state_.XPre = x;
  state_.YPre = y;
}

void TForm1::SetZoom(double f) {
  view_.factor = f;
  if (BuildWorkingImage()) PaintPicture(view_.Xcent * view_.factor, view_.Ycent * view_.factor);
}

void TForm1::SetMarkersShown(bool on) {
  state_.isMarked = on;
  ToolButtonMarkers->setChecked(on);
}

void TForm1::SetResultTableShown(bool on) { state_.resultTableShown = on; }

void TForm1::SetCurrentGroup(int index) { state_.IDLine = index; }

void TForm1::SetCurrentCategory(int index) { state_.Sortpres = index; }

void TForm1::SetAreaPage(int page) { state_.AreaPage = page; }

void TForm1::BeginPointEdit(bool insert) {
  (insert ? state_.isAddPoint : state_.isModifyPoint) = true;
  UpdateUndoCommands();
}

void TForm1::SetPointing(int step) {
  state_.isPointing = step;
  UpdateUndoCommands();
}

void TForm1::SetUnitCaption(const QString& caption) { state_.ScaleUnit = caption; }

}  // namespace zelko
