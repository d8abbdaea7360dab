#include "measure/tables.h"

#include <gtest/gtest.h>

#include <cmath>

#include "coords/transform.h"
#include "measure/formats.h"
#include "measure/table_text.h"
#include "measure/view_overlay.h"

namespace zelko {
namespace {

TLine Group(std::uint8_t type, std::uint16_t sort, int points, double length, double area) {
  TLine line;
  line.LineType = type;
  line.Sort = sort;
  line.Length = length;
  line.Area = area;
  for (int i = 0; i < points; ++i) line.Points.push_back({std::to_string(i + 1), 1.0 * i, 2.0 * i});
  line.NumPoints = points;
  return line;
}

const std::vector<std::string> kNames{"Sort 1", "Sort 2"};

TEST(ResultTable, CategoryBlocksWithTotals) {
  const std::vector<TLine> lines{Group(ltClosed, 0, 4, 4, 1),
                                 Group(ltClosed, 0, 3, 12.3456, 12.3456),
                                 Group(ltCurve, 1, 4, 3, 0)};
  const ResultTable t = BuildResultTable(lines, kNames, 2, 1);
  const TableCells expected{{"分類", "Group", "長さ(mm)", "面積(mm^2)", "点数"},
                            {"Sort 1", "C1", "4.0", "1.00", "4"},
                            {"", "C2", "12.3", "12.35", "3"},
                            {"Sort 1", "合計", "16.3", "13.35", "7"},
                            {"Sort 2", "L3", "3.0", "0.00", "4"}};
  EXPECT_EQ(t.cells, expected);
  ASSERT_EQ(t.rows.size(), 5u);
  EXPECT_EQ(t.rows[0].kind, ResultRowKind::Header);
  EXPECT_EQ(t.rows[2].kind, ResultRowKind::Group);
  EXPECT_EQ(t.rows[2].group, 1);
  EXPECT_EQ(t.rows[3].kind, ResultRowKind::Total);
  EXPECT_EQ(t.rows[3].sort, 0);
  EXPECT_EQ(t.rows[4].group, 2);
  EXPECT_EQ(t.rows[4].sort, 1);
}

TEST(ResultTable, CategoriesInOrderOfTheirFirstGroup) {
  const std::vector<TLine> lines{Group(ltClosed, 1, 3, 1, 5), Group(ltPoints, 0, 2, 0, 0),
                                 Group(ltClosed, 1, 3, 2, -2)};
  const ResultTable t = BuildResultTable(lines, kNames, 0, 1);
  const TableCells expected{{"分類", "Group", "長さ(pixels)", "面積(pixels^2)", "点数"},
                            {"Sort 2", "C1", "1.0", "5.00", "3"},
                            {"", "C3", "2.0", "-2.00", "3"},
                            {"Sort 2", "合計", "3.0", "3.00", "6"},
                            {"Sort 1", "P2", "0.0", "0.00", "2"}};
  EXPECT_EQ(t.cells, expected);
}

TEST(ResultTable, DegreeUnitFormatsIgnoreDecimals) {
  const std::vector<TLine> lines{Group(ltClosed, 0, 4, 1234.56, 1012492.89),
                                 Group(ltClosed, 0, 4, 4047.25, -1012492.5)};
  const ResultTable t = BuildResultTable(lines, kNames, kDegreeUnit, 3);
  const TableCells expected{{"分類", "Group", "長さ(m)", "面積(m^2)", "点数"},
                            {"Sort 1", "C1", "1234.6", "1012493", "4"},
                            {"", "C2", "4047.3", "-1012493", "4"},
                            {"Sort 1", "合計", "5281.8", "0", "8"}};
  EXPECT_EQ(t.cells, expected);
}

TEST(ResultTable, NoDecimalsAndUnknownCategory) {
  const std::vector<TLine> lines{Group(ltClosed, 5, 3, 12.5, 2.5), Group(ltCurve, 0, 2, 0.4, 0)};
  const ResultTable t = BuildResultTable(lines, kNames, 4, 0);
  const TableCells expected{{"分類", "Group", "長さ(m)", "面積(m^2)", "点数"},
                            {"", "C1", "13", "3", "3"},
                            {"Sort 1", "L2", "0", "0", "2"}};
  EXPECT_EQ(t.cells, expected);
  EXPECT_EQ(BuildResultTable({}, kNames, 0, 1).cells.size(), 1u);
}

TEST(Formats, PicturesByDecimals) {
  EXPECT_EQ(LengthFormat(1), "0.0");
  EXPECT_EQ(AreaFormat(1), "0.00");
  EXPECT_EQ(LengthFormat(0), "0.");
  EXPECT_EQ(AreaFormat(0), "0.");
  EXPECT_EQ(LengthFormat(-2), "0.");
  EXPECT_EQ(AreaFormat(-2), "0.");
  EXPECT_EQ(LengthFormat(250).size(), 102u);
  EXPECT_EQ(AreaFormat(250).size(), 202u);
  EXPECT_EQ(CalculationFormats(kDegreeUnit, 5).length, "0.0");
  EXPECT_EQ(CalculationFormats(kDegreeUnit, 5).area, "0");
  EXPECT_EQ(PhysicalCaptionX(1), "X(μm)");
  EXPECT_EQ(PhysicalCaptionY(kDegreeUnit), "緯度");
}

TEST(PointTable, ColumnsLabelsAndFormats) {
  std::vector<TLine> lines{Group(ltClosed, 1, 0, 0, 0), Group(ltPoints, 0, 0, 0, 0)};
  lines[1].Points = {{"1", 10.25, 3}, {"", 0.04, -0.05}};
  lines[1].NumPoints = 2;
  // X = 1 + 2x, Y = 100 - y
  const std::vector<double> cx{1, 2, 0}, cy{100, 0, -1};
  const PointTable t = BuildPointTable(lines, tmAffine, cx, cy, 2, 2);
  const TableCells expected{{"分類", "Group", "Point", "x(pixels)", "y(pixels)", "X(mm)", "Y(mm)"},
                            {"1", "P2", "1", "10.3", "3.0", "21.50", "97.00"},
                            {"1", "P2", "2", "0.0", "-0.1", "1.08", "100.05"}};
  EXPECT_EQ(t.cells, expected);
  EXPECT_EQ(t.rows[2].group, 1);
  EXPECT_EQ(t.rows[2].point, 1);

  const PointTable plain = BuildPointTable(lines, tmNone, {0, 1, 0}, {50, 0, -1}, 0, 2);
  EXPECT_EQ(plain.cells[0],
            (std::vector<std::string>{"分類", "Group", "Point", "x(pixels)", "y(pixels)"}));
  EXPECT_EQ(plain.cells[1].size(), 5u);
  EXPECT_EQ(PointTableHeader(tmCubic, kDegreeUnit)[5], "経度");

  EXPECT_EQ(PointTableRowOf(lines, 1, 1), 2);
  EXPECT_EQ(PointTableRowOf(lines, 0, 0), std::nullopt);  // a group without points has no rows
}

TEST(PointTable, RowsFoundWithoutTheTexts) {
  // Groups of 2, 0, 3 and (still being input, NumPoints 1 of 2 stored) 1 used points.
  std::vector<TLine> lines{Group(ltCurve, 0, 2, 0, 0), Group(ltCurve, 0, 0, 0, 0),
                           Group(ltPoints, 2, 3, 0, 0), Group(ltClosed, 1, 2, 0, 0)};
  lines[3].NumPoints = 1;
  lines[2].Points[1].nm = "a long label";
  lines[0].Points[1].x = -12345.5;
  const PointTableIndex index(lines);
  EXPECT_EQ(index.Rows(), 6u);
  EXPECT_EQ(index.At(0), std::nullopt);  // the header
  EXPECT_EQ(index.At(1), (PointRowInfo{0, 0}));
  EXPECT_EQ(index.At(2), (PointRowInfo{0, 1}));
  EXPECT_EQ(index.At(3), (PointRowInfo{2, 0}));
  EXPECT_EQ(index.At(5), (PointRowInfo{2, 2}));
  EXPECT_EQ(index.At(6), (PointRowInfo{3, 0}));
  EXPECT_EQ(index.At(7), std::nullopt);
  // A cell alone is that cell of the row.
  const std::vector<double> cx{1, 2, 0}, cy{100, 0, -1};
  EXPECT_EQ(PointTableCell(lines[2], 2, 1, 2, tmAffine, cx, cy, 2, 2), "a long label");
  EXPECT_EQ(PointTableCell(lines[2], 2, 2, 5, tmAffine, cx, cy, 2, 2), "5.00");
  EXPECT_EQ(PointTableCell(lines[2], 2, 2, 5, tmNone, cx, cy, 2, 2), "");
  // The largest category (row 3), the last row, the long label (row 4), the smallest x (row 2),
  // the smallest y (row 1) and the largest x and y (row 5).
  EXPECT_EQ(index.WidestRows(lines), (std::vector<std::size_t>{1, 2, 3, 4, 5, 6}));
  // A point (row 2) inside the ranges of x and y, yet with the smallest X = x - y.
  lines[0].Points[1] = {"2", 0.5, 3.9};
  lines[2].Points[1].y = -3;
  EXPECT_EQ(index.WidestRows(lines), (std::vector<std::size_t>{1, 3, 4, 5, 6}));
  EXPECT_EQ(index.WidestRows(lines, tmAffine, {0, 1, -1}, cy),
            (std::vector<std::size_t>{1, 2, 3, 4, 5, 6}));
  lines.pop_back();
  EXPECT_TRUE(index.WidestRows(lines).empty());  // the index of other groups finds none
}

TEST(PointTable, LabelsReadBack) {
  EXPECT_EQ(GroupLabel(ltCurve, 0), "L1");
  EXPECT_EQ(GroupLabel(ltClosed, 1), "C2");
  EXPECT_EQ(GroupLabel(ltPoints, 2), "P3");
  EXPECT_EQ(ParseGroupLabel("C12"), 11);
  EXPECT_EQ(ParseGroupLabel("合計"), std::nullopt);
  EXPECT_EQ(ParseGroupLabel("C0"), std::nullopt);
  EXPECT_EQ(ParseGroupLabel(""), std::nullopt);
  EXPECT_EQ(ParsePointRow("L3", "7"), (PointRef{2, 6}));
  EXPECT_EQ(ParsePointRow("L3", ""), std::nullopt);
}

TEST(GroupTable, RowsAndChooser) {
  const std::vector<TLine> lines{Group(ltCurve, 1, 2, 0, 0), Group(ltPoints, 0, 1, 0, 0)};
  const TableCells expected{{"No.", "Group", "分類"}, {"1", "L1", "Sort 2"}, {"2", "P2", "Sort 1"}};
  EXPECT_EQ(BuildGroupTable(lines, kNames), expected);
  EXPECT_EQ(CategoryChooserItems(kNames), (std::vector<std::string>{"1:Sort 1", "2:Sort 2"}));
}

TEST(TableText, TsvIsTheClipboardCopy) {
  const TableCells cells{{"分類", "Group", "長さ(m)", "面積(m^2)", "点数"},
                         {"Sort 1", "C1", "4.0", "", "4"}};
  EXPECT_EQ(TableToTsv(cells), "分類\tGroup\t長さ(m)\t面積(m^2)\t点数\r\nSort 1\tC1\t4.0\t\t4\r\n");
  EXPECT_EQ(TableToTsv({{"a", "b"}, {"c"}}), "a\tb\r\nc\t\r\n");
}

TEST(TableText, CsvQuotesWhatNeedsIt) {
  EXPECT_EQ(TableToCsv({{"a,b", "say \"hi\"", "plain"}, {"two\r\nlines", ""}}),
            "\"a,b\",\"say \"\"hi\"\"\",plain\r\n\"two\r\nlines\",,\r\n");
  // Texts a spreadsheet would take for formulas are shown as texts; numbers stay numbers.
  EXPECT_EQ(TableToCsv({{"=1+2", "+81 3", "-x", "@SUM(A1)", "\tA", "-12.5", "-1e-07", "a=b"}}),
            "\"'=1+2\",\"'+81 3\",\"'-x\",\"'@SUM(A1)\",\"'\tA\",-12.5,-1e-07,a=b\r\n");
  // The files' tab-separated rows quote what would break a row; the clipboard copy stays plain.
  EXPECT_EQ(TableRowToTsv({"a\tb", "say \"hi\"", "=1", "x"}, 4),
            "\"a\tb\"\t\"say \"\"hi\"\"\"\t=1\tx\r\n");
  EXPECT_EQ(TableToTsv({{"a\tb"}}), "a\tb\r\n");
}

TEST(TableText, ResultJson) {
  ResultTable t;
  t.cells = {{"分類", "Group"}, {"A\"\\", "C1"}, {"A", "合計"}};
  t.rows = {{},
            {ResultRowKind::Group, 0, 2, 0.1, -1e300, 0.25, 0},
            {ResultRowKind::Total, -1, 2, 1e-7, std::nan("")}};
  // Every digit of the values, and null where JSON has no number (an unknown uncertainty).
  EXPECT_EQ(ResultTableToJson(t),
            "{\"header\": [\"分類\", \"Group\"], \"rows\": [\n"
            "  {\"type\": \"group\", \"group\": 1, \"category\": 3, \"cells\": [\"A\\\"\\\\\", "
            "\"C1\"], \"length\": 0.1, \"area\": -1e+300, \"length_sd\": 0.25, \"area_sd\": 0},\n"
            "  {\"type\": \"total\", \"category\": 3, \"cells\": [\"A\", \"合計\"], "
            "\"length\": 1e-07, \"area\": null, \"length_sd\": null, \"area_sd\": null}\n]}\n");
  ResultTable bad;
  bad.cells = {{"x\x01\xff"}};
  bad.rows = {{}};
  EXPECT_EQ(ResultTableToJson(bad), "{\"header\": [\"x\\u0001\xEF\xBF\xBD\"], \"rows\": []}\n");
}

TEST(TableText, PointJson) {
  PointTable t;
  t.cells = {{"Group", "Point"}, {"P2", "1"}};
  t.rows = {{}, {1, 0}};
  EXPECT_EQ(PointTableToJson(t),
            "{\"header\": [\"Group\", \"Point\"], \"rows\": [\n"
            "  {\"group\": 2, \"point\": 1, \"cells\": [\"P2\", \"1\"]}\n]}\n");
}

TEST(ViewOverlay, LabelAnchorsAndPlacement) {
  TLine curve = Group(ltCurve, 0, 0, 0, 0);
  curve.Points = {{"1", 10.6, 20.4}, {"2", 11.8, 21.0}};
  curve.NumPoints = 2;
  EXPECT_EQ(GroupLabelAnchor(curve), (PixelPos{11, 20}));
  TLine points = Group(ltPoints, 0, 0, 0, 0);
  points.Points = {{"1", -3.7, 5.9}};
  points.NumPoints = 1;
  EXPECT_EQ(GroupLabelAnchor(points), (PixelPos{-3, 5}));
  TLine single = curve;
  single.Points.resize(1);
  single.NumPoints = 1;
  EXPECT_EQ(GroupLabelAnchor(single), std::nullopt);
  EXPECT_EQ(GroupLabelAnchor(Group(ltPoints, 0, 0, 0, 0)), std::nullopt);

  const ViewPlacement view{10, 5, 2};
  const auto placed = GroupLabelPlacements({single, curve, points}, view, 100, 100);
  ASSERT_EQ(placed.size(), 1u);  // the single point has no anchor, the points lie left of view
  EXPECT_EQ(placed[0].group, 1);
  EXPECT_EQ(placed[0].label, "L2");
  EXPECT_EQ(placed[0].topLeft, (PixelPos{12, 31}));  // 22 - 10, 40 - 5 - 4
  EXPECT_TRUE(GroupLabelPlacements({curve}, view, 12, 100).empty());
}

TEST(ViewOverlay, FillOnlyWhenEveryVertexIsInView) {
  TLine area = Group(ltClosed, 0, 0, 0, 0);
  area.Points = {{"1", 2.25, 5}, {"2", 55, 5}, {"3", 55, 30}};
  area.NumPoints = 3;
  const ViewPlacement view{0, 10, 2};
  EXPECT_EQ(AreaFillPolygon(area, view, 110, 50),
            (std::vector<PixelPos>{{5, 0}, {110, 0}, {110, 50}}));
  EXPECT_EQ(AreaFillPolygon(area, view, 109, 50), std::nullopt);
  area.Points[1].x = 1e15;
  EXPECT_EQ(AreaFillPolygon(area, view, 110, 50), std::nullopt);
}

}  // namespace
}  // namespace zelko
