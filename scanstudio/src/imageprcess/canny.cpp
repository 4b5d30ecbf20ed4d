#include "canny.h"

#include "canny_blur.h"
#include "checked_buffer.h"
#include "parallel_rows.h"

#include <cmath>
#include <memory>
#include <vector>

namespace Deskew {

namespace {

using Mag = std::int16_t;

// dx and dy of the smoothed image: one-sided at the borders, central inside.
void derivatives(const Mag *smoothed, unsigned rows, unsigned cols, unsigned firstRow,
                 unsigned endRow, Mag *dx, Mag *dy)
{
    const std::ptrdiff_t w = cols;
    for (unsigned r = firstRow; r < endRow; ++r) {
        const Mag *p = smoothed + r * w;
        Mag *outX = dx + r * w;
        if (cols < 2) {
            outX[0] = 0;
        } else {
            outX[0] = static_cast<Mag>(p[1] - p[0]);
            for (std::ptrdiff_t c = 1; c + 1 < w; ++c)
                outX[c] = static_cast<Mag>(p[c + 1] - p[c - 1]);
            outX[w - 1] = static_cast<Mag>(p[w - 1] - p[w - 2]);
        }
        const Mag *up = r == 0 ? p : p - w;
        const Mag *down = r + 1 == rows ? p : p + w;
        Mag *outY = dy + r * w;
        for (std::ptrdiff_t c = 0; c < w; ++c)
            outY[c] = static_cast<Mag>(down[c] - up[c]);
    }
}

void magnitude(const Mag *dx, const Mag *dy, std::size_t begin, std::size_t end, Mag *mag)
{
    for (std::size_t i = begin; i < end; ++i) {
        const int sq = dx[i] * dx[i] + dy[i] * dy[i];
        mag[i] = static_cast<Mag>(std::sqrt(static_cast<double>(sq)) + 0.5);
    }
}

} // namespace

void non_max_supp(const Mag *mag, const Mag *gradx, const Mag *grady, unsigned rows, unsigned cols,
                  unsigned firstRow, unsigned endRow, unsigned char *result)
{
    const std::ptrdiff_t n = cols;
    for (unsigned r = firstRow; r < endRow; ++r) {
        unsigned char *out = result + r * n;
        if (r == 0 || r + 1 >= rows) {
            std::fill(out, out + n, kNoEdge);
            continue;
        }
        out[0] = kNoEdge;
        out[n - 1] = kNoEdge;
        for (std::ptrdiff_t c = 1; c + 1 < n; ++c) {
            const std::size_t pos = r * n + c;
            const Mag *m = mag + pos;
            const int m00 = *m;
            if (m00 == 0) {
                out[c] = kNoEdge;
                continue;
            }
            const int gx = gradx[pos];
            const int gy = grady[pos];
            const float xperp = -gx / static_cast<float>(m00);
            const float yperp = gy / static_cast<float>(m00);
            int z1, z2;
            float mag1, mag2;
            if (gx >= 0) {
                if (gy >= 0) {
                    if (gx >= gy) {
                        z1 = m[-1];
                        z2 = m[-n - 1];
                        mag1 = (m00 - z1) * xperp + (z2 - z1) * yperp;
                        z1 = m[1];
                        z2 = m[n + 1];
                        mag2 = (m00 - z1) * xperp + (z2 - z1) * yperp;
                    } else {
                        z1 = m[-n];
                        z2 = m[-n - 1];
                        mag1 = (z1 - z2) * xperp + (z1 - m00) * yperp;
                        z1 = m[n];
                        z2 = m[n + 1];
                        mag2 = (z1 - z2) * xperp + (z1 - m00) * yperp;
                    }
                } else {
                    if (gx >= -gy) {
                        z1 = m[-1];
                        z2 = m[n - 1];
                        mag1 = (m00 - z1) * xperp + (z1 - z2) * yperp;
                        z1 = m[1];
                        z2 = m[-n + 1];
                        mag2 = (m00 - z1) * xperp + (z1 - z2) * yperp;
                    } else {
                        z1 = m[n];
                        z2 = m[n - 1];
                        mag1 = (z1 - z2) * xperp + (m00 - z1) * yperp;
                        z1 = m[-n];
                        z2 = m[-n + 1];
                        mag2 = (z1 - z2) * xperp + (m00 - z1) * yperp;
                    }
                }
            } else {
                if (gy >= 0) {
                    if (-gx >= gy) {
                        z1 = m[1];
                        z2 = m[-n + 1];
                        mag1 = (z1 - m00) * xperp + (z2 - z1) * yperp;
                        z1 = m[-1];
                        z2 = m[n - 1];
                        mag2 = (z1 - m00) * xperp + (z2 - z1) * yperp;
                    } else {
                        z1 = m[-n];
                        z2 = m[-n + 1];
                        mag1 = (z2 - z1) * xperp + (z1 - m00) * yperp;
                        z1 = m[n];
                        z2 = m[n - 1];
                        mag2 = (z2 - z1) * xperp + (z1 - m00) * yperp;
                    }
                } else {
                    if (-gx > -gy) {
                        z1 = m[1];
                        z2 = m[n + 1];
                        mag1 = (z1 - m00) * xperp + (z1 - z2) * yperp;
                        z1 = m[-1];
                        z2 = m[-n - 1];
                        mag2 = (z1 - m00) * xperp + (z1 - z2) * yperp;
                    } else {
                        z1 = m[n];
                        z2 = m[n + 1];
                        mag1 = (z2 - z1) * xperp + (m00 - z1) * yperp;
                        z1 = m[-n];
                        z2 = m[-n - 1];
                        mag2 = (z2 - z1) * xperp + (m00 - z1) * yperp;
                    }
                }
            }
            out[c] = (mag1 > 0.0f || mag2 >= 0.0f) ? kNoEdge : kPossibleEdge;
        }
    }
}

void follow_edges(unsigned char *edgemap, const Mag *edgemag, Mag lowval, std::ptrdiff_t cols)
{
    // East, north-east, north, north-west, west, south-west, south, south-east;
    // north is the previous row.
    const std::ptrdiff_t offsets[8] = {1, 1 - cols, -cols, -cols - 1, -1, cols - 1, cols, cols + 1};
    for (;;) {
        bool moved = false;
        for (std::ptrdiff_t offset : offsets) {
            if (edgemap[offset] == kPossibleEdge && edgemag[offset] > lowval) {
                edgemap += offset;
                edgemag += offset;
                *edgemap = kEdge;
                moved = true;
                break;
            }
        }
        if (!moved)
            return;
    }
}

HysteresisThresholds apply_hysteresis(const Mag *mag, unsigned rows, unsigned cols, double tlow,
                                      double thigh, unsigned char *edge)
{
    const std::size_t pixels = static_cast<std::size_t>(rows) * cols;
    std::vector<std::size_t> hist(32768, 0);
    for (std::size_t pos = 0; pos < pixels; ++pos) {
        if (edge[pos] == kPossibleEdge)
            ++hist[static_cast<std::size_t>(mag[pos])];
    }
    std::size_t edges = 0;
    int maximum = 0;
    for (int r = 1; r < 32768; ++r) {
        if (hist[r] != 0)
            maximum = r;
        edges += hist[r];
    }
    const std::size_t highCount = static_cast<std::size_t>(edges * thigh + 0.5);
    int r = 1;
    std::size_t counted = hist[1];
    while (r < maximum - 1 && counted < highCount) {
        ++r;
        counted += hist[r];
    }
    HysteresisThresholds thresholds;
    thresholds.high = r;
    thresholds.low = static_cast<int>(thresholds.high * tlow + 0.5);

    const std::ptrdiff_t w = cols;
    for (std::size_t pos = 0; pos < pixels; ++pos) {
        if (edge[pos] == kPossibleEdge && mag[pos] >= thresholds.high) {
            edge[pos] = kEdge;
            follow_edges(edge + pos, mag + pos, static_cast<Mag>(thresholds.low), w);
        }
    }
    for (std::size_t pos = 0; pos < pixels; ++pos) {
        if (edge[pos] != kEdge)
            edge[pos] = kNoEdge;
    }
    return thresholds;
}

bool cannyEdges(const unsigned char *gray, unsigned width, unsigned height, double lowRatio,
                double highRatio, unsigned threads, unsigned char *edges,
                HysteresisThresholds *used)
{
    if (width == 0 || height == 0) {
        if (used != nullptr)
            *used = HysteresisThresholds{};
        return true;
    }
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    std::unique_ptr<Mag[]> smoothed = allocateOrReport<Mag>(pixels, "Error allocating the smoothed image.\n");
    if (!smoothed || !gaussianSmooth(gray, height, width, threads, smoothed.get()))
        return false;
    std::unique_ptr<Mag[]> dx = allocateOrReport<Mag>(pixels, "Error allocating the delta_x image.\n");
    if (!dx)
        return false;
    std::unique_ptr<Mag[]> dy = allocateOrReport<Mag>(pixels, "Error allocating the delta_y image.\n");
    if (!dy)
        return false;
    parallelRows(height, threads, [&](unsigned begin, unsigned end) {
        derivatives(smoothed.get(), height, width, begin, end, dx.get(), dy.get());
    });
    smoothed.reset();
    std::unique_ptr<Mag[]> mag = allocateOrReport<Mag>(pixels, "Error allocating the magnitude image.\n");
    if (!mag)
        return false;
    parallelRows(height, threads, [&](unsigned begin, unsigned end) {
        magnitude(dx.get(), dy.get(), static_cast<std::size_t>(begin) * width,
                  static_cast<std::size_t>(end) * width, mag.get());
    });
    parallelRows(height, threads, [&](unsigned begin, unsigned end) {
        non_max_supp(mag.get(), dx.get(), dy.get(), height, width, begin, end, edges);
    });
    const HysteresisThresholds thresholds =
        apply_hysteresis(mag.get(), height, width, lowRatio, highRatio, edges);
    if (used != nullptr)
        *used = thresholds;
    return true;
}

} // namespace Deskew
