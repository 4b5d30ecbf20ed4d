#pragma once

#include <QPoint>
#include <QRect>

// The crop rectangle of the preview canvas with its eight drag handles.
// Edges are inclusive; no setter normalises the rectangle, so an edge may
// pass the opposite one. Every change re-places the handles.
class RectWithBorder {
public:
    enum Handle { TopLeft, TopRight, BottomLeft, BottomRight, Top, Bottom, Left, Right, HandleCount };

    RectWithBorder();
    RectWithBorder(const QPoint &topLeft, const QPoint &bottomRight);

    void setTopLeft(const QPoint &point);
    void setTopRight(const QPoint &point);
    void setBottomLeft(const QPoint &point);
    void setBottomRight(const QPoint &point);
    void setTop(int y);
    void setBottom(int y);
    void setLeft(int x);
    void setRight(int x);
    // Moves the rectangle so that its top-left corner is (x, y).
    void moveTo(int x, int y);
    // Puts the handles back on the rectangle's corners and edges.
    void setCorner();

    QRect rect;
    int handleWidth = 7;
    int handleHeight = 7;
    QRect handles[HandleCount];
};
