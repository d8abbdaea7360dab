#include "coords/marker_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelko {
namespace {

using Block = std::vector<std::vector<std::string>>;

TEST(NearestMarker, SquaredDistanceWithTiesToTheLowerIndex) {
  const std::vector<TMarker> markers{{"", 10, 10}, {"", 20, 10}, {"", 30, 30}};
  EXPECT_EQ(NearestMarker(markers, 3, 29, 28), 2);
  // (15, 10) lies 5 from both of the first two markers.
  EXPECT_EQ(NearestMarker(markers, 3, 15, 10), 0);
  // (20, 20): marker 1 at 10, marker 2 at sqrt(200) ≈ 14.1, marker 0 at sqrt(200).
  EXPECT_EQ(NearestMarker(markers, 3, 20, 20), 1);
  // A lone marker is found wherever the click is.
  EXPECT_EQ(NearestMarker(markers, 1, 500, -300), 0);
}

TEST(NearestMarker, LeftoverEntriesBeyondTheCountAreNotRead) {
  // After deletions the array keeps stale entries from NumMarkers on.
  const std::vector<TMarker> markers{{"", 100, 100}, {"", 0, 0}};
  EXPECT_EQ(NearestMarker(markers, 1, 0, 0), 0);
  EXPECT_EQ(NearestMarker(markers, 0, 0, 0), -1);
  // A count larger than the array never reads past it.
  EXPECT_EQ(NearestMarker(markers, 5, 1, 1), 1);
}

TEST(ParseCellBlock, TwoRowsWithAFinalLineEndMakeNoEmptyThirdRow) {
  EXPECT_EQ(ParseCellBlock("1\t2\r\n3\t4\r\n"), (Block{{"1", "2"}, {"3", "4"}}));
  EXPECT_EQ(ParseCellBlock("1\t2\r\n3\t4"), (Block{{"1", "2"}, {"3", "4"}}));
}

TEST(ParseCellBlock, OneLineIsOneRowWithOrWithoutItsLineEnd) {
  EXPECT_EQ(ParseCellBlock("5\t7"), (Block{{"5", "7"}}));
  EXPECT_EQ(ParseCellBlock("5\t7\r\n"), (Block{{"5", "7"}}));
  // Three characters are enough for the final CR LF to go.
  EXPECT_EQ(ParseCellBlock("5\r\n"), (Block{{"5"}}));
  // A text that is only the line end keeps it: two empty rows.
  EXPECT_EQ(ParseCellBlock("\r\n"), (Block{{""}, {""}}));
}

TEST(ParseCellBlock, RowsArePaddedToTheLongestRowTheLastIncluded) {
  EXPECT_EQ(ParseCellBlock("a\r\nb\tc\td"), (Block{{"a", "", ""}, {"b", "c", "d"}}));
  EXPECT_EQ(ParseCellBlock("a\t\tb\r\n\r\nc"),
            (Block{{"a", "", "b"}, {"", "", ""}, {"c", "", ""}}));
  // Empty cells between separators stay empty; texts keep their spaces and multibyte
  // characters.
  EXPECT_EQ(ParseCellBlock("\t x \r\n経度\t"), (Block{{"", " x "}, {"経度", ""}}));
}

TEST(ParseCellBlock, LoneLineFeedsEndRowsToo) {
  EXPECT_EQ(ParseCellBlock("1\t2\n3\t4\n"), (Block{{"1", "2"}, {"3", "4"}}));
  // A carriage return not followed by a line feed is part of the cell.
  EXPECT_EQ(ParseCellBlock("1\r2"), (Block{{"1\r2"}}));
}

TEST(ParseCellBlock, LimitsCutTheBlockToTheRoomInTheTable) {
  EXPECT_EQ(ParseCellBlock("1\t2\t3\r\n4\t5\t6\r\n7\t8\t9", 2, 2), (Block{{"1", "2"}, {"4", "5"}}));
  // The padding comes from the widest row even when that row is cut off.
  EXPECT_EQ(ParseCellBlock("a\r\nb\tc\td", 1, 5), (Block{{"a", "", ""}}));
  EXPECT_TRUE(ParseCellBlock("a\tb", 0, 5).empty());
  EXPECT_TRUE(ParseCellBlock("a\tb", 5, 0).empty());
  // A huge text into a small table builds only what fits.
  std::string wide(1'000'000, '\t');
  const Block cut = ParseCellBlock(wide + "\r\nz", 4, 3);
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0], (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(cut[1], (std::vector<std::string>{"z", "", ""}));
}

TEST(CellBlockText, EveryRowEndsWithCrLfAndCellsAreTabSeparated) {
  EXPECT_EQ(CellBlockText({{"1.5", "2"}, {"", "-3"}}), "1.5\t2\r\n\t-3\r\n");
  EXPECT_EQ(CellBlockText({{"x"}}), "x\r\n");
  EXPECT_EQ(CellBlockText({}), "");
}

TEST(EnterWalk, WalksThroughThePhysicalCellsRowByRow) {
  struct Case {
    int col, row, numMarkers, wantCol, wantRow;
  } cases[] = {
      {3, 1, 3, 4, 1},                   // X to Y of the same row
      {4, 1, 3, 3, 2},                   // Y to the next row's X
      {4, 3, 3, 4, 3},                   // Y of the last marker row stays
      {4, 5, 3, 4, 5},                   // below the markers it stays as well
      {3, 5, 3, 4, 5},                   // but X still goes to Y
      {1, 2, 3, 1, 2},                   // image coordinate cells stay
      {2, 2, 3, 2, 2}, {3, 1, 0, 4, 1},  // the empty row of a new table
  };
  for (const auto& c : cases) {
    int col = c.col, row = c.row;
    EnterWalk(col, row, c.numMarkers);
    EXPECT_EQ(col, c.wantCol) << c.col << "," << c.row;
    EXPECT_EQ(row, c.wantRow) << c.col << "," << c.row;
  }
}

}  // namespace
}  // namespace zelko
