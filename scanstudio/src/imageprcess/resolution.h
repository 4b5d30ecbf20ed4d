#pragma once

class QImage;

namespace ImageHelper {

// Horizontal resolution in dots per inch, rounded back from dots per metre.
int dpiX(const QImage &image);
// The same vertically.
int dpiY(const QImage &image);

// Dots per metre for a resolution: trunc(dpi x 39.37).
int dotsPerMeter(int dpi);

// Gives `copy` the resolution of `source` in both directions.
void copyResolution(const QImage &source, QImage &copy);

} // namespace ImageHelper
