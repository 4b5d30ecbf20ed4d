#pragma once

#include <QRect>

class QImage;

// The full-size steps of the page pipeline, on 32-bit pages that carry their
// resolution.
namespace vuro::steps {

// The page's skew in whole degrees, as a turn that levels it (positive
// turns clockwise): measured on a whitened gray copy, by the text method for
// text pages and by the page edges otherwise. 0 when the estimate fails or
// is below 0.01 radians.
int measureSkew(const QImage &page);

// `rect` scaled by `factor`: left and top scaled, width and height scaled.
QRect scaleRect(const QRect &rect, double factor);

// Turns the page clockwise by `degrees` and cuts the result, centred, to the
// page's size (width and height exchanged for turns near 90 and 270
// degrees); corners the turn exposes become opaque white. Multiples of 360
// leave the page alone.
void turnPage(QImage &page, int degrees);

// Clears specks outside the content: blocks of about `size` x 0.2 mm that
// lie outside the content rectangle become white unless they are mostly
// dark.
void removeSpeckles(QImage &page, int size);

// The same with the content rectangle given: every block that holds a pixel
// of `content` is kept.
void removeSpecklesOutside(QImage &page, int size, const QRect &content);

} // namespace vuro::steps
