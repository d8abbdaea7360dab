// The images of the window: the loaded file, the working image as a definition, the view's
// picture and the overview copy.
#pragma once

#include <QImage>

#include "imaging/bitmap.h"
#include "imaging/working_image.h"

namespace zelko {

struct WindowImages {
  Bitmap OriginalImage;
  // TransFormedBitmap and SmallImage: the view asks it for its window and the overview.
  LiveWorkingImage live;
  WorkingImage built;  // the whole working image, made only for the export
  QImage working;      // the view window's part of the working image, without overlays
  QImage small;        // the overview copy
};

}  // namespace zelko
