// The skew estimator: text pages by projection profiles, pictures by their
// outer edges. Positive angles are lines that descend to the right.

#include "imagedata.h"
#include "imagefunctions.h"
#include "skewmanager.h"
#include "test_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

double degrees(double radians)
{
    return radians * 180.0 / M_PI;
}

double estimate(const QImage &page, bool isText, bool *ok = nullptr)
{
    return TestPages::skewDegreesOfGray(TestPages::grayBuffer(page), page.width(), page.height(), isText, ok);
}

class TextSkew : public ::testing::TestWithParam<double>
{
};

TEST_P(TextSkew, FindsTheTiltOfTextBars)
{
    const double tilt = GetParam();
    const QImage page = TestPages::textLines(800, 600, 100, tilt, 40);
    std::vector<unsigned char> gray = TestPages::grayBuffer(page);
    ImageData data;
    data.Load(gray.data(), page.width(), page.height(), 1);
    SkewManager manager;
    double angle = 99.0;
    EXPECT_TRUE(manager.GetSkewAngle(true, data, angle, 0));
    EXPECT_NEAR(degrees(angle), tilt, 0.5);
    EXPECT_NEAR(manager.lastTextAngle(), degrees(angle), 1e-9);
    EXPECT_EQ(data.edges(), nullptr) << "text pages need no edge map";
}

INSTANTIATE_TEST_SUITE_P(Tilts, TextSkew, ::testing::Values(3.0, -2.0, 3.5, -7.0, 12.0),
                         [](const ::testing::TestParamInfo<double> &info) {
                             return (info.param < 0 ? "minus" : "plus") + std::to_string(static_cast<int>(std::fabs(info.param) * 10)) + "tenths";
                         });

TEST(TextSkewLevel, LevelBarsStayBelowOneDegree)
{
    // Bars 20 px high seen by rays every 10 rows score the same from -0.7 to
    // +0.7 degrees but for 0 itself (one ray falls below the page); the first
    // of equal scores wins, and the page pipeline's whole degrees are 0.
    EXPECT_NEAR(estimate(TestPages::textLines(800, 600, 100, 0.0, 40), true), -0.7, 1e-9);
}

TEST(PictureSkew, TiltedDarkRectangleThroughTheEdges)
{
    const QImage page = TestPages::tiltedRectangle(300, 400, 75, 6, 40);
    bool ok = false;
    bool text = true;
    EXPECT_NEAR(TestPages::estimateSkewDegrees(page, &ok, &text), 6.0, 0.5);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(text) << "the rectangle must go through the edge method";
}

TEST(BlankSkew, BlankPageGivesZeroAndSuccess)
{
    for (bool isText : {true, false}) {
        bool ok = false;
        EXPECT_EQ(estimate(TestPages::blank(300, 400, 75), isText, &ok), 0.0) << isText;
        EXPECT_TRUE(ok) << isText;
    }
}

TEST(WideSkew, WideStripScoresZeroWhereNoRayFits)
{
    // 3000 x 400: from about 7.6 degrees on, no ray fits between top and
    // bottom; those angles score 0 instead of dividing by zero.
    const QImage strip = TestPages::textLines(3000, 400, 100, 0.0, 20);
    std::vector<unsigned char> gray = TestPages::grayBuffer(strip);
    ImageData data;
    data.Load(gray.data(), 3000, 400, 1);
    SkewManager manager;
    manager.GetTextSkewAngle(data, 10);
    EXPECT_EQ(manager.Histogram(data, 25.0), 0.0);
    EXPECT_EQ(manager.Histogram(data, -25.0), 0.0);
    EXPECT_GT(manager.Histogram(data, 0.0), 0.0);
    bool ok = false;
    EXPECT_NEAR(estimate(strip, true, &ok), 0.0, 0.5);
    EXPECT_TRUE(ok);
}

