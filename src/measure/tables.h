// The point table, the group table and the result table, built from the groups as rows of cell
// texts (UTF-8), header row first.
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "document/records.h"

namespace zelko {

using TableCells = std::vector<std::vector<std::string>>;

// "L", "C" or "P" by kind, followed by the 1-based group number: GroupLabel(ltClosed, 1) = "C2".
std::string GroupLabel(std::uint8_t lineType, int index);
std::string GroupLabel(const std::vector<TLine>& lines, int index);
// The 0-based group index of a label: the number after its first character ("C2" gives 1).
std::optional<int> ParseGroupLabel(const std::string& label);

// Name of category sort (0-based) in the category list; empty when the list has no such entry.
std::string CategoryName(const std::vector<std::string>& categoryNames, int sort);
// Items of the category chooser: "1:Sort 1", "2:…".
std::vector<std::string> CategoryChooserItems(const std::vector<std::string>& categoryNames);

// --- Point table: one row per used point of every group, in order. ---

// 5 columns with method 0 (no physical columns), else 7.
int PointTableColumns(int method);
// "分類", "Group", "Point", "x(pixels)", "y(pixels)" [, X caption, Y caption].
std::vector<std::string> PointTableHeader(int method, int unit);
// One point's row: Sort + 1, group label, the point's label (its number when the label is
// empty), x and y in "0.0", and X and Y in the position format unless the method is 0. With the
// projective method, `side` is the denominator's sign on the markers' side (FitRegion::side): a
// point beyond the vanishing line has no physical position and empty X and Y cells.
std::vector<std::string> PointTableRow(const TLine& line, int group, std::size_t point, int method,
                                       const std::vector<double>& cx, const std::vector<double>& cy,
                                       int unit, int decimals, int side = 0);

// One cell of that row (column 0 to 6), formatted alone: a table of many rows formats only the
// cells it shows. "" for a column the method has not.
std::string PointTableCell(const TLine& line, int group, std::size_t point, int column, int method,
                           const std::vector<double>& cx, const std::vector<double>& cy, int unit,
                           int decimals, int side = 0);

struct PointRowInfo {
  int group = -1;  // -1 on the header row
  int point = -1;  // 0-based within the group
  bool operator==(const PointRowInfo&) const = default;
};

// The rows of the point table without their texts: which point each row under the header shows,
// found from where each group's rows begin.
class PointTableIndex {
 public:
  explicit PointTableIndex(const std::vector<TLine>& lines);
  // Rows under the header: the used points of every group.
  std::size_t Rows() const { return starts_.empty() ? 0 : starts_.back(); }
  // The point of row `row` (1-based, under the header); nullopt outside the table.
  std::optional<PointRowInfo> At(std::size_t row) const;
  // Rows (1-based) holding the longest texts of their columns: the largest category and group
  // numbers, the longest point label, the smallest and largest x and y, and with a method, of
  // the physical X and Y.
  std::vector<std::size_t> WidestRows(const std::vector<TLine>& lines, int method = 0,
                                      const std::vector<double>& cx = {},
                                      const std::vector<double>& cy = {}) const;

 private:
  std::vector<std::size_t> starts_;  // first row (0-based) of each group, then the row count
};

struct PointTable {
  TableCells cells;                // header row and one row per point; no trailing empty row
  std::vector<PointRowInfo> rows;  // parallel to cells
};

// Hands each row of the point table, header first, to `row` without keeping any: the table of a
// large project would take many times the memory of its points.
using PointRowFn = std::function<void(const std::vector<std::string>& cells, PointRowInfo info)>;
void ForEachPointTableRow(const std::vector<TLine>& lines, int method,
                          const std::vector<double>& cx, const std::vector<double>& cy, int unit,
                          int decimals, const PointRowFn& row, int side = 0);

PointTable BuildPointTable(const std::vector<TLine>& lines, int method,
                           const std::vector<double>& cx, const std::vector<double>& cy, int unit,
                           int decimals, int side = 0);

// Row (1-based, under the header) of point `point` of group `group` in the point table;
// nullopt when the group has no such point.
std::optional<int> PointTableRowOf(const std::vector<TLine>& lines, int group, int point);

// The group and point of a point-table row from its Group and Point cells, as SelectedPoint
// reads them back; nullopt when either is not a label or number.
struct PointRef {
  int group = 0;
  int point = 0;
  bool operator==(const PointRef&) const = default;
};
std::optional<PointRef> ParsePointRow(const std::string& groupCell, const std::string& pointCell);

// Gives every point with an empty label its 1-based number, as the point table shows it.
void FillEmptyPointLabels(std::vector<TLine>& lines);

// --- Group table: "No.", "Group", "分類"; row i + 1 is group i. ---

TableCells BuildGroupTable(const std::vector<TLine>& lines,
                           const std::vector<std::string>& categoryNames);

// --- Result table of the calculation. ---

// Follows the group label of a group with a point outside the markers' hull ("C2※").
inline constexpr const char* kOutsideMarkersSign = "※";

enum class ResultRowKind { Header, Group, Total };

struct ResultRowInfo {
  ResultRowKind kind = ResultRowKind::Header;
  int group = -1;     // group index on a group row
  int sort = -1;      // category index on group and total rows
  double length = 0;  // the unrounded values behind the length and area cells
  double area = 0;
  // Their standard deviations, once worked out (FillResultUncertainty); NaN where unknown.
  double lengthSd = std::numeric_limits<double>::quiet_NaN();
  double areaSd = std::numeric_limits<double>::quiet_NaN();
};

struct ResultTable {
  static constexpr int kColumns = 5;
  static constexpr int kFixedColumns = 2;
  TableCells cells;                 // header row first; every row has kColumns cells
  std::vector<ResultRowInfo> rows;  // parallel to cells
};

// Categories in the order of their first group, each with its groups in group order and, when
// it has two or more, a total row ("合計") summing lengths, signed areas and point counts.
// Length and Area are the values the last calculation stored.
ResultTable BuildResultTable(const std::vector<TLine>& lines,
                             const std::vector<std::string>& categoryNames, int unit, int decimals);

}  // namespace zelko
