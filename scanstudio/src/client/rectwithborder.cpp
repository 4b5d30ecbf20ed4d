#include "rectwithborder.h"

// A null frame (0,0)-(-1,-1) with null handles.
RectWithBorder::RectWithBorder() = default;

RectWithBorder::RectWithBorder(const QPoint &topLeft, const QPoint &bottomRight)
    : rect(topLeft, bottomRight)
{
    setCorner();
}

void RectWithBorder::setTopLeft(const QPoint &point)
{
    rect.setTopLeft(point);
    setCorner();
}

void RectWithBorder::setTopRight(const QPoint &point)
{
    rect.setTopRight(point);
    setCorner();
}

void RectWithBorder::setBottomLeft(const QPoint &point)
{
    rect.setBottomLeft(point);
    setCorner();
}

void RectWithBorder::setBottomRight(const QPoint &point)
{
    rect.setBottomRight(point);
    setCorner();
}

void RectWithBorder::setTop(int y)
{
    rect.setTop(y);
    setCorner();
}

void RectWithBorder::setBottom(int y)
{
    rect.setBottom(y);
    setCorner();
}

void RectWithBorder::setLeft(int x)
{
    rect.setLeft(x);
    setCorner();
}

void RectWithBorder::setRight(int x)
{
    rect.setRight(x);
    setCorner();
}

void RectWithBorder::moveTo(int x, int y)
{
    rect.moveTo(x, y);
    setCorner();
}

void RectWithBorder::setCorner()
{
    const int x1 = rect.left();
    const int y1 = rect.top();
    const int x2 = rect.right();
    const int y2 = rect.bottom();
    const int mx = (x1 + x2) / 2;
    const int my = (y1 + y2) / 2;
    // Corner handles are centred on their corners; edge handles are centred
    // across their edge and start at its midpoint along it.
    const QPoint corners[HandleCount] = {
        {x1 - 3, y1 - 3}, {x2 - 3, y1 - 3}, {x1 - 3, y2 - 3}, {x2 - 3, y2 - 3},
        {mx, y1 - 3},     {mx, y2 - 3},     {x1 - 3, my},     {x2 - 3, my},
    };
    for (int i = 0; i < HandleCount; ++i)
        handles[i] = QRect(corners[i], QSize(handleWidth, handleHeight));
}
