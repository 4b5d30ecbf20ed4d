#include "reference_canny.h"

#include <cmath>
#include <cstdlib>

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

constexpr unsigned char kEdge = 0;
constexpr unsigned char kCandidate = 128;
constexpr unsigned char kNoEdge = 255;

int sign(int v)
{
    return v >= 0 ? 1 : -1;
}

// Non-maximum suppression as the published formulation describes it. The
// gradient's major axis is x when |gx| >= |gy|, except that a gradient
// pointing up and to the left takes y on the diagonal itself. On each side
// (-1 behind the pixel along the gradient, +1 ahead) the magnitude there is
// interpolated between the neighbour on the major axis, z1, and the diagonal
// one, z2: z1 + (z2 - z1) |g minor| / |g major|. The formulation keeps it
// scaled as a signed difference from the pixel's own magnitude m, in single
// precision:
//   x major: sx (m - z1) xperp + sy (z2 - z1) yperp
//   y major: sx (z1 - z2) xperp + sy (z1 - m) yperp
// with xperp = -gx / m, yperp = gy / m and sx, sy the signs of gx and gy
// (0 counts as positive); it is positive where the neighbour is higher.
float sideDifference(const std::int16_t *mag, long w, long x, long y, int gx, int gy, int side)
{
    const int m = mag[y * w + x];
    const int sx = sign(gx);
    const int sy = sign(gy);
    const bool xMajor = (gx < 0 && gy < 0) ? -gx > -gy : std::abs(gx) >= std::abs(gy);
    // Behind the pixel means against the gradient.
    const long stepX = side * sx;
    const long stepY = side * sy;
    const int z2 = mag[(y + stepY) * w + x + stepX];
    const float xperp = -gx / static_cast<float>(m);
    const float yperp = gy / static_cast<float>(m);
    if (xMajor) {
        const int z1 = mag[y * w + x + stepX];
        return sx * (m - z1) * xperp + sy * (z2 - z1) * yperp;
    }
    const int z1 = mag[(y + stepY) * w + x];
    return sx * (z1 - z2) * xperp + sy * (z1 - m) * yperp;
}

std::vector<unsigned char> suppressNonMaxima(const std::vector<std::int16_t> &mag, const std::vector<std::int16_t> &dx,
                                             const std::vector<std::int16_t> &dy, long h, long w)
{
    std::vector<unsigned char> map(mag.size(), kNoEdge);
    for (long y = 1; y + 1 < h; ++y) {
        for (long x = 1; x + 1 < w; ++x) {
            const long i = y * w + x;
            if (mag[i] == 0)
                continue;
            const float behind = sideDifference(mag.data(), w, x, y, dx[i], dy[i], -1);
            const float ahead = sideDifference(mag.data(), w, x, y, dx[i], dy[i], 1);
            // A higher neighbour behind, or an equal or higher one ahead, suppresses the pixel.
            if (!(behind > 0.0f || ahead >= 0.0f))
                map[i] = kCandidate;
        }
    }
    return map;
}

// Hysteresis tracing: from an edge pixel, the first neighbour, in the order
// east, north-east, north, north-west, west, south-west, south, south-east,
// that is a candidate with a magnitude above `low` becomes an edge and the
// trace goes on from there; it ends where no neighbour qualifies.
void trace(std::vector<unsigned char> &map, const std::vector<std::int16_t> &mag, long h, long w, long x, long y,
           int low)
{
    static const int kSteps[8][2] = {{1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    for (bool moved = true; moved;) {
        moved = false;
        for (const auto &step : kSteps) {
            const long nx = x + step[0];
            const long ny = y + step[1];
            if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                continue;
            const long i = ny * w + nx;
            if (map[i] == kCandidate && mag[i] > low) {
                map[i] = kEdge;
                x = nx;
                y = ny;
                moved = true;
                break;
            }
        }
    }
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
    std::vector<unsigned char> map = suppressNonMaxima(mag, dx, dy, h, w);

    std::vector<long> hist(32768, 0);
    for (std::size_t pos = 0; pos < map.size(); ++pos)
        if (map[pos] == kCandidate)
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
    for (long y = 0; y < h; ++y) {
        for (long x = 0; x < w; ++x) {
            const long i = y * w + x;
            if (map[i] == kCandidate && mag[i] >= highThreshold) {
                map[i] = kEdge;
                trace(map, mag, h, w, x, y, lowThreshold);
            }
        }
    }
    for (unsigned char &e : map)
        if (e != kEdge)
            e = kNoEdge;
    if (low != nullptr)
        *low = lowThreshold;
    if (high != nullptr)
        *high = highThreshold;
    return map;
}

} // namespace ReferenceCanny
