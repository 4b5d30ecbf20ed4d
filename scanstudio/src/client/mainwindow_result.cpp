// The result page after a scan: the strip of page thumbnails, the selected
// page's correction controls, page order and deletion, and the corrections
// for all pages.

#include "mainwindow.h"

#include "previewwidget.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QGridLayout>
#include <QMessageBox>
#include <QScrollBar>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;

}  // namespace

QImage *MainWindow::getShowImage(int index)
{
    const QImage thumbnail = thumbnails.thumbnail(imageprocess, index);
    return thumbnail.isNull() ? nullptr : new QImage(thumbnail);
}

void MainWindow::showScanResultSlot()
{
    qDebug() << "into showScanResultSlot";
    scanPageNo = 1;
    multiPageOutput = false;
    ui->widget_mainFrame->hide();
    ui->widget_imageProcess->show();

    QWidget *contents = ui->scrollAreaWidgetContents;
    // At once, layout included: a widget takes a new layout only when it has
    // none.
    const QObjectList old = contents->children();
    for (QObject *child : old)
        delete child;
    auto *layout = new QGridLayout(contents);
    layout->setAlignment(Qt::AlignTop);
    layout->setContentsMargins(0, 5, 0, 0);

    thumbnails.prune(imageprocess);
    const int count = imageprocess.getImageCount();
    PreviewWidget *selected = nullptr;
    for (int i = 0; i < count; ++i) {
        QImage *thumbnail = getShowImage(i);
        auto *tile = new PreviewWidget(contents);
        connect(tile, &PreviewWidget::iGotClicked, this, &MainWindow::manageScrollstuff);
        connect(tile, &PreviewWidget::iGotDClicked, this, &MainWindow::showImgDetailWidget);
        connect(this, &MainWindow::previewWidgetChanged, tile, &PreviewWidget::someoneGotClicked);
        connect(this, &MainWindow::previewImageChanged, tile, &PreviewWidget::setImage);
        tile->addPicLabel(thumbnail != nullptr ? *thumbnail : QImage(), i);
        layout->addWidget(tile, i, 0);
        // Now, not at the layout's later call: the strip's height counts it.
        tile->show();
        qDebug() << "previewArea widget rect" << tile->geometry();
        delete thumbnail;
        if (i == selectedPage || (selectedPage == -1 && i == count - 1))
            selected = tile;
    }
    // The strip's height, which the scroll position follows, now rather
    // than at the next layout pass.
    layout->activate();
    ui->previewArea->setWidgetResizable(true);
    if (selected != nullptr)
        manageScrollstuff(selected);
}

void MainWindow::manageScrollstuff(PreviewWidget *tile)
{
    const int index = tile->getIndex();
    if (index != selectedPage) {
        selectedPage = index;
        imageprocess.setSelectedIndex(index);
        loadingPageValues = true;
    }
    ui->jiupianCheckBox->setChecked(imageprocess.getDeskew(selectedPage));
    ui->jiupianSlider->setValue(imageprocess.getFineAngle(selectedPage));
    ui->constractSlider->setValue(imageprocess.getContract(selectedPage));
    ui->lightnessSlider->setValue(imageprocess.getBrightness(selectedPage));
    ui->sldr_gamma->setValue(imageprocess.getGamma(selectedPage));
    ui->ckb_ElimBorder->setChecked(imageprocess.getElimBorder(selectedPage));
    ui->changeBgColorCheck->setChecked(imageprocess.getResetBGColor(selectedPage));

    qDebug() << "current index is :" << selectedPage;
    qDebug() << "jiupianCheckBox value is :" << ui->jiupianCheckBox->isChecked();
    qDebug() << "jiupianSlider value is :" << ui->jiupianSlider->value();
    qDebug() << "current value is :" << ui->lightnessSlider->value() << ui->constractSlider->value()
             << ui->sldr_gamma->value();
    qDebug() << "brightness:" << tile->brightness() << ",constract:" << tile->contract()
             << ",jiupian:" << tile->jiupian();

    emit previewWidgetChanged(tile);

    const int count = imageprocess.getImageCount();
    if (count > 0) {
        const double share = static_cast<double>(index) / count;
        ui->previewArea->verticalScrollBar()->setValue(
            static_cast<int>(share * ui->scrollAreaWidgetContents->height()));
    }
    loadingPageValues = false;
}

bool MainWindow::takeLoadingGuard()
{
    if (!loadingPageValues)
        return false;
    loadingPageValues = false;
    return true;
}

void MainWindow::showSelectedThumbnail()
{
    QImage *thumbnail = getShowImage(selectedPage);
    if (thumbnail == nullptr)
        return;
    emit previewImageChanged(*thumbnail, selectedPage);
    delete thumbnail;
}

