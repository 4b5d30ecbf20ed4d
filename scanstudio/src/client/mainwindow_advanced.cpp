// The advanced settings page: paper size and unit, noise reduction, turning
// pages upright, file naming rule and output folder, kept in the profile's
// global settings. Paper sizes are stored in millimetres whatever the unit.

#include "mainwindow.h"

#include "bgwidget.h"
#include "paintingwidget.h"
#include "paper_units.h"
#include "ui_mainwindow.h"

#include "utils.h"

#include <QDebug>

#include <cmath>

namespace {

// The whole-number part of a decimal text in millimetres.
int wholePart(const std::string &text)
{
    return static_cast<int>(std::trunc(paper_units::readNumber(text)));
}

std::string textOf(const QDoubleSpinBox *box)
{
    return box->cleanText().toStdString();
}

// The number in the C locale, with up to 6 significant digits.
std::string shortText(double value)
{
    return QString::number(value, 'g', 6).toStdString();
}

}  // namespace

void MainWindow::showPaperLength(QDoubleSpinBox *box, const std::string &millimetres, int unit)
{
    const std::string shown = unit_convert(millimetres.c_str(), unit_mm, static_cast<vuro_paper_unit>(unit));
    box->setValue(paper_units::readNumber(shown));
}

void MainWindow::on_pb_advancedSettings_clicked()
{
    ui->gpx_bgFade->hide();
    on_cbx_resolution_currentIndexChanged(ui->cbx_resolution->currentIndex());
    if (!bgWidget->paintingWidget()->isHidden())
        setParperSize();
    // The maximum is in millimetres in every unit.
    ui->spx_paperHeight->setRange(0, ui->cbx_scanSource->currentIndex() <= 0 ? 297 : 356);
}

void MainWindow::initAdvancePage()
{
    const vuro::config &config = scanProfile.config;
    fill_combox(ui->cbx_as_paperType, paperSizes);
    fill_combox(ui->cbx_paperUnit, paperUnits);
    def_vuro_papers[2][0] = wholePart(config.paper_width);
    def_vuro_papers[2][1] = wholePart(config.paper_height);
    // A type or unit the lists do not hold (a damaged profile) shows the first.
    const int paperType = config.paper_type >= 0 && config.paper_type <= 2 ? config.paper_type : 0;
    const int unit = config.paper_unit >= unit_mm && config.paper_unit <= unit_inch ? config.paper_unit : unit_mm;
    ui->cbx_as_paperType->setCurrentIndex(paperType);
    ui->cbx_paperUnit->setCurrentIndex(unit);
    // The stored size is the custom one; A4 and B5 show their own.
    const bool custom = paperType == 2;
    showPaperLength(ui->spx_paperWidth, custom ? config.paper_width : std::to_string(def_vuro_papers[paperType][0]),
                    unit);
    showPaperLength(ui->spx_paperHeight,
                    custom ? config.paper_height : std::to_string(def_vuro_papers[paperType][1]), unit);
    ui->ckb_useMedianBlur->setChecked(config.use_erase_background);
    ui->ckb_useAutoRote->setChecked(config.use_detectOrientation);
    ui->sdr_bgFade->setValue(config.erase_background_value);
    ui->spx_bgFade->setValue(config.erase_background_value);
    ui->txt_saveFlieName->setText(toLocalQString(config.file_rule));
    ui->txt_saveFilePath->setText(toLocalQString(config.save_directory));
    paperUnit = unit;
}

void MainWindow::on_btn_asCancel_clicked()
{
    initAdvancePage();
}

void MainWindow::on_btn_asConfirm_clicked()
{
    saveAdvanceSetting();
    ui->wgt_advancedSettings->hide();
    ui->widget_mainFrame->show();
}

void MainWindow::on_btn_asDefault_clicked()
{
    ui->txt_saveFlieName->setText(defaultFileRule);
    ui->txt_saveFilePath->setText(toLocalQString(get_default_vuro_scan_doucments_directory()));
    ui->cbx_as_paperType->setCurrentIndex(0);
    ui->cbx_paperUnit->setCurrentIndex(unit_mm);
    ui->ckb_useMedianBlur->setChecked(false);
    ui->ckb_useAutoRote->setChecked(false);
    ui->spx_bgFade->setValue(1);
    saveAdvanceSetting();
}

