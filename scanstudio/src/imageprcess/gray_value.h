#pragma once

#include <QRgb>

namespace ImageHelper {

// gray = trunc(0.212671 R + 0.71516 G + 0.072169 B), evaluated in double in
// that order. The tables hold the exact products, so the sum is the same.
struct GrayWeights
{
    double red[256];
    double green[256];
    double blue[256];

    GrayWeights()
    {
        for (int i = 0; i < 256; ++i) {
            red[i] = 0.212671 * i;
            green[i] = 0.71516 * i;
            blue[i] = 0.072169 * i;
        }
    }
};

inline const GrayWeights &grayWeights()
{
    static const GrayWeights weights;
    return weights;
}

inline unsigned char grayOf(int r, int g, int b)
{
    const GrayWeights &w = grayWeights();
    return static_cast<unsigned char>(static_cast<int>(w.red[r] + w.green[g] + w.blue[b]));
}

inline unsigned char grayOf(QRgb pixel)
{
    return grayOf(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

} // namespace ImageHelper
