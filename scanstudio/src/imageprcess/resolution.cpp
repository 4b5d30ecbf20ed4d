#include "resolution.h"

#include <QImage>

#include <cmath>

namespace ImageHelper {

int dpiX(const QImage &image)
{
    const int dpi = static_cast<int>(std::lround(image.dotsPerMeterX() / 39.37));
    return dpi > 0 ? dpi : 0;
}

int dotsPerMeter(int dpi)
{
    return static_cast<int>(dpi * 39.37);
}

void copyResolution(const QImage &source, QImage &copy)
{
    const int dpm = dotsPerMeter(dpiX(source));
    copy.setDotsPerMeterX(dpm);
    copy.setDotsPerMeterY(dpm);
}

} // namespace ImageHelper
