// The main window: menu bar, tool bar, status bar, the side pages and the view. It owns the
// document and the window state and offers the operations the pages share.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/dialogs.h"
#include "coords/fit_quality.h"
#include "document/document.h"
#include "document/project_data.h"
#include "document/records.h"
#include "imaging/bitmap.h"
#include "imaging/image_formats.h"
#include "imaging/working_image.h"
#include "measure/tables.h"
#include "measure/uncertainty.h"
#include "render/symbols.h"
#include "render/view_render.h"

class QAction;
class QMenu;
class QTabWidget;
class QToolButton;
class QLineEdit;
class QWidget;
class QBoxLayout;

namespace zelko {

class ViewWidget;
class StringGrid;
class UpDown;
class ImagePage;
class CoordPage;
class AreaPage;
class NotePage;
class TAboutBox;
class TFrmSymbols;
struct WindowImages;

// What the window is doing and what it remembers between commands.
struct WindowState {
  QString ProjectFile;  // the project file open ("" when none)
  TMarker Scale[2];     // the ends of the reference line
  int IDLine = -1;      // the current group
  QString ScaleUnit = "pixels";
  QString frmdata = "0.0";
  QString frmdata2 = "0.00";
  SymbolSettings sym;  // the overlays' look as drawn (the marker font with its session style)
  bool isMarked = false;
  bool isAreaMode = false;
  bool isLineInput = false;
  bool isModifyPoint = false;
  bool isAddPoint = false;
  bool isAutoTrack = false;
  bool isProjLoading = false;
  bool withMesh = false;
  bool isMeshOK = false;
  bool isCreatedTransFormedBitmap = false;
  // The message that the loaded image cannot be adjusted has been shown (once per image).
  bool isBitDepthReported = false;
  int isPointing = 0;  // 1 a reference-length pick, 2 its second end
  int AreaPage = 0;    // the inner page of the measurement page shown
  int NumPoints = -1;
  int idPoint = 0;
  int Sortpres = 0;           // the category chosen for new groups
  double XPre = 0, YPre = 0;  // the image position under the pointer
  bool resultTableShown = false;
  QString appliedDecimals = "1";
  int exportWhat = 0;  // what the last export wrote: result table, point table, geometries
  QString ProgName = "Zelko";
  QString iniFL;
  QStringList ListedFile;  // most recent first, at most 10
  int PosListedFile = 1;
  QString LastImageDialogFile;  // the image last chosen (or named on the command line)
};

// How the image is shown: magnification, the window's place in the working image, sizes.
struct ViewState {
  double factor = 1, factor2 = 1, fmax = 1;
  double XB0 = 0, YB0 = 0;
  int SWidth = 0, SHeight = 0;
  double Xcent = 0, Ycent = 0;
  int BitWidth = 0, BitHeight = 0;
  int QViewWidth = 0, QViewHeight = 0;
  float RotationAngle = 0;
};

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(Dialogs& dialogs, QWidget* parent = nullptr);
  ~TForm1() override;

  // The first-show sequence: defaults, settings, empty state, then the command line.
  void FormShow(const QStringList& args);

  // ---- Document ----
  // The overlays' look: the document's colours, sizes and marker font, set through the document.
  void ApplySymbols(const SymbolSettings& s);
  // The one owner of the measurement document; every change goes in through its edits.
  const Document& Doc() const { return doc_; }
  Document& Doc() { return doc_; }
  // The groups, with their computed length and area.
  const std::vector<TLine>& Lines() const { return doc_.Data().Lines; }
  // An edit of the groups, named as a user would call it; fn returns whether it changed any.
  bool EditGroups(const std::string& name, const std::function<bool(std::vector<TLine>&)>& fn);

  // The image as opened, a full path ("" before one is).
  QString ImageFile() const { return PathFromNative(doc_.Data().ImageFile); }
  // The reference markers: how many, and where they are drawn.
  int NumMarkers() const { return static_cast<int>(doc_.Data().Markers.size()); }
  std::vector<TMarker> MarkerPositions() const;
  // The transformation in force: coefficients, and whether they count as set.
  const std::vector<double>& Cx() const { return doc_.Data().Cx; }
  const std::vector<double>& Cy() const { return doc_.Data().Cy; }
  bool isCoord() const { return doc_.Data().TransformSet; }

  // ---- Window state and view, read-only from outside; changed through the operations ----
  const WindowState& State() const { return state_; }
  const ViewState& View() const { return view_; }
  const WindowImages& Images() const { return *images_; }

