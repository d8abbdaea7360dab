// The engine's bitmaps as images the view can draw.
#pragma once

#include <QImage>

#include "imaging/bitmap.h"

namespace zelko {

// A 24-bit bitmap is wrapped without copying (the image reads the bitmap's pixels, so the
// bitmap must outlive it and stay unchanged); other layouts are converted.
QImage WrapBitmap(const Bitmap& bitmap);

}  // namespace zelko
