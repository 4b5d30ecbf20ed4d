// Saves the demo's corrected pages the way the window's Save does: as PDF,
// as multi-page TIFF and as OFD, then once more as TIFF in the colour, gray
// and black-and-white streams of one save. Prints each file with what
// independent tools read from it; fails when a tool rejects a file. The
// writers' own trace lines and Qt's warnings go to trace.log in the output
// folder.
//
// Usage: savedemo --pages <folder of page<n>-corrected.png> --out <folder>

#include "demo_report.h"
#include "libimageprocess.h"
#include "resolution.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Where the demo's own lines go: the terminal, while the writers' trace goes
// to trace.log in the output folder.
std::FILE *report = stdout;

void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

struct ToolRun {
    bool ok = false;
    QString output;  // standard output, then standard error
};

ToolRun runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForFinished(120000))
        return run;
    run.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    run.output = QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    return run;
}

// Every capture of `pattern` in `text`, in order.
QStringList captures(const QString &text, const QString &pattern)
{
    QStringList found;
    auto matches = QRegularExpression(pattern, QRegularExpression::MultilineOption).globalMatch(text);
    while (matches.hasNext())
        found << matches.next().captured(1);
    return found;
}

// "a, a, b" -> "2 x a, b": a short form of per-page values.
QString grouped(const QStringList &values)
{
    QStringList parts;
    for (int i = 0; i < values.size();) {
        int same = 1;
        while (i + same < values.size() && values[i + same] == values[i])
            ++same;
        parts << (same > 1 ? QString("%1 x %2").arg(same).arg(values[i]) : values[i]);
        i += same;
    }
    return parts.join(", ");
}

bool reportPdf(const QString &file)
{
    const ToolRun check = runTool("qpdf", {"--check", file});
    const ToolRun info = runTool("pdfinfo", {"-f", "1", "-l", "9999", file});
    const ToolRun images = runTool("pdfimages", {"-list", file});
    const QStringList pages = captures(info.output, "^Pages:\\s+(\\d+)");
    std::fprintf(report, "  pdfinfo: %s pages; page sizes %s\n", qPrintable(pages.value(0, "?")),
                qPrintable(grouped(captures(info.output, "^Page\\s+\\d+ size:\\s+(.*)$"))));
    // Image rows: page, number, type, width, height, colour, components, bits, encoding.
    QStringList embedded;
    auto rows = QRegularExpression("^\\s*\\d+\\s+\\d+\\s+image\\s+(\\d+)\\s+(\\d+)\\s+(\\w+)\\s+\\d+\\s+(\\d+)\\s+(\\w+)",
                                   QRegularExpression::MultilineOption)
                    .globalMatch(images.output);
    while (rows.hasNext()) {
        const QRegularExpressionMatch row = rows.next();
        embedded << QString("%1x%2 %3 %4-bit %5")
                        .arg(row.captured(1), row.captured(2), row.captured(3), row.captured(4), row.captured(5));
    }
    std::fprintf(report, "  pdfimages -list: %s\n", qPrintable(grouped(embedded)));
    std::fprintf(report, "  qpdf --check: %s\n", check.ok ? "no errors" : "FAILED");
    return check.ok && info.ok && images.ok;
}

bool reportTiff(const QString &file)
{
    const ToolRun info = runTool("tiffinfo", {file});
    const QStringList sizes = captures(info.output, "Image Width: (\\d+ Image Length: \\d+)")
                                  .replaceInStrings(" Image Length: ", "x");
    const bool warned = info.output.contains("arning");
    std::fprintf(report, "  tiffinfo: %d pages (%s); %s; %s; %s; %s; %s\n", sizes.size(), qPrintable(grouped(sizes)),
                qPrintable(grouped(captures(info.output, "Compression Scheme: (.*)$"))),
                qPrintable(grouped(captures(info.output, "Photometric Interpretation: (.*)$"))),
                qPrintable(grouped(captures(info.output, "Bits/Sample: (\\d+)")) + " bits/sample"),
                qPrintable(grouped(captures(info.output, "Resolution: (.*)$"))),
                warned ? "WARNINGS" : "no warnings");
    return info.ok && !warned && !sizes.isEmpty();
}

