// The edge detection: the fast path against the plain one, hysteresis and
// edge following, and the edge map's buffer.

#include "canny.h"
#include "canny_blur.h"
#include "imagedata.h"
#include "reference_canny.h"
#include "test_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

namespace {

struct PageCase
{
    std::string name;
    std::function<QImage()> page;
};

class FastCanny : public ::testing::TestWithParam<PageCase>
{
};

TEST_P(FastCanny, MatchesThePlainVersionBitForBit)
{
    const QImage page = GetParam().page();
    const std::vector<unsigned char> gray = TestPages::grayBuffer(page);
    const unsigned w = page.width();
    const unsigned h = page.height();
    int low = 0, high = 0;
    const std::vector<std::int16_t> plainSmooth = ReferenceCanny::smooth(gray.data(), h, w);
    const std::vector<unsigned char> plainEdges = ReferenceCanny::edges(gray.data(), h, w, &low, &high);
    for (unsigned threads : {1u, 3u, 0u}) {
        std::vector<std::int16_t> smooth(gray.size());
        ASSERT_TRUE(Deskew::gaussianSmooth(gray.data(), h, w, threads, smooth.data()));
        EXPECT_EQ(smooth, plainSmooth) << threads << " threads";
        std::vector<unsigned char> edges(gray.size());
        Deskew::HysteresisThresholds used;
        ASSERT_TRUE(Deskew::cannyEdges(gray.data(), w, h, 0.1, 0.87, threads, edges.data(), &used));
        EXPECT_EQ(edges, plainEdges) << threads << " threads";
        EXPECT_EQ(used.low, low);
        EXPECT_EQ(used.high, high);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, FastCanny,
    ::testing::Values(PageCase{"TiltedRectangle", [] { return TestPages::tiltedRectangle(300, 400, 75, 6, 40); }},
                      PageCase{"TiltedText", [] { return TestPages::textLines(517, 389, 100, 3.0, 30); }},
                      PageCase{"Gradient", [] { return TestPages::verticalGradient(203, 301, 100); }},
                      PageCase{"NarrowerThanTheKernel", [] { return TestPages::textLines(37, 260, 100, -2.0, 3); }},
                      PageCase{"LowerThanTheKernel", [] { return TestPages::textLines(700, 29, 100, 1.0, 2); }},
                      PageCase{"WideStrip", [] { return TestPages::textLines(1200, 90, 100, 0.5, 10); }}),
    [](const ::testing::TestParamInfo<PageCase> &info) { return info.param.name; });

TEST(Blur, KeepsAUniformPageUniform)
{
    const std::vector<unsigned char> gray(97 * 61, 200);
    std::vector<std::int16_t> smooth(gray.size());
    ASSERT_TRUE(Deskew::gaussianSmooth(gray.data(), 61, 97, 1, smooth.data()));
    for (std::int16_t v : smooth)
        ASSERT_EQ(v, 200 * 90);
}

struct GradientCase
{
    const char *name;
    int gx;
    int gy; // rows grow downward
};

class Suppression : public ::testing::TestWithParam<GradientCase>
{
};

// Random magnitudes (with many ties) across a constant gradient: a pixel
// stays a candidate when the magnitude interpolated one step behind it along
// the gradient is not above its own and the one ahead is below it. Gradient
// parts of 0, 1 and 2 make the interpolation exact.
TEST_P(Suppression, KeepsThePixelsAboveTheirNeighboursAlongTheGradient)
{
    const GradientCase g = GetParam();
    const int n = 16;
    std::mt19937 random(7);
    std::vector<std::int16_t> mag(n * n), dx(n * n, static_cast<std::int16_t>(g.gx)),
        dy(n * n, static_cast<std::int16_t>(g.gy));
    for (std::int16_t &m : mag)
        m = static_cast<std::int16_t>(1 + random() % 12);
    auto at = [&](int x, int y) { return mag[y * n + x]; };
    std::vector<unsigned char> result(n * n, 7);
    Deskew::non_max_supp(mag.data(), dx.data(), dy.data(), n, n, 0, n, result.data());

    auto sign = [](int v) { return (v > 0) - (v < 0); };
    // Between the axis neighbour and the diagonal one on that side.
    auto interpolated = [&](int x, int y, int side) {
        const int ax = std::abs(g.gx);
        const int ay = std::abs(g.gy);
        const int sx = side * sign(g.gx);
        const int sy = side * sign(g.gy);
        const double t = ax >= ay ? double(ay) / ax : double(ax) / ay;
        const int axis = ax >= ay ? at(x + sx, y) : at(x, y + sy);
        return (1 - t) * axis + t * at(x + sx, y + sy);
    };
    std::vector<unsigned char> expected(n * n, Deskew::kNoEdge);
    for (int y = 1; y + 1 < n; ++y)
        for (int x = 1; x + 1 < n; ++x)
            if (interpolated(x, y, -1) <= at(x, y) && interpolated(x, y, 1) < at(x, y))
                expected[y * n + x] = Deskew::kPossibleEdge;
    EXPECT_EQ(result, expected);
    EXPECT_NE(std::count(expected.begin(), expected.end(), Deskew::kPossibleEdge), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Octants, Suppression,
    ::testing::Values(GradientCase{"East", 1, 0}, GradientCase{"West", -1, 0}, GradientCase{"South", 0, 1},
                      GradientCase{"North", 0, -1}, GradientCase{"EastSouthEast", 2, 1},
                      GradientCase{"SouthSouthEast", 1, 2}, GradientCase{"EastNorthEast", 2, -1},
                      GradientCase{"NorthNorthEast", 1, -2}, GradientCase{"WestSouthWest", -2, 1},
                      GradientCase{"SouthSouthWest", -1, 2}, GradientCase{"WestNorthWest", -2, -1},
                      GradientCase{"NorthNorthWest", -1, -2}, GradientCase{"SouthEast", 1, 1},
                      GradientCase{"NorthWest", -1, -1}),
    [](const ::testing::TestParamInfo<GradientCase> &info) { return info.param.name; });

// A map of candidates drawn with '+' (magnitude 50) and '.' (magnitude 1),
// others 255 with magnitude 0.
struct CandidateMap
{
    std::vector<unsigned char> edge;
    std::vector<std::int16_t> mag;
    int cols;

    explicit CandidateMap(const std::vector<std::string> &rows) : cols(static_cast<int>(rows[0].size()))
    {
        for (const std::string &row : rows) {
            for (char c : row) {
                edge.push_back(c == '.' || c == '+' ? Deskew::kPossibleEdge : Deskew::kNoEdge);
                mag.push_back(c == '+' ? 50 : c == '.' ? 1 : 0);
            }
        }
    }

    std::vector<std::string> picture() const
    {
        std::vector<std::string> rows;
        for (std::size_t i = 0; i < edge.size(); i += cols) {
            std::string row;
            for (int c = 0; c < cols; ++c)
                row += edge[i + c] == Deskew::kEdge ? '#' : edge[i + c] == Deskew::kPossibleEdge ? '+' : ' ';
            rows.push_back(row);
        }
        return rows;
    }
};

TEST(FollowEdges, TakesTheFirstNeighbourAndNeverReturnsToABranch)
{
    // From the start (S), east comes before north: the trace runs east to
    // the end and the northern branch stays a candidate.
    CandidateMap map({"         ",
                      "  +      ",
                      "  +      ",
                      "  ++++   ",
                      "         "});
    const std::size_t start = 3 * map.cols + 2;
    map.edge[start] = Deskew::kEdge;
    Deskew::follow_edges(map.edge.data() + start, map.mag.data() + start, 5, map.cols);
    EXPECT_EQ(map.picture(), (std::vector<std::string>{"         ",
                                                       "  +      ",
                                                       "  +      ",
                                                       "  ####   ",
                                                       "         "}));
}

TEST(FollowEdges, StopsAtMagnitudesNotAboveLow)
{
    CandidateMap map({"        ",
                      " +++.++ ",
                      "        "});
    const std::size_t start = map.cols + 1;
    map.edge[start] = Deskew::kEdge;
    Deskew::follow_edges(map.edge.data() + start, map.mag.data() + start, 1, map.cols);
    EXPECT_EQ(map.picture()[1], " ###+++ ") << "the magnitude-1 pixel and beyond stay candidates";
}

TEST(FollowEdges, FollowsAPathOfAMillionPixelsWithoutRecursion)
{
    // A serpentine: runs of 998 pixels on every third row, joined at their
    // ends by two-pixel links just outside the runs.
    const int cols = 1002;
    const int runs = 1000;
    const int rows = 3 * runs + 2;
    std::vector<unsigned char> edge(static_cast<std::size_t>(cols) * rows, Deskew::kNoEdge);
    std::vector<std::int16_t> mag(edge.size(), 40);
    auto candidate = [&](int r, int c) { edge[static_cast<std::size_t>(r) * cols + c] = Deskew::kPossibleEdge; };
    std::size_t path = 0;
    for (int k = 0; k < runs; ++k) {
        const int r = 1 + 3 * k;
        for (int c = 2; c <= 999; ++c, ++path)
            candidate(r, c);
        if (k + 1 < runs) {
            const int linkColumn = k % 2 == 0 ? 1000 : 1;
            candidate(r + 1, linkColumn);
            candidate(r + 2, linkColumn);
            path += 2;
        }
    }
    const std::size_t start = static_cast<std::size_t>(1) * cols + 2;
    edge[start] = Deskew::kEdge;
    Deskew::follow_edges(edge.data() + start, mag.data() + start, 5, cols);
    std::size_t traced = 0;
    for (unsigned char e : edge)
        traced += e == Deskew::kEdge ? 1 : 0;
    EXPECT_EQ(traced, path);
}

TEST(Hysteresis, HighThresholdCoversEightySevenPercentOfCandidates)
{
    struct Case
    {
        const char *name;
        std::vector<int> magnitudes;
        int high;
        int low;
    } cases[] = {
        {"1 to 100", [] { std::vector<int> m; for (int i = 1; i <= 100; ++i) m.push_back(i); return m; }(), 87, 9},
        {"all 1", std::vector<int>(50, 1), 1, 0},
        {"at most 2", {2, 2, 2, 1}, 1, 0},
        {"1000 and 2000", {1000, 1000, 1000, 2000}, 1000, 100},
        // The walk stops below the largest magnitude.
        {"capped", {1000, 2000, 2000, 2000}, 1999, 200},
        {"no candidate", {}, 1, 0},
    };
    for (const Case &c : cases) {
        // Candidates in the middle row, apart from each other.
        const int cols = static_cast<int>(c.magnitudes.size()) * 2 + 2;
        std::vector<unsigned char> edge(3 * cols, Deskew::kNoEdge);
        std::vector<std::int16_t> mag(3 * cols, 0);
        for (std::size_t i = 0; i < c.magnitudes.size(); ++i) {
            edge[cols + 1 + 2 * i] = Deskew::kPossibleEdge;
            mag[cols + 1 + 2 * i] = static_cast<std::int16_t>(c.magnitudes[i]);
        }
        Deskew::HysteresisThresholds t;
        ASSERT_TRUE(Deskew::apply_hysteresis(mag.data(), 3, cols, 0.1, 0.87, 1, edge.data(), t));
        EXPECT_EQ(t.high, c.high) << c.name;
        EXPECT_EQ(t.low, c.low) << c.name;
        for (std::size_t i = 0; i < c.magnitudes.size(); ++i)
            EXPECT_EQ(edge[cols + 1 + 2 * i], c.magnitudes[i] >= t.high ? Deskew::kEdge : Deskew::kNoEdge) << c.name;
    }
}

TEST(Hysteresis, BorderCandidatesAreNeverEdges)
{
    CandidateMap map({"+++++",
                      "+++++",
                      "+++++"});
    Deskew::HysteresisThresholds t;
    ASSERT_TRUE(Deskew::apply_hysteresis(map.mag.data(), 3, map.cols, 0.1, 0.87, 1, map.edge.data(), t));
    EXPECT_EQ(map.picture(), (std::vector<std::string>{"     ",
                                                       " ### ",
                                                       "     "}));
}

TEST(EdgeMap, ReplacesTheBufferOnce)
{
    const QImage page = TestPages::tiltedRectangle(120, 160, 75, 5, 20);
    std::vector<unsigned char> gray = TestPages::grayBuffer(page);
    const std::vector<unsigned char> original = gray;
    ImageData data;
    ASSERT_TRUE(data.Load(gray.data(), 120, 160, 1));
    EXPECT_EQ(data.edges(), nullptr);
    ASSERT_TRUE(data.BlurToEdges(0));
    EXPECT_EQ(gray, original) << "the caller's buffer is not written";
    EXPECT_NE(data.pixels(), gray.data());
    EXPECT_EQ(data.edges(), data.pixels());
    std::vector<unsigned char> map(data.pixels(), data.pixels() + data.GetSize());
    EXPECT_EQ(map, ReferenceCanny::edges(original.data(), 160, 120));
    EXPECT_TRUE(data.BlurToEdges(0));
    EXPECT_TRUE(std::equal(map.begin(), map.end(), data.pixels())) << "a second call changes nothing";
}

TEST(EdgeMap, RefusesMissingOrUnsuitableData)
{
    ImageData empty;
    EXPECT_FALSE(empty.BlurToEdges(0));
    EXPECT_FALSE(empty.Load(nullptr, 10, 10, 1));
    std::vector<unsigned char> rgb(30 * 20 * 3, 255);
    ImageData colour;
    ASSERT_TRUE(colour.Load(rgb.data(), 30, 20, 3));
    EXPECT_FALSE(colour.BlurToEdges(0));
    std::vector<unsigned char> gray(30 * 20, 255);
    ImageData unknownMode;
    ASSERT_TRUE(unknownMode.Load(gray.data(), 30, 20, 1));
    EXPECT_FALSE(unknownMode.BlurToEdges(1));
}

TEST(EdgeMap, PageTooLargeForMemoryFailsWithoutEndingTheProcess)
{
    unsigned char pixel = 255;
    ImageData data;
    ASSERT_TRUE(data.Load(&pixel, 0xFFFFFFFFu, 0xFFFFFFFFu, 1));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(data.BlurToEdges(0));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error allocating the edge image.\n");
    EXPECT_EQ(data.edges(), nullptr);
}

TEST(EdgeMap, OwnedBuffersCopyAndClean)
{
    ImageData data;
    ASSERT_TRUE(data.AllocDataSpace(7, 5, 1));
    EXPECT_EQ(data.GetSize(), 35u);
    EXPECT_EQ(data.getpixel(6, 4), 0);
    data.putpixel(6, 4, 99);
    ImageData copy;
    ASSERT_TRUE(data.Clone(copy));
    EXPECT_EQ(copy.getpixel(6, 4), 99);
    EXPECT_NE(copy.pixels(), data.pixels());
    data.Cleanup();
    EXPECT_EQ(data.pixels(), nullptr);
    EXPECT_EQ(copy.getpixel(6, 4), 99);
}

} // namespace
