#pragma once

#include <QImage>
#include <QRect>

#include <vector>

// Synthetic pages for the analysis tests and benchmarks. Every page carries
// its resolution (dots per metre = trunc(dpi x 39.37)).
namespace TestPages {

QImage blank(int width, int height, int dpi, QRgb colour = 0xFFFFFFFFu);

// Lines of word-like bars (20 px high every 60 px, words of 80 px with 30 px
// gaps) inside `margin`, turned by `degrees` about the page centre; positive
// degrees make the lines descend to the right.
QImage textLines(int width, int height, int dpi, double degrees = 0.0, int margin = 60,
                 QRgb background = 0xFFFFFFFFu, QRgb ink = 0xFF000000u);

QImage darkBox(int width, int height, int dpi, const QRect &box);

// A black rectangle turned by `degrees` about the centre whose bounding box
// keeps `margin` pixels from every page edge.
QImage tiltedRectangle(int width, int height, int dpi, double degrees, int margin);

// A sheet of white paper on a scanner bed, as a scan sees it: the sheet
// covers about `coverage` of the page, is turned by `degrees` about the page
// centre and carries lines of letter-like marks, the lines alternately in
// gray 44 and gray 60. Pixels are averaged over 4 x 4 samples, so the sheet's
// and the marks' edges are soft. When `ink` is given, it is filled with one
// flag per pixel (rows packed): set where the pixel is wholly ink.
QImage sheetOnBed(int width, int height, int dpi, double degrees, double coverage, QRgb bed,
                  std::vector<bool> *ink = nullptr);

// Gray rising from 0 on the top row to 255 on the bottom row.
QImage verticalGradient(int width, int height, int dpi);

// One gray byte per pixel, rows packed, as the page pipeline builds it.
std::vector<unsigned char> grayBuffer(const QImage &image);

// The estimator's skew in degrees for a gray buffer (0 when it fails). Sets
// `ok` to the estimator's result.
double skewDegreesOfGray(std::vector<unsigned char> gray, int width, int height, bool isText, bool *ok = nullptr);

// The estimate of the page pipeline's deskew step in degrees: whiten a copy,
// test for text, estimate. Sets `ok` to the estimator's result.
double estimateSkewDegrees(const QImage &page, bool *ok = nullptr, bool *isText = nullptr);

} // namespace TestPages
