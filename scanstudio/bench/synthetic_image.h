#pragma once

// A page as the stand-in backend scans it (standin::SyntheticPage), as an image.

#include "SyntheticPage.h"

#include <QImage>

namespace bench {

inline QImage syntheticImage(int pageIndex, int width, int height)
{
    const standin::SyntheticPage synthetic(pageIndex, width, height);
    QImage page(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(page.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const standin::Rgb p = synthetic.pixel(x, y);
            line[x] = qRgb(p.r, p.g, p.b);
        }
    }
    return page;
}

}  // namespace bench
