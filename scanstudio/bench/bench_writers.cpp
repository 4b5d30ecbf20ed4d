// The document writers against reference tools doing the same work on the
// same ten A4 300 dpi colour pages, median of 5 runs each, alternating:
// - multi-page LZW TIFF from the save images against `tiffcp -c lzw` merging
//   the same pages stored as ten uncompressed single-page TIFFs;
// - OFD from the pages' JPEG files against `zip -0` of the same JPEG files;
// - PDF through QPrinter against `img2pdf` of the same JPEG files (reported
//   only: img2pdf embeds the JPEG files as they are, QPrinter encodes).
// The TIFF and OFD rows time the writers on prepared save images and JPEG
// files (getSaveImage outside the span); the full saves, getSaveImage
// inside, are printed below them. Every output is checked first.
// Usage: bench_writers [folder] (default: a new folder in /dev/shm)

#include "bench_timing.h"
#include "libimageprocess.h"
#include "ofd.h"
#include "synthetic_image.h"
#include "tiffhandler.h"

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStringList>

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kPages = 10;
constexpr int kRuns = 5;
constexpr int kWidth = 2480;
constexpr int kHeight = 3508;
constexpr int kDpi = 300;

namespace fs = std::filesystem;
using bench::Clock;

using bench::median;

double timedMs(const std::function<bool()> &work, bool &ok)
{
    const auto start = Clock::now();
    ok = work() && ok;
    return bench::msSince(start);
}

// Runs a tool to its end; its standard output, or "" when it fails.
bool tool(const QString &program, const QStringList &arguments, QString *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return false;
    if (output != nullptr)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return true;
}

// Page `index` of a scan as the stand-in backend makes it; the page list's
// import and work files add the JPEG texture of a real scan.
QImage scannedPage(int index)
{
    return bench::syntheticImage(index, kWidth, kHeight);
}

bool writeTiff(const std::string &path, std::vector<QImage> &pages, int compression)
{
    TIFF *tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr)
        return false;
    TiffHandler handler(compression);
    bool ok = true;
    for (std::size_t i = 0; i < pages.size(); ++i)
        ok = handler.appendImageToTiff(pages[i], tif, i == 0) && ok;
    ok = TIFFFlush(tif) == 1 && ok;
    TIFFClose(tif);
    return ok;
}

bool writeOfd(const std::string &path, const std::vector<std::string> &jpegs, const std::string &work)
{
    ofd::ofd_docinfo info;
    info.dpi = kDpi;
    info.page_width = 210;
    info.page_height = 297;
    info.creator = "Kelpra-PageKiln";
    info.creator_version = "1.0";
    ofd::ofd_context context = ofd::init_context(&info, nullptr, work.c_str());
    bool ok = true;
    for (const std::string &jpeg : jpegs)
        ok = ofd::add_jpeg_image(context, jpeg.c_str()) == 0 && ok;
    ok = ok && ofd::create_document(context, path.c_str()) == 0;
    ofd::destory_context(context);
    return ok;
}

// Page `index` of a TIFF as libtiff decodes it.
std::vector<std::uint32_t> tiffPage(const std::string &path, int index)
{
    std::vector<std::uint32_t> raster;
    TIFF *tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr)
        return raster;
    std::uint32_t width = 0, height = 0;
    if (TIFFSetDirectory(tif, static_cast<tdir_t>(index)) && TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) &&
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height)) {
        raster.resize(static_cast<std::size_t>(width) * height);
        if (!TIFFReadRGBAImage(tif, width, height, raster.data(), 0))
            raster.clear();
    }
    TIFFClose(tif);
    return raster;
}

bool checkTiff(const std::string &ours, const std::string &theirs)
{
    QString info;
    if (!tool("tiffinfo", {QString::fromStdString(ours)}, &info) || info.count("TIFF Directory at offset") != kPages ||
        info.count("Compression Scheme: LZW") != kPages)
        return false;
    if (!tool("tiffinfo", {QString::fromStdString(theirs)}, &info) ||
        info.count("Compression Scheme: LZW") != kPages)
        return false;
    for (int page : {0, kPages - 1}) {
        const std::vector<std::uint32_t> a = tiffPage(ours, page);
        if (a.empty() || a != tiffPage(theirs, page))
            return false;
    }
    return true;
}

bool checkZip(const std::string &path, int entries)
{
    QString names;
    return tool("unzip", {"-tq", QString::fromStdString(path)}) &&
           tool("unzip", {"-Z1", QString::fromStdString(path)}, &names) &&
           names.count(".jpg") == kPages && names.count('\n') == entries;
}

bool checkPdf(const std::string &path)
{
    QString info;
    return tool("qpdf", {"--check", QString::fromStdString(path)}) &&
           tool("pdfinfo", {QString::fromStdString(path)}, &info) &&
           info.contains(QString("Pages:           %1\n").arg(kPages));
}

struct Row {
    const char *label;
    const char *anchor;
    std::vector<double> ours, theirs;
};

void print(const Row &row, const char *goal)
{
    const double ours = median(row.ours);
    const double theirs = median(row.theirs);
    std::printf("%-44s ours %8.1f ms   %-14s %8.1f ms   ours/anchor %5.2f  %s\n", row.label, ours, row.anchor,
                theirs, ours / theirs, goal);
}

} // namespace

