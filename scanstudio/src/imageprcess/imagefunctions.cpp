#include "imagefunctions.h"

namespace ImageFunctions {

namespace {

// Left weight A and right weight B per gray value: a pair of adjacent pixels
// is light when A(left) + B(right) = 1001, that is both are 221..255.
struct PairWeights
{
    int left[256];
    int right[256];

    PairWeights()
    {
        for (int g = 0; g < 256; ++g) {
            if (g <= 20) {
                left[g] = 100000;
                right[g] = 100;
            } else if (g >= 101 && g <= 140) {
                left[g] = 10000;
                right[g] = 10;
            } else if (g >= 221) {
                left[g] = 1000;
                right[g] = 1;
            } else {
                left[g] = 0;
                right[g] = 0;
            }
        }
    }
};

constexpr int kRowStep = 10;

bool isLightRow(const unsigned char *row, int width, const PairWeights &w)
{
    int pairs = 0;
    for (int x = 0; x + 1 < width; ++x) {
        const int a = w.left[row[x]];
        const int b = w.right[row[x + 1]];
        if (a != 0 && b != 0 && a + b == 1001)
            ++pairs;
    }
    return static_cast<double>(pairs) / width > 0.85;
}

} // namespace

bool IsTextImage(const unsigned char *data, int width, int height)
{
    if (data == nullptr || height <= 0 || width < 0)
        return false;
    static const PairWeights weights;
    int sampled = 0;
    int light = 0;
    for (int y = 0; y < height; y += kRowStep) {
        ++sampled;
        if (width > 1 && isLightRow(data + static_cast<long>(y) * width, width, weights))
            ++light;
    }
    if (sampled == 1)
        return false;
    const double share = static_cast<double>(light) / (sampled - 1);
    return share >= 0.4 && share <= 1.0;
}

} // namespace ImageFunctions
