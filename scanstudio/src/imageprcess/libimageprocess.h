#pragma once

#include "vuro_enums.h"

#include <QList>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>

class QImage;

namespace vuro {

class ScanImage;

// ScanStudio's page list: the scanned pages in scan order, the selected page
// and the output settings of the coming save. It imports the raw page files
// of the scan session, forwards corrections to one page or to all, hands out
// view and save images, decides the colour streams of a save and hands pages
// to the outside text recogniser.
class Libimageprocess
{
public:
    // Writes every page as one colour stream to `path` (without extension).
    // `save` calls it once per stream; by default it is `saveImages`.
    using StreamWriter = std::function<bool(const QString &path, int quality, vuro_color_format format)>;

    // `installRoot` ends with "/": work files go to its "scan/tmp/", the
    // recogniser is its "bin/taliroocr".
    explicit Libimageprocess(const QString &installRoot = defaultInstallRoot());
    ~Libimageprocess();
    Libimageprocess(const Libimageprocess &) = delete;
    Libimageprocess &operator=(const Libimageprocess &) = delete;

    static QString defaultInstallRoot();

    // Resets every setting to its default; the pages stay.
    void initConfig();

    void setImageFormat(vuro_image_format format);
    void setMediumType(vuro_medium_type type);
    void setColorFormat(vuro_color_format format);
    void setPaperUnit(vuro_paper_unit unit);
    void setDPI(int dpi);
    void setPaperSize(int width, int height);
    void setQuality(int quality);
    void setMultiColorOutColor(bool on);
    void setMultiColorOutGray(bool on);
    void setMultiColorOutMono(bool on);
    void setDetectOrientation(bool on);
    void setOCROut(bool on);
    void setOCRLang(const QString &lang);

    vuro_image_format getImageFormat() const { return m_imageFormat; }
    vuro_medium_type getMediumType() const { return m_mediumType; }
    vuro_color_format getColorFormat() const { return m_colorFormat; }
    vuro_paper_unit getPaperUnit() const;
    int getPaperWidth() const { return m_paperWidth; }
    int getPaperHeight() const { return m_paperHeight; }
    int getDPI() const { return m_dpi; }
    int getQuality() const { return m_quality; }
    bool getMultiColorOutColor() const { return m_multiOutColor; }
    bool getMultiColorOutGray() const { return m_multiOutGray; }
    bool getMultiColorOutMono() const { return m_multiOutMono; }
    bool getDetectOrientation() const { return m_detectOrientation; }
    bool getOCROut() const { return m_ocrOut; }
    QString getOCRLang() const { return m_ocrLang; }
    int getGammeAll() const { return m_gammaAll; }
    bool getElimBorder() const { return m_elimBorder; }
    bool getResetBGColor() const { return m_resetBGColor; }
    bool getMedianBlur() const { return m_medianBlur; }
    int getMedianBlurSize() const { return m_medianBlurSize; }

    // Corrections for all pages (stored, then applied to each page); false
    // for an empty list.
    bool setElimBorder(bool on);
    bool setResetBGColor(bool on, QRgb colour);
    bool setMedianBlur(bool on, int size);
    void setGammaAll(int gamma);

    // Imports the raw RGB24 page file at `path` (width x height x 3 bytes, no
    // header) and deletes it.
    void appendRGBDataImage(const std::string &path, int width, int height);
    // Imports width x height RGB24 pixels, rows of width x 3 bytes.
    void appendRGBDataImage(const unsigned char *data, int width, int height);
    void appendImage(const QString &path);
    // Imports `image`, which is changed in place; the caller keeps it.
    void appendImage(QImage *image);

    int getImageCount() const;
    void clearList();
    void removeImage(int index);
    // 0 moved, 1 `from` invalid, 2 `to` invalid.
    int moveImage(int from, int to);
    int moveImageToNext(int index);
    int moveImageToPrev(int index);
    int setSelectedIndex(int index);
    int getSelectedIndex();
    int selectNextImage();
    int selectPrevImage();
    bool checkIndexValidate(int index) const;
    bool checkIndexInValidate(int index) const;

