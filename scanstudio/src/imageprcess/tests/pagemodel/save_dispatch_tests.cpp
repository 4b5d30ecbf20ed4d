// Save: the colour streams written and their names, through a writer that
// records its calls in place of the image writers.

#include "libimageprocess.h"
#include "page_fixture.h"

#include <QDir>
#include <QFile>

#include <ostream>
#include <vector>

namespace {

using vuro::Libimageprocess;

struct Written
{
    QString path;
    int quality;
    vuro_color_format format;

    bool operator==(const Written &other) const
    {
        return path == other.path && quality == other.quality && format == other.format;
    }
};

void PrintTo(const Written &w, std::ostream *out)
{
    *out << qPrintable(w.path) << " q" << w.quality << " format " << w.format;
}

class SaveDispatchTest : public PageFixture {
protected:
    void SetUp() override
    {
        list.setStreamWriter([this](const QString &path, int quality, vuro_color_format format) {
            written.push_back({path, quality, format});
            return !failing.contains(format);
        });
    }
    void flags(bool colour, bool gray, bool mono)
    {
        list.setMultiColorOutColor(colour);
        list.setMultiColorOutGray(gray);
        list.setMultiColorOutMono(mono);
    }

    Libimageprocess list{root()};
    std::vector<Written> written;
    QList<vuro_color_format> failing;
};

struct StreamCase
{
    const char *name;
    int scan;
    bool colour, gray, mono;
    std::vector<std::pair<const char *, vuro_color_format>> streams;  // suffix, format
    bool result;
};

void PrintTo(const StreamCase &c, std::ostream *out)
{
    *out << c.name;
}

class SaveStreams : public SaveDispatchTest, public ::testing::WithParamInterface<StreamCase> {
};

TEST_P(SaveStreams, WritesTheAllowedStreamsUnderTheirNames)
{
    const StreamCase &c = GetParam();
    list.setColorFormat(static_cast<vuro_color_format>(c.scan));
    flags(c.colour, c.gray, c.mono);
    const QString path = root() + "out/scan 1";
    EXPECT_EQ(list.save(path), c.result);
    std::vector<Written> expected;
    for (const auto &[suffix, format] : c.streams)
        expected.push_back({path + suffix, 100, format});
    EXPECT_EQ(written, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, SaveStreams,
    ::testing::Values(
        StreamCase{"NoFlagsOneColourStream", color_full, false, false, false, {{"", color_full}}, true},
        StreamCase{"GrayScanNoFlagsStillOneColourStream", color_gray, false, false, false, {{"", color_full}}, true},
        StreamCase{"ColourScanAllThree", color_full, true, true, true,
                   {{"_color", color_full}, {"_gray", color_gray}, {"_mono", color_mono}}, true},
        StreamCase{"ColourScanGrayAndMono", color_full, false, true, true,
                   {{"_gray", color_gray}, {"_mono", color_mono}}, true},
        StreamCase{"ColourScanGrayAloneKeepsThePath", color_full, false, true, false, {{"", color_gray}}, true},
        StreamCase{"GrayScanColourAloneWritesNothing", color_gray, true, false, false, {}, false},
        StreamCase{"GrayScanAllThree", color_gray, true, true, true,
                   {{"_gray", color_gray}, {"_mono", color_mono}}, true},
        StreamCase{"MonoScanAllThreeOneStream", color_mono, true, true, true, {{"", color_mono}}, true},
        StreamCase{"MonoScanColourAndGrayWritesNothing", color_mono, true, true, false, {}, false},
        StreamCase{"UnknownScanFormatWritesNothing", 7, true, true, true, {}, false}),
    [](const ::testing::TestParamInfo<StreamCase> &info) { return info.param.name; });

// A path that ends with the format's extension (Save As) keeps it last.
TEST_F(SaveDispatchTest, StreamSuffixGoesBeforeTheFormatsExtension)
{
    flags(false, true, true);
    list.setImageFormat(image_pdf);
    const QString folder = root() + "out/";
    for (const char *name : {"scan.pdf", "scan.PDF", "scan.jpg", "scan"}) {
        written.clear();
        ASSERT_TRUE(list.save(folder + name));
        const QString given = name;
        const bool ownExtension = given.endsWith(".pdf", Qt::CaseInsensitive);
        const QString stem = ownExtension ? given.left(given.size() - 4) : given;
        const QString tail = ownExtension ? given.right(4) : QString();
        EXPECT_EQ(written, (std::vector<Written>{{folder + stem + "_gray" + tail, 100, color_gray},
                                                 {folder + stem + "_mono" + tail, 100, color_mono}}))
            << name;
    }
}

TEST_F(SaveDispatchTest, AnyFailedStreamFailsTheSave)
{
    flags(true, true, true);
    for (vuro_color_format failed : {color_full, color_gray, color_mono}) {
        written.clear();
        failing = {failed};
        EXPECT_FALSE(list.save(root() + "out")) << "failing stream " << failed;
        EXPECT_EQ(written.size(), 3u) << "every stream is still written";
    }
    failing.clear();
    EXPECT_TRUE(list.save(root() + "out"));
}

TEST_F(SaveDispatchTest, FolderIsMadeOrTheSaveFails)
{
    EXPECT_FALSE(list.save(""));
    EXPECT_TRUE(list.save(root() + "a/b/c/page"));
    EXPECT_TRUE(QDir(root() + "a/b/c").exists());

    QFile blocker(root() + "file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    written.clear();
    EXPECT_FALSE(list.save(root() + "file/page"));
    EXPECT_TRUE(written.empty());
}

} // namespace
