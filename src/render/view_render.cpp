#include "render/view_render.h"

#include <algorithm>

#include "document/numbers.h"

namespace zelko {

void PlaceViewWindow(ViewWindow& w, int viewW, int viewH, double X, double Y) {
  const double rx = w.BitWidth > 0 ? std::min(1.0, static_cast<double>(viewW) / w.BitWidth) : 1;
  const double ry = w.BitHeight > 0 ? std::min(1.0, static_cast<double>(viewH) / w.BitHeight) : 1;
  w.SWidth = RoundHalfAway(static_cast<long double>(w.BitWidth) * rx);
  w.SHeight = RoundHalfAway(static_cast<long double>(w.BitHeight) * ry);
  auto place = [](double c, double& origin, int size, int bitSize) {
    if (c < 0) return;
    origin = c - size / 2.0;
    if (origin < 0) origin = 0;
    if (origin + size >= bitSize) origin = std::max(0, bitSize - size);
  };
  place(X, w.XB0, w.SWidth, w.BitWidth);
  place(Y, w.YB0, w.SHeight, w.BitHeight);
}

PixelRect WindowPixels(const ViewWindow& w) {
  return {RoundHalfAway(w.XB0), RoundHalfAway(w.YB0), RoundHalfAway(w.XB0 + w.SWidth),
          RoundHalfAway(w.YB0 + w.SHeight)};
}

QImage ViewPicture(const QImage& working, const ViewWindow& w) {
  if (working.isNull() || w.SWidth <= 0 || w.SHeight <= 0) return {};
  const PixelRect r = WindowPixels(w);
  QImage out(w.SWidth, w.SHeight, QImage::Format_RGB32);
  out.fill(Qt::black);
  const QRect src = QRect(r.x0, r.y0, w.SWidth, w.SHeight).intersected(working.rect());
  if (!src.isEmpty()) {
    QPainter p(&out);
    p.drawImage(QPoint(src.x() - r.x0, src.y() - r.y0), working, src);
  }
  return out;
}

QImage OverviewPicture(const QImage& small, const ViewWindow& w, const SymbolSettings& s) {
  if (small.isNull()) return {};
  QImage out = small.convertToFormat(QImage::Format_RGB32);
  const double fx = w.BitWidth > 0 ? static_cast<double>(small.width()) / w.BitWidth : 0;
  const double fy = w.BitHeight > 0 ? static_cast<double>(small.height()) / w.BitHeight : 0;
  const PixelRect r = WindowPixels(w);
  QPainter p(&out);
  QPen pen(ToQColor(s.clFrameMonitorImage));
  pen.setWidth(std::max(1, s.FrameLineWidth));
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  const int x0 = RoundHalfAway(r.x0 * fx), y0 = RoundHalfAway(r.y0 * fy);
  const int x1 = RoundHalfAway(r.x1 * fx), y1 = RoundHalfAway(r.y1 * fy);
  p.drawRect(QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)));
  return out;
}

QPoint ViewPixel(const ViewWindow& w, double x, double y) {
  return QPoint(RoundHalfAway(static_cast<long double>(x) * w.factor - w.XB0),
                RoundHalfAway(static_cast<long double>(y) * w.factor - w.YB0));
}

std::optional<QPointF> SegmentIntersection(double ax1, double ay1, double ax2, double ay2,
                                           double bx1, double by1, double bx2, double by2) {
  const double d = (ax2 - ax1) * (by2 - by1) - (bx2 - bx1) * (ay2 - ay1);
  if (d == 0) return std::nullopt;
  const double t = ((by2 - by1) * (bx1 - ax1) - (bx2 - bx1) * (by1 - ay1)) / d;
  const double u = ((ay2 - ay1) * (bx1 - ax1) - (ax2 - ax1) * (by1 - ay1)) / d;
  if (!(t > 0 && t < 1 && u > 0 && u < 1)) return std::nullopt;
  return QPointF(ax1 + (ax2 - ax1) * t, ay1 + (ay2 - ay1) * t);
}

OverlayPainter::OverlayPainter(QImage& picture, const ViewWindow& w) : painter_(&picture), w_(w) {}

