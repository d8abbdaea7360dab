#include "measure/editing.h"

#include <gtest/gtest.h>

#include "coords/transform.h"
#include "measure/geometry.h"

namespace zelko {
namespace {

TLine Group(std::uint8_t type, const std::vector<XY>& pts, std::uint16_t sort = 0) {
  TLine line;
  line.LineType = type;
  line.Sort = sort;
  for (const XY& p : pts) line.Points.push_back({std::to_string(line.Points.size() + 1), p.x, p.y});
  line.NumPoints = static_cast<int>(line.Points.size());
  return line;
}

// Groups told apart by their Sort, which deletion keeps.
std::vector<TLine> Tagged(int n) {
  std::vector<TLine> lines;
  for (int i = 0; i < n; ++i) lines.push_back(Group(ltCurve, {{0, 0}, {1, 1}}, i));
  return lines;
}

std::vector<int> Tags(const std::vector<TLine>& lines) {
  std::vector<int> tags;
  for (const TLine& l : lines) tags.push_back(l.Sort);
  return tags;
}

std::vector<std::string> Labels(const TLine& line) {
  std::vector<std::string> labels;
  for (const TMarker& p : line.Points) labels.push_back(p.nm);
  return labels;
}

TEST(GroupInput, EndKeepsOrRemovesByPointCount) {
  struct Case {
    std::uint8_t type;
    int points;
    InputEnd outcome;
    const char* warning;
    int rows;
  };
  const Case cases[] = {
      {ltClosed, 3, InputEnd::Kept, "", 0},
      {ltClosed, 2, InputEnd::RemovedTwoPoints,
       "入力点数が２点しかありません。データを消去します。", 2},
      {ltClosed, 1, InputEnd::RemovedOnePoint, "入力点数が１点しかありません。データを消去します。",
       1},
      {ltCurve, 2, InputEnd::Kept, "", 0},
      {ltCurve, 1, InputEnd::RemovedOnePoint, "入力点数が１点しかありません。データを消去します。",
       1},
      {ltPoints, 1, InputEnd::Kept, "", 0},
      {ltPoints, 0, InputEnd::RemovedEmpty, "", 0},
  };
  for (const Case& c : cases) {
    std::vector<TLine> lines = Tagged(2);
    EXPECT_EQ(StartGroupInput(lines, 1, c.type), 2);
    for (int i = 0; i < c.points; ++i) AppendInputPoint(lines.back(), i, i);
    const InputEndResult r = EndGroupInput(lines);
    const bool kept = c.outcome == InputEnd::Kept;
    EXPECT_EQ(r.outcome, c.outcome) << int(c.type) << "/" << c.points;
    EXPECT_EQ(r.warning, c.warning);
    EXPECT_EQ(r.pointRowsRemoved, c.rows);
    EXPECT_EQ(lines.size(), kept ? 3u : 2u);
    EXPECT_EQ(r.IDLine, kept ? 2 : 1);
  }
}

TEST(GroupInput, TakeBackRenumbersTheNextPoint) {
  std::vector<TLine> lines;
  StartGroupInput(lines, 0, ltCurve);
  TLine& line = lines.back();
  AppendInputPoint(line, 1, 1);
  AppendInputPoint(line, 2, 2);
  AppendInputPoint(line, 3, 3);
  EXPECT_TRUE(TakeBackPoint(line));
  EXPECT_EQ(AppendInputPoint(line, 4, 4), 3);
  EXPECT_EQ(Labels(line), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(line.Points[2].x, 4);
  TLine empty;
  EXPECT_FALSE(TakeBackPoint(empty));
}

TEST(RangeItems, ParsesItemsAndStopsAtBadOnes) {
  RangeItem r = ParseRangeItem("5-7,9");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.first, 5);
  EXPECT_EQ(r.last, 7);
  EXPECT_EQ(r.rest, "9");
  r = ParseRangeItem("9");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.first, 9);
  EXPECT_EQ(r.last, 9);
  EXPECT_EQ(r.rest, "");
  for (const char* bad : {"", ",3", "-3", "3-", "x,3", "1.5", "１", "1-2-3", "+2"}) {
    r = ParseRangeItem(bad);
    EXPECT_FALSE(r.ok) << bad;
    EXPECT_EQ(r.rest, "") << bad;
  }
  EXPECT_EQ(ParseRangeItem("99999999999").first, 2147483647);
}

TEST(GroupDeletion, NumbersReferToTheNumberingWhenTyped) {
  EXPECT_EQ(PlanGroupDeletion("1,3", 4).calls, (std::vector<int>{0, 1}));
  EXPECT_EQ(PlanGroupDeletion("3,1", 4).calls, (std::vector<int>{2, 0}));
  EXPECT_EQ(PlanGroupDeletion("2-", 4).calls, (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(PlanGroupDeletion("1-3,2", 4).numbers, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(PlanGroupDeletion("0,2", 4).numbers, (std::vector<int>{2}));
  for (const char* none : {"3-1", "9", "", "x", ",1"}) {
    const GroupDeletion d = PlanGroupDeletion(none, 4);
    EXPECT_TRUE(d.numbers.empty()) << none;
    EXPECT_FALSE(d.cancelled) << none;
  }
  EXPECT_TRUE(PlanGroupDeletion("0", 4).cancelled);
  EXPECT_EQ(PlanGroupDeletion("1-99999999999", 3).numbers, (std::vector<int>{1, 2, 3}));
}

TEST(GroupDeletion, AppliedToTheGroups) {
  std::vector<TLine> lines = Tagged(4);
  EXPECT_EQ(DeleteGroupsByList(lines, "1,3").numbers, (std::vector<int>{1, 3}));
  EXPECT_EQ(Tags(lines), (std::vector<int>{1, 3}));

  lines = Tagged(4);
  DeleteGroupsByList(lines, "2-");
  EXPECT_EQ(Tags(lines), (std::vector<int>{0}));

  lines = Tagged(3);
  DeleteGroupsByList(lines, "1,x,3");
  EXPECT_EQ(Tags(lines), (std::vector<int>{1, 2}));

  lines = {Group(ltCurve, {{0, 0}, {1, 0}}), Group(ltClosed, {{0, 0}, {1, 0}, {1, 1}}),
           Group(ltPoints, {{5, 5}})};
  DeleteGroupsByList(lines, "2");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(GroupLabel(lines, 0), "L1");
  EXPECT_EQ(GroupLabel(lines, 1), "P2");
  EXPECT_EQ(lines[1].Points[0].x, 5);

  EXPECT_EQ(DeleteGroup(lines, 1), 0);
  EXPECT_EQ(DeleteGroup(lines, 0), -1);
  EXPECT_EQ(DeleteGroup(lines, 0), std::nullopt);
}

TEST(Categories, DeletingRenumbersLaterGroups) {
  std::vector<std::string> names{"A", "B", "C"};
  std::vector<TLine> lines{Group(ltCurve, {{0, 0}, {1, 1}}, 0), Group(ltPoints, {{3, 4}}, 2)};
  EXPECT_FALSE(CanDeleteCategory(lines, 3, 1));
  EXPECT_TRUE(CanDeleteCategory(lines, 3, 2));
  EXPECT_FALSE(CanDeleteCategory(lines, 3, 3));
  EXPECT_EQ(DeleteCategory(names, lines, 1), std::nullopt);
  EXPECT_EQ(names.size(), 3u);

  EXPECT_EQ(DeleteCategory(names, lines, 2), 2);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(lines[1].Sort, 1);
  EXPECT_EQ(BuildPointTable(lines, tmAffine, {0, 1, 0}, {0, 0, 1}, 0, 1).cells[3][0], "2");

  lines.pop_back();
  EXPECT_EQ(DeleteCategory(names, lines, 2), 1);  // the last row: the one above is selected
  EXPECT_EQ(names, (std::vector<std::string>{"A"}));
  EXPECT_FALSE(CanDeleteCategory({}, 1, 1));  // never the only category
}

TEST(Categories, NewCategoryName) {
  EXPECT_EQ(NewCategoryName(4), "Sort 4");
  EXPECT_EQ(CategoryChooserItems({"a", "b", "c", NewCategoryName(4)}).back(), "4:Sort 4");
}

TEST(PointEdits, ReverseSwapsOrderAndArea) {
  TLine line = Group(ltClosed, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  ReverseGroup(line);
  EXPECT_EQ(Labels(line), (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(line.Points[0].y, 1);  // the former point 4
  EXPECT_EQ(line.Points[3].x, 0);  // the former point 1
  EXPECT_EQ(line.Points[3].y, 0);
  std::vector<XY> p;
  for (const TMarker& m : line.Points) p.push_back({m.x, m.y});
  EXPECT_EQ(PolygonArea(p), -1);
}

TEST(PointEdits, InsertAfterRenumbers) {
  std::vector<TLine> lines{Group(ltCurve, {{0, 0}, {9, 9}}),
                           Group(ltClosed, {{0, 0}, {1, 0}, {1, 1}, {0, 1}})};
  EXPECT_EQ(InsertPointAfter(lines, {1, 1}, 7, 8), 2);
  const TLine& g = lines[1];
  EXPECT_EQ(g.NumPoints, 5);
  EXPECT_EQ(Labels(g), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(g.Points[2].x, 7);
  EXPECT_EQ(g.Points[3].x, 1);                          // the former point 3
  EXPECT_EQ(g.Points[4].y, 1);                          // the former point 4
  EXPECT_EQ(PointTableRowOf(lines, 1, 2), 5);           // two rows of the curve, then the new point
  EXPECT_EQ(InsertPointAfter(lines, {1, 4}, 3, 3), 5);  // after the last point: appended
  EXPECT_EQ(InsertPointAfter(lines, {1, 6}, 3, 3), std::nullopt);
  EXPECT_EQ(InsertPointAfter(lines, {2, 0}, 3, 3), std::nullopt);
}

TEST(PointEdits, DeleteRenumbersAndAsksForTheLastPoints) {
  std::vector<TLine> lines{Group(ltCurve, {{1, 0}, {2, 0}, {3, 0}})};
  EXPECT_EQ(PointDeletionQuestion(lines[0]), std::nullopt);
  EXPECT_TRUE(RemovePoint(lines, {0, 0}));
  EXPECT_EQ(Labels(lines[0]), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(lines[0].Points[0].x, 2);
  EXPECT_EQ(PointDeletionQuestion(lines[0]), std::nullopt);  // two points: no question yet
  EXPECT_TRUE(RemovePoint(lines, {0, 1}));
  EXPECT_EQ(lines[0].NumPoints, 1);
  EXPECT_EQ(PointDeletionQuestion(lines[0]),
            "点数が１点しかありません。この曲線データは全て消去されます。\nよろしいですか。");

  TLine area = Group(ltClosed, {{0, 0}, {1, 0}});
  EXPECT_EQ(PointDeletionQuestion(area),
            "点数が２点しかありません。この領域データは全て消去されます。\nよろしいですか。");

  std::vector<TLine> points{Group(ltPoints, {{4, 4}})};
  EXPECT_EQ(PointDeletionQuestion(points[0]), std::nullopt);
  EXPECT_TRUE(RemovePoint(points, {0, 0}));
  EXPECT_EQ(points.size(), 1u);  // a points group may stay without points
  EXPECT_EQ(points[0].NumPoints, 0);
  EXPECT_FALSE(RemovePoint(points, {0, 0}));
  EXPECT_FALSE(MovePoint(points, {0, 0}, 1, 1));
}

TEST(PointEdits, MovePoint) {
  std::vector<TLine> lines{Group(ltPoints, {{4, 4}, {5, 5}})};
  EXPECT_TRUE(MovePoint(lines, {0, 1}, 7.5, 8.5));
  EXPECT_EQ(lines[0].Points[1].x, 7.5);
  EXPECT_EQ(lines[0].Points[1].y, 8.5);
  EXPECT_EQ(lines[0].Points[1].nm, "2");
}

TEST(NearestPoint, TiesGoToTheEarlierPoint) {
  const std::vector<TLine> lines{Group(ltCurve, {{0, 0}, {10, 0}}), Group(ltPoints, {}),
                                 Group(ltClosed, {{0, 10}, {5, 5}, {20, 0}})};
  // (5, 0) is 5 from points 1 and 2 of group 1 and 5 from point 2 of group 3.
  EXPECT_EQ(NearestPoint(lines, 5, 0), (NearestPointResult{0, 0, 1}));
  EXPECT_EQ(NearestPoint(lines, 6, 5), (NearestPointResult{2, 1, 4}));
  EXPECT_EQ(NearestPoint(lines, 1e6, 0), (NearestPointResult{2, 2, 5}));  // no distance limit
  EXPECT_EQ(NearestPoint({Group(ltPoints, {})}, 0, 0), std::nullopt);
}

}  // namespace
}  // namespace zelko
