// Runs one scan job from the installed backend into the page list, the way
// the scanning window does, then corrects every page (background whitening,
// deskew, border removal) and prints each page's size and skew before and
// after. Then hands a rendered text page, turned on its side, to the
// installed text recogniser: the import turns it upright and its words come
// back. With --out, the pages before and after are written there as PNG, and
// the scan session's trace lines and Qt's warnings go to trace.log there.
//
// Usage: pagedemo [--flatbed] [--resolution <dpi>] [--out <folder>]

#include "VuroScanSDK.h"
#include "a4_colour_request.h"
#include "demo_report.h"
#include "demo_request.h"
#include "libimageprocess.h"
#include "page_steps.h"
#include "resolution.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTransform>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using Request = DemoRequest;

// Where the demo's own lines go: the terminal, while the engine's trace goes
// to the log file of --out.
std::FILE *report = stdout;

void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Scans an A4 colour job into the page list; the number of pages, or -1.
int scanInto(vuro::Libimageprocess &pages, const Request &request)
{
    VuroScanSDK session;
    std::vector<SANE_Device> devices;
    if (session.InitContext() != SANE_STATUS_GOOD || (session.GetAllDevice(devices), devices.empty())
        || session.OpenDev(devices.front()) != SANE_STATUS_GOOD) {
        std::fprintf(report, "pagedemo: no scanner\n");
        return -1;
    }
    QEventLoop loop;
    int errors = 0;
    // Queued to this thread, as the window receives them.
    QObject::connect(&session, &VuroScanSDK::sigPageCompleteBack, &loop,
                     [&pages](const QString &file, int width, int height) {
                         pages.appendRGBDataImage(file.toLocal8Bit().toStdString(), width, height);
                     });
    QObject::connect(&session, &VuroScanSDK::sigErrCallBack, &loop, [&errors](int) { ++errors; });
    QObject::connect(&session, &VuroScanSDK::sigJobCompleteBack, &loop, [&] {
        session.CancelScan();
        loop.quit();
    });
    pages.setDPI(request.resolution);
    const std::string base = pages.workFolder().toLocal8Bit().toStdString() + "taliroscane";
    QDir().mkpath(pages.workFolder());
    if (session.StartScan(a4ColourRequest(request.resolution, !request.flatbed), base) != SANE_STATUS_GOOD) {
        session.CancelScan();
        std::fprintf(report, "pagedemo: the job did not start\n");
        return -1;
    }
    session.start();
    loop.exec();
    session.wait();
    session.CloseDev();
    return errors == 0 ? pages.getImageCount() : -1;
}

std::unique_ptr<QImage> colourPage(vuro::Libimageprocess &pages, int index)
{
    return std::unique_ptr<QImage>(pages.getSaveImage(index, color_full));
}

void writePng(const QString &folder, const QString &name, const QImage &image)
{
    if (folder.isEmpty())
        return;
    const QString path = folder + "/" + name;
    if (image.save(path, "png"))
        std::fprintf(report, "  wrote %s\n", qPrintable(path));
}

void correctPages(vuro::Libimageprocess &pages, const QString &out)
{
    for (int i = 0; i < pages.getImageCount(); ++i) {
        auto before = colourPage(pages, i);
        if (!before)
            continue;
        // The tilt is the turn that levels the page, the other way round.
        const int skewBefore = -vuro::steps::measureSkew(*before);
        pages.setResetBGColor(i, true, 0xFFFFFFFFu);
        pages.setDeskew(i, true);
        pages.setElimBorder(i, true);
        auto after = colourPage(pages, i);
        if (!after)
            continue;
        const QRect border = pages.getElimBorderRect(i);
        std::fprintf(report, "page %d: %dx%d, skew %d degrees -> whitened, deskewed and cut to the content at (%d, %d): "
                    "%dx%d, skew %d degrees\n",
                    i, before->width(), before->height(), skewBefore, border.x(), border.y(), after->width(),
                    after->height(), -vuro::steps::measureSkew(*after));
        writePng(out, QString("page%1-scanned.png").arg(i), *before);
        writePng(out, QString("page%1-corrected.png").arg(i), *after);
    }
}

