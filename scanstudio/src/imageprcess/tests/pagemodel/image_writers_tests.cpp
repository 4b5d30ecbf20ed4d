// The image file writers: file names, pages and their kinds, read back by
// independent tools (identify, tiffinfo, qpdf, pdfinfo, pdfimages, unzip).

#include "child_process.h"
#include "libimageprocess.h"
#include "page_fixture.h"
#include "test_pages.h"
#include "tiffhandler.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using vuro::Libimageprocess;
namespace fs = std::filesystem;

std::string run(const std::vector<std::string> &argv)
{
    std::string output;
    const int status = testbed::runProgram(argv, 60000, &output);
    return status == 0 ? output : "exit " + std::to_string(status) + ": " + output;
}

// A tool's report with its warnings (standard error) included.
std::string runWithWarnings(const std::string &tool, const std::string &path)
{
    return run({"/bin/sh", "-c", "exec \"$0\" \"$1\" 2>&1", tool, path});
}

int count(const std::string &text, const std::string &part)
{
    int found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

class ImageWriterTest : public PageFixture {
protected:
    // Page i is a 300 dpi page of red 40 x i with a black corner mark.
    void addPages(int pages, int width = 64, int height = 48)
    {
        for (int i = 0; i < pages; ++i) {
            QImage image = withCornerMark(TestPages::blank(width, height, 300, qRgb(40 * i, 160, 200)), 8, 4);
            list.appendImage(&image);
        }
    }
    std::string out(const std::string &name = "") const { return m_root.file("out/" + name); }
    QString outPath(const std::string &name) const { return QString::fromStdString(out(name)); }
    std::set<std::string> outFiles() const
    {
        std::set<std::string> names;
        std::error_code ignored;
        for (const auto &entry : fs::directory_iterator(out(), ignored))
            names.insert(entry.path().filename().string());
        return names;
    }

    void SetUp() override
    {
        QDir().mkpath(outPath(""));
        list.setDPI(300);
    }

    Libimageprocess list{root()};
};

TEST_F(ImageWriterTest, OneFilePerPageWithItsName)
{
    struct Case {
        const char *name;
        vuro_image_format format;
        int pages;
        const char *path;
        std::set<std::string> files;
    };
    const Case cases[] = {
        {"upper-case extension", image_jpg, 3, "Out.JPG", {"Out_0.JPG", "Out_1.JPG", "Out_2.JPG"}},
        {"no extension", image_png, 3, "scan", {"scan_0.png", "scan_1.png", "scan_2.png"}},
        {"other extension", image_bmp, 2, "scan.png", {"scan.png_0.bmp", "scan.png_1.bmp"}},
        {"one page", image_bmp, 1, "one", {"one.bmp"}},
    };
    for (const Case &c : cases) {
        list.clearList();
        addPages(c.pages);
        fs::remove_all(out());
        QDir().mkpath(outPath(""));
        list.setImageFormat(c.format);
        EXPECT_TRUE(list.saveImages(outPath(c.path), 100, color_full)) << c.name;
        EXPECT_EQ(outFiles(), c.files) << c.name;
        // Pages in order: the red value tells them apart.
        int page = 0;
        for (const std::string &file : c.files) {
            QImage saved(QString::fromStdString(out(file)));
            ASSERT_FALSE(saved.isNull()) << file;
            EXPECT_NEAR(qRed(saved.pixel(40, 30)), 40 * (c.pages == 1 ? c.pages - 1 : page), 3) << file;
            ++page;
        }
    }
}

// A single page gets the page list's dpi only when its extension is added.
TEST_F(ImageWriterTest, SinglePageResolution)
{
    addPages(1);
    list.setDPI(150);
    list.setImageFormat(image_jpg);
    ASSERT_TRUE(list.saveImages(outPath("added"), 100, color_full));
    ASSERT_TRUE(list.saveImages(outPath("given.jpg"), 100, color_full));
    const std::string report = run({"/usr/bin/identify", "-format", "%f %x %y %U\n", out("added.jpg"), out("given.jpg")});
    EXPECT_EQ(report, "added.jpg 150 150 PixelsPerInch\ngiven.jpg 300 300 PixelsPerInch\n");
}

// Gray streams are real 8-bit gray in every format, black-and-white streams
// bilevel; the colour suffixes come from the save dispatch.
TEST_F(ImageWriterTest, GrayAndBlackAndWhiteStreams)
{
    addPages(2);
    list.setMultiColorOutGray(true);
    list.setMultiColorOutMono(true);
    list.setImageFormat(image_png);
    ASSERT_TRUE(list.save(outPath("out")));
    list.setImageFormat(image_jpg);
    ASSERT_TRUE(list.save(outPath("out")));
    const std::set<std::string> files = {"out_gray_0.png", "out_gray_1.png", "out_mono_0.png", "out_mono_1.png",
                                         "out_gray_0.jpg", "out_gray_1.jpg", "out_mono_0.jpg", "out_mono_1.jpg"};
    EXPECT_EQ(outFiles(), files);
    // Gray PNG: 8 bits, colour type 0 (gray); black-and-white: 1 bit.
    const std::string png = run({"/usr/bin/identify", "-format", "%f %[png:IHDR.bit-depth-orig] %[png:IHDR.color-type-orig] %[type]\n",
                                 out("out_gray_0.png"), out("out_gray_1.png"), out("out_mono_0.png"), out("out_mono_1.png")});
    EXPECT_EQ(png, "out_gray_0.png 8 0 Grayscale\nout_gray_1.png 8 0 Grayscale\n"
                   "out_mono_0.png 1 3 Bilevel\nout_mono_1.png 1 3 Bilevel\n");
    const std::string jpeg = run({"/usr/bin/identify", "-format", "%f %[channels]\n", out("out_gray_0.jpg")});
    EXPECT_EQ(jpeg, "out_gray_0.jpg gray\n");

    // The gray save image itself: the ramp from black, pixels as the page's gray.
    std::unique_ptr<QImage> gray(list.getSaveImage(1, color_gray));
    ASSERT_TRUE(gray);
    EXPECT_EQ(gray->format(), QImage::Format_Indexed8);
    EXPECT_TRUE(checkGrayscale(gray->colorTable()));
    EXPECT_EQ(gray->colorTable().first(), qRgb(0, 0, 0));
    EXPECT_NEAR(gray->pixelIndex(40, 30), 0.3 * 40 + 0.59 * 160 + 0.11 * 200, 3);
    EXPECT_LE(gray->pixelIndex(6, 6), 8) << "the black mark";
    EXPECT_EQ(gray->dotsPerMeterX(), 11811);
}

TEST_F(ImageWriterTest, TiffStreamsReadBackWithTiffinfo)
{
    addPages(3);
    list.setImageFormat(image_tif);
    list.setMultiColorOutColor(true);
    list.setMultiColorOutGray(true);
    list.setMultiColorOutMono(true);
    ASSERT_TRUE(list.save(outPath("doc")));
    EXPECT_EQ(outFiles(), (std::set<std::string>{"doc_color.tif", "doc_gray.tif", "doc_mono.tif"}));

    struct Stream {
        const char *file;
        std::vector<std::string> fields;
    };
    const Stream streams[] = {
        {"doc_color.tif",
         {"Compression Scheme: LZW", "Samples/Pixel: 4", "Bits/Sample: 8", "Extra Samples: 1<unassoc-alpha>",
          "Photometric Interpretation: RGB color"}},
        {"doc_gray.tif",
         {"Compression Scheme: PackBits", "Bits/Sample: 8", "Photometric Interpretation: min-is-black"}},
        {"doc_mono.tif",
         {"Compression Scheme: CCITT RLE", "Bits/Sample: 1", "Photometric Interpretation: min-is-white"}},
    };
    for (const Stream &s : streams) {
        const std::string report = runWithWarnings("/usr/bin/tiffinfo", out(s.file));
        EXPECT_EQ(count(report, "TIFF Directory at offset"), 3) << report;
        EXPECT_EQ(count(report, "Image Width: 64 Image Length: 48"), 3) << report;
        EXPECT_EQ(count(report, "Resolution: 300, 300 pixels/inch"), 3) << report;
        for (const std::string &field : s.fields)
            EXPECT_EQ(count(report, field), 3) << field << " in\n" << report;
        EXPECT_EQ(report.find("arning"), std::string::npos) << report;
        EXPECT_EQ(report.find("palette"), std::string::npos) << report;
    }
}

// An A4 page at 300 dpi and one at 150 dpi are both A4 pages.
TEST_F(ImageWriterTest, PdfPagesTakeTheirSizeFromTheirResolution)
{
    QImage fine = TestPages::blank(2480, 3508, 300, qRgb(250, 250, 250));
    list.appendImage(&fine);
    list.setDPI(150);
    QImage coarse = withCornerMark(TestPages::blank(1240, 1754, 150, qRgb(250, 250, 250)), 100, 50);
    list.appendImage(&coarse);
    list.setImageFormat(image_pdf);
    ASSERT_TRUE(list.saveImages(outPath("a4"), 100, color_gray));
    EXPECT_EQ(outFiles(), std::set<std::string>{"a4.pdf"});

    EXPECT_NE(run({"/usr/bin/qpdf", "--check", out("a4.pdf")}).find("No syntax or stream encoding errors"),
              std::string::npos);
    const std::string info = run({"/usr/bin/pdfinfo", "-f", "1", "-l", "2", out("a4.pdf")});
    EXPECT_NE(info.find("Pages:           2\n"), std::string::npos) << info;
    EXPECT_EQ(count(info, "size:  595 x 842 pts (A4)"), 2) << info;
    const std::string images = run({"/usr/bin/pdfimages", "-list", out("a4.pdf")});
    const std::regex row(R"(^\s*(\d+)\s+\d+\s+image\s+(\d+)\s+(\d+)\s.*$)");
    std::vector<std::string> sizes;
    std::istringstream lines(images);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_match(line, m, row))
            sizes.push_back(m[1].str() + ": " + m[2].str() + "x" + m[3].str());
    }
    EXPECT_EQ(sizes, (std::vector<std::string>{"1: 2480x3508", "2: 1240x1754"})) << images;
}

