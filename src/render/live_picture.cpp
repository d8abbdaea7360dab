#include "render/live_picture.h"

#include <algorithm>

namespace zelko {

void LiveViewPicture(LiveWorkingImage& live, const ViewWindow& w, QImage& bare) {
  const QSize size(std::max(w.SWidth, 0), std::max(w.SHeight, 0));
  // Every pixel is written anew: a picture the widget still shows is replaced, not copied.
  if (bare.size() != size || bare.format() != QImage::Format_RGB32 || !bare.isDetached())
    bare = QImage(size, QImage::Format_RGB32);
  if (bare.isNull()) return;
  const PixelRect r = WindowPixels(w);
  const QRect part = QRect(r.x0, r.y0, size.width(), size.height())
                         .intersected(QRect(0, 0, live.Width(), live.Height()));
  if (part.size() != size) bare.fill(Qt::black);
  if (part.isEmpty()) return;
  auto* first = reinterpret_cast<std::uint32_t*>(bare.scanLine(part.y() - r.y0));
  live.WindowArgb(part.x(), part.y(), part.width(), part.height(), first + (part.x() - r.x0),
                  bare.bytesPerLine() / 4);
}

QImage LiveOverview(LiveWorkingImage& live) {
  QImage out(live.OverviewWidth(), live.OverviewHeight(), QImage::Format_RGB32);
  if (out.isNull()) return out;
  live.OverviewArgb(reinterpret_cast<std::uint32_t*>(out.bits()), out.bytesPerLine() / 4);
  return out;
}

}  // namespace zelko