void MainWindow::on_turnLeftBtn_clicked()
{
    if (selectedPage == -1)
        return;
    imageprocess.rote90Left(selectedPage);
    ui->jiupianSlider->setValue(0);
    showSelectedThumbnail();
}

void MainWindow::on_turnRightBtn_clicked()
{
    if (selectedPage == -1)
        return;
    imageprocess.rote90Right(selectedPage);
    ui->jiupianSlider->setValue(0);
    showSelectedThumbnail();
}

void MainWindow::on_lightnessSlider_valueChanged(int value)
{
    if (takeLoadingGuard() || selectedPage == -1)
        return;
    imageprocess.setBrightness(selectedPage, value);
    showSelectedThumbnail();
}

void MainWindow::on_constractSlider_valueChanged(int value)
{
    if (takeLoadingGuard() || selectedPage == -1)
        return;
    imageprocess.setContract(selectedPage, value);
    showSelectedThumbnail();
}

void MainWindow::on_jiupianSlider_valueChanged(int value)
{
    if (takeLoadingGuard() || selectedPage == -1)
        return;
    imageprocess.setFineAngle(selectedPage, value);
    showSelectedThumbnail();
}

void MainWindow::on_jiupianCheckBox_stateChanged(int state)
{
    if (takeLoadingGuard() || selectedPage == -1)
        return;
    emit sigShowDealingDialog();
    imageprocess.setFineAngle(selectedPage, 0);
    ui->jiupianSlider->setValue(0);
    imageprocess.setDeskew(selectedPage, state != Qt::Unchecked);
    qDebug() << "setDeskew to " << selectedPage << ",set state " << state;
    emit sigHideDealingDialog();
    showSelectedThumbnail();
}

void MainWindow::on_changeBgColorCheck_stateChanged(int state)
{
    if (takeLoadingGuard() || selectedPage == -1)
        return;
    emit sigShowDealingDialog();
    imageprocess.setResetBGColor(selectedPage, state != Qt::Unchecked, kWhite);
    emit sigHideDealingDialog();
    showSelectedThumbnail();
}

void MainWindow::on_sldr_gamma_valueChanged(int value)
{
    // The spin box shows the slider's gamma even while a page's values are
    // being loaded (its own handler then takes the guard).
    ui->spx_gamma->setValue(value / 10.0);
    takeLoadingGuard();
}

void MainWindow::on_spx_gamma_valueChanged(double value)
{
    const int gamma = static_cast<int>(value * 10);
    ui->sldr_gamma->setValue(gamma);
    if (takeLoadingGuard() || selectedPage == -1)
        return;
    emit sigShowDealingDialog();
    imageprocess.setGamma(selectedPage, gamma);
    emit sigHideDealingDialog();
    showSelectedThumbnail();
}

void MainWindow::on_pb_changeBGAll_clicked(bool)
{
    if (imageprocess.getImageCount() == 0)
        return;
    emit sigShowDealingDialog();
    const bool whiten = !imageprocess.getResetBGColor();
    imageprocess.setResetBGColor(whiten, kWhite);
    qDebug() << "pb_changeBGAll is clicked:" << (whiten ? "true" : "false");
    emit sigHideDealingDialog();
    showScanResultSlot();
}

void MainWindow::on_pb_ElimBorder_clicked()
{
    if (selectedPage == -1 || takeLoadingGuard() || imageprocess.getImageCount() == 0)
        return;
    emit sigShowDealingDialog();
    imageprocess.setElimBorder(!imageprocess.getElimBorder());
    emit sigHideDealingDialog();
    showScanResultSlot();
}

void MainWindow::on_upperBtn_clicked()
{
    if (selectedPage <= 0)
        return;
    imageprocess.moveImage(selectedPage, selectedPage - 1);
    --selectedPage;
    showScanResultSlot();
}

void MainWindow::on_downBtn_clicked()
{
    if (selectedPage == -1)
        return;
    imageprocess.moveImage(selectedPage, selectedPage + 1);
    if (selectedPage < imageprocess.getImageCount() - 1)
        ++selectedPage;
    showScanResultSlot();
}

void MainWindow::on_delete_current_page_btn_clicked()
{
    if (selectedPage == -1) {
        QMessageBox::information(this, tr("tip"), tr("not_item_selected"), QMessageBox::Ok);
        return;
    }
    const auto answer = QMessageBox::warning(this, tr("tip"), tr("confirm_operation"),
                                             QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    imageprocess.removeImage(selectedPage);
    selectedPage = -1;
    showScanResultSlot();
}