TEST_F(ImageWriterTest, OfdDocumentOfThePages)
{
    addPages(2, 2480, 3508);
    list.setPaperSize(216, 279);
    list.setImageFormat(image_ofd);
    // A link planted where a shared work image would go is not written through.
    testsupport::writeText(m_root.file("victim"), "keep");
    fs::create_symlink(m_root.file("victim"), workFolder().toStdString() + "ofd0.jpg");
    ASSERT_TRUE(list.saveImages(outPath("doc"), 100, color_full));
    EXPECT_EQ(testsupport::readText(m_root.file("victim")), "keep");
    EXPECT_EQ(outFiles(), std::set<std::string>{"doc.ofd"});
    EXPECT_NE(run({"/usr/bin/unzip", "-t", out("doc.ofd")}).find("No errors detected"), std::string::npos);
    EXPECT_NE(run({"/usr/bin/unzip", "-p", out("doc.ofd"), "Doc_0/Document.xml"})
                  .find("<ofd:PhysicalBox>0 0 216.000000 279.000000</ofd:PhysicalBox>"),
              std::string::npos);
    EXPECT_NE(run({"/usr/bin/unzip", "-p", out("doc.ofd"), "Doc_0/Pages/Page_1/Context.xml"})
                  .find("<ofd:PhysicalBox>0 0 209.973328 297.010681</ofd:PhysicalBox>"),
              std::string::npos);
    const std::string extracted = m_root.file("unpacked");
    run({"/usr/bin/unzip", "-q", out("doc.ofd"), "-d", extracted});
    EXPECT_EQ(run({"/usr/bin/identify", "-format", "%w %h %x %U\n", extracted + "/Doc_0/Res/image_6.jpg"}),
              "2480 3508 300 PixelsPerInch\n");
    QImage second(QString::fromStdString(extracted + "/Doc_0/Res/image_6.jpg"));
    EXPECT_NEAR(qRed(second.pixel(1000, 1000)), 40, 3);
    // The work images and the package folder are gone; the pages' files stay.
    std::set<std::string> left = workFiles();
    EXPECT_EQ(left.erase("ofd0.jpg"), 1u);
    for (const std::string &file : left)
        EXPECT_EQ(file.find("ofd"), std::string::npos) << file;
    EXPECT_EQ(left.size(), 6u);
}

