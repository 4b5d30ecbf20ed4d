#include "bgwidget.h"

#include "paintingwidget.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLabel>
#include <QPainter>
#include <QStyleOption>

namespace {

const char *const kPlaceholder = ":/new/resource/preview_bg.png";

}  // namespace

BgWidget::BgWidget(QWidget *parent)
    : QWidget(parent)
    , m_background(QString::fromLatin1(kPlaceholder))
    , m_overlay(new PaintingWidget(this))
    , m_sizeLabel(new QLabel(this))
    // The window's texts are all in its own translation context.
    , m_captionLabel(new QLabel(QCoreApplication::translate("MainWindow", "preview"), this))
{
    setMouseTracking(true);
    m_overlay->setGeometry(0, 0, 268, 371);
    m_overlay->hide();
    m_sizeLabel->setGeometry(172, 370, 88, 18);
    m_captionLabel->setGeometry(5, 370, 80, 18);
    connect(m_overlay, &PaintingWidget::sigChangeSizeFlag, this, &BgWidget::changeSizeFlage);
}

void BgWidget::setBgImg(const QImage &image)
{
    if (image.isNull()) {
        qDebug() << "img is null";
        return;
    }
    m_background = image;
    m_placeholder = false;
    update();
}

void BgWidget::setScale(double scaleX, double scaleY)
{
    m_scaleX = scaleX;
    m_scaleY = scaleY;
}

void BgWidget::setPaperFrame(int right, int bottom, int widthMm, int heightMm)
{
    m_overlay->setRectFromOrigin(right, bottom);
    m_cropWidth = widthMm;
    m_cropHeight = heightMm;
    m_sizeChanging = false;
    update();
}

void BgWidget::initUIdata(int)
{
    m_overlay->hide();
    m_overlay->resetRect();
    m_background.load(QString::fromLatin1(kPlaceholder));
    m_sizeLabel->clear();
    m_placeholder = true;
    update();
}

void BgWidget::changeSizeFlage(bool changing)
{
    m_sizeChanging = changing;
}

void BgWidget::setDrawzone(QSize size)
{
    QRect &frame = m_overlay->rectWithBorder.rect;
    frame.setRight(frame.left() + size.width() - 1);
    frame.setBottom(frame.top() + size.height() - 1);
}

void BgWidget::paintEvent(QPaintEvent *)
{
    // The label repaints the canvas under it whenever it changes, so it is
    // touched only when its text does change (setText ignores the same text).
    if (m_overlay->isHidden()) {
        if (!m_sizeLabel->text().isEmpty())
            m_sizeLabel->clear();
    } else {
        if (m_sizeChanging) {
            const QRect &frame = m_overlay->rectWithBorder.rect;
            m_cropWidth = static_cast<int>((frame.right() - frame.left() + 1) * m_scaleX + 0.5);
            m_cropHeight = static_cast<int>((frame.bottom() - frame.top() + 1) * m_scaleY + 0.5);
        }
        m_sizeLabel->setText(QStringLiteral("%1x%2").arg(m_cropWidth).arg(m_cropHeight));
    }

    QPainter painter(this);
    // The border of the application style sheet.
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    if (!m_background.isNull())
        painter.drawImage(QRect(0, 0, m_overlay->width(), m_overlay->height()), m_background);
    painter.drawRect(1, 1, 268, 387);
    painter.drawRect(1, 1, 268, 368);
}

void BgWidget::mouseDoubleClickEvent(QMouseEvent *)
{
    qDebug() << "mouseDoubleClickEvent";
    if (m_placeholder) {
        qDebug() << "bgimg is null scan preview";
        emit scanPreview();
    }
}
