// Drawing the view: placing the view window on the working image, the overview frame, and the
// overlays (markers, reference line, groups, grid lines) with their shared primitives.
#pragma once

#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPointF>
#include <optional>
#include <vector>

#include "document/records.h"
#include "render/symbols.h"

namespace zelko {

// The view window on the working image.
struct ViewWindow {
  double XB0 = 0, YB0 = 0;
  int SWidth = 0, SHeight = 0;
  double factor = 1;
  int BitWidth = 0, BitHeight = 0;
};

// Places the view window for a wanted centre (X, Y) in working-image pixels; a negative value
// keeps the present origin on that axis. viewW/viewH: size of the main view.
void PlaceViewWindow(ViewWindow& w, int viewW, int viewH, double X, double Y);

// The rectangle of the working image the window covers, in whole pixels: x0, y0, x1, y1.
struct PixelRect {
  int x0, y0, x1, y1;
};
PixelRect WindowPixels(const ViewWindow& w);

// The view picture: the window's part of the working image, black outside it.
QImage ViewPicture(const QImage& working, const ViewWindow& w);

// The overview picture with the frame of the visible part.
QImage OverviewPicture(const QImage& small, const ViewWindow& w, const SymbolSettings& s);

// The view pixel of an image position: RoundHalfAway(x * factor - XB0).
QPoint ViewPixel(const ViewWindow& w, double x, double y);

// Segments AB and CD cross strictly inside both (end points excluded).
std::optional<QPointF> SegmentIntersection(double ax1, double ay1, double ax2, double ay2,
                                           double bx1, double by1, double bx2, double by2);

enum SymbolKind { skDisc = 1, skCross = 2 };

// Draws on a view picture in image coordinates; everything outside the window is skipped
// before any drawing call.
class OverlayPainter {
 public:
  OverlayPainter(QImage& picture, const ViewWindow& w);
  void DrawSymbol(int size, int kind, double x, double y, TColor colour, int lineWidth);
  void DrawClippedSegment(double x1, double y1, double x2, double y2, TColor colour);
  // The piece of segment ab (view pixels) that DrawClippedSegment draws, if any.
  std::optional<QLine> ClipToWindow(QPoint a, QPoint b) const;
  QPainter& painter() { return painter_; }

 private:
  QPainter painter_;
  const ViewWindow& w_;
};

// The marker crosses with their numbers; selectedRow is the marker table's row (1-based).
void DrawMarkers(QImage& picture, const ViewWindow& w, const std::vector<TMarker>& markers,
                 int numMarkers, int selectedRow, const SymbolSettings& s);

// The pending reference line from its first end to the pointer.
void DrawScaleRubberBand(QImage& picture, const ViewWindow& w, const TMarker& first, double xPre,
                         double yPre, const SymbolSettings& s);

// The image-coordinate extent of each group's points, kept with the groups and worked out again
// only when they change, so a repaint can pass over the groups out of view without reading
// their points.
struct GroupBox {
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  bool empty = true;
};
std::vector<GroupBox> GroupBoxes(const std::vector<TLine>& lines);

struct GroupDrawing {
  std::vector<bool> highlighted;  // per group; empty: none
  int selectedGroup = -1;         // the point selected in the point table, if any
  int selectedPoint = -1;
};
// boxes: GroupBoxes(lines), or empty to work them out for this call alone. The cost follows what
// is in view: groups outside it are passed over, and each group sets a view pixel once, however
// many of its points or segments fall on it.
void DrawGroups(QImage& picture, const ViewWindow& w, const std::vector<TLine>& lines,
                const std::vector<GroupBox>& boxes, const GroupDrawing& d, const SymbolSettings& s);
void DrawGroups(QImage& picture, const ViewWindow& w, const std::vector<TLine>& lines,
                const GroupDrawing& d, const SymbolSettings& s);

// Polylines in view pixels, as the grid tracer returns them.
void DrawPolylines(QImage& picture, const std::vector<std::vector<QPoint>>& lines, TColor colour,
                   int width);

}  // namespace zelko
