#include "imageview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr double kZoomStep = 0.2;
constexpr double kZoomMin = 0.2;
constexpr double kZoomMax = 20.0;

}  // namespace

ImageView::ImageView(QWidget *parent)
    : QWidget(parent)
{
}

QRect ImageView::fittedRect(const QSize &widget, const QSize &picture)
{
    // An empty picture or widget draws nothing.
    if (picture.width() <= 0 || picture.height() <= 0 || widget.width() <= 0 || widget.height() <= 0)
        return QRect();
    const double ratio = static_cast<double>(picture.width()) / picture.height();
    const int a = std::min(picture.width(), widget.width());
    int h = static_cast<int>(a / ratio);
    h = std::min(h, widget.height());
    const int w = static_cast<int>(h * ratio);
    return QRect(-(w / 2), -(h / 2), w, h);
}

void ImageView::paintEvent(QPaintEvent *event)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    if (m_image.isNull()) {
        QWidget::paintEvent(event);
        return;
    }
    const QRect target = fittedRect(size(), m_image.size());
    if (target.isEmpty())
        return;
    painter.translate(width() / 2 + m_offsetX, height() / 2 + m_offsetY);
    painter.scale(m_zoom, m_zoom);
    painter.drawImage(target, m_image, QRect(0, 0, m_image.width(), m_image.height()));
}

void ImageView::wheelEvent(QWheelEvent *event)
{
    if (event->angleDelta().y() > 0)
        onZoomInImage();
    else
        onZoomOutImage();
    update();
}

void ImageView::mousePressEvent(QMouseEvent *event)
{
    m_dragging = true;
    m_lastX = event->pos().x();
    m_lastY = event->pos().y();
}

void ImageView::mouseReleaseEvent(QMouseEvent *)
{
    m_dragging = false;
    setCursor(Qt::ArrowCursor);
}

void ImageView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    setCursor(Qt::SizeAllCursor);
    m_offsetX += event->pos().x() - m_lastX;
    m_offsetY += event->pos().y() - m_lastY;
    m_lastX = event->pos().x();
    m_lastY = event->pos().y();
    update();
}

void ImageView::contextMenuEvent(QContextMenuEvent *)
{
}

void ImageView::onLoadImage(bool)
{
}

void ImageView::onZoomInImage(bool)
{
    if (m_zoom >= kZoomMax)
        return;
    m_zoom += kZoomStep;
    update();
}

void ImageView::onZoomOutImage(bool)
{
    m_zoom -= kZoomStep;
    if (m_zoom <= kZoomMin) {
        m_zoom = kZoomMin;
        return;
    }
    update();
}

void ImageView::onPresetImage(bool)
{
    m_zoom = 1.0;
    m_offsetX = 0;
    m_offsetY = 0;
    update();
}

void ImageView::changeBGImg(const QImage &image)
{
    m_image = image;
    m_zoom = 1.0;
    m_offsetX = 0;
    m_offsetY = 0;
    update();
}