// An A5 page at 200 dpi with lines of known words, English and Chinese.
QImage textPage()
{
    QImage page(1169, 1654, QImage::Format_RGB32);
    page.fill(Qt::white);
    page.setDotsPerMeterX(ImageHelper::dotsPerMeter(200));
    page.setDotsPerMeterY(ImageHelper::dotsPerMeter(200));
    QPainter painter(&page);
    QFont latin("DejaVu Sans");
    latin.setPixelSize(30);
    painter.setFont(latin);
    int y = 150;
    for (const char *line : {"The scanner feeds every page through the document feeder",
                             "Each correction starts again from the unedited page",
                             "Background whitening and deskew run before the crop"}) {
        painter.drawText(80, y, QString::fromUtf8(line));
        y += 70;
    }
    QFont chinese("WenQuanYi Micro Hei");
    chinese.setPixelSize(44);
    painter.setFont(chinese);
    painter.drawText(80, y + 30, QString::fromUtf8("扫描仪自动进纸，文字识别完成"));
    return page;
}

bool recognise(vuro::Libimageprocess &pages, const QString &out)
{
    QString version;
    if (!pages.getOCREnable(version)) {
        std::fprintf(report, "recogniser: not usable\n");
        return false;
    }
    std::fprintf(report, "recogniser: %s", qPrintable(version));
    pages.clearList();
    pages.setDPI(200);
    pages.setQuality(100);
    pages.setDetectOrientation(true);
    QImage turned = textPage().transformed(QTransform().rotate(90));
    const QSize scanned = turned.size();
    pages.appendImage(&turned);
    const QSize imported = pages.getImageSize(0);
    std::fprintf(report, "text page turned on its side: %dx%d, imported upright as %dx%d\n", scanned.width(),
                scanned.height(), imported.width(), imported.height());
    if (auto page = colourPage(pages, 0))
        writePng(out, "text-page-upright.png", *page);
    const QString text = pages.workFolder() + "ocr.txt";
    if (!pages.ocr(0, text, "eng+chi_sim", false)) {
        std::fprintf(report, "recognition failed\n");
        return false;
    }
    QFile file(text);
    file.open(QIODevice::ReadOnly);
    std::fprintf(report, "recognised text:\n%s", file.readAll().constData());
    return imported.width() < imported.height();
}

}  // namespace

int main(int argc, char **argv)
{
    // Fonts for the text page; no display is needed.
    qInstallMessageHandler(quietDebug);
    char platform[] = "-platform";
    char offscreen[] = "offscreen";
    std::vector<char *> arguments(argv, argv + argc);
    arguments.insert(arguments.begin() + 1, {platform, offscreen});
    int count = static_cast<int>(arguments.size());
    QGuiApplication app(count, arguments.data());
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    Request request;
    if (!parseDemoArguments(argc, argv, request)) {
        std::fprintf(stderr, "usage: pagedemo [--flatbed] [--resolution <dpi>] [--out <folder>]\n");
        return 2;
    }
    if (!request.out.isEmpty() &&
        (!QDir().mkpath(request.out) || !(report = reportHereTraceTo(QDir(request.out).filePath("trace.log"))))) {
        std::fprintf(stderr, "pagedemo: cannot write into %s\n", qPrintable(request.out));
        return 1;
    }

    vuro::Libimageprocess pages;
    const int scanned = scanInto(pages, request);
    if (scanned <= 0)
        return 1;
    std::fprintf(report, "page list: %d pages scanned at %d dpi\n", scanned, request.resolution);
    correctPages(pages, request.out);
    return recognise(pages, request.out) ? 0 : 1;
}
