// The JPEG header reader: size, components and resolution from the header,
// and a clean refusal of data that is no complete JPEG.
#include "jpeg_fixture.h"
#include "ofd.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using ofdtest::bytesOf;
using ofdtest::makeJpeg;
using ofdtest::withDensity;

// Offset of the frame header's marker byte in a Qt JPEG.
std::size_t frameMarkerAt(const std::string& jpeg)
{
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && static_cast<unsigned char>(jpeg[i + 1]) == 0xC0)
            return i + 1;
    return 0;
}

std::string withFrameMarker(std::string jpeg, unsigned char marker)
{
    jpeg[frameMarkerAt(jpeg)] = static_cast<char>(marker);
    return jpeg;
}

TEST(JpegHeader, SizeComponentsAndResolution)
{
    const std::string a4 = makeJpeg(2480, 3508, 300);
    const std::string small = makeJpeg(40, 24, 200);
    struct Case {
        const char* name;
        std::string jpeg;
        unsigned width, height;
        double dpiX, dpiY;
    };
    const Case cases[] = {
        {"A4 at 300 dpi", a4, 2480, 3508, 300.0, 300.0},
        {"dots per inch as stored", withDensity(small, 1, 150, 600), 40, 24, 150.0, 600.0},
        {"dots per centimetre", withDensity(small, 2, 118, 118), 40, 24, 299.72, 299.72},
        {"no unit", withDensity(small, 0, 1, 1), 40, 24, 300.0, 300.0},
        {"unknown unit", withDensity(small, 7, 72, 72), 40, 24, 300.0, 300.0},
        {"zero density", withDensity(small, 1, 0, 200), 40, 24, 300.0, 200.0},
        {"extended frame", withFrameMarker(small, 0xC1), 40, 24, 200.0, 200.0},
        {"progressive frame", withFrameMarker(small, 0xC2), 40, 24, 200.0, 200.0},
    };
    for (const Case& c : cases) {
        unsigned width = 0, height = 0, components = 0;
        double dpiX = 0, dpiY = 0;
        ASSERT_TRUE(ofd::get_jpeg_info(bytesOf(c.jpeg), c.jpeg.size(), width, height, components, dpiX, dpiY))
            << c.name;
        EXPECT_EQ(width, c.width) << c.name;
        EXPECT_EQ(height, c.height) << c.name;
        EXPECT_EQ(components, 3u) << c.name;
        EXPECT_DOUBLE_EQ(dpiX, c.dpiX) << c.name;
        EXPECT_DOUBLE_EQ(dpiY, c.dpiY) << c.name;
    }
}

TEST(JpegHeader, DataWithoutAFrameHeaderIsRefused)
{
    const std::string small = makeJpeg(40, 24, 200);
    std::string brokenSegment = small;
    brokenSegment[20] = 0x00;  // the second segment no longer begins with 0xFF
    std::string hugeSegment = small;
    hugeSegment[22] = static_cast<char>(0xFF);  // its length runs past the end
    hugeSegment[23] = static_cast<char>(0xFF);
    const std::string cases[] = {withFrameMarker(small, 0xC3), brokenSegment, hugeSegment,
                                 std::string("\xFF\xD8\xFF") + std::string(10, '\0')};
    ofd::ofd_docinfo info;
    testsupport::TempFolder work;
    for (const std::string& jpeg : cases) {
        unsigned width = 0, height = 0, components = 0;
        double dpiX = 0, dpiY = 0;
        EXPECT_FALSE(ofd::get_jpeg_info(bytesOf(jpeg), jpeg.size(), width, height, components, dpiX, dpiY));
        ofd::ofd_context context = ofd::init_context(&info, nullptr, work.path().c_str());
        EXPECT_EQ(ofd::add_jpeg_buffer(context, bytesOf(jpeg), static_cast<unsigned>(jpeg.size())), -4);
        EXPECT_EQ(ofd::get_lasterror(context), -4);
        EXPECT_EQ(ofd::create_document(context, work.file("out.ofd").c_str()), -2);
        ofd::destory_context(context);
    }
}

// Every prefix of a JPEG is refused, from memory and from a file, and none is
// read past its end (each prefix sits in a buffer of exactly its size).
TEST(JpegHeader, AJpegCutShortAnywhereIsRefused)
{
    const std::string jpeg = makeJpeg(24, 16, 300);
    testsupport::TempFolder work;
    ofd::ofd_docinfo info;
    ofd::ofd_context context = ofd::init_context(&info, nullptr, work.path().c_str());
    ASSERT_EQ(ofd::add_jpeg_buffer(context, bytesOf(jpeg), static_cast<unsigned>(jpeg.size())), 0);
    for (std::size_t cut = 0; cut < jpeg.size(); ++cut) {
        const std::vector<unsigned char> prefix(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(ofd::add_jpeg_buffer(context, prefix.data(), static_cast<unsigned>(cut)), -4) << "cut " << cut;
        unsigned width = 0, height = 0, components = 0;
        double dpiX = 0, dpiY = 0;
        ofd::get_jpeg_info(prefix.data(), prefix.size(), width, height, components, dpiX, dpiY);
        if (cut % 16 == 0 || cut + 2 >= jpeg.size()) {
            work.write("cut.jpg", jpeg.substr(0, cut));
            EXPECT_EQ(ofd::add_jpeg_image(context, work.file("cut.jpg").c_str()), -4) << "cut " << cut;
        }
    }
    EXPECT_EQ(ofd::add_jpeg_image(context, work.file("missing.jpg").c_str()), -4);
    EXPECT_EQ(ofd::add_jpeg_image(context, work.path().c_str()), -4);
    ofd::destory_context(context);
}

TEST(JpegHeader, NullContextIsReported)
{
    EXPECT_EQ(ofd::get_lasterror(nullptr), -1);
    EXPECT_EQ(ofd::init_context(nullptr, nullptr), nullptr);
    ofd::destory_context(nullptr);
}

}  // namespace