void MainWindow::saveAdvanceSetting()
{
    vuro::config &config = scanProfile.config;
    const int unit = ui->cbx_paperUnit->currentIndex();
    const int paperType = ui->cbx_as_paperType->currentIndex();
    if (unit >= unit_mm && unit <= unit_inch)
        config.paper_unit = static_cast<vuro_paper_unit>(unit);
    if (paperType >= 0 && paperType <= 2)
        config.paper_type = paperType;
    // A4 or B5 shown in the spin boxes leaves the custom size alone.
    if (paperType == 2) {
        const auto shownUnit = static_cast<vuro_paper_unit>(unit);
        config.paper_width = unit_convert(textOf(ui->spx_paperWidth).c_str(), shownUnit, unit_mm);
        config.paper_height = unit_convert(textOf(ui->spx_paperHeight).c_str(), shownUnit, unit_mm);
    }
    config.use_erase_background = ui->ckb_useMedianBlur->isChecked();
    config.use_detectOrientation = ui->ckb_useAutoRote->isChecked();
    config.erase_background_value = ui->sdr_bgFade->value();
    config.file_rule = toLocalstdString(ui->txt_saveFlieName->text());
    config.save_directory = toLocalstdString(ui->txt_saveFilePath->text());

    if (paperType == 2) {
        const int width = wholePart(config.paper_width);
        const int height = wholePart(config.paper_height);
        qDebug() << "i Changed:" << width;
        qDebug() << "i Changed:" << height;
        def_vuro_papers[2][0] = width;
        def_vuro_papers[2][1] = height;
        bgWidget->setPaperFrame(static_cast<int>(std::trunc(width * 1000 / (scaleX * 1000) + 0.5)) - 1,
                                static_cast<int>(std::trunc(height * 1000 / (1000 * scaleY) + 0.5)) - 1, width,
                                height);
    }
}

void MainWindow::on_cbx_as_paperType_currentIndexChanged(int index)
{
    if (index < 0 || index > 2) {
        ui->spx_paperWidth->setEnabled(false);
        ui->spx_paperHeight->setEnabled(false);
        return;
    }
    showPaperLength(ui->spx_paperWidth, std::to_string(def_vuro_papers[index][0]), paperUnit);
    showPaperLength(ui->spx_paperHeight, std::to_string(def_vuro_papers[index][1]), paperUnit);
    ui->spx_paperWidth->setEnabled(index == 2);
    ui->spx_paperHeight->setEnabled(index == 2);
}

void MainWindow::on_cbx_paperUnit_currentIndexChanged(int index)
{
    qDebug() << "FUNCTION:[MainWindow::on_cbx_paperUnit_currentIndexChanged].index=" << index
             << "paperHeight:" << ui->spx_paperHeight->cleanText() << "paperWidth:" << ui->spx_paperWidth->cleanText();
    if (index == -1 || index == paperUnit)
        return;
    const auto to = static_cast<vuro_paper_unit>(index);
    std::string width;
    std::string height;
    switch (ui->cbx_as_paperType->currentIndex()) {
    case 0:
        width = unit_convert("210.00", unit_mm, to);
        height = unit_convert("297.00", unit_mm, to);
        break;
    case 1:
        width = unit_convert("176.00", unit_mm, to);
        height = unit_convert("250.00", unit_mm, to);
        break;
    case 2: {
        const auto from = static_cast<vuro_paper_unit>(paperUnit);
        width = unit_convert(textOf(ui->spx_paperWidth).c_str(), from, to);
        height = unit_convert(textOf(ui->spx_paperHeight).c_str(), from, to);
        break;
    }
    default:
        break;
    }
    if (!width.empty()) {
        ui->spx_paperWidth->setValue(paper_units::readNumber(width));
        ui->spx_paperHeight->setValue(paper_units::readNumber(height));
    }
    paperUnit = index;
}

void MainWindow::limitPaperLength(QDoubleSpinBox *box, double value)
{
    const int millimetres = paper_units::toWholeMillimetres(value, ui->cbx_paperUnit->currentIndex());
    qDebug() << "d:" << millimetres << "maximum:" << box->maximum();
    if (millimetres > box->maximum())
        showPaperLength(box, shortText(box->maximum()), ui->cbx_paperUnit->currentIndex());
}

void MainWindow::on_spx_paperWidth_valueChanged(double value)
{
    qDebug() << "FUNCTION:[MainWindow::on_spx_paperWidth_valueChanged].width=" << shortText(value).c_str()
             << " ui->cbx_paperUnit->currentIndex=" << ui->cbx_paperUnit->currentIndex();
    limitPaperLength(ui->spx_paperWidth, value);
}

void MainWindow::on_spx_paperHeight_valueChanged(double value)
{
    qDebug() << "FUNCTION:[MainWindow::on_spx_paperHeight_valueChanged].height=" << shortText(value).c_str();
    limitPaperLength(ui->spx_paperHeight, value);
}

void MainWindow::setParperSize()
{
    if (ui->cbx_as_paperType->currentIndex() != 2)
        return;
    const QRect &crop = bgWidget->paintingWidget()->rectWithBorder.rect;
    const int width = static_cast<int>(std::lround((crop.right() - crop.left() + 1) * scaleX));
    const int height = static_cast<int>(std::lround((crop.bottom() - crop.top() + 1) * scaleY));
    qDebug() << "setParperSize width:" << width;
    qDebug() << "setParperSize height:" << height;
    showPaperLength(ui->spx_paperWidth, std::to_string(width), paperUnit);
    showPaperLength(ui->spx_paperHeight, std::to_string(height), paperUnit);
}
