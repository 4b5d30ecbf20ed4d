#include "resolution.h"

#include <QImage>

#include <cmath>

namespace ImageHelper {

namespace {

int roundedDpi(int dotsPerMetre)
{
    const int dpi = static_cast<int>(std::lround(dotsPerMetre / 39.37));
    return dpi > 0 ? dpi : 0;
}

} // namespace

int dpiX(const QImage &image)
{
    return roundedDpi(image.dotsPerMeterX());
}

int dpiY(const QImage &image)
{
    return roundedDpi(image.dotsPerMeterY());
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
