// The export of results as files: the window side of measure/export.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <algorithm>
#include <vector>

#include "app/failure_text.h"
#include "app/form.h"
#include "document/file_io.h"
#include "measure/calculation.h"
#include "measure/export.h"

namespace zelko {

namespace {

struct ExportChoice {
  ExportFormat format;
  const char* filter;
  const char* extension;
  const char* otherExtension = nullptr;
};

const ExportChoice kFormats[] = {
    {ExportFormat::Csv, "CSV (コンマ区切り) (*.csv)", ".csv"},
    {ExportFormat::Tsv, "TSV (タブ区切り) (*.tsv *.txt)", ".tsv", ".txt"},
    {ExportFormat::Json, "JSON (*.json)", ".json"},
    {ExportFormat::GeoJson, "GeoJSON (*.geojson)", ".geojson"},
};

// The format a file name's extension names, if any.
const ExportChoice* ChoiceOfName(const QString& path) {
  const QString ext = "." + QFileInfo(path).suffix().toLower();
  for (const ExportChoice& f : kFormats)
    if (ext == f.extension || (f.otherExtension && ext == f.otherExtension)) return &f;
  return nullptr;
}

// Captions of the contents, in the order of ExportContent.
const char* const kContents[] = {"結果表", "点の表", "図形"};

QString ExportMessage(const ExportText& out) {
  switch (out.status) {
    case ExportStatus::NoTransform:
      return kMsgNoTransform;
    case ExportStatus::NotDegreeUnit:
      return "GeoJSON で書き出せるのは、単位が「度」のときだけです。";
    case ExportStatus::NotOffered:
      return "図形は JSON か GeoJSON で書き出して下さい。";
    case ExportStatus::Unreliable:
      return "座標の値が有限でないか、大きすぎるか、緯度が-90度から90度の範囲を外れているため、"
             "書き出せません。\n変換式の係数と点の座標を確かめて下さい。";
    case ExportStatus::Done:
      break;
  }
  return {};
}

}  // namespace

void TForm1::UpdateExportEnabled() {
  if (!ExportResults) return;
  ExportResults->setEnabled(!ImageFile().isEmpty() && !Lines().empty() &&
                            File1->menuAction()->isEnabled());
}

void TForm1::ExportResultsClick() {
  // A group still being input belongs to no table yet.
  if (state_.isLineInput || Lines().empty()) return;
  QStringList contents;
  for (const char* c : kContents) contents << c;
  const int what =
      dialogs_.ChooseItem("結果のエクスポート", "書き出す内容：", contents, state_.exportWhat);
  if (what < 0) return;
  state_.exportWhat = what;
  const auto content = static_cast<ExportContent>(what);

  std::vector<const ExportChoice*> offered;
  QStringList filters;
  for (const ExportChoice& f : kFormats)
    if (ExportOffered(content, f.format, Unit())) {
      offered.push_back(&f);
      filters << f.filter;
    }
  const QFileInfo source(state_.ProjectFile.isEmpty() ? ImageFile() : state_.ProjectFile);
  const QString preset = WritableFolderFor(source.absoluteFilePath()) + "/" +
                         source.completeBaseName() + "_" + contents[what] +
                         offered.front()->extension;
  int filterIndex = 0;
  QString path = dialogs_.SaveFile("結果のエクスポート", filters.join(";;"), preset, &filterIndex);
  if (path.isEmpty()) return;
  const ExportChoice* chosen =
      offered[static_cast<std::size_t>(std::clamp<int>(filterIndex, 0, offered.size() - 1))];
  if (QFileInfo(path).suffix().isEmpty()) path += chosen->extension;
  // A typed extension that names a format says what the file is, whatever the filter shows.
  if (const ExportChoice* named = ChoiceOfName(path)) chosen = named;
  const ExportChoice& choice = *chosen;
  if (!ExportOffered(content, choice.format, Unit())) {
    ExportText refused;
    refused.status = choice.format == ExportFormat::GeoJson ? ExportStatus::NotDegreeUnit
                                                            : ExportStatus::NotOffered;
    Msg(MsgKind::Error, ExportMessage(refused));
    return;
  }
  if (QFileInfo::exists(path) &&
      Msg(MsgKind::Warning, "同名のファイルがあります。\n上書きしてよろしいですか。",
          MsgButtons::YesNo) != MsgResult::Yes)
    return;

  // Lengths and areas out of date are worked out first, in the window as "計算" does.
  if (content != ExportContent::Points && state_.isAreaMode && !state_.resultTableShown) {
    BitBtnCalAreaClick();
    if (!state_.resultTableShown) return;
  }
  ProjectData d;
  CollectProject(path, d, false);
  if (!isCoord()) {
    d.Cx.clear();
    d.Cy.clear();
  }
  // Written as projects are, a row at a time: a failed write leaves the old file untouched.
  ExportText out;
  Failure failure;
  const bool written = WriteFileAtomicallyFrom(
      path.toStdString(),
      [&](const ByteSink& sink) {
        out = ExportProjectTo(d, content, choice.format, sink);
        return out.ok();
      },
      &failure);
  if (!out.ok())
    Msg(MsgKind::Error, ExportMessage(out));
  else if (!written)
    Msg(MsgKind::Error, WithReason("ファイル " + path + " の書き込みに失敗しました。", failure));
}

}  // namespace zelko
