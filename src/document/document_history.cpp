// The document's history: each named edit leaves an entry that can take it back and make it
// again. An entry keeps the document apart from its groups whole (it is small) and, of the
// groups, only the run that differs, so a large project costs little per edit.
#include <algorithm>
#include <utility>

#include "document/document.h"

namespace zelko {

namespace {

// Parts whose values differ between two documents without groups.
unsigned DifferingParts(const DocumentData& a, const DocumentData& b) {
  unsigned parts = 0;
  if (a.ImageFile != b.ImageFile) parts |= kPartImage;
  if (a.Contrast != b.Contrast || a.ContrastOn != b.ContrastOn || a.Red != b.Red ||
      a.Green != b.Green || a.Blue != b.Blue || a.AdjustRGB != b.AdjustRGB ||
      a.AngleChoice != b.AngleChoice || a.AngleText != b.AngleText)
    parts |= kPartAdjustments;
  if (a.Method != b.Method || a.ScaleUnit != b.ScaleUnit || a.Cx != b.Cx || a.Cy != b.Cy ||
      a.TransformSet != b.TransformSet || a.ClickPrecision != b.ClickPrecision ||
      a.ReferencePixels != b.ReferencePixels)
    parts |= kPartTransform;
  if (a.Markers != b.Markers) parts |= kPartMarkers;
  if (a.Categories != b.Categories) parts |= kPartCategories;
  if (!(a.Colors == b.Colors) || !(a.Sizes == b.Sizes) || !(a.MarkerFont == b.MarkerFont))
    parts |= kPartSymbols;
  if (a.MeshSize != b.MeshSize) parts |= kPartGrid;
  if (a.NumDecimal != b.NumDecimal) parts |= kPartDecimals;
  if (a.Notes != b.Notes || !(a.NotesFont == b.NotesFont)) parts |= kPartNotes;
  return parts;
}

std::size_t Bytes(const DocumentData& d) {
  std::size_t n = sizeof d + d.ImageFile.size() + d.AngleText.size() + d.Notes.size() +
                  d.MeshSize.size() + d.NumDecimal.size() +
                  (d.Cx.size() + d.Cy.size()) * sizeof(double);
  for (const DocMarker& m : d.Markers)
    n += sizeof m + m.ImageX.size() + m.ImageY.size() + m.X.size() + m.Y.size();
  for (const std::string& c : d.Categories) n += sizeof c + c.size();
  return n;
}

std::size_t Bytes(const std::vector<TLine>& lines) {
  std::size_t n = 0;
  for (const TLine& l : lines) n += sizeof l + l.Points.size() * sizeof(TMarker);
  return n;
}

}  // namespace

DocumentData Document::WithoutGroups() {
  // The groups are moved aside rather than copied: they may be large.
  std::vector<TLine> lines = std::move(data_.Lines);
  DocumentData copy = data_;
  data_.Lines = std::move(lines);
  return copy;
}

bool Document::Record(const std::string& name, const std::string& mergeKey, DocumentData before,
                      const std::vector<TLine>* linesBefore, std::uint64_t revisionBefore) {
  HistoryEntry e;
  e.name = name;
  e.mergeKey = mergeKey;
  e.after = WithoutGroups();
  e.parts = DifferingParts(before, e.after);
  if (linesBefore) {
    const std::vector<TLine>& a = *linesBefore;
    const std::vector<TLine>& b = data_.Lines;
    std::size_t lo = 0;
    while (lo < a.size() && lo < b.size() && a[lo] == b[lo]) ++lo;
    std::size_t hi = 0;  // equal groups at the end, not overlapping the start
    while (hi < a.size() - lo && hi < b.size() - lo && a[a.size() - 1 - hi] == b[b.size() - 1 - hi])
      ++hi;
    e.linesAt = lo;
    e.linesBefore.assign(a.begin() + lo, a.end() - hi);
    e.linesAfter.assign(b.begin() + lo, b.end() - hi);
    if (!e.linesBefore.empty() || !e.linesAfter.empty()) e.parts |= kPartGroups;
  }
  e.before = std::move(before);
  e.revisionBefore = revisionBefore;
  e.revisionAfter = revision_;

  // A further step of the same drag or typing: the last entry now ends here.
  if (!mergeKey.empty() && mergeOpen_ && !undo_.empty() && undo_.back().mergeKey == mergeKey &&
      !(e.parts & kPartGroups) && !(undo_.back().parts & kPartGroups)) {
    HistoryEntry& last = undo_.back();
    historyBytes_ -= last.bytes;
    last.after = std::move(e.after);
    last.revisionAfter = e.revisionAfter;
    last.parts = DifferingParts(last.before, last.after);
    if (last.parts == 0) {
      // Back where the drag started: nothing to take back, and nothing changed since then.
      revision_ = last.revisionBefore;
      undo_.pop_back();
      mergeOpen_ = false;
    } else {
      last.bytes = Bytes(last.before) + Bytes(last.after);
      historyBytes_ += last.bytes;
    }
    return true;
  }
  if (e.parts == 0) return false;
  mergeOpen_ = !mergeKey.empty();
  Push(std::move(e));
  return true;
}

void Document::Push(HistoryEntry e) {
  for (const HistoryEntry& r : redo_) historyBytes_ -= r.bytes;
  redo_.clear();
  e.bytes = Bytes(e.before) + Bytes(e.after) + Bytes(e.linesBefore) + Bytes(e.linesAfter);
  historyBytes_ += e.bytes;
  undo_.push_back(std::move(e));
  Trim();
}

void Document::Trim() {
  while (undo_.size() > 1 && (undo_.size() > maxEntries_ || historyBytes_ > maxBytes_)) {
    historyBytes_ -= undo_.front().bytes;
    undo_.pop_front();
  }
}

void Document::SetHistoryLimits(std::size_t maxEntries, std::size_t maxBytes) {
  maxEntries_ = std::max<std::size_t>(1, maxEntries);
  maxBytes_ = maxBytes;
  Trim();
}

void Document::ClearHistory() {
  undo_.clear();
  redo_.clear();
  historyBytes_ = 0;
  mergeOpen_ = false;
  compound_.reset();
}

void Document::Apply(const HistoryEntry& e, bool undo) {
  std::vector<TLine> lines = std::move(data_.Lines);
  data_ = undo ? e.before : e.after;
  const std::vector<TLine>& from = undo ? e.linesAfter : e.linesBefore;
  const std::vector<TLine>& to = undo ? e.linesBefore : e.linesAfter;
  const std::size_t at = std::min(e.linesAt, lines.size());
  const std::size_t end = std::min(lines.size(), at + from.size());
  lines.erase(lines.begin() + at, lines.begin() + end);
  lines.insert(lines.begin() + at, to.begin(), to.end());
  data_.Lines = std::move(lines);
  revision_ = undo ? e.revisionBefore : e.revisionAfter;
  mergeOpen_ = pendingEdit_ = false;
  Notify({e.parts, e.name, false, true});
}

bool Document::Undo() {
  if (!CanUndo()) return false;
  redo_.push_back(std::move(undo_.back()));
  undo_.pop_back();
  Apply(redo_.back(), true);
  return true;
}

bool Document::Redo() {
  if (!CanRedo()) return false;
  undo_.push_back(std::move(redo_.back()));
  redo_.pop_back();
  Apply(undo_.back(), false);
  return true;
}

void Document::BeginCompound(const std::string& name) {
  if (compound_) return;
  compound_ = Compound{name, data_, revision_};
  mergeOpen_ = false;
}

void Document::EndCompound() {
  if (!compound_) return;
  Compound c = std::move(*compound_);
  compound_.reset();
  std::vector<TLine> lines = std::move(c.start.Lines);
  c.start.Lines.clear();
  // An input that ends where it began leaves nothing to take back (though it counts as a change).
  Record(c.name, {}, std::move(c.start), &lines, c.revision);
  mergeOpen_ = false;
  Notify({0, c.name, false});
}

}  // namespace zelko