    // Corrections of one page; false (getters: a neutral value) for an
    // invalid index.
    bool setContract(int index, int contrast);
    bool setBrightness(int index, int brightness);
    bool setGamma(int index, int gamma);
    bool setFineAngle(int index, int angle);
    bool rote90Left(int index);
    bool rote90Right(int index);
    bool setDeskew(int index, bool on);
    bool setElimBorder(int index, bool on);
    bool setResetBGColor(int index, bool on, QRgb colour);
    bool setElimBorderRect(int index, const QRect &rect);
    bool setOCROut(int index, bool on);
    int getContract(int index) const;
    int getBrightness(int index) const;
    int getGamma(int index) const;
    int getRightAngle(int index) const;
    int getFineAngle(int index) const;
    bool getDeskew(int index) const;
    bool getElimBorder(int index) const;
    bool getResetBGColor(int index) const;
    bool getOCROut(int index) const;
    QRect getElimBorderRect(int index) const;
    QSize getImageSize(int index) const;
    // The page at `index` as a number that follows it through moves, and
    // the count of its changes; 0 for an invalid index. Callers that keep
    // images made from a page (thumbnails) reuse them while both are equal.
    std::uint64_t getPageSerial(int index) const;
    std::uint64_t getPageRevision(int index) const;

    // New images the caller deletes (endImage), or null. The forms without
    // index take the selected page.
    QImage *getShowImage(int index, int width, int height, vuro_color_format format);
    QImage *getShowImage(int width, int height, vuro_color_format format);
    QImage *getSaveImage(int index, vuro_color_format format);
    QImage *getSaveImage(vuro_color_format format);
    void endImage(QImage *image);

    // Writes the colour streams the settings ask for to `path` (without
    // extension); false when any stream fails or none may be written.
    bool save(const QString &path);
    // The image writer of the page list's format, for one stream.
    bool saveImages(const QString &path, int quality, vuro_color_format format);
    // The writers behind it. Each adds its extension when the path does not
    // end with it (any letter case) and writes every page's save image in
    // `format`; false when there is no page or any page fails, and then no
    // document file is left half written.
    bool saveImagesToJPG(const QString &path, int quality, vuro_color_format format);
    bool saveImagesToPNG(const QString &path, int quality, vuro_color_format format);
    bool saveImagesToBMP(const QString &path, int quality, vuro_color_format format);
    // One file per page: a single page (the selected one) as `path` (given
    // the page list's dpi when the extension is added), several as
    // `path`_<index> with the extension.
    bool saveImagesToSingleFile(const QString &path, const char *formatName, int quality, vuro_color_format format);
    bool saveImagesToTIF(const QString &path, int quality, vuro_color_format format);
    bool saveImagesToPDF(const QString &path, int quality, vuro_color_format format);
    bool saveImagesToOFD(const QString &path, int quality, vuro_color_format format);
    void setStreamWriter(StreamWriter writer);

    // The recogniser hand-off.
    bool getOCREnable(QString &version);
    bool ocr(int index, const QString &outPath, const QString &lang, bool append);
    bool saveImagesToTxt(const QString &path, int quality, const QString &lang);
    void correctOrientation(QImage *image);

    // Runs `program` with `arguments` as they are, without a shell; standard
    // output and standard error go to the files named (replaced), or stay
    // the caller's when empty. Returns the wait status as system() gives it,
    // -1 when the program cannot be run.
    static int systemsh(const QString &program, const QStringList &arguments,
                        const QString &outputFile = QString(), const QString &errorFile = QString());

    QString workFolder() const { return m_root + "scan/tmp/"; }

private:
    ScanImage *page(int index) const;
    // The "-v" probe; on success `version` holds the first line of its output.
    bool probeRecogniser(QString &version) const;
    // Recognises `imageFile` in `lang` into outBase + ".txt".
    int recognise(const QString &imageFile, const QString &outBase, const QString &lang, const QString &outFile,
                  const QString &errFile) const;
    QString recogniserProgram() const { return m_root + "bin/taliroocr"; }
    QString recogniserData() const { return m_root + "data/talirotessdata"; }

    QString m_root;
    StreamWriter m_streamWriter;
    QList<ScanImage *> m_pages;
    int m_selectedIndex = -1;
    vuro_image_format m_imageFormat = image_jpg;
    vuro_medium_type m_mediumType = medium_paper;
    vuro_color_format m_colorFormat = color_full;
    vuro_paper_unit m_paperUnit = unit_mm;
    int m_dpi = 200;
    int m_paperWidth = 210;
    int m_paperHeight = 297;
    int m_quality = 70;
    bool m_multiOutColor = false;
    bool m_multiOutGray = false;
    bool m_multiOutMono = false;
    bool m_elimBorder = false;
    bool m_resetBGColor = false;
    int m_gammaAll = 10;
    bool m_medianBlur = false;
    int m_medianBlurSize = 3;
    bool m_detectOrientation = false;
    bool m_ocrOut = false;
    QString m_ocrLang = "chi_sim";
};

} // namespace vuro