void OverlayPainter::DrawSymbol(int size, int kind, double x, double y, TColor colour,
                                int lineWidth) {
  const QPoint p = ViewPixel(w_, x, y);
  const int s = size;
  if (p.x() - s < 0 || p.x() + s > w_.SWidth || p.y() - s < 0 || p.y() + s > w_.SHeight) return;
  QPen pen(ToQColor(colour));
  pen.setWidth(std::max(1, lineWidth));
  if (kind == skDisc) {
    painter_.setPen(pen);
    painter_.setBrush(ToQColor(colour));
    painter_.drawEllipse(QRect(QPoint(p.x() - s, p.y() - s), QPoint(p.x() + s, p.y() + s)));
  } else if (kind == skCross) {
    painter_.setPen(pen);
    painter_.drawLine(p.x() - s, p.y() - s, p.x() + s, p.y() + s);
    painter_.drawLine(p.x() - s, p.y() + s, p.x() + s, p.y() - s);
  }
}

void OverlayPainter::DrawClippedSegment(double x1, double y1, double x2, double y2,
                                        TColor colour) {
  const QPoint a = ViewPixel(w_, x1, y1);
  const QPoint b = ViewPixel(w_, x2, y2);
  const int W = w_.SWidth, H = w_.SHeight;
  auto inside = [&](QPoint p) { return p.x() >= 0 && p.x() <= W && p.y() >= 0 && p.y() <= H; };
  // Both ends far on the same side: nothing to draw, and no intersection tests.
  if ((a.x() < 0 && b.x() < 0) || (a.x() > W && b.x() > W) || (a.y() < 0 && b.y() < 0) ||
      (a.y() > H && b.y() > H))
    return;
  QPointF pts[2];
  int n = 0;
  if (inside(a)) pts[n++] = a;
  if (inside(b)) pts[n++] = b;
  const double edges[4][4] = {{0, 0, double(W), 0},
                              {double(W), 0, double(W), double(H)},
                              {0, double(H), double(W), double(H)},
                              {0, 0, 0, double(H)}};
  for (int e = 0; e < 4 && n < 2; ++e) {
    if (auto q = SegmentIntersection(a.x(), a.y(), b.x(), b.y(), edges[e][0], edges[e][1],
                                     edges[e][2], edges[e][3]))
      pts[n++] = *q;
  }
  if (n < 2) return;
  QPen pen(ToQColor(colour));
  pen.setWidth(1);
  painter_.setPen(pen);
  painter_.drawLine(QPoint(RoundHalfAway(pts[0].x()), RoundHalfAway(pts[0].y())),
                    QPoint(RoundHalfAway(pts[1].x()), RoundHalfAway(pts[1].y())));
}

void DrawMarkers(QImage& picture, const ViewWindow& w, const std::vector<TMarker>& markers,
                 int numMarkers, int selectedRow, const SymbolSettings& s) {
  OverlayPainter op(picture, w);
  QPainter& p = op.painter();
  p.setFont(s.MarkerFont);
  const QFontMetrics fm(s.MarkerFont);
  const int f = s.MarkerFont.pointSize();
  const int ms = s.MarkerSize;
  for (int i = 0; i < numMarkers && i < static_cast<int>(markers.size()); ++i) {
    const QPoint v = ViewPixel(w, markers[i].x, markers[i].y);
    if (v.x() - ms < 0 || v.x() + ms > w.SWidth || v.y() - ms < 0 || v.y() + ms > w.SHeight)
      continue;
    const QString text = QString::number(i + 1);
    int ty = v.y() - ms - f;
    if (ty <= 0) ty = v.y() + ms;
    const QRect cell(v.x() + ms, ty, fm.horizontalAdvance(text) + 2, fm.height());
    p.fillRect(cell, selectedRow == i + 1 ? QColor(255, 255, 0) : ToQColor(s.clMarkerFontBackColor));
    p.setPen(ToQColor(s.MarkerFontColor));
    p.drawText(cell, Qt::AlignLeft | Qt::AlignTop, text);
    op.DrawSymbol(ms, skCross, markers[i].x, markers[i].y, s.clMarker, s.MarkerLineWidth);
  }
}

void DrawScaleRubberBand(QImage& picture, const ViewWindow& w, const TMarker& first, double xPre,
                         double yPre, const SymbolSettings& s) {
  OverlayPainter op(picture, w);
  op.DrawClippedSegment(first.x, first.y, xPre, yPre, s.clLine);
}

