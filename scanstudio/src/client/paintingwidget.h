#pragma once

#include "rectwithborder.h"

#include <QPoint>
#include <QWidget>

// The transparent overlay of the preview canvas: the crop rectangle, moved
// by dragging inside it and resized by dragging one of its handles.
class PaintingWidget : public QWidget {
    Q_OBJECT

public:
    explicit PaintingWidget(QWidget *parent = nullptr);
    ~PaintingWidget() override;

    // Back to the rectangle (15,15)-(255,335).
    void resetRect();
    // The rectangle (0,0)-(right,bottom), kept inside the overlay.
    void setRectFromOrigin(int right, int bottom);

private:
    const QPoint m_resetTopLeft{15, 15};
    const QPoint m_resetBottomRight{255, 335};

public:
    RectWithBorder rectWithBorder;

signals:
    // Emitted with true when a drag begins.
    void sigChangeSizeFlag(bool changing);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void hover(const QPoint &point);
    void resizeTo(const QPoint &point);
    void moveTo(const QPoint &point);
    // The frame's minimum size; true when it had to be restored.
    bool restoreMinimumSize();

    bool m_moving = false;
    bool m_resizing = false;
    bool m_firstSide = false;  // left side (or a left corner) is being dragged
    bool m_top = false;        // the top edge is being dragged
    int m_dx = 0;
    int m_dy = 0;
};
