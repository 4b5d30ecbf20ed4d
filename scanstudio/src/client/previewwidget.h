#pragma once

#include <QFrame>
#include <QImage>

class QLabel;

// One thumbnail tile of a page strip: the page's picture above its number.
// The tile of the selected page carries a red border.
class PreviewWidget : public QFrame {
    Q_OBJECT

public:
    explicit PreviewWidget(QWidget *parent = nullptr);

    // Shows the image as the tile's picture and index + 1 as its number.
    void addPicLabel(const QImage &image, int index);
    int getIndex() const { return m_index; }
    QLabel *imageLabel() const { return m_imageLabel; }
    QLabel *numberLabel() const { return m_numberLabel; }

    int brightness() const { return m_brightness; }
    int contract() const { return m_contract; }
    int jiupian() const { return m_jiupian; }

signals:
    void iGotClicked(PreviewWidget *tile);
    void iGotDClicked(int index);

public slots:
    // Borders the tile that is meant, unborders every other.
    void someoneGotClicked(PreviewWidget *tile);
    // A new picture for the tile of page `index`.
    void setImage(const QImage &image, int index);
    void sendSignal();
    void setBrightness(int value) { m_brightness = value; }
    void setContract(int value) { m_contract = value; }
    void setJiupian(int value) { m_jiupian = value; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void initUI();
    void showPicture(const QImage &image);

    QLabel *m_imageLabel = nullptr;
    QLabel *m_numberLabel = nullptr;
    int m_index = -1;
    int m_brightness = 0;
    int m_contract = 0;
    int m_jiupian = 0;
};
