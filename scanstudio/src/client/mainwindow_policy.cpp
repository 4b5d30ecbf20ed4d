// Presets and the scan request: the preset list of the chosen scanner, the
// form filled from a preset and back, the fields that follow each other, and
// the scan request built from them just before a scan.

#include "mainwindow.h"

#include "bgwidget.h"
#include "paintingwidget.h"
#include "paper_units.h"
#include "ui_mainwindow.h"
#include "vurocombboxitem.h"
#include "vurocombobox.h"

#include "VuroScanSDK.h"

#include <QDebug>
#include <QMessageBox>
#include <QSignalBlocker>

#include <cmath>

namespace {

const int kResolutions[] = {75, 100, 150, 200, 300, 600, 1200};
constexpr int kResolutionCount = sizeof kResolutions / sizeof kResolutions[0];
constexpr int kDefaultResolutionIndex = 3;  // 200 dpi
constexpr int kMaxPolicyNameLength = 10;

int resolutionIndex(int dpi)
{
    for (int i = 0; i < kResolutionCount; ++i) {
        if (kResolutions[i] == dpi)
            return i;
    }
    return kDefaultResolutionIndex;
}

// Selects `index`, or the first entry when the box has no such entry, so
// the box never shows nothing while a value outside it is sent.
void selectOrFirst(QComboBox *box, int index)
{
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : 0);
}

// Resolution entries carry their dpi as item data. The refill is silent:
// the passing first entry (75 dpi) would switch off turning pages upright,
// which the resolution finally chosen may allow; the rule is applied again
// before every scan and when the advanced page opens.
void fillResolutions(QComboBox *box, const std::vector<std::string> &items)
{
    const QSignalBlocker blocker(box);
    fill_combox(box, items);
    for (int i = 0; i < box->count() && i < kResolutionCount; ++i)
        box->setItemData(i, kResolutions[i]);
}

// Half away from zero, then to int.
int roundedMillimetres(double value)
{
    return static_cast<int>(std::lround(value));
}

}  // namespace

void fill_combox(QComboBox *box, const std::vector<std::string> &items)
{
    box->clear();
    for (const std::string &item : items)
        box->addItem(QString::fromLocal8Bit(item.data(), static_cast<int>(item.size())));
}

std::shared_ptr<vuro::scanner> MainWindow::currentScanner()
{
    if (ui->cbx_scanners->currentIndex() < 0)
        return nullptr;
    return scanProfile.get_scanner(toLocalstdString(ui->cbx_scanners->currentText()));
}

std::shared_ptr<vuro::policy> MainWindow::getLastPolicy()
{
    const std::shared_ptr<vuro::scanner> scanner = currentScanner();
    return scanner ? scanner->last : nullptr;
}

void MainWindow::on_cbx_scanners_currentIndexChanged(const QString &name)
{
    if (ui->cbx_scanners->currentIndex() < 0)
        return;
    const std::shared_ptr<vuro::scanner> scanner = scanProfile.get_scanner(toLocalstdString(name));
    if (!scanner)
        return;
    policyCombo->clear();
    const QString builtIn[] = {textPicture, textDocument, textAddPolicy, textLastConfiguration};
    for (int i = 0; i < 4; ++i)
        policyCombo->policy_insertItem(i, builtIn[i]);
    for (const std::shared_ptr<vuro::policy> &preset : scanner->policys)
        policyCombo->policy_add(toLocalQString(preset->name));
    policyCombo->setCurrentIndex(scanner->last ? 3 : 0);
}

void MainWindow::on_cbx_scanners_currentIndexChanged(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= deviceList.size())
        return;
    pScanSDK->CloseDev();
    pScanSDK->OpenDev(deviceList[static_cast<std::size_t>(index)]);
    hasFeeder = pScanSDK->IsDevHasADF();
    QString version;
    const bool ocr = imageprocess.getOCREnable(version);
    qDebug() << "is dev support adf:" << hasFeeder;
    qDebug() << "is dev support ocr:" << ocr << version;
    ui->pb_ocr->hide();
}