  // ---- Shared operations ----
  // The window's state as the pages change it.
  void SetPointer(double x, double y);  // the image position the pointer commands take
  void SetZoom(double f);               // a new magnification, the view kept on its centre
  void SetMarkersShown(bool on);        // the markers drawn, the marker button pressed
  void SetResultTableShown(bool on);
  void SetCurrentGroup(int index);
  void SetCurrentCategory(int index);  // for the groups input next
  void SetAreaPage(int page);          // the inner page of the measurement page now shown
  void BeginPointEdit(bool insert);    // a point move (or insertion) waits for its click
  void SetPointing(int step);          // a reference-length pick: 0 none, 1 and 2 its ends
  void SetUnitCaption(const QString& caption);
  Dialogs& dialogs() { return dialogs_; }
  // Runs a handler under the general error report: an exception's text is shown in an error box.
  void Guard(const std::function<void()>& fn);
  MsgResult Msg(MsgKind kind, const QString& text, MsgButtons buttons = MsgButtons::Ok);

  void DataChanged(bool changed);
  void UpdateCaption();
  void ResetToEmpty();
  void EnableImageCommands();
  void EnableMeasurementCommands();
  // edit: the name of the user's edit; unnamed, the groups go with the document (no undo).
  void ClearGroups(const std::string& edit = {});
  void ResetCategories();
  void PageControl1Change();
  void ShowPage(int index);
  // The window's size at start: the design size, widened for the status panels when needed.
  QSize DesignSize() const;
  void SetStatus(int panel, const QString& text);
  QString Status(int panel) const;
  void PaintPicture(double X, double Y);
  // The view window as the drawing takes it.
  ViewWindow CurrentView() const;
  // The working image (bodies in form_image.cpp).
  bool BuildWorkingImage();
  void OpenImageFile(const QString& path);
  // Decodes an image file, reporting a failure; nothing else changes.
  bool DecodeImage(const QString& path, DecodedImage& out);
  // The message for a damaged image that still decoded, with the decoder's own words.
  static QString DecoderWarning(const std::string& decoderText);
  void OpenDecodedImage(const QString& path, DecodedImage&& decoded);
  // An image opened on its own stands as its orientation tag says: the rotation choice the
  // tag names is chosen as the user would choose it; mirroring is only reported.
  void ApplyOrientation(int orientation);
  // The format and bit depth of the file in the status bar ("" clears it).
  void ShowImageFormat(const QString& text);
  double FitFactor();
  void ApplyImageSettings();
  // Takes a new rotation angle; with markers or points present only after the user agrees (they
  // would sit on other picture content). On refusal the controls show the old angle again.
  bool ConfirmRotation(float requested);
  void RefreshWorkingImage();
  void ShowMemoryStatus();
  void RebuildAndRedraw();
  // A slider step of the adjustments: the view follows once the present step is drawn, with
  // the newest values; a drag never queues one rebuild per value.
  void RequestRebuildAndRedraw();
  // The adjustments, scale, turn and overview size of the working image now.
  WorkingImageSettings CurrentWorkingSettings() const;
  void ReadImage1Click();
  void PictureSaveClick();
  // Coordinates (bodies in form_coords.cpp). Add coordinate-window declarations here.
  bool FitTransformFromTable();
  // Where the fit in force holds: the hull of the markers and the side of a vanishing line.
  FitRegion MarkerRegionNow() const;
  // Refuses (with a message) a point beyond the projective fit's vanishing line.
  bool PointHasPhysicalPlace(double x, double y);
  void ToolButtonMeshClick();
  void ToolButtonMarkersClick();
  // Right-click on the view opens viewMenu_ (the marker menu, or the point menu while the point
  // table holds points).
  void ConnectViewMenu();
  void ViewMenuRequested(const QPoint& globalPos);
  // Measurement (bodies in form_measure.cpp). Add measurement-window declarations here.
  void ToolButtonAreaModeClick();
  bool LeaveMeasurementMode();
  void EnterMeasurementMode();
  void FillPointTable();
  // The result table from the groups' stored lengths and areas, with the 「±」 columns when
  // ShowUncertainty is checked.
  void FillResultTable();
  // The transformation's and the clicks' uncertainty as the document stands (kept until the
  // transformation or the markers change).
  const UncertaintyModel& UncertaintyNow();
  // The toggle of the result and point tables' menus that shows the 「±」 columns and the ± of
  // the status bar; off when the window opens.
  QAction* ShowUncertainty = nullptr;
  void FillGroupTableAndChooser();
  void FillGroupTable();
  void SelectGroup(int i);
  void DeleteGroupAt(int g);
  void RefreshPointTableAfterGroupDeletion();
  void AfterGroupsChanged();
  void UpdateGroupCommands();
  bool SelectedPoint();
  // The point of the point table's current row, when the row is one (not the blank last row).
  std::optional<PointRef> SelectedPointRef() const;
  zelko::GroupDrawing GroupHighlight();
  void ButtonSetAreaClick();
  void SetInputControlsEnabled(bool on);
  void TakeNewPoint();
  void EraseOnePointClick();
  void ButtonEraseAreaClick();
  void DrawGroupLabels();
  void BitBtnCalAreaClick();
  bool CompletePointMove();
  bool CompletePointInsert();
  void DeletePointClick();
  void ReferenceLinePick();
  void SetViewMenu(QMenu* menu);
  void CopyTableText(const StringGrid& table);
  int Method() const;
  int Unit() const;
  int Decimals() const;
  const std::vector<std::string>& CategoryNames() const;
  void SetOriginalImage(Bitmap&& bitmap);
  QMenu* viewMenu_ = nullptr;
  void StatusBar1Click();
  // Esc: ends a reference-line pick, a point move or a point insertion without a click.
  void CancelPointingClick();
  void EditNumDecimalChange();
  // Leaving the decimal-places field with no number in it puts back the one in force.
  void EditNumDecimalExit();
  // The view (bodies in form_view.cpp).
  void Image1MouseDown(Qt::MouseButton button, int x, int y);
  void Image1MouseMove(int x, int y);
  void Image1DblClick();
  void ImageMouseDown(int x, int y);
  void ToolButtonEnlargeClick();
  void ToolButtonReduceClick();
  void Pan(int direction);  // 0 left, 1 right, 2 down, 3 up
  void ToolButtonAutoTrackClick();
  void FormResize();
  bool WheelZoom(int delta);
  // Draws the grid onto the view picture; false when the drawing failed as a whole.
  bool DrawGrid(QImage& picture);
  QString SettingsFilePath() const;
  // Width and height of the main view.
  int ViewWidth() const;
  int ViewHeight() const;

