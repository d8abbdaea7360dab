// The groups drawn the fast way (culled by their boxes, symbols stamped, segments merged and
// batched) against the groups drawn one symbol and one segment at a time with the drawing
// primitives, as the behaviour describes them: the pictures must be the same pixel for pixel.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <string>
#include <vector>

#include "render/symbols.h"
#include "render/view_render.h"

namespace zelko {
namespace {

QGuiApplication& App() {
  static int argc = 1;
  static char name[] = "test_render";
  static char* argv[] = {name, nullptr};
  static auto* app = new QGuiApplication(argc, argv);
  return *app;
}

TColor Highlight(TColor c) { return c == 0x00FF00 ? 0xFF00FF : 0x00FF00; }

// Every group, point and segment drawn on its own, in the documented order.
void DrawGroupsOneByOne(QImage& picture, const ViewWindow& w, const std::vector<TLine>& lines,
                        const GroupDrawing& d, const SymbolSettings& s) {
  OverlayPainter op(picture, w);
  for (std::size_t g = 0; g < lines.size(); ++g) {
    const TLine& line = lines[g];
    const bool hi = g < d.highlighted.size() && d.highlighted[g];
    const TColor pc = hi ? Highlight(s.clRegistPoints) : s.clRegistPoints;
    const TColor lc = hi ? Highlight(s.clLine) : s.clLine;
    const bool set = line.LineType == ltPoints;
    for (const TMarker& p : line.Points)
      op.DrawSymbol(set ? 2 * s.RegistPointSize : s.RegistPointSize, set ? skCross : skDisc, p.x,
                    p.y, pc, s.PointLineWidth);
    if (set) continue;
    for (std::size_t i = 0; i + 1 < line.Points.size(); ++i)
      op.DrawClippedSegment(line.Points[i].x, line.Points[i].y, line.Points[i + 1].x,
                            line.Points[i + 1].y, lc);
    if (line.LineType == ltClosed && line.NumPoints == static_cast<int>(line.Points.size()) &&
        line.Points.size() > 1)
      op.DrawClippedSegment(line.Points.back().x, line.Points.back().y, line.Points[0].x,
                            line.Points[0].y, lc);
  }
  if (d.selectedGroup >= 0) {
    const TLine& line = lines[d.selectedGroup];
    const TMarker& p = line.Points[d.selectedPoint];
    const bool set = line.LineType == ltPoints;
    op.DrawSymbol(set ? 2 * s.RegistPointSize : s.RegistPointSize, set ? skCross : skDisc, p.x, p.y,
                  s.clPresentPoint, s.PointLineWidth);
  }
}

// Groups of every kind on a lattice over a 1200 x 900 image: rings of many points (at small
// scales several share a view pixel), clusters on one spot, long zigzags that leave the view,
// a closed curve still being input, and groups far outside the image.
std::vector<TLine> Groups() {
  std::vector<TLine> lines;
  for (int g = 0; g < 300; ++g) {
    TLine line;
    line.LineType = static_cast<std::uint8_t>(g % 3);
    line.Sort = static_cast<std::uint16_t>(g % 2);
    const double cx = 30 + (g % 20) * 60, cy = 30 + (g / 20) * 60;
    const int n = 5 + g % 45;
    for (int j = 0; j < n; ++j) {
      const double t = 2 * 3.141592653589793 * j / n;
      line.Points.push_back({std::to_string(j + 1), cx + (8 + g % 17) * std::cos(t),
                             cy + (6 + g % 11) * std::sin(t)});
    }
    line.NumPoints = g % 7 == 1 ? n + 1 : n;  // some closed curves are unfinished
    lines.push_back(line);
  }
  // One point in view and one millions of view pixels away: the group's extent overflows int.
  TLine straddling;
  straddling.LineType = ltPoints;
  straddling.Points = {{"", 420, 310}, {"", 1e6, 4e6}};
  straddling.NumPoints = 2;
  lines.push_back(straddling);
  TLine cluster;
  cluster.LineType = ltClosed;
  for (int j = 0; j < 12; ++j) cluster.Points.push_back({"", 400 + 0.01 * j, 300 - 0.02 * j});
  cluster.NumPoints = 12;
  lines.push_back(cluster);
  TLine zigzag;
  for (int j = 0; j < 40; ++j) zigzag.Points.push_back({"", -300 + 50.0 * j, j % 2 ? -80.0 : 980.0});
  zigzag.NumPoints = 40;
  lines.push_back(zigzag);
  TLine far;
  far.LineType = ltPoints;
  for (int j = 0; j < 5; ++j) far.Points.push_back({"", 1e7 + j, -1e7});
  far.NumPoints = 5;
  lines.push_back(far);
  lines.push_back(TLine{});  // a group without points
  return lines;
}

struct View {
  double factor, xb0, yb0;
};

void ExpectSamePictures(const std::vector<TLine>& lines, const SymbolSettings& s,
                        QImage::Format format) {
  GroupDrawing d;
  d.highlighted.assign(lines.size(), false);
  d.highlighted[7] = d.highlighted[8] = d.highlighted[lines.size() - 4] = true;
  d.selectedGroup = 8;
  d.selectedPoint = 2;
  const std::vector<GroupBox> boxes = GroupBoxes(lines);
  // The whole image, the same scale, zoomed in on an edge, zoomed in mid-image, and an origin
  // left of and above the image as the wheel can set it.
  for (const View v : {View{0.3, 0, 0}, View{0.75, 0, 0}, View{1, 300, 200}, View{3, 1500, 900},
                       View{4.5, 2000, 1700}, View{2, -150, -90}}) {
    ViewWindow w;
    w.factor = v.factor;
    w.XB0 = v.xb0;
    w.YB0 = v.yb0;
    w.SWidth = 500;
    w.SHeight = 350;
    QImage expected(w.SWidth, w.SHeight, format), actual(w.SWidth, w.SHeight, format);
    expected.fill(QColor(20, 40, 60));
    actual.fill(QColor(20, 40, 60));
    DrawGroupsOneByOne(expected, w, lines, d, s);
    DrawGroups(actual, w, lines, boxes, d, s);
    int differing = 0;
    for (int y = 0; y < w.SHeight; ++y)
      for (int x = 0; x < w.SWidth; ++x) differing += expected.pixel(x, y) != actual.pixel(x, y);
    EXPECT_EQ(differing, 0) << "factor " << v.factor << " origin " << v.xb0 << ", " << v.yb0;
  }
}

TEST(GroupDrawing, SamePictureAsDrawingEachPointAndSegment) {
  App();
  const std::vector<TLine> lines = Groups();
  SymbolSettings s;
  ApplyDefaultSymbols(s);
  ExpectSamePictures(lines, s, QImage::Format_RGB32);
  // Wider pens and larger symbols; a green point colour that highlights as magenta.
  s.RegistPointSize = 4;
  s.PointLineWidth = 3;
  s.clRegistPoints = 0x00FF00;
  s.clLine = 0x00FFFF;
  ExpectSamePictures(lines, s, QImage::Format_RGB32);
  // A picture whose pixels are not written directly.
  ExpectSamePictures(lines, s, QImage::Format_RGB888);
}

TEST(GroupDrawing, BoxesOfOtherGroupsAreNotTrusted) {
  App();
  std::vector<TLine> lines = Groups();
  SymbolSettings s;
  ApplyDefaultSymbols(s);
  ViewWindow w;
  w.factor = 1;
  w.SWidth = 300;
  w.SHeight = 200;
  // Boxes of the groups as they were before a group was added at the start.
  const std::vector<GroupBox> stale = GroupBoxes(lines);
  TLine first;
  first.Points = {{"", 50, 50}, {"", 120, 90}};
  first.NumPoints = 2;
  lines.insert(lines.begin(), first);
  QImage expected(w.SWidth, w.SHeight, QImage::Format_RGB32), actual = expected;
  expected.fill(Qt::black);
  actual.fill(Qt::black);
  DrawGroupsOneByOne(expected, w, lines, {}, s);
  DrawGroups(actual, w, lines, stale, {}, s);
  EXPECT_EQ(expected, actual);
}

TEST(GroupDrawing, BoxesSpanEachGroupsPoints) {
  TLine a;
  a.Points = {{"", 5, -2}, {"", -1, 7}, {"", 3, 3}};
  const auto boxes = GroupBoxes({a, TLine{}});
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_FALSE(boxes[0].empty);
  EXPECT_EQ(boxes[0].minX, -1);
  EXPECT_EQ(boxes[0].maxX, 5);
  EXPECT_EQ(boxes[0].minY, -2);
  EXPECT_EQ(boxes[0].maxY, 7);
  EXPECT_TRUE(boxes[1].empty);
}

}  // namespace
}  // namespace zelko
