// Opening, saving and overwriting projects: the window side of the project file.
#include <sys/stat.h>

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
#include "coords/simple_methods.h"
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

// Paths keep their native bytes, also those that are no UTF-8.
std::string S(const QString& s) { return NativePath(s); }
QString Q(const std::string& s) { return PathFromNative(s); }

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

bool TForm1::CollectProject(const QString& path, ProjectData& d, bool strict, std::string* why) {
  std::string error;
  const bool ok =
      ToProjectData(doc_.Data(), FolderOf(S(path)), pageNote->DisplayedLines(), strict, &d, &error);
  // Not strict (the values a keyed-text file leaves out): an angle that is no number is the one
  // in force.
  if (!strict && !AngleFromText(doc_.Data().AngleText)) d.Angle = view_.RotationAngle;
  // A group still being input joins the document only when its input ends.
  if (state_.isLineInput && !d.Lines.empty()) d.Lines.pop_back();
  if (!ok && why) *why = error;
  return ok || !strict;
}

bool TForm1::WriteProject(const QString& path) {
  ProjectData d;
  Failure failure;
  std::string why;
  if (!CollectProject(path, d, true, &why)) {
    Msg(MsgKind::Error, QString(kWriteFailed) + "\n" + Q(why) + "。");
    return false;
  }
  bool ok = true;
  if (ok && !FitsCp932(d.ImagePath)) {
    // Stored with "?" in place of a letter, the path would name no file: nothing is written.
    Msg(MsgKind::Error,
        "画像ファイル " + ImageFile() +
            " のパスには、プロジェクトファイルに保存できない文字が含まれています。\n"
            "フォルダー名とファイル名を変えてから保存して下さい。");
    return false;
  }
  if (ok) ok = WriteProjectFile(S(path), d, &failure);
  if (!ok) {
    Msg(MsgKind::Error, WithReason(kWriteFailed, failure));
    return false;
  }
  // What was saved counts as a set transformation from now on, as it will when the file is
  // opened again: coefficients of the method's own count. That follows from the save; it is no
  // edit, so the history stays as it was.
  if (!Cx().empty() && static_cast<int>(Cx().size()) == CoefficientCount(Method())) {
    doc_.Recompute(kPartTransform, [](DocumentData& data) {
      if (data.TransformSet) return false;
      data.TransformSet = true;
      return true;
    });
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

void TForm1::ApplyProject(ProjectData& d, const QString& image, Bitmap&& decoded, bool keyedText) {
  const bool markerFont = d.HasMarkerFont, notesFont = d.HasNotesFont;
  // The read points move into the document: a large project is not held twice.
  DocumentData doc = FromProjectData(std::move(d), S(image), doc_.Data(), keyedText);
  const bool stored = !doc.Cx.empty();
  // The current group belongs to the document being replaced; every form starts at the first.
  state_.IDLine = doc.Lines.empty() ? -1 : 0;
  // The view's scale follows the new image as the new rotation turns it.
  view_.RotationAngle = static_cast<float>(ParseNumber(doc.AngleText));
  SetOriginalImage(std::move(decoded));

  // The whole document at once; its observer refreshes each control, and what follows from
  // the parts (the working image, captions, tables, commands) is worked out once below.
  doc_.Reset(std::move(doc));
  EnableImageCommands();
  RefreshFromDocument(kPartAll);
  if (doc_.Data().Method == tmNone && !stored) {
    // Without stored coefficients "無変換" is worked out for this image, not yet set.
    const auto c = NoTransformCoefficients(view_.BitHeight, view_.factor);
    doc_.Recompute(kPartTransform, [&](DocumentData& data) {
      data.Cx = c.Cx;
      data.Cy = c.Cy;
      return true;
    });
  }
  if (stored) {
    // Stored coefficients can be measured with, set or not; the caption tells which.
    pageCoord->GroupBoxMesh->setTitle(isCoord() ? "座標変換（設定済み）" : "座標変換");
    EnableMeasurementCommands();
  }
  if (auto n = TryParseInteger(doc_.Data().NumDecimal))
    UpDown2->SetPositionSilently(static_cast<int>(*n));
  StringGrid* g1 = pageCoord->StringGrid1;
  g1->SetRowCount(std::max(2, NumMarkers() + 1));
  if (NumMarkers() == 0) {
    g1->ClearRow(1);
    g1->SetCell(0, 1, "1");
  }
  g1->FitColumnWidths();
  pageArea->StringGrid2->FitColumnWidths();
  // A style the marker font or the notes field kept for the session is not the stored font's.
  if (markerFont) ShowSymbols(true);
  if (notesFont) pageNote->Refresh(true);
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
  state_.ProjectFile = path;
  UpdateCaption();
  SetResaveEnabled(true);
  AddRecentProject();
  AfterGroupsChanged();
  state_.NumPoints = -1;
  PaintPicture(-1, -1);
}

void TForm1::OpenProjectFile(const QString& path) {
  if (state_.isAreaMode && !LeaveMeasurementMode()) return;
  state_.isProjLoading = true;
  bool ok = false;
  try {
    ok = ReadProject(path) || ReadKeyedTextProject(path);
  } catch (const ProjectOpenFailed& e) {
    state_.isProjLoading = false;
    if (*e.what()) Msg(MsgKind::Error, QString::fromUtf8(e.what()));
    return;
  } catch (...) {
    state_.isProjLoading = false;
    throw;
  }
  if (!ok) Msg(MsgKind::Error, "Zelkoのプロジェクトファイルではありません。");
  state_.isProjLoading = false;
}

// ---------------------------------------------------------------- commands

void TForm1::P1Click() {
  if (!ConfirmDiscard("プロジェクトファイルが変更されています。\n保存しますか。")) return;
  const QString path =
      dialogs().OpenFile("プロジェクトを開く", "プロジェクトファイル (*.pqs *.PQS)",
                         QFileInfo(state_.ProjectFile).absolutePath());
  if (!path.isEmpty()) OpenProjectFile(path);
}

void TForm1::SaveProjectClick() {
  QString preset;
  if (!state_.ProjectFile.isEmpty())
    preset = state_.ProjectFile;
  else if (!state_.LastImageDialogFile.isEmpty())
    preset = WithExtension(state_.LastImageDialogFile, ".pqs");
  // A project from a folder the user cannot write (an installed sample) is offered a copy in
  // the user's own documents.
  if (!preset.isEmpty()) preset = WritableFolderFor(preset) + "/" + QFileInfo(preset).fileName();
  const QString chosen = dialogs().SaveFile("名前をつけてプロジェクトを保存",
                                            "プロジェクトファイル (*.pqs *.PQS)", preset);
  if (chosen.isEmpty()) return;
  const QString target = WithExtension(chosen, ".pqs");
  if (QFileInfo::exists(target) &&
      Msg(MsgKind::Warning, "同名のファイルがあります。\n上書きしてよろしいですか。",
          MsgButtons::YesNo) != MsgResult::Yes)
    return;
  // The old file is replaced only once the new one is complete.
  if (!WriteProject(target)) return;
  state_.ProjectFile = target;
  WriteSettings();
  UpdateCaption();
  AddRecentProject();
  // The file now exists, so overwriting it is possible; not while a group is still being input.
  if (!state_.isLineInput) SetResaveEnabled(true);
}

void TForm1::ResaveProjectClick() {
  struct stat st {};
  if (::stat(S(state_.ProjectFile).c_str(), &st) != 0) {
    Msg(MsgKind::Warning, "プロジェクトファイルがありません。");
    return;
  }
  if (WriteProject(state_.ProjectFile)) WriteSettings();
}

}  // namespace zelko
