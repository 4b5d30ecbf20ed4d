#pragma once

#include <QLabel>

// The delete glyph of a preset row; its picture comes from the style sheet.
// Mouse moves pass on to the list below, so the row keeps its hover look.
class MyLabel : public QLabel {
    Q_OBJECT

public:
    explicit MyLabel(QWidget *parent = nullptr);

signals:
    void clicked();
    void pressed();
    void release();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
