#include "vurocombboxitem.h"

#include "mylabel.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QMouseEvent>

VuroCombBoxItem::VuroCombBoxItem(QWidget *parent, int index, bool deletable)
    : QWidget(parent)
    , m_index(index)
    , m_glyph(new MyLabel(this))
{
    setMouseTracking(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 20, 0);
    layout->addStretch();
    m_glyph->setMinimumWidth(20);
    m_glyph->setMaximumSize(20, 20);
    m_glyph->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(m_glyph);
    // Deleting on release: the press alone deletes nothing.
    connect(m_glyph, &MyLabel::release, this, qOverload<>(&VuroCombBoxItem::deleteThis));
    if (!deletable)
        m_glyph->hide();
}

void VuroCombBoxItem::deleteThis()
{
    emit deleteThis(this);
}

void VuroCombBoxItem::itemBeenDelete(int removedRow)
{
    qDebug() << "my index is:" << m_index;
    if (removedRow < m_index)
        --m_index;
    qDebug() << "my index now is:" << m_index;
}

void VuroCombBoxItem::mouseMoveEvent(QMouseEvent *event)
{
    event->ignore();
}
