// The measurement document: everything a project file holds, with one owner. Every change goes
// in through a named edit, and the document tells its observers which parts changed, so the
// window's controls, tables and view are views of it and the unsaved-changes state is its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "document/project_data.h"
#include "document/records.h"

namespace zelko {

// One row of the marker table: where the marker is drawn, and the four cell texts as typed
// (image X and Y, physical X and Y).
struct DocMarker {
  double x = 0;
  double y = 0;
  std::string ImageX;
  std::string ImageY;
  std::string X;
  std::string Y;
  bool operator==(const DocMarker&) const = default;
};

struct DocumentData {
  std::string ImageFile;  // the image as opened, a full path; "" before one is opened

  // Image adjustments: slider positions, check boxes, rotation choice and angle as typed.
  int Contrast = 50;
  bool ContrastOn = false;
  int Red = 128;
  int Green = 128;
  int Blue = 128;
  bool AdjustRGB = false;
  int AngleChoice = 0;  // 0 "0度" … 4 "任意"
  std::string AngleText = "0";

  // The transformation: its method, unit and coefficients, and whether it counts as set.
  int Method = 0;
  int ScaleUnit = 0;
  std::vector<double> Cx;
  std::vector<double> Cy;
  bool TransformSet = false;
  // Pixels, one standard deviation per coordinate of a clicked point.
  double ClickPrecision = kDefaultClickPrecision;
  // The reference line's length in pixels while it is known (picked in this session; not
  // stored), 0 otherwise.
  double ReferencePixels = 0;

  std::vector<DocMarker> Markers;
  std::vector<TLine> Lines;  // the groups, with their computed length and area
  std::vector<std::string> Categories{"Sort 1"};

  SymbolColors Colors;
  SymbolSizes Sizes;
  FontData MarkerFont = DefaultMarkerFont();
  FontData NotesFont = DefaultNotesFont();

  std::string MeshSize = "20";   // grid interval as typed
  std::string NumDecimal = "1";  // decimal places as typed
  std::string Notes;             // paragraphs joined by "\n"

  bool operator==(const DocumentData&) const = default;
};

// The parts of the document an edit touched, for the observers to refresh only what shows them.
enum DocPart : unsigned {
  kPartImage = 1u << 0,
  kPartAdjustments = 1u << 1,
  kPartTransform = 1u << 2,
  kPartMarkers = 1u << 3,
  kPartGroups = 1u << 4,
  kPartCategories = 1u << 5,
  kPartSymbols = 1u << 6,
  kPartGrid = 1u << 7,
  kPartDecimals = 1u << 8,
  kPartNotes = 1u << 9,
  kPartAll = (1u << 10) - 1,
};

struct DocumentChange {
  unsigned Parts = 0;
  std::string Edit;       // the edit's name as a user would call it; "" for a whole new document
  bool Whole = false;     // the document was replaced (opened, closed, new)
  bool Restored = false;  // an undo or redo put back what an earlier edit changed
};

class Document {
 public:
  using Observer = std::function<void(const DocumentChange&)>;

  const DocumentData& Data() const { return data_; }

  // Observers are told after every edit, in the order they subscribed.
  int Subscribe(Observer observer);
  void Unsubscribe(int id);

  // Replaces the whole document (open, close); it then counts as unchanged.
  void Reset(DocumentData data);
  // The document as it is now is what the file holds.
  void MarkSaved();
  // The file no longer holds the document (a rewrite that failed after reading it).
  void MarkUnsaved();
  // An edit under way whose text is not yet committed (a key typed into a table): counts as a
  // change until the next edit, undo or redo decides.
  void MarkPendingEdit();
  // Edits since the last read or save.
  bool IsModified() const { return pendingEdit_ || revision_ != savedRevision_; }

  // The one entrance for changes: fn edits the data and returns whether it changed anything; an
  // edit that changed nothing is none (no revision, no notification, no history). Returns fn's
  // answer. A named edit can be undone; an unnamed one builds a new document piece by piece
  // (opening a file) and clears the history. Consecutive edits of one non-empty mergeKey (the
  // steps of one slider drag, the typing of one visit to the notes) make one entry until
  // BreakMerge or any other edit. parts must name the groups when fn may change them.
  bool Edit(const std::string& name, unsigned parts, const std::function<bool(DocumentData&)>& fn,
            const std::string& mergeKey = {});

  // What follows from the document and is stored with it (lengths, areas, the labels of
  // unlabelled points): told to the observers, but no edit, so it marks nothing changed.
  void Recompute(unsigned parts, const std::function<bool(DocumentData&)>& fn);

