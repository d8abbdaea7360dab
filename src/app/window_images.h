// The three images of the window: the loaded file, the working image and its overview copy.
#pragma once

#include <QImage>

#include "imaging/bitmap.h"

namespace zelko {

struct WindowImages {
  Bitmap OriginalImage;
  Bitmap TransFormedBitmap;
  Bitmap SmallImage;
  QImage working;  // the working image as the view draws it (shares its pixels)
  QImage small;    // the overview copy
};

}  // namespace zelko
