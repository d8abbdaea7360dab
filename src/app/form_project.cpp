// Opening, saving and overwriting projects: the window side of the project file.
#include <QFileInfo>
#include <QLineEdit>
#include <QTabWidget>
#include <optional>
#include <stdexcept>

#include "app/area_page.h"
#include "app/coord_page.h"
#include "app/failure_text.h"
#include "app/form.h"
#include "app/image_page.h"
#include "app/note_page.h"
#include "app/window_images.h"
#include "coords/transform.h"
#include "document/cp932.h"
#include "document/image_path.h"
#include "document/keyed_text_project.h"
#include "document/numbers.h"
#include "document/project_data.h"
#include "document/project_file.h"
#include "imaging/image_file.h"

namespace zelko {

namespace {

std::string S(const QString& s) { return s.toStdString(); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

const char* kReadFailed = "プロジェクトファイルの読み込みに失敗しました。";
const char* kWriteFailed = "プロジェクトファイルの書き込みに失敗しました。";

// A file that is a project of one form but cannot be opened. It ends the open with its own
// message alone (none when that has been shown already): the file is no stranger, so neither
// the other reader nor "not a project file" has anything to add.
class ProjectOpenFailed : public std::runtime_error {
 public:
  explicit ProjectOpenFailed(const QString& message = {})
      : std::runtime_error(message.toStdString()) {}
};

// The image a project names; nullopt when it cannot be decoded, which the readers report as a
// read failure of the project.
// The project's own rotation wins over the file's orientation tag.
std::optional<DecodedImage> DecodeProjectImage(const QString& path) {
  try {
    return zelko::LoadImage(S(path), MachineDecodeLimits());
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The path with its extension replaced (or appended).
QString WithExtension(const QString& path, const QString& ext) {
  const QFileInfo fi(path);
  const QString name = fi.fileName();
  const int dot = name.lastIndexOf('.');
  const QString base = dot < 0 ? name : name.left(dot);
  const QString folder = path.left(path.size() - name.size());
  return folder + base + ext;
}

}  // namespace

// ---------------------------------------------------------------- writing

bool TForm1::CollectProject(const QString& path, ProjectData& d, bool strict) {
  std::string error;
  const bool ok = ToProjectData(doc_.Data(), FolderOf(S(path)), pageNote->DisplayedLines(),
                                strict, &d, &error);
  // Not strict (the values a keyed-text file leaves out): an angle that is no number is the one
  // in force.
  if (!strict && !AngleFromText(doc_.Data().AngleText)) d.Angle = RotationAngle;
  // A group still being input joins the document only when its input ends.
  if (isLineInput && !d.Lines.empty()) d.Lines.pop_back();
  return ok || !strict;
}

bool TForm1::WriteProject(const QString& path) {
  ProjectData d;
  Failure failure;
  bool ok = CollectProject(path, d, true);
  if (ok && !FitsCp932(d.ImagePath)) {
    // Stored with "?" in place of a letter, the path would name no file: nothing is written.
    Msg(MsgKind::Error,
        "画像ファイル " + ImageFile() +
            " のパスには、プロジェクトファイルに保存できない文字が含まれています。\n"
            "フォルダ名とファイル名を変えてから保存して下さい。");
    return false;
  }
  if (ok) ok = WriteProjectFile(S(path), d, &failure);
  if (!ok) {
    Msg(MsgKind::Error, WithReason(kWriteFailed, failure));
    return false;
  }
  if (!Cx().empty()) {
    // What was saved counts as a set transformation from now on.
    doc_.SetTransform(Cx(), Cy(), true);
    pageCoord->GroupBoxMesh->setTitle("座標変換（設定済み）");
    EnableMeasurementCommands();
  }
  doc_.MarkSaved();
  return true;
}

// ---------------------------------------------------------------- reading

// False only for a file without a binary header, which the keyed-text reader may know; a binary
// project that cannot be opened throws ProjectOpenFailed.
bool TForm1::ReadProject(const QString& path) {
  // Everything is parsed and the image decoded before any control changes, so a bad file
  // leaves the open document as it was.
  ProjectReadResult read = ReadProjectFile(S(path));
  if (read.Status == ProjectReadStatus::NotProject) return false;
  if (read.Status == ProjectReadStatus::Failed)
    throw ProjectOpenFailed(WithReason(kReadFailed, read.Error));
  ProjectData& d = read.Data;
  const std::string folder = FolderOf(S(path));
  QString image;
  if (auto found = ResolveStoredImagePath(folder, d.ImagePath)) {
    image = Q(*found);
  } else {
    const QString name = Q(FileNameOf(ToNativePath(d.ImagePath)));
    Msg(MsgKind::Error, "画像ファイル " + name + " がみつかりません。\nファイルを指定して下さい。");
    image = dialogs().OpenFile("画像ファイル", "画像ファイル (" + name + ")", Q(folder) + name);
    if (image.isEmpty()) throw ProjectOpenFailed();
  }
  std::optional<DecodedImage> decoded = DecodeProjectImage(image);
  if (!decoded) throw ProjectOpenFailed(kReadFailed);
  ShowImageFormat(Q(decoded->format + " " + decoded->depth));
  ApplyProject(d, image, std::move(decoded->bitmap), false);
  ProjectLoaded(path);
  doc_.MarkSaved();
  if (d.NeedsRewrite()) {
    // An older file becomes a current one; the original survives a failed write.
    if (!WriteProject(path)) doc_.MarkUnsaved();
  }
  return true;
}

void TForm1::ApplyProject(ProjectData& d, const QString& image, Bitmap&& decoded,
                          bool keyedText) {
  // Step by step into the controls, in the order the reactions expect.
  SetImageFile(image);
  SetOriginalImage(std::move(decoded));
  EnableImageCommands();

  // The adjustments as the file holds them; the controls show them.
  doc_.Edit("", kPartAdjustments, [&](DocumentData& doc) {
    AdjustmentsFromProjectData(d, &doc);
    return true;
  });
  pageImage->EditAngleBox->setVisible(doc_.Data().AngleChoice == 4);
  RotationAngle = static_cast<float>(ParseNumber(doc_.Data().AngleText));
  BuildWorkingImage();

  doc_.SetMethod(std::clamp(d.Method, 0, 5));
  const int expected = CoefficientCount(Method());
  doc_.SetMeshSize(d.MeshSize);
  doc_.SetScaleUnit(std::clamp(d.ScaleUnit, 0, 6));
  pageCoord->ComboBoxGridMethodChange();
  pageCoord->ComboBoxScaleUnitChange();

  doc_.Edit("", kPartMarkers, [&](DocumentData& doc) {
    doc.Markers = MarkersFromRecords(d.Markers);
    return true;
  });
  StringGrid* g1 = pageCoord->StringGrid1;
  // The table shows the read markers and nothing typed before.
  g1->SetRowCount(std::max(2, NumMarkers() + 1));
  if (NumMarkers() == 0) {
    g1->ClearRow(1);
    g1->SetCell(0, 1, "1");
  }

  if (!d.Cx.empty()) {
    // The keyed-text form counts any coefficients as a set transformation.
    doc_.SetTransform(d.Cx, d.Cy, keyedText || static_cast<int>(d.Cx.size()) == expected);
    pageCoord->GroupBoxMesh->setTitle(isCoord() ? "座標変換（設定済み）" : "座標変換");
    EnableMeasurementCommands();
  }

  doc_.SetNumDecimal(d.NumDecimal);
  if (auto n = TryParseInteger(d.NumDecimal)) UpDown2->SetPositionSilently(static_cast<int>(*n));

  if (d.Lines.empty()) {
    ClearGroups();
  } else {
    // The read points move into the document: a large project is not held twice.
    EditGroups("", [&](std::vector<TLine>& l) {
      l = std::move(d.Lines);
      return true;
    });
    FillPointTable();
  }
  g1->FitColumnWidths();
  pageArea->StringGrid2->FitColumnWidths();

  // The current group belongs to the document being replaced; every form starts at the first.
  IDLine = Lines().empty() ? -1 : 0;
  if (d.HasCategories) {
    doc_.SetCategories(d.Categories);
    pageArea->ShowCategories();
    pageArea->ButtonRegistSortClick();
  } else {
    ResetCategories();
  }

  SymbolSizes sizes = d.Sizes;
  if (!d.HasPointLineWidth) sizes.PointLineWidth = doc_.Data().Sizes.PointLineWidth;
  doc_.SetSymbols(d.Colors, sizes, d.HasMarkerFont ? d.MarkerFont : doc_.Data().MarkerFont);
  // A style the marker font kept for the session is not the stored font's.
  if (d.HasMarkerFont) ShowSymbols(true);
  if (d.HasNotesFont) {
    doc_.SetNotesFont(d.NotesFont);
    // A style the field kept for the session is not the stored font's.
    pageNote->Refresh(true);
  }
  if (d.HasNotes) {
    std::string notes;
    for (std::size_t i = 0; i < d.Notes.size(); ++i) notes += (i ? "\n" : "") + d.Notes[i];
    doc_.SetNotes(notes);
  }
}

// False when the file names no image, so it is no project of this form either. A file that
// names its image but whose image is missing or that cannot be read throws ProjectOpenFailed;
// nothing has changed by then.
bool TForm1::ReadKeyedTextProject(const QString& path) {
  const KeyedTextReadResult read = ReadKeyedTextProjectFile(S(path));
  if (!read.Data.HasImageFile) return false;
  const std::string folder = FolderOf(S(path));
  const QString candidate = Q(KeyedTextImageCandidate(folder, read.Data.ImageFile));
  if (!QFileInfo(candidate).isFile()) throw ProjectOpenFailed("画像ファイルがみつかりません。");
  ProjectData current, d;
  CollectProject(path, current, false);
  if (!read.Ok) throw ProjectOpenFailed(WithReason(kReadFailed, read.Error));
  std::string error;
  if (!KeyedTextToProjectData(read.Data, current, &d, &error)) throw ProjectOpenFailed(kReadFailed);
  std::optional<DecodedImage> decoded = DecodeProjectImage(candidate);
  if (!decoded) throw ProjectOpenFailed(kReadFailed);
  d.HasCategories = false;
  // Without coefficients the transformation stays as the method change leaves it; the open
  // document's coefficients must not come back as a set transformation.
  if (read.Data.NumParameters <= 0) {
    d.Cx.clear();
    d.Cy.clear();
  }
  // The form holds no fonts and no notes: they stay exactly as they are (style and line breaks
  // included), not as a round trip through the binary record would leave them.
  d.HasMarkerFont = d.HasNotesFont = d.HasNotes = false;
  ShowImageFormat(Q(decoded->format + " " + decoded->depth));
  ApplyProject(d, candidate, std::move(decoded->bitmap), true);
  // The keyed-text file is replaced by the current layout; a failed write keeps it as it was.
  const bool converted = WriteProject(path);
  if (converted) Msg(MsgKind::Information, "プロジェクトファイルを更新しました。");
  PaintPicture(-1, -1);
  ProjectLoaded(path);
  if (converted)
    doc_.MarkSaved();
  else
    doc_.MarkUnsaved();
  return true;
}

void TForm1::ProjectLoaded(const QString& path) {
  // The opened document starts with nothing to take back.
  doc_.ClearHistory();
  UpdateUndoCommands();
  ProjectFile = path;
  UpdateCaption();
  SetResaveEnabled(true);
  AddRecentProject();
  AfterGroupsChanged();
  NumPoints = -1;
  PaintPicture(-1, -1);
}

void TForm1::OpenProjectFile(const QString& path) {
  if (isAreaMode && !LeaveMeasurementMode()) return;
  isProjLoading = true;
  bool ok = false;
  try {
    ok = ReadProject(path) || ReadKeyedTextProject(path);
  } catch (const ProjectOpenFailed& e) {
    isProjLoading = false;
    if (*e.what()) Msg(MsgKind::Error, QString::fromUtf8(e.what()));
    return;
  } catch (...) {
    isProjLoading = false;
    throw;
  }
  if (!ok) Msg(MsgKind::Error, "Zelkoのプロジェクトファイルではありません。");
  isProjLoading = false;
}

// ---------------------------------------------------------------- commands

void TForm1::P1Click() {
  if (!ConfirmDiscard("プロジェクトファイルが変更されています。\n保存しますか。")) return;
  const QString path = dialogs().OpenFile("プロジェクトを開く", "Project files (*.pqs *.PQS)",
                                          QFileInfo(ProjectFile).absolutePath());
  if (!path.isEmpty()) OpenProjectFile(path);
}

void TForm1::SaveProjectClick() {
  QString preset;
  if (!ProjectFile.isEmpty())
    preset = ProjectFile;
  else if (!LastImageDialogFile.isEmpty())
    preset = WithExtension(LastImageDialogFile, ".pqs");
  const QString chosen =
      dialogs().SaveFile("名前をつけてプロジェクトを保存", "Project files (*.pqs *.PQS)", preset);
  if (chosen.isEmpty()) return;
  const QString target = WithExtension(chosen, ".pqs");
  if (QFileInfo::exists(target) &&
      Msg(MsgKind::Warning, "同名のファイルがあります。\n上書きしてよろしいですか。",
          MsgButtons::YesNo) != MsgResult::Yes)
    return;
  // The old file is replaced only once the new one is complete.
  if (!WriteProject(target)) return;
  ProjectFile = target;
  WriteSettings();
  UpdateCaption();
  AddRecentProject();
  // The file now exists, so overwriting it is possible; not while a group is still being input.
  if (!isLineInput) SetResaveEnabled(true);
}

void TForm1::ResaveProjectClick() {
  if (!QFileInfo::exists(ProjectFile)) {
    Msg(MsgKind::Warning, "プロジェクトファイルがありません。");
    return;
  }
  if (WriteProject(ProjectFile)) WriteSettings();
}

}  // namespace zelko
