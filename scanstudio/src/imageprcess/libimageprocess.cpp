// The page list: settings, order, selection and the forwarding of
// corrections and images to the pages.

#include "libimageprocess.h"

#include "scanimage.h"

#include <taliro/install_root.h>

#include <QDebug>
#include <QImage>

#include <algorithm>

namespace vuro {

namespace {

const char *onOff(bool on)
{
    return on ? "true" : "false";
}

// The largest paper the scanner takes, in millimetres.
constexpr int kMaxPaperWidth = 216;
constexpr int kMaxPaperHeight = 356;

// Applies `call` to the page; false when there is none.
template <typename Call>
bool forwardTo(ScanImage *page, Call call)
{
    if (page == nullptr)
        return false;
    call(*page);
    return true;
}

// An 8-bit image whose table is the gray ramp from black, so that writers
// see a gray image (Qt's own conversion builds its table from the colours
// it meets, which is no ramp).
QImage grayIndexed(const QImage &image)
{
    static const QVector<QRgb> ramp = [] {
        QVector<QRgb> table;
        for (int level = 0; level < 256; ++level)
            table.append(qRgb(level, level, level));
        return table;
    }();
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    QImage indexed = QImage(gray.constBits(), gray.width(), gray.height(), gray.bytesPerLine(),
                            QImage::Format_Indexed8)
                         .copy();
    indexed.setColorTable(ramp);
    indexed.setDotsPerMeterX(image.dotsPerMeterX());
    indexed.setDotsPerMeterY(image.dotsPerMeterY());
    return indexed;
}

} // namespace

Libimageprocess::Libimageprocess(const QString &installRoot)
    : m_root(installRoot)
{
    m_streamWriter = [this](const QString &path, int quality, vuro_color_format format) {
        return saveImages(path, quality, format);
    };
    initConfig();
}

Libimageprocess::~Libimageprocess()
{
    qDebug("delete image process");
    clearList();
}

QString Libimageprocess::defaultInstallRoot()
{
    return QString::fromLocal8Bit(taliro::kInstallRoot);
}

void Libimageprocess::initConfig()
{
    m_selectedIndex = -1;
    m_imageFormat = image_jpg;
    m_mediumType = medium_paper;
    m_colorFormat = color_full;
    m_paperUnit = unit_mm;
    m_dpi = 200;
    m_paperWidth = 210;
    m_paperHeight = 297;
    m_quality = 70;
    m_multiOutColor = false;
    m_multiOutGray = false;
    m_multiOutMono = false;
    m_elimBorder = false;
    m_resetBGColor = false;
    m_gammaAll = 10;
    m_medianBlur = false;
    m_medianBlurSize = 3;
    m_detectOrientation = false;
    m_ocrOut = false;
    m_ocrLang = "chi_sim";
}

void Libimageprocess::setImageFormat(vuro_image_format format)
{
    qDebug("set image format %d", format);
    m_imageFormat = format;
}

void Libimageprocess::setMediumType(vuro_medium_type type)
{
    qDebug("set medium type %d", type);
    m_mediumType = type;
}

void Libimageprocess::setColorFormat(vuro_color_format format)
{
    qDebug("set color format %d", format);
    m_colorFormat = format;
}

void Libimageprocess::setPaperUnit(vuro_paper_unit unit)
{
    qDebug("set paper unit %d", unit);
    m_paperUnit = unit;
}

vuro_paper_unit Libimageprocess::getPaperUnit() const
{
    qDebug("get Paper Unit");
    return m_paperUnit;
}

void Libimageprocess::setDPI(int dpi)
{
    qDebug("set dpi %d", dpi);
    m_dpi = std::clamp(dpi, 75, 1200);
}

void Libimageprocess::setPaperSize(int width, int height)
{
    qDebug("set paper size %d %d", width, height);
    // Below 1 mm (negative sizes too) gives 1.
    m_paperWidth = std::clamp(width, 1, kMaxPaperWidth);
    m_paperHeight = std::clamp(height, 1, kMaxPaperHeight);
}

void Libimageprocess::setQuality(int quality)
{
    qDebug("set quality %d", quality);
    m_quality = quality >= 0 && quality <= 100 ? quality : -1;
}

void Libimageprocess::setMultiColorOutColor(bool on)
{
    qDebug("set multi color out color %s", onOff(on));
    m_multiOutColor = on;
}

void Libimageprocess::setMultiColorOutGray(bool on)
{
    qDebug("set multi color out gray %s", onOff(on));
    m_multiOutGray = on;
}

void Libimageprocess::setMultiColorOutMono(bool on)
{
    qDebug("set multi color out mono %s", onOff(on));
    m_multiOutMono = on;
}

void Libimageprocess::setDetectOrientation(bool on)
{
    qDebug("set detect orientation %s", onOff(on));
    m_detectOrientation = on;
}

void Libimageprocess::setOCROut(bool on)
{
    qDebug("set OCR out %s", onOff(on));
    m_ocrOut = on;
}

void Libimageprocess::setOCRLang(const QString &lang)
{
    qDebug("set OCR lang %s", qPrintable(lang));
    m_ocrLang = lang;
}

bool Libimageprocess::setElimBorder(bool on)
{
    m_elimBorder = on;
    for (ScanImage *p : qAsConst(m_pages))
        p->setElimBorder(on);
    return !m_pages.isEmpty();
}

bool Libimageprocess::setResetBGColor(bool on, QRgb colour)
{
    m_resetBGColor = on;
    for (ScanImage *p : qAsConst(m_pages))
        p->setResetBGColor(on, colour);
    return !m_pages.isEmpty();
}

bool Libimageprocess::setMedianBlur(bool on, int size)
{
    m_medianBlur = on;
    m_medianBlurSize = size;
    for (ScanImage *p : qAsConst(m_pages))
        p->setMedianBlur(on, size);
    return !m_pages.isEmpty();
}

void Libimageprocess::setGammaAll(int gamma)
{
    m_gammaAll = gamma;
    for (ScanImage *p : qAsConst(m_pages))
        p->setGamma(gamma);
}

int Libimageprocess::getImageCount() const
{
    qDebug() << "list size " << m_pages.size();
    return m_pages.size();
}

void Libimageprocess::clearList()
{
    qDeleteAll(m_pages);
    m_pages.clear();
}

void Libimageprocess::removeImage(int index)
{
    qDebug() << QString("remove image at %1").arg(index);
    if (!checkIndexValidate(index))
        return;
    delete m_pages.takeAt(index);
    setSelectedIndex(m_selectedIndex);
    qDebug("image list size is %d, selected index is %d", m_pages.size(), m_selectedIndex);
}

int Libimageprocess::moveImage(int from, int to)
{
    qDebug("move image from %d to %d", from, to);
    if (from < 0 || from >= m_pages.size()) {
        qDebug("from index %d out of array size, move failed", from);
        return 1;
    }
    if (to < 0 || to >= m_pages.size()) {
        qDebug("to index %d out of array size, move failed", to);
        return 2;
    }
    m_pages.move(from, to);
    m_selectedIndex = to;
    qDebug("move success, selectedIndex change to %d", m_selectedIndex);
    return 0;
}

int Libimageprocess::moveImageToNext(int index)
{
    return moveImage(index, index + 1);
}

int Libimageprocess::moveImageToPrev(int index)
{
    return moveImage(index, index - 1);
}

int Libimageprocess::setSelectedIndex(int index)
{
    int selected = index;
    if (m_pages.isEmpty())
        selected = -1;
    else if (index < 0)
        selected = 0;
    else if (index >= m_pages.size())
        selected = m_pages.size() - 1;
    m_selectedIndex = selected;
    qDebug("set selected index is %d, result is %d", index, selected);
    return selected;
}

int Libimageprocess::getSelectedIndex()
{
    return setSelectedIndex(m_selectedIndex);
}

int Libimageprocess::selectNextImage()
{
    qDebug("select next image");
    return setSelectedIndex(m_selectedIndex + 1);
}

int Libimageprocess::selectPrevImage()
{
    qDebug("select prev image");
    return setSelectedIndex(m_selectedIndex - 1);
}

bool Libimageprocess::checkIndexValidate(int index) const
{
    if (index >= 0 && index < m_pages.size()) {
        qDebug("index %d is validate", index);
        return true;
    }
    qWarning("index %d is invalidate", index);
    return false;
}

bool Libimageprocess::checkIndexInValidate(int index) const
{
    return !checkIndexValidate(index);
}

ScanImage *Libimageprocess::page(int index) const
{
    return checkIndexValidate(index) ? m_pages.at(index) : nullptr;
}

bool Libimageprocess::setContract(int index, int contrast)
{
    return forwardTo(page(index), [&](ScanImage &p) { p.setContract(contrast); });
}

bool Libimageprocess::setBrightness(int index, int brightness)
{
    return forwardTo(page(index), [&](ScanImage &p) { p.setBrightness(brightness); });
}

bool Libimageprocess::setGamma(int index, int gamma)
{
    return forwardTo(page(index), [&](ScanImage &p) { p.setGamma(gamma); });
}

bool Libimageprocess::setFineAngle(int index, int angle)
{
    return forwardTo(page(index), [&](ScanImage &p) { p.setFineAngle(angle); });
}

bool Libimageprocess::rote90Left(int index)
{
    return forwardTo(page(index), [&](ScanImage &p) { p.rote90Left(); });
}

bool Libimageprocess::rote90Right(int index)
{
    return forwardTo(page(index), [&](ScanImage &p) { p.rote90Right(); });
}

bool Libimageprocess::setDeskew(int index, bool on)
{
    return forwardTo(page(index), [&](ScanImage &p) { p.setDeskew(on); });
}

bool Libimageprocess::setElimBorder(int index, bool on)
{
    return forwardTo(page(index), [&](ScanImage &p) { p.setElimBorder(on); });
}

bool Libimageprocess::setResetBGColor(int index, bool on, QRgb colour)
{
    return forwardTo(page(index), [&](ScanImage &p) { p.setResetBGColor(on, colour); });
}

bool Libimageprocess::setElimBorderRect(int index, const QRect &rect)
{
    return forwardTo(page(index), [&](ScanImage &p) { p.setElimBorderRect(rect); });
}

bool Libimageprocess::setOCROut(int index, bool on)
{
    return forwardTo(page(index), [&](ScanImage &p) { p.setOCROut(on); });
}

int Libimageprocess::getContract(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->getContrast() : 0;
}

int Libimageprocess::getBrightness(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->getBrightness() : 0;
}

int Libimageprocess::getGamma(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->getGamma() : 0;
}

int Libimageprocess::getRightAngle(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->getRightAngle() : 0;
}

int Libimageprocess::getFineAngle(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->getFineAngle() : 0;
}

bool Libimageprocess::getDeskew(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->getDeskew() : false;
}

bool Libimageprocess::getElimBorder(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->getElimBorder() : false;
}

bool Libimageprocess::getResetBGColor(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->getResetBGColor() : false;
}

bool Libimageprocess::getOCROut(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->getOCROut() : false;
}

QRect Libimageprocess::getElimBorderRect(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->getElimBorderRect() : QRect();
}

QSize Libimageprocess::getImageSize(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->getImageSize() : QSize();
}

std::uint64_t Libimageprocess::getPageSerial(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->serial() : 0;
}

std::uint64_t Libimageprocess::getPageRevision(int index) const
{
    const ScanImage *p = page(index);
    return p != nullptr ? p->revision() : 0;
}

QImage *Libimageprocess::getShowImage(int index, int width, int height, vuro_color_format format)
{
    if (!checkIndexValidate(index)) {
        qWarning("index validate return nullptr");
        return nullptr;
    }
    ScanImage *p = m_pages.at(index);
    if (p == nullptr) {
        qWarning("scan image at %d is null", index);
        return nullptr;
    }
    p->setShowSize(width, height, true);
    return p->getShowImage(format);
}

QImage *Libimageprocess::getShowImage(int width, int height, vuro_color_format format)
{
    return getShowImage(getSelectedIndex(), width, height, format);
}

QImage *Libimageprocess::getSaveImage(int index, vuro_color_format format)
{
    ScanImage *p = page(index);
    if (p == nullptr)
        return nullptr;
    QImage *image = p->getSaveImage(format);
    if (image == nullptr)
        return nullptr;
    if (m_colorFormat == color_gray || format == color_gray)
        *image = grayIndexed(*image);
    else if (m_colorFormat == color_mono || format == color_mono)
        *image = image->convertToFormat(QImage::Format_Mono);
    return image;
}

QImage *Libimageprocess::getSaveImage(vuro_color_format format)
{
    return getSaveImage(getSelectedIndex(), format);
}

void Libimageprocess::endImage(QImage *image)
{
    if (image == nullptr)
        return;
    delete image;
    qDebug("delete image and reset pointer to nullptr");
}

} // namespace vuro
