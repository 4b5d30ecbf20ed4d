#pragma once

#include <QImage>
#include <QWidget>

// A picture fitted into the widget, zoomed by buttons or the mouse wheel in
// steps of 0.2 (0.2 to 20) and panned by dragging.
class ImageView : public QWidget {
    Q_OBJECT

public:
    explicit ImageView(QWidget *parent = nullptr);

    // Replaces the picture, keeping zoom and pan, without a repaint request.
    void setImage(const QImage &image) { m_image = image; }
    const QImage &image() const { return m_image; }
    double zoom() const { return m_zoom; }
    int offsetX() const { return m_offsetX; }
    int offsetY() const { return m_offsetY; }

    // Where the whole picture is drawn, in widget pixels, at zoom 1 and no
    // pan: fitted to the width first, then held to the height.
    static QRect fittedRect(const QSize &widget, const QSize &picture);

public slots:
    void onLoadImage(bool = false);
    void onZoomInImage(bool = false);
    void onZoomOutImage(bool = false);
    void onPresetImage(bool = false);
    // A new picture, shown at zoom 1 without pan.
    void changeBGImg(const QImage &image);

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QImage m_image;
    double m_zoom = 1.0;
    int m_offsetX = 0;
    int m_offsetY = 0;
    int m_lastX = 0;
    int m_lastY = 0;
    bool m_dragging = false;
};
