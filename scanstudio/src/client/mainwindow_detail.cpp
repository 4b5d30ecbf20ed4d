// The page detail viewer and the border dialog, opened from the result page.

#include "mainwindow.h"

#include "addfunctiondialog.h"
#include "bgwidget.h"
#include "imgdetailwidget.h"
#include "paintingwidget.h"
#include "previewwidget.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QGridLayout>
#include <QLabel>

namespace {

constexpr int kViewerThumbWidth = 79;
constexpr int kViewerThumbHeight = 112;
// The resolution list's entry of 1200 dpi, at which no page is turned in
// the viewer.
constexpr int k1200DpiEntry = 6;

// A page's right angle as a clockwise turn of 0, 90, 180 or 270 degrees.
int clockwiseTurn(int rightAngle)
{
    return ((rightAngle % 360) + 360) % 360;
}

// The size of a page of `size` turned clockwise by `turn`.
QSize turnedSize(const QSize &size, int turn)
{
    return turn == 90 || turn == 270 ? size.transposed() : size;
}

// Where `rect` of a page of `size` lies once the page is turned clockwise by
// `turn`, as the page pipeline turns it.
QRect turnedRect(const QRect &rect, const QSize &size, int turn)
{
    switch (turn) {
    case 90:
        return QRect(size.height() - rect.top() - rect.height(), rect.left(), rect.height(), rect.width());
    case 180:
        return QRect(size.width() - rect.left() - rect.width(), size.height() - rect.top() - rect.height(),
                     rect.width(), rect.height());
    case 270:
        return QRect(rect.top(), size.width() - rect.left() - rect.width(), rect.height(), rect.width());
    default:
        return rect;
    }
}

}  // namespace

void MainWindow::on_pb_viewDetail_clicked()
{
    if (selectedPage != -1)
        showImgDetailWidget(selectedPage);
}

void MainWindow::showImgDetailWidget(int index)
{
    qDebug() << "into showImgDetailWidget";
    ImgDetailWidget viewer(this);
    connect(this, &MainWindow::hideRoateButton, &viewer, &ImgDetailWidget::setRoatState);
    if (ui->cbx_resolution->currentIndex() != k1200DpiEntry)
        emit hideRoateButton(true);
    connect(this, &MainWindow::changeBGImage, &viewer, &ImgDetailWidget::changeBGImg);
    connect(&viewer, &ImgDetailWidget::previewWidgetChanged, this, &MainWindow::changeImageView);
    connect(&viewer, &ImgDetailWidget::roat90, this, &MainWindow::roatBigPic);

    PreviewWidget *shown = nullptr;
    const int count = imageprocess.getImageCount();
    for (int i = 0; i < count; ++i) {
        QImage *thumbnail = imageprocess.getShowImage(i, kViewerThumbWidth, kViewerThumbHeight, color_full);
        auto *tile = new PreviewWidget(&viewer);
        tile->addPicLabel(thumbnail != nullptr ? *thumbnail : QImage(), i);
        imageprocess.endImage(thumbnail);
        connect(tile, &PreviewWidget::iGotClicked, &viewer, &ImgDetailWidget::manageScrollstuff);
        connect(&viewer, &ImgDetailWidget::previewWidgetChanged, tile, &PreviewWidget::someoneGotClicked);
        connect(this, &MainWindow::bigImageChanged, tile, &PreviewWidget::setImage);
        viewer.getListLayout()->addWidget(tile, i, 0);
        if (i == index)
            shown = tile;
    }
    if (shown != nullptr)
        shown->sendSignal();
    if (QImage *big = imageprocess.getSaveImage(index, color_full)) {
        viewer.setBigImg(*big);
        imageprocess.endImage(big);
    }
    viewer.exec();
}

void MainWindow::changeImageView(PreviewWidget *tile)
{
    if (QImage *big = imageprocess.getSaveImage(tile->getIndex(), color_full)) {
        emit changeBGImage(*big);
        imageprocess.endImage(big);
    }
}