namespace {

TColor Highlight(TColor c) {
  const TColor green = 0x00FF00;
  return c == green ? 0xFF00FF : green;
}

// Whether every point of the group lies beyond one edge of the view window by more than the
// largest symbol: then none of its symbols fits and every segment has both ends beyond that
// edge, so the group would draw nothing. Tested in image coordinates, before any rounding.
bool GroupOutsideWindow(const TLine& line, const ViewWindow& w, int symbolSize) {
  double minX = line.Points[0].x, maxX = minX, minY = line.Points[0].y, maxY = minY;
  for (const TMarker& p : line.Points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  if (!(w.factor > 0)) return false;
  // A view pixel is RoundHalfAway(x * factor - XB0); one pixel more covers the rounding.
  const double margin = (symbolSize + 1.0) / w.factor;
  const double left = w.XB0 / w.factor - margin;
  const double right = (w.XB0 + w.SWidth) / w.factor + margin;
  const double top = w.YB0 / w.factor - margin;
  const double bottom = (w.YB0 + w.SHeight) / w.factor + margin;
  return maxX < left || minX > right || maxY < top || minY > bottom;
}

}  // namespace

void DrawGroups(QImage& picture, const ViewWindow& w, const std::vector<TLine>& lines,
                const GroupDrawing& d, const SymbolSettings& s) {
  if (lines.empty()) return;
  OverlayPainter op(picture, w);
  for (size_t g = 0; g < lines.size(); ++g) {
    const TLine& line = lines[g];
    if (line.Points.empty()) continue;
    if (GroupOutsideWindow(line, w, 2 * std::max(0, s.RegistPointSize))) continue;
    const bool hi = g < d.highlighted.size() && d.highlighted[g];
    const TColor pointColour = hi ? Highlight(s.clRegistPoints) : s.clRegistPoints;
    const TColor lineColour = hi ? Highlight(s.clLine) : s.clLine;
    const bool isPointSet = line.LineType == ltPoints;
    for (const TMarker& p : line.Points) {
      if (isPointSet)
        op.DrawSymbol(2 * s.RegistPointSize, skCross, p.x, p.y, pointColour, s.PointLineWidth);
      else
        op.DrawSymbol(s.RegistPointSize, skDisc, p.x, p.y, pointColour, s.PointLineWidth);
    }
    if (!isPointSet) {
      for (size_t i = 0; i + 1 < line.Points.size(); ++i)
        op.DrawClippedSegment(line.Points[i].x, line.Points[i].y, line.Points[i + 1].x,
                              line.Points[i + 1].y, lineColour);
      if (line.LineType == ltClosed && line.NumPoints == static_cast<int>(line.Points.size()) &&
          line.Points.size() > 1)
        op.DrawClippedSegment(line.Points.back().x, line.Points.back().y, line.Points[0].x,
                              line.Points[0].y, lineColour);
    }
  }
  if (d.selectedGroup >= 0 && d.selectedGroup < static_cast<int>(lines.size())) {
    const TLine& line = lines[d.selectedGroup];
    if (d.selectedPoint >= 0 && d.selectedPoint < static_cast<int>(line.Points.size())) {
      const TMarker& p = line.Points[d.selectedPoint];
      if (line.LineType == ltPoints)
        op.DrawSymbol(2 * s.RegistPointSize, skCross, p.x, p.y, s.clPresentPoint, s.PointLineWidth);
      else
        op.DrawSymbol(s.RegistPointSize, skDisc, p.x, p.y, s.clPresentPoint, s.PointLineWidth);
    }
  }
}

void DrawPolylines(QImage& picture, const std::vector<std::vector<QPoint>>& lines, TColor colour,
                   int width) {
  QPainter p(&picture);
  QPen pen(ToQColor(colour));
  pen.setWidth(std::max(1, width));
  p.setPen(pen);
  for (const auto& line : lines) {
    if (line.size() == 1) p.drawPoint(line[0]);
    for (size_t i = 0; i + 1 < line.size(); ++i) p.drawLine(line[i], line[i + 1]);
  }
}

}  // namespace zelko