void MainWindow::on_combo_policy_indexChanged(int index)
{
    if (addingPolicy && index == 2)
        return;
    if (index < 0)
        return;
    ui->pb_scan->setText(tr("Scan"));
    policyCombo->setEditable(false);
    const std::shared_ptr<vuro::scanner> scanner = currentScanner();
    if (!scanner)
        return;

    std::shared_ptr<vuro::policy> preset;
    switch (index) {
    case 0:
        preset = vuro::scanner::get_def_policy(policy_picture);
        break;
    case 1:
        preset = vuro::scanner::get_def_policy(policy_document);
        break;
    case 2:
        ui->pb_scan->setText(tr("Save"));
        policyCombo->setEditable(true);
        addingPolicy = true;
        return;
    case 3:
        preset = scanner->last ? scanner->last : vuro::scanner::get_def_policy(policy_picture);
        break;
    default:
        preset = scanner->get_policy(toLocalstdString(policyCombo->itemText(index)));
        break;
    }
    if (!preset)
        return;
    addingPolicy = false;
    setPolicy(preset);
}

void MainWindow::on_cbx_scanSource_currentIndexChanged(int index)
{
    if (index == 0) {
        fillResolutions(ui->cbx_resolution, flatbedResolutions);
        scaleY = 297.0 / 371.0;
    } else {
        fillResolutions(ui->cbx_resolution, feederResolutions);
        scaleY = 356.0 / 371.0;
    }
    bgWidget->setScale(scaleX, scaleY);
}

void MainWindow::on_cbx_colorFormat_currentIndexChanged(int index)
{
    if (index < color_full || index > color_mono)
        return;
    // The stream of the scan colour is always written; only those that can
    // be made from it may be added.
    QCheckBox *const streams[] = {ui->ckb_colorOut, ui->ckb_grayOut, ui->ckb_monoOut};
    for (int stream = color_full; stream <= color_mono; ++stream) {
        streams[stream]->setChecked(stream == index);
        streams[stream]->setEnabled(stream > index);
    }
}

void MainWindow::on_cbx_saveType_currentIndexChanged(int index)
{
    if (index == image_png || index == image_bmp) {
        ui->cbx_quality->setCurrentIndex(0);
        ui->cbx_quality->setEnabled(false);
    } else if (index >= 0) {
        ui->cbx_quality->setEnabled(true);
    }
}

void MainWindow::on_cbx_resolution_currentIndexChanged(int index)
{
    // Turning pages upright needs 150 dpi or more.
    if (index > 1) {
        ui->ckb_useAutoRote->setEnabled(true);
    } else {
        ui->ckb_useAutoRote->setEnabled(false);
        ui->ckb_useAutoRote->setChecked(false);
    }
}

void MainWindow::setPolicy(const std::shared_ptr<vuro::policy> &preset)
{
    if (hasFeeder) {
        fill_combox(ui->cbx_scanSource, scanSources);
    } else {
        ui->cbx_scanSource->clear();
        ui->cbx_scanSource->addItem(toLocalQString(scanSources.front()));
    }
    fill_combox(ui->cbx_saveType, imageFormats);
    fill_combox(ui->cbx_quality, qualities);
    // A preset that names an entry the lists do not hold (a feeder preset on
    // a flatbed-only scanner) shows, and so scans with, the first entry.
    selectOrFirst(ui->cbx_scanSource, preset->category);
    selectOrFirst(ui->cbx_saveType, preset->image);
    selectOrFirst(ui->cbx_quality, preset->quality);
    fill_combox(ui->cbx_colorFormat, colorModes);
    selectOrFirst(ui->cbx_colorFormat, preset->color);

    ui->ckb_colorOut->setChecked(preset->muilt_out_stream_color);
    ui->ckb_grayOut->setChecked(preset->muilt_out_stream_gray);
    ui->ckb_monoOut->setChecked(preset->muilt_out_stream_mono);
    QCheckBox *const streams[] = {ui->ckb_colorOut, ui->ckb_grayOut, ui->ckb_monoOut};
    streams[ui->cbx_colorFormat->currentIndex()]->setChecked(true);

    // 1200 dpi is not in the feeder's list.
    selectOrFirst(ui->cbx_resolution, resolutionIndex(preset->dpi));
}

