// Runs one scan job from the installed backend into page files under the
// install root's scan/tmp/, the way the scanning window does, and prints each
// page file it got and the result of the job. With --out, each page is also
// kept in that folder as the raw file and as a PNG picture, and the scan
// session's own trace lines go to trace.log there instead of the
// terminal.
//
// Usage: scanjob [--flatbed] [--resolution <dpi>] [--out <folder>]

#include "VuroScanSDK.h"
#include "a4_colour_request.h"
#include "demo_report.h"
#include "demo_request.h"

#include <taliro/install_root.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Request = DemoRequest;

// Copies the raw page into `folder` as page-<n>.rgb and writes it as
// page-<n>.png beside it; the names' common start, or an empty text.
QString keepPage(const QString &pageFile, int number, int width, int height, const QString &folder)
{
    const QString base = QDir(folder).filePath(QStringLiteral("page-%1").arg(number));
    QFile raw(pageFile);
    if (!raw.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = raw.readAll();
    QFile::remove(base + ".rgb");
    if (!QFile::copy(pageFile, base + ".rgb") || width <= 0 || height <= 0 ||
        bytes.size() != static_cast<qint64>(width) * height * 3)
        return QString();
    const QImage picture(reinterpret_cast<const uchar *>(bytes.constData()), width, height, width * 3,
                         QImage::Format_RGB888);
    return picture.save(base + ".png") ? base : QString();
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // keep our lines in order with the session's error lines
    Request request;
    if (!parseDemoArguments(argc, argv, request)) {
        std::fprintf(stderr, "usage: scanjob [--flatbed] [--resolution <dpi>] [--out <folder>]\n");
        return 2;
    }
    std::FILE *report = stdout;
    if (!request.out.isEmpty()) {
        if (!QDir().mkpath(request.out) ||
            !(report = reportHereTraceTo(QDir(request.out).filePath("trace.log")))) {
            std::fprintf(stderr, "scanjob: cannot write into %s\n", qPrintable(request.out));
            return 1;
        }
    }

    const std::string pageFolder = std::string(taliro::kInstallRoot) + "scan/tmp";
    if (!QDir().mkpath(QString::fromLocal8Bit(pageFolder.c_str()))) {
        std::fprintf(report, "scanjob: cannot create %s\n", pageFolder.c_str());
        return 1;
    }

    VuroScanSDK session;
    int status = session.InitContext();
    if (status != SANE_STATUS_GOOD) {
        std::fprintf(report, "scanjob: backend not available: %s\n", sane_strstatus(static_cast<SANE_Status>(status)));
        return 1;
    }
    std::vector<SANE_Device> devices;
    session.GetAllDevice(devices);
    if (devices.empty()) {
        std::fprintf(report, "scanjob: no scanner\n");
        return 1;
    }
    const SANE_Device &scanner = devices.front();
    status = session.OpenDev(scanner);
    if (status != SANE_STATUS_GOOD) {
        std::fprintf(report, "scanjob: cannot open %s: %s\n", scanner.name,
                     sane_strstatus(static_cast<SANE_Status>(status)));
        return 1;
    }
    std::fprintf(report, "scanner %s (%s %s, %s), document feeder: %s\n", scanner.name, scanner.vendor, scanner.model,
                 scanner.type, session.IsDevHasADF() ? "yes" : "no");

    int pages = 0;
    int jobError = SANE_STATUS_GOOD;
    QObject::connect(&session, &VuroScanSDK::sigPageCompleteBack, &app,
                     [&](const QString &fileName, int width, int height) {
                         const QFileInfo file(fileName);
                         std::fprintf(report, "page %s: width %d, height %d, %lld bytes\n", qPrintable(fileName),
                                      width, height, file.exists() ? static_cast<long long>(file.size()) : -1LL);
                         if (!request.out.isEmpty()) {
                             const QString kept = keepPage(fileName, pages, width, height, request.out);
                             if (kept.isEmpty()) {
                                 std::fprintf(report, "  could not keep it in %s\n", qPrintable(request.out));
                                 jobError = SANE_STATUS_IO_ERROR;
                             } else {
                                 std::fprintf(report, "  kept as %s.rgb and %s.png\n", qPrintable(kept),
                                              qPrintable(kept));
                             }
                         }
                         ++pages;
                     });
    QObject::connect(&session, &VuroScanSDK::sigErrCallBack, &app, [&](int errCode) {
        std::fprintf(report, "error %d: %s\n", errCode, sane_strstatus(static_cast<SANE_Status>(errCode)));
        jobError = errCode;
    });
    QObject::connect(&session, &VuroScanSDK::sigJobCompleteBack, &app, [&] {
        session.CancelScan();
        const bool complete = jobError == SANE_STATUS_GOOD && pages > 0;
        std::fprintf(report, "job %s: %d page%s\n", complete ? "complete" : "failed", pages, pages == 1 ? "" : "s");
        app.exit(complete ? 0 : 1);
    });

    status = session.StartScan(a4ColourRequest(request.resolution, !request.flatbed), pageFolder + "/taliroscane");
    if (status != SANE_STATUS_GOOD) {
        session.CancelScan();
        std::fprintf(report, "job failed to start: %s\n", sane_strstatus(static_cast<SANE_Status>(status)));
        return 1;
    }
    session.start();
    const int result = app.exec();
    session.wait();
    session.CloseDev();
    return result;
}
