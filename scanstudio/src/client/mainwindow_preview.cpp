// The preview scan: the whole flatbed at the lowest resolution, shown on
// the canvas with a crop rectangle of the custom paper size.

#include "mainwindow.h"

#include "bgwidget.h"
#include "paintingwidget.h"
#include "paper_units.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QMessageBox>

void MainWindow::scanPreview()
{
    if (ui->cbx_scanSource->currentIndex() != 0) {
        QMessageBox::warning(this, boxTitle, tr("Supports Scanpreview only in Flatbed mode"), QMessageBox::Ok);
        return;
    }
    qDebug() << "scanPreview";

    const auto unit = static_cast<vuro_paper_unit>(paperUnit);
    const int width = static_cast<int>(paper_units::readNumber(
        unit_convert(ui->spx_paperWidth->cleanText().toLatin1().constData(), unit, unit_mm)));
    const int height = static_cast<int>(paper_units::readNumber(
        unit_convert(ui->spx_paperHeight->cleanText().toLatin1().constData(), unit, unit_mm)));
    qDebug() << "i Changed:" << width;
    qDebug() << "i Changed:" << height;
    // A4 or B5 shown in the spin boxes is not the custom size.
    if (ui->cbx_as_paperType->currentIndex() == 2) {
        def_vuro_papers[2][0] = width;
        def_vuro_papers[2][1] = height;
    }
    bgWidget->setPaperFrame(static_cast<int>(width * 100 / (scaleX * 100) + 0.5) - 1,
                            static_cast<int>(height * 100 / (scaleY * 100) + 0.5) - 1, width, height);
    bgWidget->paintingWidget()->show();

    genSettingInfo();
    settingInfo.resolution = ui->cbx_resolution->itemData(0).toInt();
    settingInfo.feederEnabled = 0;
    settingInfo.xStart = 0;
    settingInfo.yStart = 0;
    settingInfo.xEnd = 216;
    settingInfo.yEnd = 297;
    previewScanning = true;
    scan();
}
