#include "reference_canny.h"

#include "canny.h"

#include <cmath>

namespace ReferenceCanny {

namespace {

// 51 taps of 2.71828^(-0.5 (j - 25)^2 / 100) / 25.066282731988807, each kept
// as a float and divided by their float sum.
std::vector<float> kernel51()
{
    std::vector<float> kernel(51);
    float sum = 0.0f;
    for (int j = 0; j < 51; ++j) {
        kernel[j] = static_cast<float>(std::pow(2.71828, -0.5 * (j - 25) * (j - 25) / 100.0) / 25.066282731988807);
        sum += kernel[j];
    }
    for (float &tap : kernel)
        tap /= sum;
    return kernel;
}

} // namespace

std::vector<std::int16_t> smooth(const unsigned char *image, unsigned rows, unsigned cols)
{
    const std::vector<float> kernel = kernel51();
    const int centre = 25;
    const long w = cols;
    const long h = rows;
    std::vector<float> temp(static_cast<std::size_t>(w) * h);
    for (long r = 0; r < h; ++r) {
        for (long c = 0; c < w; ++c) {
            float dot = 0.0f;
            float sum = 0.0f;
            for (int cc = -centre; cc <= centre; ++cc) {
                if (c + cc >= 0 && c + cc < w) {
                    dot += static_cast<float>(image[r * w + c + cc]) * kernel[centre + cc];
                    sum += kernel[centre + cc];
                }
            }
            temp[r * w + c] = dot / sum;
        }
    }
    std::vector<std::int16_t> smoothed(static_cast<std::size_t>(w) * h);
    for (long c = 0; c < w; ++c) {
        for (long r = 0; r < h; ++r) {
            float dot = 0.0f;
            float sum = 0.0f;
            for (int rr = -centre; rr <= centre; ++rr) {
                if (r + rr >= 0 && r + rr < h) {
                    dot += temp[(r + rr) * w + c] * kernel[centre + rr];
                    sum += kernel[centre + rr];
                }
            }
            smoothed[r * w + c] = static_cast<std::int16_t>(dot * 90.0 / sum + 0.5);
        }
    }
    return smoothed;
}

std::vector<unsigned char> edges(const unsigned char *image, unsigned rows, unsigned cols, int *low,
                                 int *high)
{
    const std::vector<std::int16_t> s = smooth(image, rows, cols);
    const long w = cols;
    const long h = rows;
    std::vector<std::int16_t> dx(s.size()), dy(s.size()), mag(s.size());
    for (long r = 0; r < h; ++r) {
        dx[r * w] = static_cast<std::int16_t>(s[r * w + 1] - s[r * w]);
        for (long c = 1; c < w - 1; ++c)
            dx[r * w + c] = static_cast<std::int16_t>(s[r * w + c + 1] - s[r * w + c - 1]);
        dx[r * w + w - 1] = static_cast<std::int16_t>(s[r * w + w - 1] - s[r * w + w - 2]);
    }
    for (long c = 0; c < w; ++c) {
        dy[c] = static_cast<std::int16_t>(s[w + c] - s[c]);
        for (long r = 1; r < h - 1; ++r)
            dy[r * w + c] = static_cast<std::int16_t>(s[(r + 1) * w + c] - s[(r - 1) * w + c]);
        dy[(h - 1) * w + c] = static_cast<std::int16_t>(s[(h - 1) * w + c] - s[(h - 2) * w + c]);
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        const int sq = dx[i] * dx[i] + dy[i] * dy[i];
        mag[i] = static_cast<std::int16_t>(std::sqrt(static_cast<double>(sq)) + 0.5);
    }
    std::vector<unsigned char> map(s.size());
    Deskew::non_max_supp(mag.data(), dx.data(), dy.data(), rows, cols, 0, rows, map.data());

    std::vector<long> hist(32768, 0);
    for (std::size_t pos = 0; pos < map.size(); ++pos)
        if (map[pos] == Deskew::kPossibleEdge)
            ++hist[mag[pos]];
    long candidates = 0;
    int maximum = 0;
    for (int r = 1; r < 32768; ++r) {
        if (hist[r] != 0)
            maximum = r;
        candidates += hist[r];
    }
    const long target = static_cast<long>(candidates * 0.87 + 0.5);
    int r = 1;
    long counted = hist[1];
    while (r < maximum - 1 && counted < target) {
        ++r;
        counted += hist[r];
    }
    const int highThreshold = r;
    const int lowThreshold = static_cast<int>(highThreshold * 0.1 + 0.5);
    for (std::size_t pos = 0; pos < map.size(); ++pos) {
        if (map[pos] == Deskew::kPossibleEdge && mag[pos] >= highThreshold) {
            map[pos] = Deskew::kEdge;
            Deskew::follow_edges(map.data() + pos, mag.data() + pos, static_cast<std::int16_t>(lowThreshold), w);
        }
    }
    for (unsigned char &e : map)
        if (e != Deskew::kEdge)
            e = Deskew::kNoEdge;
    if (low != nullptr)
        *low = lowThreshold;
    if (high != nullptr)
        *high = highThreshold;
    return map;
}

} // namespace ReferenceCanny
