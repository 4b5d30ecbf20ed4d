#pragma once

#include <QDialog>
#include <QImage>

class ImageView;
class PreviewWidget;
class QGridLayout;

namespace Ui {
class ImgDetailWidget;
}

// The page detail viewer: one page at full size in an ImageView that zooms
// and pans, beside a strip of small thumbnails of every page. It can ask for
// the shown page to be turned.
class ImgDetailWidget : public QDialog {
    Q_OBJECT

public:
    explicit ImgDetailWidget(QWidget *parent = nullptr);
    ~ImgDetailWidget() override;

    // Where the caller puts the thumbnail tiles.
    QGridLayout *getListLayout() const;
    ImageView *getImageView() const;
    // The picture shown first, before the viewer is shown.
    void setBigImg(const QImage &image);
    int currentIndex() const { return m_currentIndex; }
    Ui::ImgDetailWidget *form() const { return m_ui; }

signals:
    void previewWidgetChanged(PreviewWidget *tile);
    void roat90(int index);

public slots:
    void manageScrollstuff(PreviewWidget *tile);
    void changeBGImg(const QImage &image);
    // True shows the rotate button, false hides it.
    void setRoatState(bool shown);

private slots:
    void on_scaleUp_clicked();
    void on_scalDown_clicked();
    void on_roat90_clicked();

private:
    int m_currentIndex = 0;
    Ui::ImgDetailWidget *m_ui;
};
