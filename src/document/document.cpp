#include "document/document.h"

#include <algorithm>
#include <utility>

#include "coords/transform.h"
#include "document/image_path.h"
#include "document/numbers.h"

namespace zelko {

int Document::Subscribe(Observer observer) {
  observers_.emplace_back(nextObserver_, std::move(observer));
  return nextObserver_++;
}

void Document::Unsubscribe(int id) {
  std::erase_if(observers_, [id](const auto& o) { return o.first == id; });
}

void Document::Notify(const DocumentChange& change) {
  // A copy: an observer may subscribe or unsubscribe while being told.
  const auto observers = observers_;
  for (const auto& o : observers) o.second(change);
}

void Document::Reset(DocumentData data) {
  data_ = std::move(data);
  revision_ = savedRevision_ = nextRevision_++;
  pendingEdit_ = false;
  ClearHistory();
  Notify({kPartAll, "", true});
}

void Document::MarkPendingEdit() {
  pendingEdit_ = true;
  Notify({0, "", false});
}

void Document::MarkSaved() {
  pendingEdit_ = false;
  savedRevision_ = revision_;
  // The saved state stays an entry boundary, so an undo can come back to it exactly.
  mergeOpen_ = false;
  Notify({0, "", false});
}

void Document::MarkUnsaved() {
  if (savedRevision_ == revision_) {
    savedRevision_ = 0;
    revision_ = nextRevision_++;
  }
  Notify({0, "", false});
}

bool Document::Edit(const std::string& name, unsigned parts,
                    const std::function<bool(DocumentData&)>& fn, const std::string& mergeKey) {
  const bool recorded = !name.empty() && !compound_;
  std::optional<DocumentData> before;
  std::optional<std::vector<TLine>> linesBefore;
  if (recorded) {
    before = WithoutGroups();
    // Copying the groups is the price of taking them back; only edits of them pay it.
    if (parts & kPartGroups) linesBefore = data_.Lines;
  }
  const std::uint64_t revisionBefore = revision_;
  if (!fn(data_)) return false;
  revision_ = nextRevision_++;
  pendingEdit_ = false;
  if (name.empty()) {
    ClearHistory();
  } else if (compound_) {
    mergeOpen_ = false;
  } else {
    Record(name, mergeKey, std::move(*before), linesBefore ? &*linesBefore : nullptr,
           revisionBefore);
  }
  Notify({parts, name, false});
  return true;
}

void Document::Recompute(unsigned parts, const std::function<bool(DocumentData&)>& fn) {
  if (fn(data_)) Notify({parts, "", false});
}

namespace {

// An edit of one field: no edit when the value is already the field's.
template <class T>
bool SetField(Document& doc, const std::string& name, unsigned parts, T DocumentData::*field,
              const T& value, bool merge = false, const std::string& mergeKey = {}) {
  if (doc.Data().*field == value) return false;
  return doc.Edit(
      name, parts,
      [&](DocumentData& d) {
        d.*field = value;
        return true;
      },
      merge ? (mergeKey.empty() ? name : mergeKey) : std::string());
}

}  // namespace

bool Document::SetContrast(int position, bool merge) {
  return SetField(*this, "コントラスト", kPartAdjustments, &DocumentData::Contrast, position,
                  merge);
}

bool Document::SetContrastOn(bool on) {
  return SetField(*this, "コントラスト調整", kPartAdjustments, &DocumentData::ContrastOn, on);
}

bool Document::SetBalance(int channel, int position, bool merge) {
  static constexpr int DocumentData::*kChannels[3] = {&DocumentData::Red, &DocumentData::Green,
                                                      &DocumentData::Blue};
  if (channel < 0 || channel > 2) return false;
  return SetField(*this, "色補正", kPartAdjustments, kChannels[channel], position, merge,
                  "色補正" + std::to_string(channel));
}

bool Document::SetAdjustRGB(bool on) {
  return SetField(*this, "色補正", kPartAdjustments, &DocumentData::AdjustRGB, on);
}

bool Document::SetRotation(int choice, const std::string& angleText) {
  return Edit("回転", kPartAdjustments, [&](DocumentData& d) {
    if (d.AngleChoice == choice && d.AngleText == angleText) return false;
    d.AngleChoice = choice;
    d.AngleText = angleText;
    return true;
  });
}

bool Document::SetAngleText(const std::string& angleText, bool merge) {
  return SetField(*this, "回転角", kPartAdjustments, &DocumentData::AngleText, angleText, merge);
}

bool Document::SetMethod(int method) {
  return SetField(*this, "変換方法", kPartTransform, &DocumentData::Method, method);
}

bool Document::SetScaleUnit(int unit) {
  return SetField(*this, "単位", kPartTransform, &DocumentData::ScaleUnit, unit);
}

bool Document::SetMeshSize(const std::string& text, bool merge) {
  return SetField(*this, "グリッド間隔", kPartGrid, &DocumentData::MeshSize, text, merge);
}

bool Document::SetNumDecimal(const std::string& text, bool merge) {
  return SetField(*this, "小数点以下の桁数", kPartDecimals, &DocumentData::NumDecimal, text, merge);
}

bool Document::SetNotes(const std::string& text, bool merge) {
  return SetField(*this, "メモ", kPartNotes, &DocumentData::Notes, text, merge);
}

bool Document::SetNotesFont(const FontData& font) {
  return SetField(*this, "メモのフォント", kPartNotes, &DocumentData::NotesFont, font);
}

bool Document::SetSymbols(const SymbolColors& colors, const SymbolSizes& sizes,
                          const FontData& markerFont) {
  return Edit("シンボル", kPartSymbols, [&](DocumentData& d) {
    if (d.Colors == colors && d.Sizes == sizes && d.MarkerFont == markerFont) return false;
    d.Colors = colors;
    d.Sizes = sizes;
    d.MarkerFont = markerFont;
    return true;
  });
}

bool Document::SetCategories(const std::vector<std::string>& names) {
  return SetField(*this, "分類", kPartCategories | kPartGroups, &DocumentData::Categories, names);
}

bool Document::SetTransform(const std::vector<double>& cx, const std::vector<double>& cy, bool set,
                            double referencePixels) {
  return Edit("座標変換", kPartTransform, [&](DocumentData& d) {
    if (d.Cx == cx && d.Cy == cy && d.TransformSet == set && d.ReferencePixels == referencePixels)
      return false;
    d.Cx = cx;
    d.Cy = cy;
    d.TransformSet = set;
    d.ReferencePixels = referencePixels;
    return true;
  });
}

bool Document::SetClickPrecision(double pixels) {
  if (!(pixels > 0 && pixels <= kMaxClickPrecision)) return false;
  return SetField(*this, "クリック精度", kPartTransform, &DocumentData::ClickPrecision, pixels);
}

std::string MarkerPositionText(double v) { return FormatFixed(v, 1); }

bool Document::AddMarker(double x, double y) {
  return Edit("マーカー追加", kPartMarkers, [&](DocumentData& d) {
    d.Markers.push_back({x, y, MarkerPositionText(x), MarkerPositionText(y), "", ""});
    return true;
  });
}

bool Document::MoveMarker(int i, double x, double y) {
  if (i < 0 || i >= static_cast<int>(data_.Markers.size())) return false;
  return Edit("マーカー位置修正", kPartMarkers, [&](DocumentData& d) {
    DocMarker& m = d.Markers[i];
    m.x = x;
    m.y = y;
    m.ImageX = MarkerPositionText(x);
    m.ImageY = MarkerPositionText(y);
    return true;
  });
}

bool Document::DeleteMarker(int i) {
  if (i < 0 || i >= static_cast<int>(data_.Markers.size())) return false;
  return Edit("マーカー削除", kPartMarkers, [&](DocumentData& d) {
    d.Markers.erase(d.Markers.begin() + i);
    return true;
  });
}

bool Document::SetMarkerCell(int i, int column, const std::string& text) {
  if (i < 0 || i >= static_cast<int>(data_.Markers.size()) || column < 1 || column > 4)
    return false;
  static constexpr std::string DocMarker::*kCells[4] = {&DocMarker::ImageX, &DocMarker::ImageY,
                                                        &DocMarker::X, &DocMarker::Y};
  if (data_.Markers[i].*kCells[column - 1] == text) return false;
  return Edit("マーカー表の編集", kPartMarkers, [&](DocumentData& d) {
    d.Markers[i].*kCells[column - 1] = text;
    return true;
  });
}

bool ToProjectData(const DocumentData& doc, const std::string& folder,
                   const std::vector<std::string>& notesLines, bool strict, ProjectData* out,
                   std::string* error) {
  ProjectData& d = *out;
  auto fail = [&](const std::string& why) {
    if (error && error->empty()) *error = why;
    return false;
  };
  d.ImagePath = RelativeImagePath(folder, doc.ImageFile);
  d.Contrast = doc.Contrast;
  d.ContrastOn = doc.ContrastOn;
  d.Red = doc.Red;
  d.Green = doc.Green;
  d.Blue = doc.Blue;
  d.AdjustRGB = doc.AdjustRGB;
  if (auto a = AngleFromText(doc.AngleText))
    d.Angle = *a;
  else if (strict)
    return fail("回転角 \"" + doc.AngleText + "\" は数値ではありません");
  else
    d.Angle = static_cast<float>(ParseNumber(doc.AngleText));
  d.AngleChoice = doc.AngleChoice;
  d.Method = doc.Method;
  d.MeshSize = doc.MeshSize;
  d.ScaleUnit = doc.ScaleUnit;
  d.Markers.clear();
  for (size_t i = 0; i < doc.Markers.size(); ++i) {
    const DocMarker& m = doc.Markers[i];
    auto x = MarkerTenthsFromText(m.ImageX, nullptr);
    auto y = x ? MarkerTenthsFromText(m.ImageY, nullptr) : std::nullopt;
    // Named by its row in the marker table, where the user can mend it.
    if ((!x || !y) && strict)
      return fail("マーカー " + std::to_string(i + 1) + " の画像座標 \"" +
                  (x ? m.ImageY : m.ImageX) + "\" は 0～6553.5 の数値ではありません");
    d.Markers.push_back({x.value_or(0), y.value_or(0), m.X, m.Y});
  }
  d.Cx = doc.Cx;
  d.Cy = doc.Cy;
  d.ClickPrecision = doc.ClickPrecision;
  d.ReferencePixels = doc.Method == tmLinear ? doc.ReferencePixels : 0;
  d.NumDecimal = doc.NumDecimal;
  d.Lines = doc.Lines;
  d.HasCategories = true;
  d.Categories = doc.Categories;
  d.Colors = doc.Colors;
  d.Sizes = doc.Sizes;
  d.HasPointLineWidth = true;
  d.HasMarkerFont = d.HasNotesFont = d.HasNotes = true;
  d.MarkerFont = doc.MarkerFont;
  d.NotesFont = doc.NotesFont;
  d.Notes = notesLines;
  return true;
}

void AdjustmentsFromProjectData(const ProjectData& d, DocumentData* doc) {
  doc->Contrast = std::clamp(d.Contrast, 0, 100);
  doc->ContrastOn = d.ContrastOn;
  doc->Red = std::clamp(d.Red, 0, 255);
  doc->Green = std::clamp(d.Green, 0, 255);
  doc->Blue = std::clamp(d.Blue, 0, 255);
  doc->AdjustRGB = d.AdjustRGB;
  doc->AngleText = FormatGeneral15(d.Angle);
  doc->AngleChoice = std::clamp(d.AngleChoice, 0, 4);
}

std::vector<DocMarker> MarkersFromRecords(const std::vector<MarkerRecord>& records) {
  std::vector<DocMarker> markers;
  markers.reserve(records.size());
  for (const MarkerRecord& m : records) {
    const std::string x = MarkerTextFromTenths(m.XTenths), y = MarkerTextFromTenths(m.YTenths);
    markers.push_back({ParseNumber(x), ParseNumber(y), x, y, m.X, m.Y});
  }
  return markers;
}

DocumentData FromProjectData(ProjectData d, const std::string& imageFile,
                             const DocumentData& current, bool keyedText) {
  DocumentData doc;
  doc.ImageFile = imageFile;
  AdjustmentsFromProjectData(d, &doc);
  doc.Method = std::clamp(d.Method, 0, kLastMethod);
  // No transformation measures in pixels.
  doc.ScaleUnit = doc.Method == tmNone ? 0 : std::clamp(d.ScaleUnit, 0, 6);
  doc.MeshSize = d.MeshSize;
  doc.Markers = MarkersFromRecords(d.Markers);
  // Without coefficients there is no transformation (the caller works out "無変換" for its
  // image): another project's coefficients would be saved with this one. The keyed-text form
  // counts any coefficients as set.
  doc.TransformSet =
      !d.Cx.empty() && (keyedText || static_cast<int>(d.Cx.size()) == CoefficientCount(doc.Method));
  if (!d.Cx.empty()) {
    doc.Cx = std::move(d.Cx);
    doc.Cy = std::move(d.Cy);
  }
  doc.ClickPrecision = d.ClickPrecision;
  doc.NumDecimal = d.NumDecimal;
  doc.Lines = std::move(d.Lines);
  doc.Categories = d.HasCategories ? d.Categories : DocumentData{}.Categories;
  doc.Colors = d.Colors;
  doc.Sizes = d.Sizes;
  if (!d.HasPointLineWidth) doc.Sizes.PointLineWidth = current.Sizes.PointLineWidth;
  doc.MarkerFont = d.HasMarkerFont ? d.MarkerFont : current.MarkerFont;
  doc.NotesFont = d.HasNotesFont ? d.NotesFont : current.NotesFont;
  if (d.HasNotes) {
    for (std::size_t i = 0; i < d.Notes.size(); ++i) doc.Notes += (i ? "\n" : "") + d.Notes[i];
  } else {
    doc.Notes = current.Notes;
  }
  return doc;
}

}  // namespace zelko
