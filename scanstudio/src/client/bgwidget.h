#pragma once

#include <QImage>
#include <QWidget>

class PaintingWidget;
class QLabel;

// The preview canvas on the scan-settings page: the preview image, or a
// placeholder before one is scanned, under the crop overlay; a caption and
// the crop size in millimetres below it. A double click on the placeholder
// asks for a preview scan.
class BgWidget : public QWidget {
    Q_OBJECT

public:
    explicit BgWidget(QWidget *parent = nullptr);

    // Makes the image the background; a null image is refused.
    void setBgImg(const QImage &image);
    // Millimetres per overlay pixel across and down.
    void setScale(double scaleX, double scaleY);
    // The crop rectangle (0,0)-(right,bottom) in overlay pixels for a paper
    // of widthMm x heightMm, which the size label shows until the next drag.
    void setPaperFrame(int right, int bottom, int widthMm, int heightMm);

    PaintingWidget *paintingWidget() const { return m_overlay; }
    QLabel *sizeLabel() const { return m_sizeLabel; }
    QLabel *captionLabel() const { return m_captionLabel; }
    bool showsPlaceholder() const { return m_placeholder; }
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }

signals:
    void scanPreview();

public slots:
    // Back to the placeholder with the overlay hidden and its rectangle reset.
    void initUIdata(int = 0);
    void changeSizeFlage(bool changing);
    // Sets the rectangle's size from its top-left corner; the handles stay.
    void setDrawzone(QSize size);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QImage m_background;
    PaintingWidget *m_overlay;
    QLabel *m_sizeLabel;
    QLabel *m_captionLabel;
    int m_cropWidth = 0;
    int m_cropHeight = 0;
    bool m_sizeChanging = false;
    // The flatbed's scales until the window sets them.
    double m_scaleX = 216.0 / 268.0;
    double m_scaleY = 297.0 / 371.0;
    bool m_placeholder = true;
};
