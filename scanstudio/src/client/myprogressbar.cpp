#include "myprogressbar.h"

#include <QPainter>

#include <algorithm>

void MyProgressBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int w = width();
    const int h = height();

    // In double, so a wide range cannot overflow; a value below the range
    // (a reset bar) draws no run.
    const double span = double(maximum()) - double(minimum());
    const double share = span > 0 ? (double(value()) - double(minimum())) / span : 0.0;
    const int fillWidth = std::clamp(static_cast<int>(share * w), 0, w);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(207, 207, 205));
    painter.drawRoundedRect(QRectF(0, 0, w, h), 10, 10, Qt::AbsoluteSize);
    painter.setBrush(QColor(78, 177, 255));
    painter.drawRoundedRect(QRectF(0, 0, fillWidth, h), 10, 10, Qt::AbsoluteSize);

    QString text = format();
    text.replace(QLatin1String("%p"), QString::number(value()));
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, w, h), Qt::AlignCenter, text);
}
