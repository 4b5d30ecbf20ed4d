#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>
#include <QVector>

namespace ImageHelper {

// A page image under analysis: either attached to a caller's image (never
// deleted here) or an owned copy that keeps the source's resolution.
class CUIImage
{
public:
    CUIImage() = default;
    explicit CUIImage(QImage *attached);
    virtual ~CUIImage();
    CUIImage(const CUIImage &) = delete;
    CUIImage &operator=(const CUIImage &) = delete;

    // Replaces the wrapped image with an owned 32-bit copy of `source`.
    void CopyFrom(const QImage &source);
    void Destory();
    QImage *image() const { return m_image; }

    unsigned char OTSU_threshold(unsigned char &mean) const;
    // Otsu within `rect` (inclusive edges, clipped to the image); a null
    // pointer means the whole image. When `darkMean` is given, it receives
    // the mean gray of the pixels below the threshold (0 when there are none).
    unsigned char OTSU_threshold_ex(unsigned char &mean, const QRect *rect,
                                    unsigned char *darkMean = nullptr) const;
    QImage To8bppGrayImage() const;
    // Pixels with gray below `threshold` become black, the others white;
    // alpha is kept.
    void Gray2Value(unsigned char threshold);
    // Binarises the image around its Otsu threshold and paints the
    // background side in `colour`.
    void ResetBackcolor(QRgb colour);
    // The content rectangle of the wrapped image; the image is changed
    // (white frame, optional background reset).
    QRect DetectMaxRect(bool resetBackground);
    // Content rectangles found on the block grid; empty when no block holds
    // content.
    QVector<QRect> DetectRects() const;

private:
    // Writing operations turn an attached image of another depth into ARGB32.
    void ensure32Bit();

    QImage *m_image = nullptr;
    bool m_owned = false;
};

// True for the 32-bit formats laid out blue, green, red, alpha in memory.
bool is32Bit(const QImage &image);

// Paints the pixels with x < n, y < n, x > width - n or y > height - n.
void paintFrame(QImage &image, int n, QRgb colour);

// Frame width in pixels for `millimetres` at the image's resolution, at least 1.
int frameWidth(const QImage &image, int millimetres);

} // namespace ImageHelper
