#include "measure/tables.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "coords/transform.h"
#include "document/numbers.h"
#include "measure/calculation.h"
#include "measure/formats.h"

namespace zelko {

std::string GroupLabel(std::uint8_t lineType, int index) {
  static const char* const kLetters[] = {"L", "C", "P"};
  const char* letter = lineType <= ltPoints ? kLetters[lineType] : "?";
  return letter + std::to_string(index + 1);
}

std::string GroupLabel(const std::vector<TLine>& lines, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= lines.size()) return {};
  return GroupLabel(lines[static_cast<std::size_t>(index)].LineType, index);
}

namespace {

// A positive whole number in ASCII digits, or nullopt.
std::optional<int> ParsePositive(std::string_view text) {
  if (text.empty() ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  int value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size() || value < 1) return std::nullopt;
  return value;
}

// Length of the UTF-8 sequence starting at text[0], so the "first character" of a cell the
// user typed into is a whole character.
std::size_t FirstCharLength(const std::string& text) {
  if (text.empty()) return 0;
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t len = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  return std::min(len, text.size());
}

}  // namespace

std::optional<int> ParseGroupLabel(const std::string& label) {
  const auto number = ParsePositive(std::string_view(label).substr(FirstCharLength(label)));
  if (!number) return std::nullopt;
  return *number - 1;
}

std::string CategoryName(const std::vector<std::string>& categoryNames, int sort) {
  if (sort < 0 || static_cast<std::size_t>(sort) >= categoryNames.size()) return {};
  return categoryNames[static_cast<std::size_t>(sort)];
}

std::vector<std::string> CategoryChooserItems(const std::vector<std::string>& categoryNames) {
  std::vector<std::string> items;
  items.reserve(categoryNames.size());
  for (std::size_t r = 0; r < categoryNames.size(); ++r)
    items.push_back(std::to_string(r + 1) + ":" + categoryNames[r]);
  return items;
}

int PointTableColumns(int method) { return method == tmNone ? 5 : 7; }

std::vector<std::string> PointTableHeader(int method, int unit) {
  std::vector<std::string> header{"分類", "Group", "Point", "x(pixels)", "y(pixels)"};
  if (PointTableColumns(method) == 7) {
    header.push_back(PhysicalCaptionX(unit));
    header.push_back(PhysicalCaptionY(unit));
  }
  return header;
}

std::string PointTableCell(const TLine& line, int group, std::size_t point, int column, int method,
                           const std::vector<double>& cx, const std::vector<double>& cy, int unit,
                           int decimals, int side) {
  const TMarker& p = line.Points.at(point);
  switch (column) {
    case 0:
      return std::to_string(line.Sort + 1);
    case 1:
      return GroupLabel(line.LineType, group);
    case 2:
      return p.nm.empty() ? std::to_string(point + 1) : p.nm.str();
    case 3:
      return FormatFixed(p.x, 1);
    case 4:
      return FormatFixed(p.y, 1);
    case 5:
    case 6:
      if (PointTableColumns(method) != 7) return {};
      if (method == tmProjective && side != 0 && !(side * ProjectiveDenominator(cx, p.x, p.y) > 0))
        return {};
      return FormatPicture(EvaluateTransform(method, column == 5 ? cx : cy, p.x, p.y),
                           PositionFormat(unit, decimals));
    default:
      return {};
  }
}

std::vector<std::string> PointTableRow(const TLine& line, int group, std::size_t point, int method,
                                       const std::vector<double>& cx, const std::vector<double>& cy,
                                       int unit, int decimals, int side) {
  const int columns = PointTableColumns(method);
  std::vector<std::string> row;
  row.reserve(static_cast<std::size_t>(columns));
  for (int c = 0; c < columns; ++c)
    row.push_back(PointTableCell(line, group, point, c, method, cx, cy, unit, decimals, side));
  return row;
}

PointTableIndex::PointTableIndex(const std::vector<TLine>& lines) {
  starts_.reserve(lines.size() + 1);
  std::size_t row = 0;
  for (const TLine& line : lines) {
    starts_.push_back(row);
    row += UsedPointCount(line);
  }
  starts_.push_back(row);
}

