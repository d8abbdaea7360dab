// The three images of the window: the loaded file, the working image and its overview copy.
#pragma once

#include <QImage>

#include "imaging/bitmap.h"
#include "imaging/working_image.h"

namespace zelko {

struct WindowImages {
  Bitmap OriginalImage;
  WorkingImage built;  // TransFormedBitmap and SmallImage, with buffers kept between rebuilds
  QImage working;  // the working image as the view draws it (shares its pixels)
  QImage small;    // the overview copy
};

}  // namespace zelko
