// Prints the skew the estimator finds for a black rectangle turned 1 to 10
// degrees on a 300 x 400 page at 75 dpi, with 30 and 40 px margins.

#include "test_pages.h"

#include <cstdio>

int main()
{
    const int margins[] = {30, 40};
    std::printf("tilt  | margin 30 px      | margin 40 px\n");
    std::printf("------+-------------------+-------------------\n");
    for (int tilt = 1; tilt <= 10; ++tilt) {
        std::printf("%4d  ", tilt);
        for (int margin : margins) {
            bool ok = false;
            bool text = false;
            const QImage page = TestPages::tiltedRectangle(300, 400, 75, tilt, margin);
            const double found = TestPages::estimateSkewDegrees(page, &ok, &text);
            std::printf("| %7.3f %s%s     ", found, ok ? "ok" : "failed", text ? " text" : "     ");
        }
        std::printf("\n");
    }
    return 0;
}
