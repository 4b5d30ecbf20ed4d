// Times one full correction run of a page, from setImage through
// getSaveImage, with background whitening, deskew, automatic border
// removal, a 90 degree turn and brightness, contrast and gamma switched on,
// on a synthetic A4 scan at 300 and 600 dpi. The anchor is ImageMagick on
// the same page as PNG:
//   convert page.png -deskew 40% -trim -rotate 90 -brightness-contrast 10x10
//           -gamma 1.2 -quality 100 out.jpg
// once on one core (both pinned to one processor, ImageMagick with
// -limit thread 1) and once on every core. Each figure is the median of its
// runs; both outputs are checked before a time is printed. The stages of
// the run are then timed one by one with the same functions on the same page.

#include "bench_timing.h"
#include "cuiimage.h"
#include "imagehelper.h"
#include "page_steps.h"
#include "resolution.h"
#include "scanimage.h"
#include "synthetic_image.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <sched.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using bench::Clock;
using bench::median;
using bench::msSince;

// A scan as the stand-in backend makes it: a light sheet, tilted, with lines
// of marks, on the scanner's dark background.
QImage scannedPage(int dpi)
{
    const int width = 210 * dpi * 10 / 254;
    const int height = 297 * dpi * 10 / 254;
    QImage page = bench::syntheticImage(2, width, height);
    page.setDotsPerMeterX(ImageHelper::dotsPerMeter(dpi));
    page.setDotsPerMeterY(ImageHelper::dotsPerMeter(dpi));
    return page;
}

struct OurRun
{
    double ms = 0;
    QSize size;
    int skew = 0;
};

// One page through the pipeline: the settings first (nothing to run yet),
// then setImage (unedited file, one pipeline run) and the save image.
OurRun runOurs(const QImage &page, const QString &folder)
{
    QImage image = page.copy();
    vuro::ScanImage scan(folder);
    scan.setResetBGColor(true, 0xFFFFFFFFu);
    scan.setDeskew(true);
    scan.setElimBorder(true);
    scan.rote90Right();
    scan.setBrightness(10);
    scan.setContract(10);
    scan.setGamma(12);
    const auto start = Clock::now();
    scan.setImage(&image, static_cast<unsigned>(ImageHelper::dpiX(page)), 70);
    QImage *saved = scan.getSaveImage(color_full);
    OurRun run;
    run.ms = msSince(start);
    run.size = saved != nullptr ? saved->size() : QSize();
    run.skew = scan.getSkewAngle();
    delete saved;
    return run;
}

QString convertProgram()
{
    return QFile::exists("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
}

// ImageMagick's run in milliseconds, -1 when it fails.
double runImageMagick(const QString &in, const QString &out, bool oneThread)
{
    std::vector<std::string> words{convertProgram().toStdString()};
    if (oneThread)
        words.insert(words.end(), {"-limit", "thread", "1"});
    words.insert(words.end(), {in.toStdString(), "-deskew", "40%", "-trim", "-rotate", "90",
                               "-brightness-contrast", "10x10", "-gamma", "1.2", "-quality", "100",
                               out.toStdString()});
    return bench::runProgram(words);
}

// The same steps in the same order, one at a time.
void printStages(const QImage &page, const QString &folder)
{
    std::vector<std::pair<const char *, double>> stages;
    auto time = [&stages](const char *name, const std::function<void()> &work) {
        const auto start = Clock::now();
        work();
        stages.emplace_back(name, msSince(start));
    };
    const QString unedited = folder + "stage";
    const QString handle = folder + "stagehandle";
    const QString show = folder + "stageshow";
    QImage image = page.copy();
    int skew = 0;
    QImage saved;
    time("write unedited JPEG q70", [&] { image.save(unedited, "jpg", 70); });
    time("read unedited JPEG", [&] { image.load(unedited, "jpg"); });
    time("background whitening", [&] { ImageHelper::Image_ResetBackcolor(&image, 0xFFFFFFFFu, 3); });
    time("deskew measurement", [&] { skew = vuro::steps::measureSkew(image); });
    time("border detection and cut", [&] { image = image.copy(ImageHelper::Image_DetectMaxRect(&image, true)); });
    time("turn by 90 + skew", [&] { vuro::steps::turnPage(image, 90 + skew); });
    time("write handle JPEG q100", [&] { image.save(handle, "jpg", 100); });
    time("write show JPEG (300 px)", [&] { image.scaledToWidth(300, Qt::FastTransformation).save(show, "jpg", 70); });
    time("read handle JPEG", [&] { saved.load(handle, "jpg"); });
    time("contrast and brightness", [&] { vuro::ScanImage::handleContractAndBrightness(&saved, 10, 10); });
    time("gamma", [&] { vuro::ScanImage::handleGamma(&saved, 12); });
    double total = 0;
    for (const auto &stage : stages)
        total += stage.second;
    for (const auto &stage : stages)
        std::printf("    %-28s %8.1f ms  %4.1f %%\n", stage.first, stage.second, 100.0 * stage.second / total);
    std::printf("    %-28s %8.1f ms\n", "sum of the stages", total);
}

bool pinToOneCore(const cpu_set_t &all)
{
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &all)) {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(cpu, &one);
            return sched_setaffinity(0, sizeof one, &one) == 0;
        }
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(bench::quietDebug);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString folder = dir.path() + "/";
    cpu_set_t all;
    sched_getaffinity(0, sizeof all, &all);

    bool ok = true;
    for (const int dpi : {300, 600}) {
        const QImage page = scannedPage(dpi);
        const QString png = folder + "page.png";
        page.save(png, "png");
        const int runs = dpi == 300 ? 5 : 3;
        std::printf("A4 %d dpi, %dx%d, median of %d runs\n", dpi, page.width(), page.height(), runs);
        for (const bool oneCore : {true, false}) {
            if (oneCore ? !pinToOneCore(all) : sched_setaffinity(0, sizeof all, &all) != 0)
                return 1;
            std::vector<double> ours, theirs;
            OurRun last;
            for (int i = 0; i < runs; ++i) {
                last = runOurs(page, folder);
                ours.push_back(last.ms);
                theirs.push_back(runImageMagick(png, folder + "out.jpg", oneCore));
            }
            const QImage anchor(folder + "out.jpg");
            // Both turned the portrait page on its side; ours found its tilt.
            const bool oursRight = last.size.width() > last.size.height() && last.skew != 0;
            const bool theirsRight = *std::min_element(theirs.begin(), theirs.end()) > 0 && anchor.width() > anchor.height();
            if (!oursRight || !theirsRight) {
                std::printf("  output check failed: ours %dx%d skew %d, ImageMagick %dx%d\n", last.size.width(),
                            last.size.height(), last.skew, anchor.width(), anchor.height());
                ok = false;
                continue;
            }
            const double ourMs = median(ours);
            const double theirMs = median(theirs);
            std::printf("  %-9s ours %8.1f ms (%dx%d, skew %d)   ImageMagick %8.1f ms (%dx%d)   ours/theirs %.2f\n",
                        oneCore ? "one core" : "all cores", ourMs, last.size.width(), last.size.height(), last.skew,
                        theirMs, anchor.width(), anchor.height(), ourMs / theirMs);
        }
        std::printf("  stages on every core:\n");
        printStages(page, folder);
    }
    return ok ? 0 : 1;
}