void MainWindow::roatBigPic(int index)
{
    if (!imageprocess.rote90Left(index))
        return;
    if (QImage *thumbnail = getShowImage(index)) {
        emit previewImageChanged(*thumbnail, index);
        delete thumbnail;
    }
    if (QImage *small = imageprocess.getShowImage(index, kViewerThumbWidth, kViewerThumbHeight, color_full)) {
        emit bigImageChanged(*small, index);
        imageprocess.endImage(small);
    }
    if (QImage *big = imageprocess.getSaveImage(index, color_full)) {
        emit changeBGImage(*big);
        imageprocess.endImage(big);
    }
}

void MainWindow::on_ckb_ElimBorder_stateChanged(int state)
{
    qDebug() << "on_ckb_ElimBorder_stateChanged";
    if (takeLoadingGuard() || selectedPage == -1)
        return;
    emit sigShowDealingDialog();
    if (state != Qt::Checked) {
        qDebug() << "unchecked";
        imageprocess.setElimBorder(selectedPage, false);
        emit sigHideDealingDialog();
        showSelectedThumbnail();
        return;
    }
    if (imageprocess.getElimBorder(selectedPage)) {
        emit sigHideDealingDialog();
        return;
    }
    imageprocess.setElimBorder(selectedPage, false);

    // The border is kept on the unedited page and cut before the page is
    // turned; the dialog shows the page turned by its right angle.
    const QRect stored = imageprocess.getElimBorderRect(selectedPage);
    const QSize unedited = imageprocess.getImageSize(selectedPage);
    qDebug() << "ElimBorderRect" << stored;
    qDebug() << "ImageSize" << unedited;
    const int turn = clockwiseTurn(imageprocess.getRightAngle(selectedPage));
    const QRect border = turnedRect(stored, unedited, turn);
    const QSize size = turnedSize(unedited, turn);
    {
        AddFunctionDialog dialog(this);
        connect(&dialog, &AddFunctionDialog::addFunctionDialogSaved, this, &MainWindow::setElimBorderRect);
        connect(&dialog, &AddFunctionDialog::closeWithoutSave, this, &MainWindow::setElimBorderCheakstats);
        PaintingWidget *overlay = dialog.canvas()->paintingWidget();
        if (QImage *image = imageprocess.getShowImage(selectedPage, overlay->width(), overlay->height(), color_full)) {
            dialog.canvas()->setBgImg(*image);
            imageprocess.endImage(image);
        }
        dialog.canvas()->sizeLabel()->hide();
        // A page without a size has no border to choose: the dialog closes
        // as cancelled when its rates stay unusable.
        if (size.width() > 0 && size.height() > 0) {
            dialog.widthRate = 268.0 / size.width();
            dialog.heightRate = 371.0 / size.height();
        } else {
            dialog.widthRate = 0;
            dialog.heightRate = 0;
        }
        qDebug() << "widthRate:" << dialog.widthRate << "<heightRate:" << dialog.heightRate;
        if (border.width() != 0 && border.height() != 0) {
            const int left = static_cast<int>(border.left() * dialog.widthRate);
            const int top = static_cast<int>(border.top() * dialog.heightRate);
            RectWithBorder &crop = overlay->rectWithBorder;
            crop.rect = QRect(QPoint(left, top), QPoint(left + static_cast<int>(border.width() * dialog.widthRate) - 1,
                                                        top + static_cast<int>(border.height() * dialog.heightRate) - 1));
            crop.setCorner();
        }
        dialog.exec();
    }
    emit sigHideDealingDialog();
}

void MainWindow::setElimBorderRect(QRect rect)
{
    // From the page as the dialog showed it back to the unedited page.
    const int turn = clockwiseTurn(imageprocess.getRightAngle(selectedPage));
    const QSize shown = turnedSize(imageprocess.getImageSize(selectedPage), turn);
    imageprocess.setElimBorderRect(selectedPage, turnedRect(rect, shown, (360 - turn) % 360));
    showSelectedThumbnail();
}

void MainWindow::setElimBorderCheakstats(int state)
{
    ui->ckb_ElimBorder->setCheckState(static_cast<Qt::CheckState>(state));
}
