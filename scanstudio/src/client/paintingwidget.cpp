#include "paintingwidget.h"

#include <QDebug>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

// Below this width or height (x2 - x1) the frame snaps to 17 pixels.
constexpr int kMinimumSpan = 14;
constexpr int kSnappedSpan = 16;

}  // namespace

PaintingWidget::PaintingWidget(QWidget *parent)
    : QWidget(parent)
    , rectWithBorder(m_resetTopLeft, m_resetBottomRight)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
}

PaintingWidget::~PaintingWidget()
{
    qDebug() << "PaintingWidget deleted\n";
}

void PaintingWidget::resetRect()
{
    rectWithBorder = RectWithBorder(m_resetTopLeft, m_resetBottomRight);
}

void PaintingWidget::setRectFromOrigin(int right, int bottom)
{
    rectWithBorder.rect = QRect(QPoint(0, 0), QPoint(std::clamp(right, 0, width() - 1),
                                                      std::clamp(bottom, 0, height() - 1)));
    rectWithBorder.setCorner();
}

void PaintingWidget::mousePressEvent(QMouseEvent *event)
{
    const QPoint point = event->pos();
    if (rectWithBorder.rect.contains(point) && cursor().shape() == Qt::ArrowCursor) {
        m_moving = true;
        emit sigChangeSizeFlag(true);
        m_dx = rectWithBorder.rect.left() - point.x();
        m_dy = rectWithBorder.rect.top() - point.y();
        return;
    }
    for (const QRect &handle : rectWithBorder.handles) {
        if (handle.contains(point)) {
            m_resizing = true;
            emit sigChangeSizeFlag(true);
            return;
        }
    }
}

void PaintingWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_moving && !m_resizing)
        hover(event->pos());
    else if (m_resizing)
        resizeTo(event->pos());
    else
        moveTo(event->pos());
}

void PaintingWidget::hover(const QPoint &point)
{
    struct HandleRule {
        Qt::CursorShape cursor;
        bool *flag;
        bool value;
    };
    // In the handles' order: corners, then top, bottom, left and right.
    const HandleRule rules[RectWithBorder::HandleCount] = {
        {Qt::SizeFDiagCursor, &m_firstSide, true}, {Qt::SizeBDiagCursor, &m_firstSide, false},
        {Qt::SizeBDiagCursor, &m_firstSide, true}, {Qt::SizeFDiagCursor, &m_firstSide, false},
        {Qt::SizeVerCursor, &m_top, true},         {Qt::SizeVerCursor, &m_top, false},
        {Qt::SizeHorCursor, &m_firstSide, true},   {Qt::SizeHorCursor, &m_firstSide, false},
    };
    for (int i = 0; i < RectWithBorder::HandleCount; ++i) {
        if (rectWithBorder.handles[i].contains(point)) {
            setCursor(rules[i].cursor);
            *rules[i].flag = rules[i].value;
            return;
        }
    }
    setCursor(Qt::ArrowCursor);
}

void PaintingWidget::resizeTo(const QPoint &point)
{
    if (!rect().contains(point))
        return;
    switch (cursor().shape()) {
    case Qt::SizeFDiagCursor:
        m_firstSide ? rectWithBorder.setTopLeft(point) : rectWithBorder.setBottomRight(point);
        break;
    case Qt::SizeBDiagCursor:
        m_firstSide ? rectWithBorder.setBottomLeft(point) : rectWithBorder.setTopRight(point);
        break;
    case Qt::SizeVerCursor:
        m_top ? rectWithBorder.setTop(point.y()) : rectWithBorder.setBottom(point.y());
        break;
    case Qt::SizeHorCursor:
        m_firstSide ? rectWithBorder.setLeft(point.x()) : rectWithBorder.setRight(point.x());
        break;
    default:
        break;
    }
    update();
}

void PaintingWidget::moveTo(const QPoint &point)
{
    const int maxX = width() - 1;
    const int maxY = height() - 1;
    QRect &frame = rectWithBorder.rect;
    const int w = frame.right() - frame.left() + 1;
    const int h = frame.bottom() - frame.top() + 1;
    if (w + h >= maxX + maxY + 2) {
        // At least as large as the overlay: shrink instead of moving.
        frame.setRight(frame.left() + maxX);
        frame.setBottom(frame.top() + maxY);
        return;
    }
    int nx = std::max(0, point.x() + m_dx);
    int ny = std::max(0, point.y() + m_dy);
    if (w + nx > maxX)
        nx = maxX - w;
    if (h + ny > maxY)
        ny = maxY - h;
    rectWithBorder.moveTo(nx, ny);
    update();
}

void PaintingWidget::mouseReleaseEvent(QMouseEvent *)
{
    m_moving = false;
    m_resizing = false;
    m_dx = 0;
    m_dy = 0;
}

bool PaintingWidget::restoreMinimumSize()
{
    QRect &frame = rectWithBorder.rect;
    if (frame.right() - frame.left() <= kMinimumSpan) {
        frame.setRight(frame.left() + kSnappedSpan);
        // Near the right edge the snapped frame is kept inside the overlay.
        if (frame.right() > width() - 1)
            frame.moveRight(width() - 1);
    } else if (frame.bottom() - frame.top() <= kMinimumSpan) {
        frame.setBottom(frame.top() + kSnappedSpan);
        if (frame.bottom() > height() - 1)
            frame.moveBottom(height() - 1);
    } else {
        return false;
    }
    rectWithBorder.setCorner();
    m_moving = false;
    m_resizing = false;
    return true;
}

void PaintingWidget::paintEvent(QPaintEvent *)
{
    if (restoreMinimumSize()) {
        update();
        return;
    }
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 2, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin));
    painter.drawRect(rectWithBorder.rect);
    painter.setPen(QPen(Qt::gray, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(QBrush(Qt::gray, Qt::SolidPattern));
    for (const QRect &handle : rectWithBorder.handles)
        painter.drawRect(handle);
}