  // ---- History ----
  bool CanUndo() const { return !compound_ && !undo_.empty(); }
  bool CanRedo() const { return !compound_ && !redo_.empty(); }
  // The name of the edit an undo or redo would take back or make again ("" when none).
  std::string UndoName() const { return CanUndo() ? undo_.back().name : std::string(); }
  std::string RedoName() const { return CanRedo() ? redo_.back().name : std::string(); }
  bool Undo();
  bool Redo();
  void ClearHistory();
  // The next edit starts an entry of its own even if it could merge with the last.
  void BreakMerge() { mergeOpen_ = false; }
  // The edits until EndCompound make one entry named name (a group's input, point by point).
  void BeginCompound(const std::string& name);
  void EndCompound();
  bool InCompound() const { return compound_.has_value(); }
  // The oldest entries go when there are more than maxEntries or they hold more than maxBytes
  // (the newest entry always stays).
  void SetHistoryLimits(std::size_t maxEntries, std::size_t maxBytes);
  std::size_t UndoCount() const { return undo_.size(); }
  std::size_t RedoCount() const { return redo_.size(); }

  // Named edits of single values. merge: a step of one drag or one spell of typing.
  bool SetContrast(int position, bool merge = false);
  bool SetContrastOn(bool on);
  bool SetBalance(int channel, int position, bool merge = false);  // 0 red, 1 green, 2 blue
  bool SetAdjustRGB(bool on);
  bool SetRotation(int choice, const std::string& angleText);
  bool SetAngleText(const std::string& angleText, bool merge = false);
  bool SetMethod(int method);
  bool SetScaleUnit(int unit);
  bool SetMeshSize(const std::string& text, bool merge = false);
  bool SetNumDecimal(const std::string& text, bool merge = false);
  bool SetNotes(const std::string& text, bool merge = false);
  bool SetNotesFont(const FontData& font);
  bool SetSymbols(const SymbolColors& colors, const SymbolSizes& sizes, const FontData& markerFont);
  bool SetCategories(const std::vector<std::string>& names);
  // The transformation's coefficients, and whether they count as a set transformation.
  bool SetTransform(const std::vector<double>& cx, const std::vector<double>& cy, bool set,
                    double referencePixels = 0);
  // The clicks' precision; false (and no edit) unless 0 < pixels ≤ kMaxClickPrecision.
  bool SetClickPrecision(double pixels);

  // Markers: placed, moved, deleted, and their cells typed.
  bool AddMarker(double x, double y);
  bool MoveMarker(int i, double x, double y);
  bool DeleteMarker(int i);
  bool SetMarkerCell(int i, int column, const std::string& text);  // columns 1..4

 private:
  // What one entry takes back: the document apart from its groups before and after, and the
  // groups that differ, from index LinesAt on.
  struct HistoryEntry {
    std::string name;
    std::string mergeKey;
    unsigned parts = 0;
    DocumentData before, after;  // Lines left empty
    std::size_t linesAt = 0;
    std::vector<TLine> linesBefore, linesAfter;
    std::uint64_t revisionBefore = 0, revisionAfter = 0;
    std::size_t bytes = 0;
  };
  struct Compound {
    std::string name;
    DocumentData start;  // the whole document, groups included
    std::uint64_t revision = 0;
  };

  void Notify(const DocumentChange& change);
  // The document without its groups, which are compared and kept apart.
  DocumentData WithoutGroups();
  // Adds the entry for a change from (before, linesBefore) to now; false when nothing changed.
  bool Record(const std::string& name, const std::string& mergeKey, DocumentData before,
              const std::vector<TLine>* linesBefore, std::uint64_t revisionBefore);
  void Push(HistoryEntry entry);
  void Trim();
  void Apply(const HistoryEntry& e, bool undo);

  DocumentData data_;
  std::deque<HistoryEntry> undo_;
  std::vector<HistoryEntry> redo_;
  std::size_t historyBytes_ = 0;
  std::size_t maxEntries_ = 1000;
  std::size_t maxBytes_ = std::size_t{256} << 20;
  bool mergeOpen_ = false;
  bool pendingEdit_ = false;
  std::optional<Compound> compound_;
  std::uint64_t revision_ = 0;
  std::uint64_t savedRevision_ = 0;
  std::uint64_t nextRevision_ = 1;
  std::vector<std::pair<int, Observer>> observers_;
  int nextObserver_ = 1;
};

// The cell text of a marker's image position: one decimal.
std::string MarkerPositionText(double v);

// The document's values as the project file stores them. notesLines are the notes broken into
// lines as shown; folder is the project's, for the relative image path. Strict: an image
// position or angle that is no stored number fails with the reason in *error.
bool ToProjectData(const DocumentData& doc, const std::string& folder,
                   const std::vector<std::string>& notesLines, bool strict, ProjectData* out,
                   std::string* error);

// The image adjustments a read project makes (positions beyond the controls' ranges come back
// as the controls take them), and its markers with their cell texts.
void AdjustmentsFromProjectData(const ProjectData& d, DocumentData* doc);
std::vector<DocMarker> MarkersFromRecords(const std::vector<MarkerRecord>& records);

// The document a read project makes, on top of the current one where the file leaves values
// out. keyedText: the keyed-text form, which counts any coefficients as a set transformation.
DocumentData FromProjectData(ProjectData d, const std::string& imageFile,
                             const DocumentData& current, bool keyedText);

}  // namespace zelko
