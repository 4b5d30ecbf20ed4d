// Prints the skew the picture (edge) method finds for pages turned -12 to
// +12 degrees: a black rectangle on a 300 x 400 page at 75 dpi (40 px
// margin) and a text page of 800 x 600 at 100 dpi, both measured by the edge
// method (text flag false), with the largest error of each column.

#include "test_pages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

int main()
{
    double worstRectangle = 0.0;
    double worstText = 0.0;
    std::printf("tilt | rectangle, edges | text page, edges\n");
    std::printf("-----+------------------+-----------------\n");
    for (int tilt = -12; tilt <= 12; ++tilt) {
        const QImage rectangle = TestPages::tiltedRectangle(300, 400, 75, tilt, 40);
        const QImage text = TestPages::textLines(800, 600, 100, tilt, 40);
        bool rectangleOk = false;
        bool textOk = false;
        const double rectangleFound = TestPages::skewDegreesOfGray(TestPages::grayBuffer(rectangle), 300, 400,
                                                                   false, &rectangleOk);
        const double textFound = TestPages::skewDegreesOfGray(TestPages::grayBuffer(text), 800, 600, false, &textOk);
        worstRectangle = std::max(worstRectangle, std::fabs(rectangleFound - tilt));
        worstText = std::max(worstText, std::fabs(textFound - tilt));
        std::printf("%4d | %8.3f %-7s | %8.3f %s\n", tilt, rectangleFound, rectangleOk ? "" : "failed", textFound,
                    textOk ? "" : "failed");
    }
    std::printf("largest error: rectangle %.3f degrees, text page %.3f degrees\n", worstRectangle, worstText);
    return 0;
}