void MainWindow::toPolicy(const std::shared_ptr<vuro::policy> &preset, const QString &name)
{
    preset->name = toLocalstdString(name.isEmpty() ? policyCombo->currentText() : name);
    const int resolution = ui->cbx_resolution->currentIndex();
    preset->dpi = resolution >= 0 && resolution < kResolutionCount ? kResolutions[resolution] : 200;
    preset->color = static_cast<vuro_color_format>(ui->cbx_colorFormat->currentIndex());
    preset->quality = ui->cbx_quality->currentIndex();
    preset->category = ui->cbx_scanSource->currentIndex();
    preset->image = static_cast<vuro_image_format>(ui->cbx_saveType->currentIndex());
    preset->muilt_out_stream_color = ui->ckb_colorOut->isChecked();
    preset->muilt_out_stream_gray = ui->ckb_grayOut->isChecked();
    preset->muilt_out_stream_mono = ui->ckb_monoOut->isChecked();
    qDebug() << "ptr->name:" << name << toLocalQString(preset->name);
}

void MainWindow::genSettingInfo()
{
    std::shared_ptr<vuro::policy> preset = getLastPolicy();
    if (!preset) {
        // A preview before any scan of this scanner: the form as it stands.
        preset = std::make_shared<vuro::policy>();
        toPolicy(preset, QString());
    }
    on_cbx_resolution_currentIndexChanged(ui->cbx_resolution->currentIndex());
    settingInfo.xStart = 0;
    settingInfo.yStart = 0;

    if (!previewScanning) {
        imageprocess.setColorFormat(preset->color);
        imageprocess.setImageFormat(preset->image);
        const int saveType = ui->cbx_saveType->currentIndex();
        multiPageOutput = saveType == image_tif || saveType == image_pdf || saveType == image_ofd;
        imageprocess.setDPI(preset->dpi);
        QString quality = ui->cbx_quality->currentText();
        imageprocess.setQuality(quality.remove(QLatin1Char('%')).trimmed().toInt());
        imageprocess.setMultiColorOutGray(ui->ckb_grayOut->isChecked());
        imageprocess.setMultiColorOutMono(ui->ckb_monoOut->isChecked());
        imageprocess.setMultiColorOutColor(ui->ckb_colorOut->isChecked());
        imageprocess.setMedianBlur(ui->ckb_useMedianBlur->isChecked(), ui->spx_bgFade->value());
        imageprocess.setDetectOrientation(ui->ckb_useAutoRote->isChecked());
    }

    const int paperType = ui->cbx_as_paperType->currentIndex();
    if (paperType >= 0 && paperType <= 2) {
        settingInfo.xEnd = def_vuro_papers[paperType][0];
        settingInfo.yEnd = def_vuro_papers[paperType][1];
    }
    if (previewShown) {
        const QRect &crop = bgWidget->paintingWidget()->rectWithBorder.rect;
        settingInfo.xStart = roundedMillimetres(crop.left() * scaleX);
        settingInfo.yStart = roundedMillimetres(crop.top() * scaleY);
        settingInfo.xEnd = roundedMillimetres(crop.right() * scaleX);
        settingInfo.yEnd = roundedMillimetres(crop.bottom() * scaleY);
    }

    settingInfo.resolution = preset->dpi;
    settingInfo.colorMode = 2;
    settingInfo.option5Value = 3;
    settingInfo.option6Value = 3;
    settingInfo.feederEnabled = static_cast<std::uint8_t>(preset->category);

    qDebug() << "genSettingInfo() complete";
    qDebug() << "info.xStart=" << settingInfo.xStart;
    qDebug() << "info.yStart=" << settingInfo.yStart;
    qDebug() << "info.xEnd=" << settingInfo.xEnd;
    qDebug() << "info.yEnd=" << settingInfo.yEnd;
    qDebug() << "info.resolution=" << settingInfo.resolution;
    qDebug() << "info.feederEnabled=" << settingInfo.feederEnabled << ui->cbx_scanSource->currentText();
    qDebug() << "pageCount=" << (preset->category == 0 ? 1 : 0);
    qDebug() << "=================================";

    scanningScannerName = ui->cbx_scanners->currentText();
    ui->pb_ocr->hide();
    ui->pb_changeBGAll->hide();
    ui->pb_ElimBorder->hide();
    ui->changeBgColor_label->hide();
    ui->changeBgColorCheck->hide();
}