int main(int argc, char **argv)
{
    int qtArgc = 3;
    char name[] = "bench_writers", platformFlag[] = "-platform", platform[] = "offscreen";
    char *qtArgv[] = {name, platformFlag, platform, nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    qInstallMessageHandler(bench::quietDebug);

    std::string folder;
    if (argc > 1) {
        folder = argv[1];
        fs::create_directories(folder);
    } else {
        char pattern[] = "/dev/shm/bench-writers-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            return 1;
        folder = pattern;
    }
    const std::string root = folder + "/root/";
    fs::create_directories(root + "scan/tmp");

    std::printf("preparing %d A4 pages at %d dpi ...\n", kPages, kDpi);
    vuro::Libimageprocess list(QString::fromStdString(root));
    list.setDPI(kDpi);
    list.setQuality(70);
    for (int i = 0; i < kPages; ++i) {
        QImage page = scannedPage(i);
        list.appendImage(&page);
    }
    std::vector<QImage> saveImages;
    std::vector<std::string> jpegs, plainTiffs;
    for (int i = 0; i < kPages; ++i) {
        std::unique_ptr<QImage> image(list.getSaveImage(i, color_full));
        saveImages.push_back(*image);
        jpegs.push_back(folder + "/page" + std::to_string(i) + ".jpg");
        plainTiffs.push_back(folder + "/page" + std::to_string(i) + ".tif");
        std::vector<QImage> one{*image};
        if (!image->save(QString::fromStdString(jpegs.back()), "jpg", 100) || !writeTiff(plainTiffs.back(), one, 0))
            return 1;
    }

    QStringList tiffcpArgs{"-c", "lzw"}, zipArgs{"-0", "-q", "-j", QString::fromStdString(folder + "/anchor.zip")},
        img2pdfArgs{"-o", QString::fromStdString(folder + "/anchor.pdf")};
    for (int i = 0; i < kPages; ++i) {
        tiffcpArgs << QString::fromStdString(plainTiffs[i]);
        zipArgs << QString::fromStdString(jpegs[i]);
        img2pdfArgs << QString::fromStdString(jpegs[i]);
    }
    tiffcpArgs << QString::fromStdString(folder + "/anchor.tif");

    const std::string work = root + "scan/tmp/";
    Row tiff{"TIFF LZW from the save images", "tiffcp -c lzw", {}, {}};
    Row ofdRow{"OFD from the pages' JPEG files", "zip -0", {}, {}};
    Row pdf{"PDF through QPrinter (getSaveImage inside)", "img2pdf", {}, {}};
    Row fullTiff{"saveImagesToTIF (getSaveImage inside)", "tiffcp -c lzw", {}, {}};
    Row fullOfd{"saveImagesToOFD (getSaveImage inside)", "zip -0", {}, {}};
    bool ok = true;
    for (int run = 0; run < kRuns; ++run) {
        fs::remove(folder + "/anchor.zip");
        tiff.ours.push_back(timedMs([&] { return writeTiff(folder + "/ours.tif", saveImages, 1); }, ok));
        tiff.theirs.push_back(timedMs([&] { return tool("tiffcp", tiffcpArgs); }, ok));
        ofdRow.ours.push_back(timedMs([&] { return writeOfd(folder + "/ours.ofd", jpegs, work); }, ok));
        ofdRow.theirs.push_back(timedMs([&] { return tool("zip", zipArgs); }, ok));
        pdf.ours.push_back(timedMs(
            [&] { return list.saveImagesToPDF(QString::fromStdString(folder + "/ours.pdf"), 100, color_full); },
            ok));
        pdf.theirs.push_back(timedMs([&] { return tool("img2pdf", img2pdfArgs); }, ok));
        fullTiff.ours.push_back(timedMs(
            [&] { return list.saveImagesToTIF(QString::fromStdString(folder + "/full.tif"), 100, color_full); },
            ok));
        fullOfd.ours.push_back(timedMs(
            [&] { return list.saveImagesToOFD(QString::fromStdString(folder + "/full.ofd"), 100, color_full); },
            ok));
    }
    fullTiff.theirs = tiff.theirs;
    fullOfd.theirs = ofdRow.theirs;

    const bool checked = ok && checkTiff(folder + "/ours.tif", folder + "/anchor.tif") &&
                         checkTiff(folder + "/full.tif", folder + "/anchor.tif") &&
                         checkZip(folder + "/ours.ofd", kPages * 2 + 3) && checkZip(folder + "/full.ofd", kPages * 2 + 3) &&
                         checkZip(folder + "/anchor.zip", kPages) && checkPdf(folder + "/ours.pdf") &&
                         checkPdf(folder + "/anchor.pdf");
    std::printf("outputs checked (tiffinfo, pixels of pages 1 and %d, unzip -t, qpdf --check, pdfinfo): %s\n",
                kPages, checked ? "ok" : "FAILED");
    std::printf("%d A4 %d dpi colour pages, median of %d runs\n", kPages, kDpi, kRuns);
    print(tiff, "(goal <= 1.5)");
    print(ofdRow, "(goal <= 1.5)");
    print(pdf, "(reported)");
    print(fullTiff, "(reported)");
    print(fullOfd, "(reported)");
    if (argc <= 1)
        fs::remove_all(folder);
    return checked ? 0 : 1;
}
