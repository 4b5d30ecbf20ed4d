#pragma once

#include <QWidget>

// The preview canvas on the scan-settings page. The application style sheet
// draws its frame.
class BgWidget : public QWidget {
    Q_OBJECT

public:
    explicit BgWidget(QWidget *parent = nullptr);

signals:
    void scanPreview();

public slots:
    // Back to the empty canvas.
    void initUIdata(int = 0);

protected:
    void paintEvent(QPaintEvent *event) override;
};