void MainWindow::addPolicy()
{
    const QString name = policyCombo->currentText().trimmed();
    if (name.isEmpty()) {
        QMessageBox::warning(this, boxTitle, tr("policy name is empty!"), QMessageBox::Ok);
        return;
    }
    if (name.size() > kMaxPolicyNameLength) {
        QMessageBox::warning(this, boxTitle, tr("too long to save policy name,max lenght is 10"), QMessageBox::Ok);
        return;
    }
    const std::shared_ptr<vuro::scanner> scanner =
        scanProfile.get_scanner(toLocalstdString(ui->cbx_scanners->currentText().trimmed()));
    if (!scanner)
        return;
    QStringList names;
    for (const std::shared_ptr<vuro::policy> &preset : scanner->policys)
        names << toLocalQString(preset->name);
    QString finalName = name;
    for (const QString &builtIn : {textPicture, textDocument, textAddPolicy, textLastConfiguration}) {
        if (finalName == builtIn)
            finalName += QStringLiteral("#1");
    }
    finalName = recursivePolicyList(finalName, names, finalName, 0);

    if (scanner->get_policy(toLocalstdString(finalName))) {
        QMessageBox::warning(this, boxTitle, tr("invalid policy name! Policy is already exists"), QMessageBox::Ok);
        return;
    }
    const std::size_t before = scanner->policys.size();
    qDebug() << "i:" << before;
    auto preset = std::make_shared<vuro::policy>();
    toPolicy(preset, finalName);
    scanner->policys.push_back(preset);
    if (scanner->policys.size() > before) {
        qDebug() << "add succsess";
        policyCombo->policy_add(finalName);
        policyCombo->setEditable(false);
        policyCombo->setCurrentIndex(0);
    }
    ui->pb_scan->setText(tr("Scan"));
    addingPolicy = false;
}

QString MainWindow::recursivePolicyList(const QString &name, const QStringList &names, const QString &base, int n)
{
    qDebug() << "policyName:" << name;
    for (const QString &entry : names) {
        qDebug() << "ptrName:" << entry;
        if (entry == name)
            return recursivePolicyList(base + QStringLiteral("#%1").arg(n + 1), names, base, n + 1);
    }
    return name;
}

void MainWindow::removePolicy(VuroCombBoxItem *item)
{
    qDebug() << "enter removePolicy(index:" << item->getIndex() << ")";
    if (item->getIndex() <= 2)
        return;
    const std::shared_ptr<vuro::scanner> scanner = currentScanner();
    if (!scanner) {
        QMessageBox::warning(this, QStringLiteral("err"), QStringLiteral("invalid scanner"), QMessageBox::Ok);
    } else if (scanner->remove_policy(toLocalstdString(item->getName()))) {
        policyCombo->removeItem(item);
        qDebug() << "item been removerd chenge index to 0";
        policyCombo->setCurrentIndex(0);
    }
    qDebug() << "removePolicy finish";
}
