// Saving the scanned pages: Save, Save As, the save folder and its check,
// and the file name made by the naming rule.

#include "mainwindow.h"

#include "ui_mainwindow.h"
#include "utils.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegExp>
#include <QTemporaryFile>

namespace {

// True when a file can be made in the folder. The probe is a file of our
// own, so a user's file of any name is never touched.
bool folderTakesFiles(const QString &folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/testXXXXXX"));
    return probe.open();
}

// The stream suffixes a user may have typed, taken out of the file name
// only: the folders of the path keep their names.
QString withoutStreamSuffixes(const QString &path)
{
    const int nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    QString name = path.mid(nameStart);
    name.remove(QRegExp(QStringLiteral("_(color|gray|mono|color_d*|gray_d*|mono_d*)")));
    return path.left(nameStart) + name;
}

}  // namespace

QString MainWindow::fileNameByRule(const QString &time) const
{
    QString name = ui->txt_saveFlieName->text();
    return name.replace(QStringLiteral("%datetime%"), time);
}

QString MainWindow::saveFolder() const
{
    const QString folder = ui->txt_saveFilePath->text();
    return folder.isEmpty() ? toLocalQString(get_default_vuro_scan_doucments_directory()) : folder;
}

bool MainWindow::verifySaveDir()
{
    // No folder (a new profile's) is the default one, not the root folder
    // that the path "/" + name would give.
    if (ui->txt_saveFilePath->text().isEmpty())
        ui->txt_saveFilePath->setText(saveFolder());
    const QString folder = ui->txt_saveFilePath->text();
    if (!QDir(folder).exists())
        chmodDirTo777(folder);
    if (folderTakesFiles(folder))
        return true;
    ui->txt_saveFilePath->setText(toLocalQString(get_default_vuro_scan_doucments_directory()));
    saveAdvanceSetting();
    QMessageBox::information(this, tr("path cant reach"), tr("path cant reach,reset save path"), QMessageBox::Ok);
    return false;
}

void MainWindow::chooseSaveFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("select folder"), toLocalQString(scanProfile.config.save_directory), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    if (folderTakesFiles(folder))
        ui->txt_saveFilePath->setText(folder);
    else
        QMessageBox::information(this, tr("path cant reach"), tr("path cant reach"), QMessageBox::Ok);
}

void MainWindow::on_btn_selectSaveFilePath_clicked()
{
    chooseSaveFolder();
}

void MainWindow::showSaveFinishDialog()
{
    QMessageBox::information(this, tr("Save Finish"), tr("save Finished"), QMessageBox::Ok);
}

void MainWindow::showSaveUnsuccsessDialog()
{
    QMessageBox::warning(this, boxTitle, tr("save unFinished"), QMessageBox::Ok);
}

void MainWindow::on_btn_widget_imageprocess_save_clicked()
{
    if (!verifySaveDir()) {
        // Nothing is saved: the user presses Save again, from the result
        // page (also when this Save came from the keep-scanning question).
        chooseSaveFolder();
        saveAdvanceSetting();
        if (ui->widget_imageProcess->isHidden())
            showScanResultSlot();
        return;
    }
    const QString time = timeText();
    const QString base = ui->txt_saveFilePath->text() + QLatin1Char('/') + fileNameByRule(time);
    const QString fileName = base + QLatin1Char('.') + ui->cbx_saveType->currentText().toLower();
    qDebug() << "save me!" << base;
    emit sigShowDealingDialog();
    finishSave(imageprocess.save(base), fileName, time);
}

void MainWindow::on_btn_widget_imageprocess_saveAs_clicked()
{
    saveFinished = false;
    const QString time = timeText();
    const QString proposal = saveFolder() + QLatin1Char('/') + fileNameByRule(time) +
                             QLatin1Char('.') + ui->cbx_saveType->currentText().toLower();
    const QString path = withoutStreamSuffixes(QFileDialog::getSaveFileName(this, tr("save as"), proposal, QString()));
    emit sigShowDealingDialog();
    if (path.isEmpty()) {
        emit sigHideDealingDialog();
        return;
    }
    qDebug() << "save me!" << path;
    const bool saved = imageprocess.save(path);
    saveFinished = saved;
    finishSave(saved, path, time);
}

void MainWindow::finishSave(bool saved, const QString &fileName, const QString &time)
{
    if (saved) {
        logData = genData(fileName, time, textSaveSuccess);
        showSaveFinishDialog();
        emit sigHideDealingDialog();
        // Writes the record, empties the page list, shows the main page.
        initUIData();
        return;
    }
    // The pages stay for another try; the failure is on record at once.
    logData = genData(fileName, time, textSaveFaile);
    writJsonToLogFile(parseDataToJson(logData));
    showSaveUnsuccsessDialog();
    emit sigHideDealingDialog();
    if (ui->widget_imageProcess->isHidden())
        showScanResultSlot();
}