TEST(TextSkewRays, RayCountsDarkPixelsAlongItsSteps)
{
    // 10 x 4 page, dark on row 1 columns 0..4 and row 2 columns 5..9.
    std::vector<unsigned char> gray(40, 255);
    for (int x = 0; x < 5; ++x)
        gray[10 + x] = 0;
    for (int x = 5; x < 10; ++x)
        gray[20 + x] = 0;
    ImageData data;
    data.Load(gray.data(), 10, 4, 1);
    SkewManager manager;
    struct Case
    {
        int row;
        double run;
        int direction;
        unsigned dark;
    } cases[] = {
        {1, 5.0, 1, 10},  // steps down after five columns
        {1, 10.0, 1, 5},  // stays on row 1
        {2, 5.0, -1, 0},  // goes up: row 2 left half, row 1 right half
        {3, 5.0, 1, 0},   // the next row is outside: one segment only
        {0, 4.0, 1, 3},   // 0..3 on row 0, 4..7 on row 1, 8..9 on row 2
        {2, 4.0, 1, 0},   // 0..3 on row 2, 4..7 on row 3, then outside
        {-1, 5.0, 1, 0},
        {4, 5.0, 1, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(manager.CastRay(data, c.row, c.run, c.direction), c.dark) << c.row << " " << c.run;
    EXPECT_EQ(SkewManager::bit_count(gray.data() + 10, 3, 7), 2u);
}

TEST(TextSkewRays, ScoreIsTheVarianceOfTheRayCounts)
{
    // 10 x 40 page, rays every 10 rows: dark on row 0, on row 10 columns
    // 0..4 and on row 11 columns 5..9.
    std::vector<unsigned char> gray(400, 255);
    std::fill_n(gray.begin(), 10, 0);
    std::fill_n(gray.begin() + 100, 5, 0);
    std::fill_n(gray.begin() + 115, 5, 0);
    ImageData data;
    data.Load(gray.data(), 10, 40, 1);
    SkewManager manager;
    struct Case
    {
        double degrees;
        double score;
    } cases[] = {
        {0.0, 16.0},      // rows 0, 10, 20, 30 and 40 (outside): 10, 5, 0, 0, 0
        {10.0, 17.1875},  // rows 0..30, one row down after 5 columns: 5, 10, 0, 0
        {-10.0, 4.6875},  // rows 1..31, one row up after 5 columns: 5, 0, 0, 0
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(manager.Histogram(data, c.degrees), c.score) << c.degrees;
}

TEST(SkewRounding, RoundsHalvesAwayFromZero)
{
    struct Case
    {
        double x;
        int digits;
        double rounded;
    } cases[] = {{0.25, 1, 0.3}, {-0.25, 1, -0.3}, {1.04, 1, 1.0}, {-1.06, 1, -1.1}, {2.5, 0, 3.0}, {0.0, 1, 0.0}};
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(Deskew::round(c.x, c.digits), c.rounded) << c.x;
}

TEST(SkewInput, NoPixelDataFails)
{
    ImageData empty;
    SkewManager manager;
    double angle = 1.0;
    EXPECT_FALSE(manager.GetSkewAngle(true, empty, angle, 0));
    EXPECT_FALSE(manager.GetSkewAngle(false, empty, angle, 0));
    EXPECT_EQ(angle, 1.0);
}

TEST(SkewInput, PageTooLargeForMemoryFails)
{
    unsigned char pixel = 255;
    ImageData data;
    data.Load(&pixel, 0xFFFFFFFFu, 0xFFFFFFFFu, 1);
    SkewManager manager;
    double angle = 1.0;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(manager.GetSkewAngle(false, data, angle, 0));
    testing::internal::GetCapturedStderr();
}

} // namespace

namespace {

// An empty edge map of a blank page, to draw edge pixels on.
struct DrawnEdges
{
    std::vector<unsigned char> blank;
    ImageData data;

    DrawnEdges(unsigned width, unsigned height) : blank(static_cast<std::size_t>(width) * height, 255)
    {
        data.Load(blank.data(), width, height, 1);
        data.BlurToEdges(0);
    }

    void edgeAt(unsigned x, unsigned y) { data.putpixel(x, y, 0); }
};

struct LineCase
{
    const char *name;
    SkewManager::EdgeType edge;
    int direction; // +1: the line descends to the right
};

class EdgeLine : public ::testing::TestWithParam<LineCase>
{
};

// A straight edge one tenth off the axis, probed from each page edge, gives
// atan(0.1) with the sign of its tilt.
TEST_P(EdgeLine, MeasuresTheTiltOfAStraightEdge)
{
    const LineCase c = GetParam();
    DrawnEdges map(500, 500);
    for (int i = 0; i < 500; ++i) {
        const int offset = c.direction * (i / 10 - 25);
        switch (c.edge) {
        case SkewManager::Left:
        case SkewManager::Right:
            // Lines descending to the right lean left as they go down.
            map.edgeAt((c.edge == SkewManager::Left ? 100 : 400) - offset, i);
            break;
        case SkewManager::Top:
        case SkewManager::Bottom:
            map.edgeAt(i, (c.edge == SkewManager::Top ? 100 : 400) + offset);
            break;
        }
    }
    SkewManager manager;
    double confidence = 0.0;
    double spread = 0.0;
    const double angle = manager.GetImageSkewAngle(map.data, 50, c.edge, 1, &confidence, &spread);
    EXPECT_NEAR(degrees(angle), c.direction * degrees(std::atan(0.1)), 1e-9);
    EXPECT_DOUBLE_EQ(confidence, 1.0);
    EXPECT_DOUBLE_EQ(spread, 470.0);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, EdgeLine,
    ::testing::Values(LineCase{"LeftDescending", SkewManager::Left, 1}, LineCase{"LeftRising", SkewManager::Left, -1},
                      LineCase{"TopDescending", SkewManager::Top, 1}, LineCase{"TopRising", SkewManager::Top, -1},
                      LineCase{"RightDescending", SkewManager::Right, 1},
                      LineCase{"RightRising", SkewManager::Right, -1},
                      LineCase{"BottomDescending", SkewManager::Bottom, 1},
                      LineCase{"BottomRising", SkewManager::Bottom, -1}),
    [](const ::testing::TestParamInfo<LineCase> &info) { return info.param.name; });

TEST(EdgePoints, OneQualifyingPointDoesNotTurnThePage)
{
    // Two points of different slope: no pair votes, so only the second point
    // qualifies. It must not be paired with the unset marker (45 degrees).
    DrawnEdges map(200, 500);
    map.edgeAt(20, 499 - 10);
    map.edgeAt(25, 499 - 20);
    SkewManager manager;
    double confidence = 0.0;
    double spread = -1.0;
    EXPECT_EQ(manager.GetImageSkewAngle(map.data, 50, SkewManager::Left, 1, &confidence, &spread), 0.0);
    EXPECT_DOUBLE_EQ(confidence, 1.0);
    EXPECT_EQ(spread, 0.0);

    double angle = 1.0;
    EXPECT_TRUE(manager.GetSkewAngle(false, map.data, angle, 0));
    EXPECT_EQ(angle, 0.0);
}

TEST(EdgePoints, FewerThanTwoPointsHaveNoConfidence)
{
    DrawnEdges map(200, 500);
    SkewManager manager;
    double confidence = -1.0;
    double spread = -1.0;
    EXPECT_EQ(manager.GetImageSkewAngle(map.data, 50, SkewManager::Top, 1, &confidence, &spread), 0.0);
    EXPECT_EQ(confidence, 0.0);
    map.edgeAt(40, 7);
    EXPECT_EQ(manager.GetImageSkewAngle(map.data, 50, SkewManager::Top, 1, &confidence, &spread), 0.0);
    EXPECT_EQ(confidence, 0.0);
    EXPECT_EQ(spread, 0.0);
}

TEST(EdgeChoice, PicksTheEdgeByConfidenceAndSpread)
{
    struct Case
    {
        const char *name;
        double confidence[4];
        double spread[4];
        int picked;
    } cases[] = {
        {"left and right confident, equal spreads", {0.4999, 0.9, 0.5, 0.9}, {300, 400, 300, 400}, SkewManager::Right},
        {"left and right confident, left wider", {0.5, 0.9, 0.4999, 0.9}, {301, 400, 300, 400}, SkewManager::Left},
        {"right not confident enough", {0.3, 0.4, 0.4998, 0.35}, {300, 0, 500, 0}, SkewManager::Right},
        {"more confidence wins below 0.6999", {0.3, 0.8, 0.4, 0.75}, {0, 100, 0, 50}, SkewManager::Top},
        {"both very confident: the wider wins", {0.3, 0.8, 0.4, 0.6999}, {0, 100, 0, 200}, SkewManager::Bottom},
        {"both very confident: a narrower one does not", {0.3, 0.75, 0.2, 0.9}, {0, 100, 0, 50}, SkewManager::Top},
        {"equal confidence keeps the earlier", {0.45, 0.45, 0.3, 0.45}, {0, 100, 0, 200}, SkewManager::Left},
        {"all discarded", {0, 0, 0, 0}, {0, 0, 0, 0}, SkewManager::Left},
    };
    for (const Case &c : cases) {
        Deskew::EdgeMeasure edges[4];
        for (int e = 0; e < 4; ++e) {
            edges[e].confidence = c.confidence[e];
            edges[e].spread = c.spread[e];
        }
        EXPECT_EQ(Deskew::pickEdge(edges), c.picked) << c.name;
    }
}

TEST(EdgeChoice, MeasuresAgainWithSkipOneWhenFewerThanTwoEdgesRemain)
{
    // One dotted line, a pixel every ten rows: passing its first pixel over
    // (skip 2) leaves every edge without points; skip 1 finds it.
    DrawnEdges map(500, 500);
    for (int y = 9; y < 500; y += 10)
        map.edgeAt(100 + (y - 249) / 10, y);
    SkewManager manager;
    double confidence = 0.0;
    double spread = 0.0;
    manager.GetImageSkewAngle(map.data, 50, SkewManager::Left, 2, &confidence, &spread);
    EXPECT_EQ(confidence, 0.0);
    double angle = 0.0;
    EXPECT_TRUE(manager.GetSkewAngle(false, map.data, angle, 0));
    EXPECT_NEAR(degrees(angle), -degrees(std::atan(0.1)), 1e-9);
}

TEST(EdgeChoice, EdgeBeyondTwentyFiveDegreesIsDiscardedInBothPasses)
{
    // Two lines a tenth off the vertical near the left edge (5.7 degrees) and
    // two at -26.6 degrees near the right edge, both sure of themselves and
    // equally long, so the right one would win. It lies beyond the text
    // method's range and is discarded like an unsure edge; with the top and
    // bottom edges at 63 degrees, fewer than two edges remain and the skip-1
    // pass decides, where it is discarded again. Without the left lines no
    // edge remains: no turn.
    for (bool withLeftLines : {true, false}) {
        DrawnEdges map(500, 500);
        for (int y = 0; y < 500; ++y) {
            if (withLeftLines) {
                map.edgeAt(100 - (y / 10 - 25), y);
                map.edgeAt(110 - (y / 10 - 25), y);
            }
            map.edgeAt(479 - (499 - y) / 2, y);
            map.edgeAt(469 - (499 - y) / 2, y);
        }
        SkewManager manager;
        double confidence = 0.0;
        double spread = 0.0;
        ASSERT_NEAR(degrees(manager.GetImageSkewAngle(map.data, 50, SkewManager::Right, 2, &confidence, &spread)),
                    -26.565, 0.001);
        ASSERT_EQ(confidence, 1.0);
        double angle = 1.0;
        EXPECT_TRUE(manager.GetSkewAngle(false, map.data, angle, 0));
        EXPECT_NEAR(degrees(angle), withLeftLines ? degrees(std::atan(0.1)) : 0.0, 1e-9) << withLeftLines;
    }
}

TEST(PictureSkew, PagesTurnedUpToTwelveDegreesNeverTakeAFarOffEdge)
{
    // Rectangles and text pages measured by the edge method, every second
    // degree: whatever edge is picked, its angle stays in the text method's
    // range. (Text pages used to give angles up to 84 degrees.)
    for (int tilt = -12; tilt <= 12; tilt += 2) {
        for (const QImage &page :
             {TestPages::tiltedRectangle(300, 400, 75, tilt, 40), TestPages::textLines(800, 600, 100, tilt, 40)}) {
            bool ok = false;
            const double found = estimate(page, false, &ok);
            EXPECT_TRUE(ok);
            EXPECT_LE(std::fabs(found), 25.0) << page.width() << " x " << page.height() << " turned " << tilt;
        }
    }
}

TEST(EdgePoints, VotesChooseThePointsThatSetTheAngle)
{
    // Points (depth, probe position) seen from the left edge. Two points vote
    // for each other when their rounded slopes match and the line between
    // them is within 0.0349 rad of the first one's slope; the angle comes
    // from the first and the last point after the first whose votes equal
    // the highest count reached by a first point of a pair.
    struct Case
    {
        const char *name;
        std::vector<std::pair<int, int>> points;
        double angle;
        double confidence;
    } cases[] = {
        // No pair is close enough to vote: every point after the first
        // qualifies.
        {"no votes", {{99, 10}, {99, 20}, {100, 30}, {99, 70}, {100, 80}, {101, 100}, {100, 110}},
         std::atan(1.0 / 90), 1.0 / 3},
        // The last point ends with 3 votes, two of them as the second point
        // of a pair; the highest count of a first point is 2.
        {"votes of first points", {{101, 10}, {102, 30}, {104, 50}, {105, 80}, {106, 90}, {107, 100}, {108, 110}},
         std::atan(0.1), 1.0},
    };
    for (const Case &c : cases) {
        DrawnEdges map(200, 500);
        for (const auto &point : c.points)
            map.edgeAt(point.first, 499 - point.second);
        SkewManager manager;
        double confidence = 0.0;
        double spread = 0.0;
        EXPECT_NEAR(manager.GetImageSkewAngle(map.data, 50, SkewManager::Left, 1, &confidence, &spread), c.angle, 1e-12)
            << c.name;
        EXPECT_NEAR(confidence, c.confidence, 1e-12) << c.name;
    }
}

TEST(EdgePoints, SkipTwoTakesTheSecondEdgeFourPixelsOn)
{
    // Per probed row: a straight edge at column 10, a second straight one
    // `nextColumn`, and a tilted one at column 30 + row offset. Skip 2
    // resumes at column 14.
    for (int nextColumn : {13, 14}) {
        DrawnEdges map(200, 500);
        for (int y = 0; y < 500; ++y) {
            map.edgeAt(10, y);
            map.edgeAt(nextColumn, y);
            map.edgeAt(30 + (499 - y) / 10, y);
        }
        SkewManager manager;
        double confidence = 0.0;
        double spread = 0.0;
        const double skipTwo = manager.GetImageSkewAngle(map.data, 50, SkewManager::Left, 2, &confidence, &spread);
        EXPECT_NEAR(degrees(skipTwo), nextColumn == 13 ? degrees(std::atan(0.1)) : 0.0, 1e-9) << nextColumn;
        const double skipOne = manager.GetImageSkewAngle(map.data, 50, SkewManager::Left, 1, &confidence, &spread);
        EXPECT_EQ(skipOne, 0.0) << "the straight edge at column 10";
    }
}

} // namespace
