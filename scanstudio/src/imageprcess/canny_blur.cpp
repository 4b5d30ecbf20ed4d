#include "canny_blur.h"

#include "checked_buffer.h"
#include "parallel_rows.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>

namespace Deskew {

namespace {

// Eight floats; each lane does the same operations in the same order as a
// plain loop would, so the results do not depend on the vector width.
typedef float Float8 __attribute__((vector_size(32)));

// The helpers below are always inlined, so no vector crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

#define DESKEW_INLINE inline __attribute__((always_inline))

DESKEW_INLINE Float8 load8(const float *p)
{
    Float8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Where a pass puts its sums: the row pass divides by the tap sum and keeps
// floats, the column pass stores trunc(sum x 90 / tap sum + 0.5), worked out
// in double, as 16 bits.
struct RowOutput
{
    float tapSum;
    float *out;
};

struct ColumnOutput
{
    float tapSum;
    std::int16_t *out;
};

DESKEW_INLINE void finish(const RowOutput &o, std::ptrdiff_t i, Float8 v, int lanes)
{
    v = v / o.tapSum;
    std::memcpy(o.out + i, &v, sizeof(float) * lanes);
}

DESKEW_INLINE void finish(const ColumnOutput &o, std::ptrdiff_t i, Float8 v, int lanes)
{
    for (int lane = 0; lane < lanes; ++lane)
        o.out[i + lane] = static_cast<std::int16_t>(v[lane] * kBlurBoost / o.tapSum + 0.5);
}

// Sums rows[j][i] * k[j] over j < taps in tap order for every i < n.
template <typename Output>
DESKEW_INLINE void convolveBody(const float *const *rows, const float *k, int taps, std::ptrdiff_t n,
                                const Output &output)
{
    std::ptrdiff_t i = 0;
    for (; i + 32 <= n; i += 32) {
        Float8 a0 = {}, a1 = {}, a2 = {}, a3 = {};
        for (int j = 0; j < taps; ++j) {
            const float *s = rows[j] + i;
            const Float8 kj = Float8{} + k[j];
            a0 += load8(s) * kj;
            a1 += load8(s + 8) * kj;
            a2 += load8(s + 16) * kj;
            a3 += load8(s + 24) * kj;
        }
        finish(output, i, a0, 8);
        finish(output, i + 8, a1, 8);
        finish(output, i + 16, a2, 8);
        finish(output, i + 24, a3, 8);
    }
    for (; i + 8 <= n; i += 8) {
        Float8 a = {};
        for (int j = 0; j < taps; ++j)
            a += load8(rows[j] + i) * (Float8{} + k[j]);
        finish(output, i, a, 8);
    }
    for (; i < n; ++i) {
        float a = 0.0f;
        for (int j = 0; j < taps; ++j)
            a += rows[j][i] * k[j];
        Float8 v = {};
        v[0] = a;
        finish(output, i, v, 1);
    }
}

DESKEW_INLINE void rowPassBody(const float *in, const float *k, float tapSum, float *out, std::ptrdiff_t n)
{
    const float *rows[kGaussianTaps];
    for (int j = 0; j < kGaussianTaps; ++j)
        rows[j] = in + j;
    convolveBody(rows, k, kGaussianTaps, n, RowOutput{tapSum, out});
}

DESKEW_INLINE void columnPassBody(const float *const *rows, const float *k, int taps, float tapSum,
                                  std::int16_t *out, std::ptrdiff_t n)
{
    convolveBody(rows, k, taps, n, ColumnOutput{tapSum, out});
}

__attribute__((target("avx2"))) void rowPassAvx2(const float *in, const float *k, float tapSum, float *out,
                                                 std::ptrdiff_t n)
{
    rowPassBody(in, k, tapSum, out, n);
}

void rowPassBaseline(const float *in, const float *k, float tapSum, float *out, std::ptrdiff_t n)
{
    rowPassBody(in, k, tapSum, out, n);
}

__attribute__((target("avx2"))) void columnPassAvx2(const float *const *rows, const float *k, int taps,
                                                    float tapSum, std::int16_t *out, std::ptrdiff_t n)
{
    columnPassBody(rows, k, taps, tapSum, out, n);
}

void columnPassBaseline(const float *const *rows, const float *k, int taps, float tapSum, std::int16_t *out,
                        std::ptrdiff_t n)
{
    columnPassBody(rows, k, taps, tapSum, out, n);
}

struct Passes
{
    void (*row)(const float *, const float *, float, float *, std::ptrdiff_t);
    void (*column)(const float *const *, const float *, int, float, std::int16_t *, std::ptrdiff_t);
};

Passes pickPasses()
{
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return {rowPassAvx2, columnPassAvx2};
    return {rowPassBaseline, columnPassBaseline};
}

// Row blur of one row: full taps inside, the taps within the row at its ends.
void blurRow(const unsigned char *in, std::ptrdiff_t cols, const float *k, float fullSum, const Passes &passes,
             float *rowIn, float *out)
{
    for (std::ptrdiff_t c = 0; c < cols; ++c)
        rowIn[c] = in[c];
    for (std::ptrdiff_t c = 0; c < cols; ++c) {
        if (c >= kGaussianCentre && c + kGaussianCentre < cols) {
            c = cols - kGaussianCentre - 1;
            continue;
        }
        float dot = 0.0f;
        float sum = 0.0f;
        for (int cc = -kGaussianCentre; cc <= kGaussianCentre; ++cc) {
            if (c + cc >= 0 && c + cc < cols) {
                dot += rowIn[c + cc] * k[kGaussianCentre + cc];
                sum += k[kGaussianCentre + cc];
            }
        }
        out[c] = dot / sum;
    }
    const std::ptrdiff_t inner = cols - 2 * kGaussianCentre;
    if (inner > 0)
        passes.row(rowIn, k, fullSum, out + kGaussianCentre, inner);
}

} // namespace

std::array<float, kGaussianTaps> gaussianKernel()
{
    std::array<float, kGaussianTaps> kernel{};
    float sum = 0.0f;
    for (int j = 0; j < kGaussianTaps; ++j) {
        const double x = j - kGaussianCentre;
        kernel[j] = static_cast<float>(std::pow(2.71828, -0.5 * x * x / 100.0) / 25.066282731988807);
        sum += kernel[j];
    }
    for (float &tap : kernel)
        tap /= sum;
    return kernel;
}

bool gaussianSmooth(const unsigned char *image, unsigned rows, unsigned cols, unsigned threads,
                    std::int16_t *smoothed)
{
    const std::array<float, kGaussianTaps> kernel = gaussianKernel();
    const float *k = kernel.data();
    float fullSum = 0.0f;
    for (float tap : kernel)
        fullSum += tap;
    const Passes passes = pickPasses();
    const std::ptrdiff_t width = cols;
    const long long height = rows;
    std::atomic<bool> ok{true};

    // Each band keeps the row-blurred rows that its column pass needs in a
    // ring of 51 rows, so the blur stays in the cache.
    const bool ran = parallelRows(rows, threads, [&](unsigned begin, unsigned end) {
        Buffer<float> ring =
            allocateOrReport<float>(static_cast<std::size_t>(kGaussianTaps + 1) * cols, "Error allocating the buffer image.\n");
        if (!ring) {
            ok = false;
            return;
        }
        float *rowIn = ring.get() + static_cast<std::size_t>(kGaussianTaps) * cols;
        auto slot = [&](long long r) { return ring.get() + (r % kGaussianTaps) * width; };
        long long blurred = std::max(0LL, static_cast<long long>(begin) - kGaussianCentre);
        const float *taps[kGaussianTaps];
        for (long long r = begin; r < end; ++r) {
            const long long firstRow = std::max(0LL, r - kGaussianCentre);
            const long long lastRow = std::min(height - 1, r + kGaussianCentre);
            for (; blurred <= lastRow; ++blurred)
                blurRow(image + blurred * width, width, k, fullSum, passes, rowIn, slot(blurred));
            const int first = static_cast<int>(firstRow - (r - kGaussianCentre));
            const int count = static_cast<int>(lastRow - firstRow + 1);
            float sum = 0.0f;
            for (int j = 0; j < count; ++j) {
                sum += k[first + j];
                taps[j] = slot(firstRow + j);
            }
            passes.column(taps, k + first, count, sum, smoothed + r * width, width);
        }
    });
    return ran && ok;
}

} // namespace Deskew
