#include "mylabel.h"

#include <QDebug>
#include <QMouseEvent>

MyLabel::MyLabel(QWidget *parent)
    : QLabel(parent)
{
    setMouseTracking(true);
}

void MyLabel::mouseMoveEvent(QMouseEvent *event)
{
    event->ignore();
}

void MyLabel::mousePressEvent(QMouseEvent *)
{
    qDebug() << "this btn has been pressed";
    emit pressed();
}

void MyLabel::mouseReleaseEvent(QMouseEvent *)
{
    qDebug() << "this btn has been Release";
    emit release();
}
