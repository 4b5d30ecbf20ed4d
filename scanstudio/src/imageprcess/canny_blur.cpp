#include "canny_blur.h"

#include "checked_buffer.h"
#include "parallel_rows.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

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

DESKEW_INLINE void store8(float *p, Float8 v)
{
    std::memcpy(p, &v, sizeof v);
}

// dst[i] = sum over j < taps of src[i + j * stride] * k[j], in tap order.
DESKEW_INLINE void convolveBody(const float *src, std::ptrdiff_t stride, const float *k, int taps,
                                float *dst, std::ptrdiff_t n)
{
    std::ptrdiff_t i = 0;
    for (; i + 32 <= n; i += 32) {
        Float8 a0 = {}, a1 = {}, a2 = {}, a3 = {};
        const float *s = src + i;
        for (int j = 0; j < taps; ++j, s += stride) {
            const Float8 kj = Float8{} + k[j];
            a0 += load8(s) * kj;
            a1 += load8(s + 8) * kj;
            a2 += load8(s + 16) * kj;
            a3 += load8(s + 24) * kj;
        }
        store8(dst + i, a0);
        store8(dst + i + 8, a1);
        store8(dst + i + 16, a2);
        store8(dst + i + 24, a3);
    }
    for (; i + 8 <= n; i += 8) {
        Float8 a = {};
        const float *s = src + i;
        for (int j = 0; j < taps; ++j, s += stride)
            a += load8(s) * (Float8{} + k[j]);
        store8(dst + i, a);
    }
    for (; i < n; ++i) {
        float a = 0.0f;
        const float *s = src + i;
        for (int j = 0; j < taps; ++j, s += stride)
            a += *s * k[j];
        dst[i] = a;
    }
}

__attribute__((target("avx2"))) void convolveAvx2(const float *src, std::ptrdiff_t stride,
                                                  const float *k, int taps, float *dst,
                                                  std::ptrdiff_t n)
{
    convolveBody(src, stride, k, taps, dst, n);
}

void convolveBaseline(const float *src, std::ptrdiff_t stride, const float *k, int taps, float *dst,
                      std::ptrdiff_t n)
{
    convolveBody(src, stride, k, taps, dst, n);
}

using ConvolveFn = void (*)(const float *, std::ptrdiff_t, const float *, int, float *, std::ptrdiff_t);

ConvolveFn pickConvolve()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? convolveAvx2 : convolveBaseline;
}

// Row blur of one row: full taps inside, the taps within the row at its ends.
void blurRow(const unsigned char *in, std::ptrdiff_t cols, const float *k, float fullSum,
             ConvolveFn convolve, float *rowIn, float *out)
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
    if (inner <= 0)
        return;
    convolve(rowIn, 1, k, kGaussianTaps, out + kGaussianCentre, inner);
    for (std::ptrdiff_t c = kGaussianCentre; c < kGaussianCentre + inner; ++c)
        out[c] = out[c] / fullSum;
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
    const std::size_t pixels = static_cast<std::size_t>(rows) * cols;
    std::unique_ptr<float[]> rowBlurred =
        allocateOrReport<float>(pixels, "Error allocating the buffer image.\n");
    if (!rowBlurred)
        return false;
    const std::array<float, kGaussianTaps> kernel = gaussianKernel();
    const float *k = kernel.data();
    float fullSum = 0.0f;
    for (float tap : kernel)
        fullSum += tap;
    const ConvolveFn convolve = pickConvolve();
    const std::ptrdiff_t width = cols;
    float *tmp = rowBlurred.get();

    parallelRows(rows, threads, [&](unsigned begin, unsigned end) {
        std::vector<float> rowIn(cols);
        for (unsigned r = begin; r < end; ++r)
            blurRow(image + r * width, width, k, fullSum, convolve, rowIn.data(), tmp + r * width);
    });

    parallelRows(rows, threads, [&](unsigned begin, unsigned end) {
        std::vector<float> acc(cols);
        for (unsigned r = begin; r < end; ++r) {
            const int first = std::max(0, kGaussianCentre - static_cast<int>(r));
            const int last = static_cast<int>(std::min<long long>(
                kGaussianTaps - 1, static_cast<long long>(rows) - 1 - r + kGaussianCentre));
            float sum = 0.0f;
            for (int j = first; j <= last; ++j)
                sum += k[j];
            const float *src = tmp + (static_cast<std::ptrdiff_t>(r) - kGaussianCentre + first) * width;
            convolve(src, width, k + first, last - first + 1, acc.data(), width);
            std::int16_t *out = smoothed + r * width;
            for (std::ptrdiff_t c = 0; c < width; ++c)
                out[c] = static_cast<std::int16_t>(acc[c] * kBlurBoost / sum + 0.5f);
        }
    });
    return true;
}

} // namespace Deskew
