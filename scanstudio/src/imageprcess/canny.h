#pragma once

#include <cstddef>
#include <cstdint>

namespace Deskew {

constexpr unsigned char kEdge = 0;
constexpr unsigned char kPossibleEdge = 128;
constexpr unsigned char kNoEdge = 255;

struct HysteresisThresholds
{
    int low = 0;
    int high = 0;
};

// Canny edges of a gray image (one byte per pixel, rows packed) into `edges`:
// 0 on an edge pixel, 255 elsewhere. `threads` 0 uses every core. False when
// memory runs out; `used` receives the hysteresis thresholds of the page.
bool cannyEdges(const unsigned char *gray, unsigned width, unsigned height, double lowRatio,
                double highRatio, unsigned threads, unsigned char *edges,
                HysteresisThresholds *used = nullptr);

// Marks the local maxima of `mag` along the gradient as candidates (128),
// everything else 255; rows [firstRow, endRow) are written.
void non_max_supp(const std::int16_t *mag, const std::int16_t *gradx, const std::int16_t *grady,
                  unsigned rows, unsigned cols, unsigned firstRow, unsigned endRow,
                  unsigned char *result);

// Turns the candidates of `edge` (128) into edges (0) from the high threshold
// down to the low one; every other pixel becomes 255. `threads` 0 uses every
// core for the passes over the page; the traces run in row-major order.
// False when memory runs out.
bool apply_hysteresis(const std::int16_t *mag, unsigned rows, unsigned cols, double tlow, double thigh,
                      unsigned threads, unsigned char *edge, HysteresisThresholds &thresholds);

// Follows one path of candidates above `lowval` from the pixel at `edgemap`.
void follow_edges(unsigned char *edgemap, const std::int16_t *edgemag, std::int16_t lowval,
                  std::ptrdiff_t cols);

} // namespace Deskew
