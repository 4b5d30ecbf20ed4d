#pragma once

#include "vuro_enums.h"

#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>

#include <cstdint>

class QImage;

namespace vuro {

// Limits a channel value to 0..255.
int clamp(int value);

// One scanned page of the page list. The page lives in three JPEG work files
// without extension: the unedited page (the base path), the fully corrected
// page (base + "handle") and a 300 pixel wide copy for display (base +
// "show"). Every geometry or background setting re-runs the pipeline from the
// unedited page; contrast, brightness, gamma and the colour conversion are
// applied only to the images handed out.
class ScanImage
{
public:
    enum GrayType { GrayMax = 0, GrayMean = 1, GrayWeighted = 2 };

    // `workFolder` ends with "/"; the work files are created there.
    explicit ScanImage(const QString &workFolder = defaultWorkFolder());
    ~ScanImage();
    ScanImage(const ScanImage &) = delete;
    ScanImage &operator=(const ScanImage &) = delete;

    // "<install root>scan/tmp/".
    static QString defaultWorkFolder();

    // Writes `image` (changed in place: resolution, speckle removal) as the
    // unedited page at `quality` and runs the pipeline. The caller keeps it.
    void setImage(QImage *image, unsigned dpi, int quality);

    void setContract(int contrast);
    void setBrightness(int brightness);
    void setGamma(int gamma);
    void setOCROut(bool on);
    void setRightAngle(int angle);
    void rote90Left();
    void rote90Right();
    void setFineAngle(int angle);
    void setDeskew(bool on);
    void setResetBGColor(bool on, QRgb colour);
    void setMedianBlur(bool on, int size);
    void setElimBorder(bool on);
    void setElimBorderRect(const QRect &rect);
    void setShowSize(int width, int height, bool keepAspect);

    int getContrast() const { return m_contrast; }
    int getBrightness() const { return m_brightness; }
    int getGamma() const { return m_gamma; }
    int getRightAngle() const { return m_rightAngle; }
    int getSkewAngle() const { return m_skewAngle; }
    int getFineAngle() const { return m_fineAngle; }
    bool getDeskew() const { return m_deskew; }
    bool getOCROut() const { return m_ocrOut; }
    bool getResetBGColor() const { return m_resetBackground; }
    QRect getElimBorderRect() const { return m_borderRect; }
    QSize getImageSize() const { return QSize(m_width, m_height); }
    bool getElimBorder() const { return m_autoBorder || m_manualBorder; }
    int getRoteAngle() const { return m_skewAngle + m_rightAngle + m_fineAngle; }

    // New images the caller deletes, or null: the display copy fitted into
    // the show box, and the corrected page at full size.
    QImage *getShowImage(vuro_color_format format) const;
    QImage *getSaveImage(vuro_color_format format) const;

    // Names this page among all pages of the process; never reused.
    std::uint64_t serial() const { return m_serial; }
    // Grows with every change of what the page's images show.
    std::uint64_t revision() const { return m_revision; }

    // Work file paths (for the page list's clean-up checks and the tests).
    QString originalFile() const { return m_base; }
    QString handleFile() const { return m_base + "handle"; }
    QString showFile() const { return m_base + "show"; }

    static QSize keepAspectRatio(int width, int height, int boxWidth, int boxHeight);
    // 4 for the 32-bit formats, 3 for RGB888, 0 otherwise.
    static int checkBytesPerPixel(const QImage *image);
    static void handleGray(QImage *image, GrayType type, double redWeight, double greenWeight, double blueWeight);
    static void handleMono(QImage *image, int gate);
    static void handleGamma(QImage *image, int gamma);
    static void handleContractAndBrightness(QImage *image, int contrast, int brightness);

private:
    void preHandle();
    void handleResetBGColor(QImage &image) const;
    void handleDeskew(const QImage &image);
    void handleElimBorder(QImage &image);
    void handleManualElimBorder(QImage &image) const;
    void handleMedianBlur(QImage &image) const;
    void logFileNames() const;
    QImage *finishedImage(const QString &file, const QSize *box, vuro_color_format format) const;

    const std::uint64_t m_serial;
    std::uint64_t m_revision = 0;
    QString m_folder;
    QString m_base;
    bool m_ownsFiles = false;  // the base name was created by this page
    int m_width = 0;
    int m_height = 0;
    int m_showWidth = 0;
    int m_showHeight = 0;
    int m_rightAngle = 0;
    int m_skewAngle = 0;
    int m_fineAngle = 0;
    int m_contrast = 0;
    int m_brightness = 0;
    int m_gamma = 10;
    bool m_deskew = false;
    bool m_autoBorder = false;
    bool m_manualBorder = false;
    bool m_medianBlur = false;
    bool m_resetBackground = false;
    bool m_ocrOut = false;
    int m_medianBlurSize = 3;
    QRgb m_backgroundColour = 0xFFFFFFFFu;
    QRect m_borderRect;
};

} // namespace vuro
