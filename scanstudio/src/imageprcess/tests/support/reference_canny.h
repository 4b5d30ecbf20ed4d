#pragma once

#include <cstdint>
#include <vector>

// The edge detection written as plainly as it is described, one pixel at a
// time and apart from the fast version's code: the oracle that the fast
// version must match bit for bit.
namespace ReferenceCanny {

std::vector<std::int16_t> smooth(const unsigned char *image, unsigned rows, unsigned cols);

// Edge map (0 edge, 255 elsewhere) with the hysteresis thresholds it used.
std::vector<unsigned char> edges(const unsigned char *image, unsigned rows, unsigned cols,
                                 int *low = nullptr, int *high = nullptr);

} // namespace ReferenceCanny
