// Edits of the groups as pure operations on the records: group input, deletion of groups by a
// typed list, categories, reversal, single-point edits and the nearest-point search. Texts the
// window shows are returned as UTF-8.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "document/records.h"
#include "measure/tables.h"

namespace zelko {

inline constexpr const char* kMsgOnePointInput =
    "入力点数が１点しかありません。データを消去します。";
inline constexpr const char* kMsgTwoPointInput =
    "入力点数が２点しかありません。データを消去します。";
inline constexpr const char* kMsgDeleteLastCurvePoint =
    "点数が１点しかありません。この曲線データは全て消去されます。\nよろしいですか。";
inline constexpr const char* kMsgDeleteLastAreaPoint =
    "点数が２点しかありません。この領域データは全て消去されます。\nよろしいですか。";
inline constexpr const char* kMsgChangeGroupKind =
    "グループのポイントの種類を変更してよろしいですか。";
inline constexpr const char* kPromptDeleteGroups =
    "削除するグループの番号（半角数字）を入力して下さい。\n例1：1-3\u3000   例2：1,3,5-7";
inline constexpr const char* kDeleteGroupsDefault = "0";
inline constexpr const char* kMsgGroupInputRunning =
    "グループ入力がまだ終了していません。\n入力を終了させて下さい。";

// Gives the points of a group the labels "1", "2", … in their order.
void RenumberPointLabels(TLine& line);

// --- Group input ---

// Appends the empty group being input; returns its index (the new IDLine).
int StartGroupInput(std::vector<TLine>& lines, int sort, int lineType);
// Appends a clicked point labelled with its number; returns the group's new point count.
int AppendInputPoint(TLine& line, double x, double y);
// Takes back the last point; false (nothing changed) when there is none.
bool TakeBackPoint(TLine& line);

enum class InputEnd {
  Kept,
  RemovedEmpty,      // no point: removed without a message
  RemovedOnePoint,   // warning kMsgOnePointInput
  RemovedTwoPoints,  // warning kMsgTwoPointInput
};

struct InputEndResult {
  InputEnd outcome = InputEnd::Kept;
  std::string warning;       // warning box text, empty for none
  int pointRowsRemoved = 0;  // rows the point table loses
  int IDLine = -1;           // the current group afterwards
};

// Ends the input of the last group: it stays unless it has too few points for its kind (none;
// one for a curve or closed curve; two for a closed curve).
InputEndResult EndGroupInput(std::vector<TLine>& lines);

// --- Deleting groups by a typed list such as "1,3,5-7" or "2-" ---

struct RangeItem {
  bool ok = false;
  int first = 0;
  int last = 0;
  std::string rest;  // the text after the item's comma; empty when !ok
};

// Takes the next item off a comma-separated list of whole numbers and ranges "a-b". Not ok for
// an empty text or an item that is not a number or range, which ends the list. Numbers too
// large for an int count as the largest int.
RangeItem ParseRangeItem(const std::string& text);

struct GroupDeletion {
  bool cancelled = false;    // the text was "0": nothing to do, not even the bookkeeping after it
  std::vector<int> numbers;  // deleted groups by the number they had when the list was typed
  std::vector<int> calls;    // the same as present indices, in the order DeleteGroup takes them
};

// Plans a deletion from a list over groupCount groups: numbers refer to the numbering when the
// list was typed; numbers outside 1..groupCount and ranges a-b with b < a delete nothing; a
// text ending in "-" runs to the last group; an item that is no number stops the list, the
// items before it stay.
GroupDeletion PlanGroupDeletion(const std::string& text, int groupCount);
// Plans and applies it.
GroupDeletion DeleteGroupsByList(std::vector<TLine>& lines, const std::string& text);

// Removes group g; returns the new IDLine (the last index, −1 when none is left), or nullopt
// when g is no group.
std::optional<int> DeleteGroup(std::vector<TLine>& lines, int g);

// --- Categories (row r of the category table is category r − 1) ---

// Name of a category added as row r: "Sort r".
std::string NewCategoryName(int row);
// A category can go when it is not the only one and no group uses it.
bool CanDeleteCategory(const std::vector<TLine>& lines, int categoryCount, int row);
// Deletes the category of row r: later names move up and the groups of later categories get
// Sort − 1. Returns the row selected afterwards, or nullopt (nothing changed) when
// CanDeleteCategory refuses.
std::optional<int> DeleteCategory(std::vector<std::string>& categoryNames,
                                  std::vector<TLine>& lines, int row);

// --- Single groups and points ---

// Reverses the order of the points (a closed curve's area changes sign) and renumbers them.
void ReverseGroup(TLine& line);

// Moves a point; false (nothing changed) when there is no such point.
bool MovePoint(std::vector<TLine>& lines, const PointRef& at, double x, double y);
// Inserts a point right after `at` and renumbers; returns the new point's index, or nullopt
// when there is no such point.
std::optional<int> InsertPointAfter(std::vector<TLine>& lines, const PointRef& at, double x,
                                    double y);
// The question to ask before deleting a point of the group, when that deletes the whole group:
// a curve with one point, a closed curve with two. nullopt when the point can simply go.
std::optional<std::string> PointDeletionQuestion(const TLine& line);
// Removes a point and renumbers; false when there is no such point.
bool RemovePoint(std::vector<TLine>& lines, const PointRef& at);

struct NearestPointResult {
  int group = 0;
  int point = 0;
  int row = 0;  // 1-based row of the point in the point table
  bool operator==(const NearestPointResult&) const = default;
};

// The point of any group nearest to (x, y) in image coordinates, however far; ties go to the
// earlier group, then the earlier point. nullopt when there are no points.
std::optional<NearestPointResult> NearestPoint(const std::vector<TLine>& lines, double x, double y);

}  // namespace zelko
