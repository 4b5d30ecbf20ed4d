#include "canny.h"

#include "canny_blur.h"
#include "checked_buffer.h"
#include "parallel_rows.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <mutex>
#include <thread>
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

// Calls visit(pos) for every candidate in [begin, end), in order.
template <typename Visit>
void forEachCandidate(const unsigned char *edge, std::size_t begin, std::size_t end, Visit visit)
{
    const unsigned char *p = edge + begin;
    const unsigned char *const stop = edge + end;
    while (p < stop) {
        p = static_cast<const unsigned char *>(std::memchr(p, kPossibleEdge, stop - p));
        if (p == nullptr)
            return;
        visit(static_cast<std::size_t>(p - edge));
        ++p;
    }
}

inline __attribute__((always_inline)) void magnitudeBody(const Mag *dx, const Mag *dy, std::size_t begin,
                                                         std::size_t end, Mag *mag)
{
    for (std::size_t i = begin; i < end; ++i) {
        const int sq = dx[i] * dx[i] + dy[i] * dy[i];
        mag[i] = static_cast<Mag>(std::sqrt(static_cast<double>(sq)) + 0.5);
    }
}

__attribute__((target("avx2"))) void magnitudeAvx2(const Mag *dx, const Mag *dy, std::size_t begin,
                                                   std::size_t end, Mag *mag)
{
    magnitudeBody(dx, dy, begin, end, mag);
}

void magnitudeBaseline(const Mag *dx, const Mag *dy, std::size_t begin, std::size_t end, Mag *mag)
{
    magnitudeBody(dx, dy, begin, end, mag);
}

void magnitude(const Mag *dx, const Mag *dy, std::size_t begin, std::size_t end, Mag *mag)
{
    static const bool avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    (avx2 ? magnitudeAvx2 : magnitudeBaseline)(dx, dy, begin, end, mag);
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

namespace {

bool hysteresis(const Mag *mag, unsigned rows, unsigned cols, double tlow, double thigh, unsigned threads,
                unsigned char *edge, HysteresisThresholds &thresholds)
{
    const std::ptrdiff_t w = cols;
    if (rows == 0 || cols == 0)
        return true;
    // The border rows and columns are never edges, so no trace leaves the page.
    std::fill(edge, edge + w, kNoEdge);
    std::fill(edge + (rows - 1) * w, edge + rows * w, kNoEdge);
    for (unsigned r = 1; r + 1 < rows; ++r) {
        edge[r * w] = kNoEdge;
        edge[r * w + w - 1] = kNoEdge;
    }
    constexpr int kBins = 32768;
    std::vector<std::size_t> hist(kBins, 0);
    std::mutex histLock;
    const bool counted = parallelRows(rows, threads, [&](unsigned begin, unsigned end) {
        std::vector<std::size_t> local(kBins, 0);
        forEachCandidate(edge, begin * std::size_t(cols), end * std::size_t(cols),
                         [&](std::size_t pos) { ++local[static_cast<std::size_t>(mag[pos])]; });
        const std::lock_guard<std::mutex> hold(histLock);
        for (int r = 0; r < kBins; ++r)
            hist[r] += local[r];
    });
    if (!counted)
        return false;
    std::size_t edges = 0;
    int maximum = 0;
    for (int r = 1; r < kBins; ++r) {
        if (hist[r] != 0)
            maximum = r;
        edges += hist[r];
    }
    const std::size_t highCount = static_cast<std::size_t>(edges * thigh + 0.5);
    int r = 1;
    std::size_t below = hist[1];
    while (r < maximum - 1 && below < highCount) {
        ++r;
        below += hist[r];
    }
    thresholds.high = r;
    thresholds.low = static_cast<int>(thresholds.high * tlow + 0.5);

    // The strong candidates in row-major order, gathered per band; the
    // traces then run in that order, as one pass over the page would.
    const unsigned bands = std::max(1u, threads == 0 ? std::thread::hardware_concurrency() : threads);
    std::vector<std::vector<std::size_t>> strong(bands);
    const bool gathered = parallelRows(bands, bands, [&](unsigned firstBand, unsigned endBand) {
        for (unsigned band = firstBand; band < endBand; ++band) {
            const std::size_t begin = static_cast<std::size_t>(rows) * band / bands * w;
            const std::size_t end = static_cast<std::size_t>(rows) * (band + 1) / bands * w;
            forEachCandidate(edge, begin, end, [&](std::size_t pos) {
                if (mag[pos] >= thresholds.high)
                    strong[band].push_back(pos);
            });
        }
    }, 1);
    if (!gathered)
        return false;
    for (const std::vector<std::size_t> &band : strong) {
        for (std::size_t pos : band) {
            if (edge[pos] != kPossibleEdge)
                continue;
            edge[pos] = kEdge;
            follow_edges(edge + pos, mag + pos, static_cast<Mag>(thresholds.low), w);
        }
    }
    parallelRows(rows, threads, [&](unsigned begin, unsigned end) {
        for (std::size_t pos = begin * std::size_t(cols); pos < end * std::size_t(cols); ++pos)
            edge[pos] = edge[pos] == kEdge ? kEdge : kNoEdge;
    });
    return true;
}

} // namespace

bool apply_hysteresis(const Mag *mag, unsigned rows, unsigned cols, double tlow, double thigh,
                      unsigned threads, unsigned char *edge, HysteresisThresholds &thresholds)
{
    try {
        return hysteresis(mag, rows, cols, tlow, thigh, threads, edge, thresholds);
    } catch (const std::bad_alloc &) {
        return false;
    }
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
    Buffer<Mag> smoothed = allocateOrReport<Mag>(pixels, "Error allocating the smoothed image.\n");
    if (!smoothed || !gaussianSmooth(gray, height, width, threads, smoothed.get()))
        return false;
    Buffer<Mag> dx = allocateOrReport<Mag>(pixels, "Error allocating the delta_x image.\n");
    if (!dx)
        return false;
    // Both derivative images report under the one name.
    Buffer<Mag> dy = allocateOrReport<Mag>(pixels, "Error allocating the delta_x image.\n");
    if (!dy)
        return false;
    bool ok = parallelRows(height, threads, [&](unsigned begin, unsigned end) {
        derivatives(smoothed.get(), height, width, begin, end, dx.get(), dy.get());
    });
    // The magnitudes take the smoothed image's place.
    const Buffer<Mag> mag = std::move(smoothed);
    ok = ok && parallelRows(height, threads, [&](unsigned begin, unsigned end) {
        magnitude(dx.get(), dy.get(), static_cast<std::size_t>(begin) * width,
                  static_cast<std::size_t>(end) * width, mag.get());
    });
    ok = ok && parallelRows(height, threads, [&](unsigned begin, unsigned end) {
        non_max_supp(mag.get(), dx.get(), dy.get(), height, width, begin, end, edges);
    });
    HysteresisThresholds thresholds;
    ok = ok && apply_hysteresis(mag.get(), height, width, lowRatio, highRatio, threads, edges, thresholds);
    if (!ok)
        std::fputs("Error allocating the edge image.\n", stderr);
    if (used != nullptr)
        *used = thresholds;
    return ok;
}

} // namespace Deskew
