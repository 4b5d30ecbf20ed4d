#include "bgwidget.h"

#include <QPainter>
#include <QStyleOption>

BgWidget::BgWidget(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
}

void BgWidget::initUIdata(int)
{
    update();
}

void BgWidget::paintEvent(QPaintEvent *)
{
    // A plain QWidget subclass draws its style sheet only when asked.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
