#pragma once

#include "pictureloader.h"

// What a load of a whole decoded picture hands back for each mode.
namespace PictureShape {

// The largest whole factor by which `full` still covers `box`, and the size
// it gives.
int coverFactor(QSize full, QSize box);
QSize coverSize(QSize full, QSize box);
// `image` (the whole picture) as `mode` wants it: reduced to cover `box`,
// its top-left `box`, or unchanged. For Cover, `corner` (when given)
// receives the top-left `box` too.
QImage shaped(QImage image, PictureLoader::Mode mode, QSize box, QImage *corner);

} // namespace PictureShape
