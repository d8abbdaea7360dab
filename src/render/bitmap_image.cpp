#include "render/bitmap_image.h"

namespace zelko {

QImage WrapBitmap(const Bitmap& b) {
  if (b.Empty()) return {};
  if (b.BitsPerPixel() == 24)
    return QImage(b.Bits(), b.Width(), b.Height(), static_cast<qsizetype>(b.Stride()),
                  QImage::Format_BGR888);
  if (b.BitsPerPixel() == 8 && !b.palette.empty()) {
    QImage img(b.Bits(), b.Width(), b.Height(), static_cast<qsizetype>(b.Stride()),
               QImage::Format_Indexed8);
    QList<QRgb> table;
    for (std::uint32_t c : b.palette) table << (0xFF000000u | c);
    while (table.size() < 256) table << qRgb(0, 0, 0);
    img.setColorTable(table);
    return img;
  }
  QImage img(b.Width(), b.Height(), QImage::Format_RGB32);
  for (int y = 0; y < b.Height(); ++y)
    RowToArgb32(b, y, reinterpret_cast<std::uint32_t*>(img.scanLine(y)));
  return img;
}

}  // namespace zelko
