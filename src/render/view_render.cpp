#include "render/view_render.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>

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

std::optional<QLine> OverlayPainter::ClipToWindow(QPoint a, QPoint b) const {
  const int W = w_.SWidth, H = w_.SHeight;
  auto inside = [&](QPoint p) { return p.x() >= 0 && p.x() <= W && p.y() >= 0 && p.y() <= H; };
  // Both ends far on the same side: nothing to draw, and no intersection tests.
  if ((a.x() < 0 && b.x() < 0) || (a.x() > W && b.x() > W) || (a.y() < 0 && b.y() < 0) ||
      (a.y() > H && b.y() > H))
    return std::nullopt;
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
  if (n < 2) return std::nullopt;
  return QLine(QPoint(RoundHalfAway(pts[0].x()), RoundHalfAway(pts[0].y())),
               QPoint(RoundHalfAway(pts[1].x()), RoundHalfAway(pts[1].y())));
}

void OverlayPainter::DrawClippedSegment(double x1, double y1, double x2, double y2, TColor colour) {
  const auto line = ClipToWindow(ViewPixel(w_, x1, y1), ViewPixel(w_, x2, y2));
  if (!line) return;
  QPen pen(ToQColor(colour));
  pen.setWidth(1);
  painter_.setPen(pen);
  painter_.drawLine(*line);
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
    p.fillRect(cell,
               selectedRow == i + 1 ? QColor(255, 255, 0) : ToQColor(s.clMarkerFontBackColor));
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

std::vector<GroupBox> GroupBoxes(const std::vector<TLine>& lines) {
  std::vector<GroupBox> boxes(lines.size());
  for (std::size_t g = 0; g < lines.size(); ++g) {
    const std::vector<TMarker>& pts = lines[g].Points;
    if (pts.empty()) continue;
    GroupBox& b = boxes[g];
    b = {pts[0].x, pts[0].y, pts[0].x, pts[0].y, false};
    for (const TMarker& p : pts) {
      b.minX = std::min(b.minX, p.x);
      b.maxX = std::max(b.maxX, p.x);
      b.minY = std::min(b.minY, p.y);
      b.maxY = std::max(b.maxY, p.y);
    }
  }
  return boxes;
}

namespace {

TColor Highlight(TColor c) {
  const TColor green = 0x00FF00;
  return c == green ? 0xFF00FF : green;
}

// Whether every point of the group lies beyond one edge of the view window by more than the
// largest symbol: then none of its symbols fits and every segment has both ends beyond that
// edge, so the group would draw nothing. Tested in image coordinates, before any rounding.
bool GroupOutsideWindow(const GroupBox& b, const ViewWindow& w, int symbolSize) {
  if (b.empty) return true;
  if (!(w.factor > 0)) return false;
  // A view pixel is RoundHalfAway(x * factor - XB0); one pixel more covers the rounding.
  const double margin = (symbolSize + 1.0) / w.factor;
  const double left = w.XB0 / w.factor - margin;
  const double right = (w.XB0 + w.SWidth) / w.factor + margin;
  const double top = w.YB0 / w.factor - margin;
  const double bottom = (w.YB0 + w.SHeight) / w.factor + margin;
  return b.maxX < left || b.minX > right || b.maxY < top || b.minY > bottom;
}

// The pixels one point symbol sets, relative to its centre, found by drawing it once with the
// same painter calls DrawSymbol makes. A raster symbol at a whole-pixel position is the same
// pattern wherever it lies, so writing these pixels gives the picture DrawSymbol would, without
// a painter call per point.
class SymbolStamp {
 public:
  SymbolStamp(int size, int kind, TColor colour, int lineWidth) : size_(size) {
    const int m = size + std::max(1, lineWidth) + 2;
    QImage scratch(2 * m + 1, 2 * m + 1, QImage::Format_ARGB32);
    scratch.fill(Qt::transparent);
    ViewWindow w;
    w.factor = 1;
    w.SWidth = scratch.width() - 1;
    w.SHeight = scratch.height() - 1;
    {
      OverlayPainter op(scratch, w);
      op.DrawSymbol(size, kind, m, m, colour, lineWidth);
    }
    // Runs of set pixels along each row.
    for (int y = 0; y < scratch.height(); ++y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
      for (int x = 0; x < scratch.width(); ++x) {
        if (qAlpha(row[x]) == 0) continue;
        value_ = row[x];
        int end = x;
        while (end < scratch.width() && qAlpha(row[end]) != 0) ++end;
        spans_.push_back({y - m, x - m, end - x});
        reach_ = std::max({reach_, std::abs(y - m), std::abs(x - m), std::abs(end - 1 - m)});
        x = end;
      }
    }
  }

  // How far from its centre the symbol sets pixels.
  int Reach() const { return reach_; }

  QRgb Value() const { return value_; }

  // Whether DrawSymbol draws at view pixel p: its box (p ± size) inside the window.
  bool Fits(const ViewWindow& w, QPoint p) const {
    const int s = size_;
    return p.x() - s >= 0 && p.x() + s <= w.SWidth && p.y() - s >= 0 && p.y() + s <= w.SHeight;
  }

  // Marks the symbol's pixels in a mask of `stride` bytes a row, centred at (x, y) of the mask,
  // which holds its reach on every side.
  void Mark(std::vector<quint8>& mask, int stride, int x, int y) const {
    for (const Span& r : spans_)
      std::fill_n(mask.begin() + (y + r.dy) * stride + x + r.dx, r.length, quint8(1));
  }

  // Stamps the symbol at view pixel p when DrawSymbol would draw it there, cut off at the
  // picture's edges.
  void Apply(QImage& picture, const ViewWindow& w, QPoint p) const {
    if (!Fits(w, p)) return;
    const int width = picture.width(), height = picture.height();
    uchar* bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    const bool whole = p.x() - reach_ >= 0 && p.y() - reach_ >= 0 && p.x() + reach_ < width &&
                       p.y() + reach_ < height;
    for (const Span& r : spans_) {
      const int y = p.y() + r.dy;
      int x0 = p.x() + r.dx, x1 = x0 + r.length;
      if (!whole) {
        if (y < 0 || y >= height) continue;
        x0 = std::max(x0, 0);
        x1 = std::min(x1, width);
        if (x0 >= x1) continue;
      }
      std::fill(reinterpret_cast<QRgb*>(bits + y * stride) + x0,
                reinterpret_cast<QRgb*>(bits + y * stride) + x1, value_);
    }
  }

 private:
  struct Span {
    int dy, dx, length;
  };
  int size_;
  std::vector<Span> spans_;
  QRgb value_ = 0;
  int reach_ = 0;
};

bool Stampable(const QImage& picture) {
  const QImage::Format f = picture.format();
  return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
         f == QImage::Format_ARGB32_Premultiplied;
}

// ViewPixel for the many points of the groups: the same extended-precision position, rounded
// half away from zero without the library's general truncation, which took most of a repaint.
// Positions beyond any int go the checked way.
QPoint GroupPixel(const ViewWindow& w, double x, double y) {
  const long double vx = static_cast<long double>(x) * w.factor - w.XB0;
  const long double vy = static_cast<long double>(y) * w.factor - w.YB0;
  constexpr long double kLimit = 2e9L;
  if (!(vx > -kLimit && vx < kLimit && vy > -kLimit && vy < kLimit)) return ViewPixel(w, x, y);
  return QPoint(static_cast<int>(vx >= 0 ? vx + 0.5L : vx - 0.5L),
                static_cast<int>(vy >= 0 ? vy + 0.5L : vy - 0.5L));
}

quint64 PixelKey(QPoint p) {
  return (static_cast<quint64>(static_cast<quint32>(p.y())) << 32) | static_cast<quint32>(p.x());
}

// The segments of one group, from the view pixels of its points, as lines to hand to the painter
// in one call. Consecutive points on one view pixel make one point of the chain (at the
// whole-image view most segments are shorter than a pixel); a chain that never leaves its pixel
// still gets the dot its segments would have drawn.
void GroupSegments(const OverlayPainter& op, const std::vector<QPoint>& px, bool closing,
                   const ViewWindow& w, std::vector<QLine>& out) {
  out.clear();
  const int W = w.SWidth, H = w.SHeight;
  auto inside = [&](QPoint p) { return p.x() >= 0 && p.x() <= W && p.y() >= 0 && p.y() <= H; };
  std::vector<QPoint> dots;
  auto segment = [&](QPoint a, QPoint b) {
    if (inside(a) && inside(b)) {
      // Most such dots lie where the line before ends.
      if (a != b)
        out.emplace_back(a, b);
      else if ((out.empty() || out.back().p2() != a) && (dots.empty() || dots.back() != a))
        dots.push_back(a);
    } else if (auto l = op.ClipToWindow(a, b)) {
      out.push_back(*l);
    }
  };
  for (std::size_t i = 0; i + 1 < px.size(); ++i) segment(px[i], px[i + 1]);
  if (closing) segment(px.back(), px.front());
  // A dot on a pixel where a drawn line already ends adds nothing.
  for (const QPoint& d : dots) {
    const bool covered = std::any_of(out.begin(), out.end(),
                                     [&](const QLine& l) { return l.p1() == d || l.p2() == d; });
    if (!covered) out.emplace_back(d, d);
  }
}

}  // namespace

void DrawGroups(QImage& picture, const ViewWindow& w, const std::vector<TLine>& lines,
                const GroupDrawing& d, const SymbolSettings& s) {
  DrawGroups(picture, w, lines, GroupBoxes(lines), d, s);
}

void DrawGroups(QImage& picture, const ViewWindow& w, const std::vector<TLine>& lines,
                const std::vector<GroupBox>& boxes, const GroupDrawing& d,
                const SymbolSettings& s) {
  if (lines.empty() || picture.isNull()) return;
  // Boxes of other groups than these (a caller's stale copy) are not trusted.
  const std::vector<GroupBox> own =
      boxes.size() == lines.size() ? std::vector<GroupBox>() : GroupBoxes(lines);
  const std::vector<GroupBox>& box = own.empty() ? boxes : own;
  // Direct pixel writes need the picture unshared before the painter starts on it.
  const bool stamp = Stampable(picture);
  if (stamp) picture.bits();
  OverlayPainter op(picture, w);
  QPainter& painter = op.painter();
  const int discSize = s.RegistPointSize, crossSize = 2 * s.RegistPointSize;
  // Stamps of the two point colours and both kinds, made when first needed.
  std::optional<SymbolStamp> stamps[2][2];
  auto stampFor = [&](bool hi, bool cross) -> const SymbolStamp& {
    auto& st = stamps[hi][cross];
    if (!st) {
      const TColor c = hi ? Highlight(s.clRegistPoints) : s.clRegistPoints;
      st.emplace(cross ? crossSize : discSize, cross ? skCross : skDisc, c, s.PointLineWidth);
    }
    return *st;
  };
  std::vector<QPoint> px;
  std::vector<quint64> keys;
  std::vector<quint8> mask;
  uchar* const pictureBits = stamp ? picture.bits() : nullptr;
  const qsizetype pictureStride = picture.bytesPerLine();
  const int pictureWidth = picture.width(), pictureHeight = picture.height();
  std::vector<QLine> segments;
  // Segments wait to be drawn in one call with those of the following groups, for as long as no
  // later symbol comes near them: pixels apart, the order of drawing changes nothing.
  std::vector<QLine> pending;
  QRect pendingArea;
  TColor pendingColour = 0;
  auto flush = [&] {
    if (pending.empty()) return;
    QPen pen(ToQColor(pendingColour));
    pen.setWidth(1);
    painter.setPen(pen);
    // A line to a neighbouring pixel or none sets just its two ends; written directly when the
    // pixels can be, the rest by the painter.
    std::size_t kept = 0;
    if (stamp) {
      const QRgb value = ToQColor(pendingColour).rgba() | 0xFF000000u;
      auto set = [&](QPoint p) {
        if (p.x() >= 0 && p.y() >= 0 && p.x() < pictureWidth && p.y() < pictureHeight)
          reinterpret_cast<QRgb*>(pictureBits + p.y() * pictureStride)[p.x()] = value;
      };
      for (const QLine& l : pending) {
        if (std::abs(l.dx()) <= 1 && std::abs(l.dy()) <= 1) {
          set(l.p1());
          set(l.p2());
        } else {
          pending[kept++] = l;
        }
      }
    } else {
      kept = pending.size();
    }
    painter.drawLines(pending.data(), static_cast<int>(kept));
    pending.clear();
    pendingArea = QRect();
  };
  for (std::size_t g = 0; g < lines.size(); ++g) {
    const TLine& line = lines[g];
    if (line.Points.empty()) continue;
    if (GroupOutsideWindow(box[g], w, 2 * std::max(0, s.RegistPointSize))) continue;
    const bool hi = g < d.highlighted.size() && d.highlighted[g];
    const TColor pointColour = hi ? Highlight(s.clRegistPoints) : s.clRegistPoints;
    const TColor lineColour = hi ? Highlight(s.clLine) : s.clLine;
    const bool isPointSet = line.LineType == ltPoints;
    px.clear();
    for (const TMarker& p : line.Points) px.push_back(GroupPixel(w, p.x, p.y));
    // Points first: each view pixel once, since a group's points share one colour.
    if (stamp) {
      keys.clear();
      for (const QPoint& p : px)
        if (keys.empty() || keys.back() != PixelKey(p)) keys.push_back(PixelKey(p));
      std::sort(keys.begin(), keys.end());
      keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
      const SymbolStamp& st = stampFor(hi, isPointSet);
      int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
      for (quint64 k : keys) {
        const int x = static_cast<qint32>(static_cast<quint32>(k));
        const int y = static_cast<qint32>(static_cast<quint32>(k >> 32));
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
      const int r = st.Reach();
      if (!pending.empty() &&
          pendingArea.intersects(QRect(QPoint(x0 - r, y0 - r), QPoint(x1 + r, y1 + r))))
        flush();
      // Points far apart (at a high zoom) would overflow the extent and its product in int.
      const std::int64_t mw64 = std::int64_t{x1} - x0 + 2 * r + 1,
                         mh64 = std::int64_t{y1} - y0 + 2 * r + 1;
      const bool small = mw64 <= 4096 && mh64 <= 4096 && mw64 * mh64 <= 4096;
      const int mw = small ? static_cast<int>(mw64) : 0, mh = small ? static_cast<int>(mh64) : 0;
      if (keys.size() > 1 && small) {
        // Symbols of one small group overlap: each pixel of their union is written once.
        mask.assign(static_cast<std::size_t>(mw * mh), 0);
        for (quint64 k : keys) {
          const QPoint p(static_cast<qint32>(static_cast<quint32>(k)),
                         static_cast<qint32>(static_cast<quint32>(k >> 32)));
          if (st.Fits(w, p)) st.Mark(mask, mw, p.x() - x0 + r, p.y() - y0 + r);
        }
        const QRgb value = st.Value();
        for (int my = 0; my < mh; ++my) {
          const int y = y0 - r + my;
          if (y < 0 || y >= pictureHeight) continue;
          QRgb* row = reinterpret_cast<QRgb*>(pictureBits + y * pictureStride);
          const quint8* m = mask.data() + my * mw;
          for (int mx = 0; mx < mw; ++mx) {
            const int x = x0 - r + mx;
            if (m[mx] && x >= 0 && x < pictureWidth) row[x] = value;
          }
        }
      } else {
        for (quint64 k : keys)
          st.Apply(picture, w,
                   QPoint(static_cast<qint32>(static_cast<quint32>(k)),
                          static_cast<qint32>(static_cast<quint32>(k >> 32))));
      }
    } else {
      flush();
      for (const TMarker& p : line.Points)
        op.DrawSymbol(isPointSet ? crossSize : discSize, isPointSet ? skCross : skDisc, p.x, p.y,
                      pointColour, s.PointLineWidth);
    }
    if (isPointSet) continue;
    // Then the segments over them.
    const bool closing = line.LineType == ltClosed &&
                         line.NumPoints == static_cast<int>(line.Points.size()) &&
                         line.Points.size() > 1;
    GroupSegments(op, px, closing, w, segments);
    if (segments.empty()) continue;
    if (lineColour != pendingColour) flush();
    pendingColour = lineColour;
    int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
    for (const QLine& l : segments) {
      x0 = std::min({x0, l.x1(), l.x2()}), x1 = std::max({x1, l.x1(), l.x2()});
      y0 = std::min({y0, l.y1(), l.y2()}), y1 = std::max({y1, l.y1(), l.y2()});
    }
    // A pixel of margin for the line's own rounding.
    pendingArea |= QRect(QPoint(x0 - 1, y0 - 1), QPoint(x1 + 1, y1 + 1));
    pending.insert(pending.end(), segments.begin(), segments.end());
  }
  flush();
  if (d.selectedGroup >= 0 && d.selectedGroup < static_cast<int>(lines.size())) {
    const TLine& line = lines[d.selectedGroup];
    if (d.selectedPoint >= 0 && d.selectedPoint < static_cast<int>(line.Points.size())) {
      const TMarker& p = line.Points[d.selectedPoint];
      if (line.LineType == ltPoints)
        op.DrawSymbol(crossSize, skCross, p.x, p.y, s.clPresentPoint, s.PointLineWidth);
      else
        op.DrawSymbol(discSize, skDisc, p.x, p.y, s.clPresentPoint, s.PointLineWidth);
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
