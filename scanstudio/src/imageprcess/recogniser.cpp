// The hand-off to the outside text recogniser: its version probe, the text
// of one page or of all pages, and the orientation of a new page.

#include "libimageprocess.h"

#include "scanimage.h"
#include "work_files.h"

#include <QDebug>
#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <QTransform>

#include <cstdlib>

namespace vuro {

namespace {

constexpr int kOcrImageQuality = 100;
constexpr int kOrientationImageQuality = 50;
constexpr qint64 kOsdLineSize = 1024;

// The work files of one recogniser run, in a folder of the run's own that
// goes when it ends: captures of standard output and error, the page image,
// and the output base (with the ".txt" or ".osd" file the recogniser makes
// from it).
class RunFiles
{
public:
    explicit RunFiles(const QString &workFolder) : m_folder(workFolder, "ocr") {}

    bool ok() const { return m_folder.made(); }
    QString output() const { return m_folder.file("output"); }
    QString error() const { return m_folder.file("error"); }
    QString image() const { return m_folder.file("page"); }
    QString base() const { return m_folder.file("text"); }
    QString text() const { return base() + ".txt"; }
    QString osd() const { return base() + ".osd"; }

    void logError() const
    {
        QFile file;
        if (work_files::openRegular(file, error()))
            qDebug("%s", file.readAll().constData());
    }

private:
    work_files::PrivateFolder m_folder;
};

bool writeWorkImage(const QImage &image, const QString &path, int quality)
{
    if (work_files::writeJpeg(image, path, quality))
        return true;
    qDebug("save [%s] failed", qPrintable(path));
    return false;
}

// Copies the recognised text into `target`, replacing or appending.
bool copyText(const QString &text, const QString &target, bool append)
{
    QFile source;
    if (!work_files::openRegular(source, text))
        return false;
    const QByteArray content = source.readAll();
    if (append) {
        QFile out(target);
        return out.open(QIODevice::WriteOnly | QIODevice::Append) && out.write(content) == content.size();
    }
    QSaveFile out(target);
    return out.open(QIODevice::WriteOnly) && out.write(content) == content.size() && out.commit();
}

// The turn of the first "Rotate:" line of an orientation report; 0 without one.
int rotationOf(const QString &osdFile)
{
    QFile file;
    if (!work_files::openRegular(file, osdFile))
        return 0;
    int angle = 0;
    bool found = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(kOsdLineSize);
        qDebug("osd file content: %s", line.constData());
        if (!found && line.startsWith("Rotate:")) {
            angle = std::atoi(line.constData() + (line.startsWith("Rotate: ") ? 8 : 7));
            found = true;
        }
    }
    return angle;
}

} // namespace

bool Libimageprocess::probeRecogniser(QString &version) const
{
    RunFiles files(workFolder());
    if (!files.ok() || systemsh(recogniserProgram(), {"--tessdata-dir", recogniserData(), "-v"}, files.output()) != 0)
        return false;
    QFile output;
    if (work_files::openRegular(output, files.output()))
        version = QString::fromLocal8Bit(output.readLine());
    return true;
}

int Libimageprocess::recognise(const QString &imageFile, const QString &outBase, const QString &lang,
                               const QString &outFile, const QString &errFile) const
{
    return systemsh(recogniserProgram(), {"--tessdata-dir", recogniserData(), imageFile, outBase, "-l", lang},
                    outFile, errFile);
}

bool Libimageprocess::getOCREnable(QString &version)
{
    if (!probeRecogniser(version)) {
        qDebug("unsupport ocr");
        return false;
    }
    qDebug("ocr version: %s", qPrintable(version));
    return true;
}

bool Libimageprocess::ocr(int index, const QString &outPath, const QString &lang, bool append)
{
    ScanImage *p = page(index);
    if (p == nullptr)
        return false;
    RunFiles files(workFolder());
    QImage *image = p->getSaveImage(color_full);
    bool ok = files.ok() && image != nullptr && writeWorkImage(*image, files.image(), kOcrImageQuality);
    delete image;
    if (!ok)
        return false;
    if (recognise(files.image(), files.base(), lang, files.output(), files.error()) != 0) {
        files.logError();
        return false;
    }
    if (!copyText(files.text(), outPath, append)) {
        qDebug("copy ocr content to %s failed", qPrintable(outPath));
        return false;
    }
    qDebug("append ocr content to %s", qPrintable(outPath));
    return true;
}

bool Libimageprocess::saveImagesToTxt(const QString &path, int quality, const QString &lang)
{
    qDebug("save images: %s ocr to text", qPrintable(path));
    if (m_pages.isEmpty())
        return false;
    const QString target = path.endsWith(".txt", Qt::CaseInsensitive) ? path : path + ".txt";
    QString version;
    if (!probeRecogniser(version)) {
        qDebug("system unsuport ocr");
        return false;
    }
    qDebug("ocr version: %s", qPrintable(version));
    for (int i = 0; i < m_pages.size(); ++i) {
        RunFiles files(workFolder());
        QImage *image = getSaveImage(i, color_full);
        const bool written = files.ok() && image != nullptr && writeWorkImage(*image, files.image(), quality);
        endImage(image);
        if (!written)
            continue;
        if (recognise(files.image(), files.base(), lang, files.output(), files.error()) != 0) {
            files.logError();
            continue;
        }
        if (copyText(files.text(), target, true))
            qDebug("append ocr content to %s", qPrintable(target));
        else
            qDebug("copy ocr content to %s failed", qPrintable(target));
    }
    return true;
}

void Libimageprocess::correctOrientation(QImage *image)
{
    qDebug("correct image orientation");
    if (image == nullptr || image->isNull())
        return;
    QString version;
    if (!probeRecogniser(version)) {
        qDebug("system unsuport ocr");
        return;
    }
    RunFiles files(workFolder());
    if (!files.ok() || !writeWorkImage(*image, files.image(), kOrientationImageQuality))
        return;
    const int status = systemsh(recogniserProgram(),
                                {"--tessdata-dir", recogniserData(), files.image(), files.base(), "--psm", "0", "-l",
                                 "osd"},
                                files.output(), files.error());
    if (status != 0) {
        files.logError();
        return;
    }
    qDebug("detect rotate");
    const int angle = rotationOf(files.osd());
    if (angle == 0)
        return;
    // A page is only ever turned by right angles.
    if (angle % 90 != 0) {
        qDebug("ignore rotate %d degress, not a right angle", angle);
        return;
    }
    qDebug("need rotate %d degress to correct orientation", angle);
    *image = image->transformed(QTransform().rotate(angle), Qt::FastTransformation);
}

} // namespace vuro
