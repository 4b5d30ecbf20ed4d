#pragma once

#include <QRect>
#include <QRgb>

class QImage;

namespace ImageHelper {

// The page's content rectangle (inclusive edges); the image is not changed.
// A null image gives the null rectangle, a page without content the whole image.
QRect Image_DetectMaxRect(const QImage *image, bool resetBackground);

// Paints the paper background of `image` in `colour`, after a white frame of
// `frame` millimetres along its edges. A non-32-bit image is converted to
// ARGB32 first.
void Image_ResetBackcolor(QImage *image, QRgb colour, int frame);

// Paints an opaque white frame of `millimetres` along the image's edges,
// whatever `colour` says: the frame is always white.
void Image_Fillborder(QImage *image, int millimetres, QRgb colour);

} // namespace ImageHelper