std::optional<PointRowInfo> PointTableIndex::At(std::size_t row) const {
  if (row < 1 || row > Rows()) return std::nullopt;
  const std::size_t r = row - 1;
  // The last group starting at or before r; groups without points start where the next does.
  const auto it = std::upper_bound(starts_.begin(), starts_.end() - 1, r) - 1;
  const std::size_t g = static_cast<std::size_t>(it - starts_.begin());
  return PointRowInfo{static_cast<int>(g), static_cast<int>(r - *it)};
}

std::vector<std::size_t> PointTableIndex::WidestRows(const std::vector<TLine>& lines, int method,
                                                     const std::vector<double>& cx,
                                                     const std::vector<double>& cy) const {
  std::vector<std::size_t> rows;
  if (Rows() == 0 || lines.size() + 1 != starts_.size()) return rows;
  std::size_t sortRow = 0, labelRow = 0, minX = 0, maxX = 0, minY = 0, maxY = 0;
  int maxSort = -1;
  std::size_t longest = 0;
  double loX = 0, hiX = 0, loY = 0, hiY = 0;
  bool first = true;
  const bool physical = PointTableColumns(method) == 7;
  std::size_t minPX = 0, maxPX = 0, minPY = 0, maxPY = 0;
  double loPX = 0, hiPX = 0, loPY = 0, hiPY = 0;
  for (std::size_t g = 0; g < lines.size(); ++g) {
    const TLine& line = lines[g];
    const std::size_t n = UsedPointCount(line);
    if (n == 0) continue;
    if (line.Sort > maxSort) {
      maxSort = line.Sort;
      sortRow = starts_[g] + 1;
    }
    for (std::size_t j = 0; j < n; ++j) {
      const TMarker& p = line.Points[j];
      const std::size_t row = starts_[g] + j + 1;
      const std::size_t length = p.nm.empty() ? std::to_string(j + 1).size() : p.nm.str().size();
      if (length > longest) longest = length, labelRow = row;
      if (first || p.x < loX) loX = p.x, minX = row;
      if (first || p.x > hiX) hiX = p.x, maxX = row;
      if (first || p.y < loY) loY = p.y, minY = row;
      if (first || p.y > hiY) hiY = p.y, maxY = row;
      if (physical) {
        const double X = EvaluateTransform(method, cx, p.x, p.y);
        const double Y = EvaluateTransform(method, cy, p.x, p.y);
        if (first || X < loPX) loPX = X, minPX = row;
        if (first || X > hiPX) hiPX = X, maxPX = row;
        if (first || Y < loPY) loPY = Y, minPY = row;
        if (first || Y > hiPY) hiPY = Y, maxPY = row;
      }
      first = false;
    }
  }
  // The last row has the largest group number.
  rows = {sortRow, Rows(), labelRow, minX, maxX, minY, maxY};
  if (physical) rows.insert(rows.end(), {minPX, maxPX, minPY, maxPY});
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

PointTable BuildPointTable(const std::vector<TLine>& lines, int method,
                           const std::vector<double>& cx, const std::vector<double>& cy, int unit,
                           int decimals, int side) {
  std::size_t total = 1;
  for (const TLine& line : lines) total += UsedPointCount(line);
  PointTable table;
  table.cells.reserve(total);
  table.rows.reserve(total);
  ForEachPointTableRow(
      lines, method, cx, cy, unit, decimals,
      [&](const std::vector<std::string>& cells, PointRowInfo info) {
        table.cells.push_back(cells);
        table.rows.push_back(info);
      },
      side);
  return table;
}

void ForEachPointTableRow(const std::vector<TLine>& lines, int method,
                          const std::vector<double>& cx, const std::vector<double>& cy, int unit,
                          int decimals, const PointRowFn& row, int side) {
  row(PointTableHeader(method, unit), {});
  for (std::size_t g = 0; g < lines.size(); ++g) {
    const std::size_t n = UsedPointCount(lines[g]);
    for (std::size_t j = 0; j < n; ++j)
      row(PointTableRow(lines[g], static_cast<int>(g), j, method, cx, cy, unit, decimals, side),
          {static_cast<int>(g), static_cast<int>(j)});
  }
}

std::optional<int> PointTableRowOf(const std::vector<TLine>& lines, int group, int point) {
  if (group < 0 || static_cast<std::size_t>(group) >= lines.size() || point < 0 ||
      static_cast<std::size_t>(point) >= UsedPointCount(lines[static_cast<std::size_t>(group)]))
    return std::nullopt;
  long long row = 1 + point;
  for (int g = 0; g < group; ++g) row += static_cast<long long>(UsedPointCount(lines[g]));
  if (row > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(row);
}

std::optional<PointRef> ParsePointRow(const std::string& groupCell, const std::string& pointCell) {
  const auto group = ParseGroupLabel(groupCell);
  const auto point = ParsePositive(pointCell);
  if (!group || !point) return std::nullopt;
  return PointRef{*group, *point - 1};
}

void FillEmptyPointLabels(std::vector<TLine>& lines) {
  for (TLine& line : lines)
    for (std::size_t j = 0; j < line.Points.size(); ++j)
      if (line.Points[j].nm.empty())
        line.Points[j].nm = PointLabel::Number(static_cast<std::uint32_t>(j + 1));
}

TableCells BuildGroupTable(const std::vector<TLine>& lines,
                           const std::vector<std::string>& categoryNames) {
  TableCells cells{{"No.", "Group", "分類"}};
  cells.reserve(lines.size() + 1);
  for (std::size_t i = 0; i < lines.size(); ++i)
    cells.push_back({std::to_string(i + 1), GroupLabel(lines[i].LineType, static_cast<int>(i)),
                     CategoryName(categoryNames, lines[i].Sort)});
  return cells;
}

ResultTable BuildResultTable(const std::vector<TLine>& lines,
                             const std::vector<std::string>& categoryNames, int unit,
                             int decimals) {
  const std::string u = ResultUnitText(unit);
  const ResultFormats formats = CalculationFormats(unit, decimals);
  ResultTable table;
  table.cells.push_back({"分類", "Group", "長さ(" + u + ")", "面積(" + u + "^2)", "点数"});
  table.rows.push_back({});

  // The groups of each category in group order, categories in the order of their first group.
  std::vector<int> blockOfSort;
  std::vector<std::vector<int>> blocks;
  for (std::size_t g = 0; g < lines.size(); ++g) {
    const std::size_t s = lines[g].Sort;
    if (s >= blockOfSort.size()) blockOfSort.resize(s + 1, -1);
    if (blockOfSort[s] < 0) {
      blockOfSort[s] = static_cast<int>(blocks.size());
      blocks.emplace_back();
    }
    blocks[static_cast<std::size_t>(blockOfSort[s])].push_back(static_cast<int>(g));
  }

  table.cells.reserve(1 + lines.size() + blocks.size());
  table.rows.reserve(table.cells.capacity());
  for (const std::vector<int>& block : blocks) {
    const int sort = lines[static_cast<std::size_t>(block.front())].Sort;
    const std::string name = CategoryName(categoryNames, sort);
    double length = 0, area = 0;
    long long points = 0;
    for (int g : block) {
      const TLine& line = lines[static_cast<std::size_t>(g)];
      table.cells.push_back(
          {g == block.front() ? name : std::string(),
           GroupLabel(line.LineType, g) + (line.OutsideMarkers ? kOutsideMarkersSign : ""),
           FormatPicture(line.Length, formats.length), FormatPicture(line.Area, formats.area),
           std::to_string(line.NumPoints)});
      table.rows.push_back({ResultRowKind::Group, g, sort, line.Length, line.Area});
      length += line.Length;
      area += line.Area;
      points += line.NumPoints;
    }
    if (block.size() >= 2) {
      table.cells.push_back({name, "合計", FormatPicture(length, formats.length),
                             FormatPicture(area, formats.area), std::to_string(points)});
      table.rows.push_back({ResultRowKind::Total, -1, sort, length, area});
    }
  }
  return table;
}

}  // namespace zelko