bool reportOfd(const QString &file)
{
    const ToolRun test = runTool("unzip", {"-t", file});
    const ToolRun listing = runTool("unzip", {"-v", file});
    const ToolRun document = runTool("unzip", {"-p", file, "Doc_0/Document.xml"});
    // Entry rows: length, method, size, ratio, date, time, CRC, name.
    const QStringList methods =
        captures(listing.output, "^\\s*\\d+\\s+(\\w+)\\s+\\d+\\s+-?\\d+%\\s+\\S+\\s+\\S+\\s+[0-9a-f]{8}\\s");
    const int entries = methods.size();
    const int stored = methods.count("Stored");
    std::fprintf(report, "  unzip -v: %d entries, %d stored; images %s\n", entries, stored,
                qPrintable(captures(listing.output, "(Doc_0/Res/\\S+)$").join(" ")));
    std::fprintf(report, "  Document.xml: MaxUnitID %s, PhysicalBox %s\n",
                qPrintable(captures(document.output, "<ofd:MaxUnitID>(.*)</ofd:MaxUnitID>").value(0)),
                qPrintable(captures(document.output, "<ofd:PhysicalBox>(.*)</ofd:PhysicalBox>").value(0)));
    std::fprintf(report, "  unzip -t: %s\n", test.ok ? "no errors" : "FAILED");
    return test.ok && entries > 0 && entries == stored;
}

bool reportFile(const QString &file)
{
    std::fprintf(report, "%s\n", qPrintable(file));
    if (file.endsWith(".pdf"))
        return reportPdf(file);
    if (file.endsWith(".tif"))
        return reportTiff(file);
    return reportOfd(file);
}

// The corrected pages in page order.
QStringList pageFiles(const QString &folder)
{
    QStringList files = QDir(folder).entryList({"page*-corrected.png"}, QDir::Files);
    const auto number = [](const QString &name) { return name.mid(4, name.indexOf('-') - 4).toInt(); };
    std::sort(files.begin(), files.end(), [&](const QString &a, const QString &b) { return number(a) < number(b); });
    for (QString &file : files)
        file = folder + "/" + file;
    return files;
}

bool save(vuro::Libimageprocess &pages, vuro_image_format format, const QString &path, const QStringList &files)
{
    pages.setImageFormat(format);
    if (!pages.save(path)) {
        std::fprintf(report, "saving %s failed\n", qPrintable(path));
        return false;
    }
    bool ok = true;
    for (const QString &file : files)
        ok = reportFile(file) && ok;
    return ok;
}

}  // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(quietDebug);
    char platform[] = "-platform";
    char offscreen[] = "offscreen";
    std::vector<char *> arguments{argv[0], platform, offscreen};
    int count = static_cast<int>(arguments.size());
    QGuiApplication app(count, arguments.data());
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    QString pagesFolder, out;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--pages") == 0)
            pagesFolder = QString::fromLocal8Bit(argv[i + 1]);
        else if (std::strcmp(argv[i], "--out") == 0)
            out = QString::fromLocal8Bit(argv[i + 1]);
    }
    const QStringList files = pageFiles(pagesFolder);
    if (argc != 5 || pagesFolder.isEmpty() || out.isEmpty() || files.isEmpty()) {
        std::fprintf(stderr, "usage: savedemo --pages <folder of page<n>-corrected.png> --out <folder>\n");
        return 2;
    }
    if (!QDir().mkpath(out) || !(report = reportHereTraceTo(QDir(out).filePath("trace.log")))) {
        std::fprintf(stderr, "savedemo: cannot write into %s\n", qPrintable(out));
        return 1;
    }

    // The page list takes the pages' own resolution, as it took the scan's.
    vuro::Libimageprocess pages;
    pages.setDPI(ImageHelper::dpiX(QImage(files.first())));
    for (const QString &file : files)
        pages.appendImage(file);
    std::fprintf(report, "save: %d corrected pages at %d dpi from %s\n", pages.getImageCount(), pages.getDPI(),
                qPrintable(pagesFolder));

    bool ok = save(pages, image_pdf, out + "/scan", {out + "/scan.pdf"});
    ok = save(pages, image_tif, out + "/scan", {out + "/scan.tif"}) && ok;
    ok = save(pages, image_ofd, out + "/scan", {out + "/scan.ofd"}) && ok;
    std::fprintf(report, "one save in the colour, gray and black-and-white streams:\n");
    pages.setMultiColorOutColor(true);
    pages.setMultiColorOutGray(true);
    pages.setMultiColorOutMono(true);
    ok = save(pages, image_tif, out + "/streams",
              {out + "/streams_color.tif", out + "/streams_gray.tif", out + "/streams_mono.tif"}) && ok;
    return ok ? 0 : 1;
}