TEST_F(ImageWriterTest, NoPagesWriteNoFile)
{
    for (vuro_image_format format : {image_jpg, image_png, image_bmp, image_tif, image_pdf, image_ofd}) {
        list.setImageFormat(format);
        EXPECT_FALSE(list.saveImages(outPath("empty"), 100, color_full)) << format;
        EXPECT_FALSE(list.save(outPath("empty"))) << format;
    }
    EXPECT_EQ(outFiles(), std::set<std::string>{});
    EXPECT_TRUE(workFiles().empty());
}

// A page whose work image is gone fails the whole save, though it is not the
// last; single files of the other pages are still written, documents are not,
// and a document of the same name stays as it was.
TEST_F(ImageWriterTest, AFailedPageFailsTheSave)
{
    addPages(1);
    const std::set<std::string> before = workFiles();
    addPages(1);
    for (const std::string &file : workFiles())
        if (!before.count(file) && file.size() > 6 && file.compare(file.size() - 6, 6, "handle") == 0)
            QFile::remove(workFolder() + QString::fromStdString(file));
    addPages(1);

    list.setImageFormat(image_png);
    EXPECT_FALSE(list.saveImages(outPath("pages"), 100, color_full));
    EXPECT_EQ(outFiles(), (std::set<std::string>{"pages_0.png", "pages_2.png"}));
    for (vuro_image_format format : {image_tif, image_pdf, image_ofd}) {
        list.setImageFormat(format);
        const char *extension[] = {"", "", "", "tif", "pdf", "ofd"};
        const std::string name = std::string("doc.") + extension[format];
        testsupport::writeText(out(name), "previous");
        EXPECT_FALSE(list.saveImages(outPath("doc"), 100, color_full)) << format;
        EXPECT_EQ(testsupport::readText(out(name)), "previous") << format;
    }
    EXPECT_EQ(outFiles(), (std::set<std::string>{"pages_0.png", "pages_2.png", "doc.tif", "doc.pdf", "doc.ofd"}));
    EXPECT_EQ(workFiles().size(), 8u);
}

// Outputs that cannot be written are reported, and leave nothing behind.
TEST_F(ImageWriterTest, UnwritableOutputIsReported)
{
    addPages(2);
    testsupport::writeText(out("blocked"), "");
    for (vuro_image_format format : {image_jpg, image_tif, image_pdf, image_ofd}) {
        list.setImageFormat(format);
        EXPECT_FALSE(list.saveImages(outPath("blocked/doc"), 100, color_full)) << format;
    }
    EXPECT_EQ(outFiles(), std::set<std::string>{"blocked"});
    EXPECT_EQ(workFiles().size(), 6u);
}

} // namespace
