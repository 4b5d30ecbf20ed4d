// Runs one scan job from the installed backend into page files under the
// install root's scan/tmp/, the way the scanning window does, and prints each
// page file it got and the result of the job.
//
// Usage: scanjob [--flatbed] [--resolution <dpi>]

#include "VuroScanSDK.h"

#include <taliro/install_root.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Request {
    bool flatbed = false;
    int resolution = 150;
};

bool parseArguments(int argc, char **argv, Request &request)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--flatbed") == 0) {
            request.flatbed = true;
        } else if (std::strcmp(argv[i], "--resolution") == 0 && i + 1 < argc) {
            const QString text = QString::fromLocal8Bit(argv[++i]);
            bool ok = false;
            request.resolution = text.toInt(&ok);
            if (!ok || request.resolution <= 0)
                return false;
        } else {
            return false;
        }
    }
    return true;
}

// An A4 page in colour, as the window's default preset asks for it.
tagSettingInfo settingsFor(const Request &request)
{
    tagSettingInfo info;
    info.xStart = 0;
    info.yStart = 0;
    info.xEnd = 210;
    info.yEnd = 297;
    info.resolution = request.resolution;
    info.colorMode = 2;
    info.feederEnabled = request.flatbed ? 0 : 1;
    info.option5Value = 3;
    info.option6Value = 3;
    return info;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // keep our lines in order with the session's error lines
    Request request;
    if (!parseArguments(argc, argv, request)) {
        std::fprintf(stderr, "usage: scanjob [--flatbed] [--resolution <dpi>]\n");
        return 2;
    }

    const std::string pageFolder = std::string(taliro::kInstallRoot) + "scan/tmp";
    if (!QDir().mkpath(QString::fromLocal8Bit(pageFolder.c_str()))) {
        std::fprintf(stderr, "scanjob: cannot create %s\n", pageFolder.c_str());
        return 1;
    }

    VuroScanSDK session;
    int status = session.InitContext();
    if (status != SANE_STATUS_GOOD) {
        std::fprintf(stderr, "scanjob: backend not available: %s\n", sane_strstatus(static_cast<SANE_Status>(status)));
        return 1;
    }
    std::vector<SANE_Device> devices;
    session.GetAllDevice(devices);
    if (devices.empty()) {
        std::fprintf(stderr, "scanjob: no scanner\n");
        return 1;
    }
    const SANE_Device &scanner = devices.front();
    status = session.OpenDev(scanner);
    if (status != SANE_STATUS_GOOD) {
        std::fprintf(stderr, "scanjob: cannot open %s: %s\n", scanner.name, sane_strstatus(static_cast<SANE_Status>(status)));
        return 1;
    }
    std::printf("scanner %s (%s %s, %s), document feeder: %s\n", scanner.name, scanner.vendor, scanner.model,
                scanner.type, session.IsDevHasADF() ? "yes" : "no");

    int pages = 0;
    int jobError = SANE_STATUS_GOOD;
    QObject::connect(&session, &VuroScanSDK::sigPageCompleteBack, &app,
                     [&pages](const QString &fileName, int width, int height) {
                         const QFileInfo file(fileName);
                         std::printf("page %s: width %d, height %d, %lld bytes\n", qPrintable(fileName), width,
                                     height, file.exists() ? static_cast<long long>(file.size()) : -1LL);
                         ++pages;
                     });
    QObject::connect(&session, &VuroScanSDK::sigErrCallBack, &app, [&jobError](int errCode) {
        std::printf("error %d: %s\n", errCode, sane_strstatus(static_cast<SANE_Status>(errCode)));
        jobError = errCode;
    });
    QObject::connect(&session, &VuroScanSDK::sigJobCompleteBack, &app, [&] {
        session.CancelScan();
        const bool complete = jobError == SANE_STATUS_GOOD && pages > 0;
        std::printf("job %s: %d page%s\n", complete ? "complete" : "failed", pages, pages == 1 ? "" : "s");
        app.exit(complete ? 0 : 1);
    });

    status = session.StartScan(settingsFor(request), pageFolder + "/taliroscane");
    if (status != SANE_STATUS_GOOD) {
        session.CancelScan();
        std::printf("job failed to start: %s\n", sane_strstatus(static_cast<SANE_Status>(status)));
        return 1;
    }
    session.start();
    const int result = app.exec();
    session.wait();
    session.CloseDev();
    return result;
}