  // Commands of the file menu.
  void P1Click();
  void SaveProjectClick();
  void ResaveProjectClick();
  void C1Click();
  void Exit1Click();
  // The help menu's "サンプルを開く": the field sample that comes with the program.
  void OpenSampleClick();
  void OpenProjectFile(const QString& path);
  // The project can be written where it is (false for one opened from a folder the user
  // cannot write, such as the installed samples).
  bool ProjectWritable() const;
  // The file's folder when the user can write it, else the user's documents folder.
  static QString WritableFolderFor(const QString& file);
  bool WriteProject(const QString& path);
  bool ReadProject(const QString& path);
  bool ReadKeyedTextProject(const QString& path);
  // The document as a project file holds it; strict: texts that must be numbers are checked,
  // and one that is not gives false with the reason in *why (Japanese).
  bool CollectProject(const QString& path, ProjectData& d, bool strict, std::string* why = nullptr);
  // The read record becomes the document (d is left moved from); the window refreshes once.
  void ApplyProject(ProjectData& d, const QString& image, Bitmap&& decoded, bool keyedText);
  void ProjectLoaded(const QString& path);
  void ListedFileClick(int index);
  void AddRecentProject();
  void BuildRecentMenu();
  void ReadSettings();
  void WriteSettings();
  // Puts the window's outer rectangle, frame included, at outer.
  void PlaceFrame(const QRect& outer);
  // The pages widen to show every column of the table (the marker table with its residuals)
  // and narrow again with it.
  void FitPagesTo(const StringGrid& table);
  static constexpr int kPagesWidth = 431;     // the pages' width as designed
  static constexpr int kNarrowestView = 360;  // what a wider page leaves the picture at least
  // The export of results as files (body in form_export.cpp).
  void ExportResultsClick();
  void UpdateExportEnabled();

  // Commands of the edit menu: take back the last edit, make it again. Refused while a group
  // input, a point move or insertion or a reference pick is under way.
  void UndoClick();
  void RedoClick();
  // The commands' enabled states and captions follow the history and the window's mode.
  void UpdateUndoCommands();

  // Asks the save question before the document is replaced. False: stop (Cancel, or a save
  // after "Yes" that did not succeed).
  bool ConfirmDiscard(const QString& question);

