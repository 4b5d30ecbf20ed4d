#include "previewwidget.h"

#include <QDebug>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

PreviewWidget::PreviewWidget(QWidget *parent)
    : QFrame(parent)
{
    initUI();
}

void PreviewWidget::initUI()
{
    setMouseTracking(true);
    auto *layout = new QVBoxLayout(this);
    layout->setAlignment(Qt::AlignCenter);
    m_imageLabel = new QLabel(this);
    m_numberLabel = new QLabel(this);
    m_numberLabel->setStyleSheet(QStringLiteral("border:none"));
    layout->addWidget(m_imageLabel);
    // The tile is at least 50 pixels wide.
    layout->addStrut(50);
    layout->addWidget(m_numberLabel);
}

void PreviewWidget::showPicture(const QImage &image)
{
    const QPixmap pixmap = QPixmap::fromImage(image);
    m_imageLabel->setPixmap(pixmap);
    m_imageLabel->setMinimumSize(pixmap.size());
    m_imageLabel->setMaximumSize(pixmap.size());
}

void PreviewWidget::addPicLabel(const QImage &image, int index)
{
    showPicture(image);
    m_numberLabel->setText(QString::number(index + 1));
    m_numberLabel->setAlignment(Qt::AlignCenter);
    m_index = index;
}

void PreviewWidget::setImage(const QImage &image, int index)
{
    if (index == m_index)
        showPicture(image);
}

void PreviewWidget::someoneGotClicked(PreviewWidget *tile)
{
    if (tile == this) {
        m_imageLabel->setStyleSheet(QStringLiteral("border:1px solid red;"));
        qDebug() << "current index is:" << m_index << size() << m_imageLabel->size();
    } else {
        m_imageLabel->setStyleSheet(QStringLiteral("border:none;"));
    }
}

void PreviewWidget::sendSignal()
{
    emit iGotClicked(this);
}

void PreviewWidget::mousePressEvent(QMouseEvent *)
{
    emit iGotClicked(this);
}

void PreviewWidget::mouseDoubleClickEvent(QMouseEvent *)
{
    emit iGotDClicked(m_index);
}
