// The view's pictures from the working image's definition: only the pixels that are shown.
#pragma once

#include <QImage>

#include "imaging/working_image.h"
#include "render/view_render.h"

namespace zelko {

// The view picture of the window w (ViewPicture of the whole working image, the same pixels):
// its part of the working image, black outside it, computed straight from the loaded image.
// bare is reused when it has the size and no one else shares it.
void LiveViewPicture(LiveWorkingImage& live, const ViewWindow& w, QImage& bare);

// The overview copy as an image of its own (the definition reuses its buffer).
QImage LiveOverview(LiveWorkingImage& live);

}  // namespace zelko