  // ---- Controls ----
  QMenu* File1 = nullptr;
  QMenu* MenuOpenProject = nullptr;
  QMenu* Edit1 = nullptr;
  QMenu* Setting1 = nullptr;
  QMenu* A2 = nullptr;  // "解析(&A)"
  QMenu* Help1 = nullptr;
  QAction* P1 = nullptr;
  QAction* SaveProject = nullptr;
  QAction* ResaveProject = nullptr;
  QAction* ReadImage1 = nullptr;
  QAction* PictureSave = nullptr;
  QAction* ExportResults = nullptr;
  QAction* C1 = nullptr;
  QAction* Exit1 = nullptr;
  QAction* Undo1 = nullptr;
  QAction* Redo1 = nullptr;
  QAction* I2 = nullptr;
  QAction* Menu_Coord = nullptr;
  QAction* SetSymbols = nullptr;
  QAction* A1 = nullptr;
  QAction* CalculateMenu = nullptr;  // "計算(&C)", the measurement page's button by key
  QAction* CancelPointing = nullptr;
  QToolButton* ToolButtonLoadProject = nullptr;
  QToolButton* ToolButtonResaveProject = nullptr;
  QToolButton* ToolButtonUndo = nullptr;
  QToolButton* ToolButtonRedo = nullptr;
  QToolButton* ToolButtonLoadImage = nullptr;
  QToolButton* ToolButtonMarkers = nullptr;
  QToolButton* ToolButtonMesh = nullptr;
  QToolButton* ToolButtonAreaMode = nullptr;
  QToolButton* ToolButton7 = nullptr;
  QToolButton* ToolButtonEnlarge = nullptr;
  QToolButton* ToolButtonReduce = nullptr;
  QToolButton* ToolButtonLeft = nullptr;
  QToolButton* ToolButtonRight = nullptr;
  QToolButton* ToolButtonDown = nullptr;
  QToolButton* ToolButtonUp = nullptr;
  QToolButton* ToolButtonAutoTrack = nullptr;
  QLabel* Panels[6] = {};
  QTabWidget* PageControl1 = nullptr;
  ViewWidget* Image1 = nullptr;
  ViewWidget* Image = nullptr;  // the overview
  QLineEdit* EditNumDecimal = nullptr;
  UpDown* UpDown2 = nullptr;
  QWidget* SharedBox = nullptr;
  QWidget* DecimalsRow = nullptr;  // overview and decimals, moved to the shown page

  ImagePage* pageImage = nullptr;
  CoordPage* pageCoord = nullptr;
  zelko::AreaPage* pageArea = nullptr;
  NotePage* pageNote = nullptr;
  TAboutBox* AboutBox = nullptr;
  TFrmSymbols* FrmSymbols = nullptr;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void BuildPages();
  // A tool button that runs onClick; with mode, a toggle whose state always shows mode().
  QToolButton* AddToolButton(const QString& name, const QString& hint, const QString& icon,
                             const std::function<void()>& onClick,
                             const std::function<bool()>& mode = {});
  QAction* AddAction(QMenu* menu, const QString& name, const QString& caption,
                     const std::function<void()>& onClick);
  void HandleCommandLine(const QStringList& args);
  // The project as measured: the fit's grid shown, the measurement mode, calculated.
  void ShowMeasured();
  // Runs step once the window is on the screen and placed: the calculation's fills last only
  // until the view's next repaint, which the window's first placement would be.
  void WhenPlaced(const std::function<void()>& step);
  bool placing_ = false;  // the stored placement waits for the window's frame
  void SetResaveEnabled(bool on);
  bool FormCloseQuery();

  // The document's observer: the change mark and the views of what an edit touched.
  void DocumentChanged(const DocumentChange& change);
  std::optional<UncertaintyModel> uncertainty_;
  // After an undo or redo and when a project is opened: what follows from the parts (the working
  // image, the tables, the transformation's captions and commands) is brought in line, and the view
  // redrawn.
  void RefreshFromDocument(unsigned parts);
  bool UndoBlocked() const;
  // The calculation can run: the measurement mode is on and its button enabled.
  bool CalculationOffered() const;
  void UpdateCalculateCommand();
  // sym follows the document; forceFont: the marker font is set again even where only its
  // style differs.
  void ShowSymbols(bool forceFont);
  // The opened image becomes the document's.
  void SetImageFile(const QString& path);

  Document doc_;
  WindowState state_;
  ViewState view_;
  std::unique_ptr<WindowImages> images_;
  bool rebuildRequested_ = false;
  Dialogs& dialogs_;
  std::vector<QAction*> recentActions_;
  bool closeAccepted_ = false;
  int wheelAngle_ = 0;  // wheel turn not yet amounting to a notch
  // The groups' extents for the repaint, worked out again after the groups change.
  std::vector<GroupBox> groupBoxes_;
  bool groupBoxesStale_ = true;
};

}  // namespace zelko
