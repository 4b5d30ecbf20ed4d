#pragma once

#include <QProgressBar>

// The cover's progress bar: a rounded grey track with a blue run and the
// format text on top, where "%p" stands for the value itself.
class MyProgressBar : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

protected:
    void paintEvent(QPaintEvent *event) override;
};
