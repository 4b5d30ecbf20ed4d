#include "imgdetailwidget.h"

#include "imageview.h"
#include "previewwidget.h"
#include "ui_imgdetailwidget.h"

#include <QGridLayout>

ImgDetailWidget::ImgDetailWidget(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::ImgDetailWidget)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window);
    // Offered only when the window asks for it (below 1200 dpi).
    m_ui->roat90->hide();
    auto *list = new QGridLayout(m_ui->scrollAreaWidgetContents);
    list->setAlignment(Qt::AlignTop);
    list->setContentsMargins(0, 5, 0, 0);
}

ImgDetailWidget::~ImgDetailWidget()
{
    delete m_ui;
}

QGridLayout *ImgDetailWidget::getListLayout() const
{
    return static_cast<QGridLayout *>(m_ui->scrollAreaWidgetContents->layout());
}

ImageView *ImgDetailWidget::getImageView() const
{
    return m_ui->imageView;
}

void ImgDetailWidget::setBigImg(const QImage &image)
{
    m_ui->imageView->setImage(image);
}

void ImgDetailWidget::manageScrollstuff(PreviewWidget *tile)
{
    emit previewWidgetChanged(tile);
    m_currentIndex = tile->getIndex();
}

void ImgDetailWidget::changeBGImg(const QImage &image)
{
    m_ui->imageView->changeBGImg(image);
}

void ImgDetailWidget::setRoatState(bool shown)
{
    m_ui->roat90->setVisible(shown);
}

void ImgDetailWidget::on_scaleUp_clicked()
{
    m_ui->imageView->onZoomInImage();
}

void ImgDetailWidget::on_scalDown_clicked()
{
    m_ui->imageView->onZoomOutImage();
}

void ImgDetailWidget::on_roat90_clicked()
{
    emit roat90(m_currentIndex);
}
