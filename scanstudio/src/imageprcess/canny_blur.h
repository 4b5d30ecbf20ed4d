#pragma once

#include <array>
#include <cstdint>

namespace Deskew {

constexpr int kGaussianTaps = 51;
constexpr int kGaussianCentre = kGaussianTaps / 2;
// Blurred values are scaled by this factor, in double, before they are
// stored as integers.
constexpr double kBlurBoost = 90.0;

// Taps of the sigma-10 gaussian, normalised to sum 1 in single precision.
std::array<float, kGaussianTaps> gaussianKernel();

// Blurs the rows, then the columns; at the borders only the taps inside the
// image are used. The result is trunc(value x 90 / tap sum + 0.5).
// `threads` 0 uses every core. False when the work buffer cannot be had.
bool gaussianSmooth(const unsigned char *image, unsigned rows, unsigned cols, unsigned threads,
                    std::int16_t *smoothed);

} // namespace Deskew
