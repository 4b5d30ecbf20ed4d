#include "scanimage.h"

#include "cuiimage.h"
#include "imagehelper.h"
#include "page_steps.h"
#include "resolution.h"
#include "work_file_name.h"
#include "work_files.h"

#include <taliro/install_root.h>

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <atomic>

namespace vuro {

namespace {

constexpr int kShowWidth = 300;
constexpr int kShowQuality = 70;
constexpr int kHandleQuality = 100;
constexpr int kFrameMillimetres = 3;
constexpr int kMonoGate = 128;

QString now()
{
    return QDateTime::currentDateTime().toString("HH:mm:ss.zzz");
}

// The pipeline works on 32-bit pixels.
void ensure32Bit(QImage &image)
{
    if (!ImageHelper::is32Bit(image))
        image = image.convertToFormat(QImage::Format_RGB32);
}

std::uint64_t nextSerial()
{
    static std::atomic<std::uint64_t> serials{0};
    return ++serials;
}

} // namespace

ScanImage::ScanImage(const QString &workFolder)
    : m_serial(nextSerial()), m_folder(workFolder), m_base(workFileBaseName(workFolder))
{
    logFileNames();
}

ScanImage::~ScanImage()
{
    qDebug("delete scan image");
    // Only names this page created: an unreserved name may be another page's.
    if (m_ownsFiles) {
        QFile::remove(originalFile());
        QFile::remove(handleFile());
        QFile::remove(showFile());
    }
}

QString ScanImage::defaultWorkFolder()
{
    return QString::fromLocal8Bit(taliro::kInstallRoot) + "scan/tmp/";
}

void ScanImage::logFileNames() const
{
    qDebug("scan image temp file name %s", qPrintable(originalFile()));
    qDebug("scan image temp show file name %s", qPrintable(showFile()));
    qDebug("scan image temp handle file name %s", qPrintable(handleFile()));
}

void ScanImage::setImage(QImage *image, unsigned dpi, int quality)
{
    if (image == nullptr || image->isNull()) {
        qDebug("save image failed, because image is nullptr");
        return;
    }
    m_width = image->width();
    m_height = image->height();
    const QString folder = QFileInfo(m_base).absolutePath();
    if (!QDir().mkpath(folder)) {
        qDebug("save image path [%s] can't make", qPrintable(folder));
        return;
    }
    if (!m_ownsFiles) {
        const QString reserved = reserveWorkFile(m_folder, m_base);
        if (reserved.isEmpty()) {
            qDebug("save image path [%s] can't make", qPrintable(folder));
            return;
        }
        m_ownsFiles = true;
        if (reserved != m_base) {
            m_base = reserved;
            logFileNames();
        }
    }
    ensure32Bit(*image);
    const int dpm = ImageHelper::dotsPerMeter(static_cast<int>(dpi));
    image->setDotsPerMeterX(dpm);
    image->setDotsPerMeterY(dpm);
    handleMedianBlur(*image);
    if (work_files::writeJpeg(*image, originalFile(), quality))
        qDebug("save image to %s ok", qPrintable(originalFile()));
    else
        qDebug("save image failed");
    preHandle();
}

void ScanImage::setContract(int contrast)
{
    m_contrast = std::clamp(contrast, -100, 100);
    ++m_revision;
}

void ScanImage::setBrightness(int brightness)
{
    m_brightness = std::clamp(brightness, -100, 100);
    ++m_revision;
}

void ScanImage::setGamma(int gamma)
{
    m_gamma = std::clamp(gamma, 1, 50);
    ++m_revision;
}

void ScanImage::setOCROut(bool on)
{
    m_ocrOut = on;
}

void ScanImage::setRightAngle(int angle)
{
    m_rightAngle = angle % 360;
    preHandle();
}

void ScanImage::rote90Left()
{
    setRightAngle(m_rightAngle - 90);
}

void ScanImage::rote90Right()
{
    setRightAngle(m_rightAngle + 90);
}

void ScanImage::setFineAngle(int angle)
{
    m_fineAngle = angle % 360;
    preHandle();
}

void ScanImage::setDeskew(bool on)
{
    if (on == m_deskew)
        return;
    m_deskew = on;
    preHandle();
}

void ScanImage::setResetBGColor(bool on, QRgb colour)
{
    m_backgroundColour = colour;
    if (on == m_resetBackground)
        return;
    m_resetBackground = on;
    preHandle();
}

void ScanImage::setMedianBlur(bool on, int size)
{
    m_medianBlur = on;
    m_medianBlurSize = size;
    preHandle();
}

void ScanImage::setElimBorder(bool on)
{
    m_autoBorder = on;
    m_manualBorder = false;
    preHandle();
}

void ScanImage::setElimBorderRect(const QRect &rect)
{
    m_borderRect = rect;
    m_manualBorder = true;
    preHandle();
}

void ScanImage::setShowSize(int width, int height, bool)
{
    m_showWidth = std::clamp(width, 1, 10000);
    m_showHeight = std::clamp(height, 1, 10000);
    qDebug("set show image size in (%d, %d) result is (%d, %d)", width, height, m_showWidth, m_showHeight);
}

QImage *ScanImage::finishedImage(const QString &file, const QSize *box, vuro_color_format format) const
{
    QImage loaded;
    if (m_ownsFiles)
        loaded = work_files::readJpeg(file);
    if (loaded.format() != QImage::Format_RGB32) {
        qDebug("image format is %d not RGB32", static_cast<int>(loaded.format()));
        return nullptr;
    }
    QImage *image = nullptr;
    if (box != nullptr) {
        const QSize size = keepAspectRatio(loaded.width(), loaded.height(), box->width(), box->height());
        image = new QImage(loaded.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    } else {
        image = new QImage(std::move(loaded));
    }
    handleContractAndBrightness(image, m_contrast, m_brightness);
    handleGamma(image, m_gamma);
    if (format == color_gray)
        handleGray(image, GrayWeighted, 0.3, 0.59, 0.11);
    else if (format == color_mono)
        handleMono(image, kMonoGate);
    return image;
}

QImage *ScanImage::getShowImage(vuro_color_format format) const
{
    const QSize box(m_showWidth, m_showHeight);
    QImage *image = finishedImage(showFile(), &box, format);
    if (image != nullptr)
        qDebug("generate show image in (%d, %d)", image->width(), image->height());
    return image;
}

QImage *ScanImage::getSaveImage(vuro_color_format format) const
{
    qDebug("get save image");
    return finishedImage(handleFile(), nullptr, format);
}

void ScanImage::preHandle()
{
    ++m_revision;
    QImage image;
    if (m_ownsFiles)
        image = work_files::readJpeg(originalFile());
    if (!image.isNull())
        ensure32Bit(image);

    if (!image.isNull()) {
        handleResetBGColor(image);
        handleDeskew(image);
        handleElimBorder(image);
        handleManualElimBorder(image);
        qDebug("%s handle rote %d", "[ScanImage]", getRoteAngle());
        if (getRoteAngle() % 360 == 0)
            qDebug("skip handle rote");
        else
            steps::turnPage(image, getRoteAngle());
    }

    if (work_files::writeJpeg(image, handleFile(), kHandleQuality))
        qDebug("save handle image to %s ok", qPrintable(handleFile()));
    else
        qDebug("save handle image failed");
    const QImage show = image.isNull() ? QImage() : image.scaledToWidth(kShowWidth, Qt::FastTransformation);
    if (work_files::writeJpeg(show, showFile(), kShowQuality))
        qDebug("save show image to %s ok", qPrintable(showFile()));
    else
        qDebug("save show image failed");
}

void ScanImage::handleResetBGColor(QImage &image) const
{
    if (!m_resetBackground)
        return;
    qDebug("%s[%s] handle reset background color", qPrintable(now()), "ScanImage");
    ImageHelper::Image_ResetBackcolor(&image, m_backgroundColour, kFrameMillimetres);
}

void ScanImage::handleDeskew(const QImage &image)
{
    if (!m_deskew) {
        m_skewAngle = 0;
        return;
    }
    qDebug("%s[%s] handle deskew: ", qPrintable(now()), "ScanImage");
    m_skewAngle = steps::measureSkew(image);
    qDebug("skew angle %d", m_skewAngle);
}

void ScanImage::handleElimBorder(QImage &image)
{
    // A manual rectangle wins over the automatic one: it is kept and cut once.
    if (!m_autoBorder || m_manualBorder)
        return;
    qDebug("%s[%s] handle elim black border", qPrintable(now()), "ScanImage");
    const QRect detected = ImageHelper::Image_DetectMaxRect(&image, true);
    m_borderRect = steps::scaleRect(detected, static_cast<double>(m_width) / image.width());
    image = image.copy(detected);
}

void ScanImage::handleManualElimBorder(QImage &image) const
{
    if (!m_manualBorder || m_width <= 0)
        return;
    const QRect cut = steps::scaleRect(m_borderRect, static_cast<double>(image.width()) / m_width)
                          .intersected(image.rect());
    // A rectangle wholly outside the page cuts nothing.
    if (!cut.isEmpty())
        image = image.copy(cut);
}

void ScanImage::handleMedianBlur(QImage &image) const
{
    if (!m_medianBlur)
        return;
    if (image.isNull()) {
        qDebug("skip handle median blur");
        return;
    }
    qDebug("%s[%s] handle median blur", qPrintable(now()), "ScanImage");
    steps::removeSpeckles(image, m_medianBlurSize);
}

} // namespace vuro
